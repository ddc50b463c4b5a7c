#include "document/ButtonList.h"
#include "document/FileNames.h"
#include "document/IconReference.h"
#include "fixtures/IconImages.h"
#include "fixtures/PeBuilder.h"
#include "platform/CodePage.h"
#include "platform/HostFiles.h"
#include "platform/Profile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <random>

using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

class ButtonBarTest : public ::testing::Test {
protected:
  // Writes a bar file and returns its Windows name.
  std::string Bar(const std::string &bytes, const std::string &name = "tools.bar") {
    WriteBytes(dir / name, bytes);
    platform::FlushProfileCache();
    return testsupport::WindowsNameOf((dir / name));
  }
  std::string NameOf(const std::string &name) { return testsupport::WindowsNameOf((dir / name)); }
  std::string Saved(const std::string &name = "tools.bar") { return ReadBytes(dir / name); }

  TempDir dir;
};

TEST_F(ButtonBarTest, LoadsEveryFieldAndKeepsValuesAsStored) {
  auto file = Bar("[Buttonbar]\r\nButtoncount=2\r\n"
                  "button1=wcmicons.dll,3\r\ncmd1=cm_SrcComments\r\nparam1=-x\r\n"
                  "path1=C:\\Work\r\nmenu1=Comments\r\niconic1=-1\r\n"
                  "cmd2=\"C:\\Program Files\\Tool\\tool.exe\"\r\niconic2=7\r\n");
  ButtonBar bar(file, "");
  ASSERT_EQ(bar.Count(), 2);
  EXPECT_EQ(bar.GetField(0, bfIconRef), "wcmicons.dll,3");
  EXPECT_EQ(bar.GetField(0, bfCommand), "cm_SrcComments");
  EXPECT_EQ(bar.GetField(0, bfParams), "-x");
  EXPECT_EQ(bar.GetField(0, bfStartPath), "C:\\Work");
  EXPECT_EQ(bar.GetField(0, bfTooltip), "Comments");
  EXPECT_EQ(bar.GetField(0, bfRunMode), "-1");
  // The profile reader drops one pair of enclosing quotes; nothing more is done.
  EXPECT_EQ(bar.GetField(1, bfCommand), "C:\\Program Files\\Tool\\tool.exe");
  EXPECT_EQ(bar.GetField(1, bfRunMode), "7");
  EXPECT_FALSE(bar.Modified);
  EXPECT_FALSE(bar.IconsChanged);
  EXPECT_EQ(bar.FileName, file);
  EXPECT_EQ(bar.IconHandles.size(), 2u);
}

TEST_F(ButtonBarTest, SectionAndKeyNamesMatchInAnyCase) {
  for (const char *text : {"[BUTTONBAR]\r\nBUTTONCOUNT=1\r\nCMD1=a\r\n",
                           "[Buttonbar]\r\nButtonCount=1\r\nCmd1=a\r\n"}) {
    SCOPED_TRACE(text);
    ButtonBar bar(Bar(text), "");
    ASSERT_EQ(bar.Count(), 1);
    EXPECT_EQ(bar.GetField(0, bfCommand), "a");
  }
}

// A file without the section is no bar at all (BarFiles below).
TEST_F(ButtonBarTest, MissingFileOrACountWithoutButtonsGivesAnEmptyBar) {
  EXPECT_EQ(ButtonBar(NameOf("missing.bar"), "").Count(), 0);
  EXPECT_EQ(ButtonBar("", "").Count(), 0);
  for (const char *text :
       {"[Buttonbar]\r\nButtoncount=0\r\n", "[Buttonbar]\r\nButtoncount=abc\r\nkeep=1\r\n",
        "[Buttonbar]\r\nButtoncount=-2\r\n"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ButtonBar(Bar(text), "").Count(), 0);
  }
}

// Loading fewer buttons than the file holds would drop the rest at the next save: a count
// that does not reach the highest button number is refused, naming that number, and the
// bar opens only with a count given, every key up to it kept.
TEST_F(ButtonBarTest, CountThatCannotBeTrustedIsRefusedUntilOneIsGiven) {
  struct Case {
    const char *count;
    std::optional<std::string> countText;
  } cases[] = {
      {"", std::nullopt},           {"Buttoncount\r\n", std::nullopt}, // no "=": no value
      {"Buttoncount=-4\r\n", "-4"}, {"Buttoncount=3x\r\n", "3x"},
      {"Buttoncount=0\r\n", "0"},   {"Buttoncount=\r\n", ""},
      {"Buttoncount=2\r\n", "2"},   {"Buttoncount=002\r\n", "002"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.count);
    const std::string text =
        std::string("[Buttonbar]\r\n") + c.count + "cmd1=a\r\nMENU3=c\r\niconic3=-1\r\nkeep=1\r\n";
    auto file = Bar(text);
    try {
      ButtonBar bar(file, "");
      FAIL() << "loaded " << bar.Count() << " buttons";
    } catch (const EBarCountError &e) {
      EXPECT_EQ(e.Highest(), 3);
      EXPECT_EQ(e.CountText(), c.countText);
      EXPECT_NE(std::string(e.what()).find("up to 3"), std::string::npos) << e.what();
    }
    EXPECT_EQ(Saved(), text);

    ButtonBar repaired(file, 3, "");
    ASSERT_EQ(repaired.Count(), 3);
    EXPECT_EQ(repaired.GetField(0, bfCommand), "a");
    EXPECT_EQ(repaired.GetField(2, bfTooltip), "c");
    EXPECT_EQ(repaired.GetField(2, bfRunMode), "-1");
    EXPECT_TRUE(repaired.Modified);
    repaired.Save();
    // Only the count's line changes, in the file's spelling, or is added first.
    EXPECT_EQ(Saved(), std::string("[Buttonbar]\r\n") +
                           (*c.count ? "Buttoncount=3\r\n" : "ButtonCount=3\r\n") +
                           "cmd1=a\r\nMENU3=c\r\niconic3=-1\r\nkeep=1\r\n");
  }
}

