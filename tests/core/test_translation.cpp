// Translated texts: the lookup of a key, the menu sections of the program's text files, and
// the choice of the language file between the program's own and Total Commander's.
#include "document/Translation.h"
#include "platform/CodePage.h"
#include "platform/HostFiles.h"
#include "platform/MessageText.h"
#include "platform/Profile.h"
#include "support/TcInstallation.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using testsupport::TempDir;
using testsupport::WriteBytes;
using Lines = std::vector<std::string>;

namespace {

TEST(Translate, KeysMatchWholeIgnoringCaseAndValuesLoseTheirQuotes) {
  struct Case {
    const char *name;
    Lines lines;
    const char *key;
    const char *expected;
  };
  const Case cases[] = {
      {"quoted value loses its quotes", {"Cache=\"Puffer\""}, "Cache", "Puffer"},
      {"key letter case is ignored", {"cache=Puffer"}, "Cache", "Puffer"},
      {"blank before = belongs to the key", {"Cache =Puffer"}, "Cache", "Cache"},
      {"empty value gives the key", {"Cache=", "Cache=Puffer"}, "Cache", "Cache"},
      {"value of quotes only gives the key", {"Cache=\"\""}, "Cache", "Cache"},
      {"first matching line wins", {"Ok=Gut", "Ok=Schlecht"}, "Ok", "Gut"},
      {"value keeps later equals signs", {"Nr=a=b"}, "Nr", "a=b"},
      {"key with blanks", {"On  t op=Oben"}, "On  t op", "Oben"},
      {"key with backslash", {"Rename\\Copy=Umbenennen"}, "Rename\\Copy", "Umbenennen"},
      {"line without = never matches", {"About"}, "About", "About"},
      {"missing key shows itself without quotes", {}, "Say \"hi\"", "Say hi"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Translate(LocalizedTexts(c.lines), c.key), c.expected);
  }
  const testsupport::ScopedCodePage cyrillic(1251);
  EXPECT_EQ(Translate(LocalizedTexts({"\xEA\xFD\xF8=Puffer"}), "\xCA\xDD\xD8"), "Puffer")
      << "the case of the code page's letters: \"кэш\" is \"КЭШ\"";
  EXPECT_TRUE(TranslatesBarCaption(LocalizedTexts({"5065=\"Leiste:\""})));
  EXPECT_FALSE(TranslatesBarCaption(LocalizedTexts({"5065="})));
}

// A message shown in the program's language: its key and every key among its arguments
// are translated, the verbatim arguments (the user's names) are not, and an argument is
// never filled in again.
TEST(FormatMessage, FillsTheTranslatedKeyWithItsArgumentsInOrder) {
  using platform::Message;
  using platform::Verbatim;
  const LocalizedTexts table(Lines{"%s does not exist=%s existiert nicht",
                                   "%s has no icon %s: it holds %s=%s hat kein Icon %s: %s",
                                   "none=keines", "%s=kaputt"});
  const auto german = [&](const std::string &key) { return Translate(table, key); };
  struct Case {
    const char *name;
    platform::MessageText message;
    std::string expected;
  };
  const Case cases[] = {
      {"translated key", Message("%s does not exist", {Verbatim("a.exe")}),
       "a.exe existiert nicht"},
      {"nested message translated too, in order",
       Message("%s has no icon %s: it holds %s",
               {Verbatim("a.dll"), Verbatim("3"), Message("none")}),
       "a.dll hat kein Icon 3: keines"},
      {"a name holding %s is not filled again", Message("%s does not exist", {Verbatim("%s")}),
       "%s existiert nicht"},
      {"a verbatim text is never translated", Verbatim("%s"), "%s"},
      {"no translation: the English", Message("%s is no folder", {Verbatim("C:\\x")}),
       "C:\\x is no folder"},
      {"more marks than arguments: the rest stays", Message("%s does not exist"),
       "%s existiert nicht"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(platform::FormatMessage(c.message, german), c.expected);
  }
  // A name marked as UTF-8 makes the whole message one marked text.
  const std::string marked = std::string(platform::Utf8Mark) + "\xCE\xA9.exe";
  const std::string text =
      platform::FormatMessage(Message("%s does not exist", {Verbatim(marked)}), german);
  EXPECT_TRUE(platform::IsMarked(text));
  EXPECT_EQ(text.find(platform::Utf8Mark, 1), std::string::npos);
  EXPECT_NE(text.find("existiert nicht"), std::string::npos);
}

TEST(ExtractMenuSection, KeepsTheBodyOfTheSectionUpToTheNextBracket) {
  struct Case {
    const char *name;
    Lines lines;
    Lines expected;
  };
  const Case cases[] = {
      {"body up to the next section",
       {"a=1", "[params]", "%P - p", "%N", "[other]", "x"},
       {"%P - p", "%N"}},
      {"header letter case ignored", {"[PARAMS]", "x"}, {"x"}},
      {"blank around header is no header", {" [params]", "x", "[params] ", "y"}, {}},
      {"a [ in the middle ends the section", {"[params]", "a", "b [c] d", "e"}, {"a"}},
      {"empty and comment lines dropped",
       {"[params]", "", ";c", "a", " ;kept", "-"},
       {"a", " ;kept", "-"}},
      {"no header gives nothing", {"a", "b"}, {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Lines lines = c.lines;
    ExtractMenuSection(lines, "[params]");
    EXPECT_EQ(lines, c.expected);
  }
}

// The program in "prog" beside a Total Commander whose language X has a language file.
class LanguageChoiceTest : public ::testing::Test {
protected:
  LanguageChoiceTest() { WriteBytes(dir / "prog" / "placeholder", ""); }

  void Program(const std::string &name, const std::string &text) {
    WriteBytes(dir / "prog" / name, text);
    platform::FlushProfileCache();
  }
  std::string Name(const std::string &relative) const {
    return testsupport::WindowsNameOf((dir / relative));
  }

  TempDir dir;
  testsupport::TcInstallation tc{dir / "tc"};
  const std::string exe = Name("prog/corvane.exe");
};

TEST_F(LanguageChoiceTest, TheProgramsFileUnlessItLacksTheBarCaption) {
  struct Case {
    const char *name;
    const char *settings; // "Corvane.ini", when written
    const char *ownFile;  // the program's language file and its text, when written
    const char *ownText;
    bool hostFile; // whether Total Commander's WCMD_X.LNG is there
    const char *chosen;
    const char *translation; // of "5068"
  };
  const Case cases[] = {
      {"the program's English.lng", nullptr, "English.lng", "5065=Bar\r\n5068=Own\r\n", true,
       "prog/English.lng", "Own"},
      {"the file the Language setting names", "[main]\r\nLanguage=Test\r\n", "Test.lng",
       "5065=Bar\r\n5068=Test\r\n", true, "prog/Test.lng", "Test"},
      {"without 5065 the host's file", nullptr, "English.lng", "5068=Own\r\n", true,
       "tc/Language/WCMD_X.lng", "Weg"},
      {"without any file the host's name and no lines", nullptr, nullptr, nullptr, false,
       "tc/Language/WCMD_X.lng", "5068"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(dir / "prog");
    std::filesystem::remove_all(dir / "tc" / "Language");
    Program("placeholder", "");
    if (c.settings)
      Program("Corvane.ini", c.settings);
    if (c.ownFile)
      Program(c.ownFile, c.ownText);
    tc.Localize({.code = "X",
                 .commandList = "All=Alles\r\n",
                 .languageFile = c.hostFile
                                     ? std::optional<std::string>("5065=Leiste\r\n5068=Weg\r\n")
                                     : std::nullopt});
    const LanguageChoice choice = SelectLanguage(exe);
    EXPECT_EQ(platform::HostPath(choice.FileName), platform::HostPath(Name(c.chosen)));
    EXPECT_EQ(Translate(choice.Table, "5068"), c.translation);
  }
}

// The parameter menu comes from the program's file even when its translations do not.
TEST_F(LanguageChoiceTest, ParamMenuIsTheProgramsParamsSection) {
  EXPECT_TRUE(ParamMenuLines(exe).empty()) << "without the file";
  Program("English.lng", "5068=Own\r\n[params]\r\n%P - path\r\n");
  EXPECT_EQ(ParamMenuLines(exe), Lines{"%P - path"});
}

// A UTF-16 file gives every character as the core's text: in the code page's bytes where it
// holds them, else marked.
TEST_F(LanguageChoiceTest, Utf16LanguageFileTranslatesInEveryCodePage) {
  Program("English.lng",
          testsupport::Utf16File(u"5065=Панель:\r\nClose=Закрыть\r\n[params]\r\n%P - путь\r\n"));
  for (const int codePage : {1251, 1252}) {
    SCOPED_TRACE(codePage);
    const testsupport::ScopedCodePage scoped(codePage);
    EXPECT_EQ(Translate(SelectLanguage(exe).Table, "Close"), platform::Utf8ToText("Закрыть"));
    EXPECT_EQ(ParamMenuLines(exe), Lines{platform::Utf8ToText("%P - путь")});
  }
}

} // namespace
