// The bar doctor in the editor: the problems window leads to the button, keeps its keys
// and opens beside the main window; the red corner follows the edits, making paths
// portable is one step of the history, and sub-bars open with a way back, a missing one
// named as a Windows name. What counts as a problem is tested in the core; here only the
// wiring.
#include "UiHarness.h"

#include "support/TcInstallation.h"
#include "ui/ButtonEditor.h"
#include "ui/FieldEdit.h"
#include "ui/ProblemsWindow.h"
#include "ui/TextCodec.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTextBoundaryFinder>
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
void LookAtMenu(MainWindow &w, int cell) {
  const QPoint at = CellCentre(*w.barList, cell);
  QTest::mousePress(w.barList->viewport(), Qt::RightButton, {}, at);
  QTest::mouseRelease(w.barList->viewport(), Qt::RightButton, {}, at);
  w.barMenu->hide();
}

void Key(MainWindow &w, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::AltModifier) {
  QTest::keyClick(w.barList, key, modifiers);
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
  void theProblemsWindowKeepsItsKeys_data();
  void theProblemsWindowKeepsItsKeys();
  void theProblemsWindowTakesTheFocusBesideTheMainWindow();
  void theProblemsWindowOpensBeside_data();
  void theProblemsWindowOpensBeside();
  void theMarkerFollowsTheEdits();
  void portablePathsAreOneUndoableStep_data();
  void portablePathsAreOneUndoableStep();
  void subBarsOpenAndBackLeadsToTheBarBefore();
  void aMissingSubBarIsNamedAsAWindowsNameBrokenBetweenItsParts();
};

// The field being edited in the main window is committed into its own button before the
// chosen one is shown, although the problems window has the focus.
void TestDoctor::aRowOfTheProblemsWindowSelectsItsButton() {
  TEditor e;
  const std::string gone = WinName(e.file("gone.exe"));
  MainWindow &w = e.StartWithBar(
      {{"", "cm_A", "", "", "", ""}, {"", "cm_B", "", "", "", ""}, {"", gone, "", "", "", ""}});
  Key(w, Qt::Key_F7, Qt::NoModifier);
  QVERIFY(w.problemsWindow && w.problemsWindow->isVisible());
  Activate(&w);
  TFieldEdit *param = w.editor->paramsEdit;
  param->setFocus(Qt::MouseFocusReason);
  QTest::keyClicks(param, "typed");
  Activate(w.problemsWindow);
  QTreeWidget *list = w.problemsWindow->ProblemList;
  QCOMPARE(list->topLevelItemCount(), 1);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->topLevelItem(0)).center());
  QTRY_COMPARE(w.barList->ItemIndex(), 2);
  QCOMPARE(w.editor->commandEdit->Bytes(), gone);
  QCOMPARE(e.Bar().GetField(0, bfParams), std::string("typed"));
}

void TestDoctor::theProblemsWindowKeepsItsKeys_data() {
  QTest::addColumn<bool>("inList");
  QTest::addColumn<int>("key");
  QTest::addColumn<bool>("stillOpen");
  QTest::newRow("Escape in the list") << true << int(Qt::Key_Escape) << false;
  QTest::newRow("Escape on its button") << false << int(Qt::Key_Escape) << false;
  QTest::newRow("Return on its button") << false << int(Qt::Key_Return) << true;
}

