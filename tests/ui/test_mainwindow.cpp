// Start-up of the main window: the bar of the command line, the captions of the language
// file and its fallback, the parameter and path menus, the About window, the error guard.
#include "UiHarness.h"

#include "support/TcInstallation.h"
#include "ui/ButtonEditor.h"
#include "ui/FieldEdit.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace uitest;

class TestMainWindow : public QObject {
  Q_OBJECT
private slots:
  void startsWithoutArgumentOnOneEmptyModifiedButton();
  void startsOnTheBarOfTheCommandLine();
  void bareFileNameIsTakenFromTheCurrentDirectory();
  void missingBarGivesAnEmptyList();
  void languageFileCaptionsReplaceDesignedOnes();
  void questionAtStartIsTranslated();
  void languageWithout5065FallsBackToTheHostsFile();
  void withoutAnyLanguageCaptionsStayDesigned();
  void parameterAndPathMenusComeFromTheFiles();
  void cacheControlsFollowDefaultCache_data();
  void cacheControlsFollowDefaultCache();
  void aboutWindowTranslatesAtEveryShow();
  void aboutWindowMailLinkAndEscape();
  void handlerExceptionIsShownAndTheProgramGoesOn();
  void stayOnTopSwitchChangesTheWindowFlag();
  void tabWalksTheWindowInReadingOrder();
  void aboutWindowShowsLongPathsWhole();
};

void TestMainWindow::startsWithoutArgumentOnOneEmptyModifiedButton() {
  TEditor e;
  MainWindow &w = e.Start();
  QCOMPARE(e.Bar().Count(), 1);
  QCOMPARE(w.barList->Count(), 1);
  QCOMPARE(w.barList->ItemIndex(), 0);
  QVERIFY(e.Bar().Modified);
  QVERIFY(w.CurrentFileName.empty());
  QCOMPARE(w.barCaption->text(), QStringLiteral("&Button bar:"));
  QCOMPARE(w.ProgramFile(), WinName(e.bin() / "corvane"));
}

void TestMainWindow::startsOnTheBarOfTheCommandLine() {
  TEditor e;
  MainWindow &w = e.StartWithBar(
      {{"", "cm_Copy", "%P", "C:\\x\\", "Copy", ""}, {"", "cm_Move", "", "", "Move", "-1"}});
  const std::string name = WinName(e.file("t.bar"));
  QCOMPARE(w.barList->Count(), 2);
  QCOMPARE(w.barList->ItemIndex(), 0);
  QCOMPARE(w.CurrentFileName, name);
  QCOMPARE(w.barCaption->text().toStdString(), "Button Bar: " + name);
  QCOMPARE(w.editor->commandEdit->text(), QStringLiteral("cm_Copy"));
  QCOMPARE(w.editor->paramsEdit->text(), QStringLiteral("%P"));
  QCOMPARE(w.editor->startPathEdit->text(), QStringLiteral("C:\\x\\"));
  QCOMPARE(w.editor->tooltipEdit->text(), QStringLiteral("Copy"));
  QVERIFY(!e.Bar().Modified);
}

void TestMainWindow::bareFileNameIsTakenFromTheCurrentDirectory() {
  TEditor e;
  WriteBar(e.file("bare.bar"), {{"", "cm_Copy", "", "", "", ""}});
  const fs::path old = fs::current_path();
  fs::current_path(e.dir.path());
  MainWindow &w = e.Start({QStringLiteral("bare.bar")});
  fs::current_path(old);
  const std::string expected = testsupport::WindowsNameOf(e.dir.path()) + "\\bare.bar";
  QCOMPARE(w.CurrentFileName, expected);
  QCOMPARE(w.barCaption->text().toStdString(), "Button Bar: " + expected);
  QCOMPARE(e.Bar().Count(), 1);
}

void TestMainWindow::missingBarGivesAnEmptyList() {
  TEditor e;
  MainWindow &w = e.Start({QString::fromStdString(e.file("none.bar").string())});
  QCOMPARE(w.barList->Count(), 0);
  QCOMPARE(w.barList->ItemIndex(), -1);
  QVERIFY(w.barCaption->text().endsWith(QStringLiteral("none.bar")));
}

