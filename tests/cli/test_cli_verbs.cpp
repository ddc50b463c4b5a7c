#include "fixtures/IconImages.h"
#include "platform/HostFiles.h"
#include "platform/WinePrefix.h"
#include "support/RunProcess.h"
#include "support/TcInstallation.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using testsupport::ProcessResult;
using testsupport::ReadBytes;
using testsupport::RunProcess;
using testsupport::ScopedEnv;
using testsupport::TcInstallation;
using testsupport::TempDir;
using testsupport::WindowsNameOf;
using testsupport::WriteBytes;

namespace {

ProcessResult Cli(const std::vector<std::string> &args) {
  return RunProcess(CORVANE_CLI, args);
}

// Runs the program with a file as standard input, as a shell redirection would.
ProcessResult CliWithInput(const std::filesystem::path &input, std::vector<std::string> args) {
  return RunProcess(CORVANE_CLI, args, input);
}

// A made-up Total Commander installation, found through COMMANDER_PATH and
// COMMANDER_INI, with the command catalogue's files and an icon library.
class Installation : public ::testing::Test {
protected:
  void Localize(const std::string &text) { tc.Localize({.code = "DEU", .commandList = text}); }

  TempDir dir;
  TcInstallation tc{dir / "tc",
                    {.commandList = "[_____Files_____]=0\r\n"
                                    "cm_Copy=300;Copy files\r\n"
                                    "cm_Foo=123;Does foo\r\n"
                                    "[___File_ops___]=0\r\n"
                                    "cm_Pack=500;Pack files\r\n"
                                    "; comment__ ends it\r\n"
                                    "cm_Late=501;After the comment\r\n",
                     .iconMappings = "[mappings]\r\n300=2\r\n123=1\r\n106=3\r\n",
                     .userCommands = "[em_backup]\r\ncmd=C:\\Tools\\backup.exe\r\n",
                     .icons = 4}};
};

// --- icons, extract, make-icl ----------------------------------------------------------

std::string IcoWithPngAnd32Bit(const std::string &png) {
  return fixtures::MakeIcoFile({{fixtures::SolidDib(16, 32, 0xFF00FF00), 16, 16},
                                {png, 0, 0, 0, 1, 32},
                                {fixtures::SolidDib(32, 8, 0xFF0000FF), 32, 32, 0, 1, 8}});
}

TEST_F(Installation, IconsListsModuleAndIcoFilesAsTheCoreReadsThem) {
  const std::string png = fixtures::MakePng(256, 256, std::vector<uint32_t>(256 * 256, 0xFF123456));
  // An icon file is told by its bytes, whatever its name.
  WriteBytes(dir / "multi.dat", IcoWithPngAnd32Bit(png));
  WriteBytes(dir / "notes.txt", "not an icon");

  auto r = Cli({"icons", (dir / "tc" / "wcmicons.dll").string(), "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto json = nlohmann::json::parse(r.out);
  EXPECT_EQ(json["count"], 4);
  ASSERT_EQ(json["icons"].size(), 4u);
  EXPECT_EQ(json["icons"][2]["name"], "3");
  const auto &images = json["icons"][0]["images"];
  ASSERT_EQ(images.size(), 3u);
  EXPECT_EQ(images[0]["width"], 16);
  EXPECT_EQ(images[0]["bits"], 8);
  EXPECT_EQ(images[2]["height"], 48);
  EXPECT_EQ(images[2]["bits"], 4);

  r = Cli({"icons", (dir / "multi.dat").string(), "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  json = nlohmann::json::parse(r.out);
  EXPECT_EQ(json["count"], 1);
  ASSERT_EQ(json["icons"].size(), 1u);
  EXPECT_EQ(json["icons"][0]["name"], "multi");
  // A 256-pixel image holds 0 as its width and height, as the directory writes it.
  EXPECT_EQ(json["icons"][0]["images"][1]["width"], 0);
  EXPECT_EQ(json["icons"][0]["images"][1]["bytes"], png.size());
  EXPECT_EQ(json["icons"][0]["images"][2]["colors"], 0);

  r = Cli({"icons", (dir / "notes.txt").string(), "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  json = nlohmann::json::parse(r.out);
  EXPECT_EQ(json["count"], 0);
  EXPECT_TRUE(json["icons"].empty());
}

TEST_F(Installation, ExtractedIcoHoldsEveryImageOfTheIcon) {
  const auto out = dir / "out" / "two.ico";
  std::filesystem::create_directories(out.parent_path());
  auto r = Cli({"extract", (dir / "tc" / "wcmicons.dll").string(), "1", out.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  auto original = nlohmann::json::parse(
      Cli({"icons", (dir / "tc" / "wcmicons.dll").string(), "--json"}).out)["icons"][1]["images"];
  auto extracted = nlohmann::json::parse(Cli({"icons", out.string(), "--json"}).out);
  ASSERT_EQ(extracted["icons"].size(), 1u);
  EXPECT_EQ(extracted["icons"][0]["images"], original);
}

uint32_t BigEndian32(const std::string &bytes, size_t offset) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i)
    value = value << 8 | static_cast<uint8_t>(bytes.at(offset + i));
  return value;
}

TEST_F(Installation, ExtractToPngTakesTheLargestImage) {
  // A stored PNG is written as it stands.
  const std::string png = fixtures::MakePng(64, 64, std::vector<uint32_t>(64 * 64, 0xFFABCDEF));
  WriteBytes(dir / "multi.ico", IcoWithPngAnd32Bit(png));
  auto r = Cli({"extract", (dir / "multi.ico").string(), "0", (dir / "a.PNG").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(dir / "a.PNG"), png);

  // A bitmap image is decoded: the module's largest image is 48 x 48.
  r = Cli({"extract", (dir / "tc" / "wcmicons.dll").string(), "0", (dir / "b.png").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string written = ReadBytes(dir / "b.png");
  ASSERT_GT(written.size(), 24u);
  EXPECT_EQ(written.substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(BigEndian32(written, 16), 48u);
  EXPECT_EQ(BigEndian32(written, 20), 48u);
}

TEST_F(Installation, ExtractErrorsWriteNothing) {
  WriteBytes(dir / "notes.txt", "not an icon");
  const std::string dll = (dir / "tc" / "wcmicons.dll").string();
  const std::string out = (dir / "x.ico").string();
  struct Case {
    const char *name;
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {"index at the icon count", {"extract", dll, "4", out}, 2},
      // A negative index is a resource identifier: the groups' are 1 to 4.
      {"identifier of no icon", {"extract", dll, "-9", out}, 1},
      {"identifier 0", {"extract", dll, "-0", out}, 2},
      {"index not a number", {"extract", dll, "one", out}, 2},
      {"file without icons", {"extract", (dir / "notes.txt").string(), "0", out}, 1},
      {"missing file", {"extract", (dir / "none.dll").string(), "0", out}, 1},
      {"output missing", {"extract", dll, "0"}, 2},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    auto r = Cli(c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out));
  }
  const std::string byIdentifier = (dir / "id.ico").string();
  ASSERT_EQ(Cli({"extract", dll, "-2", byIdentifier}).status, 0);
  ASSERT_EQ(Cli({"extract", dll, "1", out}).status, 0);
  EXPECT_EQ(ReadBytes(byIdentifier), ReadBytes(out));
}

TEST_F(Installation, MakeIclNamesIconsAfterTheirSourcesOrTheGivenNames) {
  WriteBytes(dir / "star.ico",
             fixtures::MakeIcoFile({{fixtures::SolidDib(32, 32, 0xFFFF0000), 32, 32}}));
  const std::string dll = (dir / "tc" / "wcmicons.dll").string();
  const auto out = dir / "lib.icl";
  auto r = Cli({"make-icl", out.string(), (dir / "star.ico").string(), dll + ",3", dll});
  ASSERT_EQ(r.status, 0) << r.err;
  auto json = nlohmann::json::parse(Cli({"icons", out.string(), "--json"}).out);
  EXPECT_EQ(json["count"], 3);
  ASSERT_EQ(json["icons"].size(), 3u);
  EXPECT_EQ(json["icons"][0]["name"], "star");
  EXPECT_EQ(json["icons"][1]["name"], "wcmicons");
  EXPECT_EQ(json["icons"][0]["images"].size(), 1u);
  // Group 4 and group 1 of the module: same sizes, different pixels.
  auto module = nlohmann::json::parse(Cli({"icons", dll, "--json"}).out);
  EXPECT_EQ(json["icons"][1]["images"], module["icons"][3]["images"]);
  EXPECT_EQ(json["icons"][2]["images"], module["icons"][0]["images"]);

  // Each name is a text of its own, in the code page or marked as UTF-8 by itself.
  r = Cli({"make-icl", out.string(), (dir / "star.ico").string(), dll + ",1", "--names",
           "first,второй"});
  ASSERT_EQ(r.status, 0) << r.err;
  json = nlohmann::json::parse(Cli({"icons", out.string(), "--json"}).out);
  EXPECT_EQ(json["icons"][0]["name"], "first");
  EXPECT_EQ(json["icons"][1]["name"], "второй");
}

// A 32-bit library lists named icons first, in upper case, then numbered ones; the
// order is printed when it is not that of the sources.
TEST_F(Installation, MakeIclWritesA32BitLibraryAndPrintsItsOrder) {
  WriteBytes(dir / "star.ico",
             fixtures::MakeIcoFile({{fixtures::SolidDib(32, 32, 0xFFFF0000), 32, 32}}));
  const std::string dll = (dir / "tc" / "wcmicons.dll").string();
  const auto out = dir / "lib.dll";
  auto r = Cli({"make-icl", out.string(), dll + ",1", (dir / "star.ico").string(), "--format",
                "pe32", "--names", "7,star"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "The library lists the icons in this order:\n"
                   "0 \"star\" (source 2)\n"
                   "1 \"7\" (source 1)\n");
  auto json = nlohmann::json::parse(Cli({"icons", out.string(), "--json"}).out);
  ASSERT_EQ(json["icons"].size(), 2u);
  EXPECT_EQ(json["icons"][0]["name"], "STAR");
  EXPECT_EQ(json["icons"][1]["name"], "7");
}

TEST_F(Installation, MakeIclMakesAnIconOfAPicture) {
  const std::string png = fixtures::MakePng(48, 24, std::vector<uint32_t>(48 * 24, 0x80FF0000));
  WriteBytes(dir / "sun.png", png);
  WriteBytes(dir / "cut.png", png.substr(0, png.size() / 2));
  const auto out = dir / "lib.icl";
  auto r = Cli({"make-icl", out.string(), (dir / "sun.png").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  auto json = nlohmann::json::parse(Cli({"icons", out.string(), "--json"}).out);
  ASSERT_EQ(json["icons"].size(), 1u);
  EXPECT_EQ(json["icons"][0]["name"], "sun");
  EXPECT_EQ(json["icons"][0]["images"].size(), 6u) << json.dump();
  // A large picture makes a 256-pixel image, which only a 32-bit library holds.
  WriteBytes(dir / "big.png", fixtures::MakePng(300, 300, std::vector<uint32_t>(300 * 300, ~0u)));
  for (const auto &[format, images] : {std::pair{"ne", 7u}, std::pair{"pe32", 8u}}) {
    r = Cli({"make-icl", out.string(), (dir / "big.png").string(), "--format", format});
    ASSERT_EQ(r.status, 0) << r.err;
    json = nlohmann::json::parse(Cli({"icons", out.string(), "--json"}).out);
    EXPECT_EQ(json["icons"][0]["images"].size(), images) << format;
  }

  const std::string written = ReadBytes(out);
  r = Cli({"make-icl", out.string(), (dir / "cut.png").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot be read"), std::string::npos) << r.err;
  EXPECT_EQ(ReadBytes(out), written);
}

TEST_F(Installation, MakeIclErrorsLeaveTheOutputAlone) {
  const std::string dll = (dir / "tc" / "wcmicons.dll").string();
  const auto out = dir / "lib.icl";
  WriteBytes(out, "old");
  struct Case {
    const char *name;
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {"no source", {"make-icl", out.string()}, 2},
      {"names do not match the sources", {"make-icl", out.string(), dll, "--names", "a,b"}, 2},
      {"index beyond the module", {"make-icl", out.string(), dll + ",9"}, 2},
      {"missing source", {"make-icl", out.string(), dll, (dir / "gone.ico").string()}, 1},
      {"unknown format", {"make-icl", out.string(), dll, "--format", "pe64"}, 2},
      {"a 256-px image in a 16-bit library",
       {"make-icl", out.string(), (dir / "big.ico").string()},
       1},
  };
  WriteBytes(dir / "big.ico", IcoWithPngAnd32Bit(fixtures::MakePng(
                                  256, 256, std::vector<uint32_t>(256 * 256, 0xFF123456))));
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    auto r = Cli(c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(ReadBytes(out), "old");
  }
}

// --- resolve --------------------------------------------------------------------------

TEST_F(Installation, ResolveFindsFilesInTotalCommandersFolder) {
  WriteBytes(dir / "tc" / "tool.exe", "MZ");
  WriteBytes(dir / "tc" / "helper" / "helper.exe", "MZ");
  WriteBytes(dir / "start" / "other.exe", "MZ");
  struct Case {
    const char *name;
    std::vector<std::string> extra;
    std::string resolved; // the end of the resolved name
    const char *exists;
  } cases[] = {
      {"tool.exe", {}, "\\tc\\tool.exe", "yes"},
      {"\"tool.exe\"", {}, "\\tc\\tool.exe", "yes"},
      // A quoted program's arguments are no part of its name.
      {"\"%COMMANDER_PATH%\\tool.exe\" /play", {"--explain"}, "\\tc\\tool.exe", "yes"},
      {"%COMMANDER_PATH%\\tool.exe", {}, "\\tc\\tool.exe", "yes"},
      {"helper", {}, "\\tc\\helper\\helper.exe", "yes"},
      // A bare name gets no extension in Total Commander's folder itself.
      {"tool", {}, "\\tc\\tool", "no"},
      {"OTHER.EXE",
       {"--start-path", WindowsNameOf(dir / "start") + "\\"},
       "\\start\\other.exe",
       "yes"},
      {"OTHER.EXE", {"--start-path", WindowsNameOf(dir / "start")}, "\\start\\other.exe", "yes"},
      // Found nowhere: named where Total Commander would have it.
      {"other.exe", {}, "\\tc\\other.exe", "no"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = {"resolve", c.name};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    auto r = Cli(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(c.resolved + "\nhost path: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(std::string("exists: ") + c.exists + "\n"), std::string::npos) << r.out;
  }
  auto r = Cli({"resolve", "helper", "--explain"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\\tc\\helper (missing)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\\helper\\helper.com (missing)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\\helper\\helper.exe (exists)\nname: helper"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("host path: " + (dir / "tc" / "helper" / "helper.exe").string()),
            std::string::npos)
      << r.out;
}

// Started from the desktop's menu: an installed program, nothing naming Total Commander,
// which is installed in the Wine prefix.
TEST(CliResolve, InstalledProgramFindsTotalCommanderInThePrefixAndSaysHow) {
  TempDir dir;
  ScopedEnv prefix("WINEPREFIX", (dir / "prefix").string().c_str());
  if (platform::WinePrefixDir().empty())
    GTEST_SKIP() << "no Wine prefix stands for Windows on this system";
  const auto c = dir / "prefix" / "drive_c";
  std::filesystem::create_directories(dir / "prefix" / "dosdevices");
  std::filesystem::create_directory_symlink("../drive_c", dir / "prefix" / "dosdevices" / "c:");
  WriteBytes(c / "totalcmd" / "TOTALCMD64.EXE", "MZ");
  WriteBytes(c / "users" / "me" / "AppData" / "Roaming" / "GHISLER" / "wincmd.ini", "");
  const auto program = dir / "lib" / "corvane-cli";
  std::filesystem::create_directories(program.parent_path());
  std::filesystem::copy_file(CORVANE_CLI, program);
  WriteBytes(dir / "lib" / "Corvane.ini", "[main]\r\nLanguage=English\r\n");
  WriteBytes(dir / "lib" / "corvane.installed", "");
  ScopedEnv config("XDG_CONFIG_HOME", dir.path().string().c_str()), user("USER", "me"),
      userName("USERNAME", nullptr), appData("APPDATA", nullptr), path("COMMANDER_PATH", nullptr),
      ini("COMMANDER_INI", nullptr);

  auto r = RunProcess(program.string(), {"resolve", "totalcmd64.exe", "--explain"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(dir / "corvane" / "Corvane.ini"), ReadBytes(dir / "lib" / "Corvane.ini"));
  for (const std::string &line :
       {"settings: " + WindowsNameOf(dir / "corvane" / "Corvane.ini"),
        std::string("Total Commander's folder: C:\\totalcmd (usual folder in the Wine prefix)"),
        std::string("wincmd.ini: C:\\users\\me\\AppData\\Roaming\\GHISLER\\wincmd.ini "
                    "(application data in the Wine prefix: APPDATA)"),
        std::string("resolved: C:\\totalcmd\\totalcmd64.exe")})
    EXPECT_NE(r.out.find(line + "\n"), std::string::npos) << line << "\n" << r.out;
}

TEST(CliVersion, PrintsTheProjectVersion) {
  auto r = Cli({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "corvane-cli " CORVANE_VERSION "\n");
}

// --- copy and paste -------------------------------------------------------------------

const char *const TwoButtons = "[Buttonbar]\r\nButtoncount=2\r\n"
                               "button1=Tools.DLL,3\r\ncmd1=tool.exe\r\nparam1=-a\r\n"
                               "path1=C:\\Work\r\nmenu1=Tool\r\niconic1=-1\r\n"
                               "cmd2=cm_Copy\r\n";

// Output that does not reach its file (a full disk) is a failure, not a success.
TEST(CliCopyPaste, CopyToAFullDiskFails) {
  if (!std::filesystem::exists("/dev/full"))
    GTEST_SKIP() << "SKIP: no /dev/full to write to";
  TempDir dir;
  WriteBytes(dir / "two.bar", TwoButtons);
  const std::string copy =
      std::string(CORVANE_CLI) + " copy '" + (dir / "two.bar").string() + "' 1";
  EXPECT_EQ(RunProcess("/bin/sh", {"-c", copy + " > /dev/null"}).status, 0);
  auto r = RunProcess("/bin/sh", {"-c", copy + " > /dev/full"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("could not be written"), std::string::npos) << r.err;
}

TEST(CliCopyPaste, CopyPrintsTheEightLineClipboardText) {
  TempDir dir;
  WriteBytes(dir / "t.bar", TwoButtons);
  auto r = Cli({"copy", (dir / "t.bar").string(), "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "TOTALCMD#BAR#DATA\r\ntool.exe\r\n-a\r\nTools.DLL,3\r\nTool\r\nC:\\Work\r\n"
                   "-1\r\n-1\r\n");
  EXPECT_EQ(Cli({"copy", (dir / "t.bar").string(), "3"}).status, 2);
}

TEST(CliCopyPaste, PasteOfACopyAddsTheSameButton) {
  TempDir dir;
  WriteBytes(dir / "t.bar", TwoButtons);
  WriteBytes(dir / "clip.txt", Cli({"copy", (dir / "t.bar").string(), "1"}).out);
  auto r = CliWithInput(dir / "clip.txt",
                        {"paste", (dir / "t.bar").string(), "--after", "1", "--cache", "off"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto json = nlohmann::json::parse(Cli({"show", (dir / "t.bar").string(), "--json"}).out);
  ASSERT_EQ(json["count"], 3);
  EXPECT_EQ(json["buttons"][1], json["buttons"][0]);
  EXPECT_EQ(json["buttons"][2]["command"], "cm_Copy");
}

TEST(CliCopyPaste, PasteTakesLinuxLineEndsAndPlacesTheButton) {
  struct Case {
    const char *name;
    std::vector<std::string> where;
    int position;
  } cases[] = {
      {"at the end", {}, 2},
      {"first", {"--after", "0"}, 0},
      {"after the first", {"--after", "1"}, 1},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteBytes(dir / "t.bar", TwoButtons);
    WriteBytes(dir / "clip.txt", "TOTALCMD#BAR#DATA\nnew.exe\n\nnew.ico\nNew\n\n1\n-1\n");
    std::vector<std::string> args = {"paste", (dir / "t.bar").string()};
    args.insert(args.end(), c.where.begin(), c.where.end());
    auto r = CliWithInput(dir / "clip.txt", args);
    ASSERT_EQ(r.status, 0) << r.err;
    auto json = nlohmann::json::parse(Cli({"show", (dir / "t.bar").string(), "--json"}).out);
    ASSERT_EQ(json["count"], 3);
    const auto &button = json["buttons"][static_cast<size_t>(c.position)];
    EXPECT_EQ(button["command"], "new.exe");
    EXPECT_EQ(button["icon"], "new.ico,0");
    EXPECT_EQ(button["tooltip"], "New");
    EXPECT_EQ(button["runmode"], 1);
  }
}

TEST(CliCopyPaste, TextsThePasteRulesIgnoreAreOneLineErrorsAndChangeNothing) {
  struct Case {
    const char *name;
    std::string text;
    std::vector<std::string> extra;
    int status;
    const char *message;
  } cases[] = {
      {"no header", "hello\r\nworld\r\n", {}, 1, "TOTALCMD#BAR#DATA"},
      {"header ended by CR only", "TOTALCMD#BAR#DATA\r1\r2\r3\r4\r5\r6\r7\r", {}, 1, "CR LF"},
      {"seven lines", "TOTALCMD#BAR#DATA\n1\n2\n3\n4\n5\n6\n", {}, 1, "7 lines"},
      {"run mode not a number",
       "TOTALCMD#BAR#DATA\na\n\n\n\n\nmax\n-1\n",
       {},
       1,
       "'max' is not a valid integer value"},
      {"position beyond the bar",
       "TOTALCMD#BAR#DATA\na\n\n\n\n\n0\n-1\n",
       {"--after", "3"},
       2,
       "outside 0..2"},
      {"unknown cache mode",
       "TOTALCMD#BAR#DATA\na\n\n\n\n\n0\n-1\n",
       {"--cache", "all"},
       2,
       "off, links, tcmenu"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteBytes(dir / "t.bar", TwoButtons);
    WriteBytes(dir / "clip.txt", c.text);
    std::vector<std::string> args = {"paste", (dir / "t.bar").string()};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    auto r = CliWithInput(dir / "clip.txt", args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(ReadBytes(dir / "t.bar"), TwoButtons);
    EXPECT_FALSE(std::filesystem::exists(dir / "t.icl"));
  }
}

// --- commands -------------------------------------------------------------------------

TEST_F(Installation, CommandsListsTheCategories) {
  auto r = Cli({"commands", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(nlohmann::json::parse(r.out), nlohmann::json::parse(R"({"categories": [
              {"caption": "All", "kind": "all"},
              {"caption": "Files", "kind": "commands"},
              {"caption": "Fileops", "kind": "commands"},
              {"caption": "usercmd.ini", "kind": "usercommands"}]})"));
  r = Cli({"commands"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "1 All\n2 Files\n3 Fileops\n4 usercmd.ini\n");
}

TEST_F(Installation, CommandsRowsTellWhatAChoiceWrites) {
  auto r = Cli({"commands", "--category", "FILES", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto json = nlohmann::json::parse(r.out);
  EXPECT_EQ(json["category"], "Files");
  ASSERT_EQ(json["rows"].size(), 2u);
  EXPECT_EQ(json["rows"][1], nlohmann::json::parse(R"({"kind": "command",
      "line": "cm_Foo=123;Does foo", "name": "cm_Foo", "number": "123",
      "description": "Does foo", "icon": "wcmicons.dll,1", "command": "cm_Foo",
      "tooltip": "Does foo"})"));

  // By position; the comment with two underscores ends the category.
  json = nlohmann::json::parse(Cli({"commands", "--category", "3", "--json"}).out);
  ASSERT_EQ(json["rows"].size(), 1u);
  EXPECT_EQ(json["rows"][0]["name"], "cm_Pack");
  EXPECT_EQ(json["rows"][0]["icon"], "wcmicons.dll,0");

  json = nlohmann::json::parse(Cli({"commands", "--category", "usercmd.ini", "--json"}).out);
  ASSERT_EQ(json["rows"].size(), 1u);
  EXPECT_EQ(json["rows"][0]["icon"], "wcmicons.dll,3");
  EXPECT_EQ(json["rows"][0]["command"], "em_backup");
  EXPECT_TRUE(json["rows"][0]["tooltip"].is_null());
}

TEST_F(Installation, CommandsFilterAndHeaders) {
  auto json = nlohmann::json::parse(Cli({"commands", "--filter", "=5", "--json"}).out);
  EXPECT_EQ(json["category"], "All");
  ASSERT_EQ(json["rows"].size(), 2u);
  EXPECT_EQ(json["rows"][1]["name"], "cm_Late");
  json = nlohmann::json::parse(Cli({"commands", "--category", "All", "--json"}).out);
  ASSERT_EQ(json["rows"].size(), 6u);
  EXPECT_EQ(json["rows"][0]["kind"], "header");
  EXPECT_EQ(json["rows"][0]["name"], "Files");
  EXPECT_TRUE(json["rows"][0]["icon"].is_null());
  json = nlohmann::json::parse(
      Cli({"commands", "--category", "usercmd.ini", "--filter", "zzz", "--json"}).out);
  EXPECT_EQ(json["rows"].size(), 1u);
}

// Every JSON output is one document laid out as the JSON library lays it out (two spaces
// an indent), whatever its texts hold: quotes, backslashes, the control characters a text
// file may hold (any other makes it binary data, no bar), bytes that are no UTF-8, nothing
// at all.
TEST_F(Installation, JsonOutputsAreLaidOutAsTheLibraryLaysThemOut) {
  WriteBytes(dir / "odd.bar", "[Buttonbar]\r\nButtoncount=3\r\ncmd1=say \"hi\"\\there\r\n"
                              "menu1=tab\there\x0B\xE9\xFF\r\nparam1=-\x1A\x7F\x0B\f/\r\n"
                              "iconic1=-1\r\ncmd3=\r\n");
  WriteBytes(dir / "empty.bar", "[Buttonbar]\r\nButtoncount=0\r\n");
  WriteBytes(dir / "notes.txt", "not an icon");
  const std::vector<std::vector<std::string>> rows = {
      {"show", (dir / "odd.bar").string(), "--json"},
      {"show", (dir / "odd.bar").string(), "--json", "--bytes"},
      {"show", (dir / "empty.bar").string(), "--json"},
      {"icons", (dir / "tc" / "wcmicons.dll").string(), "--json"},
      {"icons", (dir / "notes.txt").string(), "--json"},
      {"commands", "--json"},
      {"commands", "--category", "All", "--json"},
      {"commands", "--category", "usercmd.ini", "--filter", "zzz", "--json"},
  };
  for (const auto &args : rows) {
    SCOPED_TRACE(args[0] + " " + args[1]);
    auto r = Cli(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto parsed = nlohmann::ordered_json::parse(r.out);
    EXPECT_EQ(r.out, parsed.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
  }
}

TEST_F(Installation, CommandsLocalized) {
  Localize("All=\"Alle\"\r\nFiles=Dateien\r\n300=Kopieren\r\n");
  auto r = Cli({"commands"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "1 Alle\n2 Dateien\n3 \n4 usercmd.ini\n5 WCMD_DEU.ini\n");
  auto json = nlohmann::json::parse(Cli({"commands", "--category", "Dateien", "--json"}).out);
  EXPECT_EQ(json["rows"][0]["description"], "Kopieren");
  EXPECT_EQ(json["rows"][0]["tooltip"], "Kopieren");
  EXPECT_EQ(json["rows"][1]["tooltip"], "");
}

TEST_F(Installation, CommandsErrors) {
  auto r = Cli({"commands", "--category", "Nothing"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no category 'Nothing'"), std::string::npos) << r.err;
  EXPECT_EQ(Cli({"commands", "--category", "9"}).status, 2);
  EXPECT_EQ(Cli({"commands", "extra"}).status, 2);
  std::filesystem::remove(dir / "tc" / "Totalcmd.inc");
  r = Cli({"commands"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Cannot open file"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Totalcmd.inc"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty());
}

// --- every verb -----------------------------------------------------------------------

TEST(CliVerbs, EveryVerbHasHelpAndBadArgumentsGetAOneLineErrorWithAHint) {
  for (const char *verb :
       {"show", "edit", "icons", "extract", "make-icl", "resolve", "copy", "paste", "commands"}) {
    SCOPED_TRACE(verb);
    auto help = Cli({verb, "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind(std::string("usage: corvane-cli ") + verb, 0), 0u) << help.out;
    // Every verb that prints or takes texts offers their bytes.
    EXPECT_EQ(help.out.find("--bytes") != std::string::npos, std::string(verb) != "extract");
    auto bad = Cli({verb, "--no-such-option"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(std::count(bad.err.begin(), bad.err.end(), '\n'), 1) << bad.err;
    EXPECT_NE(bad.err.find(std::string("see 'corvane-cli ") + verb + " --help'"), std::string::npos)
        << bad.err;
  }
  auto top = Cli({"--help"});
  for (const char *verb : {"icons", "extract", "make-icl", "resolve", "copy", "paste", "commands"})
    EXPECT_NE(top.out.find(std::string("  ") + verb + " "), std::string::npos) << verb;
}

} // namespace