// A count so large no bar is that long is refused outright, as are button numbers beyond
// what a bar may hold; a count given equal to the file's is no change.
TEST_F(ButtonBarTest, CountsBeyondTheLimitAreRefusedAndAGivenCountMayBeTheFilesOwn) {
  for (const char *count : {"999999999999", "4294967298", "2000000000"}) {
    SCOPED_TRACE(count);
    auto file = Bar(std::string("[Buttonbar]\r\nButtoncount=") + count + "\r\ncmd1=a\r\n");
    try {
      ButtonBar bar(file, "");
      FAIL() << "loaded " << bar.Count() << " buttons";
    } catch (const EBarLoadError &e) {
      EXPECT_EQ(dynamic_cast<const EBarCountError *>(&e), nullptr);
      EXPECT_NE(std::string(e.what()).find(std::string("claims ") + count), std::string::npos);
    }
  }
  auto beyond = Bar("[Buttonbar]\r\nButtoncount=1\r\ncmd1=a\r\ncmd100001=b\r\n");
  try {
    ButtonBar bar(beyond, "");
    FAIL() << "loaded " << bar.Count() << " buttons";
  } catch (const EBarLoadError &e) {
    EXPECT_EQ(dynamic_cast<const EBarCountError *>(&e), nullptr);
  }
  EXPECT_EQ(ButtonBar(beyond, 1, "").GetField(0, bfCommand), "a");
  EXPECT_THROW(ButtonBar(beyond, MaxBarButtons + 1, ""), std::out_of_range);

  ButtonBar same(Bar("[Buttonbar]\r\nButtoncount=2\r\ncmd1=a\r\n"), 2, "");
  EXPECT_EQ(same.Count(), 2);
  EXPECT_FALSE(same.Modified);
}

// Only a missing file is a new bar; one that cannot be read is neither loaded as empty
// nor written over.
TEST_F(ButtonBarTest, UnreadableBarIsRefusedAndNeverWrittenOver) {
  std::filesystem::create_directory(dir / "folder.bar");
  EXPECT_THROW(ButtonBar bar(NameOf("folder.bar"), ""), EBarLoadError);
  ButtonBar bar("", "");
  bar.SetField(bar.Add(), bfCommand, "x");
  EXPECT_THROW(bar.SaveTo(NameOf("folder.bar")), platform::EFileWriteError);
  EXPECT_TRUE(std::filesystem::is_empty(dir / "folder.bar"));
}

// What is a bar: text in any code page or Unicode encoding with a "Buttonbar" section, or
// a file without text (a new bar); anything else is refused, its kind told.
struct BarFileRow {
  const char *name;
  std::string bytes;
  std::optional<BarFileKind> refused; // nothing: it loads
  std::string command = "";           // cmd1 as loaded
};

class BarFiles : public ButtonBarTest, public ::testing::WithParamInterface<BarFileRow> {};

TEST_P(BarFiles, LoadOrAreRefusedByWhatTheyHold) {
  const BarFileRow &row = GetParam();
  const std::string file = Bar(row.bytes);
  try {
    ButtonBar bar(file, "");
    EXPECT_FALSE(row.refused) << "loaded";
    EXPECT_EQ(bar.Count(), row.command.empty() ? 0 : 1);
    if (bar.Count() > 0) {
      EXPECT_EQ(bar.GetField(0, bfCommand), row.command);
    }
  } catch (const ENotABarError &e) {
    ASSERT_TRUE(row.refused) << e.what();
    EXPECT_EQ(e.Kind(), *row.refused);
    EXPECT_EQ(std::string(e.what()),
              file + (e.Kind() == BarFileKind::Binary
                          ? " is not a button bar: it holds binary data"
                          : " is not a button bar: it has no [Buttonbar] section"));
    // Nor does another bar's save turn it into a bar.
    ButtonBar other("", "");
    other.SetField(other.Add(), bfCommand, "x");
    EXPECT_THROW(other.SaveTo(file), ENotABarError);
  }
  EXPECT_EQ(Saved(), row.bytes);
}

const std::string OneButton = "[Buttonbar]\r\nButtoncount=1\r\ncmd1=";

