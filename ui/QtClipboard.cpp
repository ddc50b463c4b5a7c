#include "ui/QtClipboard.h"

#include "ui/TextCodec.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace ui {

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
  QGuiApplication::clipboard()->setText(ToDisplay(text));
  return true;
}

std::optional<std::string> TQtClipboard::GetText() {
  if (!open_)
    return std::nullopt;
  const QMimeData *data = QGuiApplication::clipboard()->mimeData();
  if (!data || !data->hasText())
    return std::nullopt;
  return FromDisplay(data->text());
}

} // namespace ui
