// The shell's icon extraction over our own readers: .ico files directly, PE and NE
// modules through their group-icon resources.
#include "platform/ByteReader.h"
#include "platform/HostFiles.h"
#include "platform/IconDecode.h"
#include "platform/IconFormats.h"
#include "platform/IconHandle.h"
#include "platform/ModuleResources.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace platform {

namespace {

// One image a directory offers, with what its own header says of it.
struct Candidate {
  IconImageInfo info;
  std::span<const uint8_t> bytes;
  std::shared_ptr<const void> keep; // what holds the bytes, when anything must
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

void AddCandidate(std::vector<Candidate> &candidates, std::span<const uint8_t> bytes,
                  std::shared_ptr<const void> keep = nullptr) {
  if (auto info = PeekIconImage(bytes.data(), bytes.size()))
    candidates.push_back({*info, bytes, std::move(keep)});
}

// .ico file: the entries say where in the file each image lies.
IconHandle BestIconOfFile(const ByteReader &file, int size) {
  std::vector<Candidate> candidates;
  for (const IconDirEntry &entry : ReadIconDirectory(file, IconDirKind::File))
    if (auto bytes = file.slice(entry.imageOffset, entry.bytesInRes))
      AddCandidate(candidates, *bytes);
  return BestIcon(std::move(candidates), size);
}

// Group resource: the entries name the icon resources that hold the images. They are
// read for this icon alone, so that going through every icon of a module keeps none.
IconHandle BestIconOfGroup(const ResourceModule &module, std::span<const uint8_t> group, int size) {
  std::vector<Candidate> candidates;
  for (const IconDirEntry &entry : ReadIconDirectory(ByteReader(group), IconDirKind::Group))
    if (auto image = module.ReadResource(RT_ICON, ResourceName(entry.id)))
      AddCandidate(candidates, image->bytes, std::move(image->keep));
  return BestIcon(std::move(candidates), size);
}

// A negative index names a group by its integer identifier (-index), as the Windows
// shell reads an icon reference "file,-ID".
std::optional<ResourceName> GroupForIndex(const ResourceModule &module, int index) {
  if (index < 0 && index >= -0xFFFF)
    return ResourceName(static_cast<uint16_t>(-index));
  const std::vector<ResourceName> &groups = module.IconGroups();
  if (index < 0 || static_cast<size_t>(index) >= groups.size())
    return std::nullopt;
  return groups[static_cast<size_t>(index)];
}

// A parsed file of the shell functions: the module when it is one, else its bytes.
struct ParsedFile {
  std::string bytes;
  std::optional<ResourceModule> module;
};

// The file parsed: a module by its headers and resource directory, read by range; any
// other file whole, as an icon file is small. A file with a module's header that is
// no module holds no icons, so its bytes are not kept.
std::shared_ptr<const ParsedFile> Parse(const std::string &windowsName, const ReadOnlyFile &file) {
  auto parsed = std::make_shared<ParsedFile>();
  if (ReadNewHeader(file)) {
    parsed->module = ResourceModule::Load(file);
    return parsed;
  }
  auto bytes = ReadFileBytes(windowsName);
  if (!bytes)
    return nullptr;
  // Checked again: the file may have been replaced by a module since it was opened.
  if (!ReadNewHeader(ByteReader(*bytes)))
    parsed->bytes = std::move(*bytes);
  return parsed;
}

// The files the shell functions read last, each kept while its size and time stay the
// same: a bar takes most of its icons from a few modules, and parsing a module once per
// button would make opening or checking a bar cost a read of the module's directory per
// button. A few are kept, the least recently used making way, so that buttons taking
// turns between two modules do not parse both again each time.
std::shared_ptr<const ParsedFile> OpenFile(const std::string &windowsName) {
  struct Kept {
    FileStamp stamp;
    std::shared_ptr<const ParsedFile> parsed;
    uint64_t used = 0;
  };
  static std::mutex lock;
  static std::array<Kept, 8> kept;
  static uint64_t uses = 0;
  const auto file = ReadOnlyFile::Open(windowsName);
  if (!file)
    return nullptr;
  std::lock_guard<std::mutex> guard(lock);
  // The stamp tells files apart by their identity too, so it stands for the name.
  auto at = std::find_if(kept.begin(), kept.end(),
                         [&](const Kept &k) { return k.parsed && k.stamp == file->Stamp(); });
  if (at == kept.end()) {
    auto parsed = Parse(windowsName, *file);
    if (!parsed)
      return nullptr;
    at = std::min_element(kept.begin(), kept.end(),
                          [](const Kept &a, const Kept &b) { return a.used < b.used; });
    *at = {file->Stamp(), std::move(parsed)};
  }
  at->used = ++uses;
  return at->parsed;
}

} // namespace

unsigned ExtractIconCountA(const std::string &windowsName) {
  auto file = OpenFile(windowsName);
  if (!file)
    return 0;
  if (!file->module) {
    // An icon file cut short names images it no longer holds: it holds an icon only
    // when one of its images is there whole.
    const ByteReader bytes(file->bytes);
    for (const IconDirEntry &entry : ReadIconDirectory(bytes, IconDirKind::File))
      if (bytes.slice(entry.imageOffset, entry.bytesInRes))
        return 1;
    return 0;
  }
  return static_cast<unsigned>(file->module->IconGroups().size());
}

std::optional<unsigned> IconGroupPosition(const std::string &windowsName, int id) {
  auto file = OpenFile(windowsName);
  if (!file || !file->module || id < 1 || id > 0xFFFF)
    return std::nullopt;
  const std::vector<ResourceName> &groups = file->module->IconGroups();
  const auto at = std::find(groups.begin(), groups.end(), ResourceName(static_cast<uint16_t>(id)));
  if (at == groups.end())
    return std::nullopt;
  return static_cast<unsigned>(at - groups.begin());
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
  auto group = name ? module.ReadResource(RT_GROUP_ICON, *name) : std::nullopt;
  return group ? BestIconOfGroup(module, group->bytes, size) : IconHandle();
}

} // namespace platform
