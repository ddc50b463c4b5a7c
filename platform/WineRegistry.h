#pragma once
// Values of Wine's registry files (system.reg, user.reg in the prefix): the text format
// Wine saves its hives in. Keys and value names match without regard to case, as
// registry lookups do. The files are read as they are, never written. The rest of the
// program reads the registry through Registry.h, whose back end elsewhere than on Windows
// reads these files; so does the environment's (Environment_posix.cpp), directly, to see
// both hives as they were at the start of a lookup.
#include "platform/Registry.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// One registry file's text, indexed by key. Lines it cannot read are skipped.
class WineRegistryText {
public:
  explicit WineRegistryText(std::string text);
  // The string value valueName ("" for the key's default value "@") of the key written
  // as keyPath (single backslashes, relative to the hive's root); nothing when the key
  // or the value is missing or the value is not a string. Values written str(2): or
  // hex(2): are the expandable ones.
  std::optional<RegistryValue> Value(const std::string &keyPath,
                                     const std::string &valueName) const;

private:
  std::string text_;
  std::map<std::string, size_t> keys_; // lower-cased key name → offset of its first value line
};

// A registry file of the host (a host path), read again only when the file changes, so
// that several lookups in one file cost one look at the disk. A missing or unreadable
// file gives nothing.
std::shared_ptr<const WineRegistryText> ReadWineRegistry(const std::string &hostFile);

// The Wine prefix's file of the hive (system.reg for the machine, user.reg for the user),
// read as ReadWineRegistry reads it; nothing without a prefix or a file.
std::shared_ptr<const WineRegistryText> ReadPrefixHive(RegistryHive hive);

// The same lookup in a registry file of the host (a host path), re-read when the file
// changes. A missing or unreadable file gives nothing.
std::optional<RegistryValue> ReadWineRegistryValue(const std::string &hostFile,
                                                   const std::string &keyPath,
                                                   const std::string &valueName);

} // namespace platform
