// Unit misk (HostPaths): finding Total Commander and wincmd.ini.
#include "document/CommanderLocation.h"

#include "document/FileNames.h"
#include "document/FileSearch.h"
#include "document/HostEnvironment.h"
#include "document/Settings.h"
#include "platform/CodePage.h"
#include "platform/Environment.h"
#include "platform/HostFiles.h"
#include "platform/Registry.h"
#include "platform/TextRules.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace {

// Environment values read through a fixed buffer arrive with at most this many
// characters less one.
constexpr uint32_t kValueBuffer = 260;

std::string WithoutTrailingBackslash(std::string dir) {
  if (EndsWithBackslash(dir))
    dir.pop_back();
  return dir;
}

// An environment variable read through a buffer of kValueBuffer characters: a value that
// does not fit is not read at all, as the platform then fills nothing.
std::string EnvironmentThroughBuffer(const char *name) {
  char buffer[kValueBuffer] = {};
  const uint32_t length = platform::GetEnvironmentVariableA(name, buffer, kValueBuffer);
  return length < kValueBuffer ? std::string(buffer, length) : std::string();
}

// A string value of the machine's registry as a text of the core, as it is stored (an
// expandable one unexpanded); empty when there is no such key or value.
std::string MachineRegistryText(const std::string &key, const char *value) {
  const auto found = platform::ReadRegistryValue(platform::RegistryHive::LocalMachine, key, value);
  return found ? platform::Utf8ToText(found->data) : std::string();
}

// Whether the folder holds Total Commander's program, 32-bit or 64-bit. The folder is
// tried first: most often it is missing, and one look tells so.
bool HoldsTotalCommander(const std::string &dir) {
  return !dir.empty() && platform::DirectoryExists(dir) &&
         (platform::FileExists(platform::JoinTexts({dir, "\\TOTALCMD.EXE"})) ||
          platform::FileExists(platform::JoinTexts({dir, "\\TOTALCMD64.EXE"})));
}

// The file a registry value names in front of what follows it: the quoted part of a
// quoted value, else the text up to and including its first ".exe" (the arguments of
// an "UninstallString" follow it), without an icon index after the file's last
// backslash ("DisplayIcon" holds "file,0").
std::string FileOfCommandValue(const std::string &value) {
  std::string file = value;
  if (!file.empty() && file[0] == '"') {
    const size_t close = file.find('"', 1);
    file = file.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  } else {
    const size_t exe = platform::LowerText(file).find(".exe");
    if (exe != std::string::npos)
      file = file.substr(0, exe + 4);
  }
  const size_t folderEnd = platform::FindLastCharOf(file, "\\");
  const size_t comma = file.rfind(',');
  if (comma != std::string::npos && (folderEnd == std::string::npos || comma > folderEnd))
    file = file.substr(0, comma);
  return file;
}

// The names Total Commander's installers give their uninstall entries, and the keys that
// hold them: a 32-bit installer's go below Wow6432Node on 64-bit Windows.
constexpr const char *kUninstallEntries[] = {"Totalcmd", "Totalcmd64", "Total Commander"};
constexpr const char *kUninstallKeys[] = {
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\",
    "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"};

// The first folder an uninstall entry names that holds Total Commander's program.
std::optional<HostLocation> FromUninstallEntries() {
  for (const char *key : kUninstallKeys)
    for (const char *entry : kUninstallEntries) {
      const std::string path = std::string(key) + entry;
      for (const char *value : {"InstallLocation", "DisplayIcon", "UninstallString"}) {
        const std::string text = MachineRegistryText(path, value);
        if (text.empty())
          continue;
        const std::string dir =
            WithoutTrailingBackslash(std::string_view(value) == "InstallLocation"
                                         ? RemoveQuotes(text)
                                         : ExtractFilePath(FileOfCommandValue(text)));
        if (HoldsTotalCommander(dir))
          return HostLocation{dir, FoundBy::UninstallEntry,
                              "HKEY_LOCAL_MACHINE\\" + path + " \"" + value + "\""};
      }
    }
  return std::nullopt;
}

// The first usual installation folder that holds Total Commander's program.
std::optional<HostLocation> FromUsualFolders() {
  for (const char *dir :
       {"C:\\totalcmd", "C:\\Program Files\\totalcmd", "C:\\Program Files (x86)\\totalcmd"})
    if (HoldsTotalCommander(dir))
      return HostLocation{dir, FoundBy::UsualFolder, ""};
  return std::nullopt;
}

