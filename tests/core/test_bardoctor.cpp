// Unit BarDoctor: each kind of problem is found where it is and nowhere else, the walk
// through sub-bars reads each bar once and reports the way of a loop, and making paths
// portable is one edit that undo takes back whole.
#include "document/BarDoctor.h"
#include "platform/CodePage.h"
#include "platform/HostFiles.h"
#include "platform/HostPathText.h"
#include "support/TcInstallation.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <tuple>

using doctor::ProblemKind;
using testsupport::TcInstallation;
using testsupport::TempDir;
using testsupport::WindowsNameOf;
using testsupport::WriteBytes;

namespace {

// Icon reference, command, parameters, start path.
using ButtonTexts = std::array<std::string, 4>;
// A problem as (1-based button, kind).
using Found = std::vector<std::pair<int, ProblemKind>>;

// A made-up Total Commander installation with one program in "tools", an icon library of
// four icons, one internal and one user command; beside it the checked bar "bar.bar",
// another bar, and a folder "tc2" whose name starts like Total Commander's.
class Doctor : public ::testing::Test {
protected:
  Doctor() {
    tc.Write("tools/prog.exe", "MZ");
    tc.Write("tools/run.cmd", "@echo off");
    // One 16x16 image of 1000 bytes said to follow the directory, and nothing follows.
    tc.Write("cut.ico",
             std::string("\0\0\1\0\1\0\x10\x10\0\0\1\0\x20\0\xE8\x03\0\0\x16\0\0\0", 22));
    std::filesystem::create_directories(tc.folder() / "tools" / "folder.exe");
    tc.Write("My Tools/tool.exe", "MZ");
    WriteBytes(dir / "tc2" / "prog.exe", "MZ");
    for (const char *bar : {"bar.bar", "other.bar"})
      WriteBytes(dir / bar, "[Buttonbar]\r\nButtoncount=0\r\n");
    WriteBytes(dir / "picture.bar", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    WriteBytes(dir / "list.bar", "Milk\r\nBread\r\n");
    exe = WindowsNameOf(dir / "prog" / "corvane.exe");
  }

  // The text with $TC, $BAR and $OTHER replaced by the Windows names they stand for.
  std::string Expand(std::string text) const {
    const std::pair<std::string, std::string> names[] = {
        {"$TC", WindowsNameOf(tc.folder())},
        {"$BAR", WindowsNameOf(dir / "bar.bar")},
        {"$OTHER", WindowsNameOf(dir / "other.bar")}};
    for (const auto &[from, to] : names)
      for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at))
        text.replace(at, from.size(), to);
    return text;
  }

  std::unique_ptr<ButtonBar> Bar(const std::vector<ButtonTexts> &buttons) const {
    auto bar = ButtonBar::Create("", exe);
    for (const ButtonTexts &texts : buttons) {
      const int position = bar->Add();
      for (int field : {bfIconRef, bfCommand, bfParams, bfStartPath})
        bar->SetField(position, field, Expand(texts[static_cast<size_t>(field)]));
    }
    return bar;
  }

  TempDir dir;
  std::string exe; // the program's, in a folder without settings
  TcInstallation tc{dir / "tc",
                    {.commandList = "[___Files___]=0\r\ncm_Copy=100;Copy\r\ncm_Back=-2;Back\r\n",
                     .userCommands = "[em_backup]\r\ncmd=cm_Copy\r\n",
                     .icons = 4}};
};

Found KindsOf(const std::vector<doctor::Problem> &problems) {
  Found found;
  for (const doctor::Problem &problem : problems)
    found.emplace_back(problem.Button + 1, problem.Kind);
  return found;
}

// Every field of every button, in order.
std::vector<std::string> FieldsOf(const ButtonBar &bar) {
  std::vector<std::string> fields;
  for (int position = 0; position < bar.Count(); ++position)
    for (int field = bfIconRef; field <= bfRunMode; ++field)
      fields.push_back(bar.GetField(position, field));
  return fields;
}

struct KindRow {
  const char *name;
  std::vector<ButtonTexts> buttons;
  Found expected;
  const char *firstMessage = nullptr;     // when given, the first problem's message
  std::vector<std::string> messages = {}; // when given, every problem's message
};

