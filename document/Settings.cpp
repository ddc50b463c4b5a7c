// The program's settings file "Corvane.ini".
#include "document/Settings.h"

#include "document/Globals.h"
#include "document/HostPaths.h"
#include "document/Translation.h"
#include "platform/CodePage.h"
#include "platform/Profile.h"

namespace {

// Text values are read through a buffer of this many characters, the last for the end.
constexpr uint32_t ValueBuffer = 260;

// Spelled "Main" by the readers of "LocalizedInc" and "CodePage", "main" by the others:
// the profile functions compare section names without regard to case.
const char *const MainSection = "main";

std::string ReadText(const std::string &exeFileName, const char *key, const char *defaultValue) {
  return platform::ReadProfileString(MainSection, key, defaultValue, SettingsFileName(exeFileName),
                                     ValueBuffer);
}

int ReadNumber(const std::string &exeFileName, const char *key, int defaultValue) {
  return platform::ReadProfileInt(MainSection, key, defaultValue, SettingsFileName(exeFileName));
}

} // namespace

std::string SettingsFileName(const std::string &exeFileName) {
  return ExtractFilePath(exeFileName) + "Corvane.ini";
}

std::string SettingsFileName() {
  return SettingsFileName(ExeFileName);
}

std::string LanguageSetting(const std::string &exeFileName) {
  return ReadText(exeFileName, "Language", "English");
}

uint8_t DefaultCacheSetting(const std::string &exeFileName) {
  return static_cast<uint8_t>(ReadNumber(exeFileName, "DefaultCache", 0));
}

int UseBarIclIconsSetting(const std::string &exeFileName) {
  return ReadNumber(exeFileName, "UseBarIclIcons", 1);
}

bool AskToSaveOnExitSetting(const std::string &exeFileName) {
  return ReadNumber(exeFileName, "AskToSaveOnExit", 0) != 0;
}

std::string DefIconLibSetting(const std::string &exeFileName) {
  return ReadText(exeFileName, "DefIconLib", "WCMICONS.DLL");
}

std::string WincmdSetting(const std::string &exeFileName) {
  return ReadText(exeFileName, "wincmd", "");
}

std::string CommanderPathSetting(const std::string &exeFileName) {
  return ReadText(exeFileName, "commander_path", "");
}

std::string LocalizedIncSetting(const std::string &exeFileName) {
  return ReadText(exeFileName, "LocalizedInc", "");
}

int CodePageSetting(const std::string &exeFileName) {
  return ReadNumber(exeFileName, "CodePage", 0);
}

std::vector<std::string> PathMenuLines(const std::string &exeFileName) {
  std::vector<std::string> lines = LoadLines(SettingsFileName(exeFileName));
  ExtractMenuSection(lines, "[paths]");
  return lines;
}

void ApplyCodePageSetting(const std::string &exeFileName) {
  if (!platform::SetSystemCodePage(CodePageSetting(exeFileName)))
    platform::SetSystemCodePage(0);
  platform::FlushProfileCache();
}

void ApplyCodePageSetting() {
  ApplyCodePageSetting(ExeFileName);
}
