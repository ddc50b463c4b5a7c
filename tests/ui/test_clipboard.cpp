// The bar list's popup menu through the system clipboard: Copy, Paste, Clone, their keys
// and the menu's enabling.
#include "UiHarness.h"

#include "platform/Clipboard.h"
#include "ui/ButtonEditor.h"
#include "ui/FieldEdit.h"
#include "ui/QtClipboard.h"

#include <QAction>
#include <QClipboard>
#include <QMenu>
#include <QRadioButton>

using namespace uitest;

namespace {

struct TFields {
  std::string icon, cmd, param, path, tip;
  int runMode = 0;
};

TFields FieldsOf(const ButtonBar &bar, int position) {
  return {bar.GetField(position, bfIconRef), bar.GetField(position, bfCommand),
          bar.GetField(position, bfParams),  bar.GetField(position, bfStartPath),
          bar.GetField(position, bfTooltip), bar.Buttons[size_t(position)]->RunMode};
}

void VerifyFields(const ButtonBar &bar, int position, const TFields &want) {
  const TFields got = FieldsOf(bar, position);
  QCOMPARE(got.icon, want.icon);
  QCOMPARE(got.cmd, want.cmd);
  QCOMPARE(got.param, want.param);
  QCOMPARE(got.path, want.path);
  QCOMPARE(got.tip, want.tip);
  QCOMPARE(got.runMode, want.runMode);
}

// Selects a cell with a left click, which also shows it in the editor.
void ClickCell(MainWindow &w, int index) {
  QTest::mouseClick(w.barList->viewport(), Qt::LeftButton, {}, CellCentre(*w.barList, index));
  QCOMPARE(w.barList->ItemIndex(), index);
}

// A right press on a cell (or beyond the cells) sets the menu's enabling; the menu that
// opens is closed again.
void RightPress(MainWindow &w, int index) {
  const QPoint at = CellCentre(*w.barList, index);
  QTest::mousePress(w.barList->viewport(), Qt::RightButton, {}, at);
  QTest::mouseRelease(w.barList->viewport(), Qt::RightButton, {}, at);
  w.barMenu->hide();
}

void CtrlKey(MainWindow &w, Qt::Key key) {
  QTest::keyClick(w.barList, key, Qt::ControlModifier);
}

void SetClipboardBytes(const std::string &text) {
  QGuiApplication::clipboard()->setText(QString::fromLatin1(text.data(), qsizetype(text.size())));
}

std::string ClipboardBytes() {
  return QGuiApplication::clipboard()->text().toLatin1().toStdString();
}

} // namespace

class TestClipboard : public QObject {
  Q_OBJECT
private slots:
  void copyWritesEightLines_data();
  void copyWritesEightLines();
  void copyWithoutSelectionLeavesTheClipboard();
  void copyThenPasteGivesAnEqualButton();
  void paste_data();
  void paste();
  void pasteWithoutSelectionAppends();
  void pasteWithABadRunModeStopsWithTheError();
  void keysRunOnlyWhileTheItemIsEnabled();
  void clone_data();
  void clone();
  void cloneWithoutSelectionDoesNothing();
  void roundTripKeepsCodePageAndUtf8Values();

private:
  ui::TQtClipboard clipboard_;
  testsupport::ScopedClipboard installed_{clipboard_};
};

// Rows: the button as its bar keys "icon|cmd|param|path|menu|iconic" and the text copied.
void TestClipboard::copyWritesEightLines_data() {
  QTest::addColumn<QString>("keys");
  QTest::addColumn<QString>("text");
  QTest::newRow("every field, run minimized")
      << "C:\\Tools\\Tool.exe,2|C:\\Tools\\tool.exe|-x %P|C:\\Work\\|Tool tip|1"
      << "TOTALCMD#BAR#DATA\r\nC:\\Tools\\tool.exe\r\n-x %P\r\nC:\\Tools\\Tool.exe,2\r\n"
         "Tool tip\r\nC:\\Work\\\r\n1\r\n-1\r\n";
  QTest::newRow("empty button, default run mode written as 0")
      << "|||||"
      << "TOTALCMD#BAR#DATA\r\n\r\n\r\n\r\n\r\n\r\n0\r\n-1\r\n";
  QTest::newRow("run maximized") << "|cm_Copy||||-1"
                                 << "TOTALCMD#BAR#DATA\r\ncm_Copy\r\n\r\n\r\n\r\n\r\n-1\r\n-1\r\n";
}

