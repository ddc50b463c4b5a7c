// The button editor: showing a button, the commit of each field when the focus leaves
// it, the icon picker, the file choosers, the menus, the run mode, OK and Cancel.
#include "UiHarness.h"

#include "fixtures/IconImages.h"
#include "fixtures/PeBuilder.h"
#include "support/TcInstallation.h"
#include "ui/ButtonEditor.h"
#include "ui/FieldEdit.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

using namespace uitest;

namespace {

// Gives the field the focus as a click would, so that its Enter step runs.
void Enter(TFieldEdit *field) {
  field->setFocus(Qt::MouseFocusReason);
  QVERIFY(field->hasFocus());
}

// Types into the focused field and moves the focus on, so that its Exit step runs.
void TypeAndLeave(MainWindow &w, TFieldEdit *field, const QString &text, bool replace = true) {
  Enter(field);
  if (replace)
    field->selectAll();
  // Qt Test types only printable ASCII keys; other text arrives as a paste would put it.
  bool keys = true;
  for (QChar c : text)
    keys = keys && c.unicode() >= 0x20 && c.unicode() < 0x80;
  if (keys)
    QTest::keyClicks(field, text);
  else
    field->insert(text);
  // The bar list is no edit field, so no Enter step follows the Exit.
  w.barList->setFocus(Qt::MouseFocusReason);
}

std::string Field(TEditor &e, int position, int field) {
  return e.Bar().GetField(position, field);
}

} // namespace

class TestEditor : public QObject {
  Q_OBJECT
private slots:
  void enteringAndLeavingWithoutChangeWritesNothing();
  void changedFieldIsWrittenOnceOnLeaving_data();
  void changedFieldIsWrittenOnceOnLeaving();
  void deactivatingTheWindowIsNoExit();
  void commandWithEmptyIconFileFillsTheIconReference();
  void unchangedCommandWithEmptyIconFileWritesNothing();
  void emptiedIconFileWritesLoneComma();
  void newIconFileKeepsTheIndex();
  void pickerHoldsEveryIconOfTheFile_data();
  void pickerHoldsEveryIconOfTheFile();
  void pickingAnIconWritesTheReference();
  void iconFileWithoutIconsBecomesItsProgram();
  void iconFileDialog();
  void pictureBecomesAnIconOfTheChosenLibrary();
  void commandFileChooserFillsTheButton();
  void choosersWriteWhatTheCheckAccepts_data();
  void choosersWriteWhatTheCheckAccepts();
  void iconFileKeepsItsLetterCase_data();
  void iconFileKeepsItsLetterCase();
  void runModeIsWrittenAndShown();
  void unknownRunModeLeavesTheRadioButtons();
  void parameterMenuInsertsTheTextBeforeTheDash_data();
  void parameterMenuInsertsTheTextBeforeTheDash();
  void pathMenuNeedsTheRightButtonHeld();
  void pathMenuItemGoesWholeIntoTheTargetField();
  void fieldMenusOpenFromTheKeyboard_data();
  void fieldMenusOpenFromTheKeyboard();
  void okSavesUnderTheBarsName();
  void okOnANewBarAsksForANameAndAppendsBar();
  void okWhoseDialogIsCancelledKeepsTheWindow();
  void okWhoseSaveFailsKeepsTheWindowAndSaysWhy();
  void returnKeyCommitsTheFieldAndPressesOk();
  void escapeKeyPressesCancel();
  void textOutsideTheCodePageKeepsItsBytes();
  void lineBreakIsNotTaken();
};

void TestEditor::enteringAndLeavingWithoutChangeWritesNothing() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_Copy", "%P", "", "tip", ""}});
  for (TFieldEdit *field : {w.editor->commandEdit, w.editor->paramsEdit, w.editor->startPathEdit,
                            w.editor->tooltipEdit})
    TypeAndLeave(w, field, QString(), false);
  QVERIFY(!e.Bar().Modified);
  QCOMPARE(w.EnteredText, std::string("tip")); // the last field entered
}

