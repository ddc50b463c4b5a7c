// The bar doctor in the editor: the problems window leads to the button, the red corner
// follows the edits, making paths portable is one step of the history, and sub-bars open
// with a way back. What counts as a problem is tested in the core; here only the wiring.
#include "UiHarness.h"

#include "support/TcInstallation.h"
#include "ui/ButtonEditor.h"
#include "ui/FieldEdit.h"
#include "ui/ProblemsWindow.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolTip>
#include <QTreeWidget>

using namespace uitest;

namespace {

// Whether the cell's top right corner is painted red.
bool Marked(TOwnerDrawList &list, int index) {
  const QImage image = list.viewport()->grab().toImage();
  const QRect cell = list.ItemRect(index);
  return image.pixel(cell.right() - 1, cell.top() + 1) == qRgb(255, 0, 0);
}

// Opens the bar list's menu on a cell and closes it again, as the user looks at it.
void LookAtMenu(TBarMain &w, int cell) {
  const QPoint at = CellCentre(*w.id_btn_bar, cell);
  QTest::mousePress(w.id_btn_bar->viewport(), Qt::RightButton, {}, at);
  QTest::mouseRelease(w.id_btn_bar->viewport(), Qt::RightButton, {}, at);
  w.pm1->hide();
}

void Key(TBarMain &w, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::AltModifier) {
  QTest::keyClick(w.id_btn_bar, key, modifiers);
}

void Activate(QWidget *window) {
  QApplication::setActiveWindow(window);
  QVERIFY(QTest::qWaitForWindowActive(window));
}

const QString Way = QStringLiteral(" ") + QChar(0x203A) + QStringLiteral(" ");

} // namespace

class TestDoctor : public QObject {
  Q_OBJECT
private slots:
  void aRowOfTheProblemsWindowSelectsItsButton();
  void theMarkerFollowsTheEdits();
  void portablePathsAreOneUndoableStep_data();
  void portablePathsAreOneUndoableStep();
  void subBarsOpenAndBackLeadsToTheBarBefore();
};

// The field being edited in the main window is committed into its own button before the
// chosen one is shown, although the problems window has the focus.
void TestDoctor::aRowOfTheProblemsWindowSelectsItsButton() {
  TEditor e;
  const std::string gone = WinName(e.file("gone.exe"));
  TBarMain &w = e.StartWithBar(
      {{"", "cm_A", "", "", "", ""}, {"", "cm_B", "", "", "", ""}, {"", gone, "", "", "", ""}});
  Key(w, Qt::Key_F7, Qt::NoModifier);
  QVERIFY(w.ProblemsWindow && w.ProblemsWindow->isVisible());
  Activate(&w);
  TFieldEdit *param = w.Frame11->id_btn_param;
  param->setFocus(Qt::MouseFocusReason);
  QTest::keyClicks(param, "typed");
  Activate(w.ProblemsWindow);
  QTreeWidget *list = w.ProblemsWindow->ProblemList;
  QCOMPARE(list->topLevelItemCount(), 1);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->topLevelItem(0)).center());
  QTRY_COMPARE(w.id_btn_bar->ItemIndex(), 2);
  QCOMPARE(w.Frame11->id_btn_command->Bytes(), gone);
  QCOMPARE(e.Bar().GetField(0, bfParams), std::string("typed"));
}

void TestDoctor::theMarkerFollowsTheEdits() {
  TEditor e;
  WriteText(e.file("prog.exe"), "MZ");
  WriteText(e.file("b.ico"), SolidIco(0xFF00FFFF));
  const std::string icon = WinName(e.file("b.ico")) + ",0";
  TBarMain &w = e.StartWithBar(
      {{icon, WinName(e.file("gone.exe")), "", "", "", ""}, {"", "cm_B", "", "", "", ""}});
  QVERIFY(Marked(*w.id_btn_bar, 0));
  QVERIFY(!Marked(*w.id_btn_bar, 1));
  QWidget *view = w.id_btn_bar->viewport();
  const QPoint at = CellCentre(*w.id_btn_bar, 0);
  QHelpEvent help(QEvent::ToolTip, at, view->mapToGlobal(at));
  QApplication::sendEvent(view, &help);
  QVERIFY(QToolTip::text().startsWith(QStringLiteral("Missing program: ")));
  QVERIFY(w.ProblemTip(1).isEmpty());
  TFieldEdit *command = w.Frame11->id_btn_command;
  command->setFocus(Qt::MouseFocusReason);
  command->SetBytes(WinName(e.file("prog.exe")));
  w.id_btn_bar->setFocus(Qt::MouseFocusReason);
  QVERIFY(!Marked(*w.id_btn_bar, 0));
  QVERIFY(w.ProblemTip(0).isEmpty());
  Key(w, Qt::Key_Z, Qt::ControlModifier);
  QVERIFY(Marked(*w.id_btn_bar, 0));
}

