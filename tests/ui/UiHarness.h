#pragma once
// Shared by the editor's Qt test suites: a made-up installation of the program in a
// temporary folder, bar files written as a user's would be, dialogs answered in the
// user's place, and the real windows created on them as the program creates them.
#include "document/ButtonList.h"
#include "document/Program.h"
#include "fixtures/IconImages.h"
#include "icons/IconLibrary.h"
#include "platform/HostFiles.h"
#include "platform/Profile.h"
#include "support/TestSupport.h"
#include "ui/AboutWindow.h"
#include "ui/CommandBrowser.h"
#include "ui/Dialogs.h"
#include "ui/MainWindow.h"
#include "ui/OwnerDrawList.h"
#include "ui/Scale.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Bar fields compare as 8-bit strings; failures print them as they are.
namespace QTest {
template <> inline char *toString(const std::string &text) {
  return qstrdup(text.c_str());
}
} // namespace QTest

namespace uitest {

namespace fs = std::filesystem;

// Answers the modal questions from queues and records what was asked.
class TScriptedDialogs : public ui::TDialogs {
public:
  std::optional<std::string> OpenFileName(QWidget *, const std::string &filter,
                                          const std::string &folder) override {
    filters.push_back(filter);
    openFolders.push_back(folder);
    return Next(openAnswers);
  }
  std::optional<std::string> SaveFileName(QWidget *, const std::string &filter,
                                          const std::string &suggested) override {
    filters.push_back(filter);
    saveSuggestions.push_back(suggested);
    return Next(saveAnswers);
  }
  ui::TAnswer AskYesNo(QWidget *, const std::string &text) override {
    questions.push_back(text);
    if (answers.empty())
      return ui::TAnswer::Closed;
    const ui::TAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void ShowError(QWidget *, const std::string &text) override { errors.push_back(text); }
  void ShowNote(QWidget *, const std::string &text) override { notes.push_back(text); }
  int ShowModal(QDialog *dialog) override {
    shown.push_back(dialog);
    dialog->show();
    return 0;
  }
  void OpenUrl(const QString &url) override { urls << url; }

  std::deque<std::optional<std::string>> openAnswers;
  std::deque<std::optional<std::string>> saveAnswers;
  std::deque<ui::TAnswer> answers;
  std::vector<std::string> filters;
  std::vector<std::string> openFolders;     // the folder each open dialog started in
  std::vector<std::string> saveSuggestions; // the file each save dialog offered
  std::vector<std::string> questions;
  std::vector<std::string> errors;
  std::vector<std::string> notes;
  std::vector<QDialog *> shown;
  QStringList urls;

private:
  static std::optional<std::string> Next(std::deque<std::optional<std::string>> &queue) {
    if (queue.empty())
      return std::nullopt;
    auto answer = queue.front();
    queue.pop_front();
    return answer;
  }
};

struct TButtonSpec {
  std::string icon;
  std::string cmd;
  std::string param;
  std::string path;
  std::string menu;
  std::string iconic;
};

inline std::string WinName(const fs::path &path) {
  return testsupport::WindowsNameOf(path);
}

inline void WriteText(const fs::path &file, const std::string &text) {
  fs::create_directories(file.parent_path());
  testsupport::WriteBytes(file, text);
}

inline void WriteBar(const fs::path &file, const std::vector<TButtonSpec> &buttons) {
  std::string text = "[Buttonbar]\r\nButtoncount=" + std::to_string(buttons.size()) + "\r\n";
  for (size_t i = 0; i < buttons.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    const TButtonSpec &b = buttons[i];
    text += "button" + n + "=" + b.icon + "\r\ncmd" + n + "=" + b.cmd + "\r\n";
    if (!b.param.empty())
      text += "param" + n + "=" + b.param + "\r\n";
    if (!b.path.empty())
      text += "path" + n + "=" + b.path + "\r\n";
    if (!b.menu.empty())
      text += "menu" + n + "=" + b.menu + "\r\n";
    if (!b.iconic.empty())
      text += "iconic" + n + "=" + b.iconic + "\r\n";
  }
  WriteText(file, text);
}

// An .ico file of one 32 x 32 image of a single opaque colour (0xAARRGGBB).
inline std::string SolidIco(uint32_t argb) {
  fixtures::IconEntry entry;
  entry.image = fixtures::SolidDib(32, 32, argb);
  entry.width = 32;
  entry.height = 32;
  return fixtures::MakeIcoFile({entry});
}

// Colours of the placeholders in the test's "corvane.icl": no icon, command missing,
// icon file missing.
inline constexpr uint32_t PlaceholderColours[3] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};

inline void WriteProgramIcons(const fs::path &file) {
  icons::TIconLibrary library;
  for (uint32_t colour : PlaceholderColours) {
    auto icon = std::make_unique<icons::TAdvancedIcon>();
    icon->LoadFromBytes(SolidIco(colour));
    library.Icons.AddIcon("", std::move(icon));
  }
  library.SaveToFile(WinName(file));
}

// The program installed in a temporary folder, started with a command line.
class TEditor {
public:
  TEditor() {
    fs::create_directories(bin());
    WriteProgramIcons(bin() / "corvane.icl");
    platform::FlushProfileCache();
  }
  ~TEditor() { Stop(); }
  fs::path bin() const { return dir.path() / "bin"; }
  fs::path file(const std::string &name) const { return dir.path() / name; }
  void Ini(const std::string &text) {
    WriteText(bin() / "Corvane.ini", text);
    platform::FlushProfileCache();
  }

