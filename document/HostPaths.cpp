// Unit misk: the host environment and paths.
#include "document/HostPaths.h"

#include "document/Settings.h"

#include "platform/Clipboard.h"
#include "platform/CodePage.h"
#include "platform/Environment.h"
#include "platform/HostFiles.h"
#include "platform/Profile.h"
#include "platform/Shell.h"
#include "platform/TextRules.h"
#include "platform/WinePrefix.h"
#include "platform/WineRegistry.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <utility>
#include <vector>

namespace {

// Settings values and environment values read through fixed buffers arrive with at
// most this many characters less one.
constexpr uint32_t kValueBuffer = 260;

// Whether the last character is a backslash, not the second byte of a two-byte one.
bool EndsWithBackslash(const std::string &text) {
  return !text.empty() && platform::FindLastCharOf(text, "\\") == text.size() - 1;
}

std::string WithoutTrailingBackslash(std::string dir) {
  if (EndsWithBackslash(dir))
    dir.pop_back();
  return dir;
}

constexpr std::string_view kCommanderPathReference = "%COMMANDER_PATH%";

// The position of the first "%COMMANDER_PATH%" in the text, in any letter case; npos when
// there is none. "%" never stands inside a character, and the reference is compared in
// place, as a case change may alter the length of marked text before it.
size_t FindCommanderPathReference(const std::string &text) {
  const std::string mark(platform::IsMarked(text) ? platform::Utf8Mark : "");
  const std::string reference = mark + std::string(kCommanderPathReference);
  for (size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at + 1))
    if (platform::EqualNoCase(mark + text.substr(at, kCommanderPathReference.size()), reference))
      return at;
  return std::string::npos;
}

// An environment variable read through a buffer of kValueBuffer characters: a value that
// does not fit is not read at all, as the platform then fills nothing.
std::string EnvironmentThroughBuffer(const char *name) {
  char buffer[kValueBuffer] = {};
  const uint32_t length = platform::GetEnvironmentVariableA(name, buffer, kValueBuffer);
  return length < kValueBuffer ? std::string(buffer, length) : std::string();
}

// Records a step when the caller asked for a trace.
void Note(ResolveTrace *trace, ResolveRule rule, const std::string &name, bool exists = false,
          const std::string &found = {}) {
  if (trace)
    trace->push_back({rule, name, exists, found});
}

// The name when a file of that name exists; a tried name goes into the trace.
std::optional<std::string> ExistingFile(ResolveTrace *trace, ResolveRule rule,
                                        const std::string &name) {
  const bool exists = platform::FileExists(name);
  Note(trace, rule, name, exists);
  return exists ? std::optional<std::string>(name) : std::nullopt;
}

std::optional<std::string> OnSearchPath(ResolveTrace *trace, const std::string &name) {
  auto hit = SearchPathDirs(name);
  if (hit && !platform::FileExists(*hit))
    hit.reset();
  Note(trace, ResolveRule::OnSearchPath, name, hit.has_value(), hit.value_or(""));
  return hit;
}

// Tries the name with each executable extension in order, with the given lookup.
template <typename Lookup>
std::optional<std::string> WithExtensions(const std::string &name, Lookup lookup) {
  for (std::string_view ext : ExecutableExtensions)
    if (auto hit = lookup(name + std::string(ext)))
      return hit;
  return std::nullopt;
}

