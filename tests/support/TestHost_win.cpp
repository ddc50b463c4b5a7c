#include "support/TestHost.h"

#include <cstdlib>
#include <process.h>

namespace testsupport {

// The C runtime's setter, so that both its own copy of the environment (std::getenv) and
// the system's (GetEnvironmentVariable) change. An empty value removes a variable there,
// so an empty value cannot be set on Windows.
void SetHostVariable(const std::string &name, const char *value) {
  _putenv_s(name.c_str(), value ? value : "");
}

unsigned long HostProcessId() {
  return static_cast<unsigned long>(_getpid());
}

const char *const kUserSettingsBase = "APPDATA";

bool CanDenyReading() {
  return false;
}

} // namespace testsupport
