#include "platform/WineRegistry.h"

#include "platform/Utf8.h"
#include "platform/WinePrefix.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string_view>

namespace platform {

namespace {

template <typename TimePoint> int64_t NsSinceEpoch(TimePoint time) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
}

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char &c : lower)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// Reads the escape after a backslash at text[pos]; returns the character (a UTF-16
// unit) and moves pos past the escape. Wine writes control characters as C escapes and
// other characters as \x with up to four hex digits; a backslash before any other
// character stands for it.
unsigned ReadEscape(std::string_view text, size_t &pos) {
  const char c = text[pos++];
  switch (c) {
  case 'a':
    return '\a';
  case 'b':
    return '\b';
  case 'e':
    return '\x1b';
  case 'f':
    return '\f';
  case 'n':
    return '\n';
  case 'r':
    return '\r';
  case 't':
    return '\t';
  case 'v':
    return '\v';
  case 'x': {
    unsigned code = 0;
    for (int n = 0; n < 4 && pos < text.size() && HexDigit(text[pos]) >= 0; ++n)
      code = code * 16 + static_cast<unsigned>(HexDigit(text[pos++]));
    return code;
  }
  default:
    break;
  }
  if (c >= '0' && c <= '7') {
    unsigned code = static_cast<unsigned>(c - '0');
    for (int n = 1; n < 3 && pos < text.size() && text[pos] >= '0' && text[pos] <= '7'; ++n)
      code = code * 8 + static_cast<unsigned>(text[pos++] - '0');
    return code;
  }
  return static_cast<unsigned char>(c);
}

// Reads escaped text from pos up to the unescaped terminator; pos ends just past the
// terminator. Nothing when the line ends first.
std::optional<std::string> ReadEscaped(std::string_view text, size_t &pos, char terminator) {
  std::string out;
  while (pos < text.size()) {
    const char c = text[pos++];
    if (c == terminator)
      return out;
    if (c == '\\' && pos < text.size())
      AppendUtf8(ReadEscape(text, pos), out);
    else
      out += c;
  }
  return std::nullopt;
}

// "hex(N):" data: comma-separated byte pairs of a UTF-16LE string, ending at its first
// zero character or at the first thing that is not a byte.
std::string DecodeHexString(std::string_view data) {
  std::string bytes;
  size_t pos = 0;
  while (pos + 1 < data.size()) {
    while (pos < data.size() && (data[pos] == ',' || data[pos] == ' ' || data[pos] == '\t'))
      ++pos;
    if (pos + 1 >= data.size() || HexDigit(data[pos]) < 0 || HexDigit(data[pos + 1]) < 0)
      break;
    bytes += static_cast<char>(HexDigit(data[pos]) * 16 + HexDigit(data[pos + 1]));
    pos += 2;
  }
  std::string out;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const unsigned code = static_cast<unsigned char>(bytes[i]) |
                          (static_cast<unsigned>(static_cast<unsigned char>(bytes[i + 1])) << 8);
    if (code == 0)
      break;
    AppendUtf8(code, out);
  }
  return out;
}

// One line of the text starting at pos, without its line break; pos moves to the next.
std::string_view NextLine(std::string_view text, size_t &pos) {
  const size_t end = std::min(text.find('\n', pos), text.size());
  std::string_view line = text.substr(pos, end - pos);
  pos = end < text.size() ? end + 1 : end;
  if (!line.empty() && line.back() == '\r')
    line.remove_suffix(1);
  return line;
}

// The value part after "=": a quoted string, str(N): string or hex(N): bytes, which may
// continue on the following lines after a trailing backslash.
std::optional<RegistryValue> ParseValueData(std::string_view text, std::string_view data,
                                            size_t nextLine) {
  RegistryValue value;
  size_t pos = 0;
  if (data.rfind("str(", 0) == 0) {
    if (data.rfind("str(2):\"", 0) == 0)
      value.expandable = true;
    else if (data.rfind("str(1):\"", 0) != 0)
      return std::nullopt;
    pos = 7;
  }
  if (pos < data.size() && data[pos] == '"') {
    ++pos;
    auto str = ReadEscaped(data, pos, '"');
    if (!str)
      return std::nullopt;
    value.data = std::move(*str);
    return value;
  }
  const bool hex2 = data.rfind("hex(2):", 0) == 0;
  if (!hex2 && data.rfind("hex(1):", 0) != 0)
    return std::nullopt;
  std::string bytes(data.substr(7));
  while (!bytes.empty() && bytes.back() == '\\' && nextLine < text.size()) {
    bytes.pop_back();
    bytes += NextLine(text, nextLine);
  }
  value.expandable = hex2;
  value.data = DecodeHexString(bytes);
  return value;
}

} // namespace