// A line break would end the line in the bar file.
void TestEditor::lineBreakIsNotTaken() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_Copy", "old", "", "", ""}});
  TypeAndLeave(w, w.editor->paramsEdit, QStringLiteral("new\r\n[Keep]\r\nk=1"));
  QCOMPARE(w.editor->paramsEdit->text(), QStringLiteral("old"));
  QCOMPARE(Field(e, 0, bfParams), std::string("old"));
  QVERIFY(e.dialogs.errors.empty());
}

void TestEditor::changedFieldIsWrittenOnceOnLeaving_data() {
  QTest::addColumn<QString>("field");
  QTest::addColumn<int>("number");
  QTest::newRow("parameters") << "id_btn_param" << int(bfParams);
  QTest::newRow("start path") << "id_btn_startpath" << int(bfStartPath);
  QTest::newRow("tooltip") << "id_btn_ToolTip" << int(bfTooltip);
}

void TestEditor::changedFieldIsWrittenOnceOnLeaving() {
  QFETCH(QString, field);
  QFETCH(int, number);
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_Copy", "old", "old", "old", ""}});
  auto *edit = w.editor->findChild<TFieldEdit *>(field);
  Enter(edit);
  edit->selectAll();
  QTest::keyClicks(edit, "new value");
  QCOMPARE(Field(e, 0, number), std::string("old")); // nothing while typing
  TypeAndLeave(w, edit, QString(), false);
  QCOMPARE(Field(e, 0, number), std::string("new value"));
  QVERIFY(e.Bar().Modified);
  QCOMPARE(w.EnteredText, std::string("-1-"));
}

void TestEditor::deactivatingTheWindowIsNoExit() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_Copy", "old", "", "", ""}});
  Enter(w.editor->paramsEdit);
  QTest::keyClicks(w.editor->paramsEdit, "x");
  QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
  QApplication::sendEvent(w.editor->paramsEdit, &out);
  QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
  QApplication::sendEvent(w.editor->paramsEdit, &popup);
  QCOMPARE(Field(e, 0, bfParams), std::string("old"));
  w.editor->commandEdit->setFocus(Qt::MouseFocusReason);
  QCOMPARE(Field(e, 0, bfParams), std::string("oldx"));
}

void TestEditor::commandWithEmptyIconFileFillsTheIconReference() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "", "", "", "", ""}});
  TypeAndLeave(w, w.editor->commandEdit, "cm_Copy");
  QCOMPARE(Field(e, 0, bfCommand), std::string("cm_Copy"));
  QCOMPARE(Field(e, 0, bfIconRef), std::string("cm_Copy,0"));
  QCOMPARE(w.editor->iconFileEdit->text(), QStringLiteral("cm_Copy"));
  QCOMPARE(w.editor->iconIndexLabel->text(), QStringLiteral("0"));
  QVERIFY(e.Bar().IconsChanged);
}

void TestEditor::unchangedCommandWithEmptyIconFileWritesNothing() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_Copy", "", "", "", ""}});
  TypeAndLeave(w, w.editor->commandEdit, QString(), false);
  QCOMPARE(w.editor->iconFileEdit->text(), QStringLiteral("cm_Copy"));
  QCOMPARE(Field(e, 0, bfIconRef), std::string());
  QVERIFY(!e.Bar().Modified);
}

void TestEditor::emptiedIconFileWritesLoneComma() {
  TEditor e;
  WriteText(e.file("a.ico"), SolidIco(0xFF112233));
  MainWindow &w = e.StartWithBar({{WinName(e.file("a.ico")) + ",0", "cm_Copy", "", "", "", ""}});
  QCOMPARE(w.editor->iconList->Count(), 1);
  Enter(w.editor->iconFileEdit);
  w.editor->iconFileEdit->clear();
  w.editor->tooltipEdit->setFocus(Qt::MouseFocusReason);
  QCOMPARE(Field(e, 0, bfIconRef), std::string(",0"));
  QCOMPARE(w.editor->iconList->Count(), 0);
  QVERIFY(w.cacheBox->isEnabled());
  QVERIFY(w.cacheModePanel->isEnabled());
}

