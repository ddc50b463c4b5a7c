// The program's settings file "Corvane.ini": every key with its default, the reading rules
// of its values, the path menu and the code page setting.
#include "document/Settings.h"
#include "document/Translation.h"
#include "platform/CodePage.h"
#include "platform/HostFiles.h"
#include "platform/Profile.h"
#include "support/TestHost.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string_view>
#include <vector>

using testsupport::kUserSettingsBase;
using testsupport::ScopedCodePage;
using testsupport::ScopedEnv;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

class Settings : public ::testing::Test {
protected:
  void Write(const std::string &text) {
    WriteBytes(dir / "prog" / "Corvane.ini", text);
    platform::FlushProfileCache();
  }

  TempDir dir;
  const std::string exe = testsupport::WindowsNameOf((dir / "prog" / "corvane.exe"));
};

// Every key, read as text: its default without the file, its value from a file that spells
// the section in capitals.
TEST_F(Settings, EveryKeyHasItsDefaultAndReadsItsValue) {
  struct Case {
    const char *key;
    std::function<std::string(const std::string &)> read;
    const char *defaultValue;
    const char *value;
    const char *readAs;
  };
  const Case cases[] = {
      {"Language", LanguageSetting, "English", "Deutsch", "Deutsch"},
      {"DefaultCache", [](auto &e) { return std::to_string(DefaultCacheSetting(e)); }, "0", "2",
       "2"},
      {"UseBarIclIcons", [](auto &e) { return std::to_string(UseBarIclIconsSetting(e)); }, "1", "0",
       "0"},
      {"AskToSaveOnExit", [](auto &e) { return std::to_string(AskToSaveOnExitSetting(e)); }, "0",
       "7", "1"},
      {"DefIconLib", DefIconLibSetting, "WCMICONS.DLL", "\"C:\\icons.icl\"", "C:\\icons.icl"},
      {"wincmd", WincmdSetting, "", "C:\\tc\\wincmd.ini", "C:\\tc\\wincmd.ini"},
      {"commander_path", CommanderPathSetting, "", "C:\\tc", "C:\\tc"},
      {"LocalizedInc", LocalizedIncSetting, "", "C:\\tc\\x.inc", "C:\\tc\\x.inc"},
      {"CodePage", [](auto &e) { return std::to_string(CodePageSetting(e)); }, "0", "1251", "1251"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.key);
    Write("[other]\r\nLanguage=x\r\n");
    EXPECT_EQ(c.read(exe), c.defaultValue) << "a key missing from its section";
    Write(std::string("[MAIN]\r\n") + c.key + "=" + c.value + "\r\n");
    EXPECT_EQ(c.read(exe), c.readAs);
  }
  std::filesystem::remove(dir / "prog" / "Corvane.ini");
  platform::FlushProfileCache();
  EXPECT_EQ(LanguageSetting(exe), "English") << "without the file";
}

TEST_F(Settings, TextValuesArriveThroughA260CharacterBuffer) {
  const std::string longName(300, 'a');
  Write("[main]\r\nLanguage=" + longName + "\r\n");
  EXPECT_EQ(LanguageSetting(exe), longName.substr(0, 259));
}

TEST_F(Settings, PathMenuIsTheBodyOfThePathsSection) {
  EXPECT_TRUE(PathMenuLines(exe).empty()) << "without the file";
  Write(
      "[main]\r\nLanguage=English\r\n[Paths]\r\nC:\\Tools\\\r\n;note\r\n\r\n-\r\n[next]\r\nx\r\n");
  EXPECT_EQ(PathMenuLines(exe), (std::vector<std::string>{"C:\\Tools\\", "-"}));
}

TEST_F(Settings, CodePageSettingMakesTheSystemCodePage) {
  const ScopedCodePage restored(1252);
  struct Case {
    const char *name;
    const char *file;
    int codePage; // 0: the detected one
  };
  const Case cases[] = {
      {"a supported code page", "[Main]\r\nCodePage=1251\r\n", 1251},
      {"a code page that is not supported", "[Main]\r\nCodePage=12345\r\n", 0},
      {"no setting", "[Main]\r\n", 0},
  };
  platform::SetSystemCodePage(0);
  const int detected = platform::SystemCodePage();
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    platform::SetSystemCodePage(1252 == detected ? 1251 : 1252);
    Write(c.file);
    ApplyCodePageSetting(exe);
    EXPECT_EQ(platform::SystemCodePage(), c.codePage ? c.codePage : detected);
  }
}

// Where the settings are read from: beside the program in its build folder; an installed
// program (marked so) reads the user's own copy once there is one.
TEST_F(Settings, AnInstalledProgramReadsTheUsersOwnCopy) {
  struct Case {
    const char *what;
    bool installed;
    const char *base;     // the settings base folder below the temporary folder; null: unset
    const char *userCopy; // the folder of the user's Corvane.ini, likewise; null: none
    const char *language;
  };
  std::vector<Case> cases = {
      {"build folder", false, "base", "base/corvane", "Beside"},
      {"installed, before the first start", true, "base", nullptr, "Beside"},
      {"installed", true, "base", "base/corvane", "Own"},
  };
  if (std::string_view(kUserSettingsBase) == "XDG_CONFIG_HOME")
    cases.push_back(
        {"installed, no XDG_CONFIG_HOME: ~/.config", true, nullptr, "home/.config/corvane", "Own"});
  Write("[main]\nLanguage=Beside\n");
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(dir / "base");
    std::filesystem::remove_all(dir / "home");
    std::filesystem::remove(dir / "prog" / "corvane.installed");
    if (c.installed)
      WriteBytes(dir / "prog" / "corvane.installed", "");
    if (c.userCopy)
      WriteBytes(dir / c.userCopy / "Corvane.ini", "[main]\nLanguage=Own\n");
    const std::string base = c.base ? (dir / c.base).string() : "";
    ScopedEnv config(kUserSettingsBase, c.base ? base.c_str() : nullptr);
    ScopedEnv home("HOME", dir / "home");
    platform::FlushProfileCache();
    EXPECT_EQ(LanguageSetting(exe), c.language);
  }
}

TEST_F(Settings, TheFirstStartCopiesTheInstalledDefaults) {
  const std::string defaults = "[main]\nLanguage=Deutsch\n[paths]\nC:\\Tools\\\n";
  Write(defaults);
  ScopedEnv config(kUserSettingsBase, dir / "base");
  const auto own = dir / "base" / "corvane" / "Corvane.ini";
  EXPECT_EQ(PrepareSettingsFile(exe), std::nullopt);
  EXPECT_FALSE(std::filesystem::exists(own)) << "not installed: nothing to copy";

  WriteBytes(dir / "prog" / "corvane.installed", "");
  EXPECT_EQ(PrepareSettingsFile(exe), std::nullopt);
  EXPECT_EQ(testsupport::ReadBytes(own), defaults);
  EXPECT_EQ(SettingsFileName(exe), UserSettingsFileName());
  WriteBytes(own, "[main]\nLanguage=Mine\n");
  EXPECT_EQ(PrepareSettingsFile(exe), std::nullopt);
  platform::FlushProfileCache();
  EXPECT_EQ(LanguageSetting(exe), "Mine") << "the user's copy is kept";

  WriteBytes(dir / "file", "");
  ScopedEnv blocked(kUserSettingsBase, dir / "file");
  EXPECT_NE(PrepareSettingsFile(exe).value_or("").find("cannot make the folder"),
            std::string::npos);
  EXPECT_EQ(LanguageSetting(exe), "Deutsch") << "the installed defaults are read instead";
}

} // namespace
