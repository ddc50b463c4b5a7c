// The shell's icon extraction over our own readers: .ico files directly, PE and NE
// modules through their group-icon resources.
#include "platform/ByteReader.h"
#include "platform/HostFiles.h"
#include "platform/IconDecode.h"
#include "platform/IconFormats.h"
#include "platform/IconHandle.h"
#include "platform/ModuleResources.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

namespace platform {

namespace {

// One image a directory offers, with what its own header says of it.
struct Candidate {
  IconImageInfo info;
  std::span<const uint8_t> bytes;
};

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

// .ico file: the entries say where in the file each image lies.
IconHandle BestIconOfFile(const ByteReader &file, int size) {
  std::vector<Candidate> candidates;
  for (const IconDirEntry &entry : ReadIconDirectory(file, IconDirKind::File))
    if (auto bytes = file.slice(entry.imageOffset, entry.bytesInRes))
      AddCandidate(candidates, *bytes);
  return BestIcon(std::move(candidates), size);
}

// Group resource: the entries name the icon resources that hold the images.
IconHandle BestIconOfGroup(const ResourceModule &module, std::span<const uint8_t> group, int size) {
  std::vector<Candidate> candidates;
  for (const IconDirEntry &entry : ReadIconDirectory(ByteReader(group), IconDirKind::Group))
    if (auto bytes = module.FindResource(RT_ICON, ResourceName(entry.id)))
      AddCandidate(candidates, *bytes);
  return BestIcon(std::move(candidates), size);
}

// An index below -1 names a group by its integer identifier (-index), as on Windows.
std::optional<ResourceName> GroupForIndex(const ResourceModule &module, int index) {
  if (index < -1 && index >= -0xFFFF)
    return ResourceName(static_cast<uint16_t>(-index));
  auto names = module.EnumResourceNames(RT_GROUP_ICON);
  if (index < 0 || static_cast<size_t>(index) >= names.size())
    return std::nullopt;
  return names[static_cast<size_t>(index)];
}

// A parsed file of the shell functions: the module when it is one, else its bytes.
struct ParsedFile {
  std::string bytes;
  std::optional<ResourceModule> module;
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
  if (ReadNewHeader(ByteReader(*bytes)))
    parsed->module = ResourceModule::FromBytes(std::move(*bytes));
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
    return ReadIconDirectory(ByteReader(file->bytes), IconDirKind::File).empty() ? 0 : 1;
  return static_cast<unsigned>(file->module->EnumResourceNames(RT_GROUP_ICON).size());
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
  const ResourceModule &module = *file->module;
  auto name = GroupForIndex(module, index);
  auto group = name ? module.FindResource(RT_GROUP_ICON, *name) : std::nullopt;
  return group ? BestIconOfGroup(module, *group, size) : IconHandle();
}

} // namespace platform