INSTANTIATE_TEST_SUITE_P(
    ButtonBarTest, BarFiles,
    ::testing::Values(
        BarFileRow{"CodePageBytesC1AndCtrlZ",
                   OneButton + "\xcf\xf0\x80\x9f.exe\r\n\x1a",
                   {},
                   "\xcf\xf0\x80\x9f.exe"},
        BarFileRow{"DoubleByteTrailBytes",
                   OneButton + "\x83\x5c\x83\x74\x83\x67\r\n",
                   {},
                   "\x83\x5c\x83\x74\x83\x67"},
        BarFileRow{"Utf8WithMark", std::string(platform::Utf8Mark) + OneButton + "a\r\n", {}, "a"},
        BarFileRow{"Utf16LeWithMark",
                   testsupport::Utf16File(u"[Buttonbar]\r\nButtoncount=1\r\ncmd1=b\r\n"),
                   {},
                   "b"},
        BarFileRow{"Utf16BeWithMark",
                   testsupport::Utf16File(u"[BUTTONBAR]\r\nButtoncount=1\r\ncmd1=c\r\n", true),
                   {},
                   "c"},
        BarFileRow{"SectionAfterOthersInAnyCase", "[Other]\r\nx=1\r\n[buttonBAR]\r\n", {}},
        BarFileRow{"EmptyFile", "", {}},
        BarFileRow{"MarkAndBlankLinesOnly", "\xEF\xBB\xBF\r\n \t\r\n\x1a", {}},
        BarFileRow{"Utf16MarkAndLineEndOnly", std::string("\xFF\xFE\r\0\n\0", 6), {}},
        BarFileRow{"Picture", fixtures::MakePng(2, 2, std::vector<uint32_t>(4, 0xFF000000)),
                   BarFileKind::Binary},
        BarFileRow{"Utf16WithoutMark",
                   testsupport::Utf16File(u"[Buttonbar]\r\nButtoncount=0\r\n").substr(2),
                   BarFileKind::Binary},
        BarFileRow{"Utf16WithNulCharacter",
                   testsupport::Utf16File(std::u16string(u"[Buttonbar]\r\n\0", 14)),
                   BarFileKind::Binary},
        BarFileRow{"EscapeInText", OneButton + "\x1b[0m\r\n", BarFileKind::Binary},
        BarFileRow{"ShoppingList", "Milk\r\nBread\r\n", BarFileKind::NoBarSection},
        BarFileRow{"IniWithoutButtonbar", "[Buttonbars]\r\ncmd1=a\r\n", BarFileKind::NoBarSection}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ButtonBarTest, CountBeyondTheKeysGivesEmptyButtonsAndSavesOnlyWhatExists) {
  auto file = Bar("[Buttonbar]\r\nButtoncount=3\r\ncmd1=notepad.exe\r\ncmdx5=ignored\r\n");
  ButtonBar bar(file, "");
  ASSERT_EQ(bar.Count(), 3);
  EXPECT_EQ(bar.GetField(2, bfCommand), "");
  bar.SaveTo(NameOf("copy.bar"));
  EXPECT_EQ(Saved("copy.bar"), "[Buttonbar]\r\nButtonCount=3\r\ncmd1=notepad.exe\r\n");
}

TEST_F(ButtonBarTest, LongValuesSurviveALoadAndSave) {
  const std::string params(1000, 'p');
  auto file = Bar("[Buttonbar]\r\nButtoncount=1\r\ncmd1=x.exe\r\nparam1=" + params + "\r\n");
  ButtonBar bar(file, "");
  EXPECT_EQ(bar.GetField(0, bfParams), params);
  bar.Save();
  EXPECT_NE(Saved().find("param1=" + params + "\r\n"), std::string::npos);
}

TEST_F(ButtonBarTest, IconIndexBeyond32BitsStillOpensTheBar) {
  WriteBytes(dir / "icons.ico", "not really an icon");
  auto file = Bar("[Buttonbar]\r\nButtoncount=1\r\nbutton1=" + NameOf("icons.ico") +
                  ",99999999999999\r\ncmd1=x\r\n");
  ButtonBar bar(file, "");
  ASSERT_EQ(bar.Count(), 1);
  EXPECT_FALSE(bar.IconHandle(0));
  EXPECT_EQ(bar.GetField(0, bfCommand), "x");
}

TEST_F(ButtonBarTest, SaveWritesKeysInFixedOrderAndSkipsEmptyValues) {
  ButtonBar bar("", "");
  bar.Add();
  bar.SetField(0, bfRunMode, "-1");
  bar.SetField(0, bfTooltip, "Tip");
  bar.SetField(0, bfStartPath, "C:\\");
  bar.SetField(0, bfParams, "%P");
  bar.SetField(0, bfCommand, "cmd.exe");
  bar.SetField(0, bfIconRef, "cmd.exe,0");
  bar.Add();
  bar.SetField(1, bfIconRef, ",3"); // nothing before the comma: not written
  bar.SetField(1, bfCommand, "cm_List");
  bar.SaveTo(NameOf("new.bar"));
  EXPECT_EQ(Saved("new.bar"), "[Buttonbar]\r\nButtonCount=2\r\n"
                              "button1=cmd.exe,0\r\ncmd1=cmd.exe\r\nparam1=%P\r\npath1=C:\\\r\n"
                              "menu1=Tip\r\niconic1=-1\r\ncmd2=cm_List\r\n");
  EXPECT_FALSE(bar.Modified);
  EXPECT_TRUE(bar.IconsChanged);
  EXPECT_EQ(bar.FileName, "") << "SaveTo never renames the bar";
}

TEST_F(ButtonBarTest, EmptyBarIsSavedWithACountOfOne) {
  ButtonBar bar("", "");
  bar.SaveTo(NameOf("empty.bar"));
  EXPECT_EQ(Saved("empty.bar"), "[Buttonbar]\r\nButtonCount=1\r\n");
}

TEST_F(ButtonBarTest, SavingOverAFileReplacesTheBarSectionAndKeepsTheRest) {
  auto file = Bar("; my bar\r\n[Buttonbar]\r\nButtoncount=3\r\ncmd1=a\r\ncmd2=b\r\ncmd3=c\r\n"
                  "custom=keep?\r\n[Other]\r\nx=1\r\n");
  ButtonBar bar(file, "");
  bar.Delete(2);
  bar.Delete(1);
  bar.Save();
  EXPECT_EQ(Saved(), "; my bar\r\n[Buttonbar]\r\nButtoncount=1\r\ncmd1=a\r\ncustom=keep?\r\n"
                     "[Other]\r\nx=1\r\n");
}

// A save of the file a bar came from changes only the lines of what changed: the rest
// keeps its spelling, order, quotes, empty and zero keys, comments and line ends.
TEST_F(ButtonBarTest, SavingItsOwnFileChangesOnlyWhatChanged) {
  const std::string head = "[Buttonbar]\nButtoncount=3\n";
  const std::string one = "button1=wcmicons.dll,3\ncmd1=cm_A\niconic1=0\n";
  const std::string two = "; the second\nCMD2 = \"C:\\Program Files\\x.exe\"\nparam2=\nmenu2=Two\n";
  const std::string tail = "[Other]\nk=v";
  struct Case {
    const char *what;
    std::function<void(ButtonBar &)> edit;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"nothing", [](ButtonBar &) {}, head + one + two + "cmd3=cm_C\n" + tail},
      {"a tooltip", [](ButtonBar &b) { b.SetField(1, bfTooltip, "Zwei"); },
       head + one +
           "; the second\nCMD2 = \"C:\\Program Files\\x.exe\"\nparam2=\nmenu2=Zwei\n"
           "cmd3=cm_C\n" +
           tail},
      {"a new key", [](ButtonBar &b) { b.SetField(0, bfParams, "%P"); },
       head + one + "param1=%P\n" + two + "cmd3=cm_C\n" + tail},
      {"an emptied key and a run mode",
       [](ButtonBar &b) {
         b.SetField(1, bfCommand, "");
         b.SetField(0, bfRunMode, "-1");
       },
       head +
           "button1=wcmicons.dll,3\ncmd1=cm_A\niconic1=-1\n; the second\nparam2=\nmenu2=Two\n"
           "cmd3=cm_C\n" +
           tail},
      {"a deleted button", [](ButtonBar &b) { b.Delete(0); },
       "[Buttonbar]\nButtoncount=2\n; the second\nCMD1 = \"C:\\Program Files\\x.exe\"\nparam1=\n"
       "menu1=Two\ncmd2=cm_C\n" +
           tail},
      {"an inserted button",
       [](ButtonBar &b) { b.SetField(b.Insert(1), bfCommand, "C:\\New Tool\\n.exe"); },
       "[Buttonbar]\nButtoncount=4\n" + one +
           "cmd2=\"\"C:\\New Tool\\n.exe\"\"\n"
           "; the second\nCMD3 = \"C:\\Program Files\\x.exe\"\nparam3=\nmenu3=Two\ncmd4=cm_C\n" +
           tail},
      {"a moved button", [](ButtonBar &b) { b.Move(2, 0); },
       head +
           "cmd1=cm_C\nbutton2=wcmicons.dll,3\ncmd2=cm_A\niconic2=0\n; the second\n"
           "CMD3 = \"C:\\Program Files\\x.exe\"\nparam3=\nmenu3=Two\n" +
           tail},
      {"every button gone", [](ButtonBar &b) { b.Delete(2), b.Delete(1), b.Delete(0); },
       "[Buttonbar]\nButtoncount=1\n; the second\n" + tail},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = Bar(head + one + two + "cmd3=cm_C\n" + tail);
    ButtonBar bar(file, "");
    c.edit(bar);
    bar.Save();
    EXPECT_EQ(Saved(), c.expected);
  }
  // The file's last line may lack its line end; a line added after it ends the file so.
  ButtonBar last(Bar("[Buttonbar]\rButtoncount=1\rcmd1=a"), "");
  last.SetField(0, bfTooltip, "tip");
  last.Save();
  EXPECT_EQ(Saved(), "[Buttonbar]\rButtoncount=1\rcmd1=a\rmenu1=tip");
}

