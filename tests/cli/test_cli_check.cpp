// corvane-cli check and fix: the example bar tree shows every kind of problem, a clean bar
// none; fix --portable rewrites a bar tree, and its dry run writes nothing.
#include "platform/HostFiles.h"
#include "platform/WinePrefix.h"
#include "support/RunProcess.h"
#include "support/TcInstallation.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <set>

using testsupport::ProcessResult;
using testsupport::ReadBytes;
using testsupport::RunProcess;
using testsupport::ScopedEnv;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

ProcessResult Cli(const std::vector<std::string> &args) {
  return RunProcess(CORVANE_CLI, args);
}

std::filesystem::path Examples() {
  return std::filesystem::canonical(testsupport::TestData("../../examples"));
}

std::string Checkup(const std::string &bar) {
  return (Examples() / "bars" / "checkup" / bar).string();
}

using Keys = std::set<std::string>;

Keys KeysOf(const nlohmann::json &object) {
  Keys keys;
  for (const auto &item : object.items())
    keys.insert(item.key());
  return keys;
}

// The example installation, Total Commander's folder given as a host path. Where Wine
// shows it, drive C: is the examples folder, so the folder is named C:\totalcmd.
class ExampleTree : public ::testing::Test {
protected:
  ScopedEnv prefix{"WINEPREFIX", Examples() / "wine"};
  ScopedEnv commander{"COMMANDER_PATH", Examples() / "totalcmd"};
  ScopedEnv ini{"COMMANDER_INI", nullptr};
};

// The example bars name Total Commander's folder as C:\totalcmd, as Wine shows it.
TEST_F(ExampleTree, ShowsEveryKindOnceWalkedAndNothingInTheCleanSubBar) {
  if (platform::WinePrefixDir().empty())
    GTEST_SKIP() << "no Wine prefix shows the example installation as C:\\totalcmd";
  const auto r = Cli({"check", Checkup("main.bar"), "--recursive", "--json"});
  ASSERT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.err, "") << "the host path names a folder";
  const auto json = nlohmann::json::parse(r.out);
  ASSERT_EQ(json["bars"].size(), 3u);
  EXPECT_EQ(json["bars"][1]["file"], R"(C:\bars\checkup\view.bar)");
  EXPECT_EQ(json["bars"][1]["problems"].size(), 0u);
  std::set<std::string> kinds;
  for (const auto &bar : json["bars"]) {
    EXPECT_EQ(KeysOf(bar), (Keys{"buttons", "file", "problems"}));
    for (const auto &problem : bar["problems"]) {
      EXPECT_EQ(KeysOf(problem), (Keys{"button", "fix", "kind", "message"}));
      kinds.insert(problem["kind"]);
      // Only a non-portable path has a fix: the field's text from %COMMANDER_PATH%.
      EXPECT_EQ(problem["fix"].is_string(), problem["kind"] == "non-portable-path");
    }
  }
  EXPECT_EQ(kinds,
            (std::set<std::string>{"missing-program", "unknown-command", "missing-icon-file",
                                   "icon-index", "missing-start-path", "missing-sub-bar",
                                   "sub-bar-loop", "non-portable-path", "mixed-icon-names"}));
  const auto &command = json["bars"][0]["problems"][7];
  EXPECT_EQ(command["button"], 10);
  EXPECT_EQ(command["fix"], R"(%COMMANDER_PATH%\tools\sums.exe)");

  const auto text = Cli({"check", Checkup("main.bar")});
  EXPECT_EQ(text.status, 1);
  EXPECT_NE(text.out.find("checkup/main.bar:5: icon-index: wcmicons.dll has no icon 52: it "
                          "holds 40 icons\n"),
            std::string::npos)
      << text.out;
  // A name is shown as written; where %COMMANDER_PATH% points is the user's to know.
  EXPECT_NE(text.out.find("checkup/main.bar:2: missing-program: "
                          "%COMMANDER_PATH%\\tools\\editor.exe does not exist\n"),
            std::string::npos);
  EXPECT_NE(text.out.find("10 problems in 1 bar of 11 buttons\n"), std::string::npos);

  const auto clean = Cli({"check", Checkup("view.bar")});
  EXPECT_EQ(clean.status, 0) << clean.out;
  EXPECT_EQ(clean.out, "0 problems in 1 bar of 5 buttons\n");
}

