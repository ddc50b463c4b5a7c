// The shell's lookups over the files of the Wine prefix: its registry and its disk.
#include "platform/Shell.h"

#include "platform/CodePage.h"
#include "platform/Environment.h"
#include "platform/HostFiles.h"
#include "platform/Registry.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

namespace platform {

namespace {

// What the platform returns on success: any value above 32.
constexpr intptr_t kShellFound = 42;

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

bool IsRelative(const std::string &name) {
  const bool drive = name.size() >= 2 && name[1] == ':' &&
                     ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
  return !drive && !(name.size() >= 1 && IsSeparator(name[0]));
}

std::string Join(const std::string &dir, const std::string &name) {
  if (dir.empty())
    return name;
  return IsSeparator(dir.back()) ? dir + name : dir + "\\" + name;
}

// The lower-cased extension, dot included: the text from the last dot when no separator
// or drive colon follows it.
std::string LowerExtension(const std::string &name) {
  const size_t cut = name.find_last_of(".\\/:");
  if (cut == std::string::npos || name[cut] != '.')
    return std::string();
  std::string ext = name.substr(cut);
  for (char &c : ext)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  return ext;
}

// A default value of HKEY_CLASSES_ROOT, which merges the user's classes over the
// machine's: the user's hive first, then the machine's.
std::optional<std::string> ClassesDefault(const std::string &key) {
  const std::string path = "Software\\Classes\\" + key;
  for (const RegistryHive hive : {RegistryHive::CurrentUser, RegistryHive::LocalMachine}) {
    if (auto value = ReadRegistryValue(hive, path, "")) {
      const std::string text = Utf8ToText(value->data);
      return value->expandable ? ExpandEnvironmentText(text) : text;
    }
  }
  return std::nullopt;
}

// The program of a command line: its quoted first part, or its text up to the first blank.
std::string ProgramOf(const std::string &command) {
  const size_t start = command.find_first_not_of(" \t");
  if (start == std::string::npos)
    return std::string();
  if (command[start] == '"') {
    const size_t close = command.find('"', start + 1);
    return command.substr(start + 1,
                          close == std::string::npos ? std::string::npos : close - start - 1);
  }
  const size_t end = command.find_first_of(" \t", start);
  return command.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string AssociatedProgram(const std::string &extension) {
  if (extension.empty())
    return std::string();
  auto fileClass = ClassesDefault(extension);
  if (!fileClass || fileClass->empty())
    return std::string();
  auto command = ClassesDefault(*fileClass + "\\shell\\open\\command");
  return command ? ProgramOf(*command) : std::string();
}

intptr_t Answer(const std::string &program, char *result) {
  if (program.empty())
    return kShellNoAssociation;
  const size_t length = std::min<size_t>(program.size(), kShellResultSize - 1);
  std::memcpy(result, program.data(), length);
  result[length] = '\0';
  return kShellFound;
}

} // namespace

intptr_t FindExecutableA(const char *file, const char *directory, char *result) {
  if (!result)
    return kShellFileNotFound;
  result[0] = '\0';
  if (!file || !*file)
    return kShellFileNotFound;
  std::string name = file;
  if (IsRelative(name) && directory && *directory)
    name = Join(directory, name);
  if (IsRelative(name))
    name = Join(GetCurrentDirectoryA(), name);
  if (!FileExists(name))
    return kShellFileNotFound;
  const std::string extension = LowerExtension(name);
  if (extension == ".exe" || extension == ".com")
    return Answer(name, result);
  return Answer(AssociatedProgram(extension), result);
}

} // namespace platform