// Whatever edits come before it, a save of the bar's own file reads back as the bar in
// memory, and a second save changes nothing.
TEST_F(ButtonBarTest, SavingInPlaceReadsBackAsTheBarAfterAnyEdits) {
  const char *const pool[] = {"cmd%=a b.exe", "CMD%=dup",   "Param% = \"x\"", "menu%",
                              "menu%=tip",    "iconic%=0",  "iconic%=-1",     "button%=x.dll,2",
                              "button%=,4",   "path%=C:\\", "; note",         "other=1"};
  std::mt19937 random(5);
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE(round);
    const int count = 1 + int(random() % 6);
    std::string text = "[Buttonbar]\r\nbuttoncount=" + std::to_string(count) + "\r\n";
    for (int line = 0; line < 14; ++line) {
      std::string key = pool[random() % std::size(pool)];
      const size_t mark = key.find('%');
      if (mark != std::string::npos)
        key.replace(mark, 1, std::to_string(1 + random() % count));
      text += key + "\r\n";
    }
    const std::string file = Bar(text + "[Other]\r\nk=v\r\n");
    ButtonBar bar(file, "");
    for (int step = 0; step < 4; ++step) {
      const int at = int(random() % (bar.Count() + 1));
      switch (random() % 4) {
      case 0:
        bar.SetField(bar.Insert(at), int(random() % 5), "new " + std::to_string(step));
        break;
      case 1:
        bar.Delete(at);
        break;
      case 2:
        bar.Move(at, int(random() % std::max(bar.Count(), 1)));
        break;
      default:
        bar.SetField(std::min(at, bar.Count() - 1), int(random() % 6), step % 2 ? "" : "7");
      }
    }
    bar.Save();
    const std::string once = Saved();
    platform::FlushProfileCache();
    ButtonBar inPlace(file, "");
    ASSERT_EQ(inPlace.Count(), std::max(bar.Count(), 1)) << once; // an empty bar counts 1
    for (int p = 0; p < bar.Count(); ++p) {
      // A command line kept reads as loaded; one rewritten, as Total Commander should
      // read it. An icon reference without a file is never written, but kept.
      const std::string command = bar.GetField(p, bfCommand);
      const std::string read = inPlace.GetField(p, bfCommand);
      EXPECT_TRUE(read == command || read == ButtonBar::CommandAsRead(command)) << read << once;
      if (!IconFilePart(bar.GetField(p, bfIconRef)).empty()) {
        EXPECT_EQ(inPlace.GetField(p, bfIconRef), bar.GetField(p, bfIconRef)) << once;
      }
      for (int field = bfParams; field <= bfRunMode; ++field)
        EXPECT_EQ(inPlace.GetField(p, field), bar.GetField(p, field)) << once;
    }
    EXPECT_NE(once.find("[Other]\r\nk=v\r\n"), std::string::npos);
    inPlace.Save();
    EXPECT_EQ(Saved(), once) << "a second save changes nothing";
  }
}