class DoctorKinds : public Doctor, public ::testing::WithParamInterface<KindRow> {};

TEST_P(DoctorKinds, FindsExactlyTheProblemsOfTheBar) {
  const auto bar = Bar(GetParam().buttons);
  const doctor::DoctorContext context(exe);
  const auto problems = doctor::CheckBar(*bar, WindowsNameOf(dir / "bar.bar"), context);
  EXPECT_EQ(KindsOf(problems), GetParam().expected);
  if (GetParam().firstMessage && !problems.empty()) {
    EXPECT_EQ(problems[0].Message, GetParam().firstMessage);
  }
  if (!GetParam().messages.empty()) {
    std::vector<std::string> messages;
    for (const doctor::Problem &problem : problems)
      messages.push_back(problem.Message);
    std::vector<std::string> expected;
    for (const std::string &message : GetParam().messages)
      expected.push_back(Expand(message));
    EXPECT_EQ(messages, expected);
  }
}

constexpr auto MissingProgram = ProblemKind::MissingProgram;
constexpr auto UnknownCommand = ProblemKind::UnknownCommand;
constexpr auto NonPortable = ProblemKind::NonPortablePath;

const KindRow KindRows[] = {
    {"MissingProgram",
     {{"", R"(%COMMANDER_PATH%\tools\gone.exe)", "", ""},
      {"", R"("%COMMANDER_PATH%\tools\gone.exe" /fast)", "", ""}},
     {{1, MissingProgram}, {2, MissingProgram}}},
    {"ProgramsFoundByNameArgumentsStartPathOrFolder_KeywordsAndEmptyNotLookedFor",
     {{"", R"(%COMMANDER_PATH%\tools\prog.exe)", "", ""},
      {"", R"("%COMMANDER_PATH%\tools\prog.exe" /fast)", "", ""},
      {"", "prog.exe", "", R"($TC2\)"},
      {"", R"(%COMMANDER_PATH%\tools)", "", ""},
      {"", R"(cd %COMMANDER_PATH%\nowhere)", "", ""},
      {"", "", "", ""}},
     {}},
    {"UnknownCommand",
     {{"", "cm_Nope", "", ""}, {"", "em_nope", "", ""}},
     {{1, UnknownCommand}, {2, UnknownCommand}}},
    {"KnownCommandsInAnyCase", {{"", "CM_copy", "", ""}, {"", "EM_Backup", "", ""}}, {}},
    {"CommandNumbersKnownOrNot",
     {{"", "100", "", ""},
      {"", "-2", "", ""},
      {"", "0100", "", ""},
      {"", "540", "", ""},
      {"", "-7", "", ""},
      {"", "0", "", ""}},
     {{4, UnknownCommand}},
     "540 is no command number of Totalcmd.inc"},
    {"NoFileNamed_KeywordsAddressesAndWindowsTools",
     {{"", "OPENLANGUAGEFILE wcmd_deu.lng", "", ""},
      {"", "OpenTabs work.tab", "", ""},
      {"", R"(cd C:\nowhere)", "", ""},
      {"", "cd..", "", ""},
      {"", R"(CD\)", "", ""},
      {"", "LOADSEARCH big files", "", ""},
      {"", "mailto:someone@example.org", "", ""},
      {"", "https://example.org/a b", "", ""},
      {"", "ftp://example.org", "", ""},
      {"", "file:///C:/nowhere/x.txt", "", ""},
      {"", "shell:::{20D04FE0-3AEA-1069-A2D8-08002B30309D}", "", ""},
      {"", "::{645FF040-5081-101B-9F08-00AA002F954E}", "", ""},
      {"", "shell:Downloads", "", ""},
      {"", "control", "", ""},
      {"", "control desk.cpl,,1", "", ""},
      {"", "msconfig.exe", "", ""},
      {"", "rundll32 shell32.dll,Control_RunDLL", "", ""}},
     {}},
    {"KeywordsOnlyAsTheWholeFirstWord",
     {{"", R"(C:\nowhere\recdisc.exe)", "", ""},
      {"", R"(C:\abcd\openbar.exe)", "", ""},
      {"", "cdplayer.exe", "", ""},
      {"", "cd.exe", "", ""},
      {"", R"(C:\nowhere\cm_tool.exe)", "", ""},
      {"", R"(C:\nowhere:x)", "", ""}},
     {{1, MissingProgram},
      {2, MissingProgram},
      {3, MissingProgram},
      {4, MissingProgram},
      {5, MissingProgram},
      {6, MissingProgram}},
     R"(C:\nowhere\recdisc.exe does not exist)"},
    {"RunAsAdministrator",
     {{"", R"(*%COMMANDER_PATH%\tools\prog.exe)", "", ""},
      {"", R"(*"%COMMANDER_PATH%\My Tools\tool.exe" /x)", "", ""},
      {"", "*prog.exe", "", R"(%COMMANDER_PATH%\tools\)"},
      {"", R"(*%COMMANDER_PATH%\tools\gone.exe)", "", ""}},
     {{4, MissingProgram}},
     R"(%COMMANDER_PATH%\tools\gone.exe does not exist)"},
    {"UnquotedPathWithBlanksAndArguments",
     {{"", R"(%COMMANDER_PATH%\My Tools\tool.exe -k)", "", ""},
      {"", R"(%COMMANDER_PATH%\My Tools\tool.exe C:\a b.txt)", "", ""},
      {"", R"(%COMMANDER_PATH%\My Tools)", "", ""},
      {"", R"(%COMMANDER_PATH%\My Tools\gone.exe -k)", "", ""}},
     {{4, MissingProgram}},
     R"(%COMMANDER_PATH%\My Tools\gone.exe does not exist)"},
    {"ProgramWithoutExtensionOrInAStartPathWithoutBackslash",
     {{"", R"(%COMMANDER_PATH%\tools\prog)", "", ""},
      {"", R"(%COMMANDER_PATH%\tools\run /x)", "", ""},
      {"", "prog.exe", "", R"(%COMMANDER_PATH%\tools)"},
      {"", R"(%COMMANDER_PATH%\tools\gone)", "", ""}},
     {{4, MissingProgram}}},
    {"FolderIsNoFile",
     {{R"(%COMMANDER_PATH%\tools,0)", "", "", ""},
      {"", R"(%COMMANDER_PATH%\tools\folder.exe)", "", ""}},
     {{1, ProblemKind::MissingIconFile}, {2, MissingProgram}},
     nullptr,
     {R"(the icon file %COMMANDER_PATH%\tools is a folder)",
      R"(%COMMANDER_PATH%\tools\folder.exe is a folder)"}},
    {"MissingIconFile",
     {{R"(%COMMANDER_PATH%\nope.dll,1)", "", "", ""}},
     {{1, ProblemKind::MissingIconFile}}},
    {"IconIndex", {{"wcmicons.dll,4", "", "", ""}}, {{1, ProblemKind::IconIndex}}},
    {"IconThere", {{"wcmicons.dll,3", "", "", ""}}, {}},
    // A negative number is the icon's resource identifier (the groups' are 1 to 4).
    {"IconByResourceIdentifier",
     {{"wcmicons.dll,-4", "", "", ""},
      {"wcmicons.dll,-1", "", "", ""},
      {"wcmicons.dll,-5", "", "", ""}},
     {{3, ProblemKind::IconIndex}},
     "wcmicons.dll has no icon with the identifier 5"},
    {"IconFileCutShort",
     {{R"(%COMMANDER_PATH%\cut.ico)", "", "", ""}},
     {{1, ProblemKind::IconIndex}},
     R"(%COMMANDER_PATH%\cut.ico has no icon 0: it holds none)"},
    {"MissingStartPath",
     {{"", "", "", R"(%COMMANDER_PATH%\nowhere\)"}},
     {{1, ProblemKind::MissingStartPath}}},
    {"StartPathThere_RelativeNotChecked",
     {{"", "", "", R"("%COMMANDER_PATH%\tools\")"}, {"", "", "", R"(nowhere\)"}},
     {}},
    {"MissingSubBar",
     {{"", R"(%COMMANDER_PATH%\..\gone.bar)", "", ""}},
     {{1, ProblemKind::MissingSubBar}}},
    {"SubBarThere_OpenBarNotASubBar",
     {{"", "$OTHER", "", ""}, {"", R"(OPENBAR %COMMANDER_PATH%\..\gone.bar)", "", ""}},
     {}},
    {"SubBarNotABar",
     {{"", R"(%COMMANDER_PATH%\..\picture.bar)", "", ""},
      {"", R"("%COMMANDER_PATH%\..\list.bar")", "", ""}},
     {{1, ProblemKind::NotABar}, {2, ProblemKind::NotABar}},
     R"(%COMMANDER_PATH%\..\picture.bar is not a button bar: it holds binary data)"},
    {"SubBarLoopToItself", {{"", R"("$BAR")", "", ""}}, {{1, ProblemKind::SubBarLoop}}},
    {"NonPortablePath",
     {{R"($TC\wcmicons.dll,1)", R"($TC\tools\prog.exe)", R"("$TC\x.ini" %N)", R"($TC\tools\)"}},
     {{1, NonPortable}, {1, NonPortable}, {1, NonPortable}, {1, NonPortable}}},
    {"PortableOrOutsideTheFolder",
     {{"", R"(%COMMANDER_PATH%\tools\prog.exe)", "", ""}, {"", R"($TC2\prog.exe)", "", ""}},
     {}},
    {"MixedIconNames",
     {{"wcmicons.dll,0", "", "", ""}, {R"(%COMMANDER_PATH%\wcmicons.dll,1)", "", "", ""}},
     {{2, ProblemKind::MixedIconNames}}},
    {"IconNamesDifferingInCase",
     {{"wcmicons.dll,0", "", "", ""}, {"WCMICONS.DLL,1", "", "", ""}},
     {}},
    // Reported once per field where a name is looked up, instead of the missing file.
    {"UnsetVariable",
     {{R"(%CORVANE_NEVER_SET%\x.dll,1)", R"(%CORVANE_NEVER_SET%\x.exe /a)",
       R"(%CORVANE_NEVER_SET% %P%N)", R"(C:\%CORVANE_NEVER_SET%\%corvane_never_set%\)"}},
     {{1, ProblemKind::UnsetVariable},
      {1, ProblemKind::UnsetVariable},
      {1, ProblemKind::UnsetVariable}}},
};

