// The command browser on made-up Total Commander installations: the category list, the
// rows of a category and the filter, the drawn rows, what a choice writes into the
// selected button, the failures, and that nothing survives from one show to the next.
// CORVANE_SCREENSHOT_DIR names the folder for the pictures of the example installation.
#include "UiHarness.h"

#include "support/TcInstallation.h"
#include "ui/ButtonEditor.h"
#include "ui/CommandBrowser.h"
#include "ui/FieldEdit.h"
#include "ui/TextCodec.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>

using namespace uitest;

namespace {

// Blank lines, a comment before the first header, a line without ";", a comment that
// ends a category by its two underscores, a number beginning with 5 in two categories.
const char *const CommandList = "; Total Commander's commands\r\n"
                                "[_____Files_____]=0\r\n"
                                "cm_Copy=300;Copy files\r\n"
                                "\r\n"
                                "cm_Foo=123;Does foo\r\n"
                                "; a comment is never listed\r\n"
                                "cm_NoNumber=77 has no semicolon\r\n"
                                "[_____File_ops_____]=0\r\n"
                                "cm_Pack=501;Pack files\r\n"
                                "; ends__here\r\n"
                                "cm_Orphan=502;After the comment\r\n"
                                "   \r\n"
                                "[_____Selection_____]=0\r\n"
                                "cm_SelectAll=523;Select all\r\n"
                                "cm_Select5=5;Select five\r\n";

// 501 points beyond the five icons of the test's icon library; 523 is not mapped.
const char *const IconMappings = "[mappings]\r\n123=2\r\n300=1\r\n501=50\r\n106=4\r\n";

const char *const UserCommands = "[em_backup]\r\ncmd=C:\\Tools\\backup.exe\r\nmenu=Back up\r\n"
                                 "[em_notes]\r\ncmd=notepad.exe\r\n";

// Lacks Fileops and the numbers 123 and 523; quotes are dropped before use.
const char *const LocalizedList = "; German\r\nAll=\"Alle\"\r\nFiles=Dateien\r\n"
                                  "Selection=Auswahl\r\n300=\"Kopieren\"\r\n501=Packen\r\n";

const char *const OldTooltip = "old tip";

QStringList Texts(const QListWidget *list) {
  QStringList texts;
  for (int i = 0; i < list->count(); ++i)
    texts << list->item(i)->text();
  return texts;
}

int RowOf(const QListWidget *list, const QString &text) {
  const auto found = list->findItems(text, Qt::MatchExactly);
  return found.isEmpty() ? -1 : list->row(found.front());
}

QString ShotFile(const char *name) {
  return qEnvironmentVariable("CORVANE_SCREENSHOT_DIR", QStringLiteral(".")) + "/" + name;
}

// The editor with a Total Commander installation in "tc" beside it, and the browser.
class TBrowserRun {
public:
  fs::path tc() const { return install.folder(); }
  void Localize(const std::string &list = LocalizedList) {
    install.Localize({.code = "TST",
                      .commandList = list,
                      .userCommands = "[em_lokal]\r\ncmd=C:\\lokal.exe\r\n"});
  }

  // Starts the editor on a bar of one button and opens the browser from the editor.
  CommandBrowser &Open(const std::string &iconRef = "") {
    e.StartWithBar({{iconRef, "cm_Old", "", "", OldTooltip, ""}});
    browser = e.browser.get();
    return Reopen();
  }
  CommandBrowser &Reopen() {
    QTest::mouseClick(e.main->editor->browseCommandsButton, Qt::LeftButton);
    if (e.dialogs.shown.empty() || e.dialogs.shown.back() != browser)
      qWarning("the browser button did not open the browser");
    // A modal window is the active one, so keys go to it and not to the main window.
    QApplication::setActiveWindow(browser);
    if (!QTest::qWaitForWindowActive(browser))
      qWarning("the browser did not become active");
    return *browser;
  }
  void SelectCategory(int position) { browser->categoryList->setCurrentRow(position); }
  void SelectRow(const QString &line) {
    browser->commandList->setCurrentRow(RowOf(browser->commandList, line));
  }
  QStringList RowTexts() const { return Texts(browser->commandList); }

