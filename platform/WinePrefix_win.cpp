// On Windows no Wine prefix stands for the system: its drives and registry are the real ones.
#include "platform/WinePrefix.h"

namespace platform {

std::string WinePrefixDir() {
  return std::string();
}

} // namespace platform