INSTANTIATE_TEST_SUITE_P(Kinds, DoctorKinds, ::testing::ValuesIn(KindRows),
                         [](const auto &info) { return std::string(info.param.name); });

// A device where a file is looked for is there, but is no file to read or run.
TEST_F(Doctor, DeviceIsNotAFile) {
  const std::string device = WindowsNameOf("/dev/null");
  if (platform::FileIdentity(device).empty())
    GTEST_SKIP() << "the system shows no device as /dev/null";
  const auto bar = Bar({{device + ",0", device, "", ""}});
  std::vector<std::string> messages;
  for (const doctor::Problem &problem :
       doctor::CheckBar(*bar, WindowsNameOf(dir / "bar.bar"), doctor::DoctorContext(exe)))
    messages.push_back(problem.Message);
  EXPECT_EQ(messages, (std::vector<std::string>{device + " is not a file",
                                                "the icon file " + device + " is not a file"}));
}

// Relative names are Total Commander's: the folder corvane-cli was started in changes
// nothing, even when it holds what the names name.
TEST_F(Doctor, OneAnswerFromAnyCurrentFolder) {
  const auto bar = Bar({{"", R"(tools\prog.exe)", "", ""},
                        {"", R"(tc2\prog.exe)", "", ""},
                        {R"(tc2\prog.exe,0)", "other.bar", "", ""}});
  for (const std::filesystem::path &current : {dir.path(), tc.folder()}) {
    SCOPED_TRACE(current.string());
    testsupport::ScopedCurrentDirectory cwd(current);
    EXPECT_EQ(
        KindsOf(doctor::CheckBar(*bar, WindowsNameOf(dir / "bar.bar"), doctor::DoctorContext(exe))),
        (Found{{2, MissingProgram},
               {3, ProblemKind::MissingIconFile},
               {3, ProblemKind::MissingSubBar}}));
  }
}