void TestClipboard::copyWritesEightLines() {
  QFETCH(QString, keys);
  QFETCH(QString, text);
  const QStringList k = keys.split('|');
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_First", "", "", "", ""},
                                  {k[0].toStdString(), k[1].toStdString(), k[2].toStdString(),
                                   k[3].toStdString(), k[4].toStdString(), k[5].toStdString()}});
  SetClipboardBytes("former content");
  ClickCell(w, 1);
  CtrlKey(w, Qt::Key_C);
  QCOMPARE(QGuiApplication::clipboard()->text(), text);
  QVERIFY(!e.Bar().Modified);
}

void TestClipboard::copyWithoutSelectionLeavesTheClipboard() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}});
  SetClipboardBytes("former content");
  RightPress(w, 5);
  QVERIFY(!w.copyAction->isEnabled());
  CtrlKey(w, Qt::Key_C);
  w.CopyClick();
  QCOMPARE(ClipboardBytes(), std::string("former content"));
}

void TestClipboard::copyThenPasteGivesAnEqualButton() {
  TEditor e;
  const fs::path icon = e.file("Icons/Green.ICO");
  WriteText(icon, SolidIco(0xFF00FF00));
  const std::string iconName = WinName(icon);
  MainWindow &w =
      e.StartWithBar({{iconName + ",0", "C:\\Tools\\Tool.exe", "-x", "C:\\Work\\", "Tip", "-1"},
                      {"", "cm_B", "", "", "", ""},
                      {"", "cm_C", "", "", "", ""}});
  const TFields copied = FieldsOf(e.Bar(), 0);
  ClickCell(w, 0);
  CtrlKey(w, Qt::Key_C);
  ClickCell(w, 1);
  CtrlKey(w, Qt::Key_V);
  QCOMPARE(e.Bar().Count(), 4);
  QCOMPARE(w.barList->Count(), 4);
  QCOMPARE(w.barList->ItemIndex(), 2);
  // The icon file keeps its letter case: the pasted button is the copied one.
  VerifyFields(e.Bar(), 2, copied);
  QCOMPARE(e.Bar().GetField(3, bfCommand), std::string("cm_C"));
  QVERIFY(e.Bar().Modified);
  QVERIFY(e.Bar().IconsChanged);
  QVERIFY(e.Bar().IconHandle(2));
  QCOMPARE(w.editor->commandEdit->Bytes(), copied.cmd);
  QCOMPARE(w.editor->iconFileEdit->Bytes(), iconName);
  QVERIFY(w.editor->runMaximized->isChecked());
}

// Rows: the clipboard text and the pasted button as "command|params|icon|tooltip|start
// path|run mode", empty when the text is ignored.
void TestClipboard::paste_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("fields");
  const QString button = "TOTALCMD#BAR#DATA\r\ncm_A\r\n\r\n%1\r\n\r\n\r\n%2\r\n-1\r\n";
  QTest::newRow("header not on the first line: lines counted from the first")
      << "first\r\nTOTALCMD#BAR#DATA\r\nC:\\A.exe\r\n-p\r\nIcons.DLL,3\r\ntip\r\n1\r\n-1\r\n"
      << "TOTALCMD#BAR#DATA|C:\\A.exe|-p,0|Icons.DLL,3|tip|1";
  QTest::newRow("empty icon line gives ,0") << button.arg("", "0") << "cm_A||,0|||0";
  QTest::newRow("icon line without comma gives index 0")
      << button.arg("C:\\Icons\\My.ICO", "0") << "cm_A||C:\\Icons\\My.ICO,0|||0";
  QTest::newRow("empty run-mode line gives 0") << button.arg("x.dll,1", "") << "cm_A||x.dll,1|||0";
  QTest::newRow("LF and CR alone end lines after the header")
      << "TOTALCMD#BAR#DATA\r\ncm_A\nparams\rx.dll,2\ntip\npath\n-1\n-1"
      << "cm_A|params|x.dll,2|tip|path|-1";
  QTest::newRow("header followed by CR alone is not pasted")
      << "TOTALCMD#BAR#DATA\rcm_A\r\n\r\n\r\n\r\n\r\n0\r\n-1\r\n"
      << "";
  QTest::newRow("seven lines are not pasted")
      << "TOTALCMD#BAR#DATA\r\ncm_A\r\n\r\n\r\n\r\n\r\n0\r\n"
      << "";
  QTest::newRow("no header") << "cm_A\r\n\r\n\r\n\r\n\r\n0\r\n-1\r\n-1\r\n"
                             << "";
  QTest::newRow("empty clipboard") << ""
                                   << "";
}

