// Opening another bar, the question on closing, files dropped onto the bar list, the
// default icon library, and saving with each cache mode.
#include "UiHarness.h"

#include "document/FileNames.h"
#include "fixtures/PeBuilder.h"
#include "support/TcInstallation.h"
#include "ui/ButtonEditor.h"
#include "ui/FieldEdit.h"

#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>

using namespace uitest;

namespace {

const std::string BarFilter = "*.bar|*.bar|*.*|*.*";

// Gives the field the focus, types a new text and moves on, so that it is committed.
void TypeAndLeave(MainWindow &w, TFieldEdit *field, const QString &text) {
  field->setFocus(Qt::MouseFocusReason);
  field->selectAll();
  QTest::keyClicks(field, text);
  w.barList->setFocus(Qt::MouseFocusReason);
}

std::vector<std::string> Commands(const ButtonBar &bar) {
  std::vector<std::string> out;
  for (int i = 0; i < bar.Count(); ++i)
    out.push_back(bar.GetField(i, bfCommand));
  return out;
}

// A key of a written bar file as the profile functions read it, "<none>" when missing.
std::string Key(const fs::path &file, const char *section, const std::string &key) {
  platform::FlushProfileCache();
  return platform::ReadProfileString(section, key, "<none>", WinName(file), 260);
}

// Drops files from the file manager at a point of the bar list, as Qt delivers it: the
// drag enters, then the drop.

// The Windows name of a host file, its folder with the trailing "\" and its bare name.
struct TDropped {
  std::string name;
  std::string folder;
  std::string tip;
};

TDropped Dropped(const fs::path &file) {
  const std::string name = WinName(file);
  return {name, ExtractFilePath(name), file.stem().string()};
}

void VerifyDroppedButton(TEditor &e, int position, const fs::path &file) {
  const TDropped d = Dropped(file);
  QCOMPARE(e.Bar().GetField(position, bfCommand), d.name);
  QCOMPARE(e.Bar().GetField(position, bfStartPath), d.folder);
  QCOMPARE(e.Bar().GetField(position, bfIconRef), d.name + ",0");
  QCOMPARE(e.Bar().GetField(position, bfTooltip), d.tip);
}

} // namespace

class TestFiles : public QObject {
  Q_OBJECT
private slots:
  void openingShowsTheBarItsCaptionAndFirstButton();
  void openingUsesTheTranslatedCaptionAndQuestion();
  void bareNameOpensFromTheCurrentDirectory();
  void cancelledOpenDialogKeepsTheBar();
  void openDialogsStartWhereTheUserIs_data();
  void openDialogsStartWhereTheUserIs();
  void yesSavesAsOkDoesBeforeAnotherBarOpens_data();
  void yesSavesAsOkDoesBeforeAnotherBarOpens();
  void noDropsTheEditsAndOpens();
  void openingIsCancelledWithoutAPlainAnswer_data();
  void openingIsCancelledWithoutAPlainAnswer();
  void fileThatIsNoBarIsRefusedInTheUsersLanguageAndNeverWritten();
  void untrustedCountIsAskedAbout_data();
  void untrustedCountIsAskedAbout();
  void openingAppliesTheDefaultCache_data();
  void openingAppliesTheDefaultCache();
  void closeQuery_data();
  void closeQuery();
  void twoFilesDroppedWithoutShiftAreAppendedInOrder();
  void fileDroppedWithShiftOverNoCellGoesFirst();
  void filesDroppedWithShiftStandAfterTheCellInReverse();
  void droppedFolderRunsFromItsParent();
  void onlyLocalFilesAreTaken();
  void defaultIconLibrary_data();
  void defaultIconLibrary();
  void savingOnCloseWritesEachCacheMode_data();
  void savingOnCloseWritesEachCacheMode();
};