// A bar whose buttons open the bars named, folder dir.
void WriteSubBars(const std::filesystem::path &dir, const std::string &name,
                  const std::vector<std::string> &subBars) {
  std::string text = "[Buttonbar]\r\nButtoncount=" + std::to_string(subBars.size()) + "\r\n";
  for (size_t i = 0; i < subBars.size(); ++i)
    text += "cmd" + std::to_string(i + 1) + "=" + WindowsNameOf(dir / subBars[i]) + "\r\n";
  WriteBytes(dir / name, text);
}

// a -> b, c; b -> c, a missing bar, an unreadable bar, a picture; c -> a.
TEST_F(Doctor, TreeWalkReadsEachBarOnceAndReportsTheWayOfALoop) {
  WriteSubBars(dir.path(), "a.bar", {"b.bar", "c.bar"});
  WriteSubBars(dir.path(), "b.bar", {"c.bar", "gone.bar", "bad.bar", "picture.bar"});
  WriteSubBars(dir.path(), "c.bar", {"A.BAR"});
  WriteBytes(dir / "bad.bar", "[Buttonbar]\r\nButtoncount=200000\r\ncmd1=cm_Copy\r\n");
  const doctor::DoctorContext context(exe);

  const auto reports = doctor::CheckBarTree(WindowsNameOf(dir / "a.bar"), true, context);
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_EQ(reports[0].File, WindowsNameOf(dir / "a.bar"));
  EXPECT_EQ(reports[1].File, WindowsNameOf(dir / "b.bar"));
  EXPECT_EQ(reports[2].File, WindowsNameOf(dir / "c.bar"));
  EXPECT_EQ(KindsOf(reports[0].Problems), Found{});
  EXPECT_EQ(KindsOf(reports[1].Problems), (Found{{2, ProblemKind::MissingSubBar},
                                                 {3, ProblemKind::MissingSubBar},
                                                 {4, ProblemKind::NotABar}}));
  EXPECT_NE(reports[1].Problems[1].Message.find("cannot be read"), std::string::npos);
  ASSERT_EQ(KindsOf(reports[2].Problems), (Found{{1, ProblemKind::SubBarLoop}}));
  EXPECT_NE(reports[2].Problems[0].Message.find("a.bar > b.bar > c.bar > A.BAR"),
            std::string::npos);

  const auto alone = doctor::CheckBarTree(WindowsNameOf(dir / "a.bar"), false, context);
  ASSERT_EQ(alone.size(), 1u);
  EXPECT_EQ(alone[0].Problems.size(), 0u);
}

