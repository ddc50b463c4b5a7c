#pragma once
// Read-only access to the resources of a module file: PE32 and PE32+ executables and
// DLLs (what LoadLibraryExA as a data file, EnumResourceNamesA and FindResource give on
// Windows) and 16-bit NE modules (icon libraries). Every offset, count and size read
// from the file is checked against the file's bytes before use.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace platform {

// A resource name: a text or an integer identifier.
class ResourceName {
public:
  ResourceName() = default;
  ResourceName(uint16_t id) : value_(id) {}
  ResourceName(std::string name) : value_(std::move(name)) {}
  bool IsId() const { return std::holds_alternative<uint16_t>(value_); }
  uint16_t Id() const { return std::get<uint16_t>(value_); }
  const std::string &Name() const { return std::get<std::string>(value_); }
  bool operator==(const ResourceName &) const = default;

private:
  std::variant<uint16_t, std::string> value_{uint16_t{0}};
};

constexpr uint16_t RT_ICON = 3;
constexpr uint16_t RT_GROUP_ICON = 14;

enum class ModuleFormat { PE32, PE32Plus, NE };

class ResourceModule {
public:
  // Loads a module as a data file (LoadLibraryExA with LOAD_LIBRARY_AS_DATAFILE).
  // Nothing when the file is missing, unreadable or not a PE/NE module.
  static std::optional<ResourceModule> Load(const std::string &windowsName);
  // The same over bytes already in memory (tests, fuzzing).
  static std::optional<ResourceModule> FromBytes(std::string bytes);

  ModuleFormat Format() const;
  // Names of the resources of a type, in the platform's enumeration order: for a PE
  // module named entries first (as the directory sorts them), then integer identifiers
  // ascending; for an NE module the order of its resource table, which is the order the
  // icon library reader numbers its groups in. Text names arrive in the ANSI code page
  // (Windows-1252 here; characters it lacks become '?').
  std::vector<ResourceName> EnumResourceNames(uint16_t type) const;
  // The bytes of a resource, in any language (the first the directory lists); nothing
  // when absent or when its bytes are not all in the file. The span stays valid as long
  // as any copy of this module lives.
  std::optional<std::span<const uint8_t>> FindResource(uint16_t type,
                                                       const ResourceName &name) const;

private:
  struct Impl;
  std::shared_ptr<const Impl> impl_;
};

} // namespace platform
