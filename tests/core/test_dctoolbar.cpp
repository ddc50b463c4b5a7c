// Double Commander's toolbar (DcToolbar, DcExchange): the command names both ways, the
// items read as Double Commander writes them and refused when they cannot be its, and a
// bar tree carried out and back keeping every field both programs have.
#include "document/ButtonList.h"
#include "document/DcExchange.h"
#include "platform/HostFiles.h"
#include "support/TcInstallation.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using dctoolbar::Item;
using dctoolbar::ItemKind;
using testsupport::TcInstallation;
using testsupport::TempDir;
using testsupport::WindowsNameOf;
using testsupport::WriteBytes;

namespace {

TEST(DcCommandNames, MapTotalCommandersNamesBothWays) {
  struct Row {
    const char *tc;
    std::optional<std::string> dc;
  };
  const Row rows[] = {
      {"cm_Copy", "cm_Copy"},              // a name both programs share
      {"CM_COPY", "cm_Copy"},              // letter case does not tell names apart
      {"cm_SrcBrief", "cm_BriefView"},     // a name that differs
      {"cm_SearchFor", "cm_Search"},       //
      {"cm_Move", "cm_Rename"},            // two of Total Commander's names for one command
      {"cm_RenMov", "cm_Rename"},          //
      {"cm_PackEverything", std::nullopt}, // a name Double Commander lacks
      {"cm_", std::nullopt},
      // Commands of real bars that Double Commander 1.0 has under its own names.
      {"cm_GotoPreviousDir", "cm_ViewHistoryPrev"},
      {"cm_GotoNextDir", "cm_ViewHistoryNext"},
      {"cm_DirBranch", "cm_FlatView"},
      {"cm_CompareDirs", "cm_CompareDirectories"},
      {"cm_FileSync", "cm_SyncDirs"},
      {"cm_SetAttrib", "cm_SetFileProperties"},
      {"cm_MatchSrc", "cm_TargetEqualSource"},
      {"cm_Split", "cm_FileSpliter"},
      {"cm_Combine", "cm_FileLinker"},
      {"cm_IntCompareFilesByContent", "cm_CompareContents"},
      {"cm_RightByDateTime", "cm_RightSortByDate"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.tc);
    EXPECT_EQ(dctoolbar::DcCommandName(row.tc), row.dc);
    if (row.dc) {
      EXPECT_TRUE(dctoolbar::IsDcCommand(*row.dc));
      const auto back = dctoolbar::TcCommandNames(*row.dc);
      EXPECT_NE(std::find_if(back.begin(), back.end(),
                             [&](const std::string &name) {
                               return dctoolbar::DcCommandName(name) == row.dc;
                             }),
                back.end());
    }
  }
  EXPECT_EQ(dctoolbar::TcCommandNames("cm_Rename"),
            (std::vector<std::string>{"cm_RenMov", "cm_Move", "cm_Rename"}));
  EXPECT_EQ(dctoolbar::TcCommandNames("cm_SyncDirs"),
            (std::vector<std::string>{"cm_FileSync", "cm_SyncDirs"}));
  EXPECT_EQ(dctoolbar::TcCommandNames("cm_Copy"), (std::vector<std::string>{"cm_Copy"}));
}

// A toolbar in the layout Double Commander saves, with what it adds (IDs, a second row)
// Total Commander's placeholders as Double Commander's documentation gives them, and back.
TEST(DcParameters, TranslatesThePlaceholdersBothProgramsHaveAndListsTheOthers) {
  testsupport::ScopedEnv set{"DC_PARAMETERS_SET", "x"};
  struct Row {
    const char *tc;
    const char *dc;
    std::vector<std::string> readOtherwise;
    std::vector<std::string> unset;
  };
  const Row rows[] = {
      {"/x", "/x", {}, {}},
      {"\"%P%N\" %T", "%\"0%/1\"%Ds%fs0\" %Dt", {}, {}},
      {"%M %O.%E", "%\"0%/1%ft0 %os0.%es0", {}, {}},
      {"@%L %F %UL %UF %WL %WF", "%\"0%/1@%L %F %LU %FU %LW %FW", {}, {}},
      {"%? 100%%", "%\"0%/1%? 100%%", {}, {}},
      {"100%%", "100%%", {}, {}}, // only a percent sign
      {"%DC_PARAMETERS_SET%\\x %N", "%\"0%/1%DC_PARAMETERS_SET%\\x %fs0", {}, {}}, // a variable
      {"%S %R %S %n", "%S %R %S %n", {"%S", "%R", "%n"}, {}},
      {"%NOWHERE_SET% 5%", "%NOWHERE_SET% 5%", {}, {"NOWHERE_SET"}},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.tc);
    const auto dc = dctoolbar::ParametersForDc("C:\\prog\\corvane.exe", row.tc);
    EXPECT_EQ(dc.Text, row.dc);
    EXPECT_EQ(dc.ReadOtherwise, row.readOtherwise);
    EXPECT_EQ(dc.Unset, row.unset);
    EXPECT_EQ(dctoolbar::ParametersForTc(dc.Text), row.tc);
  }
  // Parameters written for Double Commander itself keep its meaning.
  EXPECT_EQ(dctoolbar::ParametersForTc("%p %Ds"), "%p %Ds");
}

