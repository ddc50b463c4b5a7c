// The bar list: cells drawn with icons or placeholders, the special commands, selection,
// drag with the mouse, the keyboard commands, Add and Delete, the right button.
#include "UiHarness.h"

#include "platform/Clipboard.h"
#include "ui/ButtonEditor.h"
#include "ui/FieldEdit.h"
#include "ui/QtClipboard.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

using namespace uitest;

namespace {

std::vector<std::string> Commands(const ButtonBar &bar) {
  std::vector<std::string> out;
  for (int i = 0; i < bar.Count(); ++i)
    out.push_back(bar.GetField(i, bfCommand));
  return out;
}

std::vector<TButtonSpec> Numbered(int count) {
  std::vector<TButtonSpec> buttons;
  for (int i = 0; i < count; ++i)
    buttons.push_back({"", "cm_" + std::to_string(i), "", "", "", ""});
  return buttons;
}

QRgb BaseColour(TOwnerDrawList &list, bool selected) {
  return list.palette().color(selected ? QPalette::Highlight : QPalette::Base).rgb();
}

} // namespace

class TestBarList : public QObject {
  Q_OBJECT
private slots:
  void cellShowsIconOrPlaceholder_data();
  void cellShowsIconOrPlaceholder();
  void deletedCommandFileShowsPlaceholderOne();
  void useBarIclIconsTwoDrawsNoPlaceholder();
  void twentyButtonsScrollSideways();
  void clickAndArrowKeysShowTheSelectedButton();
  void dragMovesCellByCell();
  void dragOutsideTheCellsMovesToTheFirstPlace();
  void pressOutsideTheCellsStartsNoDrag();
  void altArrowsMoveTheSelectedButton_data();
  void altArrowsMoveTheSelectedButton();
  void insertKeyAddsAfterTheSelection();
  void addWithoutSelectionAppends();
  void deleteSelectsTheNextAndClearsTheEditor();
  void deletingTheOnlyButtonLeavesAnEmptyOne();
  void rightButtonSelectsShowsAndSetsTheMenu();
  void withoutSelectionTheEditorIsEmptyAndDisabled();
  void cacheCheckBoxChoosesTheMode();
};

void TestBarList::cellShowsIconOrPlaceholder_data() {
  QTest::addColumn<QString>("icon");
  QTest::addColumn<QString>("command");
  QTest::addColumn<int>("expected"); // 0..2 placeholder, 3 the icon, -1 nothing
  QTest::newRow("program with its icon") << "@ico,0"
                                         << "@exe" << 3;
  QTest::newRow("internal command with icon") << "@ico"
                                              << "cm_Copy" << 3;
  QTest::newRow("internal command without icon") << ""
                                                 << "cm_Copy" << 0;
  QTest::newRow("lone ,0 counts as no icon") << ",0"
                                             << "cm_Copy" << 0;
  QTest::newRow("empty button") << ""
                                << "" << 0;
  QTest::newRow("missing command file") << "@ico,0"
                                        << "@gone.exe" << 1;
  QTest::newRow("missing icon file") << "@missing.ico,0"
                                     << "cm_Copy" << 2;
  // What names no file is told by the first word as a whole (the doctor's rule).
  QTest::newRow("program in a CD folder") << "@ico,0"
                                          << "@abcd/gone.exe" << 1;
  QTest::newRow("keyword command") << "@ico,0"
                                   << "OPENLANGUAGEFILE wcmd_deu.lng" << 3;
  QTest::newRow("address") << "@ico,0"
                           << "https://example.org" << 3;
}