void TestEditor::newIconFileKeepsTheIndex() {
  TEditor e;
  WriteText(e.file("a.dll"), fixtures::BuildIconModule(50));
  WriteText(e.file("b.dll"), fixtures::BuildIconModule(60));
  MainWindow &w = e.StartWithBar({{WinName(e.file("a.dll")) + ",45", "cm_Copy", "", "", "", ""}});
  QCOMPARE(w.editor->iconList->Count(), 50);
  QCOMPARE(w.editor->iconList->ItemIndex(), 45);
  TypeAndLeave(w, w.editor->iconFileEdit, QString::fromStdString(WinName(e.file("b.dll"))));
  QCOMPARE(Field(e, 0, bfIconRef), WinName(e.file("b.dll")) + ",45");
  QCOMPARE(w.editor->iconList->Count(), 60);
  QCOMPARE(w.editor->iconList->ItemIndex(), 45);
  QVERIFY(e.Bar().IconHandle(0));
}

void TestEditor::pickerHoldsEveryIconOfTheFile_data() {
  QTest::addColumn<int>("groups"); // 0: an .ico file
  QTest::addColumn<int>("items");
  QTest::newRow("icon file") << 0 << 1;
  QTest::newRow("module of one icon") << 1 << 1;
  QTest::newRow("module of nine icons") << 9 << 9;
}

void TestEditor::pickerHoldsEveryIconOfTheFile() {
  QFETCH(int, groups);
  TEditor e;
  const fs::path file = e.file(groups ? "m.dll" : "m.ico");
  WriteText(file, groups ? fixtures::BuildIconModule(groups) : SolidIco(0xFF00FFFF));
  MainWindow &w = e.StartWithBar({{WinName(file), "cm_Copy", "", "", "", ""}});
  QTEST(w.editor->iconList->Count(), "items");
  for (int i = 0; i < w.editor->iconList->Count(); ++i)
    QVERIFY(w.PickerIcon(i));
  QVERIFY(!w.PickerIcon(w.editor->iconList->Count()));
}

void TestEditor::pickingAnIconWritesTheReference() {
  TEditor e;
  WriteText(e.file("m.dll"), fixtures::BuildIconModule(5));
  MainWindow &w = e.StartWithBar({{WinName(e.file("m.dll")) + ",0", "cm_Copy", "", "", "", ""}});
  const std::string before = w.EnteredText;
  TOwnerDrawList &picker = *w.editor->iconList;
  QTest::mouseClick(picker.viewport(), Qt::LeftButton, {}, CellCentre(picker, 3));
  QCOMPARE(w.editor->iconIndexLabel->text(), QStringLiteral("3"));
  QCOMPARE(Field(e, 0, bfIconRef), WinName(e.file("m.dll")) + ",3");
  QVERIFY(e.Bar().Modified);
  QVERIFY(w.cacheBox->isEnabled());
  QVERIFY(w.cacheModePanel->isEnabled());
  QCOMPARE(w.EnteredText, before);
}

void TestEditor::iconFileWithoutIconsBecomesItsProgram() {
  TEditor e;
  // A program without icons is its own associated program: the reference loses its
  // index and the bar counts as modified.
  WriteText(e.file("plain.exe"), "MZ but nothing more");
  MainWindow &w = e.StartWithBar({{WinName(e.file("plain.exe")) + ",4", "cm_Copy", "", "", "", ""},
                                  {WinName(e.file("none.txt")) + ",2", "cm_Move", "", "", "", ""}});
  const std::string program = WinName(e.file("plain.exe"));
  QCOMPARE(Field(e, 0, bfIconRef), program);
  QCOMPARE(w.editor->iconFileEdit->text().toStdString(), program);
  QVERIFY(e.Bar().Modified);
  QCOMPARE(w.editor->iconList->Count(), 0);
  // A missing file without association keeps its reference.
  QTest::mouseClick(w.barList->viewport(), Qt::LeftButton, {}, CellCentre(*w.barList, 1));
  QCOMPARE(Field(e, 1, bfIconRef), WinName(e.file("none.txt")) + ",2");
  QCOMPARE(w.editor->iconIndexLabel->text(), QStringLiteral("2"));
}