void TestClipboard::paste() {
  QFETCH(QString, text);
  QFETCH(QString, fields);
  TEditor e;
  MainWindow &w =
      e.StartWithBar({{"", "cm_First", "", "", "", ""}, {"", "cm_Last", "", "", "", ""}});
  ClickCell(w, 0);
  SetClipboardBytes(text.toStdString());
  w.pasteAction->trigger();
  QVERIFY(e.dialogs.errors.empty());
  if (fields.isEmpty()) {
    QCOMPARE(e.Bar().Count(), 2);
    QVERIFY(!e.Bar().Modified);
    return;
  }
  const QStringList f = fields.split('|');
  QCOMPARE(e.Bar().Count(), 3);
  QCOMPARE(w.barList->ItemIndex(), 1);
  VerifyFields(e.Bar(), 1,
               {f[2].toStdString(), f[0].toStdString(), f[1].toStdString(), f[4].toStdString(),
                f[3].toStdString(), f[5].toInt()});
  QCOMPARE(e.Bar().GetField(2, bfCommand), std::string("cm_Last"));
  QCOMPARE(w.editor->commandEdit->Bytes(), f[0].toStdString());
}

void TestClipboard::pasteWithoutSelectionAppends() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}, {"", "cm_B", "", "", "", ""}});
  SetClipboardBytes("TOTALCMD#BAR#DATA\r\ncm_New\r\n\r\n\r\n\r\n\r\n0\r\n-1\r\n");
  RightPress(w, 7);
  QCOMPARE(w.barList->ItemIndex(), -1);
  QVERIFY(w.pasteAction->isEnabled());
  CtrlKey(w, Qt::Key_V);
  QCOMPARE(e.Bar().Count(), 3);
  QCOMPARE(e.Bar().GetField(2, bfCommand), std::string("cm_New"));
  QCOMPARE(w.barList->ItemIndex(), 2);
}

void TestClipboard::pasteWithABadRunModeStopsWithTheError() {
  TEditor e;
  const fs::path icon = e.file("green.ico");
  WriteText(icon, SolidIco(0xFF00FF00));
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}});
  ClickCell(w, 0);
  SetClipboardBytes("TOTALCMD#BAR#DATA\r\ncm_New\r\n-p\r\n" + WinName(icon) +
                    ",0\r\ntip\r\nC:\\\r\nx1\r\n-1\r\n");
  CtrlKey(w, Qt::Key_V);
  QCOMPARE(e.dialogs.errors, std::vector<std::string>{"'x1' is not a valid integer value"});
  QCOMPARE(e.Bar().Count(), 2);
  VerifyFields(e.Bar(), 1, {WinName(icon) + ",0", "cm_New", "-p", "C:\\", "tip", 0});
  // The editor shows the new button as it is, so that no field of another is written
  // into it; one undo takes the whole paste back.
  QCOMPARE(w.editor->commandEdit->Bytes(), std::string("cm_New"));
  QTest::keyClick(w.barList, Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(e.Bar().Count(), 1);
}

// The keys invoke the menu's items, which run only while enabled. Paste follows the
// clipboard as it changes, without the menu being opened; the menu key opens the menu on
// the selected cell.
void TestClipboard::keysRunOnlyWhileTheItemIsEnabled() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}, {"", "cm_B", "", "", "", ""}});
  const std::string button = "TOTALCMD#BAR#DATA\r\ncm_New\r\n\r\n\r\n\r\n\r\n0\r\n-1\r\n";
  SetClipboardBytes("no button");
  QTRY_VERIFY(!w.pasteAction->isEnabled());
  CtrlKey(w, Qt::Key_V);
  QCOMPARE(e.Bar().Count(), 2);
  SetClipboardBytes(button);
  QTRY_VERIFY(w.pasteAction->isEnabled());
  CtrlKey(w, Qt::Key_V);
  QCOMPARE(e.Bar().Count(), 3);
  ClickCell(w, 1);
  QTest::keyClick(w.barList, Qt::Key_Menu);
  QVERIFY(w.barMenu->isVisible());
  QVERIFY(w.barMenu->geometry().contains(
      w.barList->viewport()->mapToGlobal(CellCentre(*w.barList, 1)) + QPoint(1, 1)));
  QVERIFY(w.pasteAction->isEnabled() && w.copyAction->isEnabled());
  w.barMenu->hide();

  RightPress(w, 5);
  QVERIFY(!w.copyAction->isEnabled());
  SetClipboardBytes("former content");
  CtrlKey(w, Qt::Key_C);
  QCOMPARE(ClipboardBytes(), std::string("former content"));
}

