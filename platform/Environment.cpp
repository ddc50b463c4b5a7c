// The Win32 forms over either back end: Environment_posix.cpp (Wine's environment) or
// Environment_win.cpp (the system's).
#include "platform/Environment.h"

#include <array>
#include <cstring>

namespace platform {

namespace {

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
  return CopyOut(WindowsDirectory(), buffer, size);
}

} // namespace platform
