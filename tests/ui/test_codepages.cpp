// The editor in the system code page: bars of other code pages show their characters,
// typed text is stored in the code page or marked, and the choice of the code page
// follows the setting, the Wine prefix's registry and the locale.
#include "UiHarness.h"

#include "document/FileNames.h"
#include "platform/CodePage.h"
#include "ui/ButtonEditor.h"
#include "ui/FieldEdit.h"
#include "ui/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

using namespace uitest;
using testsupport::ScopedEnv;

namespace {

// "Основная" in code page 1251 and "中文" in code page 936.
const std::string Cyrillic1251 = "\xCE\xF1\xED\xEE\xE2\xED\xE0\xFF";
const std::string Chinese936 = "\xD6\xD0\xCE\xC4";

} // namespace

class TestCodePages : public QObject {
  Q_OBJECT
private slots:
  void barTextsShowInTheCodePage_data();
  void barTextsShowInTheCodePage();
  void typedTextIsStoredInTheCodePageOrMarked();
  void clipboardCarriesTheCharactersBothWays();
  void namesOfEveryScriptAreDroppedOpenedAndSaved();

private:
  ui::TQtClipboard clipboard_;
  testsupport::ScopedClipboard installed_{clipboard_};
};

void TestCodePages::barTextsShowInTheCodePage_data() {
  QTest::addColumn<QString>("setting"); // Corvane.ini's CodePage, or empty
  QTest::addColumn<QString>("acp");     // the prefix registry's ACP, or empty
  QTest::addColumn<QString>("locale");
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("shown");
  QTest::newRow("setting") << "1251"
                           << ""
                           << "C" << QByteArray::fromStdString(Cyrillic1251) << "Основная";
  QTest::newRow("prefix registry") << ""
                                   << "1251"
                                   << "C" << QByteArray::fromStdString(Cyrillic1251) << "Основная";
  QTest::newRow("locale") << ""
                          << ""
                          << "zh_CN.UTF-8" << QByteArray::fromStdString(Chinese936) << "中文";
  QTest::newRow("registry over locale")
      << ""
      << "1251"
      << "zh_CN.UTF-8" << QByteArray::fromStdString(Cyrillic1251) << "Основная";
  QTest::newRow("setting over both")
      << "936"
      << "1251"
      << "ru_RU.UTF-8" << QByteArray::fromStdString(Chinese936) << "中文";
}

void TestCodePages::barTextsShowInTheCodePage() {
  QFETCH(QString, setting);
  QFETCH(QString, acp);
  QFETCH(QString, locale);
  QFETCH(QByteArray, bytes);
  QFETCH(QString, shown);
  testsupport::TempDir prefix;
  if (!acp.isEmpty())
    testsupport::WriteBytes(prefix / "system.reg",
                            "WINE REGISTRY Version 2\n\n"
                            "[System\\\\CurrentControlSet\\\\Control\\\\Nls\\\\CodePage] 1\n"
                            "\"ACP\"=\"" +
                                acp.toStdString() + "\"\n");
  ScopedEnv wine("WINEPREFIX", prefix.path().c_str());
  ScopedEnv all("LC_ALL", locale.toUtf8().constData());
  TEditor e;
  if (!setting.isEmpty())
    e.Ini("[Main]\r\nCodePage=" + setting.toStdString() + "\r\n");
  const std::string text = bytes.toStdString();
  MainWindow &w = e.StartWithBar({{"", "cm_A", text, "", text, ""}});
  QCOMPARE(w.editor->paramsEdit->text(), shown);
  QCOMPARE(w.editor->tooltipEdit->text(), shown);
  platform::SetSystemCodePage(0);
}

// Text the code page holds is stored as its bytes; any other text is marked.
void TestCodePages::typedTextIsStoredInTheCodePageOrMarked() {
  TEditor e;
  e.Ini("[Main]\r\nCodePage=1251\r\n");
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", "", ""}});
  for (auto [field, text] : {std::pair{w.editor->paramsEdit, QStringLiteral("Основная")},
                             std::pair{w.editor->tooltipEdit, QStringLiteral("中文 tip")}}) {
    field->setFocus(Qt::MouseFocusReason);
    field->insert(text);
    w.barList->setFocus(Qt::MouseFocusReason);
  }
  QCOMPARE(e.Bar().GetField(0, bfParams), Cyrillic1251);
  QCOMPARE(e.Bar().GetField(0, bfTooltip), std::string(platform::Utf8Mark) + "中文 tip");
  platform::SetSystemCodePage(0);
}