void TestFiles::openingShowsTheBarItsCaptionAndFirstButton() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_Old", "", "", "", ""}});
  WriteBar(e.file("three.bar"), {{"", "cm_One", "-a", "", "", ""},
                                 {"", "cm_Two", "", "", "", ""},
                                 {"", "cm_Three", "", "", "", ""}});
  const std::string name = WinName(e.file("three.bar"));
  e.dialogs.openAnswers = {name};
  QTest::mouseClick(w.openBarButton, Qt::LeftButton);
  QVERIFY(e.dialogs.questions.empty());
  QCOMPARE(e.dialogs.filters, std::vector<std::string>{BarFilter});
  QCOMPARE(w.barList->Count(), 3);
  QCOMPARE(Commands(e.Bar()), (std::vector<std::string>{"cm_One", "cm_Two", "cm_Three"}));
  QCOMPARE(w.barList->ItemIndex(), 0);
  QCOMPARE(w.editor->commandEdit->Bytes(), std::string("cm_One"));
  QCOMPARE(w.editor->paramsEdit->Bytes(), std::string("-a"));
  QCOMPARE(w.barCaption->text(), QString::fromStdString("Button Bar: " + name));
  QCOMPARE(w.CurrentFileName, name);
  QVERIFY(!e.Bar().Modified);
}

void TestFiles::openingUsesTheTranslatedCaptionAndQuestion() {
  TEditor e;
  WriteText(e.bin() / "English.lng", "5065=\"Leiste:\"\r\nSaveAskMsg=Sichern?\r\n");
  MainWindow &w = e.Start();
  WriteBar(e.file("one.bar"), {{"", "cm_One", "", "", "", ""}});
  e.dialogs.answers = {ui::TAnswer::No};
  e.dialogs.openAnswers = {WinName(e.file("one.bar"))};
  QTest::mouseClick(w.openBarButton, Qt::LeftButton);
  QCOMPARE(e.dialogs.questions, std::vector<std::string>{"Sichern?"});
  QCOMPARE(w.barCaption->text(), QString::fromStdString("Leiste: " + WinName(e.file("one.bar"))));
}

void TestFiles::bareNameOpensFromTheCurrentDirectory() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_Old", "", "", "", ""}});
  WriteBar(e.file("here.bar"), {{"", "cm_Here", "", "", "", ""}});
  const QString before = QDir::currentPath();
  QVERIFY(QDir::setCurrent(QString::fromStdString(e.dir.path().string())));
  e.dialogs.openAnswers = {std::string("here.bar")};
  QTest::mouseClick(w.openBarButton, Qt::LeftButton);
  QDir::setCurrent(before);
  QCOMPARE(w.CurrentFileName, WinName(e.file("here.bar")));
  QCOMPARE(Commands(e.Bar()), std::vector<std::string>{"cm_Here"});
}

// Cancel in the open dialog keeps the open bar, edits and name, so that OK saves it to
// its own file.
void TestFiles::cancelledOpenDialogKeepsTheBar() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}, {"", "cm_B", "", "", "", ""}});
  TypeAndLeave(w, w.editor->paramsEdit, "kept");
  const ButtonBar *before = w.Bar();
  e.dialogs.answers = {ui::TAnswer::No};
  QTest::mouseClick(w.openBarButton, Qt::LeftButton);
  QCOMPARE(e.dialogs.openFolders.size(), size_t(1));
  QCOMPARE(w.Bar(), before);
  QCOMPARE(w.barList->Count(), 2);
  QCOMPARE(w.CurrentFileName, WinName(e.file("t.bar")));
  QCOMPARE(w.editor->paramsEdit->Bytes(), std::string("kept"));
  QVERIFY(e.Bar().Modified);
  QTest::mouseClick(w.editor->Ok, Qt::LeftButton);
  QVERIFY(e.dialogs.saveSuggestions.empty());
  QCOMPARE(Key(e.file("t.bar"), "Buttonbar", "param1"), std::string("kept"));
  QCOMPARE(Key(e.file("t.bar"), "Buttonbar", "cmd2"), std::string("cm_B"));
}

