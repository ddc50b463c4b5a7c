#pragma once
// Unit Unit3, TForm3: the About window: the program's notice, the maker's mail link and a Close
// button.
#include "document/Translation.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace ui {
class TDialogs;
}

// The maker's mail address shown in the About window.
inline constexpr char MakerAddress[] = "corvane@example.org";

class TForm3 : public QDialog {
  Q_OBJECT
public:
  TForm3(Translator translate, ui::TDialogs &dialogs, QWidget *parent = nullptr);

  QPlainTextEdit *mmo1 = nullptr;
  QLabel *Label1 = nullptr;
  QPushButton *btnOk = nullptr;

  void FormShow();
  void Label1Click();
  void btnOkClick();

  // The notice as designed, before any translation replaces it.
  static QString NoticeText();

protected:
  void showEvent(QShowEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  Translator translate_;
  ui::TDialogs &dialogs_;
};