// Other programs see the code page's text as its characters, and give characters back.
void TestCodePages::clipboardCarriesTheCharactersBothWays() {
  TEditor e;
  e.Ini("[Main]\r\nCodePage=1251\r\n");
  MainWindow &w = e.StartWithBar({{"", "cm_A", "", "", Cyrillic1251, ""}});
  w.barList->SetItemIndex(0);
  QTest::keyClick(w.barList, Qt::Key_C, Qt::ControlModifier);
  QCOMPARE(QGuiApplication::clipboard()->text(),
           QStringLiteral("TOTALCMD#BAR#DATA\r\ncm_A\r\n\r\n\r\nОсновная\r\n\r\n0\r\n-1\r\n"));
  QGuiApplication::clipboard()->setText(
      QStringLiteral("TOTALCMD#BAR#DATA\r\nx.exe\r\n\r\n\r\nОсновная 中文\r\n\r\n0\r\n-1\r\n"));
  QTest::keyClick(w.barList, Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(e.Bar().Count(), 2);
  QCOMPARE(e.Bar().GetField(1, bfTooltip), std::string(platform::Utf8Mark) + "Основная 中文");
  QGuiApplication::clipboard()->setText(
      QStringLiteral("TOTALCMD#BAR#DATA\r\nx.exe\r\n\r\n\r\nОсновная\r\n\r\n0\r\n-1\r\n"));
  QTest::keyClick(w.barList, Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(e.Bar().GetField(2, bfTooltip), Cyrillic1251);
  platform::SetSystemCodePage(0);
}

// Host names are UTF-8; the bar holds them in the code page, or marked where it cannot.
void TestCodePages::namesOfEveryScriptAreDroppedOpenedAndSaved() {
  TEditor e;
  e.Ini("[Main]\r\nCodePage=1252\r\n");
  const fs::path folder = e.file("Müller");
  const std::vector<fs::path> tools = {folder / "Grüße tool.exe", folder / "Ωmega.exe",
                                       folder / "Основная.exe"};
  for (const fs::path &tool : tools)
    WriteText(tool, "MZ");
  WriteBar(folder / "Läden.bar", {{"", "cm_A", "", "", "", ""}});
  MainWindow &w = e.Start({QString::fromStdString((folder / "Läden.bar").string())});
  QVERIFY2(w.barCaption->text().endsWith(QStringLiteral("\\Müller\\Läden.bar")),
           qPrintable(w.barCaption->text()));
  Drop(w, tools, CellCentre(*w.barList, 0));
  QCOMPARE(e.Bar().Count(), 4);
  const std::string dir = ExtractFilePath(e.Bar().GetField(1, bfCommand));
  QCOMPARE(e.Bar().GetField(1, bfCommand), dir + "Gr\xFC\xDF" + "e tool.exe");
  QCOMPARE(e.Bar().GetField(2, bfCommand),
           platform::Utf8ToText(platform::TextToUtf8(dir) + "Ωmega.exe"));
  QVERIFY(platform::IsMarked(e.Bar().GetField(2, bfCommand)));
  QCOMPARE(w.editor->tooltipEdit->text(), QStringLiteral("Основная"));
  for (int position = 1; position < 4; ++position)
    QVERIFY(platform::FileExists(e.Bar().GetField(position, bfCommand)));
  QTest::mouseClick(w.editor->Ok, Qt::LeftButton);
  platform::FlushProfileCache();
  ButtonBar saved(WinName(folder / "Läden.bar"), w.ProgramFile());
  QCOMPARE(saved.Count(), 4);
  QCOMPARE(saved.GetField(3, bfTooltip), std::string(platform::Utf8Mark) + "Основная");
  platform::SetSystemCodePage(0);
}

QTEST_MAIN(TestCodePages)
#include "test_codepages.moc"
