// Plain text to and from the clipboard through the platform's backend: the process's own
// local clipboard, and an installed one that refuses.
#include "support/TestSupport.h"

#include "platform/Clipboard.h"
#include "ui/ClipboardText.h"

#include <QTest>

#include <optional>
#include <string>

namespace {

// A clipboard that can be told to refuse, and counts how often it was opened and closed.
class CountingClipboard : public platform::ClipboardBackend {
public:
  bool refuseOpen = false;
  bool refuseSet = false;
  int opens = 0, closes = 0;
  std::optional<std::string> text;
  bool Open() override { return !refuseOpen && ++opens > 0; }
  void Close() override { ++closes; }
  bool Empty() override {
    text.reset();
    return true;
  }
  bool SetText(std::string t) override {
    if (!refuseSet)
      text = std::move(t);
    return !refuseSet;
  }
  std::optional<std::string> GetText() override { return text; }
};

} // namespace

class TestClipboardText : public QObject {
  Q_OBJECT
private slots:
  void textGoesAndComesBackUpToItsFirstZero();
  void heldOpenElsewhereItStaysUnchanged();
  void installedBackendIsUsedAndAlwaysClosed();
};

void TestClipboardText::textGoesAndComesBackUpToItsFirstZero() {
  const std::string button = "TOTALCMD#BAR#DATA\r\ncm_Copy\r\n";
  QVERIFY(PutClipboardText(nullptr, button));
  QCOMPARE(GetClipboardText(nullptr), button);
  QVERIFY(PutClipboardText(nullptr, std::string("one\0two", 7)));
  QCOMPARE(GetClipboardText(nullptr), std::string("one"));
}

void TestClipboardText::heldOpenElsewhereItStaysUnchanged() {
  QVERIFY(PutClipboardText(nullptr, "before"));
  QVERIFY(platform::Clipboard().Open());
  QVERIFY(!PutClipboardText(nullptr, "after"));
  QCOMPARE(GetClipboardText(nullptr), std::string());
  platform::Clipboard().Close();
  QCOMPARE(GetClipboardText(nullptr), std::string("before"));
}

void TestClipboardText::installedBackendIsUsedAndAlwaysClosed() {
  CountingClipboard backend;
  testsupport::ScopedClipboard installed(backend);
  QCOMPARE(GetClipboardText(nullptr), std::string()); // a clipboard without text
  QVERIFY(PutClipboardText(nullptr, "x"));
  QCOMPARE(backend.text, std::optional<std::string>("x"));
  backend.refuseSet = true;
  QVERIFY2(PutClipboardText(nullptr, "y"), "only the opening is reported");
  QCOMPARE(backend.opens, backend.closes);
  backend.refuseOpen = true;
  backend.refuseSet = false;
  QVERIFY(!PutClipboardText(nullptr, "z"));
  QCOMPARE(GetClipboardText(nullptr), std::string());
  QCOMPARE(backend.opens, 3);
  QCOMPARE(backend.closes, 3);
}

QTEST_APPLESS_MAIN(TestClipboardText)
#include "test_clipboard_text.moc"