  TEditor e;
  testsupport::TcInstallation install{e.file("tc"),
                                      {.commandList = CommandList,
                                       .iconMappings = IconMappings,
                                       .userCommands = UserCommands,
                                       .icons = 5}};
  CommandBrowser *browser = nullptr;
};

// The columns of a row that hold any pixel other than the row's background, counted from
// the row's left edge.
std::vector<bool> InkColumns(QListWidget *list, int row) {
  const QImage image = list->grab().toImage();
  const QRect rect =
      list->visualItemRect(list->item(row)).translated(list->viewport()->mapTo(list, QPoint(0, 0)));
  const QRgb background = image.pixel(rect.right(), rect.top());
  std::vector<bool> ink(static_cast<size_t>(rect.width()), false);
  for (int x = 0; x < rect.width(); ++x)
    for (int y = rect.top(); y <= rect.bottom(); ++y)
      if (image.pixel(rect.left() + x, y) != background)
        ink[static_cast<size_t>(x)] = true;
  return ink;
}

bool AnyInk(const std::vector<bool> &ink, int from, int to) {
  for (int x = std::max(0, from); x < to && x < int(ink.size()); ++x)
    if (ink[static_cast<size_t>(x)])
      return true;
  return false;
}

int FirstInk(const std::vector<bool> &ink, int from) {
  for (int x = std::max(0, from); x < int(ink.size()); ++x)
    if (ink[static_cast<size_t>(x)])
      return x;
  return -1;
}

// Whether the first ink at or after from lies within two pixels (a glyph's bearing) of x.
bool InkStartsAt(const std::vector<bool> &ink, int from, int x) {
  const int first = FirstInk(ink, from);
  return first >= x && first <= x + 2;
}

int LastInkBefore(const std::vector<bool> &ink, int to) {
  for (int x = std::min(to, int(ink.size())) - 1; x >= 0; --x)
    if (ink[static_cast<size_t>(x)])
      return x;
  return -1;
}

} // namespace

class TestBrowser : public QObject {
  Q_OBJECT
private slots:
  void categoryList_data();
  void categoryList();
  void rowsAndFilter_data();
  void rowsAndFilter();
  void drawnRows();
  void selectedRowAndNoCategory();
  void choosing_data();
  void choosing();
  void choicesThatDoNothing();
  void standsAloneAndReportsItsChoice();
  void iconBeyondTheLibraryKeepsTheMappedIndex();
  void missingCommandList();
  void captionsAreTranslated();
  void keyboardChoosesACommand_data();
  void keyboardChoosesACommand();
  void nothingSurvivesAClose();
  void repeatedCategoryNames_data();
  void repeatedCategoryNames();
  void exampleInstallation_data();
  void exampleInstallation();
  void growsWithTheWindowAndScrollsItsHeadingsAlong();
};

void TestBrowser::categoryList_data() {
  QTest::addColumn<QString>("language");
  QTest::addColumn<QStringList>("categories");
  QTest::newRow("untranslated: header names, then usercmd.ini only")
      << "" << QStringList{"All", "Files", "Fileops", "Selection", "usercmd.ini"};
  QTest::newRow("localized: captions looked up, a missing one empty, the user file last")
      << "localized"
      << QStringList{"Alle", "Dateien", "", "Auswahl", "usercmd.ini", "WCMD_TST.ini"};
  QTest::newRow("configured but missing list: untranslated, \"All\" included")
      << "missing"
      << QStringList{"All", "Files", "Fileops", "Selection", "usercmd.ini", "GONE.ini"};
}

void TestBrowser::categoryList() {
  QFETCH(QString, language);
  QFETCH(QStringList, categories);
  TBrowserRun run;
  if (language == "localized")
    run.Localize();
  if (language == "missing")
    run.e.Ini("[Main]\r\nLocalizedInc=" + WinName(run.tc() / "Language" / "GONE.INC") + "\r\n");
  CommandBrowser &b = run.Open();
  QCOMPARE(Texts(b.categoryList), categories);
  QCOMPARE(b.categoryList->currentRow(), 0);
  QCOMPARE(b.SelectedRow(), -1);
  QVERIFY(b.isVisible());
  QVERIFY(run.e.dialogs.errors.empty());
}

