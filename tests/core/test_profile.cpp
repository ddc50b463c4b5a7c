// The profile layer's own promises: the cache follows the disk, a batch writes once
// or not at all, failures are reported and leave files alone, and edits keep every
// byte they do not change.
#include "platform/CodePage.h"
#include "platform/HostFiles.h"
#include "platform/IniFile.h"
#include "platform/Profile.h"
#include "support/TestHost.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>

using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

namespace fs = std::filesystem;

std::string NameOf(const fs::path &path) {
  return testsupport::WindowsNameOf(path);
}

// Which file the name stands for: a file replaced by another has a new identity.
uint64_t IdentityOf(const fs::path &path) {
  const auto stamp = platform::GetFileStamp(NameOf(path));
  return stamp ? stamp->identity : 0;
}

void MakeReadOnly(const fs::path &path) {
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

class Profile : public ::testing::Test {
protected:
  void SetUp() override { platform::FlushProfileCache(); }
  TempDir dir;
  fs::path path = dir / "tools.bar";
  std::string file = NameOf(path);
};

TEST_F(Profile, ReadSeesAChangeMadeOnDiskBehindTheCache) {
  WriteBytes(path, "[S]\r\nk=old\r\n");
  ASSERT_EQ(platform::ReadProfileString("S", "k", "", file), "old");
  WriteBytes(path, "[S]\r\nk=newer\r\n");
  EXPECT_EQ(platform::ReadProfileString("S", "k", "", file), "newer");
  // Same size, only the modification time tells.
  WriteBytes(path, "[S]\r\nk=later\r\n");
  fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(5));
  EXPECT_EQ(platform::ReadProfileString("S", "k", "", file), "later");
  fs::remove(path);
  EXPECT_EQ(platform::ReadProfileString("S", "k", "gone", file), "gone");
}

TEST_F(Profile, BatchReadsTrustTheCacheUntilTheBatchEnds) {
  WriteBytes(path, "[S]\r\nk=old\r\n");
  {
    platform::ProfileBatch batch;
    ASSERT_EQ(platform::ReadProfileString("S", "k", "", file), "old");
    WriteBytes(path, "[S]\r\nk=changed on disk\r\n");
    EXPECT_EQ(platform::ReadProfileString("S", "k", "", file), "old");
  }
  EXPECT_EQ(platform::ReadProfileString("S", "k", "", file), "changed on disk");
}

TEST_F(Profile, OutsideABatchEveryWriteReachesTheDisk) {
  platform::WriteProfileString("Buttonbar", "Buttoncount", "1", file);
  EXPECT_EQ(ReadBytes(path), "[Buttonbar]\r\nButtoncount=1\r\n");
  platform::WriteProfileString("Buttonbar", "cmd1", "notepad.exe", file);
  EXPECT_EQ(ReadBytes(path), "[Buttonbar]\r\nButtoncount=1\r\ncmd1=notepad.exe\r\n");
}

TEST_F(Profile, BatchWritesEachChangedFileOnceOnCommit) {
  WriteBytes(path, "[Buttonbar]\r\nButtoncount=1\r\ncmd1=old.exe\r\n");
  const uint64_t before = IdentityOf(path);
  platform::ProfileBatch batch;
  platform::EmptyProfileSection("Buttonbar", file);
  for (int n = 1; n <= 200; ++n)
    platform::WriteProfileString("Buttonbar", "cmd" + std::to_string(n), "x.exe", file);
  platform::WriteProfileString("Buttonbar", "Buttoncount", "200", file);
  // Nothing reached the disk yet, though reads see the pending state.
  EXPECT_EQ(ReadBytes(path), "[Buttonbar]\r\nButtoncount=1\r\ncmd1=old.exe\r\n");
  EXPECT_EQ(IdentityOf(path), before);
  EXPECT_EQ(platform::ReadProfileInt("Buttonbar", "Buttoncount", 0, file), 200);
  batch.Commit();
  // The file was replaced once, as a whole.
  const uint64_t afterCommit = IdentityOf(path);
  EXPECT_NE(afterCommit, before);
  const std::string bytes = ReadBytes(path);
  EXPECT_EQ(bytes.rfind("[Buttonbar]\r\ncmd1=x.exe\r\ncmd2=x.exe\r\n", 0), 0u) << bytes;
  EXPECT_NE(bytes.find("cmd200=x.exe\r\nButtoncount=200\r\n"), std::string::npos);
  batch.Commit();
  EXPECT_EQ(IdentityOf(path), afterCommit) << "a commit with nothing pending wrote again";
  platform::FlushProfileCache();
  EXPECT_EQ(platform::ReadProfileString("Buttonbar", "cmd200", "", file), "x.exe");
}

