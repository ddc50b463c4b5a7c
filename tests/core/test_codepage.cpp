// The system code page, the conversions at the edges and the text rules over them.
#include "platform/CodePage.h"
#include "platform/Environment.h"
#include "platform/Registry.h"
#include "platform/TextRules.h"
#include "platform/WinePrefix.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using platform::TextToUtf8;
using platform::Utf8Mark;
using platform::Utf8ToText;
using testsupport::ScopedCodePage;
using testsupport::ScopedEnv;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

TEST(CodePage, LocalesGiveTheirWindowsCodePage) {
  const std::pair<const char *, int> cases[] = {
      {"ru_RU.UTF-8", 1251}, {"uk_UA", 1251},
      {"sr_RS@latin", 1251}, {"pl_PL.UTF-8", 1250},
      {"hu_HU", 1250},       {"el_GR.UTF-8", 1253},
      {"tr_TR", 1254},       {"he_IL", 1255},
      {"fa_IR", 1256},       {"lt_LT", 1257},
      {"vi_VN", 1258},       {"th_TH", 874},
      {"ja_JP.UTF-8", 932},  {"zh_CN.UTF-8", 936},
      {"zh_SG", 936},        {"ko_KR.EUC-KR", 949},
      {"zh_TW.UTF-8", 950},  {"zh_HK", 950},
      {"de_DE.UTF-8", 1252}, {"C", 1252},
      {"POSIX", 1252},       {"", 1252},
  };
  for (const auto &[locale, codePage] : cases)
    EXPECT_EQ(platform::CodePageOfLocale(locale), codePage) << locale;
}

// The prefix's registry wins over the locale; the setting wins over both.
TEST(CodePage, PrefixRegistryThenLocaleThenSetting) {
  TempDir prefix;
  ScopedEnv wine("WINEPREFIX", prefix.path().string().c_str());
  if (platform::WinePrefixDir().empty())
    GTEST_SKIP() << "no Wine prefix stands for Windows on this system";
  ScopedEnv all("LC_ALL", "ja_JP.UTF-8");
  EXPECT_EQ(platform::DetectedCodePage(), 932);
  WriteBytes(prefix / "system.reg",
             "WINE REGISTRY Version 2\n\n"
             "[System\\\\CurrentControlSet\\\\Control\\\\Nls\\\\CodePage] 1700000000\n"
             "\"ACP\"=\"1251\"\n\"OEMCP\"=\"866\"\n");
  EXPECT_EQ(platform::CodePageOfRegistry(), 1251);
  EXPECT_EQ(platform::DetectedCodePage(), 1251);
  ScopedCodePage setting(936);
  EXPECT_EQ(platform::SystemCodePage(), 936);
  EXPECT_FALSE(platform::SetSystemCodePage(437)) << "not a supported ANSI code page";
  EXPECT_EQ(platform::SystemCodePage(), 936);
}

// Values Wine's new prefix holds, read from the system's registry on Windows and from a
// prefix written with them elsewhere: by hive, strings only, expandable ones unexpanded.
TEST(Registry, ReadsAStringByHiveAndKey) {
  TempDir prefix;
  WriteBytes(prefix / "system.reg",
             "WINE REGISTRY Version 2\n\n"
             "[System\\\\CurrentControlSet\\\\Control\\\\Nls\\\\Codepage] 1\n\"ACP\"=\"1251\"\n"
             "[System\\\\CurrentControlSet\\\\Control\\\\Session Manager\\\\Environment] 1\n"
             "\"ComSpec\"=str(2):\"%SystemRoot%\\\\system32\\\\cmd.exe\"\n"
             "[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion] 1\n"
             "\"InstallDate\"=dword:4be5019a\n\"SystemRoot\"=\"C:\\\\windows\"\n");
  WriteBytes(
      prefix / "user.reg",
      "WINE REGISTRY Version 2\n\n[Environment] 1\n\"TEMP\"=\"C:\\\\users\\\\me\\\\Temp\"\n");
  ScopedEnv wine("WINEPREFIX", prefix.path().string().c_str());
  using platform::RegistryHive;
  const std::string nt = "Software\\Microsoft\\Windows NT\\CurrentVersion";
  const struct {
    RegistryHive hive;
    std::string key;
    const char *value;
    std::optional<std::string> data; // "?": any text
    bool expandable;
  } cases[] = {
      {RegistryHive::LocalMachine,
       "System\\CurrentControlSet\\Control\\Session Manager\\Environment", "ComSpec",
       "%SystemRoot%\\system32\\cmd.exe", true},
      {RegistryHive::LocalMachine, "SOFTWARE\\microsoft\\windows nt\\currentversion", "systemroot",
       platform::WindowsDirectory(), false},
      {RegistryHive::CurrentUser, "Environment", "TEMP", "?", false},
      {RegistryHive::LocalMachine, "Environment", "TEMP", std::nullopt, false},
      {RegistryHive::LocalMachine, nt, "InstallDate", std::nullopt, false},
      {RegistryHive::LocalMachine, nt, "NoSuchValue", std::nullopt, false},
      {RegistryHive::CurrentUser, "Software\\Corvane\\NoSuchKey", "", std::nullopt, false},
  };
  for (const auto &row : cases) {
    SCOPED_TRACE(row.key + " " + row.value);
    const auto found = platform::ReadRegistryValue(row.hive, row.key, row.value);
    ASSERT_EQ(found.has_value(), row.data.has_value());
    if (found && *row.data != "?") {
      EXPECT_EQ(found->data, *row.data);
      EXPECT_EQ(found->expandable, row.expandable);
    }
  }
  // The machine's code page as the registry names it is the one the run starts in.
  const auto codePage = platform::CodePageOfRegistry();
  ASSERT_TRUE(codePage);
  EXPECT_EQ(*codePage, platform::DetectedCodePage());
}

