// Every text of the program's own goes through the language file: the editor is started
// with the shipped English language file in which every value is marked "[[...]]", and
// every window, menu, problem and message the tests can raise must show only marked words
// besides the user's data (file names, numbers, variables) and the program's name.
#include "UiHarness.h"

#include "support/TcInstallation.h"
#include "ui/ButtonEditor.h"
#include "ui/FieldEdit.h"
#include "ui/ProblemsWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeWidget>

#include <fstream>
#include <sstream>

using namespace uitest;

namespace {

const char *const Open = "[[";
const char *const Close = "]]";

// The shipped English language file with every value of its translations marked; the
// menu section after the first "[" header stays as it is.
std::string MarkedLanguageFile() {
  const fs::path shipped = fs::path(CORVANE_BIN_DIR) / "English.lng";
  std::ifstream in(shipped, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  std::string out, line;
  bool translations = true;
  while (std::getline(bytes, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    translations = translations && line.rfind('[', 0) != 0;
    const size_t equals = line.find('=');
    if (translations && !line.empty() && line[0] != ';' && equals != std::string::npos) {
      std::string value = line.substr(equals + 1);
      std::erase(value, '"');
      line = line.substr(0, equals + 1) + Open + (value.empty() ? "text" : value) + Close;
    }
    out += line + "\r\n";
  }
  return out;
}

// What of a shown text is the program's own and not marked: the marked parts (nested
// ones included), a menu item's shortcut, paths, variables (named or as %NAME%), a mail
// address and the program's name are taken out; what is left must hold no letter.
QString Unmarked(const QString &shown) {
  QString rest;
  int depth = 0;
  // A path wrapped between its parts is one path again.
  const QString text =
      shown.section(QLatin1Char('\t'), 0, 0).replace(QStringLiteral("\\\n"), QStringLiteral("\\"));
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text.mid(i, 2) == QLatin1String(Open) ||
        (depth && text.mid(i, 2) == QLatin1String(Close))) {
      depth += text[i] == QLatin1Char('[') ? 1 : -1;
      ++i;
    } else if (depth == 0) {
      rest += text[i];
    }
  }
  static const QRegularExpression userData(
      QStringLiteral(R"(\S*[\\/]\S*|%\w+%|\S+@\S+|\b[A-Z]+_[A-Z_]+\b|\bCorvane\b)"));
  rest.remove(userData);
  return rest.contains(QRegularExpression(QStringLiteral("\\p{L}"))) ? shown : QString();
}

// Every text a window shows: its title, the captions, tooltips and item texts of its
// controls, its headers and lists, and the items of its menus.
QStringList TextsOf(QWidget *window) {
  QStringList texts{window->windowTitle()};
  for (QWidget *w : window->findChildren<QWidget *>()) {
    if (w->window() != window || !w->isVisibleTo(window))
      continue;
    texts << w->toolTip();
    if (auto *label = qobject_cast<QLabel *>(w))
      texts << label->text();
    if (auto *button = qobject_cast<QAbstractButton *>(w))
      texts << button->text();
    if (auto *group = qobject_cast<QGroupBox *>(w))
      texts << group->title();
    if (auto *memo = qobject_cast<QPlainTextEdit *>(w))
      texts << memo->toPlainText();
    if (auto *header = qobject_cast<QHeaderView *>(w))
      for (int i = 0; header->model() && i < header->count(); ++i)
        texts << header->model()->headerData(i, header->orientation()).toString();
    if (auto *tree = qobject_cast<QTreeWidget *>(w))
      for (int row = 0; row < tree->topLevelItemCount(); ++row)
        for (int column = 0; column < tree->columnCount(); ++column)
          texts << tree->topLevelItem(row)->text(column);
  }
  return texts;
}

QStringList TextsOf(QMenu *menu) {
  QStringList texts;
  for (QAction *action : menu->actions())
    texts << action->text();
  return texts;
}

QStringList TextsOf(const std::vector<std::string> &messages) {
  QStringList texts;
  for (const std::string &message : messages)
    texts << QString::fromStdString(message);
  return texts;
}

void ExpectMarked(const char *where, const QStringList &texts) {
  QStringList unmarked;
  for (const QString &text : texts)
    if (!Unmarked(text).isEmpty())
      unmarked << text;
  if (!unmarked.isEmpty())
    QFAIL(qPrintable(QStringLiteral("%1 shows unmarked texts:\n  ").arg(QLatin1String(where)) +
                     unmarked.join(QStringLiteral("\n  "))));
}

} // namespace

class TestTranslated : public QObject {
  Q_OBJECT
private slots:
  void theMarkIsSeen_data();
  void theMarkIsSeen();
  void everyWindowAndMessageIsTranslated();
};

// The judge itself: what it lets pass and what it catches.
void TestTranslated::theMarkIsSeen_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("marked");
  QTest::newRow("marked") << "[[Check bar]]" << true;
  QTest::newRow("marked with a path and a shortcut") << "[[Back]] Z:\\tmp\\a.bar\tAlt+Up" << true;
  QTest::newRow("nested message") << "[[[[there is no]] x, but]] 7" << true;
  QTest::newRow("variable and program name") << "%NOPE% Corvane" << true;
  QTest::newRow("a word left out") << "[[Datei]] not found" << false;
  QTest::newRow("unmarked") << "Cannot read file Z:\\a.bar" << false;
}

void TestTranslated::theMarkIsSeen() {
  QFETCH(QString, text);
  QFETCH(bool, marked);
  QCOMPARE(Unmarked(text).isEmpty(), marked);
}

