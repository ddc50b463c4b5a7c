// corvane-cli between a bar's bytes in the system code page and the characters of the
// command line, on systems whose code page comes from the locale, the Wine prefix or
// the program's settings.
#include "support/RunProcess.h"
#include "support/TcInstallation.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <optional>

using testsupport::ProcessResult;
using testsupport::ReadBytes;
using testsupport::RunProcess;
using testsupport::ScopedEnv;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

const std::string Cyrillic = "Основная";
const std::string Cyrillic1251 = "\xCE\xF1\xED\xEE\xE2\xED\xE0\xFF";
const std::string Marked = "\xEF\xBB\xBF";

std::string Bar(const std::string &tooltip) {
  return "[Buttonbar]\r\nButtonCount=1\r\ncmd1=x.exe\r\nmenu1=" + tooltip + "\r\n";
}

// Runs the program on a system of a chosen code page: nothing of the machine's locale or
// Wine prefix counts.
class CodePageSystem : public ::testing::Test {
protected:
  // The locale, and the code page the prefix's registry names (none: nullptr).
  void System(const char *locale, const char *acp = nullptr) {
    program_ = CORVANE_CLI;
    lang_.reset();
    lang_.emplace("LANG", locale);
    std::filesystem::remove(prefix_ / "system.reg");
    if (acp)
      WriteBytes(prefix_ / "system.reg",
                 "WINE REGISTRY Version 2\n\n"
                 "[System\\\\CurrentControlSet\\\\Control\\\\Nls\\\\CodePage]"
                 " 1\n\"ACP\"=\"" +
                     std::string(acp) + "\"\n");
  }
  // The program runs from a folder of its own with "CodePage" set in its Corvane.ini.
  void Setting(int codePage) {
    std::filesystem::create_directories(dir / "prog");
    program_ = (dir / "prog" / "corvane-cli").string();
    std::filesystem::copy_file(CORVANE_CLI, program_,
                               std::filesystem::copy_options::overwrite_existing);
    WriteBytes(dir / "prog" / "Corvane.ini",
               "[Main]\r\nCodePage=" + std::to_string(codePage) + "\r\n");
  }
  ProcessResult Cli(const std::vector<std::string> &args) { return RunProcess(program_, args); }
  std::string Show(const std::string &bar) { return Cli({"show", bar}).out; }

  TempDir dir;
  const std::string bar = (dir / "t.bar").string();

private:
  TempDir prefix_;
  ScopedEnv wine_{"WINEPREFIX", prefix_.path()}, all_{"LC_ALL", nullptr},
      ctype_{"LC_CTYPE", nullptr};
  std::optional<ScopedEnv> lang_;
  std::string program_ = CORVANE_CLI;
};

TEST_F(CodePageSystem, ShowPrintsTextsAsCharacters) {
  struct Case {
    const char *name, *locale, *acp;
    int setting; // 0: no Corvane.ini
    std::string stored, shown;
  } cases[] = {
      {"1251 by the locale", "ru_RU.UTF-8", nullptr, 0, Cyrillic1251, Cyrillic},
      {"1251 by the Wine prefix", "en_US.UTF-8", "1251", 0, Cyrillic1251, Cyrillic},
      {"936 by the locale", "zh_CN.UTF-8", nullptr, 0, "\xD6\xD0\xCE\xC4", "中文"},
      {"the setting over both", "zh_CN.UTF-8", "936", 1251, Cyrillic1251, Cyrillic},
      {"marked UTF-8 on any system", "en_US.UTF-8", nullptr, 0, Marked + Cyrillic, Cyrillic},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    System(c.locale, c.acp);
    if (c.setting)
      Setting(c.setting);
    WriteBytes(bar, Bar(c.stored));
    EXPECT_NE(Show(bar).find("tooltip: " + c.shown + "\n"), std::string::npos) << Show(bar);
    auto json = nlohmann::json::parse(Cli({"show", bar, "--json"}).out);
    EXPECT_EQ(json["buttons"][0]["tooltip"], c.shown);
  }
}