void TestBrowser::rowsAndFilter_data() {
  QTest::addColumn<bool>("localized");
  QTest::addColumn<int>("category");
  QTest::addColumn<QString>("filter");
  QTest::addColumn<QStringList>("rows");
  const QStringList all = {"[_____Files_____]=0",
                           "cm_Copy=300;Copy files",
                           "cm_Foo=123;Does foo",
                           "cm_NoNumber=77 has no semicolon",
                           "[_____File_ops_____]=0",
                           "cm_Pack=501;Pack files",
                           "cm_Orphan=502;After the comment",
                           "[_____Selection_____]=0",
                           "cm_SelectAll=523;Select all",
                           "cm_Select5=5;Select five"};
  QTest::newRow("All: headers and commands, no comment, no blank") << false << 0 << "" << all;
  QTest::newRow("a category up to the next header")
      << false << 1 << ""
      << QStringList{"cm_Copy=300;Copy files", "cm_Foo=123;Does foo",
                     "cm_NoNumber=77 has no semicolon"};
  QTest::newRow("a comment holding two underscores ends a category")
      << false << 2 << "" << QStringList{"cm_Pack=501;Pack files"};
  QTest::newRow("filter =5 keeps the numbers beginning with 5")
      << false << 0 << "=5"
      << QStringList{"cm_Pack=501;Pack files", "cm_Orphan=502;After the comment",
                     "cm_SelectAll=523;Select all", "cm_Select5=5;Select five"};
  QTest::newRow("filter ignores case and matches headers too")
      << false << 0 << "FILE"
      << QStringList{"[_____Files_____]=0", "cm_Copy=300;Copy files", "[_____File_ops_____]=0",
                     "cm_Pack=501;Pack files"};
  QTest::newRow("filter within a category")
      << false << 3 << "all" << QStringList{"cm_SelectAll=523;Select all"};
  QTest::newRow("English words match while German descriptions are shown")
      << true << 1 << "copy f" << QStringList{"cm_Copy=300;Copy files"};
  QTest::newRow("German descriptions are not matched") << true << 0 << "Kopieren" << QStringList{};
  QTest::newRow("user commands of usercmd.ini, the filter left out")
      << false << 4 << "zzz"
      << QStringList{"[em_backup]=;C:\\Tools\\backup.exe", "[em_notes]=;notepad.exe"};
  QTest::newRow("user commands of the localized file only")
      << true << 5 << "" << QStringList{"[em_lokal]=;C:\\lokal.exe"};
}

void TestBrowser::rowsAndFilter() {
  QFETCH(bool, localized);
  QFETCH(int, category);
  QFETCH(QString, filter);
  QFETCH(QStringList, rows);
  TBrowserRun run;
  if (localized)
    run.Localize();
  CommandBrowser &b = run.Open();
  run.SelectCategory(category);
  QTest::keyClicks(b.filterEdit, filter);
  QCOMPARE(run.RowTexts(), rows);
  QCOMPARE(b.Rows().size(), size_t(rows.size()));
}

void TestBrowser::drawnRows() {
  TBrowserRun run;
  CommandBrowser &b = run.Open();
  QListWidget *list = b.commandList;
  const QFontMetrics metrics(list->font());
  const int numberEnd = ui::Px(195);
  const int description = ui::Px(203);

  run.SelectCategory(1);
  auto ink = InkColumns(list, RowOf(list, "cm_Foo=123;Does foo"));
  QVERIFY2(InkStartsAt(ink, 0, ui::Px(1)), "the name starts at x = 1");
  const int number = LastInkBefore(ink, description);
  QVERIFY2(number <= numberEnd && number >= numberEnd - 3,
           qPrintable(QString("the number ends at x = 195, not %1").arg(number)));
  QVERIFY(!AnyInk(ink, ui::Px(60), numberEnd - metrics.horizontalAdvance("123") - 1));
  QVERIFY2(InkStartsAt(ink, numberEnd + 1, description), "the description starts at x = 203");

  ink = InkColumns(list, RowOf(list, "cm_NoNumber=77 has no semicolon"));
  QVERIFY2(!AnyInk(ink, ui::Px(100), description), "a line without \";\" has no number");
  QVERIFY(InkStartsAt(ink, ui::Px(100), description));
  QVERIFY2(LastInkBefore(ink, int(ink.size())) >=
               description + metrics.horizontalAdvance("cm_NoNumber=77 has no") - 2,
           "its whole text is the description");

  run.SelectCategory(0);
  ink = InkColumns(list, RowOf(list, "[_____Files_____]=0"));
  const int rule = metrics.horizontalAdvance(QString(32, '='));
  QVERIFY2(AnyInk(ink, ui::Px(1) + metrics.horizontalAdvance("Files") + 4, ui::Px(1) + rule),
           "a header's name stands over a line of \"=\"");
  QVERIFY2(!AnyInk(ink, ui::Px(1) + rule + 2, int(ink.size())), "a header has no number");

  run.SelectCategory(4);
  ink = InkColumns(list, RowOf(list, "[em_backup]=;C:\\Tools\\backup.exe"));
  QVERIFY(InkStartsAt(ink, 0, ui::Px(1)));
  QVERIFY2(!AnyInk(ink, ui::Px(1) + metrics.horizontalAdvance("em_backup") + 2, description),
           "a user command shows its name without brackets and no number");
  QVERIFY(InkStartsAt(ink, ui::Px(100), description));

  // Localized, a number the list lacks has no description at all, not the English one.
  TBrowserRun localized;
  localized.Localize();
  CommandBrowser &l = localized.Open();
  localized.SelectCategory(1);
  ink = InkColumns(l.commandList, RowOf(l.commandList, "cm_Foo=123;Does foo"));
  QVERIFY(AnyInk(ink, 0, numberEnd + 1));
  QVERIFY(!AnyInk(ink, numberEnd + 1, int(ink.size())));
  ink = InkColumns(l.commandList, RowOf(l.commandList, "cm_Copy=300;Copy files"));
  QVERIFY(AnyInk(ink, description, int(ink.size())));
}

