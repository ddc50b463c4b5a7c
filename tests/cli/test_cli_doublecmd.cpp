// export-dc and import-dc on the command line: files written where the options say, what
// was left out listed with its own exit status, and failures that write nothing. The rules
// of the toolbar itself are the core's (test_dctoolbar).
#include "document/DcToolbar.h"
#include "platform/HostFiles.h"
#include "support/RunProcess.h"
#include "support/TcInstallation.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using testsupport::ReadBytes;
using testsupport::RunProcess;
using testsupport::TcInstallation;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

testsupport::ProcessResult Cli(const std::vector<std::string> &args) {
  return RunProcess(CORVANE_CLI, args);
}

class DoubleCommander : public ::testing::Test {
protected:
  void SetUp() override {
    if (!dctoolbar::HandlesToolbarXml())
      GTEST_SKIP() << "this build reads and writes no Double Commander toolbars";
  }
  TempDir dir;
  TcInstallation tc{dir / "tc",
                    {.commandList = "[___Files___]=0\r\ncm_Copy=100;Copy\r\n", .icons = 2}};
};

TEST_F(DoubleCommander, ExportListsWhatWasLeftOutAndImportReadsItBack) {
  WriteBytes(dir / "a.bar", "[Buttonbar]\r\nButtoncount=2\r\n"
                            "button1=wcmicons.dll,1\r\ncmd1=cm_Copy\r\nmenu1=Copy\r\n"
                            "cmd2=em_backup\r\nmenu2=Backup\r\n");
  const auto out = Cli({"export-dc", (dir / "a.bar").string(), "-o", (dir / "a.xml").string()});
  EXPECT_EQ(out.status, 4) << out.err;
  EXPECT_NE(
      out.out.find("Left out:\n" + (dir / "a.bar").string() + ":2: the user command em_backup\n"),
      std::string::npos)
      << out.out;
  EXPECT_TRUE(std::filesystem::is_regular_file(dir / "a-icons" / "wcmicons-1.png"));

  const auto in = Cli({"import-dc", (dir / "a.xml").string(), "-o", (dir / "b.bar").string()});
  EXPECT_EQ(in.status, 0) << in.err << in.out;
  EXPECT_EQ(in.out,
            (dir / "b.bar").string() + "\n1 icon in " + (dir / "b-icons.icl").string() + "\n");
  const auto shown = Cli({"show", (dir / "b.bar").string(), "--text"});
  EXPECT_EQ(shown.out, "button\n  icon: " + testsupport::WindowsNameOf((dir / "b-icons.icl")) +
                           ",0\n  command: cm_Copy\n  tooltip: Copy\n");

  // Again into another bar beside the same library: the library, maybe the user's own by
  // now, is kept and nothing is written.
  const std::string library = ReadBytes(dir / "b-icons.icl");
  const auto again = Cli({"import-dc", (dir / "a.xml").string(), "-o", (dir / "c.bar").string(),
                          "--icl", (dir / "b-icons.icl").string()});
  EXPECT_EQ(again.status, 1) << again.err;
  EXPECT_NE(again.err.find("b-icons.icl exists already"), std::string::npos) << again.err;
  EXPECT_EQ(ReadBytes(dir / "b-icons.icl"), library);
  EXPECT_FALSE(std::filesystem::exists(dir / "c.bar"));
}

TEST_F(DoubleCommander, FailuresWriteNothing) {
  WriteBytes(dir / "bad.xml", "<doublecmd><Toolbars><MainToolbar>");
  struct Row {
    std::vector<std::string> args;
    int status;
  };
  const Row rows[] = {
      {{"export-dc", (dir / "missing.bar").string(), "-o", (dir / "out.xml").string()}, 1},
      {{"export-dc", (dir / "missing.bar").string()}, 2},
      {{"import-dc", (dir / "bad.xml").string(), "-o", (dir / "out.bar").string()}, 1},
      {{"import-dc", (dir / "bad.xml").string(), "--icl"}, 2},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.args[0] + " " + std::to_string(row.status));
    const auto result = Cli(row.args);
    EXPECT_EQ(result.status, row.status);
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "out.xml"));
  EXPECT_FALSE(std::filesystem::exists(dir / "out.bar"));
  for (const char *verb : {"export-dc", "import-dc"})
    EXPECT_EQ(Cli({verb, "--help"}).out.rfind(std::string("usage: corvane-cli ") + verb, 0), 0u);
}

} // namespace
