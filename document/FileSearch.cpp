// Unit misk (HostPaths): where a bare file name is looked for.
#include "document/FileSearch.h"

#include "document/FileNames.h"
#include "document/HostEnvironment.h"
#include "platform/HostFiles.h"
#include "platform/TextRules.h"

namespace {

std::optional<std::string> OnSearchPath(ResolveTrace *trace, const std::string &name) {
  auto hit = SearchPathDirs(name);
  if (hit && !platform::FileExists(*hit))
    hit.reset();
  NoteStep(trace, ResolveRule::OnSearchPath, name, hit.has_value(), hit.value_or(""));
  return hit;
}

// Tries the name with each executable extension in order, with the given lookup.
template <typename Lookup>
std::optional<std::string> WithExtensions(const std::string &name, Lookup lookup) {
  for (std::string_view ext : ExecutableExtensions)
    if (auto hit = lookup(name + std::string(ext)))
      return hit;
  return std::nullopt;
}

} // namespace

void NoteStep(ResolveTrace *trace, ResolveRule rule, const std::string &name, bool exists,
              const std::string &found) {
  if (trace)
    trace->push_back({rule, name, exists, found});
}

std::optional<std::string> TryFile(ResolveTrace *trace, ResolveRule rule, const std::string &name) {
  const bool exists = platform::FileExists(name);
  NoteStep(trace, rule, name, exists);
  return exists ? std::optional<std::string>(name) : std::nullopt;
}

FileLookup LookUpBareName(const std::string &commanderPath, const std::string &name,
                          ResolveTrace *trace) {
  const std::string inCommander = platform::JoinTexts({commanderPath, "\\", name});
  if (!commanderPath.empty() && TryFile(trace, ResolveRule::InCommanderPath, inCommander))
    return {inCommander};
  const bool hasExt = !FileExtension(name).empty();
  auto onSearchPath = [trace](const std::string &tried) { return OnSearchPath(trace, tried); };
  if (auto hit = hasExt ? onSearchPath(name) : WithExtensions(name, onSearchPath))
    return {*hit};
  if (!commanderPath.empty()) {
    // A program kept in a folder of its own name below Total Commander's directory.
    const std::string inFolder = platform::JoinTexts({inCommander, "\\", name});
    auto inOwnFolder = [trace](const std::string &tried) {
      return TryFile(trace, ResolveRule::InFolderOfItsName, tried);
    };
    if (!hasExt)
      if (auto hit = WithExtensions(inFolder, inOwnFolder))
        return {*hit};
    if (inOwnFolder(inFolder))
      return {inFolder};
  }
  // Where Total Commander would have it: no file there, whatever the current folder holds.
  const std::string &missing = commanderPath.empty() ? name : inCommander;
  NoteStep(trace, ResolveRule::NothingFound, missing);
  return {missing, false};
}
