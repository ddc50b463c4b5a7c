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

void RightClickCell(TBarMain &w, int index) {
  const QPoint at = CellCentre(*w.id_btn_bar, index);
  QTest::mousePress(w.id_btn_bar->viewport(), Qt::RightButton, {}, at);
  QTest::mouseRelease(w.id_btn_bar->viewport(), Qt::RightButton, {}, at);
  w.pm1->hide();
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
  TBarMain &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}, {"", "cm_B", "", "", "", ""}});
  QTest::mouseClick(w.Frame11->btnPrmList, Qt::LeftButton);
  ClickMenuItem(w.pmPRM, 0);
  QCOMPARE(e.Bar().GetField(0, bfParams), std::string("%P "));
  QTest::mouseClick(w.id_btn_bar->viewport(), Qt::LeftButton, {}, CellCentre(*w.id_btn_bar, 1));
  QTest::mouseClick(w.id_btn_bar->viewport(), Qt::LeftButton, {}, CellCentre(*w.id_btn_bar, 0));
  QCOMPARE(w.Frame11->id_btn_param->text(), QStringLiteral("%P "));
  QTest::mouseClick(w.Frame11->Ok, Qt::LeftButton);
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
  TBarMain &w = e.StartWithBar({{"", "cm_A", "", "", "old", ""}});
  ClickField(w.Frame11->id_btn_ToolTip);
  w.Frame11->id_btn_ToolTip->selectAll();
  QTest::keyClicks(w.Frame11->id_btn_ToolTip, "typed");
  e.dialogs.answers = {ui::TAnswer::Yes};
  if (way == "cancel")
    QTest::mouseClick(w.Frame11->Cancel, Qt::LeftButton);
  else if (way == "escape")
    QTest::keyClick(w.Frame11->id_btn_ToolTip, Qt::Key_Escape);
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
  TBarMain &w = e.StartWithBar({{"", "cm_A", "a", "", "", ""}, {"", "cm_B", "b", "", "", ""}});
  ClickField(w.Frame11->id_btn_param);
  w.Frame11->id_btn_param->selectAll();
  QTest::keyClicks(w.Frame11->id_btn_param, "typed for A");
  RightClickCell(w, 1);
  QCOMPARE(w.id_btn_bar->ItemIndex(), 1);
  QCOMPARE(w.Frame11->id_btn_command->text(), QStringLiteral("cm_B"));
  ClickField(w.Frame11->id_btn_param);
  QTest::keyClick(w.Frame11->id_btn_param, Qt::Key_End);
  QTest::keyClicks(w.Frame11->id_btn_param, "+");
  QTest::mouseClick(w.Frame11->Ok, Qt::LeftButton);
  QCOMPARE(Key(e.file("t.bar"), "param1"), std::string("typed for A"));
  QCOMPARE(Key(e.file("t.bar"), "param2"), std::string("b+"));
}

void TestEditsKept::runModeChangeIsAnEdit() {
  TEditor e;
  e.Ini("[main]\r\nAskToSaveOnExit=1\r\n");
  TBarMain &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}});
  QTest::mouseClick(w.Frame11->id_btn_maximized, Qt::LeftButton, {}, QPoint(6, 6));
  QVERIFY(e.Bar().Modified);
  e.dialogs.answers = {ui::TAnswer::Yes};
  QTest::mouseClick(w.Frame11->Cancel, Qt::LeftButton);
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
  TBarMain &w = e.Start({QString::fromStdString(e.file("t.bar").string())});
  QCOMPARE(e.dialogs.errors.size(), size_t(1));
  QVERIFY(w.CurrentFileName.empty());
  QCOMPARE(e.Bar().Count(), 1);
  QTest::mouseClick(w.id_btn_add, Qt::LeftButton);
  QCOMPARE(e.Bar().Count(), 2);
  QCOMPARE(w.id_btn_bar->Count(), 2);
  e.dialogs.saveAnswers = {WinName(e.file("new.bar"))};
  QTest::mouseClick(w.Frame11->Ok, Qt::LeftButton);
  QVERIFY(fs::exists(e.file("new.bar")));
  QCOMPARE(testsupport::ReadBytes(e.file("t.bar")), refused);
}

void TestEditsKept::refusedBarOpenedLaterLeavesTheOpenOne() {
  TEditor e;
  TBarMain &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}, {"", "cm_B", "", "", "", ""}});
  ClickField(w.Frame11->id_btn_ToolTip);
  QTest::keyClicks(w.Frame11->id_btn_ToolTip, "edited");
  const QString caption = w.Buttonbar->text();
  WriteText(e.file("bad.bar"), "[Buttonbar]\r\nButtoncount=200000\r\ncmd1=a\r\n");
  e.dialogs.answers = {ui::TAnswer::No};
  e.dialogs.openAnswers = {WinName(e.file("bad.bar"))};
  QTest::mouseClick(w.id_btn_barfilesearch, Qt::LeftButton);
  QCOMPARE(e.dialogs.errors.size(), size_t(1));
  QCOMPARE(w.Buttonbar->text(), caption);
  QCOMPARE(w.id_btn_bar->Count(), 2);
  QCOMPARE(w.Frame11->id_btn_ToolTip->text(), QStringLiteral("edited"));
  QVERIFY(e.Bar().Modified);
  QTest::mouseClick(w.Frame11->Ok, Qt::LeftButton);
  QCOMPARE(Key(e.file("t.bar"), "menu1"), std::string("edited"));
}

void TestEditsKept::pasteTakesLinuxLineEnds() {
  TEditor e;
  TBarMain &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}});
  QGuiApplication::clipboard()->setText(
      QStringLiteral("TOTALCMD#BAR#DATA\nnotes.exe\n-n\n\nNotes\n\n0\n-1\n"));
  RightClickCell(w, 0);
  QVERIFY(w.paste1->isEnabled());
  QTest::keyClick(w.id_btn_bar, Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(e.Bar().Count(), 2);
  QCOMPARE(e.Bar().GetField(1, bfCommand), std::string("notes.exe"));
  QCOMPARE(e.Bar().GetField(1, bfTooltip), std::string("Notes"));
}

QTEST_MAIN(TestEditsKept)
#include "test_edits_kept.moc"