void TestMainWindow::languageFileCaptionsReplaceDesignedOnes() {
  TEditor e;
  e.Ini("[main]\r\nLanguage=Test\r\n");
  WriteText(e.bin() / "Test.lng",
            "5065=\"Leiste:\"\r\n5067=&Neu\r\nCache=Puffer\r\nClone=Klonen\r\nDIL=Bib\r\n");
  MainWindow &w = e.StartWithBar({{"", "cm_Copy", "", "", "", ""}});
  QCOMPARE(w.barCaption->text().toStdString(), "Leiste: " + WinName(e.file("t.bar")));
  QCOMPARE(w.addButton->text(), QStringLiteral("&Neu"));
  QCOMPARE(w.cacheBox->text(), QStringLiteral("Puffer"));
  QCOMPARE(w.cloneAction->text(), QStringLiteral("Klonen"));
  QCOMPARE(w.defaultLibraryButton->text(), QStringLiteral("Bib"));
  // Keys without an entry show themselves once a language is active.
  QCOMPARE(w.editor->Ok->text(), QStringLiteral("Ok"));
  QCOMPARE(w.cacheLinksRadio->text(), QStringLiteral("Links To Icl"));
  QCOMPARE(w.LanguageFileName, WinName(e.bin() / "Test.lng"));
}

// The question about a bar's count, asked while the window first shows, is asked in the
// program's language.
void TestMainWindow::questionAtStartIsTranslated() {
  TEditor e;
  e.Ini("[main]\r\nLanguage=Test\r\n");
  WriteText(e.bin() / "Test.lng",
            "5065=Leiste:\r\n%s holds buttons up to number %d, but its button count is missing "
            "or smaller. Open it with %d buttons?=%d Buttons?\r\n");
  WriteText(e.file("nocount.bar"), "[Buttonbar]\r\ncmd2=cm_Copy\r\n");
  e.dialogs.answers = {ui::TAnswer::Yes};
  MainWindow &w = e.Start({QString::fromStdString(e.file("nocount.bar").string())});
  QCOMPARE(e.dialogs.questions, std::vector<std::string>{"2 Buttons?"});
  QCOMPARE(w.barList->Count(), 2);
}

void TestMainWindow::languageWithout5065FallsBackToTheHostsFile() {
  TEditor e;
  const testsupport::TcInstallation tc(e.file("tc"));
  tc.Localize({.code = "X",
               .commandList = "All=Alles\r\n",
               .languageFile = "5065=Host-Leiste:\r\n5068=Weg\r\n"});
  // The program's own file exists but lacks "5065": its menu still counts, its
  // translations do not.
  WriteText(e.bin() / "English.lng", "5068=Own\r\n[params]\r\n%P - path\r\n");
  MainWindow &w = e.Start();
  QCOMPARE(w.deleteButton->text(), QStringLiteral("Weg"));
  QCOMPARE(w.Translate("5068"), std::string("Weg"));
  QCOMPARE(w.paramMenu->actions().size(), 1);
  QVERIFY(w.LanguageFileName.ends_with("WCMD_X.lng"));
}

void TestMainWindow::withoutAnyLanguageCaptionsStayDesigned() {
  TEditor e;
  WriteText(e.bin() / "English.lng", "Cache=Puffer\r\n");
  MainWindow &w = e.Start();
  QCOMPARE(w.cacheBox->text(), QStringLiteral("Cache"));
  QCOMPARE(w.editor->Ok->text(), QStringLiteral("OK"));
  QCOMPARE(w.cacheLinksRadio->text(), QStringLiteral("Links to icl"));
  QCOMPARE(w.editor->runMinimized->text(), QStringLiteral("Run mi&nimized"));
}

void TestMainWindow::parameterAndPathMenusComeFromTheFiles() {
  TEditor e;
  e.Ini("[main]\r\nLanguage=English\r\n[paths]\r\nC:\\Tools\\\r\n-\r\n%COMMANDER_PATH%\\\r\n");
  WriteText(e.bin() / "English.lng", "[params]\r\n%&P - source\r\n%N\r\n");
  MainWindow &w = e.Start();
  QStringList params;
  for (QAction *a : w.paramMenu->actions())
    params << a->text();
  QCOMPARE(params, (QStringList{"%&P - source", "%N"}));
  const auto paths = w.pathMenu->actions();
  QCOMPARE(paths.size(), 3);
  QCOMPARE(paths[0]->text(), QStringLiteral("C:\\Tools\\"));
  QVERIFY(paths[1]->isSeparator());
  QCOMPARE(paths[2]->text(), QStringLiteral("%COMMANDER_PATH%\\"));
}

void TestMainWindow::cacheControlsFollowDefaultCache_data() {
  QTest::addColumn<int>("mode");
  QTest::addColumn<bool>("iclBeside");
  QTest::addColumn<bool>("cacheEnabled");
  QTest::addColumn<bool>("cacheChecked");
  QTest::addColumn<bool>("panelEnabled");
  QTest::addColumn<bool>("links");
  QTest::addColumn<bool>("alternative");
  QTest::newRow("no cache, no icl") << 0 << false << true << false << false << false << false;
  QTest::newRow("links, no icl") << 1 << false << true << true << true << true << false;
  QTest::newRow("tcmenu, no icl") << 2 << false << true << true << true << false << true;
  QTest::newRow("links, icl beside") << 1 << true << false << true << false << true << false;
}