// and an element it does not know.
const char *const SavedToolbar = R"(<?xml version="1.0" encoding="UTF-8"?>
<doublecmd DCVersion="1.0.10" ConfigVersion="13">
  <Toolbars>
    <MainToolbar>
      <Row>
        <Command>
          <ID>{4C1A855F-40A2-4981-B56E-EB31BDA25C3D}</ID>
          <Icon>cm_refresh</Icon>
          <Command>cm_ChangeDir</Command>
          <Param>left=/tmp</Param>
          <Param>right=/srv</Param>
        </Command>
        <Separator><Style>True</Style></Separator>
        <Menu>
          <Text>Caption</Text>
          <Hint>Tools &amp; more</Hint>
          <MenuItems>
            <Program>
              <Hint>Grüße</Hint>
              <Command>/usr/bin/gimp</Command>
              <Params>%p</Params>
              <StartPath>/home/u/</StartPath>
              <Unknown>dropped</Unknown>
            </Program>
          </MenuItems>
        </Menu>
      </Row>
      <Row><Separator/></Row>
    </MainToolbar>
    <MiddleToolbar><Row><Separator/></Row></MiddleToolbar>
  </Toolbars>
</doublecmd>)";

TEST(DcToolbarXml, ReadsTheItemsOfTheMainToolbarAndWritesThemBack) {
  if (!dctoolbar::HandlesToolbarXml())
    GTEST_SKIP() << "this build reads and writes no Double Commander toolbars";
  testsupport::ScopedCodePage western(1252);
  const std::vector<Item> items = dctoolbar::ReadToolbarXml(SavedToolbar);
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].Kind, ItemKind::Command);
  EXPECT_EQ(items[0].Icon, "cm_refresh");
  EXPECT_EQ(items[0].Params, (std::vector<std::string>{"left=/tmp", "right=/srv"}));
  EXPECT_EQ(items[1].Kind, ItemKind::Separator);
  EXPECT_EQ(items[2].Kind, ItemKind::Menu);
  EXPECT_EQ(items[2].Hint, "Tools & more");
  ASSERT_EQ(items[2].Items.size(), 1u);
  const Item &program = items[2].Items[0];
  EXPECT_EQ(program.Kind, ItemKind::Program);
  EXPECT_EQ(program.Hint, "Gr\xFC\xDF"
                          "e"); // the XML's UTF-8 as the code page's bytes
  EXPECT_EQ(program.Params, std::vector<std::string>{"%p"});
  EXPECT_EQ(program.StartPath, "/home/u/");
  EXPECT_EQ(items[3].Kind, ItemKind::Separator); // the second row follows the first

  const std::string written = dctoolbar::ToolbarXml(items);
  EXPECT_NE(written.find("<Hint>Grüße</Hint>"), std::string::npos);
  const std::vector<Item> again = dctoolbar::ReadToolbarXml(written);
  EXPECT_EQ(dctoolbar::ToolbarXml(again), written);
}

