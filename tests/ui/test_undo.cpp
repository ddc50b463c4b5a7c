// Undo and redo in the editor: the keys, the menu items named after the edit in the
// language of the program, the edit fields' own undo, and a drag as one move. The edits
// and their undo are tested in the core; here only the wiring.
#include "UiHarness.h"

#include "ui/ButtonEditor.h"
#include "ui/FieldEdit.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>

using namespace uitest;

namespace {

void Key(MainWindow &w, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
  QTest::keyClick(w.barList, key, modifiers);
}

// The menu item's text as the menu shows it when it opens.
QString ItemText(MainWindow &w, QAction *item) {
  const QPoint at = CellCentre(*w.barList, 0);
  QTest::mousePress(w.barList->viewport(), Qt::RightButton, {}, at);
  QTest::mouseRelease(w.barList->viewport(), Qt::RightButton, {}, at);
  const QString text = item->text();
  w.barMenu->hide();
  return text;
}

std::vector<std::string> Commands(const ButtonBar &bar) {
  std::vector<std::string> commands;
  for (int i = 0; i < bar.Count(); ++i)
    commands.push_back(bar.GetField(i, bfCommand));
  return commands;
}

} // namespace

class TestUndo : public QObject {
  Q_OBJECT
private slots:
  void keysUndoAndRedoTheBarsEdits();
  void menuItemsNameTheEditInTheProgramsLanguage_data();
  void menuItemsNameTheEditInTheProgramsLanguage();
  void aFieldTakesBackItsOwnTypingFirst();
  void aDragIsOneMove();
};

void TestUndo::keysUndoAndRedoTheBarsEdits() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}, {"", "cm_B", "", "", "", ""}});
  QTest::mouseClick(w.addButton, Qt::LeftButton);
  Key(w, Qt::Key_Delete, Qt::NoModifier);
  QCOMPARE(e.Bar().Count(), 2);
  Key(w, Qt::Key_Z);
  QCOMPARE(e.Bar().Count(), 3);
  QCOMPARE(w.barList->Count(), 3);
  Key(w, Qt::Key_Z);
  QCOMPARE(e.Bar().Count(), 2);
  QVERIFY2(!e.Bar().Modified, "back at the bar as loaded");
  QCOMPARE(w.barList->ItemIndex(), 0);
  QCOMPARE(w.editor->commandEdit->text(), QStringLiteral("cm_A"));
  Key(w, Qt::Key_Y);
  QCOMPARE(e.Bar().Count(), 3);
  Key(w, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  QCOMPARE(e.Bar().Count(), 2);
  QVERIFY(e.Bar().Modified);
}

void TestUndo::menuItemsNameTheEditInTheProgramsLanguage_data() {
  QTest::addColumn<QString>("language");
  QTest::addColumn<QString>("undo");
  QTest::addColumn<QString>("redo");
  QTest::newRow("English") << "English"
                           << "Undo Move"
                           << "Redo";
  QTest::newRow("German") << "Deutsch"
                          << "Verschieben rückgängig machen"
                          << "Wiederholen";
}

void TestUndo::menuItemsNameTheEditInTheProgramsLanguage() {
  QFETCH(QString, language);
  TEditor e;
  const std::string lng = language.toStdString() + ".lng";
  fs::copy_file(fs::path(CORVANE_TEST_DATA).parent_path().parent_path() / "data" / lng,
                e.bin() / lng);
  e.Ini("[main]\r\nLanguage=" + language.toStdString() + "\r\n");
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}, {"", "cm_B", "", "", "", ""}});
  QCOMPARE(ItemText(w, w.undoAction),
           language == "English" ? QStringLiteral("Undo") : QStringLiteral("Rückgängig"));
  QVERIFY(!w.undoAction->isEnabled());
  Key(w, Qt::Key_Right, Qt::AltModifier);
  QTEST(ItemText(w, w.undoAction), "undo");
  QTEST(ItemText(w, w.redoAction), "redo");
  QVERIFY(!w.redoAction->isEnabled());
}

// Ctrl+Z in a field with typing of its own takes the typing back; once the field is left,
// the commit is one step of the bar's history.
void TestUndo::aFieldTakesBackItsOwnTypingFirst() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_A", "old", "", "", ""}});
  TFieldEdit *field = w.editor->paramsEdit;
  field->setFocus(Qt::MouseFocusReason);
  QTest::keyClick(field, Qt::Key_End);
  QTest::keyClicks(field, "+new");
  QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(field->text(), QStringLiteral("old"));
  QTest::keyClicks(field, "!");
  w.barList->setFocus(Qt::MouseFocusReason);
  QCOMPARE(e.Bar().GetField(0, bfParams), std::string("old!"));
  field->setFocus(Qt::MouseFocusReason);
  QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(e.Bar().GetField(0, bfParams), std::string("old"));
  QCOMPARE(field->text(), QStringLiteral("old"));
}

void TestUndo::aDragIsOneMove() {
  TEditor e;
  MainWindow &w = e.StartWithBar(
      {{"", "cm_A", "", "", "", ""}, {"", "cm_B", "", "", "", ""}, {"", "cm_C", "", "", "", ""}});
  QWidget *view = w.barList->viewport();
  QTest::mousePress(view, Qt::LeftButton, {}, CellCentre(*w.barList, 0));
  for (int cell : {1, 2}) {
    QMouseEvent move(QEvent::MouseMove, CellCentre(*w.barList, cell),
                     view->mapToGlobal(CellCentre(*w.barList, cell)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(view, &move);
  }
  QTest::mouseRelease(view, Qt::LeftButton, {}, CellCentre(*w.barList, 2));
  QCOMPARE(Commands(e.Bar()), (std::vector<std::string>{"cm_B", "cm_C", "cm_A"}));
  QVERIFY(e.Bar().IconsChanged);
  Key(w, Qt::Key_Z);
  QCOMPARE(Commands(e.Bar()), (std::vector<std::string>{"cm_A", "cm_B", "cm_C"}));
  QVERIFY(!e.Bar().Modified && !e.Bar().IconsChanged);
  QCOMPARE(w.barList->ItemIndex(), 0);
}

QTEST_MAIN(TestUndo)
#include "test_undo.moc"
