// The .bar file type as the desktop's shared MIME database reads the installed
// packaging/corvane-mime.xml: a bar's name, or a bar's content in any letter case, is a
// Total Commander button bar; other text is not.
#include <QMimeDatabase>

#include <gtest/gtest.h>

namespace {

const QString ButtonBar = QStringLiteral("application/x-totalcmd-buttonbar");

TEST(FileType, TheSectionOfButtonsMakesABar) {
  struct Case {
    const char *what;
    QByteArray content;
    bool bar;
  };
  const Case cases[] = {
      {"as Total Commander writes it", "[Buttonbar]\r\nButtoncount=1\r\n", true},
      {"in capitals", "[BUTTONBAR]\r\n", true},
      {"after a byte order mark and a comment", "\xEF\xBB\xBF; tools\r\n\r\n[buttonbar]\r\n", true},
      {"another section", "[Configuration]\r\nButtoncount=1\r\n", false},
      {"the section beyond the first 256 bytes", QByteArray(300, '\n') + "[Buttonbar]\r\n", false},
  };
  QMimeDatabase types;
  ASSERT_TRUE(types.mimeTypeForName(ButtonBar).isValid())
      << "XDG_DATA_DIRS names no folder with mime/packages/corvane.xml";
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(types.mimeTypeForData(c.content).name() == ButtonBar, c.bar);
  }
  EXPECT_EQ(types.mimeTypeForFile("TOOLS.BAR", QMimeDatabase::MatchExtension).name(), ButtonBar);
  EXPECT_TRUE(types.mimeTypeForName(ButtonBar).inherits("text/plain"));
}

} // namespace