void TestBrowser::selectedRowAndNoCategory() {
  TBrowserRun run;
  CommandBrowser &b = run.Open();
  QListWidget *list = b.commandList;
  run.SelectCategory(1);
  run.SelectRow("cm_Foo=123;Does foo");
  list->viewport()->repaint();
  const QImage image = list->viewport()->grab().toImage();
  const int selected = RowOf(list, "cm_Foo=123;Does foo");
  const QRect rect = list->visualItemRect(list->item(selected));
  const QRect other = list->visualItemRect(list->item(0));
  QCOMPARE(image.pixelColor(rect.right(), rect.top()), list->palette().color(QPalette::Highlight));
  QCOMPARE(image.pixelColor(other.right(), other.top()), list->palette().color(QPalette::Base));

  // Without a selected category the rows are left undrawn.
  {
    const QSignalBlocker quiet(b.categoryList);
    b.categoryList->setCurrentRow(-1);
  }
  const auto ink = InkColumns(list, 0);
  QVERIFY(!AnyInk(ink, 0, int(ink.size())));
}

void TestBrowser::choosing_data() {
  QTest::addColumn<bool>("localized");
  QTest::addColumn<bool>("mappingFile");
  QTest::addColumn<bool>("doubleClick");
  QTest::addColumn<int>("category");
  QTest::addColumn<QString>("row");
  QTest::addColumn<QString>("iconRef");
  QTest::addColumn<QString>("command");
  QTest::addColumn<QString>("tooltip");
  QTest::newRow("a command: mapped icon, name, description")
      << false << true << true << 1 << "cm_Foo=123;Does foo"
      << "wcmicons.dll,2"
      << "cm_Foo"
      << "Does foo";
  QTest::newRow("OK does what a double click does")
      << false << true << false << 1 << "cm_Foo=123;Does foo"
      << "wcmicons.dll,2"
      << "cm_Foo"
      << "Does foo";
  QTest::newRow("the localized description \"Kopieren\" as tooltip")
      << true << true << true << 1 << "cm_Copy=300;Copy files"
      << "wcmicons.dll,1"
      << "cm_Copy"
      << "Kopieren";
  QTest::newRow("a number the localized list lacks gives an empty tooltip")
      << true << true << false << 1 << "cm_Foo=123;Does foo"
      << "wcmicons.dll,2"
      << "cm_Foo"
      << "";
  QTest::newRow("an unmapped number gives icon 0")
      << false << true << true << 3 << "cm_SelectAll=523;Select all"
      << "wcmicons.dll,0"
      << "cm_SelectAll"
      << "Select all";
  QTest::newRow("without WCMICONS.INC every icon is 0")
      << false << false << true << 1 << "cm_Foo=123;Does foo"
      << "wcmicons.dll,0"
      << "cm_Foo"
      << "Does foo";
  QTest::newRow("a user command: icon of key 106, section name, tooltip kept")
      << false << true << true << 4 << "[em_backup]=;C:\\Tools\\backup.exe"
      << "wcmicons.dll,4"
      << "em_backup" << OldTooltip;
  QTest::newRow("a command chosen in All")
      << false << true << false << 0 << "cm_Select5=5;Select five"
      << "wcmicons.dll,0"
      << "cm_Select5"
      << "Select five";
}

