// The program's language file in UTF-16: every character arrives as the core's text,
// in the code page's bytes where it holds them, else marked.
#include "UiHarness.h"

#include "platform/CodePage.h"

#include <QMenu>

using namespace uitest;

class TestLanguageFile : public QObject {
  Q_OBJECT
private slots:
  void utf16FileTranslatesInEveryCodePage_data();
  void utf16FileTranslatesInEveryCodePage();
};

void TestLanguageFile::utf16FileTranslatesInEveryCodePage_data() {
  QTest::addColumn<int>("codePage");
  QTest::newRow("1251 holds Cyrillic") << 1251;
  QTest::newRow("1252 marks it") << 1252;
}

void TestLanguageFile::utf16FileTranslatesInEveryCodePage() {
  QFETCH(int, codePage);
  testsupport::ScopedCodePage scoped(codePage);
  TEditor e;
  WriteText(e.bin() / "English.lng",
            testsupport::Utf16File(u"5065=Панель:\r\nClose=Закрыть\r\n[params]\r\n%P - путь\r\n"));
  TBarMain &w = e.Start();
  QCOMPARE(w.Translate("Close"), platform::Utf8ToText("Закрыть"));
  QCOMPARE(w.pmPRM->actions().size(), 1);
}

QTEST_MAIN(TestLanguageFile)
#include "test_languagefile.moc"