TEST_F(Profile, BatchDestroyedWithoutCommitDropsItsChanges) {
  WriteBytes(path, "[S]\r\nk=old\r\n");
  const fs::path created = dir / "new.ini";
  {
    platform::ProfileBatch batch;
    platform::WriteProfileString("S", "k", "pending", file);
    platform::WriteProfileString("S", "k", "pending", NameOf(created));
    EXPECT_EQ(platform::ReadProfileString("S", "k", "", file), "pending");
  }
  EXPECT_EQ(ReadBytes(path), "[S]\r\nk=old\r\n");
  EXPECT_FALSE(fs::exists(created));
  EXPECT_EQ(platform::ReadProfileString("S", "k", "", file), "old");
  EXPECT_EQ(platform::ReadProfileString("S", "k", "none", NameOf(created)), "none");
}

TEST_F(Profile, InnerBatchJoinsTheOuterOneAndCommitWritesEverythingPending) {
  WriteBytes(path, "[S]\r\nk=old\r\n");
  platform::ProfileBatch outer;
  platform::WriteProfileString("S", "a", "1", file);
  {
    platform::ProfileBatch inner;
    platform::WriteProfileString("S", "b", "2", file);
  }
  EXPECT_EQ(ReadBytes(path), "[S]\r\nk=old\r\n") << "the inner batch's end wrote or dropped";
  EXPECT_EQ(platform::ReadProfileString("S", "b", "", file), "2");
  outer.Commit();
  EXPECT_EQ(ReadBytes(path), "[S]\r\nk=old\r\na=1\r\nb=2\r\n");
}

TEST_F(Profile, WriteToAReadOnlyFileIsReportedAndTheFileKept) {
  WriteBytes(path, "[S]\r\nk=old\r\n");
  MakeReadOnly(path);
  try {
    platform::WriteProfileString("S", "k", "new", file);
    FAIL() << "no error for a read-only file";
  } catch (const platform::EFileWriteError &e) {
    EXPECT_NE(std::string(e.what()).find("tools.bar"), std::string::npos) << e.what();
  }
  EXPECT_EQ(ReadBytes(path), "[S]\r\nk=old\r\n");
  EXPECT_EQ(platform::ReadProfileString("S", "k", "", file), "old")
      << "the cache kept the failed edit";
}

TEST_F(Profile, WriteIntoAMissingFolderIsReported) {
  const std::string missing = NameOf(dir / "no such folder" / "x.ini");
  EXPECT_THROW(platform::WriteProfileString("S", "k", "v", missing), platform::EFileWriteError);
  EXPECT_EQ(platform::ReadProfileString("S", "k", "none", missing), "none");
}

TEST_F(Profile, FailedCommitLeavesTheCacheAsTheDiskIs) {
  const fs::path locked = dir / "locked.ini";
  WriteBytes(locked, "[S]\r\nk=locked\r\n");
  WriteBytes(path, "[S]\r\nk=old\r\n");
  MakeReadOnly(locked);
  platform::ProfileBatch batch;
  platform::WriteProfileString("S", "k", "lost", NameOf(locked));
  platform::WriteProfileString("S", "k", "not written", file);
  EXPECT_THROW(batch.Commit(), platform::EFileWriteError);
  EXPECT_EQ(ReadBytes(locked), "[S]\r\nk=locked\r\n");
  EXPECT_EQ(ReadBytes(path), "[S]\r\nk=old\r\n");
  EXPECT_EQ(platform::ReadProfileString("S", "k", "", NameOf(locked)), "locked");
  EXPECT_EQ(platform::ReadProfileString("S", "k", "", file), "old");
}

struct LayoutCase {
  const char *name;
  const char *before;
  const char *section, *key, *value; // value null deletes the key
  const char *after;
};

class ProfileLayout : public Profile, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(ProfileLayout, EditChangesOnlyWhatItMust) {
  const LayoutCase &c = GetParam();
  WriteBytes(path, c.before);
  platform::WritePrivateProfileStringA(c.section, c.key, c.value, file.c_str());
  EXPECT_EQ(ReadBytes(path), c.after);
}