// A bar whose count cannot be trusted is a bad-count of its highest button, the bar
// itself or a sub-bar, and is checked with that many buttons.
TEST_F(Doctor, BadCountNamesTheHighestButtonAndTheButtonsUpToItAreChecked) {
  const std::string sub = WindowsNameOf(dir / "sub.bar");
  WriteBytes(dir / "main.bar", "[Buttonbar]\r\ncmd1=" + sub + "\r\ncmd3=cm_Nope\r\n");
  WriteBytes(dir / "sub.bar", "[Buttonbar]\r\nButtoncount=1\r\ncmd1=cm_Copy\r\ncmd2=cm_Nope\r\n");
  const auto reports =
      doctor::CheckBarTree(WindowsNameOf(dir / "main.bar"), true, doctor::DoctorContext(exe));
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0].Buttons, 3);
  EXPECT_EQ(KindsOf(reports[0].Problems),
            (Found{{3, ProblemKind::UnknownCommand}, {3, ProblemKind::BadCount}}));
  EXPECT_EQ(reports[0].Problems[1].Message,
            "there is no \"Buttoncount\", but the bar holds buttons up to 3");
  EXPECT_EQ(KindsOf(reports[1].Problems),
            (Found{{2, ProblemKind::UnknownCommand}, {2, ProblemKind::BadCount}}));
  EXPECT_EQ(reports[1].Problems[1].Message,
            "\"Buttoncount\" is \"1\", but the bar holds buttons up to 2");
}