// Escape closes the problems window alone; Return stays there. In the main window,
// where a field was being edited, the one presses Cancel and the other OK.
void TestDoctor::theProblemsWindowKeepsItsKeys() {
  QFETCH(bool, inList);
  QFETCH(int, key);
  QFETCH(bool, stillOpen);
  TEditor e;
  e.Ini("[main]\r\nAskToSaveOnExit=1\r\n");
  testsupport::TcInstallation tc(e.file("tc"));
  tc.Write("tools/prog.exe", "MZ");
  MainWindow &w = e.StartWithBar({{"", WinName(tc / "tools" / "prog.exe"), "", "", "", ""}});
  w.editor->paramsEdit->setFocus(Qt::MouseFocusReason);
  QTest::keyClicks(w.editor->paramsEdit, "typed");
  Key(w, Qt::Key_F7, Qt::NoModifier);
  QVERIFY(w.problemsWindow->MakePortable->isEnabled());
  QWidget *target = inList ? static_cast<QWidget *>(w.problemsWindow->ProblemList)
                           : w.problemsWindow->MakePortable;
  target->setFocus(Qt::TabFocusReason);
  QTest::keyClick(target, Qt::Key(key));
  QCOMPARE(w.problemsWindow->isVisible(), stillOpen);
  QVERIFY(w.isVisible());
  QVERIFY(e.dialogs.questions.empty());
  QVERIFY(e.Bar().Modified);
}

// The list has the focus at once: the arrow keys choose as a click does. The window
// stands clear of the main window, and its message column is no narrow strip.
void TestDoctor::theProblemsWindowTakesTheFocusBesideTheMainWindow() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""},
                                  {"", WinName(e.file("gone.exe")), "", "", "", ""},
                                  {"", WinName(e.file("lost.exe")), "", "", "", ""}});
  Key(w, Qt::Key_F7, Qt::NoModifier);
  QTreeWidget *list = w.problemsWindow->ProblemList;
  QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(list));
  QCOMPARE(w.barList->ItemIndex(), 0);
  for (auto [key, button] : {std::pair{Qt::Key_Down, 2}, std::pair{Qt::Key_Up, 1}}) {
    QTest::keyClick(list, key);
    QTRY_COMPARE(w.barList->ItemIndex(), button);
    QCOMPARE(w.editor->commandEdit->Bytes(), e.Bar().GetField(button, bfCommand));
  }
  QVERIFY(!w.problemsWindow->frameGeometry().intersects(w.frameGeometry()));
  QVERIFY(list->header()->sectionSize(2) >= list->viewport()->width() / 3);
}

void TestDoctor::theProblemsWindowOpensBeside_data() {
  QTest::addColumn<double>("scale");
  QTest::addColumn<QSize>("screen");
  QTest::addColumn<QPoint>("mainAt");
  QTest::addColumn<QString>("side");
  // The main window as the program starts it, in the middle of the screen, and where the
  // user may have moved it.
  QTest::newRow("1, middle") << 1.0 << QSize(1366, 768) << QPoint(-1, -1) << "below";
  QTest::newRow("1, top left") << 1.0 << QSize(1920, 1080) << QPoint(0, 0) << "right";
  QTest::newRow("1.5, middle") << 1.5 << QSize(1920, 1080) << QPoint(-1, -1) << "below";
  QTest::newRow("1.5, bottom right") << 1.5 << QSize(1920, 1080) << QPoint(1000, 600) << "above";
  QTest::newRow("2, middle") << 2.0 << QSize(2560, 1440) << QPoint(-1, -1) << "below";
  QTest::newRow("2, right") << 2.0 << QSize(2560, 1440) << QPoint(1366, 400) << "left";
}

void TestDoctor::theProblemsWindowOpensBeside() {
  QFETCH(double, scale);
  QFETCH(QSize, screen);
  QFETCH(QPoint, mainAt);
  QFETCH(QString, side);
  const QRect area(QPoint(0, 0), screen);
  QRect main(QPoint(0, 0), QSize(597, 311) * scale);
  main.moveTopLeft(mainAt.x() < 0 ? area.center() - main.center() : mainAt);
  const QSize wanted = QSize(800, 250) * scale;
  const QRect place = PlaceBeside(main, wanted, QSize(300, 120) * scale, area);
  QVERIFY(area.contains(place));
  QVERIFY(!place.intersects(main));
  const QMap<QString, bool> sides{{"right", place.left() > main.right()},
                                  {"left", place.right() < main.left()},
                                  {"below", place.top() > main.bottom()},
                                  {"above", place.bottom() < main.top()}};
  QVERIFY2(sides[side], qPrintable(QStringLiteral("placed at %1,%2 %3x%4")
                                       .arg(place.x())
                                       .arg(place.y())
                                       .arg(place.width())
                                       .arg(place.height())));
  // Cut only where the room ends.
  QVERIFY(place.width() == wanted.width() || place.width() == screen.width() || side == "right" ||
          side == "left");
  QVERIFY(place.height() == wanted.height() || side == "below" || side == "above");
}