// A COMMANDER_PATH that names no folder is warned of, and the check goes on.
TEST_F(ExampleTree, CommanderPathNamingNoFolder) {
  ScopedEnv missing("COMMANDER_PATH", R"(C:\nowhere\)");
  const auto r = Cli({"check", Checkup("view.bar")});
  EXPECT_EQ(r.err, "corvane-cli: warning: COMMANDER_PATH names no folder: C:\\nowhere\\\n");
  EXPECT_NE(r.out.find(" problems in 1 bar of 5 buttons\n"), std::string::npos) << r.out;
  const auto explained = Cli({"resolve", "x.exe", "--explain"});
  EXPECT_NE(explained.out.find("\nwarning: COMMANDER_PATH names no folder: C:\\nowhere\\\n"),
            std::string::npos)
      << explained.out;
}

struct StatusRow {
  const char *name;
  std::vector<std::string> args;
  int status;
};

class ExitStatus : public ExampleTree, public ::testing::WithParamInterface<StatusRow> {};

TEST_P(ExitStatus, TellsCleanProblemsBadArgumentAndUnreadableBar) {
  const auto r = Cli(GetParam().args);
  EXPECT_EQ(r.status, GetParam().status) << r.err;
  if (GetParam().status >= 2) {
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err, "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cli, ExitStatus,
    ::testing::Values(StatusRow{"Clean", {"check", Checkup("view.bar")}, 0},
                      StatusRow{"Problems", {"check", Checkup("main.bar")}, 1},
                      StatusRow{"CheckWithoutBar", {"check"}, 2},
                      StatusRow{"CheckUnknownOption", {"check", Checkup("view.bar"), "--deep"}, 2},
                      StatusRow{"CheckMissingBar", {"check", Checkup("gone.bar"), "--json"}, 3},
                      StatusRow{"FixWithoutWhat", {"fix", Checkup("view.bar")}, 2},
                      StatusRow{"FixBadCacheMode",
                                {"fix", Checkup("view.bar"), "--portable", "--cache", "all"},
                                2}),
    [](const auto &info) { return std::string(info.param.name); });

// A bar and its sub-bar, each naming a program of Total Commander's folder by its drive
// path; the sub-bar leads back to the bar.
class PortableFix : public ::testing::Test {
protected:
  PortableFix() {
    tc.Write("tools/prog.exe", "MZ");
    WriteBar("a.bar", testsupport::WindowsNameOf(dir / "b.bar"));
    WriteBar("b.bar", testsupport::WindowsNameOf(dir / "a.bar"));
  }

  void WriteBar(const char *name, const std::string &subBar) {
    const std::string program = testsupport::WindowsNameOf(tc.folder() / "tools" / "prog.exe");
    WriteBytes(dir / name, "[Buttonbar]\r\nButtoncount=2\r\ncmd1=" + program + "\r\nparam1=/ini=" +
                               testsupport::WindowsNameOf(tc.folder() / "x.ini") +
                               "\r\ncmd2=" + subBar + "\r\n");
  }
  ProcessResult Fix(std::vector<std::string> options) {
    options.insert(options.begin(), {"fix", (dir / "a.bar").string(), "--portable"});
    return Cli(options);
  }

  TempDir dir;
  testsupport::TcInstallation tc{dir / "tc"};
};

TEST_F(PortableFix, DryRunPrintsTheChangesAndWritesNothing) {
  const std::string a = ReadBytes(dir / "a.bar");
  const auto r = Fix({"--recursive", "--dry-run"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("a.bar:1: command: " +
                       testsupport::WindowsNameOf(tc.folder() / "tools" / "prog.exe") +
                       R"( -> %COMMANDER_PATH%\tools\prog.exe)"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find(R"(b.bar:1: params: /ini=)"), std::string::npos);
  EXPECT_EQ(ReadBytes(dir / "a.bar"), a);
  EXPECT_FALSE(std::filesystem::exists(dir / "a.icl"));
}

// A command read in quotes is written without them when it holds no blank: the dry run
// shows what the save then writes.
TEST_F(PortableFix, DryRunShowsTheTextTheSaveWrites) {
  WriteBytes(dir / "a.bar", "[Buttonbar]\r\nButtoncount=1\r\ncmd1=\"\"" +
                                testsupport::WindowsNameOf(tc.folder() / "tools" / "prog.exe") +
                                "\"\"\r\n");
  const auto dry = Fix({"--dry-run"});
  ASSERT_EQ(dry.status, 0) << dry.err;
  const size_t arrow = dry.out.find(" -> ");
  ASSERT_NE(arrow, std::string::npos) << dry.out;
  const std::string shown = dry.out.substr(arrow + 4, dry.out.find('\n', arrow) - arrow - 4);
  ASSERT_EQ(Fix({"--cache", "off"}).status, 0);
  EXPECT_NE(ReadBytes(dir / "a.bar").find("cmd1=" + shown + "\r\n"), std::string::npos)
      << shown << "\n"
      << ReadBytes(dir / "a.bar");
}

TEST_F(PortableFix, RewritesEveryBarOfTheTreeOnce) {
  const auto r = Fix({"--recursive", "--cache", "off"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char *bar : {"a.bar", "b.bar"}) {
    const std::string saved = ReadBytes(dir / bar);
    EXPECT_NE(saved.find("cmd1=%COMMANDER_PATH%\\tools\\prog.exe\r\n"
                         "param1=/ini=%COMMANDER_PATH%\\x.ini\r\n"),
              std::string::npos)
        << saved;
  }
  EXPECT_EQ(Fix({"--recursive"}).out, "nothing to make portable\n");
}

// A bar without a count is refused by a verb that does not repair it, naming the repair;
// --count writes the highest button number as the count and keeps every key of every
// button as it was.
TEST(CountFix, WritesTheHighestNumberAndChangesNothingElse) {
  TempDir dir;
  const std::string buttons = "button2=wcmicons.dll,3\r\ncmd2=cm_Copy\r\nparam2=/x\r\n"
                              "path2=C:\\Work\\\r\nmenu2=Two\r\niconic2=-1\r\ncmd3=notepad.exe\r\n";
  const std::string original = "[Buttonbar]\r\n" + buttons + "[Other]\r\nk=1\r\n";
  WriteBytes(dir / "t.bar", original);
  const std::string bar = (dir / "t.bar").string();

  for (const std::vector<std::string> &args :
       {std::vector<std::string>{"fix", bar, "--portable"}, {"edit", bar, "--add"}}) {
    const auto refused = Cli(args);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("--count"), std::string::npos) << refused.err;
  }
  const auto dry = Cli({"fix", bar, "--count", "--portable", "--dry-run"});
  EXPECT_EQ(dry.status, 0) << dry.err;
  EXPECT_NE(dry.out.find("t.bar: count: none -> 3\nnothing to make portable\n"), std::string::npos)
      << dry.out;
  EXPECT_EQ(ReadBytes(dir / "t.bar"), original);

  const auto fixed = Cli({"fix", bar, "--count", "--cache", "off"});
  EXPECT_EQ(fixed.status, 0) << fixed.err;
  EXPECT_EQ(ReadBytes(dir / "t.bar"),
            "[Buttonbar]\r\nButtonCount=3\r\n" + buttons + "[Other]\r\nk=1\r\n");
  EXPECT_EQ(Cli({"fix", bar, "--count"}).out, "no count to repair\n");
}

} // namespace
