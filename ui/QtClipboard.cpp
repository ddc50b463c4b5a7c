#include "ui/QtClipboard.h"

#include "ui/TextCodec.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <utility>
#include <vector>

namespace ui {

namespace {

// The clipboard text of a button holds one value a line, and a value marked with the
// UTF-8 byte-order mark is UTF-8 while its neighbours are in the code page: each line
// is converted on its own, its line ends kept as they are. Hence a splitter of its own:
// platform::SplitLines drops the line ends, and it takes only the core's bytes, while this one
// also splits the display's characters.
template <typename Text> std::vector<std::pair<Text, Text>> SplitLines(const Text &text) {
  std::vector<std::pair<Text, Text>> lines; // (line, the line ends after it)
  qsizetype start = 0;
  const qsizetype size = text.size();
  while (start < size) {
    qsizetype end = start;
    while (end < size && text[end] != '\r' && text[end] != '\n')
      ++end;
    qsizetype next = end;
    while (next < size && (text[next] == '\r' || text[next] == '\n'))
      ++next;
    lines.emplace_back(text.mid(start, end - start), text.mid(end, next - end));
    start = next;
  }
  return lines;
}

QString LinesToDisplay(const std::string &bytes) {
  QString display;
  for (const auto &[line, ends] : SplitLines(QByteArray::fromStdString(bytes)))
    display += ToDisplay(line.toStdString()) + QString::fromLatin1(ends);
  return display;
}

std::string LinesFromDisplay(const QString &display) {
  std::string bytes;
  for (const auto &[line, ends] : SplitLines(display))
    bytes += FromDisplay(line) + ends.toStdString();
  return bytes;
}

} // namespace

bool TQtClipboard::Open() {
  open_ = QGuiApplication::clipboard() != nullptr;
  return open_;
}

void TQtClipboard::Close() {
  open_ = false;
}

bool TQtClipboard::Empty() {
  if (!open_)
    return false;
  QGuiApplication::clipboard()->clear();
  return true;
}

bool TQtClipboard::SetText(std::string text) {
  if (!open_)
    return false;
  QGuiApplication::clipboard()->setText(LinesToDisplay(text));
  return true;
}

std::optional<std::string> TQtClipboard::GetText() {
  if (!open_)
    return std::nullopt;
  const QMimeData *data = QGuiApplication::clipboard()->mimeData();
  if (!data || !data->hasText())
    return std::nullopt;
  return LinesFromDisplay(data->text());
}

} // namespace ui