// The check kept between edits gives after every edit what a full check gives, looking
// again only at the buttons the edit changed or made.
TEST_F(Doctor, CheckKeptBetweenEditsEqualsAFullCheckAfterEveryEdit) {
  constexpr auto Mixed = ProblemKind::MixedIconNames;
  auto bar = Bar({{"wcmicons.dll,0", "", "", ""},
                  {R"(%COMMANDER_PATH%\wcmicons.dll,1)", "", "", ""},
                  {"", "cm_Nope", "", ""},
                  {"", R"(%COMMANDER_PATH%\tools\gone.exe)", "", ""}});
  const std::string file = WindowsNameOf(dir / "bar.bar");
  const doctor::DoctorContext context(exe);
  doctor::BarChecker checker(file, context);
  edits::History history(*bar);
  struct Step {
    const char *name;
    std::function<void()> edit;
    int rechecked;
    Found expected;
  } steps[] = {
      {"open", [] {}, 4, {{2, Mixed}, {3, UnknownCommand}, {4, MissingProgram}}},
      {"icon named as the other button names it",
       [&] { history.Do(edits::SetField(0, bfIconRef, R"(%COMMANDER_PATH%\wcmicons.dll,2)"), 0); },
       1,
       {{3, UnknownCommand}, {4, MissingProgram}}},
      {"icon named otherwise",
       [&] { history.Do(edits::SetField(2, bfIconRef, "wcmicons.dll,3"), 0); },
       1,
       {{3, UnknownCommand}, {3, Mixed}, {4, MissingProgram}}},
      {"command found",
       [&] { history.Do(edits::SetField(3, bfCommand, R"(%COMMANDER_PATH%\tools\prog.exe)"), 0); },
       1,
       {{3, UnknownCommand}, {3, Mixed}}},
      {"insert", [&] { history.Do(edits::Insert(0), 0); }, 1, {{4, UnknownCommand}, {4, Mixed}}},
      {"move the other name first",
       [&] { history.Do(edits::Move(3, 1), 0); },
       0,
       {{2, UnknownCommand}, {3, Mixed}, {4, Mixed}}},
      {"delete", [&] { history.Do(edits::Delete(1), 0); }, 0, {}},
      {"undo the delete",
       [&] { history.Undo(); },
       1,
       {{2, UnknownCommand}, {3, Mixed}, {4, Mixed}}},
  };
  const auto all = [](const std::vector<doctor::Problem> &problems) {
    std::vector<std::tuple<int, ProblemKind, int, std::string, std::optional<std::string>>> out;
    for (const doctor::Problem &p : problems)
      out.emplace_back(p.Button, p.Kind, p.Field, p.Message, p.Fix);
    return out;
  };
  for (const Step &step : steps) {
    SCOPED_TRACE(step.name);
    step.edit();
    const auto kept = all(checker.Check(*bar));
    EXPECT_EQ(checker.Rechecked(), step.rechecked);
    const auto full = all(doctor::CheckBar(*bar, file, context));
    EXPECT_EQ(kept, full);
    EXPECT_EQ(KindsOf(checker.Check(*bar)), step.expected);
    EXPECT_EQ(checker.Rechecked(), 0);
  }
}

// In a double-byte code page the second byte of a character may be a backslash, which
// separates no folders: "ソ" is 0x83 0x5C in code page 932.
TEST_F(Doctor, PortableTextTellsTheCharactersOfTheCodePage) {
  testsupport::ScopedCodePage japanese(932);
  const auto folder = dir.path() / platform::HostFsPath("ソtc");
  std::filesystem::create_directories(folder);
  testsupport::ScopedEnv commander{"COMMANDER_PATH", folder};
  const std::string text = WindowsNameOf(folder / "x.exe");
  ASSERT_NE(text.find("\x83\x5C"), std::string::npos);
  EXPECT_EQ(doctor::DoctorContext(exe).PortableText(text), R"(%COMMANDER_PATH%\x.exe)");
}

