#pragma once
// The registry, one value at a time, by hive and key. On Windows the system's own
// (Registry_win.cpp); elsewhere the hives of the Wine prefix (Registry_posix.cpp): its
// system.reg for the machine, its user.reg for the user, as Wine saves them.
#include <optional>
#include <string>

namespace platform {

enum class RegistryHive { LocalMachine, CurrentUser };

struct RegistryValue {
  std::string data;        // a string value in UTF-8 (the registry's own characters; callers
                           // convert to the code page); REG_EXPAND_SZ keeps its %NAME% references
  bool expandable = false; // REG_EXPAND_SZ
};

// The string value valueName ("" for the key's default value) of the key keyPath (single
// backslashes, relative to the hive's root, in UTF-8; letter case does not matter);
// nothing when the hive, the key or the value is missing or the value is not a string.
// Keys are those of the 64-bit view: a 32-bit program's keys lie below
// Software\Wow6432Node, and are read by that path.
std::optional<RegistryValue> ReadRegistryValue(RegistryHive hive, const std::string &keyPath,
                                               const std::string &valueName);

} // namespace platform
