#include "document/CommandCatalog.h"
#include "platform/CodePage.h"
#include "platform/HostFiles.h"
#include "platform/Profile.h"
#include "support/TcInstallation.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using testsupport::ScopedEnv;
using testsupport::TcInstallation;
using testsupport::TempDir;
using testsupport::WindowsNameOf;
using testsupport::WriteBytes;

namespace {

const char *const CommandList = "[_______Files_______]=0\r\n"
                                "cm_Copy=300;Copy files\r\n"
                                "\r\n"
                                "   \r\n"
                                "cm_Foo=123;Does foo\r\n"
                                "; a comment is never listed\r\n"
                                "cm_NoNumber\r\n"
                                "[___File_ops___]=0\r\n"
                                "cm_Pack=500;Pack files\r\n"
                                "cm_Unpack=501;Unpack FILES\r\n"
                                "; comment__with underscores ends the category\r\n"
                                "cm_Orphan=502;After the comment\r\n"
                                "[___Tools___]=0\r\n"
                                "cm_Sync=55;Synchronize\r\n"
                                "cm_Big=999;Icon beyond the library\r\n";

const char *const IconMappings = "[mappings]\r\n300=7\r\n123=4\r\n500=9\r\n106=12\r\n999=999\r\n";

// A made-up Total Commander installation found through COMMANDER_PATH and
// COMMANDER_INI, and a program folder without settings.
class CommandCatalogTest : public ::testing::Test {
protected:
  CommandCatalogTest() {
    WriteBytes(dir / "prog" / "placeholder", "");
    exe = WindowsNameOf(dir / "prog" / "corvane.exe");
  }

  // Names the German language in wincmd.ini; the localized list itself may be written
  // or not.
  void ConfigureLanguage() { tc.Localize({.code = "DEU"}); }
  void WriteLocalized(const std::string &text) {
    tc.Localize({.code = "DEU", .commandList = text});
  }

  CommandCatalog Loaded() {
    CommandCatalog catalog;
    catalog.Load(exe);
    EXPECT_FALSE(catalog.LoadError());
    return catalog;
  }

  static std::vector<std::string> Captions(const CommandCatalog &catalog) {
    std::vector<std::string> captions;
    for (const auto &category : catalog.Categories())
      captions.push_back(category.Caption);
    return captions;
  }
  static std::vector<std::string> Names(const std::vector<CommandRow> &rows) {
    std::vector<std::string> names;
    for (const auto &row : rows)
      names.push_back(row.Name);
    return names;
  }
  static const CommandRow &RowNamed(const std::vector<CommandRow> &rows, const std::string &name) {
    for (const auto &row : rows)
      if (row.Name == name)
        return row;
    throw std::runtime_error("no row " + name);
  }

  TempDir dir;
  std::string exe; // the program's, in a folder without settings
  TcInstallation tc{dir / "tc",
                    {.commandList = CommandList,
                     .iconMappings = IconMappings,
                     .userCommands = "[em_backup]\r\ncmd=C:\\Tools\\backup.exe\r\nmenu=Backup\r\n"
                                     "[em_notes]\r\ncmd=notes.exe\r\n"}};

private:
  ScopedEnv path_{"Path", nullptr};
};

TEST(CommandCatalogRules, SplitCommandLine) {
  struct Case {
    const char *line;
    const char *name, *number, *description;
  } cases[] = {
      {"cm_Foo=123;Does foo", "cm_Foo", "123", "Does foo"},
      {"cm_Foo=123;a;b=c", "cm_Foo", "123", "a;b=c"},
      {"cm_NoNumber", "", "", "cm_NoNumber"},
      {"cm_X=12", "cm_X", "", "cm_X=12"},
      {"a;b=c", "a;b", "", "b=c"},
      {"noequals;desc", "", "noequals", "desc"},
      {"[___Files___]=0", "[___Files___]", "", ""},
      {"cm_A=1;text with __ inside", "cm_A", "", ""},
      {"", "", "", ""},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(SplitCommandLine(c.line, 1), c.name);
    EXPECT_EQ(SplitCommandLine(c.line, 2), c.number);
    EXPECT_EQ(SplitCommandLine(c.line, 3), c.description);
  }
  EXPECT_EQ(SplitCommandLine("a=1;b", 4), "");
}

TEST(CommandCatalogRules, CategoryAndHeaderNamesAreDifferentRules) {
  struct Case {
    const char *text;
    const char *category, *header;
  } cases[] = {
      {"[___Files___]=0", "Files", "Files]="},
      {"[___File_ops___]=0", "Fileops", "Fileops]="},
      {"[___Files___]", "Fil", "Files"},
      {"[__]=0", "", "]="},
      {"[]", "", ""},
      {"_", "", ""},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(CategoryName(c.text), c.category);
    EXPECT_EQ(HeaderName(c.text), c.header);
  }
  EXPECT_EQ(StripEnds("[em_backup]"), "em_backup");
  EXPECT_EQ(StripEnds("x"), "");
}

TEST(CommandCatalogRules, FilterIsACaseInsensitiveSubstringOfTheRawLine) {
  struct Case {
    const char *filter, *line;
    bool match;
  } cases[] = {
      {"", "anything", true},
      {"=5", "cm_Pack=500;Pack", true},
      {"=5", "cm_X=15;five", false},
      {"COPY", "cm_Copy=300;x", true},
      {"y f", "cm_Copy=300;Copy files", true},
      {";c", "cm_Copy=300;Copy", true},
      {"kopieren", "cm_Copy=300;Copy", false},
      {"\xE4", "cm_X=1;\xC4rger", true}, // the code page's letters too
  };
  testsupport::ScopedCodePage western(1252);
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c.filter) + " in " + c.line);
    EXPECT_EQ(FilterMatches(c.filter, c.line), c.match);
  }
}

