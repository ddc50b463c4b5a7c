// The shell's icon extraction over our own readers: .ico files directly, PE and NE
// modules through their group-icon resources.
#include "icons/ByteReader.h"
#include "icons/ModuleResources.h"
#include "platform/HostFiles.h"
#include "platform/IconDecode.h"
#include "platform/IconHandle.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

namespace platform {

namespace {

using icons::ByteReader;

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

// True when `a` suits the system's icon size better than `b`: nearest in size, then
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

// The best image of the candidates that decodes, at the system's icon size. A damaged
// best image gives way to the next best rather than leaving the button without an icon.
IconHandle BestIcon(std::vector<Candidate> candidates) {
  int size = GetSystemMetricsIconSize();
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
IconHandle BestIconOfFile(const ByteReader &file) {
  auto count = DirectoryCount(file, 16);
  std::vector<Candidate> candidates;
  for (uint64_t i = 0; count && i < *count; ++i) {
    uint64_t entry = 6 + i * 16;
    if (auto bytes = file.slice(*file.u32le(entry + 12), *file.u32le(entry + 8)))
      AddCandidate(candidates, *bytes);
  }
  return BestIcon(std::move(candidates));
}

// Group resource: 14-byte entries naming their RT_ICON resource by identifier at 12.
IconHandle BestIconOfGroup(const icons::ResourceModule &module, std::span<const uint8_t> group) {
  ByteReader r(group);
  auto count = DirectoryCount(r, 14);
  std::vector<Candidate> candidates;
  for (uint64_t i = 0; count && i < *count; ++i) {
    uint16_t id = *r.u16le(6 + i * 14 + 12);
    if (auto bytes = module.FindResource(icons::RT_ICON, icons::ResourceName(id)))
      AddCandidate(candidates, *bytes);
  }
  return BestIcon(std::move(candidates));
}

bool IsModule(const ByteReader &file) {
  return file.u16le(0) == 0x5A4D;
} // "MZ"

// An index below -1 names a group by its integer identifier (-index), as on Windows.
std::optional<icons::ResourceName> GroupForIndex(const icons::ResourceModule &module, int index) {
  if (index < -1 && index >= -0xFFFF)
    return icons::ResourceName(static_cast<uint16_t>(-index));
  auto names = module.EnumResourceNames(icons::RT_GROUP_ICON);
  if (index < 0 || static_cast<size_t>(index) >= names.size())
    return std::nullopt;
  return names[static_cast<size_t>(index)];
}

// The file's bytes in one read into a buffer of the file's size. Counting the icons of
// a large DLL is mostly reading it, and reading in chunks into a growing buffer costs
// twice as much. Nothing when the name is not a readable regular file.
std::optional<std::string> ReadWholeFile(const std::string &windowsName) {
  std::string host = HostPath(windowsName);
  FILE *f = host.empty() ? nullptr : std::fopen(host.c_str(), "rb");
  if (!f)
    return std::nullopt;
  struct stat info {};
  std::optional<std::string> bytes;
  if (::fstat(::fileno(f), &info) == 0 && S_ISREG(info.st_mode)) {
    bytes.emplace(static_cast<size_t>(info.st_size), '\0');
    // A file that shrank meanwhile keeps what could be read.
    bytes->resize(std::fread(bytes->data(), 1, bytes->size(), f));
    if (std::ferror(f))
      bytes.reset();
  }
  std::fclose(f);
  return bytes;
}

} // namespace

unsigned ExtractIconCountA(const std::string &windowsName) {
  auto bytes = ReadWholeFile(windowsName);
  if (!bytes)
    return 0;
  ByteReader file(*bytes);
  if (!IsModule(file))
    return DirectoryCount(file, 16).value_or(0) > 0 ? 1 : 0;
  auto module = icons::ResourceModule::FromBytes(std::move(*bytes));
  if (!module)
    return 0;
  return static_cast<unsigned>(module->EnumResourceNames(icons::RT_GROUP_ICON).size());
}

IconHandle ExtractIconA(const std::string &windowsName, int index) {
  auto bytes = ReadWholeFile(windowsName);
  if (!bytes)
    return {};
  ByteReader file(*bytes);
  if (!IsModule(file))
    return index == 0 ? BestIconOfFile(file) : IconHandle();
  auto module = icons::ResourceModule::FromBytes(std::move(*bytes));
  if (!module)
    return {};
  auto name = GroupForIndex(*module, index);
  auto group = name ? module->FindResource(icons::RT_GROUP_ICON, *name) : std::nullopt;
  return group ? BestIconOfGroup(*module, *group) : IconHandle();
}

} // namespace platform
