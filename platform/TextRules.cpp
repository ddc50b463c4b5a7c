#include "platform/TextRules.h"

#include "platform/CodePage.h"
#include "platform/Utf8.h"

#include <algorithm>

namespace platform {

namespace {

// Marked text changes case character by character through Unicode; bytes that are no
// UTF-8 stay as they are.
void ChangeMarkedCase(std::string_view text, bool lower, std::string &out) {
  out.assign(Utf8Mark);
  for (size_t i = Utf8Mark.size(); i < text.size();) {
    const size_t start = i;
    if (const std::optional<uint32_t> cp = NextCodePoint(text, i)) {
      AppendUtf8(lower ? LowerCodePoint(*cp) : UpperCodePoint(*cp), out);
    } else {
      out += text[start];
      i = start + 1;
    }
  }
}

void ChangeCase(std::string_view text, bool lower, std::string &out) {
  if (IsMarked(text)) {
    ChangeMarkedCase(text, lower, out);
    return;
  }
  const int codePage = SystemCodePage();
  const auto &bytes = lower ? LowerCaseBytes(codePage) : UpperCaseBytes(codePage);
  out.resize(text.size());
  if (!IsLeadByte(0x81, codePage)) { // one byte, one character
    for (size_t i = 0; i < text.size(); ++i)
      out[i] = static_cast<char>(bytes[static_cast<unsigned char>(text[i])]);
    return;
  }
  for (size_t i = 0; i < text.size();) {
    const size_t length = CharLength(text, i, codePage);
    if (length == 1)
      out[i] = static_cast<char>(bytes[static_cast<unsigned char>(text[i])]);
    else
      out.replace(i, length, text.substr(i, length));
    i += length;
  }
}

// Whether a byte of a text may be the second byte of a character: only in double-byte
// code pages, never in marked text (UTF-8 never puts an ASCII byte inside a character).
bool HasTrailBytes(std::string_view text, int codePage) {
  return !IsMarked(text) && IsLeadByte(0x81, codePage);
}

// Calls found(position) for each character of the text that stands for itself, until
// it returns true.
template <class Found> size_t ScanChars(std::string_view text, size_t from, Found found) {
  const int codePage = SystemCodePage();
  if (!HasTrailBytes(text, codePage)) {
    for (size_t i = from; i < text.size(); ++i)
      if (found(i))
        return i;
    return std::string_view::npos;
  }
  for (size_t i = 0; i < text.size(); i += CharLength(text, i, codePage))
    if (i >= from && found(i))
      return i;
  return std::string_view::npos;
}

} // namespace

std::string LowerText(std::string_view text) {
  std::string out;
  ChangeCase(text, true, out);
  return out;
}

std::string UpperText(std::string_view text) {
  std::string out;
  ChangeCase(text, false, out);
  return out;
}

void LowerTextInto(std::string_view text, std::string &out) {
  ChangeCase(text, true, out);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() == b.size() && a == b)
    return true;
  return LowerText(a) == LowerText(b);
}

size_t FindChar(std::string_view text, char c, size_t from) {
  return ScanChars(text, from, [&](size_t i) { return text[i] == c; });
}

size_t FindLastCharOf(std::string_view text, std::string_view chars) {
  size_t last = std::string_view::npos;
  ScanChars(text, 0, [&](size_t i) {
    if (chars.find(text[i]) != std::string_view::npos)
      last = i;
    return false;
  });
  return last;
}

bool ContainsText(std::string_view text, std::string_view part) {
  const size_t first = text.find(part);
  if (first == std::string_view::npos || text.empty())
    return false;
  if (!HasTrailBytes(text, SystemCodePage()))
    return true;
  // A match may start at a second byte; the characters decide.
  return ScanChars(text, first, [&](size_t i) { return text.substr(i, part.size()) == part; }) !=
         std::string_view::npos;
}

std::string TextPiece(std::string_view text, size_t from, size_t length) {
  if (!IsMarked(text))
    return std::string(text.substr(std::min(from, text.size()), length));
  const size_t end =
      length == std::string_view::npos ? text.size() : std::min(from + length, text.size());
  from = std::min(std::max(from, Utf8Mark.size()), end);
  return Utf8ToText(text.substr(from, end - from));
}

std::string JoinTexts(std::initializer_list<std::string_view> parts) {
  std::string joined;
  bool marked = false;
  for (std::string_view part : parts) {
    joined += part;
    marked = marked || IsMarked(part);
  }
  if (!marked)
    return joined;
  std::string utf8;
  for (std::string_view part : parts)
    utf8 += TextToUtf8(part);
  return Utf8ToText(utf8);
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
  return lines;
}

} // namespace platform
