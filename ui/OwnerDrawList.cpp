#include "ui/OwnerDrawList.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

TOwnerDrawList::TOwnerDrawList(int columns, int itemHeight, QWidget *parent)
    : QAbstractScrollArea(parent), columns_(columns), itemHeight_(itemHeight) {
  setFocusPolicy(Qt::StrongFocus);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  horizontalScrollBar()->setSingleStep(1);
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Sunken);
  viewport()->setBackgroundRole(QPalette::Base);
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, viewport(),
          qOverload<>(&QWidget::update));
}

void TOwnerDrawList::SetCount(int count) {
  count_ = std::max(0, count);
  if (itemIndex_ >= count_)
    itemIndex_ = -1;
  UpdateScrollBar();
  viewport()->update();
}

void TOwnerDrawList::SetItemIndex(int index) {
  itemIndex_ = (index >= 0 && index < count_) ? index : -1;
  ScrollIntoView(itemIndex_);
  viewport()->update();
}

int TOwnerDrawList::ColumnWidth() const {
  return std::max(1, static_cast<int>(std::lround(viewport()->width() / double(columns_))));
}

int TOwnerDrawList::TopIndex() const {
  return horizontalScrollBar()->value();
}

QRect TOwnerDrawList::ItemRect(int index) const {
  const int w = ColumnWidth();
  return QRect((index - TopIndex()) * w, 0, w, itemHeight_);
}

int TOwnerDrawList::ItemAtPos(const QPoint &pos) const {
  if (!viewport()->rect().contains(pos) || pos.y() >= itemHeight_)
    return -1;
  const int index = TopIndex() + pos.x() / ColumnWidth();
  return index < count_ ? index : -1;
}

void TOwnerDrawList::UpdateScrollBar() {
  // A column is the client width divided by the number of columns, so exactly
  // `columns_` cells fit and the bar scrolls by whole cells.
  horizontalScrollBar()->setRange(0, std::max(0, count_ - columns_));
  horizontalScrollBar()->setPageStep(columns_);
}

void TOwnerDrawList::ScrollIntoView(int index) {
  if (index < 0)
    return;
  QScrollBar *bar = horizontalScrollBar();
  if (index < bar->value())
    bar->setValue(index);
  else if (index >= bar->value() + columns_)
    bar->setValue(index - columns_ + 1);
}

void TOwnerDrawList::SelectByUser(int index) {
  if (index < 0 || index >= count_)
    return;
  SetItemIndex(index);
  emit Click();
}

void TOwnerDrawList::paintEvent(QPaintEvent *) {
  QPainter painter(viewport());
  // An icon without an image of the cell's size is resampled to it, not drawn in blocks.
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  const int first = TopIndex();
  const int last = std::min(count_ - 1, first + viewport()->width() / ColumnWidth() + 1);
  for (int i = first; i <= last; ++i) {
    const QRect rect = ItemRect(i);
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().brush(i == itemIndex_ ? QPalette::Highlight : QPalette::Base));
    if (draw_)
      draw_(painter, i, rect);
    else
      painter.fillRect(rect, painter.brush());
    painter.restore();
  }
  if (hasFocus() && itemIndex_ >= 0) {
    // A dotted frame in the selection's text colour inside the selected cell, as list boxes
    // mark their focus; styles draw their own mark only after a key moved the focus, and
    // some hardly visibly on the selection's colour.
    painter.setBrush(Qt::NoBrush);
    const int line = std::max(1, itemHeight_ / 32); // thicker on larger cells
    painter.setPen(QPen(palette().color(QPalette::HighlightedText), line, Qt::DotLine));
    painter.drawRect(ItemRect(itemIndex_).adjusted(2 * line, 2 * line, -3 * line, -3 * line));
  }
}

void TOwnerDrawList::resizeEvent(QResizeEvent *event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBar();
}

void TOwnerDrawList::mousePressEvent(QMouseEvent *event) {
  const QPoint pos = event->position().toPoint();
  // The list selects on the press of the left button, before the owner hears of it.
  if (event->button() == Qt::LeftButton)
    SelectByUser(ItemAtPos(pos));
  emit MouseDown(event->button(), event->modifiers(), pos);
}

void TOwnerDrawList::mouseMoveEvent(QMouseEvent *event) {
  emit MouseMove(event->buttons(), event->modifiers(), event->position().toPoint());
}

void TOwnerDrawList::mouseReleaseEvent(QMouseEvent *event) {
  emit MouseUp(event->button(), event->modifiers(), event->position().toPoint());
}

void TOwnerDrawList::mouseDoubleClickEvent(QMouseEvent *event) {
  // The double click's press is a press as any other: it selects and may start a drag.
  mousePressEvent(event);
  const int index = ItemAtPos(event->position().toPoint());
  if (event->button() == Qt::LeftButton && index >= 0)
    emit DoubleClick(index);
}

void TOwnerDrawList::keyPressEvent(QKeyEvent *event) {
  const int key = event->key();
  emit KeyDown(key, event->modifiers());
  // The menu key, and Shift+F10 as on Windows, open the menu on the selected cell.
  if (key == Qt::Key_Menu ||
      (key == Qt::Key_F10 && event->modifiers() == Qt::KeyboardModifiers(Qt::ShiftModifier))) {
    event->accept();
    emit PopupRequested(KeyboardPopupPoint());
    return;
  }
  // With Alt held a key is a system key, which the list itself does not navigate by.
  if (event->modifiers() & Qt::AltModifier)
    return;
  int target = -1;
  const int current = itemIndex_;
  switch (key) {
  case Qt::Key_Left:
  case Qt::Key_Up:
    target = current < 0 ? 0 : std::max(0, current - 1);
    break;
  case Qt::Key_Right:
  case Qt::Key_Down:
    target = current < 0 ? 0 : std::min(count_ - 1, current + 1);
    break;
  case Qt::Key_Home:
    target = 0;
    break;
  case Qt::Key_End:
    target = count_ - 1;
    break;
  case Qt::Key_PageUp:
    target = std::max(0, current - columns_);
    break;
  case Qt::Key_PageDown:
    target = std::min(count_ - 1, current + columns_);
    break;
  default:
    QAbstractScrollArea::keyPressEvent(event);
    return;
  }
  if (target != current)
    SelectByUser(target);
}

void TOwnerDrawList::contextMenuEvent(QContextMenuEvent *event) {
  emit PopupRequested(event->reason() == QContextMenuEvent::Mouse ? event->globalPos()
                                                                  : KeyboardPopupPoint());
}

QPoint TOwnerDrawList::KeyboardPopupPoint() const {
  const QRect cell = itemIndex_ >= 0 ? ItemRect(itemIndex_) : QRect();
  return viewport()->mapToGlobal(cell.isValid() ? cell.center() : QPoint(0, 0));
}

void TOwnerDrawList::focusInEvent(QFocusEvent *event) {
  QAbstractScrollArea::focusInEvent(event);
  viewport()->update();
}

void TOwnerDrawList::focusOutEvent(QFocusEvent *event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
}
