#include "platform/ModuleResources.h"

#include "platform/ByteReader.h"
#include "platform/HostFiles.h"
#include "platform/IconFormats.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

namespace platform {

namespace {

// Resource offsets are file positions of 32 bits; a larger shift puts every resource
// beyond any file.
constexpr uint16_t kMaxNeAlignShift = 31;

// Every reader below is written once over "a reader": ByteReader for bytes in memory,
// FileBytes for a file read by range, or a Window into either. Each gives size(),
// has(offset, length) and u8/u16le/u32le(offset) as optionals. A FileBytes read can
// fail where has() promised the bytes (the file shrank meanwhile), so no value is taken
// out of an optional unchecked.

// A module file's bytes, read by range in chunks of 64 KiB, each when first looked at
// and kept while the reader lives: the headers and a resource directory take a few
// chunks, however large the file. A chunk that cannot be read (the file shrank since
// it was opened) reads as missing bytes.
class FileBytes {
public:
  explicit FileBytes(const ReadOnlyFile &file) : file_(file) {}
  FileBytes(const FileBytes &) = delete;
  FileBytes &operator=(const FileBytes &) = delete;

  uint64_t size() const { return file_.Size(); }
  bool has(uint64_t offset, uint64_t length) const {
    return offset <= size() && length <= size() - offset;
  }
  std::optional<uint8_t> u8(uint64_t offset) const {
    std::array<uint8_t, 1> b{};
    if (!Copy(offset, b))
      return std::nullopt;
    return b[0];
  }
  std::optional<uint16_t> u16le(uint64_t offset) const {
    std::array<uint8_t, 2> b{};
    if (!Copy(offset, b))
      return std::nullopt;
    return static_cast<uint16_t>(b[0] | b[1] << 8);
  }
  std::optional<uint32_t> u32le(uint64_t offset) const {
    std::array<uint8_t, 4> b{};
    if (!Copy(offset, b))
      return std::nullopt;
    return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
  }

private:
  static constexpr uint64_t kChunk = 64 * 1024;

  template <size_t N> bool Copy(uint64_t offset, std::array<uint8_t, N> &out) const {
    if (!has(offset, N))
      return false;
    const uint64_t within = offset % kChunk;
    if (within + N <= kChunk) {
      const uint8_t *chunk = Chunk(offset / kChunk);
      if (!chunk)
        return false;
      std::memcpy(out.data(), chunk + within, N);
      return true;
    }
    for (size_t i = 0; i < N; ++i) { // the value straddles two chunks
      const uint8_t *chunk = Chunk((offset + i) / kChunk);
      if (!chunk)
        return false;
      out[i] = chunk[(offset + i) % kChunk];
    }
    return true;
  }

  // The chunk's bytes, or nullptr when they cannot be read. The last chunk looked at is
  // kept at hand: the readers mostly read on in the same one.
  const uint8_t *Chunk(uint64_t index) const {
    if (index == lastIndex_)
      return last_;
    auto found = chunks_.find(index);
    if (found == chunks_.end()) {
      const uint64_t start = index * kChunk;
      const auto length = static_cast<size_t>(std::min(kChunk, size() - start));
      auto bytes = std::make_unique_for_overwrite<uint8_t[]>(length);
      if (!file_.ReadInto(start, std::span<uint8_t>(bytes.get(), length)))
        bytes.reset();
      found = chunks_.emplace(index, std::move(bytes)).first;
    }
    lastIndex_ = index;
    last_ = found->second.get();
    return last_;
  }

