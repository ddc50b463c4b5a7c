// The shell's lookups on Windows: the system's own.
#include "platform/Shell.h"

#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

namespace platform {

intptr_t FindExecutableA(const char *file, const char *directory, char *result) {
  return reinterpret_cast<intptr_t>(::FindExecutableA(file, directory, result));
}

} // namespace platform
