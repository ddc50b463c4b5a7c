#include "ui/TextCodec.h"

#include "platform/CodePage.h"

namespace ui {

QString ToDisplay(const std::string &bytes) {
  const std::string utf8 = platform::TextToUtf8(bytes);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string FromDisplay(const QString &text) {
  const QByteArray utf8 = text.toUtf8();
  return platform::Utf8ToText(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

} // namespace ui