void TestEditor::iconFileDialog() {
  TEditor e;
  WriteText(e.file("m.dll"), fixtures::BuildIconModule(3));
  MainWindow &w = e.StartWithBar({{"", "cm_Copy", "", "", "", ""}});
  e.dialogs.openAnswers = {std::nullopt, WinName(e.file("m.dll"))};
  QTest::mouseClick(w.editor->chooseIconFileButton, Qt::LeftButton);
  QVERIFY(!e.Bar().Modified);
  QTest::mouseClick(w.editor->chooseIconFileButton, Qt::LeftButton);
  QCOMPARE(e.dialogs.filters.back(),
           std::string("*.exe,*.dll,*.ico,*.icl,*.png,*.svg|*.exe;*.dll;*.ico;*.icl;*.png;*.svg|"
                       "*.*|*.*"));
  QCOMPARE(Field(e, 0, bfIconRef), WinName(e.file("m.dll")) + ",0");
  QCOMPARE(w.editor->iconList->Count(), 3);
  QCOMPARE(w.editor->iconList->ItemIndex(), 0);
  QVERIFY(w.cacheBox->isEnabled());
  QVERIFY(!w.cacheModePanel->isEnabled());
  QCOMPARE(w.EnteredText, std::string("-1-"));
}

// The picture goes into a new library, then into the same one after its first icon; undo
// takes back the reference (the library stays written); a 16-bit library is refused.
void TestEditor::pictureBecomesAnIconOfTheChosenLibrary() {
  TEditor e;
  WriteText(e.file("sun.png"), fixtures::MakePng(64, 64, std::vector<uint32_t>(64 * 64, ~0u)));
  WriteProgramIcons(e.file("old.icl"));
  MainWindow &w = e.StartWithBar({{"", "cm_Copy", "", "", "", "a.ico,3"}});
  const std::string lib = WinName(e.file("lib.icl"));
  for (int n = 0; n < 3; ++n) {
    e.dialogs.openAnswers.push_back(WinName(e.file("sun.png")));
    e.dialogs.answers.push_back(ui::TAnswer::Yes);
  }
  e.dialogs.saveAnswers = {lib, lib.substr(0, lib.size() - 4), WinName(e.file("old.icl"))};
  QTest::mouseClick(w.editor->chooseIconFileButton, Qt::LeftButton);
  QCOMPARE(e.dialogs.saveSuggestions.front(), WinName(e.file("icons.icl")));
  QCOMPARE(Field(e, 0, bfIconRef), lib + ",0");
  QTest::mouseClick(w.editor->chooseIconFileButton, Qt::LeftButton);
  QCOMPARE(Field(e, 0, bfIconRef), lib + ",1");
  QCOMPARE(w.editor->iconIndexLabel->text(), QStringLiteral("1"));
  QCOMPARE(w.editor->iconList->Count(), 2);
  icons::TIconLibrary written;
  written.LoadFromFile(lib);
  QCOMPARE(written.Icons.Objects(1)->Images.Count(), uint16_t(8));

  QTest::keyClick(w.barList, Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(Field(e, 0, bfIconRef), lib + ",0");
  QVERIFY(e.dialogs.errors.empty());

  QTest::mouseClick(w.editor->chooseIconFileButton, Qt::LeftButton);
  QCOMPARE(e.dialogs.errors.size(), size_t(1));
  QVERIFY(e.dialogs.errors[0].find("16-bit") != std::string::npos);
  QCOMPARE(Field(e, 0, bfIconRef), lib + ",0");
}

void TestEditor::commandFileChooserFillsTheButton() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "", "", "", "", ""}});
  e.dialogs.openAnswers = {std::string("C:\\Tools\\tool.exe")};
  QTest::mouseClick(w.editor->chooseProgramButton, Qt::LeftButton);
  QCOMPARE(e.dialogs.filters.back(), std::string("*.*|*.*"));
  QCOMPARE(Field(e, 0, bfCommand), std::string("C:\\Tools\\tool.exe"));
  QCOMPARE(Field(e, 0, bfStartPath), std::string("C:\\Tools\\"));
  QCOMPARE(Field(e, 0, bfIconRef), std::string("C:\\Tools\\tool.exe,0"));
  QCOMPARE(Field(e, 0, bfTooltip), std::string("tool"));
  // Another program keeps the tooltip the button has.
  e.dialogs.openAnswers = {std::string("C:\\Tools\\other.exe")};
  QTest::mouseClick(w.editor->chooseProgramButton, Qt::LeftButton);
  QCOMPARE(Field(e, 0, bfCommand), std::string("C:\\Tools\\other.exe"));
  QCOMPARE(Field(e, 0, bfTooltip), std::string("tool"));
}

