// The program's settings file "Corvane.ini".
#include "document/Settings.h"

#include "document/FileNames.h"
#include "platform/CodePage.h"
#include "platform/HostFiles.h"
#include "platform/HostPathText.h"
#include "platform/Process.h"
#include "platform/Profile.h"

#include <filesystem>
#include <system_error>

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

// The settings shipped with the program, beside the executable.
std::string InstalledSettingsFileName(const std::string &exeFileName) {
  return ExtractFilePath(exeFileName) + "Corvane.ini";
}

} // namespace

bool RunsInstalled(const std::string &exeFileName) {
  return platform::FileExists(ExtractFilePath(exeFileName) + "corvane.installed");
}

std::string UserSettingsFileName() {
  const std::string folder = platform::UserSettingsHostFolder();
  return folder.empty() ? std::string() : platform::WindowsName(folder + "/Corvane.ini");
}

std::string SettingsFileName(const std::string &exeFileName) {
  if (RunsInstalled(exeFileName)) {
    const std::string own = UserSettingsFileName();
    if (!own.empty() && platform::FileExists(own))
      return own;
  }
  return InstalledSettingsFileName(exeFileName);
}

std::optional<std::string> PrepareSettingsFile(const std::string &exeFileName) {
  if (!RunsInstalled(exeFileName))
    return std::nullopt;
  const std::string folder = platform::UserSettingsHostFolder();
  if (folder.empty())
    return "no folder for the user's settings: " + platform::NoUserSettingsFolderReason();
  const std::string own = platform::WindowsName(folder + "/Corvane.ini");
  if (platform::FileExists(own))
    return std::nullopt;
  const auto defaults = platform::ReadFileBytes(InstalledSettingsFileName(exeFileName));
  if (!defaults)
    return std::nullopt; // nothing to copy: every setting keeps its built-in default
  std::error_code error;
  std::filesystem::create_directories(platform::HostFsPath(folder), error);
  if (error)
    return "cannot make the folder " + platform::WindowsName(folder) + ": " + error.message();
  try {
    platform::WriteFileAtomic(own, *defaults);
  } catch (const platform::EFileWriteError &failure) {
    return failure.what();
  }
  platform::FlushProfileCache();
  return std::nullopt;
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

void ApplyCodePageSetting(const std::string &exeFileName) {
  if (!platform::SetSystemCodePage(CodePageSetting(exeFileName)))
    platform::SetSystemCodePage(0);
  platform::FlushProfileCache();
}