// Rows: the ">>" button pressed, the button's icon reference and command, and the
// folder the dialog starts in, below the test's folder ("tc" is Total Commander's; the
// bar lies in "bars").
void TestFiles::openDialogsStartWhereTheUserIs_data() {
  QTest::addColumn<QString>("chooser"); // "bar", "icon" or "command"
  QTest::addColumn<QString>("icon");
  QTest::addColumn<QString>("command");
  QTest::addColumn<QString>("folder");
  QTest::newRow("bar: the bar's folder") << "bar"
                                         << ""
                                         << "cm_Copy"
                                         << "bars";
  QTest::newRow("icon file: its folder") << "icon"
                                         << "%COMMANDER_PATH%\\icons\\Star.ico,1"
                                         << "cm_Copy"
                                         << "tc/icons";
  QTest::newRow("command: its program's folder, found as the check finds it")
      << "command"
      << ""
      << "tools\\Sums.exe /x"
      << "tc/tools";
  QTest::newRow("command in a folder that is gone: the nearest one there")
      << "command"
      << ""
      << "%COMMANDER_PATH%\\gone\\x.exe"
      << "tc";
  QTest::newRow("no icon file: Total Commander's folder") << "icon"
                                                          << ""
                                                          << "cm_Copy"
                                                          << "tc";
}

void TestFiles::openDialogsStartWhereTheUserIs() {
  QFETCH(QString, chooser);
  QFETCH(QString, icon);
  QFETCH(QString, command);
  QFETCH(QString, folder);
  TEditor e;
  testsupport::TcInstallation tc(e.file("tc"));
  tc.Write("icons/star.ico", SolidIco(0xFF00FF00));
  tc.Write("tools/sums.exe", fixtures::BuildIconModule(1));
  MainWindow &w =
      e.StartWithBar({{icon.toStdString(), command.toStdString(), "", "", "", ""}}, "bars/t.bar");
  QPushButton *button = chooser == "bar"    ? w.openBarButton
                        : chooser == "icon" ? w.editor->chooseIconFileButton
                                            : w.editor->chooseProgramButton;
  QTest::mouseClick(button, Qt::LeftButton);
  QCOMPARE(e.dialogs.openFolders,
           std::vector<std::string>{WinName(e.file(folder.toStdString())) + "\\"});
}

// Yes before another bar opens (">>", Alt+Down to a sub-bar, Alt+Up back) saves as OK
// does: to the bar's own file without a dialog; only a bar never saved asks for a name,
// offering a new one where bars are kept.
void TestFiles::yesSavesAsOkDoesBeforeAnotherBarOpens_data() {
  QTest::addColumn<QString>("way"); // ">>", "sub-bar" or "back"
  QTest::addColumn<bool>("named");
  QTest::addColumn<QString>("written"); // the file that holds the edit afterwards
  QTest::addColumn<QString>("shown");   // the bar open afterwards
  QTest::newRow(">>, named bar") << ">>" << true << "main.bar"
                                 << "tools.bar";
  QTest::newRow("sub-bar, named bar") << "sub-bar" << true << "main.bar"
                                      << "tools.bar";
  QTest::newRow("back, named bar") << "back" << true << "tools.bar"
                                   << "main.bar";
  QTest::newRow(">>, new bar") << ">>" << false << "saved.bar"
                               << "tools.bar";
  QTest::newRow("sub-bar, new bar") << "sub-bar" << false << "saved.bar"
                                    << "tools.bar";
}

void TestFiles::yesSavesAsOkDoesBeforeAnotherBarOpens() {
  QFETCH(QString, way);
  QFETCH(bool, named);
  QFETCH(QString, written);
  QFETCH(QString, shown);
  TEditor e;
  testsupport::TcInstallation tc(e.file("tc"));
  const std::string tools = WinName(e.file("tools.bar"));
  WriteBar(e.file("tools.bar"), {{"", "cm_X", "", "", "", ""}});
  WriteBar(e.file("main.bar"), {{"", tools, "", "", "", ""}});
  MainWindow &w =
      named ? e.Start({QString::fromStdString(e.file("main.bar").string())}) : e.Start();
  if (!named)
    TypeAndLeave(w, w.editor->commandEdit, QString::fromStdString(tools));
  if (way == "back")
    QTest::keyClick(w.barList, Qt::Key_Down, Qt::AltModifier);
  TypeAndLeave(w, w.editor->paramsEdit, "edited");
  e.dialogs.answers = {ui::TAnswer::Yes};
  e.dialogs.saveAnswers = {WinName(e.file("saved.bar"))};
  e.dialogs.openAnswers = {tools};
  if (way == ">>")
    QTest::mouseClick(w.openBarButton, Qt::LeftButton);
  else
    QTest::keyClick(w.barList, way == "back" ? Qt::Key_Up : Qt::Key_Down, Qt::AltModifier);
  QCOMPARE(e.dialogs.questions, std::vector<std::string>{"SaveAskMsg"});
  QCOMPARE(e.dialogs.saveSuggestions,
           named ? std::vector<std::string>{}
                 : std::vector<std::string>{WinName(e.file("tc")) + "\\new.bar"});
  QCOMPARE(Key(e.file(written.toStdString()), "Buttonbar", "param1"), std::string("edited"));
  QCOMPARE(fs::exists(e.file("saved.bar")), !named);
  QCOMPARE(w.CurrentFileName, WinName(e.file(shown.toStdString())));
  QVERIFY(!e.Bar().Modified);
}

