#include "platform/TextFile.h"

#include "platform/CodePage.h"
#include "platform/HostFiles.h"
#include "platform/Utf8.h"

namespace platform {

namespace {

constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
constexpr uint32_t kReplacement = 0xFFFD;

bool StartsWith(std::string_view bytes, std::string_view mark) {
  return bytes.substr(0, mark.size()) == mark;
}

// UTF-16 text (after its mark) as UTF-8.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  const size_t units = bytes.size() / 2;
  auto unit = [&](size_t k) -> uint32_t {
    const auto a = static_cast<unsigned char>(bytes[2 * k]);
    const auto b = static_cast<unsigned char>(bytes[2 * k + 1]);
    return bigEndian ? (static_cast<uint32_t>(a) << 8 | b) : (static_cast<uint32_t>(b) << 8 | a);
  };
  const auto isLow = [](uint32_t u) { return u >= 0xDC00 && u <= 0xDFFF; };
  std::string out;
  out.reserve(units + units / 2);
  for (size_t k = 0; k < units; ++k) {
    uint32_t cp = unit(k);
    if (cp >= 0xD800 && cp <= 0xDBFF && k + 1 < units && isLow(unit(k + 1))) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(k + 1) - 0xDC00);
      ++k;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
    AppendUtf8(cp, out);
  }
  return out;
}

void AppendUtf16Unit(uint32_t unit, bool bigEndian, std::string &out) {
  const auto hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
  out += bigEndian ? hi : lo;
  out += bigEndian ? lo : hi;
}

// A malformed UTF-8 sequence becomes U+FFFD, one byte at a time.
std::string Utf8ToUtf16(std::string_view utf8, bool bigEndian) {
  std::string out;
  out.reserve(2 * utf8.size() + 2);
  AppendUtf16Unit(0xFEFF, bigEndian, out);
  for (size_t i = 0; i < utf8.size();) {
    std::optional<uint32_t> cp = NextCodePoint(utf8, i);
    if (!cp) {
      cp = kReplacement;
      ++i;
    }
    if (*cp >= 0x10000) {
      AppendUtf16Unit(0xD800 + ((*cp - 0x10000) >> 10), bigEndian, out);
      AppendUtf16Unit(0xDC00 + ((*cp - 0x10000) & 0x3FF), bigEndian, out);
    } else {
      AppendUtf16Unit(*cp, bigEndian, out);
    }
  }
  return out;
}

// The position of the line's first character the code page lacks (a malformed
// sequence counts as one); the line's size when it has none.
size_t FirstCharLacking(std::string_view line, int codePage) {
  for (size_t i = 0; i < line.size();) {
    const size_t at = i;
    if (!NextCodePoint(line, i) || !Utf8ToCodePage(line.substr(at, i - at), codePage))
      return at;
  }
  return line.size();
}

// Appends one line (without its line end) in the core's form.
void AppendLineAsText(std::string_view line, int codePage, std::string &out) {
  if (std::optional<std::string> bytes = Utf8ToCodePage(line, codePage)) {
    out += *bytes;
    return;
  }
  const size_t lacking = FirstCharLacking(line, codePage);
  const size_t cut = lacking == 0 ? std::string_view::npos : line.find_last_of("=;[", lacking - 1);
  size_t piece = cut == std::string_view::npos ? 0 : cut + 1;
  std::optional<std::string> head = Utf8ToCodePage(line.substr(0, piece), codePage);
  if (!head) { // characters that each fit but not together: the whole line is marked
    head.emplace();
    piece = 0;
  }
  out += *head;
  out += Utf8Mark;
  out += line.substr(piece);
}

} // namespace

TextEncoding EncodingOf(std::string_view bytes) {
  if (StartsWith(bytes, Utf8Mark))
    return TextEncoding::Utf8;
  if (StartsWith(bytes, kUtf16LeMark))
    return TextEncoding::Utf16Le;
  if (StartsWith(bytes, kUtf16BeMark))
    return TextEncoding::Utf16Be;
  return TextEncoding::Ansi;
}

std::string UnicodeFileToUtf8(std::string_view bytes, TextEncoding encoding) {
  switch (encoding) {
  case TextEncoding::Utf8:
    return std::string(bytes.substr(Utf8Mark.size()));
  case TextEncoding::Utf16Le:
    return Utf16ToUtf8(bytes.substr(kUtf16LeMark.size()), false);
  case TextEncoding::Utf16Be:
    return Utf16ToUtf8(bytes.substr(kUtf16BeMark.size()), true);
  case TextEncoding::Ansi:
    break;
  }
  return std::string(bytes);
}

std::string Utf8ToUnicodeFile(std::string_view utf8, TextEncoding encoding) {
  switch (encoding) {
  case TextEncoding::Utf8: {
    std::string bytes(Utf8Mark);
    bytes += utf8;
    return bytes;
  }
  case TextEncoding::Utf16Le:
    return Utf8ToUtf16(utf8, false);
  case TextEncoding::Utf16Be:
    return Utf8ToUtf16(utf8, true);
  case TextEncoding::Ansi:
    break;
  }
  return std::string(utf8);
}

std::string Utf8LinesToText(std::string_view utf8, int codePage) {
  std::string text;
  text.reserve(utf8.size() + utf8.size() / 8);
  size_t start = 0;
  while (start < utf8.size()) {
    size_t end = utf8.find_first_of("\r\n", start);
    if (end == std::string_view::npos)
      end = utf8.size();
    size_t next = end;
    if (next < utf8.size())
      next += (utf8[next] == '\r' && next + 1 < utf8.size() && utf8[next + 1] == '\n') ? 2 : 1;
    AppendLineAsText(utf8.substr(start, end - start), codePage, text);
    text.append(utf8.substr(end, next - end));
    start = next;
  }
  return text;
}

std::string DecodeTextFile(std::string_view bytes) {
  const TextEncoding encoding = EncodingOf(bytes);
  if (encoding == TextEncoding::Ansi)
    return std::string(bytes);
  return Utf8LinesToText(UnicodeFileToUtf8(bytes, encoding), SystemCodePage());
}

std::optional<std::string> ReadTextFile(const std::string &windowsName) {
  std::optional<std::string> bytes = ReadFileBytes(windowsName);
  if (!bytes || EncodingOf(*bytes) == TextEncoding::Ansi)
    return bytes;
  return DecodeTextFile(*bytes);
}

} // namespace platform
