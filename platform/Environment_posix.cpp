// The environment of a Windows program as Wine builds it over the prefix's registry.
#include "platform/Environment.h"

#include "platform/CodePage.h"
#include "platform/ShellFolderTable.h"
#include "platform/WineRegistry.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

extern char **environ;

namespace platform {

namespace {

const char kWindowsDirectory[] = "C:\\windows";
const char kDefaultPath[] = "C:\\windows\\system32;C:\\windows;C:\\windows\\system32\\wbem";
const char kEnvironmentKey[] = "System\\CurrentControlSet\\Control\\Session Manager\\Environment";

const char kCurrentVersion[] = "Software\\Microsoft\\Windows\\CurrentVersion";
const char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kUserShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char kProfileList[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const char kWindowsNt[] = "Software\\Microsoft\\Windows NT\\CurrentVersion";

// Registry values name other variables (TEMP is "%USERPROFILE%\...", windir is
// "%SystemRoot%"); a prefix whose values name each other in a circle must still answer.
constexpr int kDeepestReference = 8;

using Hive = RegistryHive;

// The hives of the Wine prefix for one lookup: read (or found unchanged) on first use, as
// most lookups are answered by the process environment. A lookup follows references
// through many values, and sees the files as they were at its start.
class Prefix {
public:
  const WineRegistryText *Registry(Hive hive) const {
    if (!loaded_) {
      loaded_ = true;
      system_ = ReadPrefixHive(Hive::LocalMachine);
      user_ = ReadPrefixHive(Hive::CurrentUser);
    }
    return (hive == Hive::LocalMachine ? system_ : user_).get();
  }

private:
  mutable bool loaded_ = false;
  mutable std::shared_ptr<const WineRegistryText> system_;
  mutable std::shared_ptr<const WineRegistryText> user_;
};

// One place of the prefix's registry that may hold a variable's value.
struct RegistryPlace {
  Hive hive;
  const char *key;
  const char *value;
};

// A variable Wine sets for every Windows program: where the prefix keeps it beyond the
// environment keys, and Wine's own value where the prefix holds none, written in terms
// of other variables. A default whose references are not all set leaves the variable
// unset, so that no half name stands for a folder.
struct WineVariable {
  const char *name; // lower-cased
  std::vector<RegistryPlace> places;
  const char *fallback;
};

const std::vector<WineVariable> &WineVariables() {
  static const std::vector<WineVariable> variables = {
      {"programfiles",
       {{Hive::LocalMachine, kCurrentVersion, "ProgramFilesDir"}},
       "%SystemDrive%\\Program Files"},
      {"programfiles(x86)",
       {{Hive::LocalMachine, kCurrentVersion, "ProgramFilesDir (x86)"}},
       "%SystemDrive%\\Program Files (x86)"},
      {"commonprogramfiles",
       {{Hive::LocalMachine, kCurrentVersion, "CommonFilesDir"}},
       "%ProgramFiles%\\Common Files"},
      {"commonprogramfiles(x86)",
       {{Hive::LocalMachine, kCurrentVersion, "CommonFilesDir (x86)"}},
       "%ProgramFiles(x86)%\\Common Files"},
      {"programdata",
       {{Hive::LocalMachine, kProfileList, "ProgramData"},
        {Hive::LocalMachine, kShellFolders, "Common AppData"}},
       "%SystemDrive%\\ProgramData"},
      {"allusersprofile",
       {{Hive::LocalMachine, kProfileList, "ProgramData"},
        {Hive::LocalMachine, kShellFolders, "Common AppData"}},
       "%SystemDrive%\\ProgramData"},
      {"public", {{Hive::LocalMachine, kProfileList, "Public"}}, "%SystemDrive%\\users\\Public"},
      // Wine names the user's folder after the login name.
      {"userprofile", {}, "%SystemDrive%\\users\\%USERNAME%"},
      {"username", {}, "%USER%"},
      {"appdata",
       {{Hive::CurrentUser, kShellFolders, "AppData"}},
       "%USERPROFILE%\\AppData\\Roaming"},
      {"localappdata",
       {{Hive::CurrentUser, kShellFolders, "Local AppData"}},
       "%USERPROFILE%\\AppData\\Local"},
      {"temp", {}, "%LOCALAPPDATA%\\Temp"},
      {"tmp", {}, "%LOCALAPPDATA%\\Temp"},
      {"systemroot", {{Hive::LocalMachine, kWindowsNt, "SystemRoot"}}, kWindowsDirectory},
      {"windir", {}, "%SystemRoot%"},
      {"systemdrive", {}, "C:"},
      // The user's folder as drive and path, as Wine sets them in the volatile environment.
      {"homedrive", {}, "%SystemDrive%"},
      {"homepath", {}, "\\users\\%USERNAME%"},
  };
  return variables;
}

// Variables Wine never takes from the host: their values there are host paths (TEMP=/tmp)
// or a list of host folders (PATH, answered from the registry). HOME stays visible: the
// program's own settings folder is found through it.
bool HostOnly(const std::string &lower) {
  return lower == "temp" || lower == "tmp";
}

bool EqualNoCase(const std::string &a, const char *b, size_t bLength) {
  if (a.size() != bLength)
    return false;
  for (size_t i = 0; i < bLength; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z')
      x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z')
      y = static_cast<char>(y - 'A' + 'a');
    if (x != y)
      return false;
  }
  return true;
}

std::string Lower(std::string text) {
  for (char &c : text)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// The process environment, the exact name first, then any spelling of it.
// The host's environment holds UTF-8, as its file names do; values reach the core as its
// texts, in the code page or marked.
std::optional<std::string> ProcessVariable(const std::string &name) {
  if (const char *exact = std::getenv(name.c_str()))
    return Utf8ToText(exact);
  for (char **entry = environ; entry && *entry; ++entry) {
    const char *equals = std::strchr(*entry, '=');
    if (equals && EqualNoCase(name, *entry, static_cast<size_t>(equals - *entry)))
      return Utf8ToText(equals + 1);
  }
  return std::nullopt;
}

std::optional<std::string> Variable(const Prefix &prefix, const std::string &name, int depth);

// Every %NAME% of a set variable replaced by its value; references to unset variables and
// a lone "%" stay as they are. With strict, an unset reference leaves nothing. The work
// is done in UTF-8, so that values in the code page and marked ones join into one text.
std::optional<std::string> Expand(const Prefix &prefix, const std::string &text, int depth,
                                  bool strict) {
  const std::string utf8 = TextToUtf8(text);
  std::string out;
  bool expanded = false;
  size_t pos = 0;
  while (pos < utf8.size()) {
    const size_t open = utf8.find('%', pos);
    const size_t close = open == std::string::npos ? open : utf8.find('%', open + 1);
    if (close == std::string::npos) {
      out.append(utf8, pos, std::string::npos);
      break;
    }
    out.append(utf8, pos, open - pos);
    const std::string name = Utf8ToText(utf8.substr(open + 1, close - open - 1));
    if (auto value = Variable(prefix, name, depth)) {
      out += TextToUtf8(*value);
      pos = close + 1;
      expanded = true;
    } else if (strict) {
      return std::nullopt;
    } else {
      // The closing "%" may open the next reference.
      out.append(utf8, open, close - open);
      pos = close;
    }
  }
  // A text left as it was keeps its bytes, whatever they are.
  return expanded ? Utf8ToText(out) : text;
}

// A string value of the prefix's registry as a text of the core, an expandable one
// expanded as Windows expands it (references to unset variables kept).
std::optional<std::string> RegistryText(const Prefix &prefix, Hive hive, const char *key,
                                        const std::string &value, int depth) {
  const WineRegistryText *registry = prefix.Registry(hive);
  if (!registry)
    return std::nullopt;
  const auto found = registry->Value(key, TextToUtf8(value));
  if (!found)
    return std::nullopt;
  const std::string text = Utf8ToText(found->data);
  return found->expandable ? Expand(prefix, text, depth + 1, false) : text;
}

std::string WindowsPath(const Prefix &prefix) {
  return RegistryText(prefix, Hive::LocalMachine, kEnvironmentKey, "PATH", 0)
      .value_or(kDefaultPath);
}

// What the prefix sets: the user's environment over the system's (as Windows lets a
// user's variable stand over a system one), then the places Wine takes it from, then
// Wine's default.
std::optional<std::string> WineValue(const Prefix &prefix, const std::string &name,
                                     const std::string &lower, int depth) {
  for (auto [hive, key] : {std::pair{Hive::CurrentUser, "Environment"},
                           std::pair{Hive::CurrentUser, "Volatile Environment"},
                           std::pair{Hive::LocalMachine, kEnvironmentKey}})
    if (auto value = RegistryText(prefix, hive, key, name, depth))
      return value;
  for (const WineVariable &variable : WineVariables()) {
    if (lower != variable.name)
      continue;
    for (const RegistryPlace &place : variable.places)
      if (auto value = RegistryText(prefix, place.hive, place.key, place.value, depth))
        return value;
    return Expand(prefix, variable.fallback, depth + 1, true);
  }
  return std::nullopt;
}

// The process environment first, so that a value set on purpose for Corvane holds (an
// empty one sets nothing, as Windows keeps no empty variable); then what the Wine prefix
// sets.
std::optional<std::string> Variable(const Prefix &prefix, const std::string &name, int depth) {
  if (name.empty() || name.find('=') != std::string::npos || depth > kDeepestReference)
    return std::nullopt;
  const std::string lower = Lower(name);
  if (lower == "path")
    // A PATH written in terms of %PATH% cannot recurse.
    return depth == 0 ? std::optional<std::string>(WindowsPath(prefix)) : std::nullopt;
  if (!HostOnly(lower))
    if (auto value = ProcessVariable(name); value && !value->empty())
      return value;
  return WineValue(prefix, name, lower, depth);
}
} // namespace

std::optional<std::string> EnvironmentValue(const std::string &name) {
  return Variable(Prefix(), name, 0);
}

std::string WindowsDirectory() {
  return kWindowsDirectory;
}

std::optional<std::string> ShellFolderPath(const std::string &name) {
  const ShellFolderEntry *folder = FindShellFolder(name);
  if (!folder)
    return std::nullopt;
  const Prefix prefix;
  const Hive hive = folder->common ? Hive::LocalMachine : Hive::CurrentUser;
  if (!folder->value.empty())
    for (const char *key : {kUserShellFolders, kShellFolders})
      if (auto value = RegistryText(prefix, hive, key, std::string(folder->value), 0))
        if (!value->empty())
          return value;
  return Expand(prefix, std::string(folder->fallback), 1, true);
}

std::string ExpandEnvironmentText(const std::string &text) {
  return Expand(Prefix(), text, 0, false).value_or(text);
}

} // namespace platform
