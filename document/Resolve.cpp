// Unit misk (HostPaths): name resolution.
#include "document/Resolve.h"

#include "document/CommanderLocation.h"
#include "document/FileNames.h"
#include "document/HostEnvironment.h"
#include "document/Settings.h"
#include "platform/CodePage.h"
#include "platform/Environment.h"
#include "platform/HostFiles.h"
#include "platform/Profile.h"
#include "platform/TextRules.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace {

// wincmd.ini's values are read through a buffer of this many characters, the last for
// the end.
constexpr uint32_t kValueBuffer = 260;

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

std::string VariableValue(const std::string &exeFileName, const std::string &name) {
  const std::string upper = platform::UpperText(name);
  if (upper == "COMMANDER_PATH")
    return FindCommanderPath(exeFileName);
  if (upper == "COMMANDER_INI")
    return FindWincmdIni(exeFileName);
  if (upper == "COMMANDER_EXE")
    return CommanderProgram(FindCommanderPath(exeFileName));
  if (upper == "COMMANDER_DRIVE")
    return DriveOf(FindCommanderPath(exeFileName));
  // Total Commander's names of the shell's special folders: "%$DESKTOP%".
  if (!upper.empty() && upper[0] == '$')
    return platform::ShellFolderPath(upper.substr(1)).value_or(std::string());
  return GetEnvironment(name);
}

std::vector<std::string> UnsetVariables(const std::string &exeFileName, const std::string &text) {
  std::vector<std::string> unset;
  size_t open = text.find('%');
  while (open != std::string::npos) {
    const size_t close = text.find('%', open + 1);
    if (close == std::string::npos)
      break;
    const std::string name = platform::TextPiece(text, open + 1, close - open - 1);
    // Text between two references ("%A%\%B%") names no variable, though Windows pairs it.
    const bool namesOne = !name.empty() && name.find_first_of("\\ ") == std::string::npos;
    if (namesOne && !VariableValue(exeFileName, name).empty()) {
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

std::string ExpandEnvironmentReference(const std::string &exeFileName, const std::string &text) {
  // Done in UTF-8, so that values in the code page and marked ones join into one text.
  // An unset variable keeps its reference as written, so that the name finds nothing
  // rather than a folder the rest of the name happens to name (%USERPROFILE%\etc\).
  const std::string utf8 = platform::TextToUtf8(text);
  std::string out;
  bool changed = false;
  bool carried = false; // the "%" at pos closed an unset name
  size_t pos = 0;
  while (pos < utf8.size()) {
    const size_t open = utf8.find('%', pos);
    if (open == std::string::npos) {
      out.append(utf8, pos, std::string::npos);
      break;
    }
    out.append(utf8, pos, open - pos);
    const size_t close = utf8.find('%', open + 1);
    if (close == std::string::npos) {
      // A lone "%" names nothing: it goes; the one that closed an unset name stays.
      const bool lone = !(carried && open == pos);
      out.append(utf8, lone ? open + 1 : open, std::string::npos);
      changed = changed || lone;
      break;
    }
    const std::string value =
        VariableValue(exeFileName, platform::Utf8ToText(utf8.substr(open + 1, close - open - 1)));
    if (value.empty()) {
      // As Windows expands: the closing "%" of an unset name may open the next reference.
      out.append(utf8, open, close - open);
      pos = close;
      carried = true;
      continue;
    }
    out += platform::TextToUtf8(value);
    changed = true;
    carried = false;
    pos = close + 1;
  }
  return changed ? platform::Utf8ToText(out) : text;
}

std::string FindLocalizedCommandList(const std::string &exeFileName) {
  const std::string languageIni = platform::ReadProfileString(
      "Configuration", "LanguageIni", "", FindWincmdIni(exeFileName), kValueBuffer);
  const std::string name = ChangeFileExt(languageIni, ".inc");
  const std::string commanderPath = FindCommanderPath(exeFileName);
  // Without Total Commander's directory the name, holding a backslash, stays relative
  // to the current directory.
  const std::string candidate =
      commanderPath.empty() ? ResolveFile(exeFileName, platform::JoinTexts({"Language\\", name}))
                            : platform::JoinTexts({commanderPath, "\\Language\\", name});
  if (platform::FileExists(candidate))
    return candidate;
  return LocalizedIncSetting(exeFileName);
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

// What ResolveFile makes of a name, and whether that is the lookup's answer.
FileLookup LookUpName(const std::string &exeFileName, const std::string &fileName,
                      ResolveTrace *trace) {
  if (fileName.find('%') != std::string::npos) {
    std::string expanded = ExpandEnvironmentReference(exeFileName, fileName);
    NoteStep(trace, ResolveRule::Expanded, expanded);
    return {std::move(expanded)};
  }
  const std::string s = RemoveQuotes(fileName);
  if (s != fileName)
    NoteStep(trace, ResolveRule::Unquoted, s);
  const bool holdsFolder = platform::FindChar(s, '\\') != std::string::npos;
  if (IsRootedName(s)) {
    NoteStep(trace, ResolveRule::RootedName, s);
    return {s};
  }
  const std::string commanderPath = FindCommanderPath(exeFileName);
  if (commanderPath.empty()) {
    NoteStep(trace, ResolveRule::NoCommanderPath, s);
    // Without Total Commander's folder a relative name has no base of its own.
    if (holdsFolder)
      return {s, false};
  }
  if (holdsFolder) {
    const std::string inCommander = platform::JoinTexts({commanderPath, "\\", s});
    // A relative name with folders is Total Commander's, as it reads its bars' names.
    const bool exists =
        TryFile(trace, ResolveRule::RelativeInCommanderPath, inCommander).has_value();
    return {inCommander, exists};
  }
  return LookUpBareName(commanderPath, s, trace);
}

} // namespace

std::string ResolveFile(const std::string &exeFileName, const std::string &fileName,
                        ResolveTrace *trace) {
  return LookUpName(exeFileName, fileName, trace).Name;
}

std::string ResolveWithStartPath(const std::string &exeFileName, const std::string &fileName,
                                 const std::string &startPath, ResolveTrace *trace) {
  FileLookup found = LookUpName(exeFileName, fileName, trace);
  if (found.Answered) {
    NoteStep(trace, ResolveRule::StartPathUnused, found.Name);
    return found.Name;
  }
  std::string path = RemoveQuotes(startPath);
  if (path.empty())
    return found.Name;
  if (path.find('%') != std::string::npos)
    path = ExpandEnvironmentReference(exeFileName, path);
  // A relative start path is relative to the panel Total Commander shows, which is not
  // known here; the current folder is not it.
  if (!IsRootedName(path)) {
    NoteStep(trace, ResolveRule::StartPathNotRooted, path);
    return found.Name;
  }
  // Start paths are mostly written with their trailing backslash, but Total Commander
  // runs the program in the folder either way.
  const std::string candidate =
      platform::JoinTexts({path, EndsWithBackslash(path) || path.back() == '/' ? "" : "\\",
                           platform::LowerText(RemoveQuotes(fileName))});
  return TryFile(trace, ResolveRule::AfterStartPath, candidate) ? candidate : found.Name;
}
