// Bars kept in git: a repository set up as the README says, with the built corvane-cli
// found on the search path as git finds it.
#include "support/RunProcess.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

using testsupport::ProcessResult;
using testsupport::RunProcess;
using testsupport::ScopedEnv;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

std::string PathWithCli() {
  const char *path = std::getenv("PATH");
  return std::filesystem::path(CORVANE_CLI).parent_path().string() +
         testsupport::kSearchPathSeparator + (path ? path : "");
}

// A fresh repository with the README's two set-up lines. Git reads no configuration of
// the machine or the user, and never starts a pager.
class GitRepository : public ::testing::Test {
protected:
  void SetUp() override {
    const std::optional<std::string> found = testsupport::FindOnPath("git");
    if (!found)
      GTEST_SKIP() << "git is not installed";
    git_ = *found;
    Git({"init", "-q"});
    Git({"config", "user.name", "Corvane Test"});
    Git({"config", "user.email", "test@corvane.invalid"});
    WriteBytes(dir / ".gitattributes", "*.bar diff=tcbar\n");
    Git({"config", "diff.tcbar.textconv", "corvane-cli show --text"});
  }

  ProcessResult Git(std::vector<std::string> args) {
    args.insert(args.begin(), {"-C", dir.path().string(), "-c", "core.pager=cat"});
    ProcessResult result = RunProcess(git_, args);
    EXPECT_EQ(result.status, 0) << args[4] << ": " << result.err;
    return result;
  }
  void Commit(const std::string &message) {
    Git({"add", "-A"});
    Git({"commit", "-q", "-m", message});
  }

  TempDir dir;

private:
  ScopedEnv path_{"PATH", PathWithCli().c_str()}, global_{"GIT_CONFIG_GLOBAL", "/dev/null"},
      system_{"GIT_CONFIG_NOSYSTEM", "1"};
  std::string git_;
};

// The lines a diff removes and adds, without the file headers.
struct Changes {
  std::vector<std::string> removed, added;
};
Changes ChangedLines(const std::string &diff) {
  Changes changes;
  std::stringstream lines(diff);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("---", 0) == 0 || line.rfind("+++", 0) == 0)
      continue;
    if (line.rfind('-', 0) == 0)
      changes.removed.push_back(line.substr(1));
    else if (line.rfind('+', 0) == 0)
      changes.added.push_back(line.substr(1));
  }
  return changes;
}

std::string Utf16Bar(const std::u16string &buttons, int count) {
  return testsupport::Utf16File(u"[Buttonbar]\r\nButtoncount=" +
                                std::u16string(1, char16_t(u'0' + count)) + u"\r\n" + buttons);
}

const std::u16string First = u"cmd1=cm_CopyOtherpanel\r\nmenu1=Копировать\r\n";
const std::u16string Rest = u"button2=wcmicons.dll,3\r\ncmd2=notepad.exe\r\n"
                            u"cmd3=cm_Exit\r\nmenu3=Выход\r\n";
// The same two buttons a place further on, once a button is inserted before them.
const std::u16string RestMoved = u"button3=wcmicons.dll,3\r\ncmd3=notepad.exe\r\n"
                                 u"cmd4=cm_Exit\r\nmenu4=Выход\r\n";

TEST_F(GitRepository, DiffOfUtf16BarShowsOneChangedFieldAsOneChangedLine) {
  WriteBytes(dir / "main.bar", Utf16Bar(First + Rest, 3));
  Commit("a bar");
  std::u16string changed = First + Rest;
  changed.replace(changed.find(u"Выход"), 5, u"Выйти");
  WriteBytes(dir / "main.bar", Utf16Bar(changed, 3));

  const Changes changes = ChangedLines(Git({"diff"}).out);
  EXPECT_EQ(changes.removed, std::vector<std::string>{"  tooltip: Выход"});
  EXPECT_EQ(changes.added, std::vector<std::string>{"  tooltip: Выйти"});

  Commit("a tooltip");
  const Changes logged = ChangedLines(Git({"log", "-p", "-1"}).out);
  EXPECT_EQ(logged.removed, std::vector<std::string>{"  tooltip: Выход"});
  EXPECT_EQ(logged.added, std::vector<std::string>{"  tooltip: Выйти"});
}

TEST_F(GitRepository, ButtonInsertedInTheMiddleIsOnlyAddedLines) {
  WriteBytes(dir / "main.bar", Utf16Bar(First + Rest, 3));
  Commit("a bar");
  WriteBytes(dir / "main.bar", Utf16Bar(First + u"cmd2=cm_Find\r\nmenu2=Поиск\r\n" + RestMoved, 4));

  Changes changes = ChangedLines(Git({"diff"}).out);
  EXPECT_TRUE(changes.removed.empty());
  std::sort(changes.added.begin(), changes.added.end());
  EXPECT_EQ(changes.added,
            (std::vector<std::string>{"  command: cm_Find", "  tooltip: Поиск", "button"}));
}

} // namespace
