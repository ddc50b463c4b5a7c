#pragma once
// An edit field that holds a value of the core (bytes in the code page) and reports the
// platform's events: Enter when it receives the focus, Exit when the focus moves on to
// another control, and the right button's press and release for the path menu.
#include <QLineEdit>

#include <string>

class TFieldEdit : public QLineEdit {
  Q_OBJECT
public:
  explicit TFieldEdit(QWidget *parent = nullptr);

  // Shows a value; Bytes() gives it back unchanged until the user edits the text.
  void SetBytes(const std::string &bytes);
  std::string Bytes() const;
  // A field with a menu of texts to insert: the menu key and Alt+Down (as in a combo box)
  // then ask for it (MenuKey) instead of going on to the window.
  void SetHasMenu(bool hasMenu) { hasMenu_ = hasMenu; }

signals:
  void Enter();
  void Exit();
  void RightDown();
  void RightUp();
  void MenuKey();

protected:
  // Undo and redo keys belong to the field while it has typing of its own to take back
  // or redo; otherwise they go on to the window, which undoes the bar's last edit.
  bool event(QEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  void focusInEvent(QFocusEvent *event) override;
  void focusOutEvent(QFocusEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;

private:
  std::string bytes_;
  QString shown_;
  // The platform sends no Exit when only the window loses activation or a popup opens;
  // the focus is then still the field's when it comes back, with no new Enter.
  bool entered_ = false;
  bool hasMenu_ = false;
};
