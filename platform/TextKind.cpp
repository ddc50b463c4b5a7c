#include "platform/TextKind.h"

#include "platform/IniFile.h"
#include "platform/TextFile.h"

namespace platform {

namespace {

// What one character (a byte, or a UTF-16 code unit) says of the text so far.
enum class Character : uint8_t { Blank, Other, Control };

Character ClassOf(uint32_t c) {
  if (c >= 0x80)
    return Character::Other;
  if (IsIniBlank(static_cast<char>(c)))
    return Character::Blank;
  return c < 0x20 ? Character::Control : Character::Other;
}

// The kind of a run of characters, each given by unit(i) for i below count.
template <class Unit> TextKind KindOfUnits(size_t count, Unit unit) {
  TextKind kind = TextKind::Blank;
  for (size_t i = 0; i < count; ++i) {
    const Character c = ClassOf(unit(i));
    if (c == Character::Control)
      return TextKind::Binary;
    if (c == Character::Other)
      kind = TextKind::Text;
  }
  return kind;
}

} // namespace

TextKind KindOfText(std::string_view bytes) {
  const TextEncoding encoding = EncodingOf(bytes);
  if (encoding == TextEncoding::Ansi || encoding == TextEncoding::Utf8) {
    const std::string_view text =
        bytes.substr(encoding == TextEncoding::Utf8 ? Utf8Mark.size() : 0);
    return KindOfUnits(text.size(), [&](size_t i) { return static_cast<unsigned char>(text[i]); });
  }
  // Both UTF-16 marks are two bytes.
  const std::string_view units = bytes.substr(2);
  const bool bigEndian = encoding == TextEncoding::Utf16Be;
  return KindOfUnits(units.size() / 2, [&](size_t i) {
    const auto first = static_cast<unsigned char>(units[2 * i]);
    const auto second = static_cast<unsigned char>(units[2 * i + 1]);
    return bigEndian ? uint32_t(first) << 8 | second : uint32_t(second) << 8 | first;
  });
}

} // namespace platform