void TestBrowser::choosing() {
  QFETCH(bool, localized);
  QFETCH(bool, mappingFile);
  QFETCH(bool, doubleClick);
  QFETCH(int, category);
  QFETCH(QString, row);
  QFETCH(QString, iconRef);
  QFETCH(QString, command);
  QFETCH(QString, tooltip);
  TBrowserRun run;
  if (localized)
    run.Localize();
  if (!mappingFile)
    fs::remove(run.tc() / "WCMICONS.INC");
  CommandBrowser &b = run.Open();
  run.SelectCategory(category);
  run.SelectRow(row);
  QVERIFY(b.SelectedRow() >= 0);
  if (doubleClick) {
    QListWidget *list = b.commandList;
    const QPoint at = list->visualItemRect(list->item(b.SelectedRow())).center();
    // What a mouse sends for a double click: press, release, double click, release.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
  } else {
    QTest::mouseClick(b.OKButton, Qt::LeftButton);
  }
  QVERIFY(!b.isVisible());
  QCOMPARE(run.e.Bar().GetField(0, bfIconRef), iconRef.toStdString());
  QCOMPARE(run.e.Bar().GetField(0, bfCommand), command.toStdString());
  QCOMPARE(run.e.Bar().GetField(0, bfTooltip), tooltip.toStdString());
  QVERIFY(run.e.Bar().Modified);
  // The editor shows the button again, with the mapped icon selected in its picker.
  ButtonEditor *f = run.e.main->editor;
  QCOMPARE(f->commandEdit->text(), command);
  QCOMPARE(f->tooltipEdit->text(), tooltip);
  QCOMPARE(f->iconList->Count(), 5);
  QCOMPARE(QString::number(f->iconList->ItemIndex()), iconRef.section(',', 1));
  QVERIFY(run.e.dialogs.errors.empty());
}

void TestBrowser::choicesThatDoNothing() {
  TBrowserRun run;
  CommandBrowser &b = run.Open();
  auto unchanged = [&] {
    return run.e.Bar().GetField(0, bfCommand) == "cm_Old" && !run.e.Bar().Modified;
  };
  QTest::mouseClick(b.OKButton, Qt::LeftButton);
  QVERIFY2(b.isVisible() && unchanged(), "OK without a selected row");

  run.SelectRow("[_____File_ops_____]=0");
  QCOMPARE(b.SelectedRow(), 4);
  QTest::mouseClick(b.OKButton, Qt::LeftButton);
  QVERIFY2(b.isVisible() && unchanged(), "a header row by OK");
  b.CommandListDblClick();
  QVERIFY2(b.isVisible() && unchanged(), "a header row by double click");

  // Without a selected button the choice is made but nothing is written.
  run.e.main->barList->SetItemIndex(-1);
  run.SelectRow("cm_Copy=300;Copy files");
  QTest::mouseClick(b.OKButton, Qt::LeftButton);
  QVERIFY(!b.isVisible());
  QVERIFY(unchanged());

  run.Reopen();
  QVERIFY(b.isVisible());
  QTest::mouseClick(b.CancelButton, Qt::LeftButton);
  QVERIFY(!b.isVisible());
  QVERIFY(unchanged());
}

// Without a main window: the browser translates and finds its files through what it was
// given, and reports the choice it writes nowhere itself.
void TestBrowser::standsAloneAndReportsItsChoice() {
  testsupport::TempDir dir;
  const testsupport::TcInstallation install(
      dir / "tc", {.commandList = CommandList, .iconMappings = IconMappings});
  TScriptedDialogs dialogs;
  CommandBrowser browser([](const std::string &key) { return "<" + key + ">"; }, dialogs,
                         WinName(dir / "prog" / "corvane"));
  std::vector<CommandChoice> choices;
  connect(&browser, &CommandBrowser::CommandChosen,
          [&](const CommandChoice &choice) { choices.push_back(choice); });
  browser.show();
  QCOMPARE(browser.windowTitle(), QStringLiteral("<Command Browser>"));
  browser.categoryList->setCurrentRow(1);
  browser.commandList->setCurrentRow(RowOf(browser.commandList, "cm_Foo=123;Does foo"));
  QTest::mouseClick(browser.OKButton, Qt::LeftButton);
  QCOMPARE(choices.size(), size_t(1));
  QCOMPARE(choices[0].IconRef, std::string("wcmicons.dll,2"));
  QCOMPARE(choices[0].Command, std::string("cm_Foo"));
  QCOMPARE(choices[0].Tooltip.value_or("none"), std::string("Does foo"));
  QVERIFY(!browser.isVisible());
  QVERIFY(dialogs.errors.empty());
}