TEST(DcToolbarXml, RefusesWhatNoToolbarIs) {
  if (!dctoolbar::HandlesToolbarXml())
    GTEST_SKIP() << "this build reads and writes no Double Commander toolbars";
  std::string deep = "<MainToolbar><Row>";
  for (int i = 0; i <= dctoolbar::MaxMenuDepth; ++i)
    deep += "<Menu><MenuItems>";
  std::string many;
  for (size_t i = 0; i <= dctoolbar::MaxToolbarItems; ++i)
    many += "<Separator/>";
  struct Row {
    const char *name;
    std::string xml;
  };
  const Row rows[] = {
      {"malformed", "<doublecmd><Toolbars><MainToolbar><Row></MainToolbar>"},
      {"no toolbar", "<doublecmd><Toolbars/></doublecmd>"},
      {"not XML", std::string("\0\xFF\xFE", 3)},
      {"menus too deep", deep + std::string(dctoolbar::MaxMenuDepth + 1, ' ') + "</Row>"},
      {"too many items", "<MainToolbar><Row>" + many + "</Row></MainToolbar>"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_THROW(dctoolbar::ReadToolbarXml(row.xml), dctoolbar::EToolbarError);
  }
  // An entity a DTD declares is never expanded: a document cannot make itself larger.
  const auto items = dctoolbar::ReadToolbarXml(
      R"(<!DOCTYPE d [<!ENTITY big "expanded">]><d><MainToolbar><Row><Program>)"
      R"(<Hint>&big;</Hint></Program></Row></MainToolbar></d>)");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].Hint.find("expanded"), std::string::npos);
}

// The items a configuration's toolbar is replaced with, and their row as a document laid
// out with these line ends and this indentation step holds it at that depth.
const std::vector<Item> NewItems = [] {
  Item command;
  command.Kind = ItemKind::Command;
  command.Text = "A&B";
  command.Command = "cm_Copy";
  return std::vector<Item>{command, Item{}};
}();
std::string NewRow(const std::string &lineEnd, const std::string &step, int depth) {
  // clang-format off
  const std::pair<int, const char *> lines[] = {
      {0, "<Row>"}, {1, "<Command>"}, {2, "<Text>A&amp;B</Text>"},
      {2, "<Command>cm_Copy</Command>"}, {1, "</Command>"},
      {1, "<Separator>"}, {2, "<Style>False</Style>"}, {1, "</Separator>"}, {0, "</Row>"}};
  // clang-format on
  std::string text;
  for (const auto &[level, line] : lines) {
    if (!text.empty())
      text += lineEnd;
    for (int i = 0; i < depth + level; ++i)
      text += step;
    text += line;
  }
  return text;
}