// A string value of a registry file of the Wine prefix ("system.reg", "user.reg") as a
// text of the core; empty when there is no prefix, file, key or value.
std::string PrefixRegistryText(const char *hive, const std::string &key, const char *value) {
  const std::string prefix = platform::WinePrefixDir();
  if (prefix.empty())
    return std::string();
  const auto found = platform::ReadWineRegistryValue(prefix + "/" + hive, key, value);
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
        const std::string text = PrefixRegistryText("system.reg", path, value);
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

// How ResolveFile found a file: the rule of its last step.
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

// Total Commander's program in its folder, 64-bit first; empty when neither is there.
std::string CommanderProgram(const std::string &dir) {
  if (dir.empty())
    return std::string();
  for (const char *program : {"\\TOTALCMD64.EXE", "\\TOTALCMD.EXE"}) {
    const std::string file = platform::JoinTexts({dir, program});
    if (platform::FileExists(file))
      return file;
  }
  return std::string();
}

// The drive of a name ("C:"), empty when it names none. A marked name's drive starts
// after its mark.
std::string DriveOf(const std::string &name) {
  const size_t at = platform::IsMarked(name) ? platform::Utf8Mark.size() : 0;
  const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  return name.size() >= at + 2 && isLetter(name[at]) && name[at + 1] == ':' ? name.substr(at, 2)
                                                                            : std::string();
}

} // namespace

int StrToInt(const std::string &text) {
  size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ')
    ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
    negative = text[pos++] == '-';
  const size_t firstDigit = pos;
  int64_t value = 0;
  for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
    value = value * 10 + (text[pos] - '0');
    if (value > static_cast<int64_t>(INT_MAX) + 1)
      break;
  }
  if (negative)
    value = -value;
  if (pos == firstDigit || pos != text.size() || value > INT_MAX || value < INT_MIN)
    throw EConvertError("'" + text + "' is not a valid integer value");
  return static_cast<int>(value);
}

std::string FileExtension(const std::string &name) {
  const size_t cut = platform::FindLastCharOf(name, ".\\:");
  return (cut != std::string::npos && name[cut] == '.') ? platform::TextPiece(name, cut)
                                                        : std::string();
}

std::string ChangeFileExt(const std::string &name, const std::string &ext) {
  const size_t cut = platform::FindLastCharOf(name, ".\\:");
  const bool hasExt = cut != std::string::npos && name[cut] == '.';
  return platform::JoinTexts({hasExt ? platform::TextPiece(name, 0, cut) : name, ext});
}

std::string ExtractFilePath(const std::string &name) {
  const size_t cut = platform::FindLastCharOf(name, "\\:");
  return cut == std::string::npos ? std::string() : platform::TextPiece(name, 0, cut + 1);
}

std::string ExtractFileName(const std::string &name) {
  const size_t cut = platform::FindLastCharOf(name, "\\:");
  return cut == std::string::npos ? name : platform::TextPiece(name, cut + 1);
}

std::string GetEnvironment(const std::string &name) {
  return platform::EnvironmentValue(name).value_or(std::string());
}

std::string VariableValue(const std::string &ExeFileName, const std::string &name) {
  const std::string upper = platform::UpperText(name);
  if (upper == "COMMANDER_PATH")
    return FindCommanderPath(ExeFileName);
  if (upper == "COMMANDER_INI")
    return FindWincmdIni(ExeFileName);
  if (upper == "COMMANDER_EXE")
    return CommanderProgram(FindCommanderPath(ExeFileName));
  if (upper == "COMMANDER_DRIVE")
    return DriveOf(FindCommanderPath(ExeFileName));
  return GetEnvironment(name);
}

std::vector<std::string> UnsetVariables(const std::string &ExeFileName, const std::string &text) {
  std::vector<std::string> unset;
  size_t open = text.find('%');
  while (open != std::string::npos) {
    const size_t close = text.find('%', open + 1);
    if (close == std::string::npos)
      break;
    const std::string name = platform::TextPiece(text, open + 1, close - open - 1);
    // Text between two references ("%A%\%B%") names no variable, though Windows pairs it.
    const bool namesOne = !name.empty() && name.find_first_of("\\ ") == std::string::npos;
    if (namesOne && !VariableValue(ExeFileName, name).empty()) {
      open = text.find('%', close + 1);
      continue;
    }
    if (namesOne && std::none_of(unset.begin(), unset.end(), [&name](const std::string &seen) {
          return platform::EqualNoCase(seen, name);
        }))
      unset.push_back(name);
    // As Windows expands: the closing "%" of an unset name may open the next reference.
    open = close;
  }
  return unset;
}