void TestBrowser::iconBeyondTheLibraryKeepsTheMappedIndex() {
  TBrowserRun run;
  CommandBrowser &b = run.Open("wcmicons.dll,3");
  QVERIFY(run.e.Bar().IconHandle(0));
  run.SelectCategory(2);
  run.SelectRow("cm_Pack=501;Pack files");
  QTest::mouseClick(b.OKButton, Qt::LeftButton);
  QVERIFY(!b.isVisible());
  ButtonEditor *f = run.e.main->editor;
  QCOMPARE(f->iconList->Count(), 5);
  QCOMPARE(f->iconList->ItemIndex(), -1);
  QCOMPARE(run.e.Bar().GetField(0, bfIconRef), std::string("wcmicons.dll,50"));
  QCOMPARE(f->iconIndexLabel->text(), QStringLiteral("50"));
  // The bar list no longer shows the icon the button had before.
  QVERIFY(!run.e.Bar().IconHandle(0));
}

void TestBrowser::missingCommandList() {
  TBrowserRun run;
  fs::remove(run.tc() / "Totalcmd.inc");
  WriteText(run.e.bin() / "English.lng",
            "5065=Leiste\r\nCategory=Kategorie\r\nCancel=Abbrechen\r\n");
  CommandBrowser &b = run.Open();
  QCOMPARE(run.e.dialogs.errors.size(), size_t(1));
  const std::string &error = run.e.dialogs.errors.front();
  QVERIFY2(error.find("Totalcmd.inc") != std::string::npos, error.c_str());
  QVERIFY(b.isVisible());
  QCOMPARE(b.categoryList->count(), 0);
  QCOMPARE(b.commandList->count(), 0);
  QCOMPARE(b.categoryLabel->text(), QStringLiteral("&Category:"));
  QCOMPARE(b.CancelButton->text(), QStringLiteral("Cancel"));
  QCOMPARE(b.windowTitle(), QStringLiteral("Command Browser"));
  QTest::keyClicks(b.filterEdit, "cm");
  QTest::mouseClick(b.OKButton, Qt::LeftButton);
  QVERIFY(b.isVisible());
  QCOMPARE(run.e.Bar().GetField(0, bfCommand), std::string("cm_Old"));
  QTest::mouseClick(b.CancelButton, Qt::LeftButton);
  QVERIFY(!b.isVisible());

  // The error is told at every show; a list put in place meanwhile is read.
  run.Reopen();
  QCOMPARE(run.e.dialogs.errors.size(), size_t(2));
  b.close();
  WriteText(run.tc() / "Totalcmd.inc", CommandList);
  run.Reopen();
  QCOMPARE(run.e.dialogs.errors.size(), size_t(2));
  QCOMPARE(b.categoryList->count(), 5);
  QCOMPARE(b.categoryLabel->text(), QStringLiteral("&Kategorie:"));
}

void TestBrowser::captionsAreTranslated() {
  TBrowserRun run;
  WriteText(run.e.bin() / "English.lng",
            "5065=Leiste\r\nCategory=Kategorie\r\nCommand=Kommando\r\nNr=Nummer\r\nDescription="
            "Beschreibung\r\n"
            "Filter=&Suchen\r\nOk=Gut\r\nCancel=Abbrechen\r\nCommand Browser=Kommandos\r\n");
  CommandBrowser &b = run.Open();
  const std::vector<std::pair<QString, QString>> captions = {
      {b.categoryLabel->text(), "&Kategorie:"}, {b.commandLabel->text(), "K&ommando:"},
      {b.NrLabel->text(), "Nummer:"},           {b.DescriptionLabel->text(), "Beschreibung:"},
      {b.filterLabel->text(), "&Suchen"},       {b.OKButton->text(), "Gut"},
      {b.CancelButton->text(), "Abbrechen"},    {b.windowTitle(), "Kommandos"}};
  for (const auto &[shown, expected] : captions)
    QCOMPARE(shown, expected);
  QCOMPARE(b.filterLabel->buddy(), b.filterEdit);
}

// From the keyboard alone: Ctrl+B, named in the button's tooltip, opens the browser, Alt+F
// reaches the filter, Down goes from there into the list on its first command, a filter
// that leaves one command selects it, and Return takes the command.
void TestBrowser::keyboardChoosesACommand_data() {
  QTest::addColumn<QString>("filter");
  QTest::addColumn<bool>("down");
  QTest::addColumn<QString>("command");
  QTest::newRow("Down from the empty filter: the first command") << "" << true << "cm_Copy";
  QTest::newRow("Down from a filter: its first command") << "=5" << true << "cm_Pack";
  QTest::newRow("a filter that leaves one command") << "copy f" << false << "cm_Copy";
}