TEST(DcToolbarXml, ReplacesTheMainToolbarOfAConfigurationAndKeepsEverythingElse) {
  if (!dctoolbar::HandlesToolbarXml())
    GTEST_SKIP() << "this build reads and writes no Double Commander toolbars";
  const std::string kept = "<Keep a=\"&quot;1&quot;\">x &amp; y&#10;<!-- note --></Keep>";
  struct Row {
    const char *name;
    std::string before, after;
  };
  const std::string bom = "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n";
  // clang-format off
  const Row rows[] = {
      {"Double Commander's layout, with CRLF and a byte order mark",
       bom + "<doublecmd>\r\n  <Toolbars>\r\n    <MainToolbar n=\"1\">\r\n      <Row>\r\n"
             "        <Separator/>\r\n      </Row>\r\n    </MainToolbar>\r\n  </Toolbars>\r\n"
             "  " + kept + "\r\n</doublecmd>\r\n",
       bom + "<doublecmd>\r\n  <Toolbars>\r\n    <MainToolbar n=\"1\">\r\n" +
             NewRow("\r\n", "  ", 3) + "\r\n    </MainToolbar>\r\n  </Toolbars>\r\n"
             "  " + kept + "\r\n</doublecmd>\r\n"},
      {"tabs, and toolbars without the main one",
       "<doublecmd>\n\t<Toolbars>\n\t\t<MiddleToolbar/>\n\t</Toolbars>\n</doublecmd>",
       "<doublecmd>\n\t<Toolbars>\n\t\t<MiddleToolbar/>\n\t\t<MainToolbar>\n" +
           NewRow("\n", "\t", 3) + "\n\t\t</MainToolbar>\n\t</Toolbars>\n</doublecmd>"},
      {"one line without toolbars",
       "<doublecmd>" + kept + "</doublecmd>",
       "<doublecmd>" + kept + "<Toolbars><MainToolbar>" + NewRow("", "", 0) +
           "</MainToolbar></Toolbars></doublecmd>"},
  };
  // clang-format on
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    const std::string written = dctoolbar::ReplaceMainToolbar(row.before, NewItems);
    EXPECT_EQ(written, row.after);
    EXPECT_EQ(dctoolbar::ToolbarXml(dctoolbar::ReadToolbarXml(written)),
              dctoolbar::ToolbarXml(NewItems));
    EXPECT_FALSE(dctoolbar::IsToolbarExport(written));
  }
  for (const char *refused : {"<doublecmd><Toolbars></doublecmd>", "<config/>",
                              "<doublecmd/><doublecmd/>", "<doublecmd/>text", "", "<a b='\"'/>"}) {
    SCOPED_TRACE(refused);
    EXPECT_THROW(dctoolbar::ReplaceMainToolbar(refused, NewItems), dctoolbar::EToolbarError);
  }
}

// What export-dc may replace: its own files only, never a configuration Double Commander
// saved (with every other setting of the user's in it).
TEST(DcToolbarXml, TellsItsOwnExportsFromOtherFiles) {
  if (!dctoolbar::HandlesToolbarXml())
    GTEST_SKIP() << "this build reads and writes no Double Commander toolbars";
  const std::string exported = dctoolbar::ToolbarXml(NewItems);
  const auto with = [&](const char *at, const std::string &inserted) {
    std::string text = exported;
    return text.insert(text.find(at), inserted);
  };
  EXPECT_TRUE(dctoolbar::IsToolbarExport(exported));
  EXPECT_TRUE(dctoolbar::IsToolbarExport(dctoolbar::ToolbarXml({})));
  for (const std::string &other :
       {std::string(SavedToolbar), with("</Toolbars>", "<MiddleToolbar/>"),
        with("</doublecmd>", "<MainWindow/>"), with("<Text>", "<ID>{1}</ID>"),
        with(" ConfigVersion", " DCVersion=\"1.0.10\""), exported.substr(0, 100), std::string()}) {
    SCOPED_TRACE(other);
    EXPECT_FALSE(dctoolbar::IsToolbarExport(other));
  }
}

// A Total Commander installation with a program and an icon library; a main bar opening a
// sub-bar that leads back to it.
class DcRoundTrip : public ::testing::Test {
protected:
  DcRoundTrip() {
    tc.Write("t\xC3\xB6ols/prog.exe", "MZ"); // "töols": host names are UTF-8
  }
  void SetUp() override {
    if (!dctoolbar::HandlesToolbarXml())
      GTEST_SKIP() << "this build reads and writes no Double Commander toolbars";
  }

  void WriteBar(const std::string &name, const std::vector<Button> &buttons) const {
    std::string text = "[Buttonbar]\r\nButtoncount=" + std::to_string(buttons.size()) + "\r\n";
    for (size_t i = 0; i < buttons.size(); ++i) {
      const std::string n = std::to_string(i + 1);
      const Button &b = buttons[i];
      text += "button" + n + "=" + b.IconRef + "\r\ncmd" + n + "=" + b.Command + "\r\nparam" + n +
              "=" + b.Params + "\r\npath" + n + "=" + b.StartPath + "\r\nmenu" + n + "=" +
              b.Tooltip + "\r\n";
    }
    WriteBytes(dir / name, text);
  }