void TestDoctor::portablePathsAreOneUndoableStep_data() {
  QTest::addColumn<bool>("fromWindow");
  QTest::newRow("menu of the bar list") << false;
  QTest::newRow("problems window") << true;
}

void TestDoctor::portablePathsAreOneUndoableStep() {
  QFETCH(bool, fromWindow);
  TEditor e;
  testsupport::TcInstallation tc(e.file("tc"));
  tc.Write("tools/prog.exe", "MZ");
  const std::string program = WinName(tc / "tools" / "prog.exe");
  const std::string param = "/ini=" + WinName(tc / "x.ini");
  TBarMain &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}, {"", program, param, "", "", ""}});
  LookAtMenu(w, 1);
  if (fromWindow) {
    Key(w, Qt::Key_F7, Qt::NoModifier);
    QVERIFY(w.ProblemsWindow->MakePortable->isEnabled());
    QTest::mouseClick(w.ProblemsWindow->MakePortable, Qt::LeftButton);
  } else {
    QVERIFY(w.MakePortable1->isEnabled());
    w.MakePortable1->trigger();
  }
  QCOMPARE(e.Bar().GetField(1, bfCommand), std::string("%COMMANDER_PATH%\\tools\\prog.exe"));
  QCOMPARE(e.Bar().GetField(1, bfParams), std::string("/ini=%COMMANDER_PATH%\\x.ini"));
  QCOMPARE(w.Frame11->id_btn_command->Bytes(), e.Bar().GetField(1, bfCommand));
  LookAtMenu(w, 1);
  QVERIFY(!w.MakePortable1->isEnabled());
  Key(w, Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(e.Bar().GetField(1, bfCommand), program);
  QCOMPARE(e.Bar().GetField(1, bfParams), param);
  QVERIFY(!e.Bar().Modified);
}

void TestDoctor::subBarsOpenAndBackLeadsToTheBarBefore() {
  TEditor e;
  WriteBar(e.file("tools.bar"), {{"", "cm_X", "", "", "", ""}});
  const std::string main = WinName(e.file("main.bar"));
  TBarMain &w = e.StartWithBar({{"", "cm_A", "", "", "", ""},
                                {"", WinName(e.file("gone.bar")), "", "", "", ""},
                                {"", WinName(e.file("tools.bar")), "", "", "", ""}},
                               "main.bar");
  // A sub-bar that is not there: the message, and the bar as it was, edits and all.
  QTest::mouseClick(w.id_btn_bar->viewport(), Qt::LeftButton, {}, CellCentre(*w.id_btn_bar, 2));
  QTest::mouseClick(w.id_btn_add, Qt::LeftButton);
  QTest::mouseClick(w.id_btn_bar->viewport(), Qt::LeftButton, {}, CellCentre(*w.id_btn_bar, 1));
  Key(w, Qt::Key_Down);
  QCOMPARE(e.dialogs.errors.size(), size_t(1));
  QVERIFY(e.dialogs.questions.empty());
  QCOMPARE(w.CurrentFileName, main);
  QVERIFY(e.Bar().Modified);
  // The sub-bar, after the question; then back to the button it was opened from.
  QTest::mouseClick(w.id_btn_bar->viewport(), Qt::LeftButton, {}, CellCentre(*w.id_btn_bar, 2));
  LookAtMenu(w, 2);
  QVERIFY(w.OpenSubBar1->isEnabled() && !w.Back1->isEnabled());
  e.dialogs.answers = {ui::TAnswer::No};
  Key(w, Qt::Key_Down);
  QCOMPARE(e.dialogs.questions.size(), size_t(1));
  QCOMPARE(w.CurrentFileName, WinName(e.file("tools.bar")));
  QCOMPARE(w.Frame11->id_btn_command->text(), QStringLiteral("cm_X"));
  QCOMPARE(w.Buttonbar->text(), QStringLiteral("Button Bar: main.bar") + Way + "tools.bar");
  LookAtMenu(w, 0);
  QVERIFY(w.Back1->isEnabled());
  Key(w, Qt::Key_Up);
  QCOMPARE(w.CurrentFileName, main);
  QCOMPARE(w.id_btn_bar->ItemIndex(), 2);
  QCOMPARE(w.Frame11->id_btn_command->Bytes(), WinName(e.file("tools.bar")));
  QCOMPARE(w.Buttonbar->text().toStdString(), "Button Bar: " + main);
  // A bar opened with ">>" has no way back.
  Key(w, Qt::Key_Down);
  e.dialogs.openAnswers = {main};
  QTest::mouseClick(w.id_btn_barfilesearch, Qt::LeftButton);
  QCOMPARE(w.Buttonbar->text().toStdString(), "Button Bar: " + main);
  LookAtMenu(w, 0);
  QVERIFY(!w.Back1->isEnabled());
}

QTEST_MAIN(TestDoctor)
#include "test_doctor.moc"