void TestBrowser::keyboardChoosesACommand() {
  QFETCH(QString, filter);
  QFETCH(bool, down);
  QFETCH(QString, command);
  TBrowserRun run;
  MainWindow &w = run.e.StartWithBar({{"", "cm_Old", "", "", OldTooltip, ""}});
  CommandBrowser &b = *run.e.browser;
  QCOMPARE(w.editor->browseCommandsButton->toolTip(), QStringLiteral("Command Browser\tCtrl+B"));
  QTest::keyClick(w.barList, Qt::Key_B, Qt::ControlModifier);
  QCOMPARE(run.e.dialogs.shown, std::vector<QDialog *>{&b});
  QApplication::setActiveWindow(&b);
  QVERIFY(QTest::qWaitForWindowActive(&b));
  QTest::keyClick(&b, Qt::Key_F, Qt::AltModifier);
  QCOMPARE(QApplication::focusWidget(), b.filterEdit);
  QTest::keyClicks(b.filterEdit, filter);
  if (down) {
    QTest::keyClick(b.filterEdit, Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), b.commandList);
  }
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  QVERIFY(!b.isVisible());
  QCOMPARE(run.e.Bar().GetField(0, bfCommand), command.toStdString());
}

void TestBrowser::nothingSurvivesAClose() {
  TBrowserRun run;
  CommandBrowser &b = run.Open();
  run.SelectCategory(3);
  QTest::keyClicks(b.filterEdit, "five");
  run.SelectRow("cm_Select5=5;Select five");
  QCOMPARE(b.SelectedRow(), 0);
  // Escape closes the window as the close box does.
  QTest::keyClick(&b, Qt::Key_Escape);
  QVERIFY(!b.isVisible());
  QVERIFY(b.Catalog() == nullptr);
  QVERIFY(b.Rows().empty());
  QCOMPARE(b.filterEdit->text(), QString());
  QCOMPARE(b.categoryList->count(), 0);
  QCOMPARE(b.commandList->count(), 0);

  // The next show reads the files again.
  WriteText(run.tc() / "Totalcmd.inc",
            std::string(CommandList) + "[_____Extra_____]=0\r\ncm_New=900;New\r\n");
  run.Reopen();
  QCOMPARE(b.categoryList->count(), 6);
  QCOMPARE(b.categoryList->item(4)->text(), QStringLiteral("Extra"));
  QCOMPARE(b.categoryList->currentRow(), 0);
  QCOMPARE(b.SelectedRow(), -1);
  QCOMPARE(b.commandList->count(), 12);
  run.SelectCategory(4);
  QCOMPARE(run.RowTexts(), QStringList{"cm_New=900;New"});
}

void TestBrowser::repeatedCategoryNames_data() {
  QTest::addColumn<bool>("localized");
  QTest::addColumn<QStringList>("categories");
  QTest::addColumn<QList<QStringList>>("rows");
  const QStringList first = {"cm_A=1;A"};
  const QStringList second = {"cm_B=2;B"};
  const QStringList between = {"cm_S=3;S"};
  QTest::newRow("untranslated: one entry for every header of the name, in file order")
      << false << QStringList{"All", "Files", "Selection", "usercmd.ini"}
      << QList<QStringList>{first + second, between};
  QTest::newRow("localized: one entry per header, each with its own commands")
      << true << QStringList{"Alle", "Dateien", "Auswahl", "Dateien", "usercmd.ini", "WCMD_TST.ini"}
      << QList<QStringList>{first, between, second};
}

void TestBrowser::repeatedCategoryNames() {
  QFETCH(bool, localized);
  QFETCH(QStringList, categories);
  QFETCH(QList<QStringList>, rows);
  TBrowserRun run;
  WriteText(run.tc() / "Totalcmd.inc", "[___Files___]=0\r\ncm_A=1;A\r\n[___Selection___]=0\r\n"
                                       "cm_S=3;S\r\n[___files___]=0\r\ncm_B=2;B\r\n");
  if (localized)
    run.Localize();
  CommandBrowser &b = run.Open();
  QCOMPARE(Texts(b.categoryList), categories);
  for (int i = 0; i < rows.size(); ++i) {
    run.SelectCategory(i + 1);
    QCOMPARE(run.RowTexts(), rows[i]);
  }
}

