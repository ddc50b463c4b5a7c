// What the back ends of HostFiles.h share: HostFiles_posix.cpp (Wine's view of the disk)
// and HostFiles_win.cpp (the system's own).
#include "platform/HostFiles.h"

namespace platform {

EFileReadError EFileReadError::CannotOpen(const std::string &windowsName) {
  return EFileReadError(
      platform::Message("Cannot open file %s", {Verbatim("\"" + windowsName + "\"")}));
}

} // namespace platform