void TestFiles::noDropsTheEditsAndOpens() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}});
  TypeAndLeave(w, w.editor->paramsEdit, "lost");
  WriteBar(e.file("next.bar"), {{"", "cm_Next", "", "", "", ""}});
  e.dialogs.answers = {ui::TAnswer::No};
  e.dialogs.openAnswers = {WinName(e.file("next.bar"))};
  QTest::mouseClick(w.openBarButton, Qt::LeftButton);
  QCOMPARE(e.dialogs.filters, std::vector<std::string>{BarFilter});
  QCOMPARE(Commands(e.Bar()), std::vector<std::string>{"cm_Next"});
  QCOMPARE(Key(e.file("t.bar"), "Buttonbar", "param1"), std::string("<none>"));
}

// Only a plain No gives up the edits: a closed box, a cancelled save dialog or a failed
// save keep the bar, edits and all, and show no open dialog. The bar was never saved, so
// Yes asks for a name.
void TestFiles::openingIsCancelledWithoutAPlainAnswer_data() {
  QTest::addColumn<int>("answer");
  QTest::addColumn<bool>("saveCancelled");
  QTest::addColumn<int>("errors");
  QTest::newRow("question box closed") << int(ui::TAnswer::Closed) << false << 0;
  QTest::newRow("yes, save dialog cancelled") << int(ui::TAnswer::Yes) << true << 0;
  QTest::newRow("yes, save fails") << int(ui::TAnswer::Yes) << false << 1;
}

void TestFiles::openingIsCancelledWithoutAPlainAnswer() {
  QFETCH(int, answer);
  QFETCH(bool, saveCancelled);
  QFETCH(int, errors);
  TEditor e;
  MainWindow &w = e.Start();
  TypeAndLeave(w, w.editor->commandEdit, "cm_A");
  TypeAndLeave(w, w.editor->paramsEdit, "kept");
  const ButtonBar *before = w.Bar();
  WriteBar(e.file("next.bar"), {{"", "cm_Next", "", "", "", ""}});
  e.dialogs.answers = {ui::TAnswer(answer)};
  e.dialogs.saveAnswers = {
      saveCancelled ? std::nullopt : std::optional(WinName(e.file("no-such-folder") / "x.bar"))};
  e.dialogs.openAnswers = {WinName(e.file("next.bar"))};
  QTest::mouseClick(w.openBarButton, Qt::LeftButton);
  QCOMPARE(e.dialogs.errors.size(), size_t(errors));
  QCOMPARE(e.dialogs.openAnswers.size(), size_t(1));
  QCOMPARE(w.Bar(), before);
  QCOMPARE(Commands(e.Bar()), std::vector<std::string>{"cm_A"});
  QCOMPARE(e.Bar().GetField(0, bfParams), std::string("kept"));
  QVERIFY(e.Bar().Modified);
  QCOMPARE(w.barList->Count(), 1);
  QVERIFY(w.CurrentFileName.empty());
}

// A bar holding buttons up to 3 without a count: Yes opens it with three buttons,
// modified; No opens nothing and leaves the open bar as it was, with no error.
void TestFiles::untrustedCountIsAskedAbout_data() {
  QTest::addColumn<bool>("yes");
  QTest::newRow("yes") << true;
  QTest::newRow("no") << false;
}