void TestBrowser::exampleInstallation_data() {
  QTest::addColumn<QString>("settings"); // Total Commander's settings file, when not the usual
  QTest::addColumn<QString>("all");
  QTest::addColumn<QStringList>("tail");
  QTest::addColumn<QString>("picture");
  QTest::newRow("localized") << ""
                             << "Alle Kommandos" << QStringList{"usercmd.ini", "WCMD_DEU.ini"}
                             << "corvane-browser.png";
  QTest::newRow("untranslated") << "wincmd-english.ini"
                                << "All" << QStringList{"usercmd.ini"}
                                << "corvane-browser-untranslated.png";
}

void TestBrowser::exampleInstallation() {
  QFETCH(QString, settings);
  QFETCH(QString, all);
  QFETCH(QStringList, tail);
  QFETCH(QString, picture);
  const fs::path top = fs::path(CORVANE_TEST_DATA).parent_path().parent_path();
  const fs::path example = top / "examples" / "totalcmd";
  if (!fs::exists(example / "Totalcmd.inc"))
    QSKIP("the example installation is not beside the tests");
  TEditor e;
  testsupport::ScopedEnv commander("COMMANDER_PATH", example.string().c_str());
  const fs::path ini = example / settings.toStdString();
  testsupport::ScopedEnv commanderIni("COMMANDER_INI",
                                      settings.isEmpty() ? nullptr : WinName(ini).c_str());
  for (const char *name : {"Corvane.ini", "English.lng", "corvane.icl"})
    fs::copy_file(top / "data" / name, e.bin() / name, fs::copy_options::overwrite_existing);
  platform::FlushProfileCache();
  e.Start({QString::fromStdString((top / "examples" / "bars" / "tools.bar").string())});
  CommandBrowser &browser = *e.browser;
  QTest::mouseClick(e.main->editor->browseCommandsButton, Qt::LeftButton);
  QVERIFY(QTest::qWaitForWindowExposed(&browser));
  QVERIFY(e.dialogs.errors.empty());
  const QStringList categories = Texts(browser.categoryList);
  QCOMPARE(categories.front(), all);
  QCOMPARE(categories.mid(categories.size() - tail.size()), tail);
  // Every category of the example shows commands, each user-command file some of its own.
  for (int i = 1; i < categories.size(); ++i) {
    browser.categoryList->setCurrentRow(i);
    QVERIFY2(browser.commandList->count() > 0, qPrintable(categories[i]));
  }
  browser.categoryList->setCurrentRow(1);
  QVERIFY(browser.grab().save(ShotFile(qPrintable(picture)), "PNG"));
  browser.close();
}

QTEST_MAIN(TestBrowser)
#include "test_browser.moc"

// The lists take what the window is given beyond its laid-out size; a description longer
// than the list is read by scrolling sideways, and the headings stay over their columns.
void TestBrowser::growsWithTheWindowAndScrollsItsHeadingsAlong() {
  TBrowserRun run;
  const std::string longest(120, 'w');
  WriteText(run.tc() / "Totalcmd.inc", "[_____Files_____]=0\r\ncm_Long=9;" + longest + "\r\n");
  CommandBrowser &b = run.Open();
  QVERIFY(b.minimumSize() != b.maximumSize());
  const QRect list = b.commandList->geometry();
  const QRect categories = b.categoryList->geometry();
  const QPoint ok = b.OKButton->mapTo(&b, QPoint());
  b.resize(b.size() + QSize(200, 100));
  QCOMPARE(b.commandList->size(), list.size() + QSize(200, 100));
  QCOMPARE(b.categoryList->height(), categories.height() + 100);
  QCOMPARE(b.OKButton->mapTo(&b, QPoint()), ok + QPoint(0, 100));

  QScrollBar *sideways = b.commandList->horizontalScrollBar();
  const int drawn =
      ui::Px(203) + b.commandList->fontMetrics().horizontalAdvance(QString::fromStdString(longest));
  // The list lays its rows out when the events are next handled.
  QTRY_VERIFY2(sideways->maximum() + b.commandList->viewport()->width() >= drawn,
               "the longest description can be scrolled into view whole");
  auto headingOverList = [&](QWidget *heading) {
    return heading->mapTo(&b, QPoint()).x() - b.commandList->viewport()->mapTo(&b, QPoint()).x();
  };
  const int description = headingOverList(b.DescriptionLabel);
  const int number = headingOverList(b.NrLabel);
  sideways->setValue(sideways->maximum());
  QVERIFY(sideways->value() > 0);
  QCOMPARE(headingOverList(b.DescriptionLabel), description - sideways->value());
  QCOMPARE(headingOverList(b.NrLabel), number - sideways->value());
}