std::string CommanderPathNamingNoFolder() {
  const std::string dir = EnvironmentThroughBuffer("COMMANDER_PATH");
  return dir.empty() || platform::DirectoryExists(WithoutTrailingBackslash(dir)) ? std::string()
                                                                                 : dir;
}

HostLocation LocateCommanderPath(const std::string &ExeFileName) {
  std::string dir = EnvironmentThroughBuffer("COMMANDER_PATH");
  if (!dir.empty()) {
    dir = WithoutTrailingBackslash(dir);
    if (platform::DirectoryExists(dir))
      return {AsWindowsName(dir), FoundBy::Environment, "COMMANDER_PATH"};
  }
  dir = WithoutTrailingBackslash(CommanderPathSetting(ExeFileName));
  if (!dir.empty() && platform::DirectoryExists(dir))
    return {AsWindowsName(dir), FoundBy::Setting, SettingsFileName(ExeFileName)};
  if (auto installed = FromUninstallEntries())
    return *installed;
  return FromUsualFolders().value_or(HostLocation{});
}

std::string FindCommanderPath(const std::string &ExeFileName) {
  return LocateCommanderPath(ExeFileName).Name;
}

HostLocation LocateWincmdIni(const std::string &ExeFileName) {
  const std::string fromEnvironment = GetEnvironment("COMMANDER_INI");
  if (!fromEnvironment.empty())
    return {fromEnvironment, FoundBy::Environment, "COMMANDER_INI"};
  ResolveTrace trace;
  const std::string resolved = ResolveFile(ExeFileName, "wincmd.ini", &trace);
  if (!trace.empty() && trace.back().Rule != ResolveRule::NothingFound)
    return {resolved, FoundByResolveStep(trace), ""};
  const std::string setting = WincmdSetting(ExeFileName);
  if (!setting.empty())
    return {setting, FoundBy::Setting, SettingsFileName(ExeFileName)};
  return FromApplicationData().value_or(HostLocation{});
}