const LayoutCase kLayoutCases[] = {
    {"LfFileGetsLfLines", "[S]\na=1\n", "S", "b", "2", "[S]\na=1\nb=2\n"},
    {"CrFileGetsCrLines", "[S]\ra=1\r", "T", "b", "2", "[S]\ra=1\r[T]\rb=2\r"},
    {"MissingFinalLineEndIsKeptOnReplace", "[S]\r\na=1\r\nb=2", "S", "b", "3", "[S]\r\na=1\r\nb=3"},
    {"MissingFinalLineEndIsAddedBeforeAnAppend", "[S]\na=1", "S", "b", "2", "[S]\na=1\nb=2\n"},
    {"ValueReplacedBetweenItsBlanks", "; head\r\n[S]\r\n  key  =  old  \r\n\r\n[T]\r\n", "S", "KEY",
     "new", "; head\r\n[S]\r\n  key  =  new  \r\n\r\n[T]\r\n"},
    {"NewKeyGoesBeforeTheBlankLinesClosingTheSection",
     "[A]\r\na=1\r\n; note\r\n\r\n\r\n[B]\r\nb=1\r\n", "a", "c", "3",
     "[A]\r\na=1\r\n; note\r\nc=3\r\n\r\n\r\n[B]\r\nb=1\r\n"},
    {"KeyWithoutEqualsGetsAValue", "[S]\r\n  flag  \r\n", "S", "flag", "1",
     "[S]\r\n  flag=1  \r\n"},
    {"DeletedKeyTakesOnlyItsLine", "[S]\r\na=1\r\n\r\nb=2\r\n[T]\r\n", "S", "b", nullptr,
     "[S]\r\na=1\r\n\r\n[T]\r\n"},
    {"DeletedSectionTakesItsBlankLines", "[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\n\r\n[C]\r\n", "B",
     nullptr, nullptr, "[A]\r\na=1\r\n\r\n[C]\r\n"},
    {"UnchangedValueWritesNothing", "[S]\n k =  same \n", "S", "k", "same", "[S]\n k =  same \n"},
};

