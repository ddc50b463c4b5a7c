#include "ui/Dialogs.h"

#include "platform/HostFiles.h"
#include "ui/TextCodec.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

namespace ui {
namespace {

QString QtPatterns(const QString &patterns) {
  QStringList out;
  for (const QString &p : patterns.split(';', Qt::SkipEmptyParts))
    out << (p.trimmed() == "*.*" ? QStringLiteral("*") : p.trimmed());
  return out.join(' ');
}

std::optional<std::string> ChosenName(const QString &hostPath) {
  if (hostPath.isEmpty())
    return std::nullopt;
  return platform::WindowsName(hostPath.toStdString());
}

} // namespace

std::string TDialogs::Say(const platform::MessageText &message) const {
  return translate_ ? platform::FormatMessage(message, translate_) : platform::EnglishText(message);
}

QString QtFileFilter(const std::string &filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList entries;
  // A description that only lists the patterns would name them twice: the patterns
  // alone are the entry then, which Qt takes as they are.
  const QRegularExpression separators(QStringLiteral("[,; ]+"));
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString patterns = QtPatterns(parts[i + 1]);
    const bool onlyPatterns = parts[i].split(separators, Qt::SkipEmptyParts) ==
                              parts[i + 1].split(separators, Qt::SkipEmptyParts);
    entries << (onlyPatterns ? patterns : parts[i] + " (" + patterns + ")");
  }
  return entries.join(";;");
}

std::optional<std::string> TQtDialogs::OpenFileName(QWidget *parent, const std::string &filter,
                                                    const std::string &folder) {
  const QString start =
      folder.empty() ? QString() : QString::fromStdString(platform::HostPath(folder));
  return ChosenName(QFileDialog::getOpenFileName(parent, QString(), start, QtFileFilter(filter)));
}

std::optional<std::string> TQtDialogs::SaveFileName(QWidget *parent, const std::string &filter,
                                                    const std::string &suggested) {
  const QString start =
      suggested.empty() ? QString() : QString::fromStdString(platform::HostPath(suggested));
  return ChosenName(QFileDialog::getSaveFileName(parent, QString(), start, QtFileFilter(filter)));
}

TAnswer TQtDialogs::AskYesNo(QWidget *parent, const std::string &text) {
  QMessageBox box(QMessageBox::Information, QStringLiteral("Corvane"), ToDisplay(text),
                  QMessageBox::NoButton, parent);
  QAbstractButton *yes = box.addButton(QMessageBox::Yes);
  QAbstractButton *no = box.addButton(QMessageBox::No);
  // The buttons speak the program's language, not the toolkit's.
  yes->setText(ToDisplay(Translated("Yes")));
  no->setText(ToDisplay(Translated("No")));
  // Without an escape button of its own the box would count its close box as No; a
  // hidden one lets a closed box be told apart from an answer.
  QAbstractButton *closed = box.addButton(QMessageBox::Cancel);
  closed->hide();
  box.setEscapeButton(closed);
  box.exec();
  if (box.clickedButton() == yes)
    return TAnswer::Yes;
  if (box.clickedButton() == no)
    return TAnswer::No;
  return TAnswer::Closed;
}

void TQtDialogs::ShowError(QWidget *parent, const std::string &text) {
  ShowBox(parent, QMessageBox::Critical, text);
}

void TQtDialogs::ShowNote(QWidget *parent, const std::string &text) {
  ShowBox(parent, QMessageBox::Information, text);
}

void TQtDialogs::ShowBox(QWidget *parent, int icon, const std::string &text) {
  QMessageBox box(static_cast<QMessageBox::Icon>(icon), QStringLiteral("Corvane"), ToDisplay(text),
                  QMessageBox::Ok, parent);
  box.button(QMessageBox::Ok)->setText(ToDisplay(Translated("Ok")));
  box.exec();
}

int TQtDialogs::ShowModal(QDialog *dialog) {
  return dialog->exec();
}

void TQtDialogs::OpenUrl(const QString &url) {
  QDesktopServices::openUrl(QUrl(url));
}

} // namespace ui