void TestMainWindow::cacheControlsFollowDefaultCache() {
  QFETCH(int, mode);
  QFETCH(bool, iclBeside);
  TEditor e;
  e.Ini("[main]\r\nDefaultCache=" + std::to_string(mode) + "\r\n");
  if (iclBeside)
    WriteText(e.file("t.icl"), "x");
  MainWindow &w = e.StartWithBar({{"", "cm_Copy", "", "", "", ""}});
  QCOMPARE(int(e.Bar().CacheMode), mode);
  QTEST(w.cacheBox->isEnabled(), "cacheEnabled");
  QTEST(w.cacheBox->isChecked(), "cacheChecked");
  QTEST(w.cacheModePanel->isEnabled(), "panelEnabled");
  QTEST(w.cacheLinksRadio->isChecked(), "links");
  QTEST(w.cacheTcMenuRadio->isChecked(), "alternative");
  QVERIFY(!e.Bar().Modified);
}

void TestMainWindow::aboutWindowTranslatesAtEveryShow() {
  TEditor e;
  WriteText(e.bin() / "English.lng", "5065=B\r\nClose=Zu\r\nAbout=Info\r\nmailto:=Post an \r\n"
                                     "environment variable=Umgebungsvariable\r\n");
  testsupport::ScopedEnv commander("COMMANDER_PATH", e.bin().c_str());
  MainWindow &w = e.Start();
  QTest::mouseClick(w.aboutButton, Qt::LeftButton);
  QCOMPARE(e.dialogs.shown.size(), size_t(1));
  const QString host = e.about->lblHost->text();
  QVERIFY2(host.startsWith("Total Commander: ") && host.contains("(Umgebungsvariable)"),
           qPrintable(host));
  QVERIFY2(e.about->lblHost->toolTip().contains("bin (Umgebungsvariable: COMMANDER_PATH)"),
           qPrintable(e.about->lblHost->toolTip()));
  QCOMPARE(e.about->btnOk->text(), QStringLiteral("Zu"));
  QCOMPARE(e.about->windowTitle(), QStringLiteral("Info"));
  QCOMPARE(e.about->mailLink->text(), QStringLiteral("Post an ") + MakerAddress);
  QCOMPARE(e.about->noticeText->toPlainText(), AboutWindow::NoticeText());
  e.about->close();
  // A license text in the language file replaces the notice at the next show.
  std::vector<std::string> lines = w.TranslationTable.Lines();
  lines.push_back("license=\"Eigener Hinweis\"");
  w.TranslationTable = LocalizedTexts(lines);
  QTest::mouseClick(w.aboutButton, Qt::LeftButton);
  QCOMPARE(e.about->noticeText->toPlainText(), QStringLiteral("Eigener Hinweis"));
}

void TestMainWindow::aboutWindowMailLinkAndEscape() {
  TEditor e;
  MainWindow &w = e.Start();
  QTest::mouseClick(w.aboutButton, Qt::LeftButton);
  QVERIFY(QTest::qWaitForWindowExposed(e.about.get()));
  QTest::mouseClick(e.about->mailLink, Qt::LeftButton);
  QCOMPARE(e.dialogs.urls,
           QStringList{QStringLiteral("mailto:") + MakerAddress + "?SUBJECT=Corvane"});
  QTest::keyClick(e.about.get(), Qt::Key_Escape);
  QVERIFY(!e.about->isVisible());
}

void TestMainWindow::handlerExceptionIsShownAndTheProgramGoesOn() {
  TEditor e;
  // An icon index beyond 32 bits cannot be converted; showing that button fails.
  MainWindow &w = e.StartWithBar(
      {{"", "cm_Copy", "", "", "", ""}, {"x.ico,99999999999", "cm_Move", "", "", "", ""}});
  QVERIFY(e.dialogs.errors.empty());
  QTest::mouseClick(w.barList->viewport(), Qt::LeftButton, {}, CellCentre(*w.barList, 1));
  QCOMPARE(e.dialogs.errors.size(), size_t(1));
  QCOMPARE(e.dialogs.errors[0], std::string("'99999999999' is not a valid integer value"));
  // The window goes on working.
  QTest::mouseClick(w.barList->viewport(), Qt::LeftButton, {}, CellCentre(*w.barList, 0));
  QCOMPARE(w.editor->commandEdit->text(), QStringLiteral("cm_Copy"));
}

