// Our profile functions (Profile) beside the system's GetPrivateProfileStringA family, on the
// recorded reference cases, in one process: every call is made with both, each on its
// own copy of the case's file, and the results and the files' bytes after each call must
// be the same, except in the cases listed below, where we differ on purpose.
// The system caches the files it has read, so every case and side has a file of its own,
// named alike in the code page (the name the system's 8-bit calls take).
#include "platform/HostFiles.h"
#include "support/ProfileCases.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <windows.h>

#include <filesystem>
#include <map>
#include <string>

using nlohmann::json;
using testsupport::ProfileFunctions;
using testsupport::RecordedProfileCase;

namespace {

const ProfileFunctions kSystemFunctions = {
    [](const char *section, const char *key, const char *defaultValue, char *buffer, uint32_t size,
       const char *file) -> uint32_t {
      return ::GetPrivateProfileStringA(section, key, defaultValue, buffer, size, file);
    },
    [](const char *section, const char *key, int defaultValue, const char *file) -> uint32_t {
      return ::GetPrivateProfileIntA(section, key, defaultValue, file);
    },
    [](const char *section, char *buffer, uint32_t size, const char *file) -> uint32_t {
      return ::GetPrivateProfileSectionA(section, buffer, size, file);
    },
    [](char *buffer, uint32_t size, const char *file) -> uint32_t {
      return ::GetPrivateProfileSectionNamesA(buffer, size, file);
    },
    [](const char *section, const char *key, const char *value, const char *file) {
      return ::WritePrivateProfileStringA(section, key, value, file) != FALSE;
    },
    [](const char *section, const char *keys, const char *file) {
      return ::WritePrivateProfileSectionA(section, keys, file) != FALSE;
    },
};

// Where a listed case differs: in the calls' results, or in the file the writes leave
// (the results agreeing). The other part must agree all the same.
enum class Differs { Results, File };
struct Deliberate {
  Differs in;
  const char *why;
};

const char *const kWineRewritesFiles =
    "Wine's: Wine writes the whole file anew in its own layout on every change (CR LF line "
    "ends, blank lines dropped, a final line end added); ours changes only the lines a write "
    "concerns and keeps every other byte, as Windows does";

// The cases where ours differs from the system's on purpose, and why.
const std::map<std::string, Deliberate> kDeliberateDifferences = {
    {"int-hex-lower",
     {Differs::Results, "ours reads integers as decimal numbers: \"0x10\" is 0, Wine reads hex"}},
    {"int-octal-0o",
     {Differs::Results, "ours reads integers as decimal numbers: \"0o17\" is 0, Wine reads octal"}},
    {"ci-read-nonascii",
     {Differs::Results, "Wine's: Wine matches names folding ASCII letters only; ours pairs Ä "
                        "and ä as Windows's upper-casing of the code page does"}},
    {"quote-bufsize-boundary",
     {Differs::Results, "Wine's: a quoted value cut by the buffer; ours cuts the quoted text "
                        "first and then takes off its quotes, as Windows does, Wine takes off "
                        "the quotes first"}},
    {"buf-key-list-small",
     {Differs::Results, "Wine's: a key list cut by the buffer ends in two NULs on Windows and "
                        "ours; Wine's 8-bit calls leave one"}},
    {"missing-file-delete-section",
     {Differs::File, "Wine's: deleting a section of a missing file leaves an empty file on "
                     "Windows and ours; Wine leaves no file"}},
    {"comment-before-first-section-write", {Differs::File, kWineRewritesFiles}},
    {"eol-cr-only-write", {Differs::File, kWineRewritesFiles}},
    {"eol-no-final-newline-modify", {Differs::File, kWineRewritesFiles}},
    {"layout-append-key-middle-section", {Differs::File, kWineRewritesFiles}},
    {"layout-append-key-last-section-trailing-blank", {Differs::File, kWineRewritesFiles}},
    {"layout-append-section-after-blank", {Differs::File, kWineRewritesFiles}},
    {"layout-modify-keeps-blank-lines", {Differs::File, kWineRewritesFiles}},
    {"wsec-empty-existing", {Differs::File, kWineRewritesFiles}},
    {"wsec-empty-last-section", {Differs::File, kWineRewritesFiles}},
    {"wsec-empty-case", {Differs::File, kWineRewritesFiles}},
    {"wsec-new-section", {Differs::File, kWineRewritesFiles}},
    {"write-same-value-different-quotes", {Differs::File, kWineRewritesFiles}},
};

// Every call's result, and the file's bytes after each call (null while there is none).
struct Replayed {
  json results = json::array();
  json files = json::array();
};

Replayed Replay(const json &c, const ProfileFunctions &functions,
                const std::filesystem::path &path) {
  const std::string file = platform::WindowsName(path.string());
  if (c["before"]["exists"])
    testsupport::WriteBytes(path, testsupport::RecordedBytes(c["before"]["bytes"]));
  Replayed replayed;
  for (const json &op : c["ops"]) {
    replayed.results.push_back(testsupport::ReplayProfileCall(op, functions, file));
    replayed.files.push_back(std::filesystem::exists(path)
                                 ? testsupport::RecordedText(testsupport::ReadBytes(path))
                                 : json());
  }
  return replayed;
}

// Ours beside the system's, call by call; or, for a part listed as different, that it is.
void Compare(const json &c, const json &ours, const json &system, bool listedAsDifferent) {
  if (listedAsDifferent) {
    EXPECT_NE(ours, system) << "agrees with the system now: take it off the list";
    return;
  }
  for (size_t i = 0; i < ours.size(); ++i)
    EXPECT_EQ(ours[i], system[i]) << "call " << i << ": " << c["ops"][i]["op"].get<std::string>()
                                  << " " << c["ops"][i]["args"].dump();
}

class ProfileSystem : public ::testing::TestWithParam<RecordedProfileCase> {};

TEST_P(ProfileSystem, AgreesWithTheSystemOrDiffersOnPurpose) {
  const json &c = GetParam().data;
  const std::string id = c["id"];
  testsupport::TempDir dir;
  const Replayed system = Replay(c, kSystemFunctions, dir / (id + "-system.ini"));
  const Replayed ours = Replay(c, testsupport::kOurProfileFunctions, dir / (id + "-ours.ini"));
  const auto listed = kDeliberateDifferences.find(id);
  const bool isListed = listed != kDeliberateDifferences.end();
  SCOPED_TRACE(isListed ? listed->second.why : "a case not listed as different");
  Compare(c, ours.results, system.results, isListed && listed->second.in == Differs::Results);
  Compare(c, ours.files, system.files, isListed && listed->second.in == Differs::File);
}

INSTANTIATE_TEST_SUITE_P(Recorded, ProfileSystem,
                         ::testing::ValuesIn(testsupport::LoadRecordedProfileCases()),
                         testsupport::RecordedCaseName);

} // namespace