  const ReadOnlyFile &file_;
  mutable std::unordered_map<uint64_t, std::unique_ptr<uint8_t[]>> chunks_;
  mutable uint64_t lastIndex_ = UINT64_MAX;
  mutable const uint8_t *last_ = nullptr;
};

// The part [base, base + size) of a reader, read with offsets from its start.
template <class Reader> class Window {
public:
  Window(const Reader &file, uint64_t base, uint64_t size)
      : file_(file), base_(base), size_(size) {}

  uint64_t size() const { return size_; }
  bool has(uint64_t offset, uint64_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }
  std::optional<uint16_t> u16le(uint64_t offset) const {
    return has(offset, 2) ? file_.u16le(base_ + offset) : std::nullopt;
  }
  std::optional<uint32_t> u32le(uint64_t offset) const {
    return has(offset, 4) ? file_.u32le(base_ + offset) : std::nullopt;
  }

private:
  const Reader &file_;
  uint64_t base_;
  uint64_t size_;
};

bool FitsIn(uint64_t fileSize, uint64_t offset, uint64_t length) {
  return offset <= fileSize && length <= fileSize - offset;
}

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
  auto outOfOrder = [](const Located &a, const Located &b) {
    return a.name.IsId() && (!b.name.IsId() || b.name.Id() < a.name.Id());
  };
  if (std::adjacent_find(names.begin(), names.end(), outOfOrder) == names.end())
    return; // already in order, as a resource compiler stores them
  auto firstId = std::stable_partition(names.begin(), names.end(),
                                       [](const Located &l) { return !l.name.IsId(); });
  std::stable_sort(firstId, names.end(),
                   [](const Located &a, const Located &b) { return a.name.Id() < b.name.Id(); });
}

// ---- module headers ------------------------------------------------------------------

template <class Reader> std::optional<uint32_t> NewHeaderOffsetOf(const Reader &file) {
  if (file.u16le(0) != kMzSignature)
    return std::nullopt;
  return file.u32le(kNewHeaderField);
}

template <class Reader> std::optional<NewHeader> NewHeaderOf(const Reader &file) {
  auto offset = NewHeaderOffsetOf(file);
  if (!offset)
    return std::nullopt;
  if (file.u32le(*offset) == kPeSignature)
    return NewHeader{NewHeaderKind::PE, *offset};
  if (file.u16le(*offset) == kNeSignature)
    return NewHeader{NewHeaderKind::NE, *offset};
  return std::nullopt;
}

template <class Reader> std::optional<NeHeader> NeHeaderOf(const Reader &file, uint32_t offset) {
  if (offset < kNewHeaderField || file.u16le(offset) != kNeSignature)
    return std::nullopt;
  auto resourceTable = file.u16le(uint64_t{offset} + 0x24);
  auto residentNames = file.u16le(uint64_t{offset} + 0x26);
  if (!resourceTable || !residentNames)
    return std::nullopt;
  return NeHeader{offset, *resourceTable, *residentNames};
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
std::optional<uint64_t> MapRva(uint64_t fileSize, const std::vector<Section> &sections,
                               uint32_t rva, uint64_t size) {
  for (const Section &s : sections) {
    uint64_t extent = std::max(s.virtualSize, s.rawSize);
    if (rva < s.virtualAddress || rva - uint64_t{s.virtualAddress} >= extent)
      continue;
    uint64_t within = rva - uint64_t{s.virtualAddress};
    if (within + size > s.rawSize)
      return std::nullopt;
    uint64_t offset = uint64_t{s.rawPointer} + within;
    if (!FitsIn(fileSize, offset, size))
      return std::nullopt;
    return offset;
  }
  return std::nullopt;
}

template <class Reader>
std::optional<PeLayout> ReadPeLayout(const Reader &file, uint32_t peOffset) {
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
    const uint64_t entry = table + uint64_t{i} * 40;
    auto virtualSize = file.u32le(entry + 8);
    auto virtualAddress = file.u32le(entry + 12);
    auto rawSize = file.u32le(entry + 16);
    auto rawPointer = file.u32le(entry + 20);
    if (!file.has(entry, 40) || !virtualSize || !virtualAddress || !rawSize || !rawPointer)
      break;
    layout.sections.push_back({*virtualAddress, *virtualSize, *rawSize, *rawPointer});
  }
  return layout;
}

// Where the resource directory lies: from its file offset to the end of its section's
// raw data (or of the file); nothing without one.
struct FileRange {
  uint64_t offset = 0;
  uint64_t length = 0;
};

std::optional<FileRange> ResourceSection(uint64_t fileSize, const PeLayout &layout) {
  if (layout.resourceRva == 0)
    return std::nullopt;
  for (const Section &s : layout.sections) {
    if (layout.resourceRva < s.virtualAddress ||
        layout.resourceRva - uint64_t{s.virtualAddress} >= s.rawSize)
      continue;
    uint64_t within = layout.resourceRva - uint64_t{s.virtualAddress};
    uint64_t start = uint64_t{s.rawPointer} + within;
    if (start >= fileSize)
      return std::nullopt;
    return FileRange{start, std::min<uint64_t>(s.rawSize - within, fileSize - start)};
  }
  return std::nullopt;
}

// A UTF-16 name stored in the resource directory (a length, then the code units).
template <class Rsrc> std::optional<std::string> ReadPeName(const Rsrc &rsrc, uint32_t offset) {
  auto length = rsrc.u16le(offset);
  if (!length || !rsrc.has(uint64_t{offset} + 2, uint64_t{*length} * 2))
    return std::nullopt;
  std::string name;
  name.reserve(*length);
  for (uint32_t i = 0; i < *length; ++i) {
    auto unit = rsrc.u16le(uint64_t{offset} + 2 + uint64_t{i} * 2);
    if (!unit)
      return std::nullopt;
    name += AnsiChar(*unit);
  }
  return name;
}

struct DirectoryEntry {
  uint32_t name = 0;   // high bit: offset of a name string; else an integer identifier
  uint32_t target = 0; // high bit: offset of a subdirectory; else of a data entry
};

constexpr uint32_t kHighBit = 0x80000000u;

// The entries of the directory at `offset`, named ones first as the header counts them.
// The count is capped by the bytes that follow, so a lying header costs nothing.
template <class Rsrc> std::vector<DirectoryEntry> ReadDirectory(const Rsrc &rsrc, uint32_t offset) {
  auto named = rsrc.u16le(uint64_t{offset} + 12);
  auto ids = rsrc.u16le(uint64_t{offset} + 14);
  if (!named || !ids)
    return {};
  uint64_t first = uint64_t{offset} + 16;
  uint64_t count = std::min<uint64_t>(uint64_t{*named} + *ids, (rsrc.size() - first) / 8);
  std::vector<DirectoryEntry> entries;
  entries.reserve(count);
  for (uint64_t i = 0; i < count; ++i) {
    auto name = rsrc.u32le(first + i * 8);
    auto target = rsrc.u32le(first + i * 8 + 4);
    if (!name || !target)
      break;
    entries.push_back({*name, *target});
  }
  return entries;
}

// The resource that a name-level entry leads to: its language directory's first entry,
// which must be a data entry (any deeper nesting is refused: the tree has three levels).
// Only that first entry is read, so names sharing one large language directory cost no
// more than names with their own.
template <class Rsrc>
Located LocateData(uint64_t fileSize, const Rsrc &rsrc, const PeLayout &layout,
                   uint32_t languageDirectory, ResourceName name) {
  Located located{std::move(name)};
  auto named = rsrc.u16le(uint64_t{languageDirectory} + 12);
  auto ids = rsrc.u16le(uint64_t{languageDirectory} + 14);
  auto target = rsrc.u32le(uint64_t{languageDirectory} + 20);
  if (!named || !ids || *named + *ids == 0 || !target || (*target & kHighBit))
    return located;
  auto rva = rsrc.u32le(*target);
  auto size = rsrc.u32le(uint64_t{*target} + 4);
  if (!rsrc.has(*target, 16) || !rva || !size)
    return located;
  if (auto offset = MapRva(fileSize, layout.sections, *rva, *size)) {
    located.offset = *offset;
    located.size = *size;
    located.present = true;
  }
  return located;
}

// Every integer-typed resource of the tree. Each subdirectory is walked at most once and
// never one that is already open above it, so a directory that refers back to itself or
// to its parent cannot make the walk loop or grow beyond the size of the file.
template <class Reader> TypeTable ReadPeResources(const Reader &file, const PeLayout &layout) {
  TypeTable types;
  const auto section = ResourceSection(file.size(), layout);
  if (!section)
    return types;
  const Window<Reader> rsrc(file, section->offset, section->length);
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
      names.push_back(LocateData(file.size(), rsrc, layout, languageDirectory, std::move(name)));
    }
    PutInEnumerationOrder(names);
  }
  return types;
}

