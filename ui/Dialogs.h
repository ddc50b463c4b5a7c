#pragma once
// Every modal exchange with the user goes through TDialogs, so that the windows can be
// driven by tests that answer in the user's place. TQtDialogs is the real thing.
// File names cross this interface as Windows names, like every file name of the core.
#include "platform/MessageText.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>

class QDialog;
class QWidget;

namespace ui {

enum class TAnswer { Yes, No, Closed };

class TDialogs {
public:
  virtual ~TDialogs() = default;
  // filter in the platform's form: "description|patterns|description|patterns";
  // folder: the Windows name of the folder the dialog starts in, empty for the
  // platform's choice. Nothing when the user cancels.
  virtual std::optional<std::string> OpenFileName(QWidget *parent, const std::string &filter,
                                                  const std::string &folder) = 0;
  // suggested: the Windows name of the file the dialog offers, empty for none.
  virtual std::optional<std::string> SaveFileName(QWidget *parent, const std::string &filter,
                                                  const std::string &suggested) = 0;
  // An information box with Yes and No; Closed when the box is closed without either.
  virtual TAnswer AskYesNo(QWidget *parent, const std::string &text) = 0;
  // The application's error box.
  virtual void ShowError(QWidget *parent, const std::string &text) = 0;
  // An information box: something the user should know that is not an error.
  virtual void ShowNote(QWidget *parent, const std::string &text) = 0;
  // Shows a window modally and returns its result.
  virtual int ShowModal(QDialog *dialog) = 0;
  // Hands a link to the desktop (a "mailto:" link opens the mail program).
  virtual void OpenUrl(const QString &url) = 0;

  // The program's language for the messages of its boxes; English until the main window
  // has chosen one.
  void SetTranslator(std::function<std::string(const std::string &key)> translate) {
    translate_ = std::move(translate);
  }
  // The message in the program's language.
  std::string Say(const platform::MessageText &message) const;

protected:
  // The key in the program's language.
  std::string Translated(const std::string &key) const {
    return translate_ ? translate_(key) : key;
  }

private:
  std::function<std::string(const std::string &key)> translate_;
};

class TQtDialogs : public TDialogs {
public:
  std::optional<std::string> OpenFileName(QWidget *parent, const std::string &filter,
                                          const std::string &folder) override;
  std::optional<std::string> SaveFileName(QWidget *parent, const std::string &filter,
                                          const std::string &suggested) override;
  TAnswer AskYesNo(QWidget *parent, const std::string &text) override;
  void ShowError(QWidget *parent, const std::string &text) override;
  void ShowNote(QWidget *parent, const std::string &text) override;
  int ShowModal(QDialog *dialog) override;
  void OpenUrl(const QString &url) override;

private:
  // A box with the text and an OK button; icon is a QMessageBox::Icon.
  void ShowBox(QWidget *parent, int icon, const std::string &text);
};

// The platform's filter "*.bar|*.bar|*.*|*.*" in Qt's form "*.bar (*.bar);;*.* (*)".
// "*.*" stands for every file, also one without a dot, so it becomes "*".
QString QtFileFilter(const std::string &filter);

} // namespace ui
