// The registry elsewhere than on Windows: the hives Wine saves in its prefix, so that
// Corvane reads what Total Commander under Wine reads.
#include "platform/Registry.h"

#include "platform/WineRegistry.h"

namespace platform {

std::optional<RegistryValue> ReadRegistryValue(RegistryHive hive, const std::string &keyPath,
                                               const std::string &valueName) {
  const auto file = ReadPrefixHive(hive);
  return file ? file->Value(keyPath, valueName) : std::nullopt;
}

} // namespace platform
