#pragma once
// Read-only access to the resources of a module file: PE32 and PE32+ executables and
// DLLs (what LoadLibraryExA as a data file, EnumResourceNamesA and FindResource give on
// Windows) and 16-bit NE modules (icon libraries). Every offset, count and size read
// from the file is checked against the file's bytes before use. The headers and the NE
// resource table are read by the functions below and nowhere else: the icon library
// reader goes through them too, so it and the shell's icon functions see one module.
//
// A module loaded from its file is read by range, never whole: loading reads the
// headers and the resource directory, and each resource is read when it is asked for.
// A system DLL of many megabytes holds most of its bytes in code and other resources,
// which are then never read. The same readers serve bytes in memory and the file.
#include "platform/ByteReader.h"
#include "platform/HostFiles.h"

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

// ---- module headers --------------------------------------------------------------------

constexpr uint16_t kMzSignature = 0x5A4D;     // "MZ"
constexpr uint16_t kNeSignature = 0x454E;     // "NE"
constexpr uint32_t kPeSignature = 0x00004550; // "PE\0\0"

// Where the "MZ" stub keeps the offset of the new header.
constexpr uint64_t kNewHeaderField = 0x3C;

// True when the bytes start with "MZ".
bool HasMzSignature(const ByteReader &file);
// The stub's pointer to the new header: the 32-bit field at 0x3C, read whole as the
// Windows loader reads it. Nothing when the bytes do not start with "MZ" or end before
// the field.
std::optional<uint32_t> NewHeaderOffset(const ByteReader &file);

enum class NewHeaderKind { PE, NE };
struct NewHeader {
  NewHeaderKind kind = NewHeaderKind::PE;
  uint32_t offset = 0;
};
// The new header a module file points to: "PE\0\0" starts a 32-bit module, "NE" a 16-bit
// one. Nothing for anything else (an .ico file, a DOS program, a cut file).
std::optional<NewHeader> ReadNewHeader(const ByteReader &file);
// The same read from an open file, taking only the bytes it looks at.
std::optional<NewHeader> ReadNewHeader(const ReadOnlyFile &file);

// What the resource readers take from an NE header; the table offsets count from the
// header, and 0 means the module has no such table.
struct NeHeader {
  uint32_t offset = 0;
  uint16_t resourceTable = 0;
  uint16_t residentNames = 0;
};
// The NE header at `offset`: "NE" and the table offsets at 0x24 and 0x26. Nothing when
// the signature or the fields are not there, or the offset lies below the stub's own
// offset field (a header that would overlap the stub).
std::optional<NeHeader> ReadNeHeader(const ByteReader &file, uint32_t offset);

// ---- NE resource table -----------------------------------------------------------------

constexpr uint16_t kNeIntegerId = 0x8000; // marks an integer type or resource identifier
constexpr uint64_t kNeTypeInfoSize = 8;
constexpr uint64_t kNeResourceEntrySize = 12;

// One 12-byte resource entry; offset and length count units of 2^alignShift bytes, and
// the length covers the fill up to the next unit.
struct NeResourceEntry {
  uint16_t offset = 0;
  uint16_t length = 0;
  uint16_t flags = 0;
  uint16_t id = 0; // kNeIntegerId | n for the integer identifier n, else a name's offset
};

// A type entry and its resource entries. The type is kNeIntegerId | n for the integer
// type n (3 icons, 14 group icons), as Windows takes it: all 15 bits count.
struct NeResourceType {
  uint16_t type = 0;
  std::vector<NeResourceEntry> entries;
};

struct NeResourceTable {
  uint16_t alignShift = 0;
  std::vector<NeResourceType> types; // in stored order, repeated types included
  // True when the types end with their terminating 0; false when the end of the bytes
  // (or a type whose entries run past it) ended them. Only complete types are listed.
  bool complete = false;
  // Where the table's names follow the terminating 0 (meaningful when complete).
  uint64_t namesOffset = 0;
};

// The resource table at file offset `tableOffset`: an alignment shift, type entries each
// followed by its resource entries, a type of 0. Nothing when the shift is not there or
// exceeds 31, which would put every resource beyond any file.
std::optional<NeResourceTable> ReadNeResourceTable(const ByteReader &file, uint64_t tableOffset);