TEST(CommandCatalogRules, LocalizedLinesAreCleanedAndLookedUpIgnoringCase) {
  const LocalizedTexts texts(CleanLocalizedLines("; comment=no\r\n"
                                                 "All=\"Alle\"\r\n"
                                                 "\"\"\r\n"
                                                 "\n"
                                                 "300=Kopieren\n"
                                                 "files=Dateien\r"
                                                 "FILES=zweite\r\n"
                                                 "empty=\r\n"
                                                 "nokey\r\n"));
  EXPECT_EQ(texts.Lines(), (std::vector<std::string>{"All=Alle", "300=Kopieren", "files=Dateien",
                                                     "FILES=zweite", "empty=", "nokey"}));
  EXPECT_EQ(texts.Lookup("ALL"), "Alle");
  EXPECT_EQ(texts.Lookup("300"), "Kopieren");
  EXPECT_EQ(texts.Lookup("Files"), "Dateien");
  EXPECT_EQ(texts.Lookup("; comment"), "");
  EXPECT_EQ(texts.Lookup("nokey"), "");
  EXPECT_EQ(texts.Lookup("301"), "");
}

TEST_F(CommandCatalogTest, CategoryListWithoutLocalizedList) {
  const auto catalog = Loaded();
  EXPECT_EQ(Captions(catalog),
            (std::vector<std::string>{"All", "Files", "Fileops", "Tools", "usercmd.ini"}));
  EXPECT_EQ(catalog.CategoryHeaders(),
            (std::vector<std::string>{"[_______Files_______]=0", "[___File_ops___]=0",
                                      "[___Tools___]=0"}));
  EXPECT_FALSE(catalog.IsLocalized());
  // Blank lines are dropped when reading; comments are kept in the list itself.
  EXPECT_EQ(catalog.CommandLines().size(), 13u);
}

TEST_F(CommandCatalogTest, ConfiguredButMissingLocalizedListMeansNoTranslation) {
  // The language folder holds no list, so the setting names one that is missing too.
  ConfigureLanguage();
  WriteBytes(dir / "prog" / "Corvane.ini",
             "[Main]\r\nLocalizedInc=" + WindowsNameOf(dir / "tc" / "Language" / "WCMD_DEU.INC") +
                 "\r\n");
  const auto catalog = Loaded();
  EXPECT_FALSE(catalog.IsLocalized());
  EXPECT_EQ(Captions(catalog), (std::vector<std::string>{"All", "Files", "Fileops", "Tools",
                                                         "usercmd.ini", "WCMD_DEU.ini"}));
  EXPECT_EQ(catalog.Rows(1)[1].Description, "Does foo");
}