// GHISLER\wincmd.ini in the application data folder of the prefix's user, when it is
// there. APPDATA is the environment's as Wine sets it: the user's "AppData" shell folder,
// else C:\users\<user>\AppData\Roaming.
std::optional<HostLocation> FromApplicationData() {
  const std::string folder = GetEnvironment("APPDATA");
  if (folder.empty())
    return std::nullopt;
  const std::string file =
      platform::JoinTexts({WithoutTrailingBackslash(folder), "\\GHISLER\\wincmd.ini"});
  if (!platform::FileExists(file))
    return std::nullopt;
  return HostLocation{file, FoundBy::ApplicationData, "APPDATA"};
}

// How LookUpBareName found a file: the rule of its last step.
FoundBy FoundByResolveStep(const ResolveTrace &trace) {
  return !trace.empty() && trace.back().Rule == ResolveRule::OnSearchPath
             ? FoundBy::SearchPath
             : FoundBy::CommanderFolder;
}

// A folder given as a host path (COMMANDER_PATH=/home/u/totalcmd) as its Windows name, so
// that the names joined from it are Windows names throughout.
std::string AsWindowsName(const std::string &dir) {
  const size_t start = platform::IsMarked(dir) ? platform::Utf8Mark.size() : 0;
  if (start >= dir.size() || dir[start] != '/')
    return dir;
  const std::string windows = platform::WindowsName(platform::HostPath(dir));
  return windows.empty() ? dir : windows;
}

} // namespace

std::optional<std::string> CommanderPathNamingNoFolder() {
  const std::string dir = EnvironmentThroughBuffer("COMMANDER_PATH");
  if (dir.empty() || platform::DirectoryExists(WithoutTrailingBackslash(dir)))
    return std::nullopt;
  return dir;
}

HostLocation LocateCommanderPath(const std::string &exeFileName) {
  std::string dir = EnvironmentThroughBuffer("COMMANDER_PATH");
  if (!dir.empty()) {
    dir = WithoutTrailingBackslash(dir);
    if (platform::DirectoryExists(dir))
      return {AsWindowsName(dir), FoundBy::Environment, "COMMANDER_PATH"};
  }
  dir = WithoutTrailingBackslash(CommanderPathSetting(exeFileName));
  if (!dir.empty() && platform::DirectoryExists(dir))
    return {AsWindowsName(dir), FoundBy::Setting, SettingsFileName(exeFileName)};
  if (auto installed = FromUninstallEntries())
    return *installed;
  return FromUsualFolders().value_or(HostLocation{});
}

std::string FindCommanderPath(const std::string &exeFileName) {
  return LocateCommanderPath(exeFileName).Name;
}

HostLocation LocateWincmdIni(const std::string &exeFileName) {
  const std::string fromEnvironment = GetEnvironment("COMMANDER_INI");
  if (!fromEnvironment.empty())
    return {fromEnvironment, FoundBy::Environment, "COMMANDER_INI"};
  ResolveTrace trace;
  const FileLookup found = LookUpBareName(FindCommanderPath(exeFileName), "wincmd.ini", &trace);
  if (found.Answered)
    return {found.Name, FoundByResolveStep(trace), ""};
  const std::string setting = WincmdSetting(exeFileName);
  if (!setting.empty())
    return {setting, FoundBy::Setting, SettingsFileName(exeFileName)};
  return FromApplicationData().value_or(HostLocation{});
}

std::string FindWincmdIni(const std::string &exeFileName) {
  return LocateWincmdIni(exeFileName).Name;
}

std::string FoundByText(FoundBy how) {
  switch (how) {
  case FoundBy::Nothing:
    return "not found";
  case FoundBy::Environment:
    return "environment variable";
  case FoundBy::Setting:
    return "setting in Corvane.ini";
  case FoundBy::CommanderFolder:
    return "in Total Commander's folder";
  case FoundBy::SearchPath:
    return "in a folder of the search path";
  case FoundBy::UninstallEntry:
    return "uninstall entry in the Wine prefix";
  case FoundBy::UsualFolder:
    return "usual folder in the Wine prefix";
  case FoundBy::ApplicationData:
    return "application data in the Wine prefix";
  }
  return std::string();
}