void TestMainWindow::stayOnTopSwitchChangesTheWindowFlag() {
  TEditor e;
  MainWindow &w = e.Start();
  QTest::mouseClick(w.onTopBox, Qt::LeftButton, {}, QPoint(6, w.onTopBox->height() / 2));
  QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
  QVERIFY(w.isVisible());
  QTest::mouseClick(w.onTopBox, Qt::LeftButton, {}, QPoint(6, w.onTopBox->height() / 2));
  QVERIFY(!(w.windowFlags() & Qt::WindowStaysOnTopHint));
  QVERIFY(w.isVisible());
}

// The focus starts in the bar list; Tab goes through its buttons, the editor's fields as
// they are read with each field's buttons, the run mode and the cache, then OK, Cancel,
// About and ">>", and Shift+Tab comes back the same way. The run modes are one
// stop (the arrow keys choose among them); the cache modes are skipped while the cache
// is off.
void TestMainWindow::tabWalksTheWindowInReadingOrder() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_Copy", "", "", "", ""}});
  // The selected cell shows the focus by a frame in the selection's text colour.
  const QImage list = w.barList->viewport()->grab().toImage();
  const QRect cell = w.barList->ItemRect(0);
  const QRgb mark = w.barList->palette().color(QPalette::HighlightedText).rgb();
  bool marked = false;
  for (int y = cell.top(); y < cell.top() + 4; ++y)
    for (int x = cell.left(); x < cell.right(); ++x)
      marked = marked || (list.pixel(x, y) | 0xFF000000u) == mark;
  QVERIFY2(marked, "the focus mark");
  const QStringList order = {"id_btn_bar",
                             "id_btn_add",
                             "id_btn_delete",
                             "id_btn_command",
                             "BitBtn1",
                             "id_btn_find1",
                             "id_btn_param",
                             "btnPrmList",
                             "id_btn_startpath",
                             "id_btn_iconfilename",
                             "id_btn_iconfile",
                             "btnDefLib",
                             "id_btn_icon",
                             "id_btn_ToolTip",
                             "run mode",
                             "chktop",
                             "chkcache",
                             "Ok",
                             "Cancel",
                             "btnAbout",
                             "id_btn_barfilesearch",
                             "id_btn_bar"};
  auto focused = [] {
    const QWidget *widget = QApplication::focusWidget();
    if (qobject_cast<const QRadioButton *>(widget))
      return QStringLiteral("run mode");
    return widget ? widget->objectName() : QString();
  };
  QStringList forward = {focused()};
  for (qsizetype i = 1; i < order.size(); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    forward << focused();
  }
  QCOMPARE(forward, order);
  QStringList back = {focused()};
  for (qsizetype i = 1; i < order.size(); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    back.prepend(focused());
  }
  QCOMPARE(back, order);
  QVERIFY(!e.Bar().Modified);
}

// A folder name longer than the window is broken between its parts, never cut short; the
// window grows down by the lines and, as it cannot be resized, offers no maximize.
void TestMainWindow::aboutWindowShowsLongPathsWhole() {
  TEditor e;
  const fs::path folder = e.dir.path() / "a-folder-with-a-rather-long-name" / "and-another-one" /
                          "and-a-third" / "totalcmd";
  fs::create_directories(folder);
  testsupport::ScopedEnv commander("COMMANDER_PATH", folder.c_str());
  MainWindow &w = e.Start();
  const int designedHeight = e.about->height();
  QTest::mouseClick(w.aboutButton, Qt::LeftButton);
  const QLabel &host = *e.about->lblHost;
  const QStringList lines = host.text().split('\n');
  QVERIFY2(lines.size() > 2, qPrintable(host.text()));
  QVERIFY2(lines.join("").contains(QString::fromStdString(WinName(folder))),
           qPrintable(host.text()));
  for (const QString &line : lines)
    QVERIFY2(host.fontMetrics().horizontalAdvance(line) <= host.width(), qPrintable(line));
  for (const fs::path &part : folder.lexically_relative(e.dir.path())) {
    const QString name = QString::fromStdString(part.string());
    QVERIFY2(std::any_of(lines.begin(), lines.end(),
                         [&](const QString &line) { return line.contains(name); }),
             qPrintable(name + " is broken:\n" + host.text()));
  }
  QVERIFY(e.about->height() > designedHeight);
  QVERIFY(host.geometry().bottom() < e.about->btnOk->geometry().top());
  QVERIFY(e.about->rect().contains(e.about->btnOk->geometry()));
  QCOMPARE(e.about->minimumSize(), e.about->maximumSize());
  QVERIFY(!(e.about->windowFlags() & Qt::WindowMaximizeButtonHint));
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