TEST_F(CommandCatalogTest, LocalizedCaptionsAndMissingKeysGiveEmptyTexts) {
  WriteLocalized("All=\"Alle Kommandos\"\r\nFiles=Dateien\r\nTools=Werkzeuge\r\n300=Kopieren\r\n");
  const auto catalog = Loaded();
  EXPECT_TRUE(catalog.IsLocalized());
  EXPECT_EQ(Captions(catalog),
            (std::vector<std::string>{"Alle Kommandos", "Dateien", "", "Werkzeuge", "usercmd.ini",
                                      "WCMD_DEU.ini"}));
  const auto files = catalog.Rows(1);
  EXPECT_EQ(RowNamed(files, "cm_Copy").Description, "Kopieren");
  EXPECT_EQ(RowNamed(files, "cm_Foo").Description, "");
  // Header rows in "All" show the localized category name.
  const auto all = catalog.Rows(0);
  ASSERT_FALSE(all.empty());
  EXPECT_EQ(all[0].Kind, RowKind::Header);
  EXPECT_EQ(all[0].Name, "Dateien");
}

// A Unicode list gives every character: in the code page's bytes where it holds them,
// else marked; the quotes around a value still go.
TEST_F(CommandCatalogTest, Utf16LocalizedListTranslatesInEveryCodePage) {
  WriteLocalized(
      testsupport::Utf16File(u"All=\"Все команды\"\r\nFiles=Файлы\r\n300=Копировать\r\n"));
  for (const int codePage : {1251, 1252}) {
    SCOPED_TRACE(codePage);
    testsupport::ScopedCodePage scoped(codePage);
    const auto catalog = Loaded();
    EXPECT_EQ(Captions(catalog)[0], platform::Utf8ToText("Все команды"));
    EXPECT_EQ(Captions(catalog)[1], platform::Utf8ToText("Файлы"));
    EXPECT_EQ(RowNamed(catalog.Rows(1), "cm_Copy").Description, platform::Utf8ToText("Копировать"));
  }
}

TEST_F(CommandCatalogTest, RowsOfACategoryStopAtTheNextLineWithTwoUnderscores) {
  const auto catalog = Loaded();
  EXPECT_EQ(Names(catalog.Rows(1)), (std::vector<std::string>{"cm_Copy", "cm_Foo", ""}));
  const auto noNumber = catalog.Rows(1)[2];
  EXPECT_EQ(noNumber.Number, "");
  EXPECT_EQ(noNumber.Description, "cm_NoNumber");
  // The comment holding "__" ends "Fileops" before cm_Orphan.
  EXPECT_EQ(Names(catalog.Rows(2)), (std::vector<std::string>{"cm_Pack", "cm_Unpack"}));
  EXPECT_EQ(Names(catalog.Rows(3)), (std::vector<std::string>{"cm_Sync", "cm_Big"}));
  EXPECT_TRUE(catalog.Rows(99).empty());
}

TEST_F(CommandCatalogTest, AllListsHeadersAndCommandsButNoComments) {
  const auto catalog = Loaded();
  const auto all = catalog.Rows(0);
  ASSERT_EQ(all.size(), 11u);
  EXPECT_EQ(all[0].Kind, RowKind::Header);
  EXPECT_EQ(all[0].Name, "Files");
  EXPECT_EQ(all[0].Line, "[_______Files_______]=0");
  EXPECT_EQ(all[0].Number, "");
  EXPECT_EQ(all[4].Name, "Fileops");
  EXPECT_EQ(RowNamed(all, "cm_Orphan").Description, "After the comment");
  for (const auto &row : all)
    EXPECT_NE(row.Line.front(), ';') << row.Line;
}

TEST_F(CommandCatalogTest, FilterMatchesRawLinesOfCommandCategoriesOnly) {
  WriteLocalized("300=Kopieren\r\n");
  const auto catalog = Loaded();
  EXPECT_EQ(Names(catalog.Rows(0, "=5")),
            (std::vector<std::string>{"cm_Pack", "cm_Unpack", "cm_Orphan", "cm_Sync"}));
  // The English description matches although the localized one is shown.
  const auto copy = catalog.Rows(1, "copy FILES");
  ASSERT_EQ(copy.size(), 1u);
  EXPECT_EQ(copy[0].Description, "Kopieren");
  EXPECT_TRUE(catalog.Rows(1, "Kopieren").empty());
  EXPECT_EQ(Names(catalog.Rows(2, "files")), (std::vector<std::string>{"cm_Pack", "cm_Unpack"}));
  // A user-command category ignores the filter.
  EXPECT_EQ(catalog.Rows(4, "nothing matches this").size(), 2u);
}