TEST_F(ButtonBarTest, QuoteCommandFollowsTheSavingRule) {
  struct Case {
    const char *command;
    const char *written;
  } cases[] = {
      {"notepad.exe", "notepad.exe"},
      {"\"notepad.exe\"", "notepad.exe"},
      {"C:\\Program Files\\Tool\\tool.exe", "\"\"C:\\Program Files\\Tool\\tool.exe\"\""},
      {"\"C:\\Program Files\\Tool\\tool.exe\"", "\"\"C:\\Program Files\\Tool\\tool.exe\"\""},
      {"cm_Some Thing", "cm_Some Thing"},
      {"C:\\My Bars\\sub bar.BAR", "C:\\My Bars\\sub bar.BAR"},
      {"C:\\My Bars.bar\\tool x.exe", "\"\"C:\\My Bars.bar\\tool x.exe\"\""},
      {"OPENTABS C:\\my tabs.tab", "OPENTABS C:\\my tabs.tab"},
      {"TC Log Viewer.exe", "\"\"TC Log Viewer.exe\"\""},
      {"C:\\Program Files\\Tool", "\"\"C:\\Program Files\\Tool\"\""},
      // A program with arguments is written as it stands, quotes and all.
      {"cd \"C:\\Some Dir\"", "cd \"C:\\Some Dir\""},
      {"cmd.exe /C", "cmd.exe /C"},
      {"control.exe /name Microsoft.SyncCenter", "control.exe /name Microsoft.SyncCenter"},
      {"compmgmt.msc /s", "compmgmt.msc /s"},
      {"control sysdm.cpl,,1", "control sysdm.cpl,,1"},
      {"Rundll32 shell32.dll,OpenAs_RunDLL", "Rundll32 shell32.dll,OpenAs_RunDLL"},
      {"explorer.exe ::{20D04FE0-3AEA-1069-A2D8-08002B30309D}",
       "explorer.exe ::{20D04FE0-3AEA-1069-A2D8-08002B30309D}"},
      {"OPENLANGUAGEFILE wcmd_cz.lng", "OPENLANGUAGEFILE wcmd_cz.lng"},
      {"C:\\cygwin\\bin\\bash.exe --login -i", "C:\\cygwin\\bin\\bash.exe --login -i"},
      {"C:\\Program Files\\Tool\\tool.exe /q", "C:\\Program Files\\Tool\\tool.exe /q"},
      {"\"%COMMANDER_PATH%\\Tools\\Links\\NTLinksMaker64.exe\" /q",
       "\"%COMMANDER_PATH%\\Tools\\Links\\NTLinksMaker64.exe\" /q"},
      {"%ProgramFiles%\\ConEmu\\ConEmu64.exe -Single -run {cmd} -new_console:t:\"cmd\"",
       "%ProgramFiles%\\ConEmu\\ConEmu64.exe -Single -run {cmd} -new_console:t:\"cmd\""},
      // ... and wrapped once more where the reader would take its quotes or blanks.
      {"\"C:\\x.exe\" \"a b\"", "\"\"C:\\x.exe\" \"a b\"\""},
      {"cmd.exe /C dir ", "\"cmd.exe /C dir \""},
      {"C:\\ABCD Tools\\x.exe", "C:\\ABCD Tools\\x.exe"},
      {"appendtabs x y", "appendtabs x y"},
      {"ftpopen a b", "ftpopen a b"},
      {"syncopen a b", "syncopen a b"},
      {"loadsearch a b", "loadsearch a b"},
      {"openbar a b", "openbar a b"},
      // Blanks only at the ends are kept by one pair of quotes, not taken for a path's;
      // one inside quotes read with the command is not at its end.
      {"start ", "\"start \""},
      {" C:\\Tools\\x.exe", "\" C:\\Tools\\x.exe\""},
      {"\"start \"", "\"\"start \"\""},
      {"", ""},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.command);
    EXPECT_EQ(ButtonBar::QuoteCommand(c.command), c.written);
  }
}

TEST_F(ButtonBarTest, QuoteCommandFindsWordsOnlyAtCharacters) {
  testsupport::ScopedCodePage japanese(932);
  const std::string kanaI = "\x83\x43"; // its second byte is the letter C
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"C:\\" + kanaI + "D\\tool x.exe", "\"\"C:\\" + kanaI + "D\\tool x.exe\"\""},
      {"C:\\" + kanaI + "\\CD tool\\x y", "C:\\" + kanaI + "\\CD tool\\x y"},
  };
  for (const auto &[command, written] : cases) {
    SCOPED_TRACE(command);
    EXPECT_EQ(ButtonBar::QuoteCommand(command), written);
  }
}