  std::vector<Button> ButtonsOf(const std::filesystem::path &bar) {
    ButtonBar list(WindowsNameOf(bar), exe);
    std::vector<Button> buttons;
    for (const auto &button : list.Buttons)
      buttons.push_back(*button);
    return buttons;
  }

  testsupport::ScopedCodePage western{1252};
  TempDir dir;
  TcInstallation tc{dir / "tc",
                    {.commandList = "[___Files___]=0\r\ncm_Copy=100;Copy\r\ncm_Move=101;Move\r\n",
                     .userCommands = "[em_backup]\r\ncmd=cm_Copy\r\n",
                     .icons = 4}};
  const std::string exe = WindowsNameOf(dir / "prog" / "corvane.exe");
};

TEST_F(DcRoundTrip, KeepsEverySharedFieldAndListsWhatCannotBeCarried) {
  const std::vector<Button> main = {
      {"wcmicons.dll,1", "cm_Move", "", "", "Move", 0, "", ""},
      {"", "", "", "", "", 0, "", ""},
      {"%COMMANDER_PATH%\\wcmicons.dll,1", "%COMMANDER_PATH%\\t\xF6ols\\prog.exe", "/x %N",
       "%COMMANDER_PATH%\\t\xF6ols\\", "Program", 0, "", ""},
      {"wcmicons.dll,2", WindowsNameOf(dir / "sub.bar"), "", "", "Sub-bar", 0, "", ""},
      {"", "em_backup", "", "", "A user command", 0, "", ""},
      {"", "OPENTABS x.tab", "", "", "A keyword", 0, "", ""},
  };
  WriteBar("main.bar", main);
  WriteBar("sub.bar", {{"", "cm_Copy", "", "", "Copy", 0, "", ""},
                       {"", WindowsNameOf(dir / "main.bar"), "", "", "Back", 0, "", ""}});

  const dctoolbar::ExportResult out = dctoolbar::ExportBar(
      WindowsNameOf(dir / "main.bar"),
      {.ProgramFile = exe, .Recursive = true, .IconFolder = WindowsNameOf(dir / "icons")});
  EXPECT_EQ(out.Icons.size(), 2u); // wcmicons.dll,1 named twice, and wcmicons.dll,2
  std::vector<std::pair<int, std::string>> leftOut;
  for (const auto &omission : out.LeftOut)
    leftOut.emplace_back(omission.Button + 1, omission.What);
  EXPECT_EQ(leftOut, (std::vector<std::pair<int, std::string>>{
                         {2, "the sub-bar " + WindowsNameOf(dir / "main.bar") +
                                 " leads back to a bar on the way to it"},
                         {5, "the user command em_backup"},
                         {6, "the keyword OPENTABS has no Double Commander command"}}));
  std::filesystem::create_directory(dir / "icons");
  for (const auto &icon : out.Icons)
    platform::WriteFileAtomic(icon.File, icon.Png);

  const auto items = dctoolbar::ReadToolbarXml(dctoolbar::ToolbarXml(out.Items));
  const dctoolbar::ImportResult back = dctoolbar::ImportToolbar(
      items, WindowsNameOf(dir / "back.bar"),
      {.ProgramFile = exe, .Library = WindowsNameOf(dir / "back.icl"), .ThemeFolder = ""});
  EXPECT_EQ(back.Bars, (std::vector<std::string>{WindowsNameOf(dir / "back.bar"),
                                                 WindowsNameOf(dir / "back-1.bar")}));
  EXPECT_EQ(back.Icons, 2);
  EXPECT_TRUE(back.LeftOut.empty());

  const std::vector<Button> again = ButtonsOf(dir / "back.bar");
  ASSERT_EQ(again.size(), 4u);
  for (size_t i = 0; i < again.size(); ++i) {
    SCOPED_TRACE(i);
    if (i != 3) {
      EXPECT_EQ(again[i].Command, main[i].Command);
    }
    EXPECT_EQ(again[i].Params, main[i].Params);
    EXPECT_EQ(again[i].StartPath, main[i].StartPath);
    EXPECT_EQ(again[i].Tooltip, main[i].Tooltip);
  }
  const std::string library = WindowsNameOf(dir / "back.icl");
  EXPECT_EQ(again[0].IconRef, library + ",0");
  EXPECT_EQ(again[2].IconRef, library + ",0"); // one icon, once in the library
  EXPECT_EQ(again[3].IconRef, library + ",1");
  EXPECT_EQ(again[3].Command, WindowsNameOf(dir / "back-1.bar"));
  const std::vector<Button> sub = ButtonsOf(dir / "back-1.bar");
  ASSERT_EQ(sub.size(), 1u);
  EXPECT_EQ(sub[0].Command, "cm_Copy");
}

