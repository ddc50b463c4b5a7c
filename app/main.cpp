// Program start: the application's title, the windows in their order, the message loop.
// "corvane --version" and "corvane --help" answer before any window (or display) is needed.
// The start (StartProgram) settles the program's file, its settings and the code page
// before any window reads a file.
// CORVANE_SCREENSHOT=<file.png> saves a picture of the main window once it is painted
// and ends the program, so that it can be looked at from a machine without a screen.
// CORVANE_LAYOUT=<file> writes where each named control of the main window lies once the
// window is shown ("name left top width height", in the window's pixels), so that a
// script driving the program with real input can find them whatever the fonts made of
// the layout.
#include "ui/AboutWindow.h"
#include "ui/CommandBrowser.h"
#include "ui/Dialogs.h"
#include "ui/MainWindow.h"
#include "ui/QtClipboard.h"

#include "document/Program.h"
#include "platform/CodePage.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QSaveFile>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

const char *const Usage = "usage: corvane [BAR]\n"
                          "Edits the Total Commander button bar BAR, or a new bar.\n"
                          "See 'man corvane'; 'corvane-cli --help' for the command line.\n";

// Answers "--version" and "--help" given alone; false for any other command line.
bool AnswerQuestion(int argc, char *argv[]) {
  if (argc != 2)
    return false;
  if (std::strcmp(argv[1], "--version") == 0)
    std::printf("corvane %s\n", CORVANE_VERSION);
  else if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)
    std::fputs(Usage, stdout);
  else
    return false;
  return true;
}

// Starts the program; without the user's own settings of an installed program the
// installed ones serve, as the message says.
std::string StartEditor() {
  const ProgramStart start = StartProgram(QApplication::applicationFilePath().toStdString());
  if (start.SettingsProblem)
    std::fprintf(stderr, "corvane: %s; the installed settings are read\n",
                 platform::TextToUtf8(*start.SettingsProblem).c_str());
  return start.ExeFileName;
}

void ScheduleScreenshot(QWidget &window, const QString &file) {
  QTimer::singleShot(500, &window, [&window, file] {
    const bool saved = window.grab().save(file, "PNG");
    std::fprintf(stderr, "corvane: %s %s\n", saved ? "screenshot saved to" : "cannot write",
                 qPrintable(file));
    QApplication::exit(saved ? 0 : 1);
  });
}

void ScheduleLayoutFile(QWidget &window, const QString &file) {
  QTimer::singleShot(0, &window, [&window, file] {
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
      return;
    QTextStream text(&out);
    for (const QWidget *child : window.findChildren<QWidget *>()) {
      if (child->objectName().isEmpty() || !child->isVisibleTo(&window))
        continue;
      const QRect place(child->mapTo(&window, QPoint(0, 0)), child->size());
      text << child->objectName() << ' ' << place.left() << ' ' << place.top() << ' '
           << place.width() << ' ' << place.height() << '\n';
    }
    text.flush();
    out.commit();
  });
}

} // namespace

int main(int argc, char *argv[]) {
  if (AnswerQuestion(argc, argv))
    return 0;
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Corvane"));
  // The desktop entry and the icon an installation puts in the icon theme.
  QApplication::setDesktopFileName(QStringLiteral("corvane"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("corvane")));
  const std::string exeFileName = StartEditor();
  ui::TQtClipboard clipboard;
  platform::SetClipboardBackend(&clipboard);
  ui::TQtDialogs dialogs;
  MainWindow barMain(exeFileName, QApplication::arguments().mid(1), dialogs);
  AboutWindow form3(barMain.TranslateFunction(), dialogs, exeFileName, &barMain);
  barMain.aboutWindow = &form3;
  CommandBrowser form2(barMain.TranslateFunction(), dialogs, barMain.ProgramFile(), &barMain);
  barMain.AttachCommandBrowser(form2);
  barMain.show();
  const QString screenshot = qEnvironmentVariable("CORVANE_SCREENSHOT");
  if (!screenshot.isEmpty())
    ScheduleScreenshot(barMain, screenshot);
  const QString layout = qEnvironmentVariable("CORVANE_LAYOUT");
  if (!layout.isEmpty())
    ScheduleLayoutFile(barMain, layout);
  const int result = app.exec();
  platform::SetClipboardBackend(nullptr);
  return result;
}