TEST_F(ButtonBarTest, QuotedProgramPathRoundTripsUnchanged) {
  const std::string kept = "[Buttonbar]\r\nButtoncount=2\r\ncmd1=C:\\Program Files\\t.exe\r\n";
  auto file = Bar(kept + "cmd2=x\r\n");
  ButtonBar bar(file, "");
  bar.SetField(1, bfCommand, "C:\\Program Files\\u.exe");
  bar.Save();
  const std::string once = Saved();
  EXPECT_EQ(once, kept + "cmd2=\"\"C:\\Program Files\\u.exe\"\"\r\n")
      << "a command nobody changed keeps its line";
  platform::FlushProfileCache();
  ButtonBar again(file, "");
  EXPECT_EQ(again.GetField(1, bfCommand), "\"C:\\Program Files\\u.exe\"");
  again.Save();
  EXPECT_EQ(Saved(), once);
}

// Patterns of real bars: a plain re-save must not change what any button does.
TEST_F(ButtonBarTest, RealWorldBarMeansWhatItMeantAfterASave) {
  const std::string text =
      "[Buttonbar]\r\nButtoncount=4\r\n"
      "button1=%COMMANDER_PATH%\\wcmicons.dll,3\r\ncmd1=cmd.exe /C\r\n"
      "param1=\"\"@%WL\" \"%T\"\"\r\n"
      "cmd2=\"%COMMANDER_PATH%\\Tools\\Links\\NTLinksMaker64.exe\" /q\r\n"
      "param2=\"mklink /H \"%WL\" \"%T\\\" \"\r\nmenu2=\" padded tip \"\r\n"
      "cmd3=\"start \"\r\n"
      "cmd4=\"\"C:\\Program Files\\Tool\\tool.exe\"\"\r\npath4=C:\\Work\\\r\niconic4=-1\r\n"
      "[Other]\r\nx=1\r\n"
      "[Buttonbar]\r\ncmd1=shadowed but kept\r\n";
  auto file = Bar(text);
  ButtonBar before(file, "");
  before.Save();
  const std::string once = Saved();
  EXPECT_NE(once.find("[Buttonbar]\r\ncmd1=shadowed but kept\r\n"), std::string::npos) << once;
  platform::FlushProfileCache();
  ButtonBar after(file, "");
  ASSERT_EQ(after.Count(), 4);
  for (int position = 0; position < 4; ++position)
    for (int field = bfIconRef; field <= bfRunMode; ++field)
      EXPECT_EQ(after.GetField(position, field), before.GetField(position, field))
          << "button " << position + 1 << " field " << field;
  after.Save();
  EXPECT_EQ(Saved(), once);
}

// Any text short of a line break reads back as it was saved; a command reads back as
// Total Commander is meant to read it, and a second save changes nothing.
TEST_F(ButtonBarTest, AnyTextRoundTripsThroughASave) {
  std::mt19937 random(11);
  const std::string alphabet = " \t\"'=;[]%\\/-.abx\xE9";
  auto text = [&] {
    std::string t(random() % 10, ' ');
    for (char &c : t)
      c = alphabet[random() % alphabet.size()];
    return t;
  };
  ButtonBar bar("", "");
  for (int i = 0; i < 150; ++i) {
    const int position = bar.Add();
    for (int field = bfIconRef; field <= bfTooltip; ++field)
      bar.SetField(position, field, text());
  }
  bar.SaveTo(NameOf("random.bar"));
  const std::string once = Saved("random.bar");
  platform::FlushProfileCache();
  ButtonBar again(NameOf("random.bar"), "");
  ASSERT_EQ(again.Count(), bar.Count());
  for (int position = 0; position < bar.Count(); ++position) {
    SCOPED_TRACE(position);
    // An icon reference with nothing before its comma is not written at all.
    if (!IconFilePart(bar.GetField(position, bfIconRef)).empty()) {
      EXPECT_EQ(again.GetField(position, bfIconRef), bar.GetField(position, bfIconRef));
    }
    EXPECT_EQ(again.GetField(position, bfCommand),
              ButtonBar::CommandAsRead(bar.GetField(position, bfCommand)));
    for (int field : {bfParams, bfStartPath, bfTooltip})
      EXPECT_EQ(again.GetField(position, field), bar.GetField(position, field));
  }
  again.Save();
  EXPECT_EQ(Saved("random.bar"), once);
}

// Tooltips in a script the code page lacks survive an edit of another button's field.
TEST_F(ButtonBarTest, Utf16BarKeepsItsEncodingAndEveryCharacterThroughASave) {
  testsupport::ScopedCodePage cyrillic(1251);
  auto file =
      Bar(testsupport::Utf16File(u"[Buttonbar]\r\nButtonCount=2\r\ncmd1=cm_A\r\n"
                                 u"menu1=Основная панель\r\ncmd2=cm_B\r\nmenu2=主工具栏\r\n"));
  ButtonBar bar(file, "");
  ASSERT_EQ(bar.Count(), 2);
  EXPECT_EQ(bar.GetField(0, bfTooltip), platform::Utf8ToText("Основная панель"));
  bar.SetField(1, bfCommand, "cm_C");
  bar.Save();
  EXPECT_EQ(Saved(),
            testsupport::Utf16File(u"[Buttonbar]\r\nButtonCount=2\r\ncmd1=cm_A\r\n"
                                   u"menu1=Основная панель\r\ncmd2=cm_C\r\nmenu2=主工具栏\r\n"));
}

