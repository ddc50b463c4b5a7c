// The icon cache: on saving, the bar's icons are collected into a 16-bit icon library
// beside the bar ("tools.bar" gets "tools.icl"), to which the bar may point.
#include "document/ButtonList.h"
#include "document/FileNames.h"
#include "document/IconReference.h"
#include "document/Resolve.h"
#include "icons/IconLibrary.h"
#include "platform/ByteReader.h"
#include "platform/HostFiles.h"
#include "platform/Profile.h"
#include "platform/TextRules.h"

#include <algorithm>
#include <span>

namespace {

// The cache file of a bar as a full Windows name, the form Total Commander understands.
std::string CacheFileOf(const std::string &barFile) {
  const std::string cacheFile = ChangeFileExt(barFile, ".icl");
  const std::string host = platform::HostPath(cacheFile);
  return host.empty() ? cacheFile : platform::WindowsName(host);
}

// A new icon in the cache library named after its button; returns it and its position.
std::pair<icons::TAdvancedIcon *, int> AppendIcon(icons::TIconLibrary &cache, int position) {
  auto icon = std::make_unique<icons::TAdvancedIcon>();
  icons::TAdvancedIcon *raw = icon.get();
  return {raw, cache.Icons.AddIcon(std::to_string(position), std::move(icon))};
}

// A cache is recognised by its bytes, as a save lays them out and nothing else does. Every
// library the 16-bit writer makes starts with the same 192 bytes but for one field: a stub
// of nothing but "MZ", the new header's offset and "IM", and an NE header whose fields are
// zero or fixed but for the offset to its names. Its resource table holds the group icon
// type, then the icon type, then the end word, right before the names, which start with
// the module name "ICL". And a cache, unlike any library meant for people, names its icons
// by the decimal positions of their buttons, in increasing order. A library the user made
// (by hand, with another tool, or with corvane-cli make-icl, which names icons after their
// sources), a 32-bit library or any other file fails one of these tests and is kept. The
// writer's bytes stay as they were, so the caches of earlier saves are still recognised.
// Only the headers, the two type entries, the end word and the names are read: never the
// resource entries or the icons.
constexpr uint64_t WriterNeHeader = 128;
constexpr uint64_t WriterHeadSize = 192;                    // stub and NE header
constexpr uint64_t WriterNameField = WriterNeHeader + 0x26; // offset to the names
constexpr uint64_t WriterResourceTable = WriterHeadSize;    // its alignment word
constexpr uint64_t WriterTypeEntrySize = 8;                 // type, count, reserved
constexpr uint64_t LongestPositionName = 9;                 // decimal digits

const std::string &WriterHead() {
  static const std::string head = [] {
    std::string bytes(WriterHeadSize, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    bytes[60] = static_cast<char>(WriterNeHeader);
    bytes[126] = 'I';
    bytes[127] = 'M';
    bytes[WriterNeHeader] = 'N';
    bytes[WriterNeHeader + 1] = 'E';
    bytes[WriterNeHeader + 0x22] = 0x40; // segment table: empty, right after the header
    bytes[WriterNeHeader + 0x24] = 0x40; // resource table
    bytes[WriterNeHeader + 0x36] = 2;    // target operating system: Windows
    bytes[WriterNeHeader + 0x3F] = 3;    // expected Windows version 3.0
    return bytes;
  }();
  return head;
}

// count bytes of the file at offset, or nothing when the file does not hold them all.
std::optional<std::string> ReadAt(const platform::ReadOnlyFile &file, uint64_t offset,
                                  uint64_t count) {
  if (offset > file.Size() || count > file.Size() - offset)
    return std::nullopt;
  std::string bytes(static_cast<size_t>(count), '\0');
  const std::span<uint8_t> into(reinterpret_cast<uint8_t *>(bytes.data()), bytes.size());
  if (!file.ReadInto(offset, into))
    return std::nullopt;
  return bytes;
}

// Whether a type entry of the resource table is the writer's: the type, any count, and
// a reserved zero. Gives the count.
std::optional<uint16_t> WriterTypeCount(const platform::ByteReader &entry, uint16_t type) {
  if (entry.u16le(0) != type || entry.u32le(4) != 0u)
    return std::nullopt;
  return entry.u16le(2);
}

// Whether the name area holds "ICL" and then `count` decimal button positions in
// increasing order (written as a cache writes them: no leading zero), then its end.
bool NamesButtonPositions(const platform::ByteReader &names, uint16_t count) {
  const auto module = names.slice(1, 3);
  if (names.u8(0) != 3 || !module || !std::equal(module->begin(), module->end(), "ICL"))
    return false;
  uint64_t at = 4;
  int64_t previous = -1;
  for (uint16_t i = 0; i < count; ++i) {
    const auto length = names.u8(at);
    if (!length || *length == 0 || *length > LongestPositionName)
      return false;
    const auto digits = names.slice(at + 1, *length);
    if (!digits || ((*digits)[0] == '0' && *length > 1))
      return false;
    int64_t position = 0;
    for (const uint8_t digit : *digits) {
      if (digit < '0' || digit > '9')
        return false;
      position = position * 10 + (digit - '0');
    }
    if (position <= previous)
      return false;
    previous = position;
    at += 1 + *length;
  }
  return names.u8(at) == 0;
}

// Whether the file is an icon cache that a save wrote (see above). A file that cannot be
// read is not known to be one.
bool IsWrittenCache(const std::string &file) {
  const auto opened = platform::ReadOnlyFile::Open(file);
  if (!opened)
    return false;
  const auto head = ReadAt(*opened, 0, WriterHeadSize + 2 + WriterTypeEntrySize);
  if (!head)
    return false;
  std::string fixed = head->substr(0, WriterHeadSize);
  fixed[WriterNameField] = fixed[WriterNameField + 1] = '\0';
  if (fixed != WriterHead())
    return false;
  const platform::ByteReader headBytes(*head);
  const auto groups =
      WriterTypeCount(headBytes.sub(WriterResourceTable + 2, WriterTypeEntrySize), 0x800E);
  if (!groups || *groups == 0)
    return false;
  const uint64_t iconType =
      WriterResourceTable + 2 + WriterTypeEntrySize + *groups * platform::kNeResourceEntrySize;
  const auto iconEntry = ReadAt(*opened, iconType, WriterTypeEntrySize);
  if (!iconEntry)
    return false;
  const auto images = WriterTypeCount(platform::ByteReader(*iconEntry), 0x8003);
  if (!images)
    return false;
  const uint64_t endWord =
      iconType + WriterTypeEntrySize + *images * platform::kNeResourceEntrySize;
  if (headBytes.u16le(WriterNameField) != endWord + 2 - WriterNeHeader)
    return false;
  // The end word, then the names: "ICL", one length byte and at most so many digits per
  // icon, and the closing zero. A cache's names may be shorter; the file may end sooner.
  if (endWord + 2 > opened->Size())
    return false;
  const uint64_t longest = 2 + 4 + *groups * (1 + LongestPositionName) + 1;
  const auto tail = ReadAt(*opened, endWord, std::min(longest, opened->Size() - endWord));
  if (!tail)
    return false;
  const platform::ByteReader tailBytes(*tail);
  return tailBytes.u16le(0) == 0 &&
         NamesButtonPositions(tailBytes.sub(2, tail->size() - 2), *groups);
}

// What a failure says about itself.
platform::MessageText FailureText(const std::exception &e) {
  if (const auto *said = dynamic_cast<const platform::EMessageError *>(&e))
    return said->Message();
  const std::string what = e.what();
  return what.empty() ? platform::Message("an error without a message") : platform::Verbatim(what);
}

} // namespace

// The modules one cache build has read: buttons sharing an icon file read it once.
class ButtonBar::ModuleCache {
public:
  const icons::TIconLibrary &Load(const std::string &path) {
    auto &library = libraries_[path];
    if (!library) {
      library = std::make_unique<icons::TIconLibrary>();
      library->LoadFromFile(path);
    }
    return *library;
  }

private:
  std::unordered_map<std::string, std::unique_ptr<icons::TIconLibrary>> libraries_;
};

void ButtonBar::CacheButtonIcon(icons::TIconLibrary &cache, ModuleCache &modules, int position) {
  const Button &button = *Buttons[static_cast<size_t>(position)];
  const std::string file = IconFilePart(button.IconRef);
  if (file.empty())
    return;
  const std::string path = ResolveFile(exeFileName_, file);
  const std::string key = std::to_string(position);
  if (platform::LowerText(FileExtension(path)) == ".ico") {
    // The icon is added even when its file is missing, so the cache indices of the
    // buttons after it stay what Total Commander's own cache would give them.
    auto [icon, index] = AppendIcon(cache, position);
    if (platform::FileExists(path)) {
      icon->LoadFromFile(path);
      icons::TIconLibrary::DropImagesBeyond16Bit(*icon);
      CacheMap.emplace_back(key, index);
    }
    return;
  }
  const std::optional<int> index = IconIndexPart(button.IconRef);
  if (!index)
    return; // an index beyond 32 bits names no icon: the button is not cached
  const std::optional<int> at = IconPosition(path, *index);
  if (!at)
    return;
  const icons::TIconLibrary &source = modules.Load(path);
  if (*at >= source.Icons.Count() || !source.Icons.Objects(*at))
    return;
  auto [icon, cacheIndex] = AppendIcon(cache, position);
  icon->Assign(*source.Icons.Objects(*at));
  // The cache is a 16-bit library, which holds no image of 256 pixels or more; a button
  // is never drawn that large, so such images are left out rather than fail the cache.
  icons::TIconLibrary::DropImagesBeyond16Bit(*icon);
  CacheMap.emplace_back(key, cacheIndex);
}

std::optional<platform::MessageText> ButtonBar::AssembleIconCache(icons::TIconLibrary &cache) {
  CacheMap.clear();
  try {
    ModuleCache modules;
    for (int position = 0; position < Count(); ++position)
      CacheButtonIcon(cache, modules, position);
    return std::nullopt;
  } catch (const std::exception &e) {
    // Any failure ends the build; the pairs recorded so far stay in CacheMap.
    return FailureText(e);
  }
}

bool ButtonBar::BuildIconCache(const std::string &cacheFileName) {
  icons::TIconLibrary cache;
  if (AssembleIconCache(cache))
    return false;
  try {
    cache.SaveToFile(cacheFileName);
    return true;
  } catch (const std::exception &) {
    return false;
  }
}

std::optional<platform::MessageText> ButtonBar::WritePendingCache(const std::string &cacheFile) {
  icons::TIconLibrary cache;
  std::optional<platform::MessageText> failure = AssembleIconCache(cache);
  // A bar without any icon to cache has no cache: nothing failed.
  if (failure || cache.Icons.Count() == 0)
    return failure;
  const std::string pending = cacheFile + ".corvane-new";
  try {
    cache.SaveToFile(pending);
    pendingCache_ = pending;
  } catch (const std::exception &e) {
    failure = FailureText(e);
  }
  return failure;
}

bool ButtonBar::BuildCacheForSave(const std::string &fileName) {
  const std::string cacheFile = CacheFileOf(fileName);
  cacheFile_ = cacheFile;
  pendingCache_.clear();
  cacheLookup_.clear();
  if (CacheMode == CacheOff) {
    // With the cache off no cache file is written: a file of the cache's name may be an
    // icon library of the user's that the buttons point into. Cache indices of an
    // earlier save number the buttons as they were, though, and after an icon change
    // would give Total Commander's menu the wrong icons: they go, as with a rebuild.
    if (IconsChanged)
      platform::EmptyProfileSection("AlternativeCache", fileName);
    return false;
  }
  if (platform::LowerText(FileExtension(fileName)) == ".icl") {
    // The bar would be its own cache: the library would overwrite the bar.
    CacheNote = platform::Message(
        "The bar %s is named like its own icon cache (.icl), so it is saved without one.",
        {platform::Verbatim(fileName)});
    return false;
  }
  const bool cacheThere = platform::FileExists(cacheFile);
  if (!cacheThere)
    IconsChanged = true;
  if (!IconsChanged)
    return false;
  if (cacheThere && !IsWrittenCache(cacheFile)) {
    // A cache replaces only a cache: anything else of that name is the user's and is
    // kept. The bar then refers to no cache, and its old indices go as above.
    CacheNote = platform::Message(
        "The icon cache %s was not written: that file is not an icon cache saved by Corvane "
        "(it may be an icon library of your own), so it is kept as it is and the bar is saved "
        "without a cache.",
        {platform::Verbatim(cacheFile)});
    platform::EmptyProfileSection("AlternativeCache", fileName);
    return false;
  }
  // The new library goes to a file of its own first; it replaces the cache only once
  // the bar itself is written, so the two never disagree on disk. A failed build is no
  // failure of the save, which goes on without it; the note says why.
  if (auto failure = WritePendingCache(cacheFile))
    CacheNote = platform::Message("The icon cache %s was not written: %s",
                                  {platform::Verbatim(cacheFile), std::move(*failure)});
  for (const auto &[key, index] : CacheMap)
    cacheLookup_.emplace(key, index); // the first pair of a key wins
  platform::EmptyProfileSection("AlternativeCache", fileName);
  return !pendingCache_.empty();
}

std::optional<std::string> ButtonBar::CacheLink(int position, bool cacheBuilt) const {
  if (CacheMode == CacheOff || CacheMode == CacheWithTcMenu || !IconsChanged || !cacheBuilt)
    return std::nullopt;
  auto pair = cacheLookup_.find(std::to_string(position));
  if (pair == cacheLookup_.end())
    return std::nullopt;
  return cacheFile_ + "," + std::to_string(pair->second);
}

void ButtonBar::WriteCacheIndex(const std::string &fileName, int position) {
  if (CacheMode != CacheWithTcMenu || !IconsChanged)
    return;
  auto pair = cacheLookup_.find(std::to_string(position));
  if (pair != cacheLookup_.end())
    platform::WriteProfileString("AlternativeCache", "CacheIndex" + std::to_string(position + 1),
                                 std::to_string(pair->second), fileName);
}

namespace {

// Renames a file of the cache; the error names the cache, not the temporary name.
void RenameCacheFile(const std::string &from, const std::string &to, const std::string &cache) {
  try {
    platform::ReplaceFile(from, to);
  } catch (const platform::EFileWriteError &e) {
    throw platform::EFileWriteError(platform::Message(
        "Cannot replace the icon cache %s (%s); neither the bar nor its cache was changed.",
        {platform::Verbatim(cache), e.Message()}));
  }
}

} // namespace

void ButtonBar::InstallPendingCache() {
  if (pendingCache_.empty())
    return;
  if (platform::FileExists(cacheFile_)) {
    const std::string backup = cacheFile_ + ".corvane-old";
    RenameCacheFile(cacheFile_, backup, cacheFile_);
    cacheBackup_ = backup;
  }
  RenameCacheFile(pendingCache_, cacheFile_, cacheFile_);
  pendingCache_.clear();
  cacheInstalled_ = true;
}

ButtonBar::PendingCacheGuard::~PendingCacheGuard() {
  if (released_)
    return;
  // Best effort on the way out of a failed save: nothing here may throw.
  if (!bar_.pendingCache_.empty())
    platform::DeleteFileA(bar_.pendingCache_);
  if (bar_.cacheInstalled_ && bar_.cacheBackup_.empty())
    platform::DeleteFileA(bar_.cacheFile_);
  if (!bar_.cacheBackup_.empty()) {
    try {
      platform::ReplaceFile(bar_.cacheBackup_, bar_.cacheFile_);
    } catch (const platform::EFileWriteError &) {
      // The old cache stays under its backup name rather than be lost.
    }
  }
  Clear();
}

void ButtonBar::PendingCacheGuard::Release() {
  released_ = true;
  if (!bar_.cacheBackup_.empty())
    platform::DeleteFileA(bar_.cacheBackup_);
  Clear();
}

void ButtonBar::PendingCacheGuard::Clear() {
  bar_.pendingCache_.clear();
  bar_.cacheBackup_.clear();
  bar_.cacheInstalled_ = false;
}
