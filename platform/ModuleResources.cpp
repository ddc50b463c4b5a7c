#include "platform/ModuleResources.h"

#include "platform/ByteReader.h"
#include "platform/HostFiles.h"

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <unordered_set>

namespace platform {

namespace {

// Resource offsets are file positions of 32 bits; a larger shift puts every resource
// beyond any file.
constexpr uint16_t kMaxNeAlignShift = 31;

// Where a resource's bytes lie in the file; `present` is false when the directory names
// the resource but its bytes cannot be found in full (a cut file, a bad address).
struct Located {
  ResourceName name;
  uint64_t offset = 0;
  uint64_t size = 0;
  bool present = false;
};

using TypeTable = std::map<uint16_t, std::vector<Located>>;

// Windows code page 1252 for the characters 0x80..0x9F; the rest of 0xA0..0xFF is the
// same as in Unicode. Resource names are converted with the system's ANSI code page;
// this table stands in for it, and characters outside it become '?', as the ANSI
// functions do for characters the code page lacks.
constexpr std::array<uint16_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char AnsiChar(uint16_t unit) {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
    return static_cast<char>(unit);
  for (size_t i = 0; i < kCp1252High.size(); ++i)
    if (kCp1252High[i] != 0 && kCp1252High[i] == unit)
      return static_cast<char>(0x80 + i);
  return '?';
}

// Named entries first in stored order, then integer identifiers ascending. Resource
// compilers already store them so; the sort only guards against a linker that did not.
void PutInEnumerationOrder(std::vector<Located> &names) {
  auto firstId = std::stable_partition(names.begin(), names.end(),
                                       [](const Located &l) { return !l.name.IsId(); });
  std::stable_sort(firstId, names.end(),
                   [](const Located &a, const Located &b) { return a.name.Id() < b.name.Id(); });
}

// ---- PE ------------------------------------------------------------------------------

struct Section {
  uint32_t virtualAddress = 0;
  uint32_t virtualSize = 0;
  uint32_t rawSize = 0;
  uint32_t rawPointer = 0;
};

struct PeLayout {
  ModuleFormat format = ModuleFormat::PE32;
  uint32_t resourceRva = 0;
  std::vector<Section> sections;
};

// The file range [offset, offset + size) holding `size` bytes at `rva`, when one section
// holds all of them in its raw data and the file is long enough.
std::optional<uint64_t> MapRva(const ByteReader &file, const std::vector<Section> &sections,
                               uint32_t rva, uint64_t size) {
  for (const Section &s : sections) {
    uint64_t extent = std::max(s.virtualSize, s.rawSize);
    if (rva < s.virtualAddress || rva - uint64_t{s.virtualAddress} >= extent)
      continue;
    uint64_t within = rva - uint64_t{s.virtualAddress};
    if (within + size > s.rawSize)
      return std::nullopt;
    uint64_t offset = uint64_t{s.rawPointer} + within;
    if (!file.has(offset, size))
      return std::nullopt;
    return offset;
  }
  return std::nullopt;
}

std::optional<PeLayout> ReadPeLayout(const ByteReader &file, uint32_t peOffset) {
  // COFF header after the 4-byte signature; the optional header follows it.
  auto sectionCount = file.u16le(uint64_t{peOffset} + 6);
  auto optionalSize = file.u16le(uint64_t{peOffset} + 20);
  uint64_t optional = uint64_t{peOffset} + 24;
  auto magic = file.u16le(optional);
  if (!sectionCount || !optionalSize || !magic)
    return std::nullopt;
  PeLayout layout;
  uint64_t directoryCountAt = 0;
  if (*magic == 0x10b) {
    layout.format = ModuleFormat::PE32;
    directoryCountAt = optional + 92;
  } else if (*magic == 0x20b) {
    layout.format = ModuleFormat::PE32Plus;
    directoryCountAt = optional + 108;
  } else {
    return std::nullopt;
  }
  // Data directory 2 (resources) exists only when the header counts at least three and
  // lies inside the optional header the COFF header announces.
  auto directoryCount = file.u32le(directoryCountAt);
  uint64_t resourceEntry = directoryCountAt + 4 + 2 * 8;
  if (directoryCount && *directoryCount > 2 && resourceEntry + 8 <= optional + *optionalSize)
    layout.resourceRva = file.u32le(resourceEntry).value_or(0);
  uint64_t table = optional + *optionalSize;
  for (uint16_t i = 0; i < *sectionCount; ++i) {
    auto entry = file.sub(table + uint64_t{i} * 40, 40);
    if (entry.size() != 40)
      break;
    layout.sections.push_back(
        {*entry.u32le(12), *entry.u32le(8), *entry.u32le(16), *entry.u32le(20)});
  }
  return layout;
}

// The resource section as a reader starting at the resource directory: from the
// directory's file offset to the end of its section's raw data (or of the file).
ByteReader ResourceSection(const ByteReader &file, const PeLayout &layout) {
  if (layout.resourceRva == 0)
    return {};
  for (const Section &s : layout.sections) {
    if (layout.resourceRva < s.virtualAddress ||
        layout.resourceRva - uint64_t{s.virtualAddress} >= s.rawSize)
      continue;
    uint64_t within = layout.resourceRva - uint64_t{s.virtualAddress};
    uint64_t start = uint64_t{s.rawPointer} + within;
    if (start >= file.size())
      return {};
    uint64_t length = std::min<uint64_t>(s.rawSize - within, file.size() - start);
    return file.sub(start, length);
  }
  return {};
}

// A UTF-16 name stored in the resource directory (a length, then the code units).
std::optional<std::string> ReadPeName(const ByteReader &rsrc, uint32_t offset) {
  auto length = rsrc.u16le(offset);
  if (!length || !rsrc.has(uint64_t{offset} + 2, uint64_t{*length} * 2))
    return std::nullopt;
  std::string name;
  name.reserve(*length);
  for (uint32_t i = 0; i < *length; ++i)
    name += AnsiChar(*rsrc.u16le(uint64_t{offset} + 2 + uint64_t{i} * 2));
  return name;
}

struct DirectoryEntry {
  uint32_t name = 0;   // high bit: offset of a name string; else an integer identifier
  uint32_t target = 0; // high bit: offset of a subdirectory; else of a data entry
};

constexpr uint32_t kHighBit = 0x80000000u;

// The entries of the directory at `offset`, named ones first as the header counts them.
// The count is capped by the bytes that follow, so a lying header costs nothing.
std::vector<DirectoryEntry> ReadDirectory(const ByteReader &rsrc, uint32_t offset) {
  auto named = rsrc.u16le(uint64_t{offset} + 12);
  auto ids = rsrc.u16le(uint64_t{offset} + 14);
  if (!named || !ids)
    return {};
  uint64_t first = uint64_t{offset} + 16;
  uint64_t count = std::min<uint64_t>(uint64_t{*named} + *ids, (rsrc.size() - first) / 8);
  std::vector<DirectoryEntry> entries;
  entries.reserve(count);
  for (uint64_t i = 0; i < count; ++i)
    entries.push_back({*rsrc.u32le(first + i * 8), *rsrc.u32le(first + i * 8 + 4)});
  return entries;
}

// The resource that a name-level entry leads to: its language directory's first entry,
// which must be a data entry (any deeper nesting is refused: the tree has three levels).
// Only that first entry is read, so names sharing one large language directory cost no
// more than names with their own.
Located LocateData(const ByteReader &file, const ByteReader &rsrc, const PeLayout &layout,
                   uint32_t languageDirectory, ResourceName name) {
  Located located{std::move(name)};
  auto named = rsrc.u16le(uint64_t{languageDirectory} + 12);
  auto ids = rsrc.u16le(uint64_t{languageDirectory} + 14);
  auto target = rsrc.u32le(uint64_t{languageDirectory} + 20);
  if (!named || !ids || *named + *ids == 0 || !target || (*target & kHighBit))
    return located;
  auto dataEntry = rsrc.sub(*target, 16);
  if (dataEntry.size() != 16)
    return located;
  uint32_t rva = *dataEntry.u32le(0);
  uint32_t size = *dataEntry.u32le(4);
  if (auto offset = MapRva(file, layout.sections, rva, size)) {
    located.offset = *offset;
    located.size = size;
    located.present = true;
  }
  return located;
}

// Every integer-typed resource of the tree. Each subdirectory is walked at most once and
// never one that is already open above it, so a directory that refers back to itself or
// to its parent cannot make the walk loop or grow beyond the size of the file.
TypeTable ReadPeResources(const ByteReader &file, const PeLayout &layout) {
  TypeTable types;
  ByteReader rsrc = ResourceSection(file, layout);
  if (rsrc.size() == 0)
    return types;
  std::unordered_set<uint32_t> walked{0};
  for (const DirectoryEntry &type : ReadDirectory(rsrc, 0)) {
    if ((type.name & kHighBit) || !(type.target & kHighBit) || type.name > 0xFFFF)
      continue;
    uint32_t nameDirectory = type.target & ~kHighBit;
    if (types.count(static_cast<uint16_t>(type.name)) || !walked.insert(nameDirectory).second)
      continue;
    std::vector<Located> &names = types[static_cast<uint16_t>(type.name)];
    for (const DirectoryEntry &entry : ReadDirectory(rsrc, nameDirectory)) {
      uint32_t languageDirectory = entry.target & ~kHighBit;
      if (!(entry.target & kHighBit) || languageDirectory == nameDirectory ||
          languageDirectory == 0)
        continue;
      ResourceName name;
      if (entry.name & kHighBit) {
        auto text = ReadPeName(rsrc, entry.name & ~kHighBit);
        if (!text)
          continue;
        name = ResourceName(std::move(*text));
      } else if (entry.name <= 0xFFFF) {
        name = ResourceName(static_cast<uint16_t>(entry.name));
      } else {
        continue;
      }
      names.push_back(LocateData(file, rsrc, layout, languageDirectory, std::move(name)));
    }
    PutInEnumerationOrder(names);
  }
  return types;
}

// ---- NE ------------------------------------------------------------------------------

// The resources of an NE module by integer type. Names are stored as the resource
// compiler wrote them (upper case) and are returned so. A later entry of a type replaces
// an earlier one, as the icon library reader takes them, so both count the same groups.
// A table cut by the end of the file gives the types before the cut.
TypeTable ReadNeResources(const ByteReader &file, const NeHeader &header) {
  TypeTable types;
  if (header.resourceTable == 0)
    return types;
  const uint64_t tableOffset = uint64_t{header.offset} + header.resourceTable;
  auto table = ReadNeResourceTable(file, tableOffset);
  if (!table)
    return types;
  for (const NeResourceType &type : table->types) {
    if (!(type.type & kNeIntegerId))
      continue;
    std::vector<Located> names;
    for (const NeResourceEntry &entry : type.entries) {
      ResourceName name(static_cast<uint16_t>(entry.id & ~kNeIntegerId));
      if (!(entry.id & kNeIntegerId)) {
        auto text = ReadNeName(file, tableOffset + entry.id);
        if (!text)
          continue;
        name = ResourceName(std::move(*text));
      }
      Located located{std::move(name)};
      if (auto bytes = NeResourceBytes(file, entry, table->alignShift)) {
        located.offset = static_cast<uint64_t>(bytes->data() - file.bytes().data());
        located.size = bytes->size();
        located.present = true;
      }
      names.push_back(std::move(located));
    }
    types[static_cast<uint16_t>(type.type & ~kNeIntegerId)] = std::move(names);
  }
  return types;
}

} // namespace

// ---- module headers --------------------------------------------------------------------

bool HasMzSignature(const ByteReader &file) {
  return file.u16le(0) == kMzSignature;
}

std::optional<uint32_t> NewHeaderOffset(const ByteReader &file) {
  if (!HasMzSignature(file))
    return std::nullopt;
  return file.u32le(kNewHeaderField);
}

std::optional<NewHeader> ReadNewHeader(const ByteReader &file) {
  auto offset = NewHeaderOffset(file);
  if (!offset)
    return std::nullopt;
  if (file.u32le(*offset) == kPeSignature)
    return NewHeader{NewHeaderKind::PE, *offset};
  if (file.u16le(*offset) == kNeSignature)
    return NewHeader{NewHeaderKind::NE, *offset};
  return std::nullopt;
}

std::optional<NeHeader> ReadNeHeader(const ByteReader &file, uint32_t offset) {
  if (offset < kNewHeaderField || file.u16le(offset) != kNeSignature)
    return std::nullopt;
  auto resourceTable = file.u16le(uint64_t{offset} + 0x24);
  auto residentNames = file.u16le(uint64_t{offset} + 0x26);
  if (!resourceTable || !residentNames)
    return std::nullopt;
  return NeHeader{offset, *resourceTable, *residentNames};
}

// ---- NE resource table -----------------------------------------------------------------

std::optional<NeResourceTable> ReadNeResourceTable(const ByteReader &file, uint64_t tableOffset) {
  auto shift = file.u16le(tableOffset);
  if (!shift || *shift > kMaxNeAlignShift)
    return std::nullopt;
  NeResourceTable table;
  table.alignShift = *shift;
  uint64_t at = tableOffset + 2;
  // Every type moves on by at least its own 8 bytes and must lie in the file, so the
  // walk ends at the end of the file if not at the terminating 0.
  while (auto type = file.u16le(at)) {
    if (*type == 0) {
      table.complete = true;
      table.namesOffset = at + 2;
      break;
    }
    auto count = file.u16le(at + 2);
    const uint64_t first = at + kNeTypeInfoSize;
    if (!count || !file.has(first, uint64_t{*count} * kNeResourceEntrySize))
      break;
    NeResourceType entry{*type, {}};
    entry.entries.reserve(*count);
    for (uint64_t i = 0; i < *count; ++i) {
      const uint64_t e = first + i * kNeResourceEntrySize;
      entry.entries.push_back(
          {*file.u16le(e), *file.u16le(e + 2), *file.u16le(e + 4), *file.u16le(e + 6)});
    }
    table.types.push_back(std::move(entry));
    at = first + uint64_t{*count} * kNeResourceEntrySize;
  }
  return table;
}

std::optional<std::span<const uint8_t>>
NeResourceBytes(const ByteReader &file, const NeResourceEntry &entry, uint16_t alignShift) {
  if (alignShift > kMaxNeAlignShift)
    return std::nullopt;
  const uint64_t start = uint64_t{entry.offset} << alignShift;
  if (start > file.size())
    return std::nullopt;
  const uint64_t length = std::min(uint64_t{entry.length} << alignShift, file.size() - start);
  return file.slice(start, length);
}

std::optional<std::string> ReadNeName(const ByteReader &bytes, uint64_t offset) {
  auto length = bytes.u8(offset);
  auto text = length ? bytes.slice(offset + 1, *length) : std::nullopt;
  if (!text)
    return std::nullopt;
  return std::string(text->begin(), text->end());
}

struct ResourceModule::Impl {
  std::string bytes;
  ModuleFormat format = ModuleFormat::PE32;
  TypeTable types;
};

std::optional<ResourceModule> ResourceModule::Load(const std::string &windowsName) {
  auto bytes = platform::ReadFileBytes(windowsName);
  if (!bytes)
    return std::nullopt;
  return FromBytes(std::move(*bytes));
}

std::optional<ResourceModule> ResourceModule::FromBytes(std::string bytes) {
  auto impl = std::make_shared<Impl>();
  impl->bytes = std::move(bytes);
  ByteReader file(impl->bytes);
  auto header = ReadNewHeader(file);
  if (!header)
    return std::nullopt;
  if (header->kind == NewHeaderKind::PE) {
    auto layout = ReadPeLayout(file, header->offset);
    if (!layout)
      return std::nullopt;
    impl->format = layout->format;
    impl->types = ReadPeResources(file, *layout);
  } else {
    auto ne = ReadNeHeader(file, header->offset);
    if (!ne)
      return std::nullopt;
    impl->format = ModuleFormat::NE;
    impl->types = ReadNeResources(file, *ne);
  }
  ResourceModule module;
  module.impl_ = std::move(impl);
  return module;
}

ModuleFormat ResourceModule::Format() const {
  return impl_->format;
}

std::vector<ResourceName> ResourceModule::EnumResourceNames(uint16_t type) const {
  std::vector<ResourceName> names;
  auto found = impl_->types.find(type);
  if (found == impl_->types.end())
    return names;
  names.reserve(found->second.size());
  for (const Located &l : found->second)
    names.push_back(l.name);
  return names;
}

std::optional<std::span<const uint8_t>>
ResourceModule::FindResource(uint16_t type, const ResourceName &name) const {
  auto found = impl_->types.find(type);
  if (found == impl_->types.end())
    return std::nullopt;
  const std::vector<Located> &names = found->second;
  const Located *hit = nullptr;
  if (name.IsId() && impl_->format != ModuleFormat::NE) {
    // In a PE module identifiers follow the names in ascending order, so a binary search
    // finds them; an NE table keeps its stored order and is searched from the start.
    auto firstId = std::partition_point(names.begin(), names.end(),
                                        [](const Located &l) { return !l.name.IsId(); });
    auto at = std::lower_bound(firstId, names.end(), name.Id(),
                               [](const Located &l, uint16_t id) { return l.name.Id() < id; });
    if (at != names.end() && at->name == name)
      hit = &*at;
  } else {
    auto at =
        std::find_if(names.begin(), names.end(), [&](const Located &l) { return l.name == name; });
    if (at != names.end())
      hit = &*at;
  }
  if (!hit || !hit->present)
    return std::nullopt;
  return ByteReader(impl_->bytes).slice(hit->offset, hit->size);
}

} // namespace platform