// A line break would end the line and turn the rest into keys of their own; a control
// character would make the file binary data.
TEST_F(ButtonBarTest, LineBreaksCannotEnterTheFile) {
  auto file = Bar("[Buttonbar]\r\nButtoncount=1\r\ncmd1=a\r\n[Keep]\r\nk=1\r\n");
  const std::string original = Saved();
  ButtonBar bar(file, "");
  for (const char *value : {"x\r\n[Keep]\r\nk=hijack", "x\ny", "x\r", "x\x01y", "\x1B"})
    for (int field = bfIconRef; field <= bfTooltip; ++field)
      EXPECT_THROW(bar.SetField(0, field, value), EBarValueError) << field;
  EXPECT_EQ(bar.GetField(0, bfCommand), "a");
  bar.Buttons[0]->Tooltip = "tip\r\n[Keep]\r\nk=hijack";
  EXPECT_THROW(bar.Save(), EBarValueError);
  EXPECT_EQ(Saved(), original);
}

TEST_F(ButtonBarTest, InsertBeyondTheEndAppendsAndReturnsTheRequestedPosition) {
  ButtonBar bar("", "");
  bar.Add();
  bar.SetField(0, bfCommand, "first");
  EXPECT_EQ(bar.Insert(7), 7);
  EXPECT_EQ(bar.Insert(0), 0);
  ASSERT_EQ(bar.Count(), 3);
  EXPECT_EQ(bar.IconHandles.size(), 3u);
  EXPECT_EQ(bar.GetField(1, bfCommand), "first");
  EXPECT_EQ(bar.GetField(2, bfCommand), "");
}

TEST_F(ButtonBarTest, DeleteOutsideTheBarChangesNothing) {
  ButtonBar bar("", "");
  bar.Add();
  for (int position : {-1, 1, 99}) {
    bar.Delete(position);
    EXPECT_EQ(bar.Count(), 1);
    EXPECT_FALSE(bar.Modified);
  }
  bar.Delete(0);
  EXPECT_EQ(bar.Count(), 0);
  EXPECT_TRUE(bar.Modified);
  EXPECT_TRUE(bar.IconHandles.empty());
}

TEST_F(ButtonBarTest, MoveShiftsTheOthersBothWays) {
  ButtonBar bar("", "");
  for (const char *name : {"a", "b", "c", "d"})
    bar.SetField(bar.Add(), bfCommand, name);
  auto order = [&] {
    std::string s;
    for (int i = 0; i < bar.Count(); ++i)
      s += bar.GetField(i, bfCommand);
    return s;
  };
  bar.Move(0, 2);
  EXPECT_EQ(order(), "bcad");
  bar.Move(3, 0);
  EXPECT_EQ(order(), "dbca");
  bar.Move(1, 9); // out of range: nothing moves
  EXPECT_EQ(order(), "dbca");
  EXPECT_EQ(bar.IconHandles.size(), 4u);
}

TEST_F(ButtonBarTest, FieldAccessOutsideTheBarIsEmptyOrIgnored) {
  ButtonBar bar("", "");
  for (int field = 0; field <= 6; ++field)
    EXPECT_EQ(bar.GetField(0, field), "");
  bar.SetField(0, bfCommand, "x");
  EXPECT_FALSE(bar.Modified);
  bar.Add();
  EXPECT_EQ(bar.GetField(0, bfRunMode), "0");
  EXPECT_EQ(bar.GetField(0, 6), "");
}

TEST_F(ButtonBarTest, FlagsFollowTheFieldThatIsSet) {
  struct Case {
    int field;
    const char *text;
    bool modified;
    bool iconsChanged;
  } cases[] = {
      {bfIconRef, "x.dll,1", true, true}, {bfCommand, "x", true, false},
      {bfParams, "x", true, false},       {bfStartPath, "x", true, false},
      {bfTooltip, "x", true, false},      {bfRunMode, "1", true, false},
      {bfRunMode, "", true, false},       {6, "ignored", true, false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.field);
    ButtonBar bar("", "");
    bar.Add();
    bar.SetField(0, c.field, c.text);
    EXPECT_EQ(bar.Modified, c.modified);
    EXPECT_EQ(bar.IconsChanged, c.iconsChanged);
  }
}

TEST_F(ButtonBarTest, NonNumericRunModeRaisesTheConversionErrorAndKeepsTheValue) {
  ButtonBar bar("", "");
  bar.Add();
  bar.SetField(0, bfRunMode, "-1");
  try {
    bar.SetField(0, bfRunMode, "max");
    FAIL() << "no conversion error";
  } catch (const EConvertError &e) {
    EXPECT_STREQ(e.what(), "'max' is not a valid integer value");
  }
  EXPECT_EQ(bar.GetField(0, bfRunMode), "-1");
}

TEST_F(ButtonBarTest, FailedWriteIsReportedAndKeepsTheBarModifiedAndTheFileIntact) {
  const std::string original = "[Buttonbar]\r\nButtoncount=1\r\ncmd1=a\r\n";
  auto file = Bar(original);
  ButtonBar bar(file, "");
  bar.SetField(0, bfCommand, "b");
  std::filesystem::permissions(dir / "tools.bar", std::filesystem::perms::owner_read);
  EXPECT_THROW(bar.Save(), platform::EFileWriteError);
  EXPECT_TRUE(bar.Modified);
  EXPECT_EQ(Saved(), original);
  // The failed save left nothing behind in the profile cache either.
  platform::FlushProfileCache();
  EXPECT_EQ(platform::ReadProfileString("Buttonbar", "cmd1", "", file), "a");
}

TEST_F(ButtonBarTest, SaveIntoAMissingFolderFails) {
  ButtonBar bar("", "");
  bar.Add();
  bar.SetField(0, bfCommand, "x");
  EXPECT_THROW(bar.SaveTo(NameOf("no/such/dir/x.bar")), platform::EFileWriteError);
  EXPECT_TRUE(bar.Modified);
}

