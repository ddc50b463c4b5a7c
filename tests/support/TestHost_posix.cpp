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

unsigned long HostProcessId() {
  return static_cast<unsigned long>(getpid());
}

const char *const kUserSettingsBase = "XDG_CONFIG_HOME";

bool CanDenyReading() {
  return geteuid() != 0;
}

} // namespace testsupport
