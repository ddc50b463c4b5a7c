// Text at the window's edge: code-page bytes to Unicode and back, and the platform's
// file-dialog filters in Qt's form.
#include "platform/CodePage.h"
#include "ui/Dialogs.h"
#include "ui/TextCodec.h"

#include <QTest>

class TestTextCodec : public QObject {
  Q_OBJECT
private slots:
  // The expected bytes are those of code page 1252.
  void initTestCase() { platform::SetSystemCodePage(1252); }
  void toDisplay_data();
  void toDisplay();
  void fromDisplay_data();
  void fromDisplay();
  void everyByteSurvivesTheRoundTrip();
  void fileFilter_data();
  void fileFilter();
};

void TestTextCodec::toDisplay_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("shown");
  QTest::newRow("ascii") << QByteArray("cm_Copy") << "cm_Copy";
  QTest::newRow("latin letters") << QByteArray("Gr\xF6\xDF"
                                               "e")
                                 << "Größe";
  QTest::newRow("euro sign of 1252") << QByteArray("\x80") << "€";
  QTest::newRow("quotes of 1252") << QByteArray("\x93x\x94") << "“x”";
  QTest::newRow("utf-8 after the mark") << QByteArray("\xEF\xBB\xBF\xE2\x86\x92") << "→";
  QTest::newRow("mark alone") << QByteArray("\xEF\xBB\xBF") << "";
  QTest::newRow("mark not at the start") << QByteArray("a\xEF\xBB\xBF") << "aï»¿";
}

void TestTextCodec::toDisplay() {
  QFETCH(QByteArray, bytes);
  QTEST(ui::ToDisplay(bytes.toStdString()), "shown");
}

void TestTextCodec::fromDisplay_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QByteArray>("bytes");
  QTest::newRow("fits the code page") << "Größe €"
                                      << QByteArray("Gr\xF6\xDF"
                                                    "e \x80");
  QTest::newRow("one character beyond it") << "a→"
                                           << QByteArray("\xEF\xBB\xBF"
                                                         "a\xE2\x86\x92");
  QTest::newRow("empty") << "" << QByteArray();
}

void TestTextCodec::fromDisplay() {
  QFETCH(QString, text);
  QFETCH(QByteArray, bytes);
  QCOMPARE(QByteArray::fromStdString(ui::FromDisplay(text)), bytes);
}

void TestTextCodec::everyByteSurvivesTheRoundTrip() {
  std::string all;
  for (int b = 1; b < 256; ++b)
    all.push_back(static_cast<char>(b));
  QCOMPARE(QByteArray::fromStdString(ui::FromDisplay(ui::ToDisplay(all))),
           QByteArray::fromStdString(all));
}

void TestTextCodec::fileFilter_data() {
  QTest::addColumn<QString>("filter");
  QTest::addColumn<QString>("qt");
  // A description that only lists its patterns is not shown beside them.
  QTest::newRow("bars") << "*.bar|*.bar|*.*|*.*"
                        << "*.bar;;*";
  QTest::newRow("icon files") << "*.exe,*.dll,*.ico,*.icl|*.exe;*.dll;*.ico;*.icl|*.*|*.*"
                              << "*.exe *.dll *.ico *.icl;;*";
  QTest::newRow("a description of its own") << "Icon libraries|*.icl"
                                            << "Icon libraries (*.icl)";
  QTest::newRow("odd part ignored") << "*.bar|*.bar|x"
                                    << "*.bar";
}

void TestTextCodec::fileFilter() {
  QFETCH(QString, filter);
  QTEST(ui::QtFileFilter(filter.toStdString()), "qt");
}

QTEST_MAIN(TestTextCodec)
#include "test_textcodec.moc"