std::string FindWincmdIni(const std::string &ExeFileName) {
  return LocateWincmdIni(ExeFileName).Name;
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

std::string FindLocalizedCommandList(const std::string &ExeFileName) {
  const std::string languageIni = platform::ReadProfileString(
      "Configuration", "LanguageIni", "", FindWincmdIni(ExeFileName), kValueBuffer);
  const std::string name = ChangeFileExt(languageIni, ".inc");
  const std::string commanderPath = FindCommanderPath(ExeFileName);
  // Without Total Commander's directory the name, holding a backslash, stays relative
  // to the current directory.
  const std::string candidate =
      commanderPath.empty() ? ResolveFile(ExeFileName, platform::JoinTexts({"Language\\", name}))
                            : platform::JoinTexts({commanderPath, "\\Language\\", name});
  if (platform::FileExists(candidate))
    return candidate;
  return LocalizedIncSetting(ExeFileName);
}

std::string ExpandEnvironmentReference(const std::string &ExeFileName, const std::string &text) {
  // An unset variable keeps its reference as written, so that the name finds nothing
  // rather than a folder the rest of the name happens to name (%USERPROFILE%\etc\).
  const size_t commander = FindCommanderPathReference(text);
  if (commander != std::string::npos) {
    const std::string dir = FindCommanderPath(ExeFileName);
    if (dir.empty())
      return text;
    return platform::JoinTexts(
        {text.substr(0, commander), dir,
         platform::TextPiece(text, commander + kCommanderPathReference.size())});
  }
  const size_t open = text.find('%');
  if (open == std::string::npos)
    return text;
  const size_t close = text.find('%', open + 1);
  if (close == std::string::npos)
    return text.substr(0, open) + text.substr(open + 1);
  const std::string value =
      VariableValue(ExeFileName, platform::TextPiece(text, open + 1, close - open - 1));
  if (value.empty())
    return text;
  return platform::JoinTexts({text.substr(0, open), value, platform::TextPiece(text, close + 1)});
}

std::string RemoveQuotes(const std::string &text) {
  std::string out(text);
  out.erase(std::remove(out.begin(), out.end(), '"'), out.end());
  return out;
}

namespace {

// Whether a name says where it is without a base folder: a drive ("C:\x", also "C:x"), a
// root or network name ("\x", "\\server\x"), or a host path ("/x").
bool IsRootedName(const std::string &name) {
  const size_t at = platform::IsMarked(name) ? platform::Utf8Mark.size() : 0;
  if (at + 1 < name.size() && name[at + 1] == ':' &&
      ((name[at] >= 'A' && name[at] <= 'Z') || (name[at] >= 'a' && name[at] <= 'z')))
    return true;
  return at < name.size() && (name[at] == '\\' || name[at] == '/');
}

// What ResolveFile makes of a name, and whether that is the lookup's answer: false for a
// relative name no place holds, which a start path may still find.
struct Lookup {
  std::string Name;
  bool Answered = true;
};

Lookup LookUpName(const std::string &ExeFileName, const std::string &fileName,
                  ResolveTrace *trace) {
  if (fileName.find('%') != std::string::npos) {
    std::string expanded = ExpandEnvironmentReference(ExeFileName, fileName);
    Note(trace, ResolveRule::Expanded, expanded);
    return {std::move(expanded)};
  }
  const std::string s = RemoveQuotes(fileName);
  if (s != fileName)
    Note(trace, ResolveRule::Unquoted, s);
  const bool holdsFolder = platform::FindChar(s, '\\') != std::string::npos;
  if (IsRootedName(s)) {
    Note(trace, ResolveRule::RootedName, s);
    return {s};
  }
  const std::string commanderPath = FindCommanderPath(ExeFileName);
  if (commanderPath.empty()) {
    Note(trace, ResolveRule::NoCommanderPath, s);
    // Without Total Commander's folder a relative name has no base of its own.
    if (holdsFolder)
      return {s, false};
  }
  const std::string inCommander = platform::JoinTexts({commanderPath, "\\", s});
  if (holdsFolder) {
    // A relative name with folders is Total Commander's, as it reads its bars' names.
    const bool exists =
        ExistingFile(trace, ResolveRule::RelativeInCommanderPath, inCommander).has_value();
    return {inCommander, exists};
  }
  if (!commanderPath.empty() && ExistingFile(trace, ResolveRule::InCommanderPath, inCommander))
    return {inCommander};
  const bool hasExt = !FileExtension(s).empty();
  auto onSearchPath = [trace](const std::string &name) { return OnSearchPath(trace, name); };
  if (auto hit = hasExt ? onSearchPath(s) : WithExtensions(s, onSearchPath))
    return {*hit};
  if (!commanderPath.empty()) {
    // A program kept in a folder of its own name below Total Commander's directory.
    const std::string inFolder = platform::JoinTexts({inCommander, "\\", s});
    auto inOwnFolder = [trace](const std::string &name) {
      return ExistingFile(trace, ResolveRule::InFolderOfItsName, name);
    };
    if (!hasExt)
      if (auto hit = WithExtensions(inFolder, inOwnFolder))
        return {*hit};
    if (inOwnFolder(inFolder))
      return {inFolder};
  }
  // Where Total Commander would have it: no file there, whatever the current folder holds.
  const std::string &missing = commanderPath.empty() ? s : inCommander;
  Note(trace, ResolveRule::NothingFound, missing);
  return {missing, false};
}

} // namespace

std::string ResolveFile(const std::string &ExeFileName, const std::string &fileName,
                        ResolveTrace *trace) {
  return LookUpName(ExeFileName, fileName, trace).Name;
}

std::string ResolveWithStartPath(const std::string &ExeFileName, const std::string &fileName,
                                 const std::string &startPath, ResolveTrace *trace) {
  Lookup found = LookUpName(ExeFileName, fileName, trace);
  if (found.Answered) {
    Note(trace, ResolveRule::StartPathUnused, found.Name);
    return found.Name;
  }
  std::string path = RemoveQuotes(startPath);
  if (path.empty())
    return found.Name;
  if (path.find('%') != std::string::npos)
    path = ExpandEnvironmentReference(ExeFileName, path);
  // A relative start path is relative to the panel Total Commander shows, which is not
  // known here; the current folder is not it.
  if (!IsRootedName(path)) {
    Note(trace, ResolveRule::StartPathNotRooted, path);
    return found.Name;
  }
  // No separator goes between them: start paths are written with their trailing backslash.
  const std::string candidate =
      platform::JoinTexts({path, platform::LowerText(RemoveQuotes(fileName))});
  return ExistingFile(trace, ResolveRule::AfterStartPath, candidate) ? candidate : found.Name;
}

std::optional<std::string> SearchPathDirs(const std::string &fileName) {
  if (fileName.empty())
    return std::nullopt;
  std::vector<std::string> dirs;
  SplitSearchPath(dirs);
  for (const std::string &dir : dirs) {
    const std::string candidate =
        platform::JoinTexts({dir, EndsWithBackslash(dir) ? "" : "\\", fileName});
    if (platform::FileExists(candidate))
      return candidate;
  }
  return std::nullopt;
}

int SplitSearchPath(std::vector<std::string> &list) {
  const std::string path = GetEnvironment("Path");
  if (path.empty())
    return 0;
  list.clear();
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(';', start);
    if (end == std::string::npos)
      end = path.size();
    if (end > start)
      list.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return static_cast<int>(list.size());
}

std::string IconFilePart(const std::string &reference) {
  const std::string lower = platform::LowerText(reference);
  return platform::TextPiece(lower, 0, lower.find(','));
}

std::string IconFileAsWritten(const std::string &reference) {
  return platform::TextPiece(reference, 0, platform::FindChar(reference, ','));
}

int IconIndexPart(const std::string &reference) {
  const size_t comma = reference.rfind(',');
  if (comma == std::string::npos)
    return 0;
  std::string digits;
  for (size_t i = comma + 1; i < reference.size(); ++i)
    if (reference[i] >= '0' && reference[i] <= '9')
      digits += reference[i];
  return digits.empty() ? 0 : StrToInt(digits);
}

std::string ExecutableBufferText(const char *buffer, size_t size) {
  std::string text(buffer, size);
  size_t pairAt = size;
  for (size_t i = 0; i + 1 < size; ++i) {
    if (text[i] == '\0' && text[i + 1] == '\0') {
      pairAt = i;
      break;
    }
  }
  for (size_t i = 0; i < pairAt; ++i)
    if (text[i] == '\0')
      text[i] = ' ';
  return text.substr(0, text.find('\0'));
}

std::string FindAssociatedExecutable(const std::string &document, const std::string &directory) {
  char buffer[platform::kShellResultSize + 1] = {};
  const intptr_t answer = platform::FindExecutableA(
      document.c_str(), directory.empty() ? nullptr : directory.c_str(), buffer);
  if (answer <= 32)
    return std::string();
  return ExecutableBufferText(buffer, sizeof buffer);
}

std::string WindowsDirectory() {
  char buffer[261] = {};
  const uint32_t length = platform::GetWindowsDirectoryA(buffer, sizeof buffer);
  return length < sizeof buffer ? std::string(buffer, length) : std::string();
}

bool PutClipboardText(void * /*window*/, const std::string &text) {
  platform::ClipboardBackend &clipboard = platform::Clipboard();
  if (!clipboard.Open())
    return false;
  // The text travels with its terminating zero, so a reader sees it up to the first one.
  if (clipboard.Empty())
    clipboard.SetText(text.substr(0, text.find('\0')));
  clipboard.Close();
  return true;
}

std::string GetClipboardText(void * /*window*/) {
  platform::ClipboardBackend &clipboard = platform::Clipboard();
  // A clipboard another owner holds open gives no data, and closing it is not ours to do.
  if (!clipboard.Open())
    return std::string();
  std::optional<std::string> text = clipboard.GetText();
  clipboard.Close();
  return text ? text->substr(0, text->find('\0')) : std::string();
}
