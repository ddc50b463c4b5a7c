// corvane-cli diff and merge: the exit statuses, a UTF-16 bar equal to its 8-bit twin,
// and merge as git's merge driver, set up as the README says, in a real repository.
#include "support/RunProcess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>

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

const std::string ThreeButtons = "[Buttonbar]\r\nButtoncount=3\r\ncmd1=a.exe\r\nmenu1=A\r\n"
                                 "cmd2=b.exe\r\nmenu2=B\r\ncmd3=c.exe\r\nmenu3=C\r\n";

TEST(CliDiff, ExitStatusTellsSameDifferentBadAndUnreadable) {
  TempDir dir;
  WriteBytes(dir / "a.bar", ThreeButtons);
  WriteBytes(dir / "same.bar", "[buttonbar]\nMENU3=C\ncmd3=\"c.exe\"\nbuttoncount=3\ncmd1=a.exe\n"
                               "menu1=A\ncmd2=b.exe\nmenu2=B\nparam2=\n");
  WriteBytes(dir / "moved.bar", "[Buttonbar]\r\nButtoncount=3\r\ncmd1=b.exe\r\nmenu1=B\r\n"
                                "cmd2=c.exe\r\nmenu2=C\r\ncmd3=a.exe\r\nmenu3=Ay\r\n");
  const auto a = (dir / "a.bar").string();
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out;
  } cases[] = {
      {{"diff", a, (dir / "same.bar").string()}, 0, ""},
      {{"diff", a, (dir / "moved.bar").string()},
       1,
       "moved 1 -> 3 \"Ay\"\nchanged 1 -> 3 menu: \"A\" -> \"Ay\"\n"},
      {{"diff", a}, 2, ""},
      {{"diff", a, (dir / "missing.bar").string()}, 3, ""},
  };
  for (const auto &c : cases) {
    const auto result = Cli(c.args);
    EXPECT_EQ(result.status, c.status) << c.args.back() << result.err;
    EXPECT_EQ(result.out, c.out) << c.args.back();
  }
}

TEST(CliDiff, Utf16BarEqualsItsEightBitTwin) {
  TempDir dir;
  WriteBytes(dir / "wide.bar",
             testsupport::Utf16File(u"[Buttonbar]\r\nButtoncount=1\r\ncmd1=caf\u00e9.exe\r\n"));
  WriteBytes(dir / "narrow.bar", "[Buttonbar]\r\nButtoncount=1\r\ncmd1=caf\xe9.exe\r\n");
  WriteBytes(dir / "other.bar", "[Buttonbar]\r\nButtoncount=1\r\ncmd1=cafe.exe\r\n");
  EXPECT_EQ(Cli({"diff", (dir / "wide.bar").string(), (dir / "narrow.bar").string()}).status, 0);
  const auto json =
      Cli({"diff", (dir / "wide.bar").string(), (dir / "other.bar").string(), "--json"});
  ASSERT_EQ(json.status, 1) << json.err;
  const auto fields = nlohmann::json::parse(json.out)["changed"][0]["fields"][0];
  EXPECT_EQ(fields["old"], "caf\u00e9.exe");
  EXPECT_EQ(fields["new"], "cafe.exe");
}

// One of two twins deleted on each side: whether the same one is not known, so the
// merge keeps ours, names the button and fails.
TEST(CliMerge, TwinsDeletedOnBothSidesAreAConflict) {
  TempDir dir;
  const std::string twins = "[Buttonbar]\r\nButtoncount=3\r\ncmd1=a.exe\r\ncmd2=a.exe\r\n"
                            "cmd3=b.exe\r\n",
                    one = "[Buttonbar]\r\nButtoncount=2\r\ncmd1=a.exe\r\ncmd2=b.exe\r\n";
  WriteBytes(dir / "base.bar", twins);
  WriteBytes(dir / "ours.bar", one);
  WriteBytes(dir / "theirs.bar", one);
  const auto merge = Cli({"merge", (dir / "base.bar").string(), (dir / "ours.bar").string(),
                          (dir / "theirs.bar").string()});
  EXPECT_EQ(merge.status, 1);
  EXPECT_NE(merge.err.find("conflict: button 2 of the base \"a.exe\": equal buttons nearby"),
            std::string::npos)
      << merge.err;
  EXPECT_EQ(ReadBytes(dir / "ours.bar"), one);
}