void TestFiles::untrustedCountIsAskedAbout() {
  QFETCH(bool, yes);
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}});
  const ButtonBar *before = w.Bar();
  WriteText(e.file("nocount.bar"), "[Buttonbar]\r\ncmd1=cm_One\r\nmenu3=Three\r\n");
  const std::string name = WinName(e.file("nocount.bar"));
  e.dialogs.answers = {yes ? ui::TAnswer::Yes : ui::TAnswer::No};
  e.dialogs.openAnswers = {name};
  QTest::mouseClick(w.openBarButton, Qt::LeftButton);
  QCOMPARE(e.dialogs.questions,
           std::vector<std::string>{name + " holds buttons up to number 3, but its button count "
                                           "is missing or smaller. Open it with 3 buttons?"});
  QVERIFY(e.dialogs.errors.empty());
  if (yes) {
    QCOMPARE(w.CurrentFileName, name);
    QCOMPARE(w.barList->Count(), 3);
    QCOMPARE(e.Bar().GetField(2, bfTooltip), std::string("Three"));
    QVERIFY(e.Bar().Modified);
  } else {
    QCOMPARE(w.Bar(), before);
    QCOMPARE(w.CurrentFileName, WinName(e.file("t.bar")));
    QCOMPARE(w.barList->Count(), 1);
  }
}

// A picture opened as a bar once grew by an appended "[Buttonbar]". Refused with ">>", it
// leaves the open bar as it was; started on, the editor has a new, unnamed bar, whose OK
// asks for a name and leaves the picture alone.
void TestFiles::fileThatIsNoBarIsRefusedInTheUsersLanguageAndNeverWritten() {
  TEditor e;
  fs::copy_file(fs::path(CORVANE_BIN_DIR) / "Deutsch.lng", e.bin() / "Deutsch.lng");
  e.Ini("[main]\r\nLanguage=Deutsch\r\n");
  const std::string png = fixtures::MakePng(4, 4, std::vector<uint32_t>(16, 0xFF102030));
  WriteText(e.file("picture.bar"), png);
  const std::string name = WinName(e.file("picture.bar"));
  const std::string refusal = name + " ist keine Buttonleiste: die Datei enth\xe4lt Bin\xe4rdaten";

  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}});
  const ButtonBar *before = w.Bar();
  e.dialogs.openAnswers = {name};
  QTest::mouseClick(w.openBarButton, Qt::LeftButton);
  QCOMPARE(e.dialogs.errors, std::vector<std::string>{refusal});
  QCOMPARE(w.Bar(), before);
  QCOMPARE(w.CurrentFileName, WinName(e.file("t.bar")));
  QCOMPARE(Commands(e.Bar()), std::vector<std::string>{"cm_A"});

  e.dialogs.errors.clear();
  MainWindow &started = e.Start({QString::fromStdString(e.file("picture.bar").string())});
  QCOMPARE(e.dialogs.errors, std::vector<std::string>{refusal});
  QCOMPARE(started.CurrentFileName, std::string());
  QCOMPARE(started.barList->Count(), 1);
  e.dialogs.saveAnswers = {std::nullopt};
  started.OkClick();
  QCOMPARE(e.dialogs.saveSuggestions.size(), size_t(1));
  QVERIFY(started.isVisible());
  QCOMPARE(testsupport::ReadBytes(e.file("picture.bar")), png);
}

void TestFiles::openingAppliesTheDefaultCache_data() {
  QTest::addColumn<int>("defaultCache");
  QTest::addColumn<bool>("cacheBeside");
  QTest::addColumn<bool>("enabled");
  QTest::addColumn<bool>("checked");
  QTest::addColumn<bool>("links");
  QTest::addColumn<bool>("tcmenu");
  QTest::newRow("off, no cache file") << 0 << false << true << false << false << false;
  QTest::newRow("links, no cache file") << 1 << false << true << true << true << false;
  QTest::newRow("tcmenu, no cache file") << 2 << false << true << true << false << true;
  QTest::newRow("off, cache file beside") << 0 << true << false << false << false << false;
  QTest::newRow("links, cache file beside") << 1 << true << false << true << true << false;
}