// Rows: how the file comes in, the file (below the test's folder; "tc" is Total
// Commander's), and the command and icon reference the button then holds ("@" stands for
// the test folder's Windows name).
void TestEditor::choosersWriteWhatTheCheckAccepts_data() {
  QTest::addColumn<QString>("chooser"); // "command", "icon" or "drop"
  QTest::addColumn<QString>("file");
  QTest::addColumn<QString>("command");
  QTest::addColumn<QString>("icon");
  const QString inside = QStringLiteral("%COMMANDER_PATH%\\tools\\Sums.exe");
  const QString outside = QStringLiteral("@\\other\\Sums.exe");
  for (const char *chooser : {"command", "drop"}) {
    QTest::addRow("%s inside Total Commander's folder", chooser)
        << chooser << "tc/tools/Sums.exe" << inside << inside + ",0";
    QTest::addRow("%s outside", chooser)
        << chooser << "other/Sums.exe" << outside << outside + ",0";
  }
  QTest::newRow("icon inside Total Commander's folder") << "icon"
                                                        << "tc/tools/Sums.exe"
                                                        << "cm_Copy" << inside + ",0";
  QTest::newRow("icon outside") << "icon"
                                << "other/Sums.exe"
                                << "cm_Copy" << outside + ",0";
}

void TestEditor::choosersWriteWhatTheCheckAccepts() {
  QFETCH(QString, chooser);
  QFETCH(QString, file);
  QFETCH(QString, command);
  QFETCH(QString, icon);
  TEditor e;
  testsupport::TcInstallation tc(e.file("tc"));
  const fs::path chosen = e.file(file.toStdString());
  WriteText(chosen, fixtures::BuildIconModule(2));
  MainWindow &w = e.StartWithBar({{"", "cm_Copy", "", "", "", ""}});
  e.dialogs.openAnswers = {WinName(chosen)};
  if (chooser == "command")
    QTest::mouseClick(w.editor->chooseProgramButton, Qt::LeftButton);
  else if (chooser == "icon")
    QTest::mouseClick(w.editor->chooseIconFileButton, Qt::LeftButton);
  else
    Drop(w, {chosen}, CellCentre(*w.barList, 0));
  const int s = w.barList->ItemIndex();
  const QString dir = QString::fromStdString(WinName(e.dir.path()));
  QCOMPARE(Field(e, s, bfCommand), command.replace('@', dir).toStdString());
  QCOMPARE(Field(e, s, bfIconRef), icon.replace('@', dir).toStdString());
  QCOMPARE(w.editor->iconList->Count(), 2);
  // Nothing the choice wrote is a problem of the check.
  for (const doctor::Problem &problem : w.Problems())
    QVERIFY2(problem.Button != s, problem.Message.c_str());
}

// Rows: the icon file as the bar writes it, and where that file lies below the test's
// folder, in another letter case ("@" as above).
void TestEditor::iconFileKeepsItsLetterCase_data() {
  QTest::addColumn<QString>("written");
  QTest::addColumn<QString>("file");
  QTest::newRow("variable") << "%COMMANDER_PATH%\\tools\\Notes.exe"
                            << "tc/tools/notes.exe";
  QTest::newRow("drive path") << "@\\Icons\\Tools.DLL"
                              << "icons/tools.dll";
}

