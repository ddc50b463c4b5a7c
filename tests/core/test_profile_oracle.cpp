// Reference results of the Windows profile functions, recorded from another
// implementation, replayed against ours one case at a time, each in a fresh folder.
// Where the recording is known to differ from Windows, or from the behaviour the bar
// files rely on, the expected result is amended below and the reason given.
#include "platform/HostFiles.h"
#include "platform/Profile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

using nlohmann::json;
using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

// Each character U+0000..U+00FF of a recorded string stands for one byte.
std::string Bytes(const json &value) {
  const std::string utf8 = value.get<std::string>();
  std::string bytes;
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      bytes += static_cast<char>(c);
    } else if (i + 1 < utf8.size()) {
      bytes +=
          static_cast<char>(((c & 0x1F) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
    }
  }
  return bytes;
}

// The same byte string as a recorded value.
json Latin1(const std::string &bytes) {
  std::string utf8;
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else {
      utf8 += static_cast<char>(0xC0 | (c >> 6));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return utf8;
}

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
          {{"ret", std::string(out).size()}, {"out", out}, {"tail", Latin1({'\0', '\xAA'})}});
  // A key list cut by a small buffer ends in two NULs on Windows; the recording's
  // 8-bit calls left one.
  for (size_t op = 1; op <= 4; ++op)
    Amend(c, "buf-key-list-small", op, {{"tail", Latin1(std::string(2, '\0'))}});
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

// One recorded case; printed by its id when it fails.
struct RecordedCase {
  json data;
};

void PrintTo(const RecordedCase &c, std::ostream *out) {
  *out << c.data["id"].get<std::string>();
}

std::vector<RecordedCase> LoadCases() {
  std::vector<RecordedCase> cases;
  std::ifstream in(testsupport::TestData("profile-vectors.jsonl"));
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty())
      continue;
    json c = json::parse(line);
    AmendRecording(c);
    cases.push_back({std::move(c)});
  }
  return cases;
}

const char *Text(const json &args, const char *field, std::string &storage) {
  if (!args.contains(field) || args[field].is_null())
    return nullptr;
  storage = Bytes(args[field]);
  return storage.c_str();
}

// Calls that fill a buffer: ret, the first ret bytes and the terminator(s) after them.
template <class Call> void CheckBuffer(const json &args, const json &expected, Call call) {
  const auto size = args["bufsize"].get<uint32_t>();
  std::string buffer(size + 2, '\xAA');
  const uint32_t ret = call(buffer.data(), size);
  ASSERT_EQ(ret, expected["ret"].get<uint32_t>());
  EXPECT_EQ(buffer.substr(0, ret), Bytes(expected["out"]));
  EXPECT_EQ(buffer.substr(ret, std::min<size_t>(2, size - ret)), Bytes(expected["tail"]));
}

void RunOp(const json &op, const std::string &file) {
  const json &args = op["args"];
  const json &expected = op["result"];
  const std::string name = op["op"];
  std::string s, k, d;
  if (name == "GETSTR") {
    CheckBuffer(args, expected, [&](char *buffer, uint32_t size) {
      return platform::GetPrivateProfileStringA(Text(args, "section", s), Text(args, "key", k),
                                                Text(args, "default", d), buffer, size,
                                                file.c_str());
    });
  } else if (name == "GETSECTION") {
    CheckBuffer(args, expected, [&](char *buffer, uint32_t size) {
      return platform::GetPrivateProfileSectionA(Text(args, "section", s), buffer, size,
                                                 file.c_str());
    });
  } else if (name == "GETSECNAMES") {
    CheckBuffer(args, expected, [&](char *buffer, uint32_t size) {
      return platform::GetPrivateProfileSectionNamesA(buffer, size, file.c_str());
    });
  } else if (name == "GETINT") {
    EXPECT_EQ(platform::GetPrivateProfileIntA(Text(args, "section", s), Text(args, "key", k),
                                              args["default"].get<int>(), file.c_str()),
              expected["ret"].get<uint32_t>());
  } else if (name == "WRITESTR") {
    std::string v;
    EXPECT_EQ(platform::WritePrivateProfileStringA(Text(args, "section", s), Text(args, "key", k),
                                                   Text(args, "value", v), file.c_str()),
              expected["ret"].get<int>() != 0);
  } else if (name == "WRITESECTION") {
    std::string list;
    for (const json &entry : args["entries"])
      list += Bytes(entry) + '\0';
    list += '\0';
    EXPECT_EQ(
        platform::WritePrivateProfileSectionA(Text(args, "section", s), list.data(), file.c_str()),
        expected["ret"].get<int>() != 0);
  } else if (name != "DUMP") {
    FAIL() << "unknown operation " << name;
  }
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
      list.push_back(Latin1(entry));
      at += entry.size() + 1;
    }
    view.push_back({{"section", Latin1(section)}, {"entries", list}});
  }
  return view;
}

// The recording was made in code page 1252, whatever this machine's locale says.
class ProfileOracle : public ::testing::TestWithParam<RecordedCase> {
  testsupport::ScopedCodePage codePage_{1252};
};

TEST_P(ProfileOracle, MatchesTheRecording) {
  const json &c = GetParam().data;
  SCOPED_TRACE(c["title"].get<std::string>());
  TempDir dir;
  const auto path = dir / "profile.ini";
  const std::string before = c["before"]["exists"] ? Bytes(c["before"]["bytes"]) : std::string();
  if (c["before"]["exists"])
    WriteBytes(path, before);
  const std::string file = testsupport::WindowsNameOf(path);
  platform::FlushProfileCache();
  for (size_t i = 0; i < c["ops"].size(); ++i) {
    SCOPED_TRACE("operation " + std::to_string(i) + ": " + c["ops"][i].dump());
    RunOp(c["ops"][i], file);
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
  if (exists && c["after"].contains("bytes") && Bytes(c["after"]["bytes"]).empty()) {
    EXPECT_EQ(ReadBytes(path), "");
  }
  EXPECT_EQ(ViewOf(file), c["view_after"]);
}

std::string CaseName(const ::testing::TestParamInfo<RecordedCase> &info) {
  std::string name = info.param.data["id"];
  for (char &ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch)))
      ch = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Recorded, ProfileOracle, ::testing::ValuesIn(LoadCases()), CaseName);

} // namespace