void TestFiles::openingAppliesTheDefaultCache() {
  QFETCH(int, defaultCache);
  QFETCH(bool, cacheBeside);
  QFETCH(bool, enabled);
  QFETCH(bool, checked);
  QFETCH(bool, links);
  QFETCH(bool, tcmenu);
  TEditor e;
  e.Ini("[main]\r\nDefaultCache=" + std::to_string(defaultCache) + "\r\n");
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}});
  // The former bar's choice differs from the one expected after opening.
  w.cacheBox->setChecked(true);
  (defaultCache == 1 ? w.cacheTcMenuRadio : w.cacheLinksRadio)->setChecked(true);
  WriteBar(e.file("next.bar"), {{"", "cm_Next", "", "", "", ""}});
  if (cacheBeside)
    WriteText(e.file("next.icl"), "cache");
  e.dialogs.openAnswers = {WinName(e.file("next.bar"))};
  QTest::mouseClick(w.openBarButton, Qt::LeftButton);
  QCOMPARE(int(e.Bar().CacheMode), defaultCache);
  QCOMPARE(w.cacheBox->isEnabled(), enabled);
  QCOMPARE(w.cacheBox->isChecked(), checked);
  QCOMPARE(w.cacheModePanel->isEnabled(), checked && enabled);
  QCOMPARE(w.cacheLinksRadio->isChecked(), links);
  QCOMPARE(w.cacheTcMenuRadio->isChecked(), tcmenu);
  QVERIFY(!e.Bar().Modified);
}

// Closing with "AskToSaveOnExit": whether the window closes, what was asked and written.
void TestFiles::closeQuery_data() {
  QTest::addColumn<int>("ask");
  QTest::addColumn<bool>("named");  // started with a bar file
  QTest::addColumn<bool>("edited"); // a field changed before closing
  QTest::addColumn<int>("answer");
  QTest::addColumn<QString>("saveAs"); // the save dialog's answer, "" cancels, "?" fails
  QTest::addColumn<bool>("closes");
  QTest::addColumn<int>("questions");
  QTest::addColumn<QString>("writtenTo"); // the file that holds the edit afterwards
  const int yes = int(ui::TAnswer::Yes);
  const int no = int(ui::TAnswer::No);
  const int closed = int(ui::TAnswer::Closed);
  QTest::newRow("not asked when the setting is 0")
      << 0 << true << true << yes << "" << true << 0 << "";
  QTest::newRow("not asked for an unmodified bar")
      << 1 << true << false << yes << "" << true << 0 << "";
  QTest::newRow("new bar at start counts as modified")
      << 1 << false << false << no << "" << true << 1 << "";
  QTest::newRow("yes writes the bar to its own file")
      << 1 << true << true << yes << "" << true << 1 << "t.bar";
  QTest::newRow("yes on a new bar asks for a name")
      << 1 << false << true << yes << "new" << true << 1 << "new.bar";
  QTest::newRow("yes with the save dialog cancelled stays open")
      << 1 << false << true << yes << "" << false << 1 << "";
  QTest::newRow("yes whose save fails stays open")
      << 1 << false << true << yes << "?" << false << 1 << "";
  QTest::newRow("no closes without saving") << 1 << true << true << no << "" << true << 1 << "";
  QTest::newRow("closed box stays open") << 1 << true << true << closed << "" << false << 1 << "";
}

void TestFiles::closeQuery() {
  QFETCH(int, ask);
  QFETCH(bool, named);
  QFETCH(bool, edited);
  QFETCH(int, answer);
  QFETCH(QString, saveAs);
  QFETCH(bool, closes);
  QFETCH(int, questions);
  QFETCH(QString, writtenTo);
  TEditor e;
  e.Ini("[main]\r\nAskToSaveOnExit=" + std::to_string(ask) + "\r\n");
  if (named)
    e.StartWithBar({{"", "cm_A", "", "", "", ""}});
  else
    e.Start();
  MainWindow &w = *e.main;
  if (edited)
    TypeAndLeave(w, w.editor->paramsEdit, "edit");
  e.dialogs.answers = {ui::TAnswer(answer)};
  if (saveAs == "?")
    e.dialogs.saveAnswers = {WinName(e.file("no-such-folder") / "x.bar")};
  else if (!saveAs.isEmpty())
    e.dialogs.saveAnswers = {WinName(e.file(saveAs.toStdString()))};
  QCOMPARE(w.close(), closes);
  QCOMPARE(w.isVisible(), !closes);
  QCOMPARE(int(e.dialogs.questions.size()), questions);
  if (questions > 0)
    QCOMPARE(e.dialogs.questions.front(), std::string("SaveAskMsg"));
  QCOMPARE(e.dialogs.errors.size(), size_t(saveAs == "?" ? 1 : 0));
  if (!writtenTo.isEmpty()) {
    QCOMPARE(Key(e.file(writtenTo.toStdString()), "Buttonbar", "param1"), std::string("edit"));
    QVERIFY(!e.Bar().Modified);
  } else if (named) {
    QCOMPARE(Key(e.file("t.bar"), "Buttonbar", "param1"), std::string("<none>"));
  }
  if (!closes)
    QVERIFY(e.Bar().Modified);
}

