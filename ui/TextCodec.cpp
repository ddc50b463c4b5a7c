#include "ui/TextCodec.h"

#include <array>

namespace ui {
namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; the five unused codes map to
// themselves so that every byte survives a round trip.
constexpr std::array<char16_t, 32> HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t FromCodePage(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0)
    return HighControls[byte - 0x80];
  return byte;
}

// The code-page byte of a UTF-16 unit, or -1 when the page has none for it.
int ToCodePage(char16_t unit) {
  if (unit < 0x80 || (unit >= 0xA0 && unit < 0x100))
    return unit;
  for (size_t i = 0; i < HighControls.size(); ++i)
    if (HighControls[i] == unit)
      return static_cast<int>(0x80 + i);
  return -1;
}

bool HasMark(const std::string &bytes) {
  return bytes.rfind(Utf8Mark, 0) == 0;
}

} // namespace

QString ToDisplay(const std::string &bytes) {
  if (HasMark(bytes))
    return QString::fromUtf8(bytes.data() + 3, static_cast<qsizetype>(bytes.size() - 3));
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (char c : bytes)
    text.append(QChar(FromCodePage(static_cast<unsigned char>(c))));
  return text;
}

std::string FromDisplay(const QString &text) {
  std::string bytes;
  bytes.reserve(static_cast<size_t>(text.size()));
  for (QChar c : text) {
    const int b = ToCodePage(c.unicode());
    if (b < 0) {
      const QByteArray utf8 = text.toUtf8();
      return std::string(Utf8Mark) +
             std::string(utf8.constData(), static_cast<size_t>(utf8.size()));
    }
    bytes.push_back(static_cast<char>(b));
  }
  return bytes;
}

} // namespace ui
