#include "platform/Environment.h"

#include "platform/CodePage.h"
#include "platform/HostFiles.h"
#include "platform/WineRegistry.h"

#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
extern char **environ;
#endif

namespace platform {

namespace {

const char kWindowsDirectory[] = "C:\\windows";
const char kDefaultPath[] = "C:\\windows\\system32;C:\\windows;C:\\windows\\system32\\wbem";
const char kEnvironmentKey[] = "System\\CurrentControlSet\\Control\\Session Manager\\Environment";

#ifndef _WIN32
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

// Expands the references of a registry value without looking at Path itself, so a
// PATH written in terms of %PATH% cannot recurse.
std::string ExpandWithoutPath(const std::string &text);

std::string WindowsPath() {
  const std::string prefix = WinePrefixDir();
  if (!prefix.empty())
    if (auto value = ReadWineRegistryValue(prefix + "/system.reg", kEnvironmentKey, "PATH")) {
      const std::string path = Utf8ToText(value->data);
      return value->expandable ? ExpandWithoutPath(path) : path;
    }
  return kDefaultPath;
}

std::optional<std::string> Variable(const std::string &name, bool withPath) {
  if (name.empty() || name.find('=') != std::string::npos)
    return std::nullopt;
  const std::string lower = Lower(name);
  if (lower == "path")
    return withPath ? std::optional<std::string>(WindowsPath()) : std::nullopt;
  if (auto value = ProcessVariable(name))
    return value;
  if (lower == "windir" || lower == "systemroot")
    return std::string(kWindowsDirectory);
  return std::nullopt;
}

std::string Expand(const std::string &text, bool withPath) {
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t open = text.find('%', pos);
    const size_t close = open == std::string::npos ? open : text.find('%', open + 1);
    if (close == std::string::npos) {
      out.append(text, pos, std::string::npos);
      break;
    }
    out.append(text, pos, open - pos);
    if (auto value = Variable(text.substr(open + 1, close - open - 1), withPath)) {
      out += *value;
      pos = close + 1;
    } else {
      // The closing "%" may open the next reference.
      out += '%';
      out.append(text, open + 1, close - open - 1);
      pos = close;
    }
  }
  return out;
}

std::string ExpandWithoutPath(const std::string &text) {
  return Expand(text, false);
}
#endif

// Copies a value the Win32 way (see the header).
uint32_t CopyOut(const std::string &value, char *buffer, uint32_t size) {
  const uint64_t needed = static_cast<uint64_t>(value.size()) + 1;
  if (needed > UINT32_MAX)
    return 0;
  if (!buffer || size < needed)
    return static_cast<uint32_t>(needed);
  std::memcpy(buffer, value.data(), value.size());
  buffer[value.size()] = '\0';
  return static_cast<uint32_t>(value.size());
}

} // namespace

std::optional<std::string> EnvironmentValue(const std::string &name) {
#ifdef _WIN32
  const DWORD needed = ::GetEnvironmentVariableA(name.c_str(), nullptr, 0);
  if (needed == 0)
    return std::nullopt;
  std::string value(needed, '\0');
  const DWORD got = ::GetEnvironmentVariableA(name.c_str(), value.data(), needed);
  if (got >= needed)
    return std::nullopt;
  value.resize(got);
  return value;
#else
  return Variable(name, true);
#endif
}

uint32_t GetEnvironmentVariableA(const char *name, char *buffer, uint32_t size) {
  if (!name)
    return 0;
  auto value = EnvironmentValue(name);
  if (!value || value->empty()) {
    if (buffer && size > 0)
      buffer[0] = '\0';
    return 0;
  }
  return CopyOut(*value, buffer, size);
}

uint32_t GetWindowsDirectoryA(char *buffer, uint32_t size) {
#ifdef _WIN32
  return ::GetWindowsDirectoryA(buffer, size);
#else
  return CopyOut(kWindowsDirectory, buffer, size);
#endif
}

std::string ExpandEnvironmentText(const std::string &text) {
#ifdef _WIN32
  const DWORD needed = ::ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
  std::string out(needed, '\0');
  const DWORD got = ::ExpandEnvironmentStringsA(text.c_str(), out.data(), needed);
  if (got == 0 || got > needed)
    return text;
  out.resize(got - 1);
  return out;
#else
  return Expand(text, true);
#endif
}

} // namespace platform