void TestTranslated::everyWindowAndMessageIsTranslated() {
  TEditor e;
  testsupport::TcInstallation tc(e.file("tc"), {.commandList = "[_Files]\r\ncm_Known=1;Known\r\n"});
  tc.Write("tools/prog.exe", "MZ");
  WriteText(e.file("one.ico"), SolidIco(0xFF00FFFF));
  e.Ini("[main]\r\nLanguage=Marked\r\nDefaultCache=1\r\n");
  WriteText(e.bin() / "Marked.lng", MarkedLanguageFile());
  const std::string ico = WinName(e.file("one.ico"));
  const std::string bar = WinName(e.file("main.bar"));
  // A problem of every kind a bar in the editor can have, and a count below the highest
  // button, which asks the count question.
  const std::vector<TButtonSpec> buttons = {
      {"", WinName(e.file("gone.exe")), "", "", "", ""},
      {"", "cm_Unknown", "", "", "", ""},
      {"", "999999", "", "", "", ""},
      {"", "em_nobody", "", "", "", ""},
      {WinName(e.file("gone.ico")) + ",0", "", "", "", "", ""},
      {ico + ",7", "", "", "", "", ""},
      {"", "cm_Known", "", WinName(e.file("nowhere")), "", ""},
      {"", WinName(e.file("gone.bar")), "", "", "", ""},
      {"", bar, "", "", "", ""},
      {"", WinName(tc / "tools" / "prog.exe"), "", "", "", ""},
      {"%COMMANDER_PATH%\\..\\one.ico,0", "", "", "", "", ""},
      {"%NO_SUCH_VARIABLE%\\x.ico,0", "%NO_SUCH_VARIABLE%\\x.exe", "", "", "", ""},
      {"", WinName(e.file("picture.bar")), "", "", "", ""},
  };
  WriteText(e.file("picture.bar"), std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
  WriteBar(e.file("main.bar"), buttons);
  std::string text = testsupport::ReadBytes(e.file("main.bar"));
  text.replace(text.find("Buttoncount=13"), 14, "Buttoncount=2");
  WriteText(e.file("main.bar"), text);
  e.dialogs.answers = {ui::TAnswer::Yes};
  MainWindow &w = e.Start({QString::fromStdString(e.file("main.bar").string())});
  QCOMPARE(e.dialogs.questions.size(), size_t(1));
  QCOMPARE(e.Bar().Count(), 13);
  ExpectMarked("the count question", TextsOf(e.dialogs.questions));

  ExpectMarked("the main window", TextsOf(&w));
  w.barMenu->popup(w.mapToGlobal(QPoint(0, 0)));
  ExpectMarked("the bar list's menu", TextsOf(w.barMenu));
  w.barMenu->hide();
  ExpectMarked("the tooltips of the bar list",
               {w.ProblemTip(0), w.ProblemTip(5), w.ProblemTip(12)});

  QTest::keyClick(w.barList, Qt::Key_F7);
  QVERIFY(w.problemsWindow && w.problemsWindow->isVisible());
  QVERIFY(w.problemsWindow->ProblemList->topLevelItemCount() >= 14);
  ExpectMarked("the problems window", TextsOf(w.problemsWindow));

  e.about->show();
  ExpectMarked("the About window", TextsOf(e.about.get()));
  e.about->close();
  e.browser->show();
  ExpectMarked("the command browser", TextsOf(e.browser.get()));
  e.browser->close();

  // A sub-bar that is not there, one that cannot be read, and one that is no bar.
  WriteText(e.file("sub.bar"), "[Buttonbar]\r\nButtoncount=200000\r\n");
  for (const std::string &subBar :
       {WinName(e.file("gone.bar")), WinName(e.file("sub.bar")), WinName(e.file("picture.bar"))}) {
    w.barList->SetItemIndex(7);
    w.BarListClick();
    w.editor->commandEdit->SetBytes(subBar);
    QTest::keyClick(w.barList, Qt::Key_Down, Qt::AltModifier);
  }
  // The menu names the edit just made.
  QTest::mouseClick(w.addButton, Qt::LeftButton);
  w.barMenu->popup(w.mapToGlobal(QPoint(0, 0)));
  QVERIFY(w.undoAction->isEnabled());
  ExpectMarked("the bar list's menu after edits", TextsOf(w.barMenu));
  w.barMenu->hide();
  // Saving the modified bar to its file before opening another, beside a file of its
  // cache's name that no save wrote, which is kept.
  WriteText(e.file("main.icl"), "not an icon library");
  w.cacheBox->setChecked(true);
  QTest::keyClick(w.barList, Qt::Key_Right, Qt::AltModifier); // the icons' order changes
  e.dialogs.answers = {ui::TAnswer::Yes};
  QTest::mouseClick(w.openBarButton, Qt::LeftButton);
  QCOMPARE(e.dialogs.questions.size(), size_t(2));
  QCOMPARE(e.dialogs.notes.size(), size_t(1));
  ExpectMarked("the questions", TextsOf(e.dialogs.questions));
  ExpectMarked("the notes", TextsOf(e.dialogs.notes));
  // The command browser without Total Commander's command list.
  fs::remove(tc / "Totalcmd.inc");
  e.browser->show();
  e.browser->close();
  QCOMPARE(e.dialogs.errors.size(), size_t(4));
  ExpectMarked("the error boxes", TextsOf(e.dialogs.errors));
}

QTEST_MAIN(TestTranslated)
#include "test_translated.moc"
