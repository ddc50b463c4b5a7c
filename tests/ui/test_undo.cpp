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

void Key(TBarMain &w, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
  QTest::keyClick(w.id_btn_bar, key, modifiers);
}

// The menu item's text as the menu shows it when it opens.
QString ItemText(TBarMain &w, QAction *item) {
  const QPoint at = CellCentre(*w.id_btn_bar, 0);
  QTest::mousePress(w.id_btn_bar->viewport(), Qt::RightButton, {}, at);
  QTest::mouseRelease(w.id_btn_bar->viewport(), Qt::RightButton, {}, at);
  const QString text = item->text();
  w.pm1->hide();
  return text;
}

std::vector<std::string> Commands(const ButtonsList &bar) {
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
  TBarMain &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}, {"", "cm_B", "", "", "", ""}});
  QTest::mouseClick(w.id_btn_add, Qt::LeftButton);
  Key(w, Qt::Key_Delete, Qt::NoModifier);
  QCOMPARE(e.Bar().Count(), 2);
  Key(w, Qt::Key_Z);
  QCOMPARE(e.Bar().Count(), 3);
  QCOMPARE(w.id_btn_bar->Count(), 3);
  Key(w, Qt::Key_Z);
  QCOMPARE(e.Bar().Count(), 2);
  QVERIFY2(!e.Bar().Modified, "back at the bar as loaded");
  QCOMPARE(w.id_btn_bar->ItemIndex(), 0);
  QCOMPARE(w.Frame11->id_btn_command->text(), QStringLiteral("cm_A"));
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
  TBarMain &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}, {"", "cm_B", "", "", "", ""}});
  QCOMPARE(ItemText(w, w.Undo1),
           language == "English" ? QStringLiteral("Undo") : QStringLiteral("Rückgängig"));
  QVERIFY(!w.Undo1->isEnabled());
  Key(w, Qt::Key_Right, Qt::AltModifier);
  QTEST(ItemText(w, w.Undo1), "undo");
  QTEST(ItemText(w, w.Redo1), "redo");
  QVERIFY(!w.Redo1->isEnabled());
}

// Ctrl+Z in a field with typing of its own takes the typing back; once the field is left,
// the commit is one step of the bar's history.
void TestUndo::aFieldTakesBackItsOwnTypingFirst() {
  TEditor e;
  TBarMain &w = e.StartWithBar({{"", "cm_A", "old", "", "", ""}});
  TFieldEdit *field = w.Frame11->id_btn_param;
  field->setFocus(Qt::MouseFocusReason);
  QTest::keyClick(field, Qt::Key_End);
  QTest::keyClicks(field, "+new");
  QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(field->text(), QStringLiteral("old"));
  QTest::keyClicks(field, "!");
  w.id_btn_bar->setFocus(Qt::MouseFocusReason);
  QCOMPARE(e.Bar().GetField(0, bfParams), std::string("old!"));
  field->setFocus(Qt::MouseFocusReason);
  QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(e.Bar().GetField(0, bfParams), std::string("old"));
  QCOMPARE(field->text(), QStringLiteral("old"));
}

void TestUndo::aDragIsOneMove() {
  TEditor e;
  TBarMain &w = e.StartWithBar(
      {{"", "cm_A", "", "", "", ""}, {"", "cm_B", "", "", "", ""}, {"", "cm_C", "", "", "", ""}});
  QWidget *view = w.id_btn_bar->viewport();
  QTest::mousePress(view, Qt::LeftButton, {}, CellCentre(*w.id_btn_bar, 0));
  for (int cell : {1, 2}) {
    QMouseEvent move(QEvent::MouseMove, CellCentre(*w.id_btn_bar, cell),
                     view->mapToGlobal(CellCentre(*w.id_btn_bar, cell)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &move);
  }
  QTest::mouseRelease(view, Qt::LeftButton, {}, CellCentre(*w.id_btn_bar, 2));
  QCOMPARE(Commands(e.Bar()), (std::vector<std::string>{"cm_B", "cm_C", "cm_A"}));
  QVERIFY(e.Bar().IconsChanged);
  Key(w, Qt::Key_Z);
  QCOMPARE(Commands(e.Bar()), (std::vector<std::string>{"cm_A", "cm_B", "cm_C"}));
  QVERIFY(!e.Bar().Modified && !e.Bar().IconsChanged);
  QCOMPARE(w.id_btn_bar->ItemIndex(), 0);
}

QTEST_MAIN(TestUndo)
#include "test_undo.moc"
