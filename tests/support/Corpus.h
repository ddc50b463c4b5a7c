#pragma once
// The manifest of the workplace's corpus of real icon files (../shared/corpus), or
// nothing when the folder is not there; tests then skip and say so.
#include "support/TestSupport.h"

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>

namespace testsupport {

inline std::optional<nlohmann::json> CorpusManifest() {
  const auto shared = SharedDir();
  if (shared.empty() || !std::filesystem::exists(shared / "corpus" / "manifest.json"))
    return std::nullopt;
  return nlohmann::json::parse(ReadBytes(shared / "corpus" / "manifest.json"));
}

} // namespace testsupport
