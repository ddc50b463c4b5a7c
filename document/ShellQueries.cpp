// Unit misk (HostPaths): the shell's answers about files.
#include "document/ShellQueries.h"

#include "platform/Environment.h"
#include "platform/Shell.h"

#include <cstdint>

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