void TestFiles::twoFilesDroppedWithoutShiftAreAppendedInOrder() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}, {"", "cm_B", "", "", "", ""}});
  const fs::path first = e.file("tools/first.ico");
  const fs::path second = e.file("other/second.ico");
  WriteText(first, SolidIco(0xFF112233));
  WriteText(second, SolidIco(0xFF445566));
  w.barList->SetItemIndex(0);
  Drop(w, {first, second}, CellCentre(*w.barList, 0));
  QCOMPARE(w.barList->Count(), 4);
  QCOMPARE(e.Bar().GetField(0, bfCommand), std::string("cm_A"));
  QCOMPARE(e.Bar().GetField(1, bfCommand), std::string("cm_B"));
  VerifyDroppedButton(e, 2, first);
  VerifyDroppedButton(e, 3, second);
  QCOMPARE(w.barList->ItemIndex(), 3);
  QCOMPARE(w.editor->commandEdit->Bytes(), WinName(second));
  QVERIFY(e.Bar().IconHandle(2));
  QVERIFY(e.Bar().IconHandle(3));
  QVERIFY(e.Bar().Modified);
}

void TestFiles::fileDroppedWithShiftOverNoCellGoesFirst() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}, {"", "cm_B", "", "", "", ""}});
  const fs::path file = e.file("tool.ico");
  WriteText(file, SolidIco(0xFF112233));
  // Right of the last cell: over no cell.
  Drop(w, {file}, CellCentre(*w.barList, 5), Qt::ShiftModifier);
  QCOMPARE(w.barList->Count(), 3);
  VerifyDroppedButton(e, 0, file);
  QCOMPARE(e.Bar().GetField(1, bfCommand), std::string("cm_A"));
  QCOMPARE(w.barList->ItemIndex(), 0);
}

void TestFiles::filesDroppedWithShiftStandAfterTheCellInReverse() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}, {"", "cm_B", "", "", "", ""}});
  const fs::path one = e.file("one.ico");
  const fs::path two = e.file("two.ico");
  WriteText(one, SolidIco(0xFF112233));
  WriteText(two, SolidIco(0xFF445566));
  Drop(w, {one, two}, CellCentre(*w.barList, 0), Qt::ShiftModifier);
  QCOMPARE(w.barList->Count(), 4);
  QCOMPARE(e.Bar().GetField(0, bfCommand), std::string("cm_A"));
  VerifyDroppedButton(e, 1, two);
  VerifyDroppedButton(e, 2, one);
  QCOMPARE(e.Bar().GetField(3, bfCommand), std::string("cm_B"));
  QCOMPARE(w.barList->ItemIndex(), 1);
}

void TestFiles::droppedFolderRunsFromItsParent() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}});
  const fs::path folder = e.file("Projects");
  fs::create_directories(folder);
  // The file manager may name a folder with a trailing separator.
  Drop(w, {folder / ""}, CellCentre(*w.barList, 0));
  const std::string name = WinName(folder);
  QCOMPARE(e.Bar().GetField(1, bfCommand), name);
  QCOMPARE(e.Bar().GetField(1, bfStartPath), WinName(e.dir.path()) + "\\");
  QCOMPARE(e.Bar().GetField(1, bfTooltip), std::string("Projects"));
}