void TestBarList::cellShowsIconOrPlaceholder() {
  QFETCH(QString, icon);
  QFETCH(QString, command);
  QFETCH(int, expected);
  TEditor e;
  const uint32_t iconColour = 0xFFFFFF00;
  WriteText(e.file("icon.ico"), SolidIco(iconColour));
  WriteText(e.file("tool.exe"), "not really a program");
  auto expand = [&](QString text) {
    if (text == "@ico")
      return WinName(e.file("icon.ico"));
    if (text.startsWith("@ico,"))
      return WinName(e.file("icon.ico")) + text.mid(4).toStdString();
    if (text == "@exe")
      return WinName(e.file("tool.exe"));
    if (text.startsWith('@'))
      return WinName(e.file(text.mid(1).section(',', 0, 0).toStdString())) +
             (text.contains(',') ? "," + text.section(',', 1).toStdString() : "");
    return text.toStdString();
  };
  // The cell under test is the second; the first holds the selection.
  MainWindow &w = e.StartWithBar(
      {{"", "cm_First", "", "", "", ""}, {expand(icon), expand(command), "", "", "", ""}});
  const QRgb colour = CellColour(*w.barList, 1);
  if (expected == 3)
    QCOMPARE(colour, QRgb(iconColour));
  else if (expected >= 0)
    QCOMPARE(colour, QRgb(PlaceholderColours[expected]));
  else
    QCOMPARE(colour, BaseColour(*w.barList, false));
}

void TestBarList::deletedCommandFileShowsPlaceholderOne() {
  TEditor e;
  WriteText(e.file("tool.ico"), SolidIco(0xFF808000));
  WriteText(e.file("tool.exe"), "x");
  MainWindow &w =
      e.StartWithBar({{"", "cm_First", "", "", "", ""},
                      {WinName(e.file("tool.ico")), WinName(e.file("tool.exe")), "", "", "", ""}});
  QCOMPARE(CellColour(*w.barList, 1), QRgb(0xFF808000));
  fs::remove(e.file("tool.exe"));
  QCOMPARE(CellColour(*w.barList, 1), QRgb(PlaceholderColours[1]));
}

void TestBarList::useBarIclIconsTwoDrawsNoPlaceholder() {
  TEditor e;
  MainWindow &w =
      e.StartWithBar({{"", "cm_First", "", "", "", ""}, {"", "cm_Copy", "", "", "", ""}});
  QCOMPARE(CellColour(*w.barList, 1), QRgb(PlaceholderColours[0]));
  // The setting is read at every drawing.
  e.Ini("[main]\r\nUseBarIclIcons=2\r\n");
  QCOMPARE(CellColour(*w.barList, 1), BaseColour(*w.barList, false));
}

void TestBarList::twentyButtonsScrollSideways() {
  TEditor e;
  MainWindow &w = e.StartWithBar(Numbered(20));
  TOwnerDrawList &list = *w.barList;
  QCOMPARE(list.ColumnWidth(), qRound(list.viewport()->width() / 14.0));
  QVERIFY(list.horizontalScrollBar()->isVisible());
  QCOMPARE(list.horizontalScrollBar()->maximum(), 20 - 14);
  QCOMPARE(list.ItemAtPos(CellCentre(list, 13)), 13);
  QCOMPARE(list.ItemAtPos(CellCentre(list, 14)), -1);
  list.horizontalScrollBar()->setValue(6);
  QCOMPARE(list.ItemAtPos(CellCentre(list, 19)), 19);

  TEditor few;
  MainWindow &w2 = few.StartWithBar(Numbered(14));
  QVERIFY(!w2.barList->horizontalScrollBar()->isVisible());
}

void TestBarList::clickAndArrowKeysShowTheSelectedButton() {
  TEditor e;
  MainWindow &w = e.StartWithBar(Numbered(5));
  QWidget *viewport = w.barList->viewport();
  QTest::mouseClick(viewport, Qt::LeftButton, {}, CellCentre(*w.barList, 3));
  QCOMPARE(w.barList->ItemIndex(), 3);
  QCOMPARE(w.editor->commandEdit->text(), QStringLiteral("cm_3"));
  QTest::keyClick(w.barList, Qt::Key_Right);
  QCOMPARE(w.editor->commandEdit->text(), QStringLiteral("cm_4"));
  QTest::keyClick(w.barList, Qt::Key_Home);
  QCOMPARE(w.editor->commandEdit->text(), QStringLiteral("cm_0"));
  QVERIFY(!e.Bar().Modified);
}

