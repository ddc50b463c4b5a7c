// The environment on Windows: the system's own.
#include "platform/Environment.h"

#include <windows.h>

namespace platform {

std::optional<std::string> EnvironmentValue(const std::string &name) {
  const DWORD needed = ::GetEnvironmentVariableA(name.c_str(), nullptr, 0);
  if (needed == 0)
    return std::nullopt;
  std::string value(needed, '\0');
  const DWORD got = ::GetEnvironmentVariableA(name.c_str(), value.data(), needed);
  if (got >= needed)
    return std::nullopt;
  value.resize(got);
  return value;
}

std::string WindowsDirectory() {
  const UINT needed = ::GetWindowsDirectoryA(nullptr, 0);
  std::string folder(needed, '\0');
  const UINT got = needed ? ::GetWindowsDirectoryA(folder.data(), needed) : 0;
  folder.resize(got < needed ? got : 0);
  return folder;
}

std::string ExpandEnvironmentText(const std::string &text) {
  const DWORD needed = ::ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
  std::string out(needed, '\0');
  const DWORD got = ::ExpandEnvironmentStringsA(text.c_str(), out.data(), needed);
  if (got == 0 || got > needed)
    return text;
  out.resize(got - 1);
  return out;
}

} // namespace platform