  // Starts the program as its main does (StartProgram: the settings and their code page),
  // creates the windows in the program's order and shows the main window.
  MainWindow &Start(const QStringList &arguments = {}) {
    Stop();
    const ProgramStart start = StartProgram((bin() / "corvane").string());
    main = std::make_unique<MainWindow>(start.ExeFileName, arguments, dialogs);
    about = std::make_unique<AboutWindow>(main->TranslateFunction(), dialogs, main->ProgramFile(),
                                          main.get());
    main->aboutWindow = about.get();
    browser = std::make_unique<CommandBrowser>(main->TranslateFunction(), dialogs,
                                               main->ProgramFile(), main.get());
    main->AttachCommandBrowser(*browser);
    main->show();
    QApplication::setActiveWindow(main.get());
    if (!QTest::qWaitForWindowActive(main.get()))
      qWarning("the main window did not become active");
    return *main;
  }
  // Destroys the windows, those the main window owns first.
  void Stop() {
    browser.reset();
    about.reset();
    main.reset();
  }
  MainWindow &StartWithBar(const std::vector<TButtonSpec> &buttons,
                           const std::string &name = "t.bar") {
    WriteBar(file(name), buttons);
    return Start({QString::fromStdString(file(name).string())});
  }
  ButtonBar &Bar() const { return *main->Bar(); }

  testsupport::TempDir dir;
  testsupport::ScopedEnv noCommander{"COMMANDER_PATH", nullptr};
  testsupport::ScopedEnv noCommanderIni{"COMMANDER_INI", nullptr};
  TScriptedDialogs dialogs;
  std::unique_ptr<MainWindow> main;
  std::unique_ptr<AboutWindow> about;
  std::unique_ptr<CommandBrowser> browser;
};

// The centre of a list's cell, in the list's viewport.
inline QPoint CellCentre(const TOwnerDrawList &list, int index) {
  return list.ItemRect(index).center();
}

// The colour at the middle of the icon drawn in a cell.
inline QRgb CellColour(TOwnerDrawList &list, int index) {
  const QImage image = list.viewport()->grab().toImage();
  const QPoint at = list.ItemRect(index).topLeft() + QPoint(ui::Px(16), ui::Px(16));
  return image.pixel(at) | 0xFF000000u;
}

// Drops files on the bar list as the desktop would.
inline void Drop(MainWindow &w, const std::vector<fs::path> &files, QPoint at,
                 Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QMimeData data;
  QList<QUrl> urls;
  for (const fs::path &file : files)
    urls << QUrl::fromLocalFile(QString::fromStdString(file.string()));
  data.setUrls(urls);
  QWidget *target = w.barList->viewport();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, modifiers);
  QApplication::sendEvent(target, &enter);
  QVERIFY(enter.isAccepted());
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, modifiers);
  QApplication::sendEvent(target, &drop);
  QVERIFY(drop.isAccepted());
}

} // namespace uitest