INSTANTIATE_TEST_SUITE_P(Edits, ProfileLayout, ::testing::ValuesIn(kLayoutCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(Profile, EmptiedSectionKeepsItsHeaderAndTheFollowingSections) {
  WriteBytes(path,
             "[Buttonbar]\r\nButtoncount=2\r\n; c\r\ncmd1=a\r\n\r\n[AlternativeCache]\r\nx=1\r\n");
  platform::EmptyProfileSection("buttonbar", file);
  EXPECT_EQ(ReadBytes(path), "[Buttonbar]\r\n\r\n[AlternativeCache]\r\nx=1\r\n");
  platform::WriteProfileString("Buttonbar", "Buttoncount", "0", file);
  EXPECT_EQ(ReadBytes(path), "[Buttonbar]\r\nButtoncount=0\r\n\r\n[AlternativeCache]\r\nx=1\r\n");
}

TEST_F(Profile, HelpersReadWholeValuesAndBuffersCutThem) {
  const std::string longValue(300, 'v');
  platform::WriteProfileString("S", "long", "\"" + longValue + "\"", file);
  EXPECT_EQ(platform::ReadProfileString("S", "long", "", file), longValue);
  // Cut to 259 characters with its opening quote, which then comes off.
  EXPECT_EQ(platform::ReadProfileString("S", "long", "", file, 260), longValue.substr(0, 258));
  EXPECT_EQ(platform::ReadProfileString("S", "missing", "'quoted'  ", file), "quoted");
  platform::DeleteProfileKey("S", "long", file);
  EXPECT_EQ(platform::ReadProfileString("S", "long", "gone", file), "gone");
  platform::WriteProfileString("S", "n", "-7", file);
  EXPECT_EQ(platform::ReadProfileInt("S", "n", 0, file), -7);
}

// Whatever a value holds short of a line break, the exact form reads back as it was.
TEST_F(Profile, ExactValuesReadBackAsTheyWere) {
  std::vector<std::string> texts = {
      "plain",
      "\"@%WL\" \"%T\"",
      "mklink /H \"%WL\" \"%T\\\" ",
      " lead",
      "trail\t",
      "'x'",
      "\"",
      "\"\"",
      "'",
      "\"only open",
      "a=b=c",
      "[x]",
      ";not a comment",
      "\x1A",
      "\"\"x\"\"",
  };
  std::mt19937 random(7);
  const std::string alphabet = " \t\v\f\x1A\"'=;[]ab\xE9";
  for (int i = 0; i < 200; ++i) {
    std::string text(random() % 8, ' ');
    for (char &c : text)
      c = alphabet[random() % alphabet.size()];
    texts.push_back(text);
  }
  for (size_t i = 0; i < texts.size(); ++i) {
    SCOPED_TRACE(testing::PrintToString(texts[i]));
    const std::string key = "k" + std::to_string(i);
    platform::WriteProfileString("S", key, platform::ExactProfileValue(texts[i]), file);
    platform::FlushProfileCache();
    EXPECT_EQ(platform::ReadProfileString("S", key, "", file), texts[i]);
  }
}

TEST_F(Profile, EmptyingASectionLeavesLaterOnesOfTheSameName) {
  WriteBytes(path, "[B]\r\na=1\r\n[x]\r\n[b]\r\nkeep=2\r\n");
  platform::EmptyProfileSection("B", file);
  EXPECT_EQ(ReadBytes(path), "[B]\r\n[x]\r\n[b]\r\nkeep=2\r\n");
  platform::EmptyProfileSection("B", NameOf(dir / "missing.ini"));
  platform::WritePrivateProfileSectionA("B", "\0", NameOf(dir / "missing.ini").c_str());
  EXPECT_FALSE(fs::exists(dir / "missing.ini")) << "an empty list creates no file";
}

// A file that is there but cannot be read reads as empty, yet is never written over.
TEST_F(Profile, UnreadableFileIsReportedAndNeverWrittenOver) {
  fs::create_directory(path);
  EXPECT_THROW(platform::CheckProfileReadable(file), platform::EFileReadError);
  EXPECT_THROW(platform::WriteProfileString("S", "k", "v", file), platform::EFileWriteError);
  EXPECT_TRUE(fs::is_directory(path));
  fs::remove(path);
  EXPECT_NO_THROW(platform::CheckProfileReadable(file)) << "a missing file is no error";
  WriteBytes(path, "[S]\r\nk=v\r\n");
  if (testsupport::CanDenyReading()) {
    fs::permissions(path, fs::perms::owner_write);
    EXPECT_THROW(platform::CheckProfileReadable(file), platform::EFileReadError);
    EXPECT_THROW(platform::WriteProfileString("S", "k", "w", file), platform::EFileWriteError);
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
  }
  EXPECT_EQ(platform::ReadProfileString("S", "k", "", file), "v") << "read again once readable";
}

TEST_F(Profile, UnicodeFileKeepsItsEncodingAndExchangesCodePageText) {
  testsupport::ScopedCodePage codePage(1252);
  WriteBytes(path, "\xEF\xBB\xBF[S]\r\nk=caf\xC3\xA9\r\n");
  EXPECT_EQ(platform::ReadProfileString("S", "k", "", file), "caf\xE9");
  platform::WriteProfileString("S", "\xC4rger", "\x80", file);
  EXPECT_EQ(ReadBytes(path), "\xEF\xBB\xBF[S]\r\nk=caf\xC3\xA9\r\n\xC3\x84rger=\xE2\x82\xAC\r\n");
  EXPECT_EQ(platform::ReadProfileString("s", "\xE4RGER", "", file), "\x80");

  const fs::path wide = dir / "wide.ini";
  WriteBytes(wide, std::string("\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0\xE9\0", 18));
  EXPECT_EQ(platform::ReadProfileString("S", "k", "", NameOf(wide)), "\xE9");
  platform::WriteProfileString("S", "k", "x", NameOf(wide));
  EXPECT_EQ(ReadBytes(wide), std::string("\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0x\0", 18));
}

enum class Form { Utf8, Utf16Le, Utf16Be };

// The same text as a file of that form, its mark first; utf8 and utf16 must agree.
std::string UnicodeFile(Form form, std::string_view utf8, std::u16string_view utf16) {
  if (form == Form::Utf8)
    return "\xEF\xBB\xBF" + std::string(utf8);
  return testsupport::Utf16File(utf16, form == Form::Utf16Be);
}

std::string InCodePage(int codePage, std::string_view utf8) {
  return platform::Utf8ToCodePage(utf8, codePage).value();
}

class UnicodeProfile : public Profile, public ::testing::WithParamInterface<Form> {};

// Every character survives: the code page's own arrive as its bytes, the others marked,
// and an edit changes only its value, in the file's own encoding.
TEST_P(UnicodeProfile, ValuesArriveInTheCodePageOrMarkedAndEditsKeepTheEncoding) {
  const Form form = GetParam();
  WriteBytes(path, UnicodeFile(form,
                               "[Панель]\r\nmenu1=Основная панель\r\nmenu2=主工具栏\r\n"
                               "cmd1=a.exe\r\ncmd2=b.exe\r\n",
                               u"[Панель]\r\nmenu1=Основная панель\r\nmenu2=主工具栏\r\n"
                               u"cmd1=a.exe\r\ncmd2=b.exe\r\n"));
  {
    testsupport::ScopedCodePage codePage(1251);
    const std::string section = InCodePage(1251, "ПАНЕЛЬ");
    EXPECT_EQ(platform::ReadProfileString(section, "menu1", "", file),
              InCodePage(1251, "Основная панель"));
    EXPECT_EQ(platform::ReadProfileString(section, "menu2", "", file), "\xEF\xBB\xBF主工具栏");
    platform::WriteProfileString(section, "cmd1", "\xEF\xBB\xBF新.exe", file);
    platform::WriteProfileString(section, "cmd2", InCodePage(1251, "Путь.exe"), file);
    EXPECT_EQ(ReadBytes(path),
              UnicodeFile(form,
                          "[Панель]\r\nmenu1=Основная панель\r\nmenu2=主工具栏\r\n"
                          "cmd1=新.exe\r\ncmd2=Путь.exe\r\n",
                          u"[Панель]\r\nmenu1=Основная панель\r\nmenu2=主工具栏\r\n"
                          u"cmd1=新.exe\r\ncmd2=Путь.exe\r\n"));
  }
  testsupport::ScopedCodePage codePage(936);
  EXPECT_EQ(platform::ReadProfileString(InCodePage(936, "Панель"), "menu2", "", file),
            InCodePage(936, "主工具栏"));
}

std::string FormName(const ::testing::TestParamInfo<Form> &info) {
  switch (info.param) {
  case Form::Utf8:
    return "Utf8";
  case Form::Utf16Le:
    return "Utf16Le";
  case Form::Utf16Be:
    return "Utf16Be";
  }
  return "";
}

INSTANTIATE_TEST_SUITE_P(Forms, UnicodeProfile,
                         ::testing::Values(Form::Utf8, Form::Utf16Le, Form::Utf16Be), FormName);

struct NameCase {
  const char *name;
  int codePage;
  const char *file; // each part in braces is UTF-8 for the core's text of the code page
  const char *section, *key;
  bool found;
};

std::string WithTexts(std::string_view text, int codePage) {
  std::string bytes;
  for (size_t open; (open = text.find('{')) != std::string_view::npos;) {
    const size_t close = text.find('}', open);
    bytes.append(text.substr(0, open));
    bytes += platform::Utf8ToText(text.substr(open + 1, close - open - 1), codePage);
    text.remove_prefix(close + 1);
  }
  return bytes.append(text);
}

class NameCaseRules : public Profile, public ::testing::WithParamInterface<NameCase> {};

TEST_P(NameCaseRules, NamesMatchByTheCodePagesLetters) {
  const NameCase &c = GetParam();
  testsupport::ScopedCodePage codePage(c.codePage);
  WriteBytes(path, WithTexts(c.file, c.codePage));
  EXPECT_EQ(platform::ReadProfileString(platform::Utf8ToText(c.section, c.codePage),
                                        platform::Utf8ToText(c.key, c.codePage), "", file),
            c.found ? "1" : "");
}

// "ア" is 0x83 0x41 in code page 932; "ヂ" is 0x83 0x61: folding the second byte as the
// ASCII capital "A" would make them one name.
const NameCase kNameCases[] = {
    {"CyrillicInAnyCase", 1251, "[{Панель}]\r\n{Ячейка}=1\r\n", "ПАНЕЛЬ", "яЧЕЙКА", true},
    {"LatinLettersIn1250", 1250, "[S]\r\n{Łódź}=1\r\n", "s", "ŁÓDŹ", true},
    {"SecondByteOfADoubleByteNameStaysAsItIs", 932, "[S]\r\n{ア}=1\r\n", "S", "ヂ", false},
    {"DoubleByteNameFoundAsItIs", 932, "[{ア表}]\r\n{ア}=1\r\n", "ア表", "ア", true},
    {"MarkedNameByUnicodeLetters", 1252, "[{Панель}]\r\nk=1\r\n", "ПАНЕЛЬ", "K", true},
};

INSTANTIATE_TEST_SUITE_P(Files, NameCaseRules, ::testing::ValuesIn(kNameCases),
                         [](const auto &info) { return std::string(info.param.name); });

// A bar of 60,000 keys saved in one batch and read back in another; with per-key costs
// above O(log n) this takes minutes instead of a fraction of a second.
TEST_F(Profile, LargeSectionIsWrittenAndReadBackInBatches) {
  constexpr int kKeys = 60000;
  WriteBytes(path, "[Buttonbar]\r\nButtoncount=1\r\n[Other]\r\nx=1\r\n");
  {
    platform::ProfileBatch batch;
    platform::EmptyProfileSection("Buttonbar", file);
    for (int n = 1; n <= kKeys; ++n)
      platform::WriteProfileString("Buttonbar", "cmd" + std::to_string(n), std::to_string(n), file);
    batch.Commit();
  }
  platform::FlushProfileCache();
  platform::ProfileBatch reading;
  long long sum = 0;
  for (int n = 1; n <= kKeys; ++n)
    sum += platform::ReadProfileInt("Buttonbar", "CMD" + std::to_string(n), 0, file);
  EXPECT_EQ(sum, static_cast<long long>(kKeys) * (kKeys + 1) / 2);
  EXPECT_EQ(platform::ReadProfileInt("Other", "x", 0, file), 1);
}

// Saving a bar again and again leaves no trace of the removed lines behind.
TEST(IniFile, RepeatedEmptyAndRefillStaysConsistent) {
  platform::IniFile ini = platform::IniFile::Parse("[A]\r\nkeep=1\r\n[B]\r\nb=0\r\n");
  for (int round = 0; round < 5; ++round) {
    ini.EmptySections("A");
    for (int n = 0; n < 3000; ++n)
      ini.Set("A", "k" + std::to_string(n), std::to_string(round));
  }
  EXPECT_EQ(ini.Get("a", "K2999"), "4");
  EXPECT_FALSE(ini.Get("A", "keep"));
  EXPECT_EQ(ini.Get("B", "b"), "0");
  const std::string text = ini.Serialize();
  EXPECT_EQ(platform::IniFile::Parse(text).Serialize(), text);
  EXPECT_EQ(text.rfind("[A]\r\nk0=4\r\n", 0), 0u);
}

TEST(IniFile, InjectedLineBreaksAreReadAsTheFileWouldBe) {
  platform::IniFile ini = platform::IniFile::Parse("[S]\r\nk=old\r\n");
  ini.Set("S", "k", "v\r\n[T]\r\nt=1");
  EXPECT_EQ(ini.Get("S", "k"), "v");
  EXPECT_EQ(ini.Get("T", "t"), "1");
  ini.Set("S", "[x]", "1"); // reads back as a header "x"
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"S", "x", "T"}));
}

} // namespace

