// No edit is lost, whatever way the user takes: text a menu puts into a field, Escape
// and the close box after typing, the right button on another button, a run-mode
// change, a bar that is refused, and text from other programs on the clipboard. Driven
// by the events the user's mouse and keyboard send, then checked in the saved file.
#include "UiHarness.h"

#include "ui/ButtonEditor.h"
#include "ui/FieldEdit.h"
#include "ui/QtClipboard.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

using namespace uitest;

namespace {

std::string Key(const fs::path &bar, const char *key) {
  platform::FlushProfileCache();
  return platform::ReadProfileString("Buttonbar", key, "<none>", WinName(bar));
}

// Clicks a field as the mouse would, which gives it the focus.
void ClickField(TFieldEdit *field) {
  QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(4, field->height() / 2));
  QVERIFY(field->hasFocus());
}

void ClickMenuItem(QMenu *menu, int index) {
  QVERIFY(menu->isVisible());
  QAction *item = menu->actions()[index];
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
}

void RightClickCell(MainWindow &w, int index) {
  const QPoint at = CellCentre(*w.barList, index);
  QTest::mousePress(w.barList->viewport(), Qt::RightButton, {}, at);
  QTest::mouseRelease(w.barList->viewport(), Qt::RightButton, {}, at);
  w.barMenu->hide();
}

} // namespace

class TestEditsKept : public QObject {
  Q_OBJECT
private slots:
  void menuTextIsCommitted();
  void everyWayOfClosingAsksAfterTyping_data();
  void everyWayOfClosingAsksAfterTyping();
  void rightClickShowsTheButtonItSelects();
  void runModeChangeIsAnEdit();
  void refusedBarAtStartLeavesAWorkingWindow();
  void refusedBarOpenedLaterLeavesTheOpenOne();
  void pasteTakesLinuxLineEnds();

private:
  ui::TQtClipboard clipboard_;
  testsupport::ScopedClipboard installed_{clipboard_};
};

// The click on "P" takes the focus from the field; the chosen text must still count.
void TestEditsKept::menuTextIsCommitted() {
  TEditor e;
  WriteText(e.bin() / "English.lng", "[params]\r\n%P - source path\r\n");
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}, {"", "cm_B", "", "", "", ""}});
  QTest::mouseClick(w.editor->paramMenuButton, Qt::LeftButton);
  ClickMenuItem(w.paramMenu, 0);
  QCOMPARE(e.Bar().GetField(0, bfParams), std::string("%P "));
  QTest::mouseClick(w.barList->viewport(), Qt::LeftButton, {}, CellCentre(*w.barList, 1));
  QTest::mouseClick(w.barList->viewport(), Qt::LeftButton, {}, CellCentre(*w.barList, 0));
  QCOMPARE(w.editor->paramsEdit->text(), QStringLiteral("%P "));
  QTest::mouseClick(w.editor->Ok, Qt::LeftButton);
  QCOMPARE(Key(e.file("t.bar"), "param1"), std::string("%P "));
}

void TestEditsKept::everyWayOfClosingAsksAfterTyping_data() {
  QTest::addColumn<QString>("way");
  QTest::newRow("Cancel") << "cancel";
  QTest::newRow("Escape") << "escape";
  QTest::newRow("close box") << "close";
}

void TestEditsKept::everyWayOfClosingAsksAfterTyping() {
  QFETCH(QString, way);
  TEditor e;
  e.Ini("[main]\r\nAskToSaveOnExit=1\r\n");
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "old", ""}});
  ClickField(w.editor->tooltipEdit);
  w.editor->tooltipEdit->selectAll();
  QTest::keyClicks(w.editor->tooltipEdit, "typed");
  e.dialogs.answers = {ui::TAnswer::Yes};
  if (way == "cancel")
    QTest::mouseClick(w.editor->Cancel, Qt::LeftButton);
  else if (way == "escape")
    QTest::keyClick(w.editor->tooltipEdit, Qt::Key_Escape);
  else
    w.close(); // what the window manager's close request arrives as
  QCOMPARE(e.dialogs.questions.size(), size_t(1));
  QVERIFY(!w.isVisible());
  QCOMPARE(Key(e.file("t.bar"), "menu1"), std::string("typed"));
}