// Lookups ignore the letter case; what is shown and saved keeps it.
void TestEditor::iconFileKeepsItsLetterCase() {
  QFETCH(QString, written);
  QFETCH(QString, file);
  TEditor e;
  testsupport::TcInstallation tc(e.file("tc"));
  WriteText(e.file(file.toStdString()), fixtures::BuildIconModule(3));
  const std::string name =
      written.replace('@', QString::fromStdString(WinName(e.dir.path()))).toStdString();
  MainWindow &w = e.StartWithBar({{name + ",0", "cm_Copy", "", "", "", ""}});
  QCOMPARE(w.editor->iconFileEdit->Bytes(), name);
  QCOMPARE(w.editor->iconList->Count(), 3);
  QVERIFY(!e.Bar().Modified);
  TOwnerDrawList &picker = *w.editor->iconList;
  QTest::mouseClick(picker.viewport(), Qt::LeftButton, {}, CellCentre(picker, 2));
  QTest::mouseClick(w.editor->Ok, Qt::LeftButton);
  QVERIFY(testsupport::ReadBytes(e.file("t.bar")).find("button1=" + name + ",2\r\n") !=
          std::string::npos);
}

void TestEditor::runModeIsWrittenAndShown() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}, {"", "cm_B", "", "", "", ""}});
  QTest::mouseClick(w.editor->runMaximized, Qt::LeftButton, {}, QPoint(6, 8));
  QCOMPARE(Field(e, 0, bfRunMode), std::string("-1"));
  QTest::mouseClick(w.barList->viewport(), Qt::LeftButton, {}, CellCentre(*w.barList, 1));
  QVERIFY(w.editor->runNormal->isChecked());
  QTest::mouseClick(w.barList->viewport(), Qt::LeftButton, {}, CellCentre(*w.barList, 0));
  QVERIFY(w.editor->runMaximized->isChecked());
  QTest::mouseClick(w.editor->runMinimized, Qt::LeftButton, {}, QPoint(6, 8));
  QCOMPARE(Field(e, 0, bfRunMode), std::string("1"));
  QCOMPARE(Field(e, 1, bfRunMode), std::string("0"));
}

void TestEditor::unknownRunModeLeavesTheRadioButtons() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", "-1"}, {"", "cm_B", "", "", "", "2"}});
  QVERIFY(w.editor->runMaximized->isChecked());
  QTest::mouseClick(w.barList->viewport(), Qt::LeftButton, {}, CellCentre(*w.barList, 1));
  QCOMPARE(w.editor->commandEdit->text(), QStringLiteral("cm_B"));
  QVERIFY(w.editor->runMaximized->isChecked());
  QCOMPARE(Field(e, 1, bfRunMode), std::string("2"));
}

void TestEditor::parameterMenuInsertsTheTextBeforeTheDash_data() {
  QTest::addColumn<QString>("item");
  QTest::addColumn<QString>("expected");
  QTest::newRow("text before the dash, blank kept") << "%P - source path"
                                                    << "a%P b";
  QTest::newRow("without dash whole") << "%N"
                                      << "a%Nb";
  QTest::newRow("ampersands removed") << "%&T&& - target"
                                      << "a%T b";
  QTest::newRow("dash at the start gives nothing") << "-x"
                                                   << "ab";
}

void TestEditor::parameterMenuInsertsTheTextBeforeTheDash() {
  QFETCH(QString, item);
  TEditor e;
  WriteText(e.bin() / "English.lng", "[params]\r\n" + item.toStdString() + "\r\n");
  MainWindow &w = e.StartWithBar({{"", "cm_A", "aXXb", "", "", ""}});
  QCOMPARE(w.paramMenu->actions().size(), 1);
  w.editor->paramsEdit->setSelection(1, 2); // the caret's selection is replaced
  QTest::mouseClick(w.editor->paramMenuButton, Qt::LeftButton);
  QVERIFY(w.paramMenu->isVisible());
  w.paramMenu->actions()[0]->trigger();
  w.paramMenu->hide();
  QTEST(w.editor->paramsEdit->text(), "expected");
  QCOMPARE(QString::fromStdString(Field(e, 0, bfParams)), w.editor->paramsEdit->text());
}