// A repository in a temporary folder where git finds the built corvane-cli and no
// configuration of the user's.
class GitMerge : public ::testing::Test {
protected:
  void SetUp() override {
    const std::optional<std::string> found = testsupport::FindOnPath("git");
    if (!found)
      GTEST_SKIP() << "git is not installed";
    git = *found;
    Git({"init", "-q", "-b", "main"});
    Git({"config", "user.name", "Test"});
    Git({"config", "user.email", "test@example.invalid"});
    // The set-up lines of the README, as written there.
    WriteBytes(repo / ".gitattributes", "*.bar merge=tcbar\n");
    Git({"config", "merge.tcbar.driver", "corvane-cli merge %O %A %B -o %A"});
    Commit(ThreeButtons, "base");
  }

  ProcessResult Git(const std::vector<std::string> &args) {
    std::vector<std::string> all = {"-C", repo.string()};
    all.insert(all.end(), args.begin(), args.end());
    return RunProcess(git, all);
  }
  void Commit(const std::string &bar, const std::string &message) {
    WriteBytes(repo / "my.bar", bar);
    ASSERT_EQ(Git({"add", "-A"}).status, 0);
    ASSERT_EQ(Git({"commit", "-q", "-m", message}).status, 0);
  }
  // Changes the bar on a branch of its own and on main, then merges the branch.
  ProcessResult MergeBranches(const std::vector<std::string> &theirs,
                              const std::vector<std::string> &ours) {
    Git({"checkout", "-q", "-b", "theirs"});
    Edit(theirs);
    Git({"checkout", "-q", "main"});
    Edit(ours);
    return Git({"merge", "-q", "--no-edit", "theirs"});
  }
  void Edit(std::vector<std::string> operations) {
    operations.insert(operations.begin(), {"edit", (repo / "my.bar").string()});
    ASSERT_EQ(Cli(operations).status, 0);
    ASSERT_EQ(Git({"commit", "-q", "-am", "edit"}).status, 0);
  }
  nlohmann::json Loaded() {
    const auto shown = Cli({"show", (repo / "my.bar").string(), "--json"});
    EXPECT_EQ(shown.status, 0) << shown.err;
    return nlohmann::json::parse(shown.out)["buttons"];
  }

  TempDir dir;
  std::string git;
  std::filesystem::path repo = dir.path();
  ScopedEnv home{"HOME", dir.path()};
  ScopedEnv noSystem{"GIT_CONFIG_NOSYSTEM", "1"};
  ScopedEnv path{"PATH", (std::filesystem::path(CORVANE_CLI).parent_path().string() +
                          testsupport::kSearchPathSeparator + std::getenv("PATH"))
                             .c_str()};
};

TEST_F(GitMerge, ChangesOfDifferentButtonsMergeThroughTheDriver) {
  // A UTF-16 bar, a binary file to git, stays one.
  Commit(testsupport::Utf16File(u"[Buttonbar]\r\nButtoncount=2\r\ncmd1=a.exe\r\n"
                                u"menu1=\u0420\u0435\u0434\r\ncmd2=b.exe\r\n"),
         "UTF-16");
  // The insertion renumbers every key after it: a conflict for a merge of lines.
  const auto merge = MergeBranches({"--set", "2", "tooltip", "Theirs"},
                                   {"--insert", "1", "--set", "1", "command", "new.exe"});
  ASSERT_EQ(merge.status, 0) << merge.out << merge.err;
  EXPECT_EQ(ReadBytes(repo / "my.bar").substr(0, 2), "\xff\xfe");
  const auto buttons = Loaded();
  ASSERT_EQ(buttons.size(), 3u);
  EXPECT_EQ(buttons[0]["command"], "new.exe");
  EXPECT_EQ(buttons[1]["tooltip"], "\u0420\u0435\u0434");
  EXPECT_EQ(buttons[2]["tooltip"], "Theirs");
}

TEST_F(GitMerge, ConflictFailsTheMergeLeavingALoadableBar) {
  const auto merge =
      MergeBranches({"--set", "2", "tooltip", "Theirs"}, {"--set", "2", "tooltip", "Ours"});
  EXPECT_NE(merge.status, 0);
  EXPECT_NE((merge.out + merge.err)
                .find("conflict: button 2 \"Ours\", menu: ours \"Ours\", "
                      "theirs \"Theirs\""),
            std::string::npos)
      << merge.out << merge.err;
  EXPECT_EQ(ReadBytes(repo / "my.bar").find("<<<<"), std::string::npos);
  const auto buttons = Loaded();
  ASSERT_EQ(buttons.size(), 3u);
  EXPECT_EQ(buttons[1]["tooltip"], "Ours");
}

} // namespace
