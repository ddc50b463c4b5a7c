// The registry elsewhere than on Windows: the hives Wine saves in its prefix, so that
// Corvane reads what Total Commander under Wine reads.
#include "platform/Registry.h"

#include "platform/WinePrefix.h"
#include "platform/WineRegistry.h"

namespace platform {

std::optional<RegistryValue> ReadRegistryValue(RegistryHive hive, const std::string &keyPath,
                                               const std::string &valueName) {
  const std::string prefix = WinePrefixDir();
  if (prefix.empty())
    return std::nullopt;
  const char *file = hive == RegistryHive::LocalMachine ? "/system.reg" : "/user.reg";
  return ReadWineRegistryValue(prefix + file, keyPath, valueName);
}

} // namespace platform
