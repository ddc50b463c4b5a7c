#include "support/ProfileCases.h"
#include "support/TestSupport.h"

#include "platform/Profile.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <stdexcept>

using nlohmann::json;

namespace testsupport {

std::string RecordedBytes(const json &value) {
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

json RecordedText(const std::string &bytes) {
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

void PrintTo(const RecordedProfileCase &c, std::ostream *out) {
  *out << c.data["id"].get<std::string>();
}

std::vector<RecordedProfileCase> LoadRecordedProfileCases() {
  std::vector<RecordedProfileCase> cases;
  std::ifstream in(TestData("profile-vectors.jsonl"));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty())
      cases.push_back({json::parse(line)});
  }
  return cases;
}

std::string RecordedCaseName(const ::testing::TestParamInfo<RecordedProfileCase> &info) {
  std::string name = info.param.data["id"];
  for (char &ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch)))
      ch = '_';
  return name;
}

const ProfileFunctions kOurProfileFunctions = {
    platform::GetPrivateProfileStringA,   platform::GetPrivateProfileIntA,
    platform::GetPrivateProfileSectionA,  platform::GetPrivateProfileSectionNamesA,
    platform::WritePrivateProfileStringA, platform::WritePrivateProfileSectionA,
};

namespace {

const char *Text(const json &args, const char *field, std::string &storage) {
  if (!args.contains(field) || args[field].is_null())
    return nullptr;
  storage = RecordedBytes(args[field]);
  return storage.c_str();
}

// A call that fills a buffer pre-filled with 0xAA: ret, the first ret bytes and the
// (at most two) bytes after them.
template <class Call> json BufferResult(const json &args, Call call) {
  const auto size = args["bufsize"].get<uint32_t>();
  std::string buffer(size + 2, '\xAA');
  const uint32_t ret = call(buffer.data(), size);
  const size_t used = std::min<size_t>(ret, size);
  return {{"ret", ret},
          {"out", RecordedText(buffer.substr(0, used))},
          {"tail", RecordedText(buffer.substr(used, std::min<size_t>(2, size - used)))}};
}

} // namespace

json ReplayProfileCall(const json &op, const ProfileFunctions &functions, const std::string &file) {
  const json &args = op["args"];
  const std::string name = op["op"];
  const char *path = file.c_str();
  std::string s, k, d, v;
  if (name == "GETSTR") {
    return BufferResult(args, [&](char *buffer, uint32_t size) {
      return functions.getString(Text(args, "section", s), Text(args, "key", k),
                                 Text(args, "default", d), buffer, size, path);
    });
  }
  if (name == "GETSECTION") {
    return BufferResult(args, [&](char *buffer, uint32_t size) {
      return functions.getSection(Text(args, "section", s), buffer, size, path);
    });
  }
  if (name == "GETSECNAMES") {
    return BufferResult(args, [&](char *buffer, uint32_t size) {
      return functions.getSectionNames(buffer, size, path);
    });
  }
  if (name == "GETINT") {
    return {{"ret", functions.getInt(Text(args, "section", s), Text(args, "key", k),
                                     args["default"].get<int>(), path)}};
  }
  if (name == "WRITESTR") {
    return {{"ret", functions.writeString(Text(args, "section", s), Text(args, "key", k),
                                          Text(args, "value", v), path)
                        ? 1
                        : 0}};
  }
  if (name == "WRITESECTION") {
    std::string list;
    for (const json &entry : args["entries"])
      list += RecordedBytes(entry) + '\0';
    list += '\0';
    return {{"ret", functions.writeSection(Text(args, "section", s), list.data(), path) ? 1 : 0}};
  }
  if (name != "DUMP")
    throw std::invalid_argument("unknown profile call " + name);
  return nullptr;
}

} // namespace testsupport