void TestDoctor::theMarkerFollowsTheEdits() {
  TEditor e;
  WriteText(e.file("prog.exe"), "MZ");
  WriteText(e.file("b.ico"), SolidIco(0xFF00FFFF));
  const std::string icon = WinName(e.file("b.ico")) + ",0";
  MainWindow &w = e.StartWithBar(
      {{icon, WinName(e.file("gone.exe")), "", "", "", ""}, {"", "cm_B", "", "", "", ""}});
  QVERIFY(Marked(*w.barList, 0));
  QVERIFY(!Marked(*w.barList, 1));
  QWidget *view = w.barList->viewport();
  const QPoint at = CellCentre(*w.barList, 0);
  QHelpEvent help(QEvent::ToolTip, at, view->mapToGlobal(at));
  QApplication::sendEvent(view, &help);
  QVERIFY(QToolTip::text().startsWith(QStringLiteral("Missing program: ")));
  QVERIFY(w.ProblemTip(1).isEmpty());
  TFieldEdit *command = w.editor->commandEdit;
  command->setFocus(Qt::MouseFocusReason);
  command->SetBytes(WinName(e.file("prog.exe")));
  w.barList->setFocus(Qt::MouseFocusReason);
  QVERIFY(!Marked(*w.barList, 0));
  QVERIFY(w.ProblemTip(0).isEmpty());
  Key(w, Qt::Key_Z, Qt::ControlModifier);
  QVERIFY(Marked(*w.barList, 0));
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
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}, {"", program, param, "", "", ""}});
  LookAtMenu(w, 1);
  if (fromWindow) {
    Key(w, Qt::Key_F7, Qt::NoModifier);
    QVERIFY(w.problemsWindow->MakePortable->isEnabled());
    QTest::mouseClick(w.problemsWindow->MakePortable, Qt::LeftButton);
  } else {
    QVERIFY(w.makePortableAction->isEnabled());
    w.makePortableAction->trigger();
  }
  QCOMPARE(e.Bar().GetField(1, bfCommand), std::string("%COMMANDER_PATH%\\tools\\prog.exe"));
  QCOMPARE(e.Bar().GetField(1, bfParams), std::string("/ini=%COMMANDER_PATH%\\x.ini"));
  QCOMPARE(w.editor->commandEdit->Bytes(), e.Bar().GetField(1, bfCommand));
  LookAtMenu(w, 1);
  QVERIFY(!w.makePortableAction->isEnabled());
  Key(w, Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(e.Bar().GetField(1, bfCommand), program);
  QCOMPARE(e.Bar().GetField(1, bfParams), param);
  QVERIFY(!e.Bar().Modified);
}