// ---- NE ------------------------------------------------------------------------------

template <class Reader>
std::optional<NeResourceTable> NeResourceTableOf(const Reader &file, uint64_t tableOffset) {
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
      auto offset = file.u16le(e);
      auto length = file.u16le(e + 2);
      auto flags = file.u16le(e + 4);
      auto id = file.u16le(e + 6);
      if (!offset || !length || !flags || !id)
        return table; // the bytes could not be read after all: the types before them
      entry.entries.push_back({*offset, *length, *flags, *id});
    }
    table.types.push_back(std::move(entry));
    at = first + uint64_t{*count} * kNeResourceEntrySize;
  }
  return table;
}

// Where a resource's bytes lie: from its offset to its end, or to the end of the file.
std::optional<FileRange> NeResourceRange(uint64_t fileSize, const NeResourceEntry &entry,
                                         uint16_t alignShift) {
  if (alignShift > kMaxNeAlignShift)
    return std::nullopt;
  const uint64_t start = uint64_t{entry.offset} << alignShift;
  if (start > fileSize)
    return std::nullopt;
  return FileRange{start, std::min(uint64_t{entry.length} << alignShift, fileSize - start)};
}

template <class Reader> std::optional<std::string> NeNameOf(const Reader &bytes, uint64_t offset) {
  auto length = bytes.u8(offset);
  if (!length || !bytes.has(offset + 1, *length))
    return std::nullopt;
  std::string name;
  name.reserve(*length);
  for (uint64_t i = 0; i < *length; ++i) {
    auto c = bytes.u8(offset + 1 + i);
    if (!c)
      return std::nullopt;
    name += static_cast<char>(*c);
  }
  return name;
}