void TestEditor::pathMenuNeedsTheRightButtonHeld() {
  TEditor e;
  e.Ini("[paths]\r\nC:\\x\\\r\n");
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}});
  TFieldEdit *start = w.editor->startPathEdit;
  QTest::mousePress(start, Qt::RightButton, {}, QPoint(5, 5));
  QCOMPARE(w.PathMenuTarget, 3);
  QVERIFY(w.pathMenuTimer->isActive());
  QTest::mouseRelease(start, Qt::RightButton, {}, QPoint(5, 5));
  QVERIFY(!w.pathMenuTimer->isActive());
  QTest::qWait(400);
  QVERIFY(!w.pathMenu->isVisible());

  QTest::mousePress(w.editor->iconFileEdit, Qt::RightButton, {}, QPoint(5, 5));
  QCOMPARE(w.PathMenuTarget, 4);
  QTRY_VERIFY_WITH_TIMEOUT(w.pathMenu->isVisible(), 2000);
  QVERIFY(!w.pathMenuTimer->isActive());
  w.pathMenu->hide();
  QTest::mouseRelease(w.editor->iconFileEdit, Qt::RightButton, {}, QPoint(5, 5));
}

void TestEditor::pathMenuItemGoesWholeIntoTheTargetField() {
  TEditor e;
  e.Ini("[paths]\r\nC:\\my-&tools\\\r\n");
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}});
  QTest::mousePress(w.editor->commandEdit, Qt::RightButton, {}, QPoint(5, 5));
  QTest::mouseRelease(w.editor->commandEdit, Qt::RightButton, {}, QPoint(5, 5));
  w.editor->commandEdit->setCursorPosition(0);
  w.pathMenu->actions()[0]->trigger();
  QCOMPARE(w.editor->commandEdit->text(), QStringLiteral("C:\\my-tools\\cm_A"));
  QCOMPARE(Field(e, 0, bfCommand), std::string("C:\\my-tools\\cm_A"));
}

// In Parameters and Start path the menu key, or Alt+Down as in a combo box, opens the
// field's menu below it, and its item goes into that field. The button names a sub-bar,
// which Alt+Down elsewhere would open.
void TestEditor::fieldMenusOpenFromTheKeyboard_data() {
  QTest::addColumn<bool>("params");  // else Start path
  QTest::addColumn<bool>("altDown"); // else the menu key
  QTest::addColumn<QString>("written");
  QTest::newRow("Parameters, menu key") << true << false << "%P ";
  QTest::newRow("Parameters, Alt+Down") << true << true << "%P ";
  QTest::newRow("Start path, menu key") << false << false << "C:\\x\\";
  QTest::newRow("Start path, Alt+Down") << false << true << "C:\\x\\";
}

void TestEditor::fieldMenusOpenFromTheKeyboard() {
  QFETCH(bool, params);
  QFETCH(bool, altDown);
  QFETCH(QString, written);
  TEditor e;
  WriteText(e.bin() / "English.lng", "[params]\r\n%P - the source\r\n");
  e.Ini("[paths]\r\nC:\\x\\\r\n");
  WriteBar(e.file("sub.bar"), {{"", "cm_X", "", "", "", ""}});
  MainWindow &w = e.StartWithBar({{"", WinName(e.file("sub.bar")), "", "", "", ""}});
  TFieldEdit *field = params ? w.editor->paramsEdit : w.editor->startPathEdit;
  QMenu *menu = params ? w.paramMenu : w.pathMenu;
  field->setFocus(Qt::TabFocusReason);
  QTest::keyClick(field, altDown ? Qt::Key_Down : Qt::Key_Menu,
                  altDown ? Qt::AltModifier : Qt::NoModifier);
  QVERIFY(menu->isVisible());
  QCOMPARE(menu->pos(), field->mapToGlobal(QPoint(0, field->height())));
  menu->actions()[0]->trigger();
  menu->hide();
  QCOMPARE(field->text(), written);
  QCOMPARE(w.CurrentFileName, WinName(e.file("t.bar")));
}

void TestEditor::okSavesUnderTheBarsName() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}});
  TypeAndLeave(w, w.editor->tooltipEdit, "Saved tip");
  QTest::mouseClick(w.editor->Ok, Qt::LeftButton);
  QVERIFY(!w.isVisible());
  QVERIFY(!e.Bar().Modified);
  QVERIFY(testsupport::ReadBytes(e.file("t.bar")).find("menu1=Saved tip") != std::string::npos);
  QVERIFY(e.dialogs.filters.empty());
}