// Text of each script is held as the code page's bytes where it can be, and marked
// UTF-8 where it cannot; either way it comes back as it was.
TEST(CodePage, TextsComeBackAsTheyWere) {
  struct Case {
    int codePage;
    const char *utf8;
    const char *bytes; // the code page's form, or nullptr when it must be marked
  } cases[] = {
      {1252, "Grüße",
       "Gr\xFC\xDF"
       "e"},
      {1252, "Основная панель", nullptr},
      {1251, "Основная панель", "\xCE\xF1\xED\xEE\xE2\xED\xE0\xFF \xEF\xE0\xED\xE5\xEB\xFC"},
      {1253, "Ωmega", "\xD9mega"},
      {1250, "Łódź", "\xA3\xF3\x64\x9F"},
      {936, "中文工具", "\xD6\xD0\xCE\xC4\xB9\xA4\xBE\xDF"},
      {932, "表示", "\x95\x5C\x8E\xA6"},
      {949, "한국어", "\xC7\xD1\xB1\xB9\xBE\xEE"},
      {950, "繁體", "\xC1\x63\xC5\xE9"},
      {1251, "中文", nullptr},
      {936, "Ωmega שלום", nullptr},
      {1252, "\u20AC\u0081", "\x80\x81"}, // 0x81 is undefined: the C1 control, as Windows has it
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::to_string(c.codePage) + " " + c.utf8);
    const std::string text = Utf8ToText(c.utf8, c.codePage);
    EXPECT_EQ(text, c.bytes ? std::string(c.bytes) : std::string(Utf8Mark) + c.utf8);
    EXPECT_EQ(TextToUtf8(text, c.codePage), c.utf8);
  }
}

TEST(CodePage, BytesTheCodePageLacksAreShownAsReplacements) {
  EXPECT_EQ(platform::CodePageToUtf8("z\x81", 936), "z\uFFFD") << "a lead byte without trail";
  EXPECT_EQ(platform::CodePageToUtf8("\xAA", 1253), "\uFFFD");
  EXPECT_FALSE(platform::Utf8ToCodePage("\xC3", 1252)) << "malformed UTF-8";
}

// Two-byte characters are never cut or changed: "表" in 932 ends in the byte of "\".
TEST(TextRules, TwoByteCharactersStayWhole) {
  ScopedCodePage japanese(932);
  const std::string path = "C:\\\x95\x5C\\A.EXE"; // C:\表\A.EXE
  EXPECT_EQ(platform::FindLastCharOf(path, "\\"), 5u);
  EXPECT_EQ(platform::FindChar(path, '\\', 3), 5u);
  EXPECT_EQ(platform::LowerText(path), "c:\\\x95\x5C\\a.exe");
  EXPECT_FALSE(platform::ContainsText(path, "\\\\A")) << "the second byte of 表 is no backslash";
  ScopedCodePage chinese(936);
  // "十" is 0xCA 0xAE in 936; a second byte in A..Z would look like a letter.
  EXPECT_EQ(platform::LowerText("\xCA\x41X"), "\xCA\x41x");
  EXPECT_FALSE(platform::ContainsText("\xCA\x43"
                                      "D.EXE",
                                      "CD"))
      << "C is a second byte";
  EXPECT_TRUE(platform::ContainsText("\xCA\x43"
                                     "CD.EXE",
                                     "CD"));
}

TEST(TextRules, CaseFollowsTheCodePageAndMarkedText) {
  {
    ScopedCodePage cyrillic(1251);
    EXPECT_EQ(platform::LowerText("\xC4\xCE\xCC TOOL"), "\xE4\xEE\xEC tool"); // ДОМ
    EXPECT_TRUE(platform::EqualNoCase("\xC4\xCE\xCC", "\xE4\xEE\xEC"));
  }
  ScopedCodePage western(1252);
  EXPECT_EQ(platform::UpperText("stra\xDF\x65 \xE4\x9A"), "STRA\xDF\x45 \xC4\x8A");
  EXPECT_EQ(platform::LowerText(std::string(Utf8Mark) + "ΩMEGA"), std::string(Utf8Mark) + "ωmega");
  EXPECT_FALSE(platform::EqualNoCase("a", "b"));
}

// Pieces and joins of marked text are texts of their own: marked only where needed.
TEST(TextRules, PiecesAndJoinsOfMarkedTextStandAlone) {
  ScopedCodePage western(1252);
  const std::string marked = Utf8ToText("C:\\Ωmega\\Grüße.exe");
  EXPECT_EQ(platform::TextPiece(marked, marked.rfind('\\') + 1), "Gr\xFC\xDF"
                                                                 "e.exe");
  EXPECT_EQ(platform::TextPiece(marked, 0, marked.rfind('\\') + 1), Utf8ToText("C:\\Ωmega\\"));
  EXPECT_EQ(platform::TextPiece("plain", 1, 3), "lai");
  EXPECT_EQ(platform::JoinTexts({"C:\\M\xFCller\\", Utf8ToText("Ωmega.exe")}),
            Utf8ToText("C:\\Müller\\Ωmega.exe"));
  EXPECT_EQ(platform::JoinTexts({"a", "\xFC"}), "a\xFC");
}

TEST(TextRules, LinesEndAtCrLfLfOrCr) {
  using Lines = std::vector<std::string_view>;
  EXPECT_EQ(platform::SplitLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(platform::SplitLines("a\r\n\r\n"), (Lines{"a", ""}));
  EXPECT_EQ(platform::SplitLines(""), Lines{});
  EXPECT_EQ(platform::SplitLines("\n\rx"), (Lines{"", "", "x"}));
}

} // namespace
