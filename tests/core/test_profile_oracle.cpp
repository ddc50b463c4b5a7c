// Reference results of the Windows profile functions, recorded from another
// implementation, replayed against ours one case at a time, each in a fresh folder.
// Where the recording is known to differ from Windows, or from the behaviour the bar
// files rely on, the expected result is amended below and the reason given.
#include "platform/HostFiles.h"
#include "platform/Profile.h"
#include "support/ProfileCases.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

using nlohmann::json;
using testsupport::ReadBytes;
using testsupport::RecordedBytes;
using testsupport::RecordedProfileCase;
using testsupport::RecordedText;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

void Amend(json &testCase, const char *id, size_t op, const json &result) {
  if (testCase["id"] != id)
    return;
  for (const auto &[field, value] : result.items())
    testCase["ops"][op]["result"][field] = value;
}

// Amendments to the recording; every one names the behaviour we chose instead.
void AmendRecording(json &c) {
  // Windows matches names with its upper-casing of the code page, which pairs Ä and ä;
  // the recording folded ASCII letters only.
  Amend(c, "ci-read-nonascii", 0, {{"ret", 1}, {"out", "1"}});
  // Windows cuts a quoted value to the buffer first and then takes off its quotes, so a
  // value cut short arrives one character shorter than its unquoted text cut; the
  // recording cut the unquoted text whenever that did not fit.
  const std::pair<size_t, const char *> cutShort[] = {{3, "abcd"}, {4, "abc"}, {5, ""}};
  for (const auto &[op, out] : cutShort)
    Amend(c, "quote-bufsize-boundary", op,
          {{"ret", std::string(out).size()}, {"out", out}, {"tail", RecordedText({'\0', '\xAA'})}});
  // A key list cut by a small buffer ends in two NULs on Windows; the recording's
  // 8-bit calls left one.
  for (size_t op = 1; op <= 4; ++op)
    Amend(c, "buf-key-list-small", op, {{"tail", RecordedText(std::string(2, '\0'))}});
  // Integers are read as decimal numbers; "0x10" and "0o17" read as 0.
  for (size_t op : {0, 1, 3, 4})
    Amend(c, "int-hex-lower", op, {{"ret", 0}, {"signed", 0}});
  for (size_t op : {0, 1})
    Amend(c, "int-octal-0o", op, {{"ret", 0}, {"signed", 0}});
  // Windows creates the missing file (empty) when asked to delete a section in it.
  if (c["id"] == "missing-file-delete-section") {
    c["after"] = {{"exists", true}, {"bytes", ""}};
    c["file_changed"] = true;
    c["view_after"] = json::array();
  }
}

std::vector<RecordedProfileCase> LoadCases() {
  std::vector<RecordedProfileCase> cases = testsupport::LoadRecordedProfileCases();
  for (RecordedProfileCase &c : cases)
    AmendRecording(c.data);
  return cases;
}

// The call's result in each field ours gives (the recording has more: err, signed).
void CheckCall(const json &op, const std::string &file) {
  if (op["op"] == "DUMP")
    return;
  const json actual = testsupport::ReplayProfileCall(op, testsupport::kOurProfileFunctions, file);
  for (const auto &[field, value] : actual.items())
    EXPECT_EQ(value, op["result"][field]) << field;
}

// The file as the profile functions read it back: each section with its entries.
json ViewOf(const std::string &file) {
  platform::FlushProfileCache();
  std::string names(1 << 16, '\0');
  names.resize(platform::GetPrivateProfileSectionNamesA(names.data(), 1 << 16, file.c_str()));
  json view = json::array();
  size_t start = 0;
  while (start < names.size()) {
    const std::string section = names.substr(start, names.find('\0', start) - start);
    start += section.size() + 1;
    std::string entries(1 << 16, '\0');
    entries.resize(platform::GetPrivateProfileSectionA(section.c_str(), entries.data(), 1 << 16,
                                                       file.c_str()));
    json list = json::array();
    for (size_t at = 0; at < entries.size();) {
      const std::string entry = entries.substr(at, entries.find('\0', at) - at);
      list.push_back(RecordedText(entry));
      at += entry.size() + 1;
    }
    view.push_back({{"section", RecordedText(section)}, {"entries", list}});
  }
  return view;
}

// The recording was made in code page 1252, whatever this machine's locale says.
class ProfileOracle : public ::testing::TestWithParam<RecordedProfileCase> {
  testsupport::ScopedCodePage codePage_{1252};
};

TEST_P(ProfileOracle, MatchesTheRecording) {
  const json &c = GetParam().data;
  SCOPED_TRACE(c["title"].get<std::string>());
  TempDir dir;
  const auto path = dir / "profile.ini";
  const std::string before =
      c["before"]["exists"] ? RecordedBytes(c["before"]["bytes"]) : std::string();
  if (c["before"]["exists"])
    WriteBytes(path, before);
  const std::string file = testsupport::WindowsNameOf(path);
  platform::FlushProfileCache();
  for (size_t i = 0; i < c["ops"].size(); ++i) {
    SCOPED_TRACE("operation " + std::to_string(i) + ": " + c["ops"][i].dump());
    CheckCall(c["ops"][i], file);
  }
  const bool exists = std::filesystem::exists(path);
  ASSERT_EQ(exists, c["after"]["exists"].get<bool>());
  if (!c["file_changed"].get<bool>()) {
    // A file the calls did not change keeps every byte.
    if (exists) {
      EXPECT_EQ(ReadBytes(path), before);
    }
    return;
  }
  // Our edits keep the layout the recording rewrote, so the file is compared as read.
  if (exists && c["after"].contains("bytes") && RecordedBytes(c["after"]["bytes"]).empty()) {
    EXPECT_EQ(ReadBytes(path), "");
  }
  EXPECT_EQ(ViewOf(file), c["view_after"]);
}

INSTANTIATE_TEST_SUITE_P(Recorded, ProfileOracle, ::testing::ValuesIn(LoadCases()),
                         testsupport::RecordedCaseName);

} // namespace