// The bytes of a resource: from its offset to its end, or to the end of the file when
// that comes first (the last resource of a file may lack its fill). Nothing when the
// resource starts beyond the end of the file.
std::optional<std::span<const uint8_t>>
NeResourceBytes(const ByteReader &file, const NeResourceEntry &entry, uint16_t alignShift);

// A name of the resource table: a length byte and that many bytes; an empty name is the
// length byte 0 that ends a list of names. Nothing when the name runs past the end.
std::optional<std::string> ReadNeName(const ByteReader &bytes, uint64_t offset);

// A resource's bytes, valid as long as this object lives, whatever becomes of the module
// they came from: a view of a module's bytes in memory, or a buffer read from the
// module's file for this object alone.
struct ResourceBytes {
  std::shared_ptr<const void> keep; // what holds the bytes
  std::span<const uint8_t> bytes;
};

enum class ResourcePresence { Whole, Incomplete, Absent };

class ResourceModule;

// True when the end of the file took a group icon: its directory is not all in the file,
// or it names images that are listed but not in the file and none that is whole. A group with some
// whole images keeps them (it can be drawn, at the sizes left); a group refused for
// another reason (a directory of another type, an image the module does not list at
// all) is not taken for cut, so that it is judged as before and the positions of the
// groups after it stay those of the platform's enumeration.
bool IconLiesBeyondEnd(const ResourceModule &module, const ResourceName &group);

class ResourceModule {
public:
  // Loads a module as a data file (LoadLibraryExA with LOAD_LIBRARY_AS_DATAFILE), reading
  // its headers and resource directory only. Nothing when the file is missing,
  // unreadable or not a PE/NE module.
  static std::optional<ResourceModule> Load(const std::string &windowsName);
  // The same over a file already open; the module keeps it open to read resources.
  static std::optional<ResourceModule> Load(const ReadOnlyFile &file);
  // The same over bytes already in memory (tests, fuzzing).
  static std::optional<ResourceModule> FromBytes(std::string bytes);

  ModuleFormat Format() const;
  // The size of the module's file (or bytes) when it was loaded.
  uint64_t Size() const;
  // Names of the resources of a type, in the platform's enumeration order: for a PE
  // module named entries first (as the directory sorts them), then integer identifiers
  // ascending; for an NE module the order of its resource table, which is the order the
  // icon library reader numbers its groups in. Text names arrive in the ANSI code page
  // (Windows-1252 here; characters it lacks become '?').
  std::vector<ResourceName> EnumResourceNames(uint16_t type) const;
  // The name at a position of EnumResourceNames(type), without listing the others;
  // nothing past the end.
  std::optional<ResourceName> ResourceNameAt(uint16_t type, size_t index) const;
  // Whether the file holds a resource, of which a reader needs `needed` bytes: Absent
  // when the directory does not list it; Incomplete when it is listed but its bytes are
  // not in the file (a PE resource: not all of them; an NE resource, whose length counts
  // whole alignment units: fewer than `needed`), as when the end of a cut file takes them.
  ResourcePresence Presence(uint16_t type, const ResourceName &name, uint64_t needed) const;
  // The group icons the module offers, in the order of EnumResourceNames(RT_GROUP_ICON):
  // every group except one whose bytes the file does not hold (IconLiesBeyondEnd). The
  // shell's icon count and index and the icon library reader all go by this list, so
  // what counts icons and what lists them agree, and no index promises an icon that
  // nothing can draw. Worked out once per module, from the group directories alone.
  const std::vector<ResourceName> &IconGroups() const;
  // The bytes of a resource, in any language (the first the directory lists); nothing
  // when absent or when its bytes are not all in the file, except that an NE resource
  // cut by the end of the file gives the bytes that are there (NeResourceBytes). The
  // span stays valid as long as any copy of this module lives: a module loaded from its
  // file keeps each resource it reads for that, once.
  std::optional<std::span<const uint8_t>> FindResource(uint16_t type,
                                                       const ResourceName &name) const;
  // The same bytes for a caller that uses them and lets them go: a module loaded from
  // its file reads them afresh into a buffer of the caller's and keeps nothing, so that
  // going through every icon of a large module holds no more than the icons kept.
  std::optional<ResourceBytes> ReadResource(uint16_t type, const ResourceName &name) const;

private:
  struct Impl;
  std::shared_ptr<const Impl> impl_;
};

} // namespace platform