// The resources of an NE module by integer type. Names are stored as the resource
// compiler wrote them (upper case) and are returned so. A later entry of a type replaces
// an earlier one, as the icon library reader takes them, so both count the same groups.
// A table cut by the end of the file gives the types before the cut.
template <class Reader> TypeTable ReadNeResources(const Reader &file, const NeHeader &header) {
  TypeTable types;
  if (header.resourceTable == 0)
    return types;
  const uint64_t tableOffset = uint64_t{header.offset} + header.resourceTable;
  auto table = NeResourceTableOf(file, tableOffset);
  if (!table)
    return types;
  for (const NeResourceType &type : table->types) {
    if (!(type.type & kNeIntegerId))
      continue;
    std::vector<Located> names;
    for (const NeResourceEntry &entry : type.entries) {
      ResourceName name(static_cast<uint16_t>(entry.id & ~kNeIntegerId));
      if (!(entry.id & kNeIntegerId)) {
        auto text = NeNameOf(file, tableOffset + entry.id);
        if (!text)
          continue;
        name = ResourceName(std::move(*text));
      }
      Located located{std::move(name)};
      if (auto range = NeResourceRange(file.size(), entry, table->alignShift)) {
        located.offset = range->offset;
        located.size = range->length;
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
  return NewHeaderOffsetOf(file);
}

std::optional<NewHeader> ReadNewHeader(const ByteReader &file) {
  return NewHeaderOf(file);
}

std::optional<NewHeader> ReadNewHeader(const ReadOnlyFile &file) {
  return NewHeaderOf(FileBytes(file));
}

std::optional<NeHeader> ReadNeHeader(const ByteReader &file, uint32_t offset) {
  return NeHeaderOf(file, offset);
}

// ---- NE resource table -----------------------------------------------------------------

std::optional<NeResourceTable> ReadNeResourceTable(const ByteReader &file, uint64_t tableOffset) {
  return NeResourceTableOf(file, tableOffset);
}

std::optional<std::span<const uint8_t>>
NeResourceBytes(const ByteReader &file, const NeResourceEntry &entry, uint16_t alignShift) {
  auto range = NeResourceRange(file.size(), entry, alignShift);
  if (!range)
    return std::nullopt;
  return file.slice(range->offset, range->length);
}

std::optional<std::string> ReadNeName(const ByteReader &bytes, uint64_t offset) {
  return NeNameOf(bytes, offset);
}

// ---- ResourceModule --------------------------------------------------------------------

struct ResourceModule::Impl {
  std::string bytes;                // a module given in memory
  std::optional<ReadOnlyFile> file; // a module read from its file by range
  uint64_t size = 0;
  ModuleFormat format = ModuleFormat::PE32;
  TypeTable types;
  // What FindResource read from the file, kept for the spans it gave out.
  mutable std::mutex readLock;
  mutable std::unordered_map<const Located *, std::unique_ptr<uint8_t[]>> read;
  // The stretches of the file ReadResource read last. The resources a caller goes
  // through in turn (the images of a group, every icon of a library) mostly lie one
  // after the other, so one read serves many; group directories and images lie apart,
  // so a few stretches are kept, the least recently used making way. A stretch lives on
  // in the bytes handed out of it.
  struct Stretch {
    FileRange range;
    std::shared_ptr<const uint8_t[]> bytes;
    uint64_t used = 0;
  };
  mutable std::mutex stretchLock;
  mutable std::array<Stretch, 4> stretches;
  mutable uint64_t uses = 0;
  // IconGroups, worked out when first asked for.
  mutable std::once_flag iconGroupsOnce;
  mutable std::vector<ResourceName> iconGroups;

  // Reads the headers and the resource directory; false when they are no module's.
  template <class Reader> bool Parse(const Reader &reader);
  const Located *Locate(uint16_t type, const ResourceName &name) const;
  // The located bytes from the file, through the stretch.
  std::optional<ResourceBytes> ReadFromFile(const Located &located) const;
};

// How far a read of the file for ReadResource reaches: a resource and what follows it.
constexpr uint64_t kStretchSize = 64 * 1024;

std::optional<ResourceBytes> ResourceModule::Impl::ReadFromFile(const Located &located) const {
  std::lock_guard<std::mutex> guard(stretchLock);
  auto holds = [&](const Stretch &s) {
    return s.bytes && located.offset >= s.range.offset &&
           located.offset + located.size <= s.range.offset + s.range.length;
  };
  auto at = std::find_if(stretches.begin(), stretches.end(), holds);
  if (at == stretches.end()) {
    at = std::min_element(stretches.begin(), stretches.end(),
                          [](const Stretch &a, const Stretch &b) { return a.used < b.used; });
    // Located bytes lie within the file as it was loaded; of a file that shrank since,
    // the resource alone is read if it is still there.
    const uint64_t length = std::max(located.size, std::min(kStretchSize, size - located.offset));
    std::shared_ptr<uint8_t[]> bytes =
        std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(length));
    uint64_t read = length;
    if (!file->ReadInto(located.offset, std::span<uint8_t>(bytes.get(), read))) {
      read = located.size;
      if (!file->ReadInto(located.offset, std::span<uint8_t>(bytes.get(), read)))
        return std::nullopt;
    }
    *at = {{located.offset, read}, std::move(bytes)};
  }
  at->used = ++uses;
  const uint8_t *start = at->bytes.get() + (located.offset - at->range.offset);
  return ResourceBytes{at->bytes, std::span<const uint8_t>(start, located.size)};
}

template <class Reader> bool ResourceModule::Impl::Parse(const Reader &reader) {
  size = reader.size();
  auto header = NewHeaderOf(reader);
  if (!header)
    return false;
  if (header->kind == NewHeaderKind::PE) {
    auto layout = ReadPeLayout(reader, header->offset);
    if (!layout)
      return false;
    format = layout->format;
    types = ReadPeResources(reader, *layout);
  } else {
    auto ne = NeHeaderOf(reader, header->offset);
    if (!ne)
      return false;
    format = ModuleFormat::NE;
    types = ReadNeResources(reader, *ne);
  }
  return true;
}

const Located *ResourceModule::Impl::Locate(uint16_t type, const ResourceName &name) const {
  auto found = types.find(type);
  if (found == types.end())
    return nullptr;
  const std::vector<Located> &names = found->second;
  if (name.IsId() && format != ModuleFormat::NE) {
    // In a PE module identifiers follow the names in ascending order, so a binary search
    // finds them; an NE table keeps its stored order and is searched from the start.
    auto firstId = std::partition_point(names.begin(), names.end(),
                                        [](const Located &l) { return !l.name.IsId(); });
    auto at = std::lower_bound(firstId, names.end(), name.Id(),
                               [](const Located &l, uint16_t id) { return l.name.Id() < id; });
    return at != names.end() && at->name == name ? &*at : nullptr;
  }
  auto at =
      std::find_if(names.begin(), names.end(), [&](const Located &l) { return l.name == name; });
  return at != names.end() ? &*at : nullptr;
}

std::optional<ResourceModule> ResourceModule::Load(const std::string &windowsName) {
  auto file = ReadOnlyFile::Open(windowsName);
  if (!file)
    return std::nullopt;
  return Load(*file);
}

std::optional<ResourceModule> ResourceModule::Load(const ReadOnlyFile &file) {
  auto impl = std::make_shared<Impl>();
  if (!impl->Parse(FileBytes(file)))
    return std::nullopt;
  impl->file = file;
  ResourceModule module;
  module.impl_ = std::move(impl);
  return module;
}

std::optional<ResourceModule> ResourceModule::FromBytes(std::string bytes) {
  auto impl = std::make_shared<Impl>();
  impl->bytes = std::move(bytes);
  if (!impl->Parse(ByteReader(impl->bytes)))
    return std::nullopt;
  ResourceModule module;
  module.impl_ = std::move(impl);
  return module;
}

ModuleFormat ResourceModule::Format() const {
  return impl_->format;
}

uint64_t ResourceModule::Size() const {
  return impl_->size;
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

std::optional<ResourceName> ResourceModule::ResourceNameAt(uint16_t type, size_t index) const {
  auto found = impl_->types.find(type);
  if (found == impl_->types.end() || index >= found->second.size())
    return std::nullopt;
  return found->second[index].name;
}

ResourcePresence ResourceModule::Presence(uint16_t type, const ResourceName &name,
                                          uint64_t needed) const {
  const Located *hit = impl_->Locate(type, name);
  if (!hit)
    return ResourcePresence::Absent;
  // A PE resource is located only when all of its bytes are in the file; an NE one is
  // located up to the end of the file, which may come before the bytes needed.
  if (!hit->present || (impl_->format == ModuleFormat::NE && hit->size < needed))
    return ResourcePresence::Incomplete;
  return ResourcePresence::Whole;
}

const std::vector<ResourceName> &ResourceModule::IconGroups() const {
  std::call_once(impl_->iconGroupsOnce, [this] {
    for (const ResourceName &group : EnumResourceNames(RT_GROUP_ICON))
      if (!IconLiesBeyondEnd(*this, group))
        impl_->iconGroups.push_back(group);
  });
  return impl_->iconGroups;
}

bool IconLiesBeyondEnd(const ResourceModule &module, const ResourceName &group) {
  switch (module.Presence(RT_GROUP_ICON, group, kIconDirHeaderSize)) {
  case ResourcePresence::Absent:
    return false;
  case ResourcePresence::Incomplete:
    return true;
  case ResourcePresence::Whole:
    break;
  }
  auto bytes = module.ReadResource(RT_GROUP_ICON, group);
  if (!bytes)
    return true; // listed and located, yet not readable: the file shrank since
  const ByteReader directory(bytes->bytes);
  const auto stated = ReadIconDirHeader(directory);
  if (!stated)
    return false; // no icon directory: refused as such, not cut
  const std::vector<IconDirEntry> entries = ReadIconDirectory(directory, IconDirKind::Group);
  if (entries.size() < *stated &&
      module.Presence(RT_GROUP_ICON, group,
                      kIconDirHeaderSize + uint64_t{*stated} * kGroupDirEntrySize) ==
          ResourcePresence::Incomplete)
    return true; // the directory itself was cut
  bool cut = false;
  for (const IconDirEntry &entry : entries) {
    switch (module.Presence(RT_ICON, ResourceName(entry.id), entry.bytesInRes)) {
    case ResourcePresence::Whole:
      return false;
    case ResourcePresence::Incomplete:
      cut = true;
      break;
    case ResourcePresence::Absent:
      break;
    }
  }
  return cut;
}

std::optional<std::span<const uint8_t>>
ResourceModule::FindResource(uint16_t type, const ResourceName &name) const {
  const Located *hit = impl_->Locate(type, name);
  if (!hit || !hit->present)
    return std::nullopt;
  if (!impl_->file)
    return ByteReader(impl_->bytes).slice(hit->offset, hit->size);
  std::lock_guard<std::mutex> guard(impl_->readLock);
  auto kept = impl_->read.find(hit);
  if (kept == impl_->read.end()) {
    auto bytes = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(hit->size));
    if (!impl_->file->ReadInto(hit->offset,
                               std::span<uint8_t>(bytes.get(), static_cast<size_t>(hit->size))))
      return std::nullopt;
    kept = impl_->read.emplace(hit, std::move(bytes)).first;
  }
  return std::span<const uint8_t>(kept->second.get(), static_cast<size_t>(hit->size));
}

std::optional<ResourceBytes> ResourceModule::ReadResource(uint16_t type,
                                                          const ResourceName &name) const {
  const Located *hit = impl_->Locate(type, name);
  if (!hit || !hit->present)
    return std::nullopt;
  if (!impl_->file) {
    auto bytes = ByteReader(impl_->bytes).slice(hit->offset, hit->size);
    if (!bytes)
      return std::nullopt;
    return ResourceBytes{impl_, *bytes};
  }
  return impl_->ReadFromFile(*hit);
}

} // namespace platform