// Each button that cannot work as it did is listed with why; what Double Commander has
// under its own name or as its own command is carried, and comes back.
TEST_F(DcRoundTrip, ListsWhatCannotWorkAndCarriesWhatItHasUnderOtherNames) {
  std::filesystem::create_directory(dir / "work");
  const std::string work = WindowsNameOf(dir / "work");
  const std::vector<Button> buttons = {
      {"", "cm_DirBranch", "", "", "", 0, "", ""},
      {"", "cd " + work, "", "", "", 0, "", ""},
      {"", "100", "", "", "", 0, "", ""},
      {"", "OPENLANGUAGEFILE x.lng", "", "", "", 0, "", ""},
      {"", "cd %NOWHERE_SET%\\x", "", "", "", 0, "", ""},
      {"", "%COMMANDER_PATH%\\t\xF6ols\\prog.exe", "%NOWHERE_SET% %S", "%UNSET_TOO%\\", "", 0, "",
       ""},
      {"", "nowhere-at-all.exe", "", "", "", 0, "", ""},
      {"", "%COMMANDER_PATH%\\t\xF6ols\\prog.cpl", "", "", "", 0, "", ""},
      {"", "control desk.cpl", "", "", "", 0, "", ""},
      {"", WindowsNameOf(dir / "gone.exe"), "", "", "", 0, "", ""},
  };
  tc.Write("t\xC3\xB6ols/prog.cpl", "MZ");
  tc.Write("Totalcmd.inc", "[___Files___]=0\r\ncm_Copy=100;Copy\r\ncm_DirBranch=2026;Branch\r\n");
  WriteBar("cannot.bar", buttons);
  const auto out = dctoolbar::ExportBar(WindowsNameOf(dir / "cannot.bar"),
                                        {.ProgramFile = exe, .IconFolder = work});
  std::vector<std::pair<int, std::string>> leftOut;
  for (const auto &omission : out.LeftOut) // items written that cannot work marked so
    leftOut.emplace_back(omission.Button + 1, (omission.Written ? "* " : "") + omission.What);
  const std::string cpl = WindowsNameOf(tc / "t\xC3\xB6ols" / "prog.cpl");
  EXPECT_EQ(leftOut,
            (std::vector<std::pair<int, std::string>>{
                {4, "the keyword OPENLANGUAGEFILE has no Double Commander command"},
                {5, "the folder of cd holds %NOWHERE_SET%, which nothing sets"},
                {6, "* the parameters hold %NOWHERE_SET%, which nothing sets"},
                {6, "* the parameters hold %S, which Double Commander reads otherwise"},
                {6, "* the start path holds %UNSET_TOO%, which nothing sets"},
                {7, "* the program nowhere-at-all.exe is found nowhere: not in Total Commander's "
                    "folder, nor on the search path"},
                {8, "* the Control Panel item " + cpl +
                        " opens only on Windows (with --wine: through wine control)"},
                {9, "the command control desk.cpl runs only on Windows (with --wine: through "
                    "wine control)"},
                {10, "* the program " + WindowsNameOf(dir / "gone.exe") + " does not exist"}}));
  ASSERT_EQ(out.Items.size(), 7u);
  EXPECT_EQ(out.Items[0].Command, "cm_FlatView");
  EXPECT_EQ(out.Items[1].Command, "cm_ChangeDir");
  EXPECT_EQ(out.Items[1].Params, std::vector<std::string>{(dir / "work").string()});
  EXPECT_EQ(out.Items[2].Command, "cm_Copy"); // by its number

  dctoolbar::ImportToolbar(
      out.Items, WindowsNameOf(dir / "back.bar"),
      {.ProgramFile = exe, .Library = WindowsNameOf(dir / "back.icl"), .ThemeFolder = ""});
  const auto again = ButtonsOf(dir / "back.bar");
  ASSERT_EQ(again.size(), 7u);
  EXPECT_EQ(again[0].Command, "cm_DirBranch");
  EXPECT_EQ(again[1].Command, buttons[1].Command);
  EXPECT_EQ(again[3].Params, buttons[5].Params);

  // With Wine, Control Panel items open through Wine's own tool, and come back.
  const auto wine = dctoolbar::ExportBar(WindowsNameOf(dir / "cannot.bar"),
                                         {.ProgramFile = exe, .Wine = true, .IconFolder = work});
  ASSERT_EQ(wine.Items.size(), 8u);
  EXPECT_EQ(wine.Items[5].Params, std::vector<std::string>{"control \"" + cpl + "\""});
  EXPECT_EQ(wine.Items[6].Params, std::vector<std::string>{"control desk.cpl"});
  dctoolbar::ImportToolbar(
      {wine.Items[5]}, WindowsNameOf(dir / "wine.bar"),
      {.ProgramFile = exe, .Library = WindowsNameOf(dir / "wine.icl"), .ThemeFolder = ""});
  EXPECT_EQ(ButtonsOf(dir / "wine.bar").at(0).Command, buttons[7].Command);
}

