// The icon cache: on saving, the bar's icons are collected into a 16-bit icon library
// beside the bar ("tools.bar" gets "tools.icl"), to which the bar may point.
#include "document/ButtonList.h"
#include "document/Globals.h"
#include "document/HostPaths.h"
#include "icons/IconLibrary.h"
#include "platform/HostFiles.h"
#include "platform/Profile.h"
#include "platform/TextRules.h"

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

// What a failure says about itself; never empty, as an empty text means success.
std::string FailureText(const std::exception &e) {
  const std::string what = e.what();
  return what.empty() ? "an error without a message" : what;
}

} // namespace

// The modules one cache build has read: buttons sharing an icon file read it once.
class ButtonsList::ModuleCache {
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

void ButtonsList::CacheButtonIcon(icons::TIconLibrary &cache, ModuleCache &modules, int position) {
  const TButts &button = *Buttons[static_cast<size_t>(position)];
  const std::string file = IconFilePart(button.IconRef);
  if (file.empty())
    return;
  const std::string path = ResolveFile(ExeFileName, file);
  const std::string key = std::to_string(position);
  if (platform::LowerText(FileExtension(path)) == ".ico") {
    // The icon is added even when its file is missing, so the cache indices of the
    // buttons after it stay what Total Commander's own cache would give them.
    auto [icon, index] = AppendIcon(cache, position);
    if (platform::FileExists(path)) {
      icon->LoadFromFile(path);
      CacheMap.emplace_back(key, index);
    }
    return;
  }
  int index = 0;
  try {
    index = IconIndexPart(button.IconRef);
  } catch (const EConvertError &) {
    return; // an index beyond 32 bits names no icon: the button is not cached
  }
  const icons::TIconLibrary &source = modules.Load(path);
  if (index >= source.Icons.Count() || !source.Icons.Objects(index))
    return;
  auto [icon, cacheIndex] = AppendIcon(cache, position);
  icon->Assign(*source.Icons.Objects(index));
  CacheMap.emplace_back(key, cacheIndex);
}

std::string ButtonsList::AssembleIconCache(icons::TIconLibrary &cache) {
  CacheMap.clear();
  try {
    ModuleCache modules;
    for (int position = 0; position < Count(); ++position)
      CacheButtonIcon(cache, modules, position);
    return {};
  } catch (const std::exception &e) {
    // Any failure ends the build; the pairs recorded so far stay in CacheMap.
    return FailureText(e);
  }
}

bool ButtonsList::BuildIconCache(const std::string &cacheFileName) {
  icons::TIconLibrary cache;
  if (!AssembleIconCache(cache).empty())
    return false;
  try {
    cache.SaveToFile(cacheFileName);
    return true;
  } catch (const std::exception &) {
    return false;
  }
}

std::string ButtonsList::WritePendingCache(const std::string &cacheFile) {
  icons::TIconLibrary cache;
  std::string failure = AssembleIconCache(cache);
  // A bar without any icon to cache has no cache: nothing failed.
  if (!failure.empty() || cache.Icons.Count() == 0)
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

bool ButtonsList::BuildCacheForSave(const std::string &fileName) {
  const std::string cacheFile = CacheFileOf(fileName);
  cacheFile_ = cacheFile;
  pendingCache_.clear();
  cacheLookup_.clear();
  if (platform::LowerText(FileExtension(fileName)) == ".icl") {
    // The bar would be its own cache: the library would overwrite the bar.
    if (CacheMode != CacheOff || IconsChanged)
      CacheNote = "The bar " + fileName +
                  " is named like its own icon cache (.icl), so it is saved without one.";
    return false;
  }
  if (CacheMode != CacheOff && !platform::FileExists(cacheFile))
    IconsChanged = true;
  if (!IconsChanged)
    return false;
  // The new library goes to a file of its own first; it replaces the cache only once
  // the bar itself is written, so the two never disagree on disk. A failed build is no
  // failure of the save, which goes on without it; the note says why.
  const std::string failure = WritePendingCache(cacheFile);
  if (!failure.empty())
    CacheNote = "The icon cache " + cacheFile + " was not written: " + failure;
  for (const auto &[key, index] : CacheMap)
    cacheLookup_.emplace(key, index); // the first pair of a key wins
  platform::EmptyProfileSection("AlternativeCache", fileName);
  return !pendingCache_.empty();
}

std::optional<std::string> ButtonsList::CacheLink(int position, bool cacheBuilt) const {
  if (CacheMode == CacheOff || CacheMode == CacheAlternative || !IconsChanged || !cacheBuilt)
    return std::nullopt;
  auto pair = cacheLookup_.find(std::to_string(position));
  if (pair == cacheLookup_.end())
    return std::nullopt;
  return cacheFile_ + "," + std::to_string(pair->second);
}

void ButtonsList::WriteCacheIndex(const std::string &fileName, int position) {
  if (CacheMode != CacheAlternative || !IconsChanged)
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
    throw platform::EFileWriteError("Cannot replace the icon cache " + cache + " (" + e.what() +
                                    "); neither the bar nor its cache was changed.");
  }
}

} // namespace

void ButtonsList::InstallPendingCache() {
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

ButtonsList::PendingCacheGuard::~PendingCacheGuard() {
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

void ButtonsList::PendingCacheGuard::Release() {
  released_ = true;
  if (!bar_.cacheBackup_.empty())
    platform::DeleteFileA(bar_.cacheBackup_);
  Clear();
}

void ButtonsList::PendingCacheGuard::Clear() {
  bar_.pendingCache_.clear();
  bar_.cacheBackup_.clear();
  bar_.cacheInstalled_ = false;
}
