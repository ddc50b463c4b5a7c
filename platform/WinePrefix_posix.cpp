#include "platform/WinePrefix.h"

#include <cstdlib>

namespace platform {

std::string WinePrefixDir() {
  if (const char *prefix = std::getenv("WINEPREFIX"); prefix && *prefix)
    return prefix;
  if (const char *home = std::getenv("HOME"); home && *home)
    return std::string(home) + "/.wine";
  return std::string();
}

} // namespace platform
