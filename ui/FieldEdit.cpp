#include "ui/FieldEdit.h"

#include "ui/TextCodec.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

TFieldEdit::TFieldEdit(QWidget *parent) : QLineEdit(parent) {
  // The right button's hold opens the path menu; Qt's own context menu would take the
  // release away from the field.
  setContextMenuPolicy(Qt::PreventContextMenu);
  // A line break would end the line in the bar file: text holding one is not taken.
  setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^\\r\\n]*")), this));
}

void TFieldEdit::SetBytes(const std::string &bytes) {
  bytes_ = bytes;
  shown_ = ui::ToDisplay(bytes);
  setText(shown_);
}

std::string TFieldEdit::Bytes() const {
  const QString current = text();
  return current == shown_ ? bytes_ : ui::FromDisplay(current);
}

void TFieldEdit::focusInEvent(QFocusEvent *event) {
  QLineEdit::focusInEvent(event);
  if (entered_)
    return;
  entered_ = true;
  emit Enter();
}

void TFieldEdit::focusOutEvent(QFocusEvent *event) {
  QLineEdit::focusOutEvent(event);
  if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
    return;
  entered_ = false;
  emit Exit();
}

void TFieldEdit::mousePressEvent(QMouseEvent *event) {
  QLineEdit::mousePressEvent(event);
  if (event->button() == Qt::RightButton)
    emit RightDown();
}

void TFieldEdit::mouseReleaseEvent(QMouseEvent *event) {
  QLineEdit::mouseReleaseEvent(event);
  if (event->button() == Qt::RightButton)
    emit RightUp();
}