void TestEditor::okOnANewBarAsksForANameAndAppendsBar() {
  TEditor e;
  MainWindow &w = e.Start();
  TypeAndLeave(w, w.editor->commandEdit, "cm_New");
  e.dialogs.saveAnswers = {WinName(e.file("fresh"))};
  QTest::mouseClick(w.editor->Ok, Qt::LeftButton);
  QCOMPARE(e.dialogs.filters.back(), std::string("*.bar|*.bar|*.*|*.*"));
  QVERIFY(fs::exists(e.file("fresh.bar")));
  QVERIFY(testsupport::ReadBytes(e.file("fresh.bar")).find("cmd1=cm_New") != std::string::npos);
  QVERIFY(!w.isVisible());
}

void TestEditor::okWhoseDialogIsCancelledKeepsTheWindow() {
  TEditor e;
  MainWindow &w = e.Start();
  TypeAndLeave(w, w.editor->commandEdit, "cm_Keep");
  QTest::mouseClick(w.editor->Ok, Qt::LeftButton);
  QCOMPARE(e.dialogs.filters.size(), size_t(1));
  QVERIFY(w.isVisible());
  QCOMPARE(Field(e, 0, bfCommand), std::string("cm_Keep"));
  QVERIFY(e.Bar().Modified);
  QVERIFY(!QApplication::overrideCursor());
}

void TestEditor::okWhoseSaveFailsKeepsTheWindowAndSaysWhy() {
  TEditor e;
  MainWindow &w = e.Start();
  e.dialogs.saveAnswers = {WinName(e.file("no-such-folder") / "x.bar")};
  QTest::mouseClick(w.editor->Ok, Qt::LeftButton);
  QCOMPARE(e.dialogs.errors.size(), size_t(1));
  QVERIFY(w.isVisible());
  QVERIFY(e.Bar().Modified);
  QVERIFY(!QApplication::overrideCursor());
}

void TestEditor::returnKeyCommitsTheFieldAndPressesOk() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}});
  Enter(w.editor->paramsEdit);
  QTest::keyClicks(w.editor->paramsEdit, "%N");
  QTest::keyClick(w.editor->paramsEdit, Qt::Key_Return);
  QVERIFY(!w.isVisible());
  QVERIFY(testsupport::ReadBytes(e.file("t.bar")).find("param1=%N") != std::string::npos);
}

void TestEditor::escapeKeyPressesCancel() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}});
  QTest::keyClick(w.barList, Qt::Key_Escape);
  QVERIFY(!w.isVisible());
  QVERIFY(testsupport::ReadBytes(e.file("t.bar")).find("cm_A") != std::string::npos);
}

void TestEditor::textOutsideTheCodePageKeepsItsBytes() {
  TEditor e;
  // Windows-1252 "Größe" and a value marked as UTF-8.
  MainWindow &w = e.StartWithBar({{"", "cm_A",
                                   "Gr\xF6\xDF"
                                   "e",
                                   "", "\xEF\xBB\xBF\xE2\x82\xAC\xE2\x86\x92", ""}});
  QCOMPARE(w.editor->paramsEdit->text(), QStringLiteral("Größe"));
  QCOMPARE(w.editor->tooltipEdit->text(), QStringLiteral("€→"));
  TypeAndLeave(w, w.editor->paramsEdit, QStringLiteral("€ ok"));
  QCOMPARE(Field(e, 0, bfParams), std::string("\x80 ok"));
  TypeAndLeave(w, w.editor->startPathEdit, QStringLiteral("→x"));
  QCOMPARE(Field(e, 0, bfStartPath), std::string("\xEF\xBB\xBF\xE2\x86\x92x"));
  // Entering and leaving the marked value keeps its bytes.
  TypeAndLeave(w, w.editor->tooltipEdit, QString(), false);
  QCOMPARE(Field(e, 0, bfTooltip), std::string("\xEF\xBB\xBF\xE2\x82\xAC\xE2\x86\x92"));
}

QTEST_MAIN(TestEditor)
#include "test_editor.moc"
