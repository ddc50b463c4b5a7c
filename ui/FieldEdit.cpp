#include "ui/FieldEdit.h"

#include "ui/TextCodec.h"

#include <QFocusEvent>
#include <QKeyEvent>
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

namespace {

bool IsMenuKey(const QKeyEvent &key) {
  return key.key() == Qt::Key_Menu ||
         key.keyCombination() == QKeyCombination(Qt::ALT, Qt::Key_Down);
}

} // namespace

bool TFieldEdit::event(QEvent *event) {
  if (event->type() == QEvent::ShortcutOverride) {
    auto *key = static_cast<QKeyEvent *>(event);
    if (hasMenu_ && IsMenuKey(*key)) {
      event->accept();
      return true;
    }
    const bool undo = key->matches(QKeySequence::Undo);
    const bool redo = key->matches(QKeySequence::Redo) ||
                      key->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y);
    if ((undo && !isUndoAvailable()) || (redo && !isRedoAvailable())) {
      event->ignore();
      return false;
    }
  }
  return QLineEdit::event(event);
}

void TFieldEdit::keyPressEvent(QKeyEvent *event) {
  if (hasMenu_ && IsMenuKey(*event)) {
    event->accept();
    emit MenuKey();
    return;
  }
  QLineEdit::keyPressEvent(event);
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
