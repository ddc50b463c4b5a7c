#pragma once
// Unit Unit3, TForm3 (AboutWindow): the About window: the program's notice, the maker's mail link,
// which Total Commander the program works with (its folder and settings file, and how each was
// found) and a Close button.
#include "document/Translation.h"

#include <QDialog>

struct HostLocation;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace ui {
class TDialogs;
}

// The maker's mail address shown in the About window.
inline constexpr char MakerAddress[] = "corvane@example.org";

class AboutWindow : public QDialog {
  Q_OBJECT
public:
  // exeFileName: the executable's full Windows name, from which Total Commander is found.
  AboutWindow(Translator translate, ui::TDialogs &dialogs, std::string exeFileName,
              QWidget *parent = nullptr);

  QPlainTextEdit *noticeText = nullptr;
  QLabel *mailLink = nullptr;
  // Total Commander's folder and wincmd.ini, each whole, broken between the parts of a
  // name where it is too long for a line, and selectable; the tooltip says in full what
  // named them. The window grows down by the lines they take.
  QLabel *lblHost = nullptr;
  QPushButton *btnOk = nullptr;

  void FormShow();
  void MailLinkClick();
  void btnOkClick();

  // The notice as designed, before any translation replaces it.
  static QString NoticeText();

protected:
  void showEvent(QShowEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  // One line of lblHost and of its tooltip: "<caption> <name> (<how>)", the tooltip's with
  // what named it.
  struct HostLine {
    QString text;
    QString detail;
  };
  HostLine DescribeHost(const char *caption, const HostLocation &found) const;
  void ShowHost();
  // Gives lblHost the height of its lines and moves the Close button below it.
  void FitHostLines(int lines);

  Translator translate_;
  ui::TDialogs &dialogs_;
  std::string exeFileName_;
};
