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

// The main toolbar of a configuration, and what lies around it.
std::string Toolbar(const std::string &xml) {
  const size_t start = xml.find("<MainToolbar>");
  return xml.substr(start, xml.find("</MainToolbar>") - start);
}
std::string AroundToolbar(const std::string &xml) {
  return std::string(xml).erase(xml.find("<MainToolbar>"), Toolbar(xml).size());
}

// A user's whole configuration is no file -o may replace (Double Commander saves what it
// read back on exit, every other setting lost); --into replaces only its toolbar.
TEST_F(DoubleCommander, OutputReplacesOnlyItsOwnExportAndIntoKeepsTheConfiguration) {
  const auto bar = [&](const char *name, const char *tooltip) {
    WriteBytes(dir / name, std::string("[Buttonbar]\r\nButtoncount=1\r\ncmd1=cm_Copy\r\nmenu1=") +
                               tooltip + "\r\n");
    return (dir / name).string();
  };
  const std::string first = bar("first.bar", "First"), second = bar("second.bar", "Second");
  const std::string config = ReadBytes(testsupport::TestData("doublecmd/doublecmd.xml"));
  const auto configFile = dir / "doublecmd.xml", ownFile = dir / "own.xml";
  WriteBytes(configFile, config);

  const auto refused = Cli({"export-dc", first, "-o", configFile.string()});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("no toolbar export-dc wrote; it is kept (--into"), std::string::npos)
      << refused.err;
  EXPECT_EQ(ReadBytes(configFile), config);

  for (const std::string &written : {first, second})
    EXPECT_EQ(Cli({"export-dc", written, "-o", ownFile.string()}).status, 0);
  EXPECT_NE(ReadBytes(ownFile).find("<Hint>Second</Hint>"), std::string::npos);

  const auto into = Cli({"export-dc", second, "--into", configFile.string()});
  EXPECT_EQ(into.status, 0) << into.err;
  EXPECT_EQ(into.out, configFile.string() + ": main toolbar replaced by 1 item\n");
  const std::string replaced = ReadBytes(configFile);
  EXPECT_EQ(AroundToolbar(replaced), AroundToolbar(config));
  EXPECT_EQ(Toolbar(replaced), Toolbar(ReadBytes(ownFile)));
}

// What import-dc reports is what it wrote: no library for items without pictures, and a
// command under the name the bar holds.
TEST_F(DoubleCommander, ImportReportsWhatItWrote) {
  WriteBytes(dir / "in.xml", "<doublecmd><Toolbars><MainToolbar><Row><Separator/><Command>"
                             "<Command>cm_Rename</Command></Command></Row></MainToolbar>"
                             "</Toolbars></doublecmd>");
  const auto in = Cli({"import-dc", (dir / "in.xml").string(), "-o", (dir / "in.bar").string()});
  EXPECT_EQ(in.status, 4) << in.err;
  EXPECT_EQ(in.out, (dir / "in.bar").string() + "\nLeft out:\n" + (dir / "in.bar").string() +
                        ":2: the command cm_RenMov, which Total Commander does not have "
                        "(written for Double Commander's cm_Rename)\n");
  EXPECT_NE(ReadBytes(dir / "in.bar").find("cmd2=cm_RenMov"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir / "in-icons.icl"));
}

TEST_F(DoubleCommander, FailuresWriteNothing) {
  WriteBytes(dir / "bad.xml", "<doublecmd><Toolbars><MainToolbar>");
  WriteBytes(dir / "a.bar", "[Buttonbar]\r\nButtoncount=1\r\ncmd1=cm_Copy\r\n");
  const std::string bar = (dir / "a.bar").string(), bad = (dir / "bad.xml").string();
  struct Row {
    std::vector<std::string> args;
    int status;
  };
  const Row rows[] = {
      {{"export-dc", (dir / "missing.bar").string(), "-o", (dir / "out.xml").string()}, 1},
      {{"export-dc", (dir / "missing.bar").string()}, 2},
      {{"import-dc", (dir / "bad.xml").string(), "-o", (dir / "out.bar").string()}, 1},
      {{"import-dc", (dir / "bad.xml").string(), "--icl"}, 2},
      {{"export-dc", bar, "--into", bad}, 1},
      {{"export-dc", bar, "--into", bar}, 1},
      {{"export-dc", bar, "--into", (dir / "out.xml").string()}, 1},
      {{"export-dc", bar, "-o", (dir / "out.xml").string(), "--into", bad}, 2},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.args[0] + " " + std::to_string(row.status));
    const auto result = Cli(row.args);
    EXPECT_EQ(result.status, row.status);
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "out.xml"));
  EXPECT_FALSE(std::filesystem::exists(dir / "out.bar"));
  EXPECT_EQ(ReadBytes(dir / "bad.xml"), "<doublecmd><Toolbars><MainToolbar>");
  for (const char *verb : {"export-dc", "import-dc"})
    EXPECT_EQ(Cli({verb, "--help"}).out.rfind(std::string("usage: corvane-cli ") + verb, 0), 0u);
}

} // namespace