TEST_F(ButtonBarTest, IconHandlesFollowTheButtons) {
  WriteBytes(dir / "three.dll", fixtures::BuildIconModule(3));
  WriteBytes(dir / "plain.txt", "no icons in here");
  auto file = Bar("[Buttonbar]\r\nButtoncount=4\r\nbutton1=" + NameOf("three.dll") +
                  ",2\r\nbutton2=" + NameOf("three.dll") + ",3\r\nbutton3=" + NameOf("gone.dll") +
                  ",0\r\nbutton4=" + NameOf("three.dll") + "\r\n");
  ButtonBar bar(file, "");
  ASSERT_EQ(bar.IconHandles.size(), 4u);
  ASSERT_TRUE(bar.IconHandle(0));
  EXPECT_EQ(bar.IconHandle(0).Pixels()->width, 32) << "the large icon size";
  EXPECT_FALSE(bar.IconHandle(1)) << "index beyond the module's icons";
  EXPECT_FALSE(bar.IconHandle(2)) << "missing file";
  EXPECT_TRUE(bar.IconHandle(3)) << "no index means icon 0";
  EXPECT_FALSE(bar.IconHandle(4));

  const uint32_t third = bar.IconHandle(0).Pixels()->argb[16 * 32 + 16];
  bar.Move(0, 3);
  ASSERT_TRUE(bar.IconHandle(3));
  EXPECT_EQ(bar.IconHandle(3).Pixels()->argb[16 * 32 + 16], third) << "the handle moved along";
  EXPECT_FALSE(bar.IconHandle(0));

  bar.SetField(0, bfIconRef, NameOf("three.dll") + ",0");
  EXPECT_FALSE(bar.IconHandle(0)) << "setting the field alone does not refresh";
  bar.RefreshIcon(0);
  EXPECT_TRUE(bar.IconHandle(0));
  bar.SetField(0, bfIconRef, NameOf("plain.txt"));
  bar.RefreshIcon(0);
  EXPECT_FALSE(bar.IconHandle(0)) << "a file without icons";
  bar.SetField(0, bfIconRef, "");
  bar.RefreshIcon(0);
  EXPECT_FALSE(bar.IconHandle(0));
}

TEST_F(ButtonBarTest, IcoFileGivesItsIcon) {
  fixtures::IconEntry entry;
  entry.image = fixtures::SolidDib(32, 32, 0xFF0000FF);
  entry.width = entry.height = 32;
  WriteBytes(dir / "blue.ico", fixtures::MakeIcoFile({entry}));
  ButtonBar bar(Bar("[Buttonbar]\r\nButtoncount=1\r\nbutton1=" + NameOf("blue.ico") + "\r\n"), "");
  ASSERT_TRUE(bar.IconHandle(0));
  EXPECT_EQ(bar.IconHandle(0).Pixels()->argb[0], 0xFF0000FFu);
}

// The one-pass loader must give every button exactly what key-by-key lookups give,
// whatever the file holds: case variants, duplicates, quotes, blanks, lines without "=",
// comments, leading zeros, keys beyond the count, a second section of the same name.
TEST_F(ButtonBarTest, LoadingInOnePassAgreesWithKeyByKeyLookups) {
  const char *const lines[] = {
      "cmd1=plain",
      "CMD1=second of a duplicate",
      "Cmd2 = \"quoted\" ",
      "param2='single'",
      "path2=\"unbalanced",
      "menu2",
      "menu2=after a line without equals",
      ";cmd3=comment",
      "cmd03=leading zero",
      "iconic1= -12abc",
      "iconic2=\"7\"",
      "iconic3=0x10",
      "button3=x.dll,1",
      "iconic2=99",
      "cmd3=",
      "  menu3  =  spaced  ",
      "param1=a=b",
      "iconic1=5",
      "path1=\t tab\t",
      "cmdx1=other name",
  };
  for (int seed = 0; seed < 40; ++seed) {
    SCOPED_TRACE(seed);
    std::string text = "[Buttonbar]\r\n BUTTONCOUNT = '3' \r\nButtoncount=5\r\n";
    for (size_t i = 0; i < std::size(lines); ++i)
      if ((seed * 7 + i * 3) % 5 != 0) // a different subset and order each round
        text += std::string(lines[(i * (seed + 1)) % std::size(lines)]) + "\r\n";
    text += "[Buttonbar]\r\ncmd1=in the second section\r\n";
    const std::string file = Bar(text);
    ButtonBar bar(file, "");
    ASSERT_EQ(bar.Count(), platform::ReadProfileInt("Buttonbar", "Buttoncount", 0, file));
    ASSERT_EQ(bar.Count(), 3);
    for (int p = 0; p < 3; ++p) {
      const std::string n = std::to_string(p + 1);
      auto read = [&](const char *key) {
        return platform::ReadProfileString("Buttonbar", key + n, "", file);
      };
      EXPECT_EQ(bar.GetField(p, bfIconRef), read("button"));
      EXPECT_EQ(bar.GetField(p, bfCommand), read("cmd"));
      EXPECT_EQ(bar.GetField(p, bfParams), read("param"));
      EXPECT_EQ(bar.GetField(p, bfStartPath), read("path"));
      EXPECT_EQ(bar.GetField(p, bfTooltip), read("menu"));
      EXPECT_EQ(bar.GetField(p, bfRunMode),
                std::to_string(platform::ReadProfileInt("Buttonbar", "iconic" + n, 0, file)));
    }
  }
}

} // namespace