namespace {

// Keys appended to an emptied section are found by later lookups, the first of a name
// winning, and a later write replaces that first one in place.
TEST_F(Profile, AppendedKeysOfAnEmptiedSectionAreFoundByLaterLookups) {
  WriteBytes(path, "[S]\r\nk=old\r\nold=1\r\n\r\n[T]\r\nx=1\r\n");
  platform::FlushProfileCache();
  {
    platform::ProfileBatch batch;
    EXPECT_EQ(platform::ReadProfileString("S", "k", "", file), "old"); // indexes [S]
    platform::EmptyProfileSection("S", file);
    EXPECT_EQ(platform::ReadProfileString("S", "old", "gone", file), "gone");
    platform::AppendProfileString("S", "k", "first", file);
    platform::AppendProfileString("S", "K", "second", file);
    platform::AppendProfileString("S", "m", "3", file);
    EXPECT_EQ(platform::ReadProfileString("S", "k", "", file), "first");
    EXPECT_EQ(platform::ReadProfileInt("S", "M", 0, file), 3);
    platform::WriteProfileString("S", "k", "replaced", file);
    batch.Commit();
  }
  EXPECT_EQ(ReadBytes(path), "[S]\r\nk=replaced\r\nK=second\r\nm=3\r\n\r\n[T]\r\nx=1\r\n");
  platform::FlushProfileCache();
  EXPECT_EQ(platform::ReadProfileString("S", "k", "", file), "replaced");
}

} // namespace