void TestClipboard::clone_data() {
  QTest::addColumn<int>("source");
  QTest::newRow("first of three") << 0;
  QTest::newRow("last appends") << 2;
}

void TestClipboard::clone() {
  QFETCH(int, source);
  TEditor e;
  const fs::path icon = e.file("Green.ICO");
  WriteText(icon, SolidIco(0xFF00FF00));
  std::vector<TButtonSpec> buttons = {{"", "cm_A", "", "", "", ""}, {"", "cm_B", "", "", "", ""}};
  buttons.insert(buttons.begin() + source,
                 {WinName(icon) + ",0", "C:\\T\\t.exe", "-p", "C:\\T\\", "Tip", "1"});
  MainWindow &w = e.StartWithBar(buttons);
  const TFields original = FieldsOf(e.Bar(), source);
  const std::string next = source + 1 < 3 ? e.Bar().GetField(source + 1, bfCommand) : "";
  RightPress(w, source);
  w.cloneAction->trigger();
  QCOMPARE(e.Bar().Count(), 4);
  QCOMPARE(w.barList->Count(), 4);
  QCOMPARE(w.barList->ItemIndex(), source + 1);
  VerifyFields(e.Bar(), source + 1, original);
  VerifyFields(e.Bar(), source, original);
  if (!next.empty())
    QCOMPARE(e.Bar().GetField(source + 2, bfCommand), next);
  QVERIFY(e.Bar().IconsChanged);
  QVERIFY(e.Bar().Modified);
  QVERIFY(e.Bar().IconHandle(source + 1));
  QCOMPARE(w.editor->commandEdit->Bytes(), original.cmd);
  QVERIFY(w.editor->runMinimized->isChecked());
}

void TestClipboard::cloneWithoutSelectionDoesNothing() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}});
  RightPress(w, 4);
  QCOMPARE(w.barList->ItemIndex(), -1);
  w.cloneAction->trigger();
  QCOMPARE(e.Bar().Count(), 1);
  QVERIFY(!e.Bar().Modified);
}

// Bytes of the code page travel as the characters they stand for; they, and a value
// marked as UTF-8, come back as the same bytes.
void TestClipboard::roundTripKeepsCodePageAndUtf8Values() {
  TEditor e;
  const std::string german = "Gr\xF6\xDF"
                             "e";
  const std::string marked = "\xEF\xBB\xBF\xE2\x82\xAC\xE2\x86\x92";
  MainWindow &w = e.StartWithBar({{"", "cm_A", german, "", marked, ""}});
  ClickCell(w, 0);
  CtrlKey(w, Qt::Key_C);
  QVERIFY(QGuiApplication::clipboard()->text().startsWith(
      QStringLiteral("TOTALCMD#BAR#DATA\r\ncm_A\r\nGröße\r\n\r\n")));
  // Other programs see the marked value as the characters it stands for, not as
  // code-page characters of its UTF-8 bytes.
  QVERIFY2(QGuiApplication::clipboard()->text().contains(QStringLiteral("€→")),
           qPrintable(QGuiApplication::clipboard()->text()));
  CtrlKey(w, Qt::Key_V);
  QCOMPARE(e.Bar().Count(), 2);
  QCOMPARE(e.Bar().GetField(1, bfParams), german);
  QCOMPARE(e.Bar().GetField(1, bfTooltip), marked);
  // Text another program put there arrives the same way.
  QGuiApplication::clipboard()->setText(
      QStringLiteral("TOTALCMD#BAR#DATA\r\n€uro\r\n\r\n\r\n\r\n\r\n0\r\n-1\r\n"));
  CtrlKey(w, Qt::Key_V);
  QCOMPARE(e.Bar().GetField(2, bfCommand), std::string("\x80uro"));
}

QTEST_MAIN(TestClipboard)
#include "test_clipboard.moc"
