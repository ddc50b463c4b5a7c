#include "support/TestHost.h"

#include <cstdlib>
#include <unistd.h>

namespace testsupport {

void SetHostVariable(const std::string &name, const char *value) {
  if (value)
    setenv(name.c_str(), value, 1);
  else
    unsetenv(name.c_str());
}

std::optional<std::string> HostVariable(const std::string &name) {
  const char *value = std::getenv(name.c_str());
  return value ? std::optional<std::string>(value) : std::nullopt;
}

unsigned long HostProcessId() {
  return static_cast<unsigned long>(getpid());
}

void RemoveTree(const std::filesystem::path &folder) {
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

const char *const kUserSettingsBase = "XDG_CONFIG_HOME";

bool CanDenyReading() {
  return geteuid() != 0;
}

} // namespace testsupport
