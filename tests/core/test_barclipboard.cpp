#include "document/BarClipboard.h"
#include "document/ButtonList.h"
#include "document/FileNames.h"

#include <gtest/gtest.h>

namespace {

Button MakeButton(std::string icon, std::string command, std::string params, std::string path,
                  std::string tooltip, int32_t runMode) {
  Button b;
  b.IconRef = std::move(icon);
  b.Command = std::move(command);
  b.Params = std::move(params);
  b.StartPath = std::move(path);
  b.Tooltip = std::move(tooltip);
  b.RunMode = runMode;
  return b;
}

TEST(BarClipboardCopy, EightLinesInTheExchangeOrderEachEndedByCrLf) {
  const Button b = MakeButton("C:\\Icons\\Tools.DLL,12", "C:\\Tools\\tool.exe", "-q %P", "C:\\Work",
                              "My tool", -1);
  EXPECT_EQ(ButtonToClipboardText(b), "TOTALCMD#BAR#DATA\r\n"
                                      "C:\\Tools\\tool.exe\r\n"
                                      "-q %P\r\n"
                                      "C:\\Icons\\Tools.DLL,12\r\n"
                                      "My tool\r\n"
                                      "C:\\Work\r\n"
                                      "-1\r\n"
                                      "-1\r\n");
}

TEST(BarClipboardCopy, EmptyButtonGivesEmptyLinesAndRunModeZero) {
  EXPECT_EQ(ButtonToClipboardText(Button{}),
            "TOTALCMD#BAR#DATA\r\n\r\n\r\n\r\n\r\n\r\n0\r\n-1\r\n");
}

TEST(BarClipboardText, EnablingAndPastingRulesDiffer) {
  struct Case {
    const char *name;
    std::string text;
    bool enabled;  // the Paste item: header followed by CR
    bool pastable; // header followed by CR LF and at least eight lines
  } cases[] = {
      {"copied text", ButtonToClipboardText(Button{}), true, true},
      {"header ended by CR only", "TOTALCMD#BAR#DATA\r1\r2\r3\r4\r5\r6\r7\r", true, false},
      {"header ended by LF only", "TOTALCMD#BAR#DATA\n1\n2\n3\n4\n5\n6\n7\n", false, false},
      {"header at the end without a line end",
       "a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\nTOTALCMD#BAR#DATA", false, false},
      {"seven lines", "TOTALCMD#BAR#DATA\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n", true, false},
      {"eight lines, last without a line end",
       "TOTALCMD#BAR#DATA\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7", true, true},
      {"header in lower case", "totalcmd#bar#data\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n", false,
       false},
      {"header in the middle of a line",
       "x TOTALCMD#BAR#DATA\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n", true, true},
      {"empty", "", false, false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ClipboardTextHasHeader(c.text), c.enabled);
    EXPECT_EQ(ParseClipboardText(c.text).has_value(), c.pastable);
    EXPECT_EQ(!ClipboardTextRefusal(c.text), c.pastable);
  }
}

TEST(BarClipboardText, RefusalSaysWhy) {
  EXPECT_NE(ClipboardTextRefusal("hello").value_or("").find("TOTALCMD#BAR#DATA"),
            std::string::npos);
  EXPECT_NE(ClipboardTextRefusal("TOTALCMD#BAR#DATA\r\na\r\n").value_or("").find("2 lines"),
            std::string::npos);
}

TEST(BarClipboardText, LineEndsOfEveryKindAndEmptyLinesCount) {
  // LF then CR are two line ends, not one: the parameters line is empty.
  const auto lines = ParseClipboardText("TOTALCMD#BAR#DATA\r\nc\n\ri\rt\r\n\r\n1\n-1");
  ASSERT_TRUE(lines.has_value());
  EXPECT_EQ(lines->Command, "c");
  EXPECT_EQ(lines->Params, "");
  EXPECT_EQ(lines->IconRef, "i");
  EXPECT_EQ(lines->Tooltip, "t");
  EXPECT_EQ(lines->StartPath, "");
  EXPECT_EQ(lines->RunMode, "1");
}

TEST(BarClipboardText, FieldsAreCountedFromTheFirstLineWhereverTheHeaderStands) {
  const auto lines =
      ParseClipboardText("junk\r\nTOTALCMD#BAR#DATA\r\np\r\ni,1\r\nt\r\ns\r\n1\r\n-1\r\n");
  ASSERT_TRUE(lines.has_value());
  EXPECT_EQ(lines->Command, "TOTALCMD#BAR#DATA");
  EXPECT_EQ(lines->Params, "p");
  EXPECT_EQ(lines->IconRef, "i,1");
  EXPECT_EQ(lines->Tooltip, "t");
  EXPECT_EQ(lines->StartPath, "s");
  EXPECT_EQ(lines->RunMode, "1");
}

// The file part keeps the letter case it is written in.
TEST(BarClipboardText, PastedIconReferenceIsRebuiltFromItsParts) {
  struct Case {
    const char *line;
    const char *ref;
  } cases[] = {
      {"", ",0"},
      {"C:\\Icons\\Tools.DLL,12", "C:\\Icons\\Tools.DLL,12"},
      {"%COMMANDER_PATH%\\Tool.ico", "%COMMANDER_PATH%\\Tool.ico,0"},
      // A negative number is a resource identifier: its sign stays.
      {"a.dll,-3", "a.dll,-3"},
      {"a.dll,x", "a.dll,0"},
      {"a,b.dll,7", "a,7"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(PastedIconRef(c.line), c.ref);
  }
  // An index beyond 32 bits names no icon; the button keeps it as text, as a load does.
  EXPECT_EQ(PastedIconRef("A.dll,99999999999"), "A.dll,99999999999");
}

TEST(BarClipboardPaste, CopyThenPasteGivesTheSameButton) {
  ButtonBar bar("", "");
  const int source = bar.Add();
  bar.SetField(source, bfIconRef, "C:\\Icons\\Tools.DLL,12");
  bar.SetField(source, bfCommand, "C:\\Tools\\tool.exe");
  bar.SetField(source, bfParams, "-q");
  bar.SetField(source, bfStartPath, "C:\\Work");
  bar.SetField(source, bfTooltip, "Tip");
  bar.SetField(source, bfRunMode, "-1");
  const auto lines = ParseClipboardText(ButtonToClipboardText(*bar.Buttons[0]));
  ASSERT_TRUE(lines.has_value());
  const int target = bar.Add();
  SetButtonFromClipboard(bar, target, *lines);
  for (int field : {bfIconRef, bfCommand, bfParams, bfStartPath, bfTooltip, bfRunMode}) {
    SCOPED_TRACE(field);
    EXPECT_EQ(bar.GetField(target, field), bar.GetField(source, field));
  }
}

TEST(BarClipboardPaste, BadRunModeFailsAfterTheOtherFieldsWereSet) {
  ButtonBar bar("", "");
  const int target = bar.Add();
  const auto lines = ParseClipboardText(
      "TOTALCMD#BAR#DATA\r\ncmd\r\npar\r\nI.ico\r\ntip\r\npath\r\nmax\r\n-1\r\n");
  ASSERT_TRUE(lines.has_value());
  try {
    SetButtonFromClipboard(bar, target, *lines);
    FAIL() << "no conversion error";
  } catch (const EConvertError &e) {
    EXPECT_STREQ(e.what(), "'max' is not a valid integer value");
  }
  EXPECT_EQ(bar.GetField(target, bfCommand), "cmd");
  EXPECT_EQ(bar.GetField(target, bfParams), "par");
  EXPECT_EQ(bar.GetField(target, bfStartPath), "path");
  EXPECT_EQ(bar.GetField(target, bfTooltip), "tip");
  EXPECT_EQ(bar.GetField(target, bfIconRef), "I.ico,0");
  EXPECT_EQ(bar.GetField(target, bfRunMode), "0");
  EXPECT_TRUE(bar.IconsChanged);
}

TEST(BarClipboardPaste, EmptyRunModeLineGivesDefault) {
  ButtonBar bar("", "");
  const int target = bar.Add();
  bar.Buttons[0]->RunMode = 1;
  SetButtonFromClipboard(bar, target, ClipboardButtonLines{"c", "", "", "", "", ""});
  EXPECT_EQ(bar.GetField(target, bfRunMode), "0");
}

} // namespace