TEST_F(CodePageSystem, BytesPrintsWhatTheBarHolds) {
  System("ru_RU.UTF-8");
  WriteBytes(bar, Bar(Cyrillic1251));
  EXPECT_NE(Cli({"show", bar, "--bytes"}).out.find("tooltip: " + Cyrillic1251 + "\n"),
            std::string::npos);
  // Each byte as the code point of the same value.
  auto json = nlohmann::json::parse(Cli({"show", bar, "--json", "--bytes"}).out);
  EXPECT_EQ(json["buttons"][0]["tooltip"], "Îñíîâíàÿ");
  EXPECT_NE(Cli({"copy", bar, "1", "--bytes"}).out.find("\r\n" + Cyrillic1251 + "\r\n"),
            std::string::npos);
}

TEST_F(CodePageSystem, EditTakesValuesAsUtf8) {
  struct Case {
    const char *name, *locale;
    std::vector<std::string> extra;
    std::string value;
    int status;
    std::string stored, shown;
  } cases[] = {
      {"marked where the code page lacks a character",
       "en_US.UTF-8",
       {},
       Cyrillic,
       0,
       Marked + Cyrillic,
       Cyrillic},
      {"the code page's bytes where it has them",
       "ru_RU.UTF-8",
       {},
       Cyrillic,
       0,
       Cyrillic1251,
       Cyrillic},
      {"--bytes stores the bytes given",
       "en_US.UTF-8",
       {"--bytes"},
       Cyrillic1251,
       0,
       Cyrillic1251,
       "Îñíîâíàÿ"},
      {"bytes that are not UTF-8 are refused", "en_US.UTF-8", {}, Cyrillic1251, 2, "old", "old"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    System(c.locale);
    WriteBytes(bar, Bar("old"));
    std::vector<std::string> args = {"edit", bar, "--set", "1", "tooltip", c.value};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    auto r = Cli(args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(ReadBytes(bar), Bar(c.stored));
    EXPECT_NE(Show(bar).find("tooltip: " + c.shown + "\n"), std::string::npos) << Show(bar);
  }
}

// The tooltip is the fifth line of the clipboard text: a marked one is marked there, not
// at the start of the text.
TEST_F(CodePageSystem, CopyPipedIntoPasteGivesTheSameButton) {
  for (const auto &[locale, stored] :
       {std::pair{"en_US.UTF-8", Marked + Cyrillic}, std::pair{"ru_RU.UTF-8", Cyrillic1251}}) {
    SCOPED_TRACE(locale);
    System(locale);
    WriteBytes(bar, Bar(stored));
    EXPECT_EQ(Cli({"copy", bar, "1"}).out,
              "TOTALCMD#BAR#DATA\r\nx.exe\r\n\r\n\r\n" + Cyrillic + "\r\n\r\n0\r\n-1\r\n");
    auto r = RunProcess("/bin/sh", {"-c", "\"$0\" copy \"$1\" 1 | \"$0\" paste \"$1\" --cache off",
                                    CORVANE_CLI, bar});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(ReadBytes(bar).find("menu2=" + stored + "\r\n"), std::string::npos);
  }
}

TEST_F(CodePageSystem, WordsAndMessagesComeBackAsCharacters) {
  WriteBytes(bar, Bar("old"));
  // The value quoted by the core: in the code page, or marked.
  for (const char *locale : {"ru_RU.UTF-8", "en_US.UTF-8"}) {
    System(locale);
    auto r = Cli({"edit", bar, "--set", "1", "runmode", "Макс"});
    EXPECT_NE(r.err.find(": 'Макс' is not a valid integer value\n"), std::string::npos) << r.err;
  }
  System("ru_RU.UTF-8");
  // A name found nowhere is named where Total Commander would have it, if it is known.
  auto r = Cli({"resolve", "Основная.exe"});
  EXPECT_NE(r.out.find("name: Основная.exe\nresolved: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Основная.exe\nhost path: "), std::string::npos) << r.out;

  // A category named in the code page, found by its name in the other case.
  const testsupport::TcInstallation tc(
      dir / "tc", {.commandList = "[___\xD4\xE0\xE9\xEB\xFB___]=0\r\ncm_Copy=300;x\r\n"});
  auto json = nlohmann::json::parse(Cli({"commands", "--category", "ФАЙЛЫ", "--json"}).out);
  EXPECT_EQ(json["category"], "Файлы");
  EXPECT_EQ(json["rows"].size(), 1u);
}

} // namespace
