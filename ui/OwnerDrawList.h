#pragma once
// A list box of the platform's owner-drawn kind with fixed columns: items have no data
// of their own, one row of cells runs left to right and scrolls sideways a column at a
// time, and the owner draws every cell. The bar list and the icon picker are both one.
#include <QAbstractScrollArea>

#include <functional>

class TOwnerDrawList : public QAbstractScrollArea {
  Q_OBJECT
public:
  // Draws item index into rect; the painter's brush is already the selection colour for
  // the selected item and the window colour otherwise.
  using DrawItem = std::function<void(QPainter &, int index, const QRect &rect)>;

  TOwnerDrawList(int columns, int itemHeight, QWidget *parent = nullptr);

  int Count() const { return count_; }
  void SetCount(int count);
  // Appends or removes items at the end; as items carry nothing, that is all a change of
  // the order needs.
  void AddItem() { SetCount(count_ + 1); }
  void Clear() { SetCount(0); }
  int ItemIndex() const { return itemIndex_; }
  // Selects an item (-1: none) without running the click; scrolls it into view.
  void SetItemIndex(int index);
  int ColumnWidth() const;
  int ItemHeight() const { return itemHeight_; }
  int TopIndex() const;
  QRect ItemRect(int index) const;
  // The item whose cell holds the point (viewport coordinates), or -1.
  int ItemAtPos(const QPoint &pos) const;
  void SetDrawItem(DrawItem draw) { draw_ = std::move(draw); }

signals:
  // The user changed the selection: a left click on an item or a keyboard move.
  void Click();
  void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint pos);
  void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, QPoint pos);
  void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint pos);
  // Sent before the list's own handling; the list handles only plain navigation keys.
  void KeyDown(int key, Qt::KeyboardModifiers shift);
  void PopupRequested(QPoint globalPos);
  // A double click of the left button on an item, which the press before has selected.
  void DoubleClick(int index);

protected:
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  void contextMenuEvent(QContextMenuEvent *event) override;
  void focusInEvent(QFocusEvent *event) override;
  void focusOutEvent(QFocusEvent *event) override;

private:
  void UpdateScrollBar();
  void ScrollIntoView(int index);
  void SelectByUser(int index);
  // Where a menu asked for by the keyboard opens: on the selected cell, or at the list's
  // top left without one.
  QPoint KeyboardPopupPoint() const;

  int columns_;
  int itemHeight_;
  int count_ = 0;
  int itemIndex_ = -1;
  DrawItem draw_;
};