void TestDoctor::subBarsOpenAndBackLeadsToTheBarBefore() {
  TEditor e;
  WriteBar(e.file("tools.bar"), {{"", "cm_X", "", "", "", ""}});
  const std::string main = WinName(e.file("main.bar"));
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""},
                                  {"", WinName(e.file("gone.bar")), "", "", "", ""},
                                  {"", WinName(e.file("tools.bar")), "", "", "", ""}},
                                 "main.bar");
  // A sub-bar that is not there: the message, and the bar as it was, edits and all.
  QTest::mouseClick(w.barList->viewport(), Qt::LeftButton, {}, CellCentre(*w.barList, 2));
  QTest::mouseClick(w.addButton, Qt::LeftButton);
  QTest::mouseClick(w.barList->viewport(), Qt::LeftButton, {}, CellCentre(*w.barList, 1));
  Key(w, Qt::Key_Down);
  QCOMPARE(e.dialogs.errors.size(), size_t(1));
  QVERIFY(e.dialogs.questions.empty());
  QCOMPARE(w.CurrentFileName, main);
  QVERIFY(e.Bar().Modified);
  // The sub-bar, after the question; then back to the button it was opened from.
  QTest::mouseClick(w.barList->viewport(), Qt::LeftButton, {}, CellCentre(*w.barList, 2));
  LookAtMenu(w, 2);
  QVERIFY(w.openSubBarAction->isEnabled() && !w.backAction->isEnabled());
  e.dialogs.answers = {ui::TAnswer::No};
  Key(w, Qt::Key_Down);
  QCOMPARE(e.dialogs.questions.size(), size_t(1));
  QCOMPARE(w.CurrentFileName, WinName(e.file("tools.bar")));
  QCOMPARE(w.editor->commandEdit->text(), QStringLiteral("cm_X"));
  QCOMPARE(w.barCaption->text(), QStringLiteral("Button Bar: main.bar") + Way + "tools.bar");
  LookAtMenu(w, 0);
  QVERIFY(w.backAction->isEnabled());
  Key(w, Qt::Key_Up);
  QCOMPARE(w.CurrentFileName, main);
  QCOMPARE(w.barList->ItemIndex(), 2);
  QCOMPARE(w.editor->commandEdit->Bytes(), WinName(e.file("tools.bar")));
  QCOMPARE(w.barCaption->text().toStdString(), "Button Bar: " + main);
  // A double click on the sub-bar's button opens it as Alt+Down does.
  // What a mouse sends for a double click: press, release, double click, release.
  const QPoint cell = CellCentre(*w.barList, 2);
  QTest::mouseClick(w.barList->viewport(), Qt::LeftButton, {}, cell);
  QTest::mouseDClick(w.barList->viewport(), Qt::LeftButton, {}, cell);
  QTest::mouseRelease(w.barList->viewport(), Qt::LeftButton, {}, cell);
  QCOMPARE(w.CurrentFileName, WinName(e.file("tools.bar")));
  Key(w, Qt::Key_Up);
  // A bar opened with ">>" has no way back.
  Key(w, Qt::Key_Down);
  e.dialogs.openAnswers = {main};
  QTest::mouseClick(w.openBarButton, Qt::LeftButton);
  QCOMPARE(w.barCaption->text().toStdString(), "Button Bar: " + main);
  LookAtMenu(w, 0);
  QVERIFY(!w.backAction->isEnabled());
}

// A sub-bar named through a variable set to a host path is named as a Windows name, and a
// line of the message breaks only after a backslash inside the name.
void TestDoctor::aMissingSubBarIsNamedAsAWindowsNameBrokenBetweenItsParts() {
  TEditor e;
  const fs::path folder = e.file("bars of mine");
  fs::create_directories(folder);
  testsupport::ScopedEnv bars("BARS", folder.c_str());
  MainWindow &w = e.StartWithBar({{"", "%BARS%\\sub-bars\\archive of-this.bar", "", "", "", ""}});
  Key(w, Qt::Key_Down);
  QCOMPARE(e.dialogs.errors.size(), size_t(1));
  const QString shown = ui::ToDisplay(e.dialogs.errors[0]);
  const QString name = ui::ToDisplay(WinName(folder)) + "\\sub-bars\\archive of-this.bar";
  QString read = shown;
  read.remove(QChar(0x200B)).remove(QChar(0x2060));
  QCOMPARE(read, "Cannot read file " + name + ": the file does not exist");
  const qsizetype start = shown.indexOf(QLatin1Char(':')) - 1;
  const qsizetype end = shown.lastIndexOf(QStringLiteral(".bar")) + 4;
  QTextBoundaryFinder lines(QTextBoundaryFinder::Line, shown);
  lines.toNextBoundary();
  for (qsizetype at = lines.position(); at > 0 && at < end; at = lines.toNextBoundary())
    if (at > start)
      QVERIFY2(shown.left(at).remove(QChar(0x200B)).endsWith(QLatin1Char('\\')),
               qPrintable(shown.left(at)));
}

QTEST_MAIN(TestDoctor)
#include "test_doctor.moc"