void TestBarList::dragMovesCellByCell() {
  TEditor e;
  MainWindow &w = e.StartWithBar(Numbered(6));
  TOwnerDrawList &list = *w.barList;
  QTest::mousePress(list.viewport(), Qt::LeftButton, {}, CellCentre(list, 1));
  for (int to = 2; to <= 4; ++to)
    QTest::mouseMove(list.viewport(), CellCentre(list, to));
  QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, CellCentre(list, 4));
  QCOMPARE(Commands(e.Bar()),
           (std::vector<std::string>{"cm_0", "cm_2", "cm_3", "cm_4", "cm_1", "cm_5"}));
  QVERIFY(e.Bar().Modified);
  QVERIFY(e.Bar().IconsChanged);
  QVERIFY(w.cacheModePanel->isEnabled());
  QVERIFY(w.cacheBox->isEnabled());
  QCOMPARE(list.ItemIndex(), 4);
  QVERIFY(!w.DragActive);
  // After the release a move changes nothing.
  QTest::mouseMove(list.viewport(), CellCentre(list, 0));
  QCOMPARE(e.Bar().GetField(4, bfCommand), std::string("cm_1"));
}

void TestBarList::dragOutsideTheCellsMovesToTheFirstPlace() {
  TEditor e;
  MainWindow &w = e.StartWithBar(Numbered(4));
  TOwnerDrawList &list = *w.barList;
  QTest::mousePress(list.viewport(), Qt::LeftButton, {}, CellCentre(list, 2));
  QTest::mouseMove(list.viewport(), QPoint(list.viewport()->width() + 40, -20));
  QTest::mouseRelease(list.viewport(), Qt::LeftButton, {},
                      QPoint(list.viewport()->width() + 40, -20));
  QCOMPARE(Commands(e.Bar()), (std::vector<std::string>{"cm_2", "cm_0", "cm_1", "cm_3"}));
}

void TestBarList::pressOutsideTheCellsStartsNoDrag() {
  TEditor e;
  MainWindow &w = e.StartWithBar(Numbered(3));
  TOwnerDrawList &list = *w.barList;
  QTest::mousePress(list.viewport(), Qt::LeftButton, {}, CellCentre(list, 10));
  QCOMPARE(w.DragIndex, -1);
  QTest::mouseMove(list.viewport(), CellCentre(list, 0));
  QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, CellCentre(list, 0));
  QCOMPARE(Commands(e.Bar()), (std::vector<std::string>{"cm_0", "cm_1", "cm_2"}));
  QVERIFY(!e.Bar().Modified);
}

void TestBarList::altArrowsMoveTheSelectedButton_data() {
  QTest::addColumn<int>("selected");
  QTest::addColumn<int>("key");
  QTest::addColumn<QString>("order");
  QTest::addColumn<int>("after");
  QTest::newRow("right from the first") << 0 << int(Qt::Key_Right) << "1023" << 1;
  QTest::newRow("left from the third") << 2 << int(Qt::Key_Left) << "0213" << 1;
  QTest::newRow("right on the last stays") << 3 << int(Qt::Key_Right) << "0123" << 3;
  QTest::newRow("left on the first stays") << 0 << int(Qt::Key_Left) << "0123" << 0;
}

void TestBarList::altArrowsMoveTheSelectedButton() {
  QFETCH(int, selected);
  QFETCH(int, key);
  QFETCH(QString, order);
  QFETCH(int, after);
  TEditor e;
  MainWindow &w = e.StartWithBar(Numbered(4));
  QTest::mouseClick(w.barList->viewport(), Qt::LeftButton, {}, CellCentre(*w.barList, selected));
  QTest::keyClick(w.barList, Qt::Key(key), Qt::AltModifier);
  std::vector<std::string> expected;
  for (QChar c : order)
    expected.push_back("cm_" + std::string(1, c.toLatin1()));
  QCOMPARE(Commands(e.Bar()), expected);
  QCOMPARE(w.barList->ItemIndex(), after);
  QVERIFY(e.Bar().Modified);
  QVERIFY(e.Bar().IconsChanged);
  QVERIFY(w.cacheModePanel->isEnabled());
  // The editor still shows the moved button.
  QCOMPARE(w.editor->commandEdit->text().toStdString(), "cm_" + std::to_string(selected));
}

