#include "platform/Utf8.h"

namespace platform {

void AppendUtf8(uint32_t cp, std::string &out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::optional<uint32_t> NextCodePoint(std::string_view s, size_t &i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  size_t need = 0;
  uint32_t cp = 0, min = 0;
  if ((b0 & 0xE0) == 0xC0)
    need = 1, cp = b0 & 0x1Fu, min = 0x80;
  else if ((b0 & 0xF0) == 0xE0)
    need = 2, cp = b0 & 0x0Fu, min = 0x800;
  else if ((b0 & 0xF8) == 0xF0)
    need = 3, cp = b0 & 0x07u, min = 0x10000;
  else
    return std::nullopt;
  if (s.size() - i <= need)
    return std::nullopt;
  for (size_t k = 1; k <= need; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80)
      return std::nullopt;
    cp = (cp << 6) | (b & 0x3Fu);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
    return std::nullopt;
  i += need + 1;
  return cp;
}

} // namespace platform