// The right button selects another button: what was typed goes into the button it was
// typed for, and the editor shows the newly selected one.
void TestEditsKept::rightClickShowsTheButtonItSelects() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_A", "a", "", "", ""}, {"", "cm_B", "b", "", "", ""}});
  ClickField(w.editor->paramsEdit);
  w.editor->paramsEdit->selectAll();
  QTest::keyClicks(w.editor->paramsEdit, "typed for A");
  RightClickCell(w, 1);
  QCOMPARE(w.barList->ItemIndex(), 1);
  QCOMPARE(w.editor->commandEdit->text(), QStringLiteral("cm_B"));
  ClickField(w.editor->paramsEdit);
  QTest::keyClick(w.editor->paramsEdit, Qt::Key_End);
  QTest::keyClicks(w.editor->paramsEdit, "+");
  QTest::mouseClick(w.editor->Ok, Qt::LeftButton);
  QCOMPARE(Key(e.file("t.bar"), "param1"), std::string("typed for A"));
  QCOMPARE(Key(e.file("t.bar"), "param2"), std::string("b+"));
}

void TestEditsKept::runModeChangeIsAnEdit() {
  TEditor e;
  e.Ini("[main]\r\nAskToSaveOnExit=1\r\n");
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}});
  QTest::mouseClick(w.editor->runMaximized, Qt::LeftButton, {}, QPoint(6, 6));
  QVERIFY(e.Bar().Modified);
  e.dialogs.answers = {ui::TAnswer::Yes};
  QTest::mouseClick(w.editor->Cancel, Qt::LeftButton);
  QCOMPARE(e.dialogs.questions.size(), size_t(1));
  QCOMPARE(Key(e.file("t.bar"), "iconic1"), std::string("-1"));
}

// A bar that is refused (it claims more buttons than a bar may hold) is not opened: a
// new, unnamed bar takes its place, with a working window, and the refused file is never
// written over.
void TestEditsKept::refusedBarAtStartLeavesAWorkingWindow() {
  TEditor e;
  const std::string refused = "[Buttonbar]\r\nButtoncount=200000\r\ncmd1=a\r\ncmd2=b\r\n";
  WriteText(e.file("t.bar"), refused);
  MainWindow &w = e.Start({QString::fromStdString(e.file("t.bar").string())});
  QCOMPARE(e.dialogs.errors.size(), size_t(1));
  QVERIFY(w.CurrentFileName.empty());
  QCOMPARE(e.Bar().Count(), 1);
  QTest::mouseClick(w.addButton, Qt::LeftButton);
  QCOMPARE(e.Bar().Count(), 2);
  QCOMPARE(w.barList->Count(), 2);
  e.dialogs.saveAnswers = {WinName(e.file("new.bar"))};
  QTest::mouseClick(w.editor->Ok, Qt::LeftButton);
  QVERIFY(fs::exists(e.file("new.bar")));
  QCOMPARE(testsupport::ReadBytes(e.file("t.bar")), refused);
}

void TestEditsKept::refusedBarOpenedLaterLeavesTheOpenOne() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}, {"", "cm_B", "", "", "", ""}});
  ClickField(w.editor->tooltipEdit);
  QTest::keyClicks(w.editor->tooltipEdit, "edited");
  const QString caption = w.barCaption->text();
  WriteText(e.file("bad.bar"), "[Buttonbar]\r\nButtoncount=200000\r\ncmd1=a\r\n");
  e.dialogs.answers = {ui::TAnswer::No};
  e.dialogs.openAnswers = {WinName(e.file("bad.bar"))};
  QTest::mouseClick(w.openBarButton, Qt::LeftButton);
  QCOMPARE(e.dialogs.errors.size(), size_t(1));
  QCOMPARE(w.barCaption->text(), caption);
  QCOMPARE(w.barList->Count(), 2);
  QCOMPARE(w.editor->tooltipEdit->text(), QStringLiteral("edited"));
  QVERIFY(e.Bar().Modified);
  QTest::mouseClick(w.editor->Ok, Qt::LeftButton);
  QCOMPARE(Key(e.file("t.bar"), "menu1"), std::string("edited"));
}

void TestEditsKept::pasteTakesLinuxLineEnds() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}});
  QGuiApplication::clipboard()->setText(
      QStringLiteral("TOTALCMD#BAR#DATA\nnotes.exe\n-n\n\nNotes\n\n0\n-1\n"));
  RightClickCell(w, 0);
  QVERIFY(w.pasteAction->isEnabled());
  QTest::keyClick(w.barList, Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(e.Bar().Count(), 2);
  QCOMPARE(e.Bar().GetField(1, bfCommand), std::string("notes.exe"));
  QCOMPARE(e.Bar().GetField(1, bfTooltip), std::string("Notes"));
}

QTEST_MAIN(TestEditsKept)
#include "test_edits_kept.moc"