TEST_F(CommandCatalogTest, ChoosingACommandWritesMappedIconNameAndDescription) {
  const auto catalog = Loaded();
  const auto files = catalog.Rows(1);
  struct Case {
    const char *name;
    const char *icon;
    const char *tooltip;
  } cases[] = {
      {"cm_Foo", "wcmicons.dll,4", "Does foo"},
      {"cm_Copy", "wcmicons.dll,7", "Copy files"},
      {"", "wcmicons.dll,0", "cm_NoNumber"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const auto choice = catalog.Choose(RowNamed(files, c.name));
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->IconRef, c.icon);
    EXPECT_EQ(choice->Command, c.name);
    EXPECT_EQ(choice->Tooltip, std::optional<std::string>(c.tooltip));
  }
  const auto big = catalog.Choose(RowNamed(catalog.Rows(3), "cm_Big"));
  ASSERT_TRUE(big.has_value());
  EXPECT_EQ(big->IconRef, "wcmicons.dll,999");
  const auto unmapped = catalog.Choose(RowNamed(catalog.Rows(2), "cm_Unpack"));
  ASSERT_TRUE(unmapped.has_value());
  EXPECT_EQ(unmapped->IconRef, "wcmicons.dll,0");
}

TEST_F(CommandCatalogTest, LocalizedDescriptionIsWrittenAsTooltip) {
  WriteLocalized("300=\"Kopieren\"\r\n");
  const auto catalog = Loaded();
  const auto files = catalog.Rows(1);
  EXPECT_EQ(catalog.Choose(RowNamed(files, "cm_Copy"))->Tooltip,
            std::optional<std::string>("Kopieren"));
  // Localized and lacking the number: empty, never the English text.
  EXPECT_EQ(catalog.Choose(RowNamed(files, "cm_Foo"))->Tooltip, std::optional<std::string>(""));
}

TEST_F(CommandCatalogTest, HeaderRowsCannotBeChosen) {
  const auto catalog = Loaded();
  for (const auto &row : catalog.Rows(0)) {
    if (row.Kind == RowKind::Header) {
      EXPECT_FALSE(catalog.Choose(row).has_value()) << row.Line;
    }
  }
  CommandRow oddLine{"cm_A=1;text with __ inside", RowKind::Command, "cm_A", "", ""};
  EXPECT_FALSE(catalog.Choose(oddLine).has_value());
}

TEST_F(CommandCatalogTest, UserCommandsTakeIconKey106AndKeepTheTooltip) {
  const auto catalog = Loaded();
  const auto rows = catalog.Rows(4);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].Kind, RowKind::UserCommand);
  EXPECT_EQ(rows[0].Line, "[em_backup]=;C:\\Tools\\backup.exe");
  EXPECT_EQ(rows[0].Name, "em_backup");
  EXPECT_EQ(rows[0].Number, "");
  EXPECT_EQ(rows[0].Description, "C:\\Tools\\backup.exe");
  const auto choice = catalog.Choose(rows[0]);
  ASSERT_TRUE(choice.has_value());
  EXPECT_EQ(choice->IconRef, "wcmicons.dll,12");
  EXPECT_EQ(choice->Command, "em_backup");
  EXPECT_FALSE(choice->Tooltip.has_value());
}

TEST_F(CommandCatalogTest, LocalizedUserCommandFileIsItsOwnCategory) {
  WriteLocalized("All=Alle\r\n");
  WriteBytes(dir / "tc" / "Language" / "WCMD_DEU.ini", "[em_sichern]\r\ncmd=sichern.exe\r\n");
  const auto catalog = Loaded();
  ASSERT_EQ(catalog.Categories().size(), 6u);
  EXPECT_EQ(Names(catalog.Rows(4)), (std::vector<std::string>{"em_backup", "em_notes"}));
  EXPECT_EQ(Names(catalog.Rows(5)), (std::vector<std::string>{"em_sichern"}));
}

