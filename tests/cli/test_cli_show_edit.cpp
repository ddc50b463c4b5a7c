#include "fixtures/IconImages.h"
#include "fixtures/PeBuilder.h"
#include "platform/HostFiles.h"
#include "platform/HostPathText.h"
#include "support/RunProcess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <random>

using testsupport::ReadBytes;
using testsupport::RunProcess;
using testsupport::TempDir;
using testsupport::WindowsNameOf;
using testsupport::WriteBytes;

namespace {

testsupport::ProcessResult Cli(const std::vector<std::string> &args) {
  return RunProcess(CORVANE_CLI, args);
}

const char *const ThreeButtons = "[Buttonbar]\r\nButtoncount=3\r\n"
                                 "button1=wcmicons.dll,1\r\ncmd1=cm_A\r\nmenu1=First\r\n"
                                 "cmd2=b.exe\r\nparam2=-q\r\niconic2=1\r\n"
                                 "cmd3=c.exe\r\n";

TEST(CliShow, JsonListsEveryButtonLosslessly) {
  TempDir dir;
  WriteBytes(dir / "t.bar", "[Buttonbar]\r\nButtoncount=2\r\ncmd1=caf\xe9.exe\r\niconic1=-1\r\n"
                            "menu2=x\r\n");
  auto r = Cli({"show", (dir / "t.bar").string(), "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto json = nlohmann::json::parse(r.out);
  EXPECT_EQ(json["count"], 2);
  ASSERT_EQ(json["buttons"].size(), 2u);
  // Byte 0xE9 comes out as the code point U+00E9.
  EXPECT_EQ(json["buttons"][0]["command"], "caf\xc3\xa9.exe");
  EXPECT_EQ(json["buttons"][0]["runmode"], -1);
  EXPECT_EQ(json["buttons"][1]["tooltip"], "x");
  EXPECT_EQ(json["buttons"][1]["icon"], "");
  EXPECT_NE(json["file"].get<std::string>().find("t.bar"), std::string::npos);
}

TEST(CliShow, TextListsPositionsFromOne) {
  TempDir dir;
  WriteBytes(dir / "t.bar", ThreeButtons);
  auto r = Cli({"show", (dir / "t.bar").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Buttons: 3"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n3\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("command: c.exe"), std::string::npos) << r.out;
}

TEST(CliShow, MissingFileIsAnError) {
  TempDir dir;
  auto r = Cli({"show", (dir / "none.bar").string()});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("none.bar"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty());
}

// The stable text git compares: how a bar is written does not show, what it holds does.
TEST(CliShow, StableTextShowsWhatTheBarHoldsNotHowItIsWritten) {
  const std::string Canonical = "button\n  icon: wcmicons.dll,1\n  command: c:\\my tools\\a.exe\n"
                                "  tooltip: First\nbutton\n  command: cm_B\n  runmode: -1\n";
  struct Case {
    const char *name;
    std::string bytes, text;
  } cases[] = {
      {"as the editor writes it",
       "[Buttonbar]\r\nButtonCount=2\r\nbutton1=wcmicons.dll,1\r\ncmd1=\"c:\\my tools\\a.exe\"\r\n"
       "menu1=First\r\ncmd2=cm_B\r\niconic2=-1\r\n",
       Canonical},
      {"keys in another order and case, quotes that read back the same, empty keys",
       "[buttonbar]\nICONIC2=-1\ncmd2='cm_B'\nmenu1=\"First\"\nCMD1=c:\\my tools\\a.exe\n"
       "param1=\nBUTTON1= wcmicons.dll,1 \nbuttoncount=2\n",
       Canonical},
      {"UTF-16",
       testsupport::Utf16File(u"[Buttonbar]\r\nButtoncount=1\r\ncmd1=cm_Exit\r\nmenu1=Выход\r\n"),
       "button\n  command: cm_Exit\n  tooltip: Выход\n"},
      {"8-bit, in the system code page", "[Buttonbar]\r\nButtoncount=1\r\nmenu1=Caf\xe9\r\n",
       "button\n  tooltip: Café\n"},
      {"other sections in file order, each name once, the bar's own left out",
       "[Buttonbar]\r\nButtoncount=1\r\ncmd1=a\r\n[AlternativeCache]\r\nCacheIndex1=3\r\n"
       "[Mine]\r\n;note\r\nflag\r\n[BUTTONBAR]\r\ncmd9=x\r\n[mine]\r\nlater=1\r\n[Empty]\r\n",
       "button\n  command: a\n[AlternativeCache] CacheIndex1 = 3\n[Mine] ;note\n[Mine] flag\n"
       "[Empty]\n"},
      {"a count below the highest button", "[Buttonbar]\r\nButtoncount=1\r\ncmd1=a\r\ncmd3=c\r\n",
       "count untrusted: \"Buttoncount\" is \"1\", buttons up to 3 shown\nbutton\n  command: a\n"
       "button\nbutton\n  command: c\n"},
      {"no count", "[Buttonbar]\r\ncmd2=b\r\n",
       "count untrusted: \"Buttoncount\" is missing, buttons up to 2 shown\nbutton\nbutton\n"
       "  command: b\n"},
      {"a count beyond what is supported", "[Buttonbar]\r\nButtoncount=999999999\r\ncmd1=a\r\n",
       "count untrusted: more buttons than supported, the keys as they stand\n"
       "[Buttonbar] Buttoncount = 999999999\n[Buttonbar] cmd1 = a\n"},
  };
  TempDir dir;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(dir / "t.bar", c.bytes);
    auto r = Cli({"show", (dir / "t.bar").string(), "--text"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.text);
  }
}

TEST(CliEdit, OperationsApplyInOrderAndSave) {
  TempDir dir;
  WriteBytes(dir / "t.bar", ThreeButtons);
  auto r = Cli({"edit",     (dir / "t.bar").string(),
                "--delete", "2",
                "--add",    "--set",
                "3",        "command",
                "new.exe",  "--move",
                "3",        "1",
                "--set",    "1",
                "5",        "-1",
                "--insert", "4",
                "--set",    "4",
                "tooltip",  "Last"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(dir / "t.bar"), "[Buttonbar]\r\nButtoncount=4\r\n"
                                      "cmd1=new.exe\r\niconic1=-1\r\n"
                                      "button2=wcmicons.dll,1\r\ncmd2=cm_A\r\nmenu2=First\r\n"
                                      "cmd3=c.exe\r\nmenu4=Last\r\n");
}

TEST(CliEdit, SaveAsLeavesTheOriginalAlone) {
  TempDir dir;
  WriteBytes(dir / "t.bar", ThreeButtons);
  auto r = Cli({"edit", (dir / "t.bar").string(), "--set", "2", "params", "-v", "--save-as",
                (dir / "copy.bar").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(dir / "t.bar"), ThreeButtons);
  EXPECT_NE(ReadBytes(dir / "copy.bar").find("param2=-v\r\n"), std::string::npos);
}

TEST(CliEdit, ErrorsLeaveTheFileUntouched) {
  TempDir dir;
  WriteBytes(dir / "t.bar", ThreeButtons);
  const std::string bar = (dir / "t.bar").string();
  struct Case {
    const char *name;
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {"position beyond the bar", {"edit", bar, "--delete", "4"}, 2},
      {"position zero", {"edit", bar, "--set", "0", "command", "x"}, 2},
      {"unknown field", {"edit", bar, "--set", "1", "colour", "x"}, 2},
      {"missing argument", {"edit", bar, "--move", "1"}, 2},
      {"unknown option", {"edit", bar, "--frobnicate"}, 2},
      {"run mode not a number", {"edit", bar, "--set", "1", "runmode", "max"}, 1},
      {"later operation fails", {"edit", bar, "--add", "--delete", "9"}, 2},
      {"unknown cache mode", {"edit", bar, "--cache", "always"}, 2},
      {"cache mode missing", {"edit", bar, "--cache"}, 2},
      {"line break in a value", {"edit", bar, "--set", "1", "tooltip", "x\r\n[Keep]\r\nk=1"}, 2},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    auto r = Cli(c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_FALSE(r.err.empty());
    EXPECT_EQ(ReadBytes(dir / "t.bar"), ThreeButtons);
  }
  auto r = Cli({"edit", bar, "--set", "1", "runmode", "max"});
  EXPECT_NE(r.err.find("'max' is not a valid integer value"), std::string::npos) << r.err;
}

// A mistyped name must not quietly become a new bar.
TEST(CliEdit, MissingBarIsAnErrorUnlessNewIsGiven) {
  TempDir dir;
  const std::string bar = (dir / "typo.bar").string();
  auto r = Cli({"edit", bar, "--add"});
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(std::filesystem::exists(dir / "typo.bar")) << r.err;
  r = Cli({"edit", bar, "--new", "--add", "--set", "1", "command", "x.exe"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(dir / "typo.bar"), "[Buttonbar]\r\nButtonCount=1\r\ncmd1=x.exe\r\n");
}

// A bar named like its own cache would be overwritten by it.
TEST(CliEdit, BarNamedLikeItsCacheIsSavedWithoutOneAndSaysSo) {
  TempDir dir;
  WriteBytes(dir / "t.icl", ThreeButtons);
  auto r =
      Cli({"edit", (dir / "t.icl").string(), "--set", "1", "icon", "x.dll,2", "--cache", "links"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("without one"), std::string::npos) << r.err;
  EXPECT_NE(ReadBytes(dir / "t.icl").find("button1=x.dll,2\r\n"), std::string::npos);
}

// An icon library of the user's named like the bar survives an icon change in any mode;
// a cache mode that cannot write its cache says so, naming it in UTF-8 like every text.
TEST(CliEdit, IconLibraryOfTheBarsNameIsKept) {
  const std::string library = fixtures::BuildIconModule(7);
  const std::string name = "m\xC3\xBC"
                           "bar"; // "mübar": a host name in UTF-8
  for (const char *mode : {"off", "links"}) {
    SCOPED_TRACE(mode);
    TempDir dir;
    WriteBytes(dir.path() / platform::HostFsPath(name + ".icl"), library);
    WriteBytes(dir.path() / platform::HostFsPath(name + ".bar"),
               "[Buttonbar]\r\nButtoncount=2\r\nbutton1=m\xFC"
               "bar.icl,5\r\n");
    auto r = Cli({"edit", testsupport::HostText(dir.path() / platform::HostFsPath(name + ".bar")),
                  "--set", "2", "icon", "notepad.exe,0", "--cache", mode});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir.path() / platform::HostFsPath(name + ".icl")), library);
    if (std::string(mode) == "off")
      EXPECT_EQ(r.err, "");
    else
      EXPECT_NE(r.err.find(name + ".icl was not written"), std::string::npos) << r.err;
    EXPECT_NE(ReadBytes(dir.path() / platform::HostFsPath(name + ".bar"))
                  .find("button1=m\xFC"
                        "bar.icl,5\r\n"),
              std::string::npos);
  }
}

TEST(CliEdit, WithoutOperationsTheBarStaysByteForByte) {
  TempDir dir;
  const std::string bar =
      "[buttonbar]\r\nbuttoncount=1\r\nmenu1=m\r\nCMD1=\"x.exe\"\r\niconic1=0\r\n";
  WriteBytes(dir / "t.bar", bar);
  auto r = Cli({"edit", (dir / "t.bar").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(dir / "t.bar"), bar);
}

// A bar of one button whose icon is an .ico file beside it, named by its full name.
void WriteBarWithIcon(const TempDir &dir) {
  WriteBytes(dir / "star.ico",
             fixtures::MakeIcoFile({{fixtures::SolidDib(32, 32, 0xFFFF0000), 32, 32}}));
  WriteBytes(dir / "t.bar", "[Buttonbar]\r\nButtoncount=1\r\nbutton1=" +
                                WindowsNameOf(dir / "star.ico") + "\r\ncmd1=x.exe\r\n");
}

TEST(CliEdit, CacheOptionChoosesTheCacheMode) {
  struct Case {
    const char *mode;
    bool cacheFile;
    std::string icon;        // "button1=" as written; empty: the bar's own reference
    std::string alternative; // the "AlternativeCache" section as written
  } cases[] = {
      {"off", false, "", ""},
      {"links", true, "t.icl,0", ""},
      {"tcmenu", true, "", "[AlternativeCache]\r\nCacheIndex1=0\r\n"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.mode);
    TempDir dir;
    WriteBarWithIcon(dir);
    auto r = Cli({"edit", (dir / "t.bar").string(), "--cache", c.mode});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(std::filesystem::exists(dir / "t.icl"), c.cacheFile);
    const std::string icon =
        c.icon.empty() ? WindowsNameOf(dir / "star.ico") : WindowsNameOf(dir / "t.icl") + ",0";
    EXPECT_EQ(ReadBytes(dir / "t.bar"), "[Buttonbar]\r\nButtoncount=1\r\nbutton1=" + icon +
                                            "\r\ncmd1=x.exe\r\n" + c.alternative);
  }
}

// Without --cache the mode is "DefaultCache" of the Corvane.ini beside the program.
TEST(CliEdit, DefaultCacheComesFromTheSettingsBesideTheProgram) {
  TempDir dir;
  std::filesystem::create_directories(dir / "prog");
  std::filesystem::copy_file(CORVANE_CLI, dir / "prog" / "corvane-cli");
  WriteBytes(dir / "prog" / "Corvane.ini", "[main]\r\nDefaultCache=1\r\n");
  WriteBarWithIcon(dir);
  auto r = RunProcess((dir / "prog" / "corvane-cli").string(), {"edit", (dir / "t.bar").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(ReadBytes(dir / "t.bar").find("button1=" + WindowsNameOf(dir / "t.icl") + ",0\r\n"),
            std::string::npos);
  // Without a settings file the default is no cache.
  std::filesystem::remove(dir / "prog" / "Corvane.ini");
  TempDir other;
  WriteBarWithIcon(other);
  r = RunProcess((dir / "prog" / "corvane-cli").string(), {"edit", (other / "t.bar").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(std::filesystem::exists(other / "t.icl"));
}

// Files users had opened as bars: a picture grew by an appended "[Buttonbar]", and a
// check, an export and git's textconv took any of them for an empty bar.
struct NoBarFile {
  const char *name;
  std::string bytes;
  const char *why; // what the message says of the file
};

std::string RandomBytes() {
  std::mt19937 random(2024);
  std::string bytes(4096, '\0');
  for (char &c : bytes)
    c = static_cast<char>(random() & 0xFF);
  return bytes;
}

class CliNoBar : public ::testing::TestWithParam<NoBarFile> {};

TEST_P(CliNoBar, EveryVerbReadingABarRefusesItWithStatus3AndWritesNothing) {
  TempDir dir;
  const std::string file = (dir / "x.bar").string(), good = (dir / "good.bar").string();
  WriteBytes(dir / "x.bar", GetParam().bytes);
  WriteBytes(dir / "good.bar", ThreeButtons);
  WriteBytes(dir / "clip.txt", Cli({"copy", good, "1"}).out);
  const std::vector<std::vector<std::string>> runs = {
      {"show", file},
      {"show", file, "--json"},
      {"check", file, "--recursive"},
      {"edit", file, "--add", "--cache", "links"},
      {"copy", file, "1"},
      {"paste", file},
      {"fix", file, "--portable"},
      {"diff", good, file},
      {"merge", file, good, good},
      {"export-dc", file, "-o", (dir / "out.xml").string()},
  };
  const std::string message =
      WindowsNameOf(dir / "x.bar") + " is not a button bar: " + GetParam().why + "\n";
  for (const auto &args : runs) {
    SCOPED_TRACE(args[0] + " " + args.back());
    const auto r = RunProcess(CORVANE_CLI, args, args[0] == "paste" ? dir / "clip.txt" : "");
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_EQ(r.err, "corvane-cli " + args[0] + ": " + message);
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(ReadBytes(dir / "x.bar"), GetParam().bytes);
  EXPECT_EQ(ReadBytes(dir / "good.bar"), ThreeButtons);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3)
      << "only x.bar, good.bar and clip.txt";
  // As git's textconv a text is shown as it is, so that no change of it is hidden; binary
  // data is refused.
  const auto text = Cli({"show", "--text", file});
  const bool binary = std::string(GetParam().why) == "it holds binary data";
  EXPECT_EQ(text.status, binary ? 3 : 0) << text.err;
  EXPECT_EQ(text.out, binary ? "" : GetParam().bytes);
  EXPECT_EQ(text.err, binary ? "corvane-cli show: " + message : "");
}

INSTANTIATE_TEST_SUITE_P(
    Files, CliNoBar,
    ::testing::Values(
        NoBarFile{"Picture", fixtures::MakePng(4, 4, std::vector<uint32_t>(16, 0xFF2060A0)),
                  "it holds binary data"},
        NoBarFile{"RandomBytes", RandomBytes(), "it holds binary data"},
        NoBarFile{"ShoppingList", "Milk\r\nBread\r\n6 eggs\r\n", "it has no [Buttonbar] section"},
        NoBarFile{"IniWithoutButtonbar", "[Settings]\r\nButtoncount=1\r\ncmd1=notepad.exe\r\n",
                  "it has no [Buttonbar] section"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(CliHelp, EveryVerbHasHelp) {
  for (const char *verb : {"show", "edit"}) {
    SCOPED_TRACE(verb);
    auto r = Cli({verb, "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("usage: corvane-cli"), std::string::npos);
  }
  EXPECT_EQ(Cli({}).status, 2);
  EXPECT_EQ(Cli({"frob"}).status, 2);
}

} // namespace
