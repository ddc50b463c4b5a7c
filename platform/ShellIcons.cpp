// The shell's icon extraction over our own readers: .ico files directly, PE and NE
// modules through their group-icon resources.
#include "platform/ByteReader.h"
#include "platform/ModuleResources.h"
#include "platform/HostFiles.h"
#include "platform/IconDecode.h"
#include "platform/IconHandle.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

namespace platform {

namespace {

using platform::ByteReader;

// One image a directory offers, with what its own header says of it.
struct Candidate {
  IconImageInfo info;
  std::span<const uint8_t> bytes;
};

// The icon directory header at the start of an .ico file or a group resource: reserved
// 0, type 1 (2 would be a cursor). Gives the entry count, capped by the bytes that
// follow for entries of `entrySize` bytes.
std::optional<uint64_t> DirectoryCount(const ByteReader &r, uint64_t entrySize) {
  if (r.u16le(0) != 0 || r.u16le(2) != 1)
    return std::nullopt;
  auto count = r.u16le(4);
  if (!count)
    return std::nullopt;
  return std::min<uint64_t>(*count, (r.size() - 6) / entrySize);
}

// True when `a` suits the icon size better than `b`: nearest in size, then
// the higher colour depth, then the larger image (shrinking keeps more detail than
// enlarging). Sizes and depths come from the images, because directory entries of
// real files say 0 x 0 or 8 bits for PNG images, or 0 bits and 0 planes.
bool SuitsBetter(const IconImageInfo &a, const IconImageInfo &b, int size) {
  int distanceA = std::abs(a.width - size) + std::abs(a.height - size);
  int distanceB = std::abs(b.width - size) + std::abs(b.height - size);
  if (distanceA != distanceB)
    return distanceA < distanceB;
  if (a.bitCount != b.bitCount)
    return a.bitCount > b.bitCount;
  return a.width * a.height > b.width * b.height;
}

// The best image of the candidates that decodes, at the given size. A damaged best image
// gives way to the next best rather than leaving the button without an icon.
IconHandle BestIcon(std::vector<Candidate> candidates, int size) {
  std::stable_sort(
      candidates.begin(), candidates.end(),
      [size](const Candidate &a, const Candidate &b) { return SuitsBetter(a.info, b.info, size); });
  for (const Candidate &c : candidates)
    if (IconHandle icon = CreateIconFromResourceEx(c.bytes.data(), c.bytes.size(), size, size))
      return icon;
  return {};
}

void AddCandidate(std::vector<Candidate> &candidates, std::span<const uint8_t> bytes) {
  if (auto info = PeekIconImage(bytes.data(), bytes.size()))
    candidates.push_back({*info, bytes});
}

// .ico file: 16-byte entries with the image's size at 8 and its file offset at 12.
IconHandle BestIconOfFile(const ByteReader &file, int size) {
  auto count = DirectoryCount(file, 16);
  std::vector<Candidate> candidates;
  for (uint64_t i = 0; count && i < *count; ++i) {
    uint64_t entry = 6 + i * 16;
    if (auto bytes = file.slice(*file.u32le(entry + 12), *file.u32le(entry + 8)))
      AddCandidate(candidates, *bytes);
  }
  return BestIcon(std::move(candidates), size);
}

// Group resource: 14-byte entries naming their RT_ICON resource by identifier at 12.
IconHandle BestIconOfGroup(const platform::ResourceModule &module, std::span<const uint8_t> group,
                           int size) {
  ByteReader r(group);
  auto count = DirectoryCount(r, 14);
  std::vector<Candidate> candidates;
  for (uint64_t i = 0; count && i < *count; ++i) {
    uint16_t id = *r.u16le(6 + i * 14 + 12);
    if (auto bytes = module.FindResource(platform::RT_ICON, platform::ResourceName(id)))
      AddCandidate(candidates, *bytes);
  }
  return BestIcon(std::move(candidates), size);
}

bool IsModule(const ByteReader &file) {
  return file.u16le(0) == 0x5A4D;
} // "MZ"

// An index below -1 names a group by its integer identifier (-index), as on Windows.
std::optional<platform::ResourceName> GroupForIndex(const platform::ResourceModule &module, int index) {
  if (index < -1 && index >= -0xFFFF)
    return platform::ResourceName(static_cast<uint16_t>(-index));
  auto names = module.EnumResourceNames(platform::RT_GROUP_ICON);
  if (index < 0 || static_cast<size_t>(index) >= names.size())
    return std::nullopt;
  return names[static_cast<size_t>(index)];
}

// A parsed file of the shell functions: the module when it is one, else its bytes.
struct ParsedFile {
  std::string bytes;
  std::optional<platform::ResourceModule> module;
};

// The last file the shell functions read, kept while its size and time stay the same:
// a bar takes most of its icons from one or two modules, and parsing a module once per
// button would make opening a bar cost a read of the whole module per button.
std::shared_ptr<const ParsedFile> OpenFile(const std::string &windowsName) {
  static std::string lastHost;
  static std::optional<FileStamp> lastStamp;
  static std::shared_ptr<const ParsedFile> last;
  const std::string host = HostPath(windowsName);
  const auto stamp = GetFileStamp(windowsName);
  if (host.empty() || !stamp)
    return nullptr;
  if (last && host == lastHost && stamp == lastStamp)
    return last;
  auto bytes = ReadFileBytes(windowsName);
  if (!bytes)
    return nullptr;
  auto parsed = std::make_shared<ParsedFile>();
  if (IsModule(ByteReader(*bytes)))
    parsed->module = platform::ResourceModule::FromBytes(*bytes);
  else
    parsed->bytes = std::move(*bytes);
  lastHost = host;
  lastStamp = stamp;
  last = std::move(parsed);
  return last;
}

} // namespace

unsigned ExtractIconCountA(const std::string &windowsName) {
  auto file = OpenFile(windowsName);
  if (!file)
    return 0;
  if (!file->module)
    return DirectoryCount(ByteReader(file->bytes), 16).value_or(0) > 0 ? 1 : 0;
  return static_cast<unsigned>(file->module->EnumResourceNames(platform::RT_GROUP_ICON).size());
}

IconHandle ExtractIconA(const std::string &windowsName, int index) {
  return ExtractIconOfSize(windowsName, index, GetSystemMetricsIconSize());
}

IconHandle ExtractIconOfSize(const std::string &windowsName, int index, int size) {
  if (size < 1 || size > kMaxIconSide)
    return {};
  auto file = OpenFile(windowsName);
  if (!file)
    return {};
  if (!file->module)
    return index == 0 ? BestIconOfFile(ByteReader(file->bytes), size) : IconHandle();
  const platform::ResourceModule &module = *file->module;
  auto name = GroupForIndex(module, index);
  auto group = name ? module.FindResource(platform::RT_GROUP_ICON, *name) : std::nullopt;
  return group ? BestIconOfGroup(module, *group, size) : IconHandle();
}

} // namespace platform