void TestBarList::insertKeyAddsAfterTheSelection() {
  TEditor e;
  MainWindow &w = e.StartWithBar(Numbered(5));
  QTest::mouseClick(w.barList->viewport(), Qt::LeftButton, {}, CellCentre(*w.barList, 2));
  QTest::keyClick(w.barList, Qt::Key_Insert);
  QCOMPARE(Commands(e.Bar()),
           (std::vector<std::string>{"cm_0", "cm_1", "cm_2", "", "cm_3", "cm_4"}));
  QCOMPARE(w.barList->Count(), 6);
  QCOMPARE(w.barList->ItemIndex(), 3);
  QCOMPARE(w.editor->commandEdit->text(), QString());
  QVERIFY(e.Bar().Modified);
  QVERIFY(!e.Bar().IconsChanged);
}

void TestBarList::addWithoutSelectionAppends() {
  TEditor e;
  MainWindow &w = e.StartWithBar(Numbered(2));
  w.barList->SetItemIndex(-1);
  QTest::mouseClick(w.addButton, Qt::LeftButton);
  QCOMPARE(Commands(e.Bar()), (std::vector<std::string>{"cm_0", "cm_1", ""}));
  QCOMPARE(w.barList->ItemIndex(), 2);
}

void TestBarList::deleteSelectsTheNextAndClearsTheEditor() {
  TEditor e;
  MainWindow &w = e.StartWithBar(Numbered(3));
  QTest::mouseClick(w.barList->viewport(), Qt::LeftButton, {}, CellCentre(*w.barList, 2));
  w.editor->runMaximized->setChecked(true);
  QTest::keyClick(w.barList, Qt::Key_Delete);
  QCOMPARE(Commands(e.Bar()), (std::vector<std::string>{"cm_0", "cm_1"}));
  QCOMPARE(w.barList->ItemIndex(), 1);
  QCOMPARE(w.editor->commandEdit->text(), QStringLiteral("cm_1"));
  QVERIFY(w.editor->runNormal->isChecked());
  QVERIFY(e.Bar().Modified);
  QVERIFY(e.Bar().IconsChanged);
  QVERIFY(w.cacheBox->isEnabled());

  QTest::mouseClick(w.barList->viewport(), Qt::LeftButton, {}, CellCentre(*w.barList, 0));
  QTest::mouseClick(w.deleteButton, Qt::LeftButton);
  QCOMPARE(Commands(e.Bar()), (std::vector<std::string>{"cm_1"}));
  QCOMPARE(w.barList->ItemIndex(), 0);
  QCOMPARE(w.editor->commandEdit->text(), QStringLiteral("cm_1"));
}

void TestBarList::deletingTheOnlyButtonLeavesAnEmptyOne() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_Only", "p", "", "tip", "1"}});
  QTest::mouseClick(w.deleteButton, Qt::LeftButton);
  QCOMPARE(e.Bar().Count(), 1);
  QCOMPARE(Commands(e.Bar()), (std::vector<std::string>{""}));
  QCOMPARE(w.barList->ItemIndex(), 0);
  QCOMPARE(w.editor->tooltipEdit->text(), QString());
  QCOMPARE(w.editor->iconIndexLabel->text(), QStringLiteral("0"));
}