TEST_F(CommandCatalogTest, MissingIconMappingGivesIndexZero) {
  std::filesystem::remove(dir / "tc" / "WCMICONS.INC");
  const auto catalog = Loaded();
  EXPECT_EQ(catalog.Choose(RowNamed(catalog.Rows(1), "cm_Copy"))->IconRef, "wcmicons.dll,0");
  EXPECT_EQ(catalog.Choose(catalog.Rows(4)[0])->IconRef, "wcmicons.dll,0");
}

TEST_F(CommandCatalogTest, MissingCommandListIsAnErrorNamingTheFileAndLeavesNothing) {
  std::filesystem::remove(dir / "tc" / "Totalcmd.inc");
  CommandCatalog catalog;
  catalog.Load(exe);
  ASSERT_TRUE(catalog.LoadError());
  const std::string error = platform::EnglishText(*catalog.LoadError());
  EXPECT_NE(error.find("Cannot open file"), std::string::npos);
  EXPECT_NE(error.find("Totalcmd.inc"), std::string::npos);
  EXPECT_TRUE(catalog.Categories().empty());
  EXPECT_TRUE(catalog.Rows(0).empty());
}

// Two headers of one name: untranslated they share one entry that lists the commands
// of both; the entries after it still show their own headers' commands.
TEST_F(CommandCatalogTest, RepeatedCategoryNamesKeepEveryHeaderReachable) {
  WriteBytes(dir / "tc" / "Totalcmd.inc", "[___Files___]=0\r\ncm_A=1;a\r\n"
                                          "[___View___]=0\r\ncm_V=2;v\r\n"
                                          "[___FILES___]=0\r\ncm_B=3;b\r\n"
                                          "[___Last___]=0\r\ncm_L=4;l\r\n");
  const auto plain = Loaded();
  EXPECT_EQ(Captions(plain),
            (std::vector<std::string>{"All", "Files", "View", "Last", "usercmd.ini"}));
  EXPECT_EQ(Names(plain.Rows(1)), (std::vector<std::string>{"cm_A", "cm_B"}));
  EXPECT_EQ(Names(plain.Rows(2)), (std::vector<std::string>{"cm_V"}));
  EXPECT_EQ(Names(plain.Rows(3)), (std::vector<std::string>{"cm_L"}));

  WriteLocalized("Files=Dateien\r\n");
  const auto localized = Loaded();
  EXPECT_EQ(Captions(localized), (std::vector<std::string>{"", "Dateien", "", "Dateien", "",
                                                           "usercmd.ini", "WCMD_DEU.ini"}));
  EXPECT_EQ(Names(localized.Rows(1)), (std::vector<std::string>{"cm_A"}));
  EXPECT_EQ(Names(localized.Rows(3)), (std::vector<std::string>{"cm_B"}));
  EXPECT_EQ(Names(localized.Rows(4)), (std::vector<std::string>{"cm_L"}));
}

// Identical header lines: each entry finds its own header, not the first one.
TEST_F(CommandCatalogTest, IdenticalHeaderLinesEachShowTheirOwnCommands) {
  WriteBytes(dir / "tc" / "Totalcmd.inc",
             "[___Files___]=0\r\ncm_A=1;a\r\n[___Files___]=0\r\ncm_B=3;b\r\n");
  WriteLocalized("Files=Dateien\r\n");
  const auto catalog = Loaded();
  EXPECT_EQ(Names(catalog.Rows(1)), (std::vector<std::string>{"cm_A"}));
  EXPECT_EQ(Names(catalog.Rows(2)), (std::vector<std::string>{"cm_B"}));
}

TEST_F(CommandCatalogTest, ALoadStartsAfresh) {
  WriteLocalized("All=Alle\r\n");
  CommandCatalog catalog;
  catalog.Load(exe);
  EXPECT_TRUE(catalog.IsLocalized());
  std::filesystem::remove(dir / "tc" / "Language" / "WCMD_DEU.INC");
  WriteBytes(dir / "tc" / "Totalcmd.inc", "[___Only___]=0\r\ncm_O=1;o\r\n");
  catalog.Load(exe);
  EXPECT_FALSE(catalog.IsLocalized());
  EXPECT_EQ(Captions(catalog), (std::vector<std::string>{"All", "Only", "usercmd.ini"}));
  EXPECT_EQ(catalog.CommandLines().size(), 2u);
}

} // namespace