void TestFiles::onlyLocalFilesAreTaken() {
  TEditor e;
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}});
  QMimeData data;
  data.setUrls({QUrl(QStringLiteral("https://example.org/tool.exe"))});
  data.setText(QStringLiteral("C:\\tool.exe"));
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w.barList->viewport(), &enter);
  QVERIFY(!enter.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w.barList->viewport(), &drop);
  QCOMPARE(e.Bar().Count(), 1);
  QVERIFY(!e.Bar().Modified);
}

void TestFiles::defaultIconLibrary_data() {
  QTest::addColumn<QString>("setting"); // "" leaves the key out
  QTest::addColumn<bool>("realFile");
  QTest::newRow("default library") << "" << false;
  QTest::newRow("library from the settings") << "lib.ico" << true;
}

void TestFiles::defaultIconLibrary() {
  QFETCH(QString, setting);
  QFETCH(bool, realFile);
  TEditor e;
  std::string library = "WCMICONS.DLL";
  if (realFile) {
    WriteText(e.file(setting.toStdString()), SolidIco(0xFF00FF00));
    library = WinName(e.file(setting.toStdString()));
    e.Ini("[main]\r\nDefIconLib=" + library + "\r\n");
  }
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}});
  w.editor->iconIndexLabel->setText(QStringLiteral("7"));
  QTest::mouseClick(w.defaultLibraryButton, Qt::LeftButton);
  QCOMPARE(e.Bar().GetField(0, bfIconRef), library + ",0");
  QCOMPARE(w.editor->iconIndexLabel->text(), QStringLiteral("0"));
  QVERIFY(e.Bar().IconsChanged);
  QVERIFY(w.cacheModePanel->isEnabled());
  QCOMPARE(bool(e.Bar().IconHandle(0)), realFile);
  QCOMPARE(w.editor->iconList->Count(), realFile ? 1 : 0);
}

void TestFiles::savingOnCloseWritesEachCacheMode_data() {
  QTest::addColumn<QString>("choice"); // the control the user clicks
  QTest::addColumn<bool>("cacheFile");
  QTest::addColumn<QString>("button1"); // "own" or "cache"
  QTest::addColumn<QString>("cacheIndex1");
  QTest::newRow("no cache") << "" << false << "own"
                            << "<none>";
  QTest::newRow("with TCMenu") << "chkcache" << true << "own"
                               << "0";
  QTest::newRow("links to icl") << "RadioButton1" << true << "cache"
                                << "<none>";
}

void TestFiles::savingOnCloseWritesEachCacheMode() {
  QFETCH(QString, choice);
  QFETCH(bool, cacheFile);
  QFETCH(QString, button1);
  QFETCH(QString, cacheIndex1);
  TEditor e;
  e.Ini("[main]\r\nAskToSaveOnExit=1\r\n");
  const fs::path icon = e.file("icons/green.ico");
  WriteText(icon, SolidIco(0xFF00FF00));
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}});
  WriteBar(e.file("tools.bar"), {{WinName(icon) + ",0", "cm_Tool", "", "", "", ""}});
  e.dialogs.openAnswers = {WinName(e.file("tools.bar"))};
  QTest::mouseClick(w.openBarButton, Qt::LeftButton);
  if (!choice.isEmpty())
    w.cacheBox->click();
  if (choice == "RadioButton1")
    w.cacheLinksRadio->click();
  TypeAndLeave(w, w.editor->tooltipEdit, "tip");
  e.dialogs.answers = {ui::TAnswer::Yes};
  QVERIFY(w.close());
  QCOMPARE(fs::exists(e.file("tools.icl")), cacheFile);
  const std::string own = WinName(icon) + ",0";
  const std::string cache = WinName(e.file("tools.icl")) + ",0";
  QCOMPARE(Key(e.file("tools.bar"), "Buttonbar", "button1"), button1 == "own" ? own : cache);
  QCOMPARE(Key(e.file("tools.bar"), "AlternativeCache", "CacheIndex1"), cacheIndex1.toStdString());
  QCOMPARE(Key(e.file("tools.bar"), "Buttonbar", "menu1"), std::string("tip"));
}

QTEST_MAIN(TestFiles)
#include "test_files.moc"