// 0 -> 1 -> ... -> 9, each leading back to 0: the messages name the ends of the way.
TEST_F(Doctor, TheWayOfALoopThroughManyBarsIsShortened) {
  for (int i = 0; i < 10; ++i)
    WriteSubBars(dir.path(), std::to_string(i) + ".bar",
                 {std::to_string((i + 1) % 10) + ".bar", "0.bar"});
  const auto reports =
      doctor::CheckBarTree(WindowsNameOf(dir / "0.bar"), true, doctor::DoctorContext(exe));
  ASSERT_EQ(reports.size(), 10u);
  ASSERT_EQ(reports[9].Problems.size(), 2u);
  EXPECT_NE(reports[9].Problems[0].Message.find(": 0.bar > 1.bar > 2.bar > ... > 7.bar > 8.bar > "
                                                "9.bar > 0.bar"),
            std::string::npos)
      << reports[9].Problems[0].Message;
  ASSERT_EQ(reports[2].Problems.size(), 1u);
  EXPECT_NE(reports[2].Problems[0].Message.find(": 0.bar > 1.bar > 2.bar > 0.bar"),
            std::string::npos);
}

TEST_F(Doctor, PortablePathsAreOneEditThatUndoTakesBackWhole) {
  testsupport::ScopedCodePage western(1252);
  // A name the code page cannot hold is kept as marked UTF-8.
  const std::string omega = platform::Utf8ToText(Expand(R"($TC\tools\ωmega.exe)"));
  auto bar = Bar({{R"($TC\wcmicons.dll,1)", R"(%COMMANDER_PATH%\tools\prog.exe)", "", ""},
                  {"", "", R"($TC\a.ini "$TC\b.ini" /x=$TC\c)", ""},
                  {"", "", "", ""}});
  bar->SetField(2, bfCommand, omega);
  // A tooltip is no path: it stays as it is.
  bar->SetField(1, bfTooltip, Expand(R"($TC\tools)"));
  const doctor::DoctorContext context(exe);

  const auto changes = doctor::PortableChanges(*bar, context);
  ASSERT_EQ(changes.size(), 3u);
  EXPECT_EQ(changes[0].New, R"(%COMMANDER_PATH%\wcmicons.dll,1)");
  EXPECT_EQ(changes[1].New,
            R"(%COMMANDER_PATH%\a.ini "%COMMANDER_PATH%\b.ini" /x=%COMMANDER_PATH%\c)");
  EXPECT_EQ(changes[2].New, platform::Utf8ToText(R"(%COMMANDER_PATH%\tools\ωmega.exe)"));
  EXPECT_TRUE(platform::IsMarked(changes[2].New));

  const auto before = FieldsOf(*bar);
  edits::History history(*bar);
  EXPECT_EQ(history.Do(doctor::PortablePathsEdit(*bar, context), 1), 1);
  EXPECT_EQ(history.UndoName(), "Make paths portable");
  EXPECT_EQ(bar->GetField(0, bfIconRef), changes[0].New);
  EXPECT_EQ(bar->GetField(1, bfParams), changes[1].New);
  EXPECT_EQ(bar->GetField(2, bfCommand), changes[2].New);
  EXPECT_EQ(bar->GetField(1, bfTooltip), Expand(R"($TC\tools)"));
  EXPECT_EQ(doctor::PortablePathsEdit(*bar, context), nullptr);

  history.Undo();
  EXPECT_FALSE(history.CanUndo());
  EXPECT_EQ(FieldsOf(*bar), before);
}

// The search for drive paths looks at each character of a text once: a parameter list of
// thousands of paths, each leading through Total Commander's folder, is rewritten at once.
TEST_F(Doctor, PortableTextOfALongTextIsQuick) {
  const std::string path = Expand(R"($TC\tools\..\tools\x.ini )");
  std::string text;
  for (int i = 0; i < 3000; ++i)
    text += path;
  const doctor::DoctorContext context(exe);
  const auto started = std::chrono::steady_clock::now();
  const auto portable = context.PortableText(text);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
  std::string expected;
  for (int i = 0; i < 3000; ++i)
    expected += R"(%COMMANDER_PATH%\tools\..\tools\x.ini )";
  EXPECT_EQ(portable, expected);
}

} // namespace
