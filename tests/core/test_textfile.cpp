// Whole text files in every encoding they come in, as the core's 8-bit text.
#include "platform/CodePage.h"
#include "platform/HostFiles.h"
#include "platform/TextFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testsupport::Utf16File;

namespace {

const std::string kMark = "\xEF\xBB\xBF";

std::string Cyrillic(std::string_view utf8) {
  return platform::Utf8ToCodePage(utf8, 1251).value();
}

struct DecodeCase {
  std::string name, bytes, text; // text as code page 1251 reads it
};

std::vector<DecodeCase> DecodeCases() {
  return {
      {"NoMarkIsTakenByteForByte", "k=\xC0\xFF\r\n\xEF", "k=\xC0\xFF\r\n\xEF"},
      {"Utf8LineTheCodePageHolds", kMark + "key=Значение\r\n",
       "key=" + Cyrillic("Значение") + "\r\n"},
      {"Utf16LeMarksTheDescriptionOnly", Utf16File(u"cm_X=123;主要\r\n"),
       "cm_X=123;" + kMark + "主要\r\n"},
      {"Utf16BeHeaderKeepsItsBracket", Utf16File(u"[命令]\nk=v", true), "[" + kMark + "命令]\nk=v"},
      {"SeparatorAfterTheCharacterDoesNotCount", kMark + "a主=b;c", kMark + "a主=b;c"},
      {"MixedLineKeepsItsCodePagePart", Utf16File(u"menu=Папка 主\r"),
       "menu=" + kMark + "Папка 主\r"},
      {"LineEndsStayAsTheyAre", Utf16File(u"a\r\n\r\nb\rc\n"), "a\r\n\r\nb\rc\n"},
      {"MalformedUtf8IsKeptInTheMarkedPiece", kMark + "k=\xFF" + "x\n",
       "k=" + kMark + "\xFF" + "x\n"},
      {"OddLastByteOfUtf16IsDropped", Utf16File(u"ab") + "c", "ab"},
      {"MarkAlone", kMark, ""},
  };
}

class DecodeTextFile : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTextFile, GivesTheCoresText) {
  testsupport::ScopedCodePage cyrillic(1251);
  EXPECT_EQ(platform::DecodeTextFile(GetParam().bytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Files, DecodeTextFile, ::testing::ValuesIn(DecodeCases()),
                         [](const auto &info) { return info.param.name; });

TEST(ReadTextFile, MissingFileGivesNothing) {
  testsupport::TempDir dir;
  EXPECT_FALSE(platform::ReadTextFile(testsupport::WindowsNameOf((dir / "none.lng"))));
}

} // namespace