// A chain of sub-bars deeper than a toolbar's menus may be: the export stops where the
// reader would refuse it, so that what is written reads back.
TEST_F(DcRoundTrip, SubBarsBeyondTheDeepestMenuAreLeftOut) {
  const int bars = dctoolbar::MaxMenuDepth + 3;
  for (int n = 0; n < bars; ++n)
    WriteBar("chain" + std::to_string(n) + ".bar",
             {{"", WindowsNameOf(dir / ("chain" + std::to_string(n + 1) + ".bar")), "", "", "Next",
               0, "", ""}});
  const auto out = dctoolbar::ExportBar(
      WindowsNameOf(dir / "chain0.bar"),
      {.ProgramFile = exe, .Recursive = true, .IconFolder = WindowsNameOf(dir / "icons")});
  ASSERT_EQ(out.LeftOut.size(), 1u);
  EXPECT_EQ(out.LeftOut[0].Bar,
            WindowsNameOf(dir / ("chain" + std::to_string(dctoolbar::MaxMenuDepth) + ".bar")));
  EXPECT_NO_THROW(dctoolbar::ReadToolbarXml(dctoolbar::ToolbarXml(out.Items)));
}

// With Wine, a Windows program is wine's first parameter, by its Windows name, and the way
// back takes it out again.
TEST_F(DcRoundTrip, WineStartsWindowsProgramsByTheirWindowsNames) {
  const Button program{"", "%COMMANDER_PATH%\\t\xF6ols\\prog.exe", "%N", "", "", 0, "", ""};
  WriteBar("wine.bar", {program});
  const auto out = dctoolbar::ExportBar(
      WindowsNameOf(dir / "wine.bar"),
      {.ProgramFile = exe, .Wine = true, .IconFolder = WindowsNameOf(dir / "icons")});
  ASSERT_EQ(out.Items.size(), 1u);
  EXPECT_EQ(out.Items[0].Command, "wine");
  EXPECT_EQ(out.Items[0].Params,
            std::vector<std::string>{"\"" + WindowsNameOf(tc / "t\xC3\xB6ols" / "prog.exe") +
                                     "\" %\"0%/1%fs0"});
  dctoolbar::ImportToolbar(
      out.Items, WindowsNameOf(dir / "back.bar"),
      {.ProgramFile = exe, .Library = WindowsNameOf(dir / "back.icl"), .ThemeFolder = ""});
  const auto again = ButtonsOf(dir / "back.bar");
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0].Command, program.Command);
  EXPECT_EQ(again[0].Params, program.Params);
}

} // namespace