WineRegistryText::WineRegistryText(std::string text) : text_(std::move(text)) {
  size_t pos = 0;
  while (pos < text_.size()) {
    std::string_view line = NextLine(text_, pos);
    if (line.empty() || line[0] != '[')
      continue;
    size_t at = 1;
    if (auto name = ReadEscaped(line, at, ']'))
      keys_.emplace(LowerAscii(*name), pos); // the first of duplicate keys wins
  }
}

std::optional<RegistryValue> WineRegistryText::Value(const std::string &keyPath,
                                                     const std::string &valueName) const {
  auto key = keys_.find(LowerAscii(keyPath));
  if (key == keys_.end())
    return std::nullopt;
  const std::string wanted = LowerAscii(valueName);
  size_t pos = key->second;
  while (pos < text_.size()) {
    std::string_view line = NextLine(text_, pos);
    if (!line.empty() && line[0] == '[')
      break;
    std::string name;
    size_t at = 1;
    if (line.rfind("@=", 0) == 0) {
      at = 1;
    } else if (line.empty() || line[0] != '"') {
      continue;
    } else if (auto quoted = ReadEscaped(line, at, '"')) {
      name = std::move(*quoted);
    } else {
      continue;
    }
    if (at >= line.size() || line[at] != '=' || LowerAscii(name) != wanted)
      continue;
    return ParseValueData(text_, line.substr(at + 1), pos);
  }
  return std::nullopt;
}

std::shared_ptr<const WineRegistryText> ReadWineRegistry(const std::string &hostFile) {
  struct Cached {
    int64_t size = -1;
    int64_t modifiedNs = 0;
    int64_t readNs = 0;
    std::shared_ptr<const WineRegistryText> registry;
  };
  static std::mutex lock;
  static std::map<std::string, Cached> cache;

  const std::filesystem::path path(hostFile);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec))
    return nullptr;
  const auto size = static_cast<int64_t>(std::filesystem::file_size(path, ec));
  const auto time = std::filesystem::last_write_time(path, ec);
  if (ec)
    return nullptr;
  const int64_t modified = NsSinceEpoch(std::chrono::file_clock::to_sys(time));
  std::lock_guard<std::mutex> guard(lock);
  Cached &entry = cache[hostFile];
  // A file read within a second of its last change may change again without its time
  // moving on, so such a reading is not trusted the next time.
  if (!entry.registry || entry.size != size || entry.modifiedNs != modified ||
      entry.readNs - modified < 1000000000) {
    std::ifstream in(hostFile, std::ios::binary);
    if (!in)
      return nullptr;
    std::ostringstream text;
    text << in.rdbuf();
    entry.readNs = NsSinceEpoch(std::chrono::system_clock::now());
    entry.size = size;
    entry.modifiedNs = modified;
    entry.registry = std::make_shared<const WineRegistryText>(text.str());
  }
  return entry.registry;
}

std::shared_ptr<const WineRegistryText> ReadPrefixHive(RegistryHive hive) {
  const std::string prefix = WinePrefixDir();
  if (prefix.empty())
    return nullptr;
  return ReadWineRegistry(prefix +
                          (hive == RegistryHive::LocalMachine ? "/system.reg" : "/user.reg"));
}

std::optional<RegistryValue> ReadWineRegistryValue(const std::string &hostFile,
                                                   const std::string &keyPath,
                                                   const std::string &valueName) {
  const auto registry = ReadWineRegistry(hostFile);
  return registry ? registry->Value(keyPath, valueName) : std::nullopt;
}

} // namespace platform