void TestBarList::rightButtonSelectsShowsAndSetsTheMenu() {
  ui::TQtClipboard clipboard;
  testsupport::ScopedClipboard installed(clipboard);
  TEditor e;
  MainWindow &w = e.StartWithBar(Numbered(3));
  TOwnerDrawList &list = *w.barList;
  QGuiApplication::clipboard()->setText(QStringLiteral("something else"));
  QTest::mousePress(list.viewport(), Qt::RightButton, {}, CellCentre(list, 2));
  QCOMPARE(list.ItemIndex(), 2);
  QCOMPARE(w.editor->commandEdit->text(), QStringLiteral("cm_2"));
  QVERIFY(w.copyAction->isEnabled());
  QVERIFY(!w.pasteAction->isEnabled());
  QTest::mouseRelease(list.viewport(), Qt::RightButton, {}, CellCentre(list, 2));
  w.barMenu->hide();

  // Paste needs the header followed by a carriage return.
  QGuiApplication::clipboard()->setText(QStringLiteral("TOTALCMD#BAR#DATA\r\ncm_x\r\n"));
  QTest::mousePress(list.viewport(), Qt::RightButton, {}, CellCentre(list, 9));
  QCOMPARE(list.ItemIndex(), -1);
  QVERIFY(!w.copyAction->isEnabled());
  QVERIFY(w.pasteAction->isEnabled());
  QTest::mouseRelease(list.viewport(), Qt::RightButton, {}, CellCentre(list, 9));
  w.barMenu->hide();
  // Without a selected button the command browser's key opens nothing either.
  QTest::keyClick(w.barList, Qt::Key_B, Qt::ControlModifier);
  QVERIFY(e.dialogs.shown.empty());
}

void TestBarList::withoutSelectionTheEditorIsEmptyAndDisabled() {
  TEditor e;
  WriteText(e.file("one.ico"), SolidIco(0xFF204060));
  MainWindow &w = e.StartWithBar({{WinName(e.file("one.ico")), "cm_0", "/p", "C:\\", "tip", ""},
                                  {"", "cm_1", "", "", "", ""}});
  ButtonEditor &f = *w.editor;
  TOwnerDrawList &list = *w.barList;
  const std::vector<TFieldEdit *> fields = {f.commandEdit, f.paramsEdit, f.startPathEdit,
                                            f.iconFileEdit, f.tooltipEdit};
  auto rightClick = [&](int cell) {
    QTest::mousePress(list.viewport(), Qt::RightButton, {}, CellCentre(list, cell));
    QTest::mouseRelease(list.viewport(), Qt::RightButton, {}, CellCentre(list, cell));
    w.barMenu->hide();
  };
  QTest::mouseClick(f.paramsEdit, Qt::LeftButton);
  rightClick(9);
  QCOMPARE(list.ItemIndex(), -1);
  for (TFieldEdit *field : fields) {
    QVERIFY2(field->text().isEmpty() && !field->isEnabled(), qPrintable(field->objectName()));
  }
  QCOMPARE(f.iconList->Count(), 0);
  QVERIFY(!f.iconList->isEnabled());
  QVERIFY(!w.cloneAction->isEnabled());
  QVERIFY(!w.defaultLibraryButton->isEnabled());
  QVERIFY(!e.Bar().Modified);

  rightClick(0);
  for (TFieldEdit *field : fields)
    QVERIFY2(field->isEnabled(), qPrintable(field->objectName()));
  QCOMPARE(f.paramsEdit->text(), QStringLiteral("/p"));
  QCOMPARE(f.iconList->Count(), 1);
  QVERIFY(f.iconList->isEnabled());
  QVERIFY(w.cloneAction->isEnabled());
}

void TestBarList::cacheCheckBoxChoosesTheMode() {
  TEditor e;
  MainWindow &w = e.StartWithBar(Numbered(1));
  QVERIFY(w.cacheBox->isEnabled());
  w.cacheBox->click();
  QCOMPARE(int(e.Bar().CacheMode), int(CacheWithTcMenu));
  QVERIFY(w.cacheTcMenuRadio->isChecked());
  QVERIFY(w.cacheModePanel->isEnabled());
  w.cacheLinksRadio->click();
  QCOMPARE(int(e.Bar().CacheMode), int(CacheLinks));
  QVERIFY(!w.cacheTcMenuRadio->isChecked());
  // Checking again keeps a chosen mode.
  w.cacheBox->click();
  QVERIFY(!w.cacheModePanel->isEnabled());
  QCOMPARE(int(e.Bar().CacheMode), int(CacheOff));
  QVERIFY(!w.cacheLinksRadio->isChecked());
  QVERIFY(!w.cacheTcMenuRadio->isChecked());
  QVERIFY(!e.Bar().Modified);
}

QTEST_MAIN(TestBarList)
#include "test_barlist.moc"
