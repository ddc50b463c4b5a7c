// Unit misk: finding Total Commander's files, resolving the names buttons hold, icon
// references, and the clipboard. Every case runs against a temporary Wine-style prefix
// with drive C:, a made-up "Path" in its registry and a Corvane.ini beside the program.
#include "document/CommanderLocation.h"
#include "document/FileNames.h"
#include "document/FileSearch.h"
#include "document/HostEnvironment.h"
#include "document/IconReference.h"
#include "document/Resolve.h"
#include "document/ShellQueries.h"
#include "platform/CodePage.h"
#include "platform/Profile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;
using testsupport::ScopedCodePage;
using testsupport::ScopedCurrentDirectory;
using testsupport::ScopedEnv;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

const std::string Exe = "C:\\corvane\\corvane.exe";
// Code page 932: the second byte of 表 is a backslash, that of ア the letter A.
const std::string Hyo = "\x95\x5C";
const std::string KanaA = "\x83\x41";

std::string Marked(const std::string &utf8) {
  return std::string(platform::Utf8Mark) + utf8;
}

class Misk : public ::testing::Test {
protected:
  void SetUp() override {
    c_ = fs::canonical(dir_.path()) / "drive_c";
    fs::create_directories(c_ / "corvane");
    fs::create_directories(dir_ / "dosdevices");
    fs::create_directory_symlink("../drive_c", dir_ / "dosdevices" / "c:");
    Env("WINEPREFIX", dir_.path().c_str());
    Env("COMMANDER_PATH", nullptr);
    Env("COMMANDER_INI", nullptr);
    SetPath("");
  }
  void TearDown() override {
    while (!envs_.empty())
      envs_.pop_back(); // restore in reverse order
  }

  // The host's environment holds UTF-8: a value given as the core's text is set so.
  void Env(const std::string &name, const char *value) {
    const std::string host = value ? platform::TextToUtf8(value) : std::string();
    envs_.push_back(std::make_unique<ScopedEnv>(name, value ? host.c_str() : nullptr));
  }
  // "Path" of the prefix's registry; an empty text leaves the registry without one.
  void SetPath(const std::string &path) {
    std::string escaped;
    for (char ch : platform::TextToUtf8(path))
      escaped += ch == '\\' ? std::string("\\\\") : std::string(1, ch);
    WriteBytes(dir_ / "system.reg",
               "WINE REGISTRY Version 2\n\n"
               "[System\\\\CurrentControlSet\\\\Control\\\\Session Manager\\\\Environment] 1\n" +
                   (path.empty() ? std::string() : "\"PATH\"=\"" + escaped + "\"\n"));
  }
  void RemovePath() { fs::remove(dir_ / "system.reg"); }
  // A file on drive C:, given by its name below C:\.
  void File(const std::string &name, const std::string &content = "x") {
    WriteBytes(c_ / Host(name), content);
    platform::FlushProfileCache();
  }
  void Folder(const std::string &name) { fs::create_directories(c_ / Host(name)); }
  void Settings(const std::string &text) { File("corvane\\Corvane.ini", text); }
  const fs::path &c() const { return c_; }

private:
  static std::string Host(std::string name) {
    for (char &ch : name)
      if (ch == '\\')
        ch = '/';
    return name;
  }
  TempDir dir_;
  fs::path c_;
  std::vector<std::unique_ptr<ScopedEnv>> envs_;
};

} // namespace

TEST_F(Misk, FindCommanderPathTriesTheEnvironmentThenTheSetting) {
  Folder("tc");
  Folder("tc2");
  const std::string tooLong = "C:\\tc" + std::string(300, '\\');
  struct Case {
    const char *what;
    const char *environment; // null: unset
    std::string setting;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"environment with a trailing backslash", "C:\\tc\\", "", "C:\\tc"},
      {"environment without one", "C:\\tc", "C:\\tc2", "C:\\tc"},
      {"only one trailing backslash goes", "C:\\tc\\\\", "", "C:\\tc\\"},
      {"missing environment directory: the setting", "C:\\missing", "C:\\tc2\\", "C:\\tc2"},
      {"unset environment: the setting", nullptr, "C:\\tc2", "C:\\tc2"},
      {"setting naming a missing directory", nullptr, "C:\\missing", ""},
      {"nothing set", nullptr, "", ""},
      {"value too long for the buffer counts as unset", tooLong.c_str(), "C:\\tc2", "C:\\tc2"},
  };
  for (const auto &row : cases) {
    SCOPED_TRACE(row.what);
    ScopedEnv env("COMMANDER_PATH", row.environment);
    Settings("[Main]\ncommander_path=" + row.setting + "\n");
    EXPECT_EQ(FindCommanderPath(Exe), row.expected);
  }
}

TEST_F(Misk, FindWincmdIniFallsThroughEnvironmentDirectoriesAndSetting) {
  Settings("[main]\nwincmd=C:\\cfg\\wincmd.ini\n");
  SetPath("C:\\p1;C:\\p2");
  Folder("tc");
  Folder("p1");
  File("p2\\wincmd.ini");
  EXPECT_EQ(FindWincmdIni(Exe), "C:\\p2\\wincmd.ini") << "from the directories of Path";
  {
    ScopedEnv env("COMMANDER_PATH", "C:\\tc\\");
    EXPECT_EQ(FindWincmdIni(Exe), "C:\\p2\\wincmd.ini") << "not in Total Commander's directory";
    File("tc\\wincmd.ini");
    EXPECT_EQ(FindWincmdIni(Exe), "C:\\tc\\wincmd.ini") << "Total Commander's directory first";
    ScopedEnv ini("COMMANDER_INI", "C:\\nowhere\\WINCMD.INI");
    EXPECT_EQ(FindWincmdIni(Exe), "C:\\nowhere\\WINCMD.INI") << "environment, even if missing";
  }
  fs::remove(c() / "p2" / "wincmd.ini");
  EXPECT_EQ(FindWincmdIni(Exe), "C:\\cfg\\wincmd.ini") << "the setting last";
  Settings("");
  EXPECT_EQ(FindWincmdIni(Exe), "");
}

// Total Commander installed in the prefix and started from nowhere that names it.
TEST_F(Misk, FindCommanderPathLastLooksForAnInstallationInThePrefix) {
  const std::string uninstall = "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\"
                                "Uninstall\\\\Totalcmd64]\n";
  const std::string uninstall32 = "[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\"
                                  "CurrentVersion\\\\Uninstall\\\\Totalcmd]\n";
  struct Case {
    const char *what;
    std::vector<std::string> files; // below C:
    std::string systemReg;          // keys and values after the header
    const char *environment;        // COMMANDER_PATH; null: unset
    std::string expected;
    FoundBy how;
    std::string source;
  };
  const std::vector<Case> cases = {
      {"nothing installed", {}, "", nullptr, "", FoundBy::Nothing, ""},
      {"C:\\totalcmd",
       {"totalcmd\\TOTALCMD.EXE"},
       "",
       nullptr,
       "C:\\totalcmd",
       FoundBy::UsualFolder,
       ""},
      {"64-bit program in Program Files (x86), any letter case",
       {"program files (x86)\\TotalCmd\\totalcmd64.exe"},
       "",
       nullptr,
       "C:\\Program Files (x86)\\totalcmd",
       FoundBy::UsualFolder,
       ""},
      {"a usual folder without the program",
       {"totalcmd\\wincmd.ini"},
       "",
       nullptr,
       "",
       FoundBy::Nothing,
       ""},
      {"InstallLocation of the 64-bit entry",
       {"Tools\\TC\\TOTALCMD64.EXE", "totalcmd\\TOTALCMD.EXE"},
       uninstall + "\"InstallLocation\"=\"C:\\\\Tools\\\\TC\\\\\"\n",
       nullptr,
       "C:\\Tools\\TC",
       FoundBy::UninstallEntry,
       "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Totalcmd64 "
       "\"InstallLocation\""},
      {"DisplayIcon of a 32-bit installer's entry",
       {"Tools\\TC\\TOTALCMD.EXE"},
       uninstall32 + "\"DisplayIcon\"=\"C:\\\\Tools\\\\TC\\\\TOTALCMD.EXE,0\"\n",
       nullptr,
       "C:\\Tools\\TC",
       FoundBy::UninstallEntry,
       "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\"
       "Uninstall\\Totalcmd \"DisplayIcon\""},
      {"quoted UninstallString with arguments",
       {"Tools\\T C\\TOTALCMD64.EXE"},
       uninstall + "\"UninstallString\"=\"\\\"C:\\\\Tools\\\\T C\\\\tcunin64.exe\\\" /S\"\n",
       nullptr,
       "C:\\Tools\\T C",
       FoundBy::UninstallEntry,
       "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Totalcmd64 "
       "\"UninstallString\""},
      {"an entry whose folder lost the program: the usual folder",
       {"totalcmd\\TOTALCMD.EXE"},
       uninstall + "\"InstallLocation\"=\"C:\\\\Gone\"\n",
       nullptr,
       "C:\\totalcmd",
       FoundBy::UsualFolder,
       ""},
      {"the environment first",
       {"totalcmd\\TOTALCMD.EXE", "tc\\x"},
       "",
       "C:\\tc",
       "C:\\tc",
       FoundBy::Environment,
       "COMMANDER_PATH"},
  };
  for (const auto &row : cases) {
    SCOPED_TRACE(row.what);
    fs::remove_all(c() / "totalcmd");
    fs::remove_all(c() / "program files (x86)");
    fs::remove_all(c() / "Tools");
    for (const std::string &file : row.files)
      File(file);
    WriteBytes(c().parent_path() / "system.reg", "WINE REGISTRY Version 2\n\n" + row.systemReg);
    ScopedEnv env("COMMANDER_PATH", row.environment);
    const HostLocation found = LocateCommanderPath(Exe);
    EXPECT_EQ(found.Name, row.expected);
    EXPECT_EQ(found.How, row.how);
    EXPECT_EQ(found.Source, row.source);
    EXPECT_EQ(FindCommanderPath(Exe), row.expected);
  }
}

// APPDATA is the environment's as Wine sets it: the shell folder, else the login name's.
TEST_F(Misk, FindWincmdIniLastLooksInTheUsersApplicationData) {
  const std::string shellFolders = "WINE REGISTRY Version 2\n\n[Software\\\\Microsoft\\\\"
                                   "Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders]\n"
                                   "\"AppData\"=\"C:\\\\users\\\\wine\\\\AppData\\\\Roaming\"\n";
  File("users\\wine\\AppData\\Roaming\\GHISLER\\wincmd.ini");
  File("users\\me\\AppData\\Roaming\\GHISLER\\wincmd.ini");
  File("cfg\\GHISLER\\wincmd.ini");
  Env("APPDATA", nullptr);
  Env("USERNAME", nullptr);
  struct Case {
    const char *what;
    std::string userReg; // empty: none
    const char *user;    // USER
    const char *appData; // APPDATA
    std::string setting;
    std::string expected;
    FoundBy how;
    std::string source;
  };
  const std::vector<Case> cases = {
      {"the shell folder of user.reg", shellFolders, "me", nullptr, "",
       "C:\\users\\wine\\AppData\\Roaming\\GHISLER\\wincmd.ini", FoundBy::ApplicationData,
       "APPDATA"},
      {"the folder of the login name", "", "me", nullptr, "",
       "C:\\users\\me\\AppData\\Roaming\\GHISLER\\wincmd.ini", FoundBy::ApplicationData, "APPDATA"},
      {"APPDATA first", shellFolders, "me", "C:\\cfg\\", "", "C:\\cfg\\GHISLER\\wincmd.ini",
       FoundBy::ApplicationData, "APPDATA"},
      {"no such file", "", "nobody", nullptr, "", "", FoundBy::Nothing, ""},
      {"the setting before, even naming a missing file", shellFolders, "me", nullptr,
       "C:\\x\\wincmd.ini", "C:\\x\\wincmd.ini", FoundBy::Setting, "C:\\corvane\\Corvane.ini"},
  };
  for (const auto &row : cases) {
    SCOPED_TRACE(row.what);
    fs::remove(c().parent_path() / "user.reg");
    if (!row.userReg.empty())
      WriteBytes(c().parent_path() / "user.reg", row.userReg);
    ScopedEnv user("USER", row.user);
    ScopedEnv appData("APPDATA", row.appData);
    Settings("[main]\nwincmd=" + row.setting + "\n");
    const HostLocation found = LocateWincmdIni(Exe);
    EXPECT_EQ(found.Name, row.expected);
    EXPECT_EQ(found.How, row.how);
    EXPECT_EQ(found.Source, row.source);
  }
  File("totalcmd\\TOTALCMD.EXE");
  File("totalcmd\\wincmd.ini");
  EXPECT_EQ(LocateWincmdIni(Exe).How, FoundBy::CommanderFolder)
      << "beside an installation found in the prefix first";
}

TEST_F(Misk, FindLocalizedCommandListUsesTheLanguageSetting) {
  File("tc\\wincmd.ini", "[Configuration]\nLanguageIni=WCMD_DEU.LNG\n");
  File("tc\\Language\\WCMD_DEU.inc");
  Settings("[Main]\nLocalizedInc=C:\\x\\loc.inc\n");
  Env("COMMANDER_PATH", "C:\\tc\\");
  EXPECT_EQ(FindLocalizedCommandList(Exe), "C:\\tc\\Language\\WCMD_DEU.inc");
  fs::remove(c() / "tc" / "Language" / "WCMD_DEU.inc");
  EXPECT_EQ(FindLocalizedCommandList(Exe), "C:\\x\\loc.inc") << "missing list: the setting";
  File("tc\\wincmd.ini", "[Configuration]\n");
  File("tc\\Language\\.inc");
  EXPECT_EQ(FindLocalizedCommandList(Exe), "C:\\tc\\Language\\.inc")
      << "an empty language setting gives just the extension";
}

TEST_F(Misk, FindLocalizedCommandListWithoutCommanderPathLooksBelowTheCurrentDirectory) {
  File("cfg\\wincmd.ini", "[Configuration]\nLanguageIni=wcmd_fra.lng\n");
  File("work\\Language\\wcmd_fra.inc");
  Env("COMMANDER_INI", "C:\\cfg\\wincmd.ini");
  Settings("[Main]\nLocalizedInc=C:\\x\\loc.inc\n");
  {
    ScopedCurrentDirectory cwd(c() / "work");
    EXPECT_EQ(FindLocalizedCommandList(Exe), "Language\\wcmd_fra.inc");
  }
  EXPECT_EQ(FindLocalizedCommandList(Exe), "C:\\x\\loc.inc");
}

TEST_F(Misk, ExpandEnvironmentReferenceExpandsEveryReference) {
  Folder("tc");
  Env("COMMANDER_PATH", "C:\\tc\\");
  Env("CORVANE_SUB", "sub");
  Env("CORVANE_UNSET", nullptr);
  struct Case {
    std::string text;
    std::string expanded;
    std::vector<std::string> unset; // UnsetVariables
  };
  const std::vector<Case> cases = {
      {"%COMMANDER_PATH%\\wcmicons.dll", "C:\\tc\\wcmicons.dll", {}},
      {"%commander_Path%\\x.ico", "C:\\tc\\x.ico", {}},
      {"%COMMANDER_PATH%\\a;%WINDIR%\\b", "C:\\tc\\a;C:\\windows\\b", {}},
      {"%WINDIR%\\b;%COMMANDER_PATH%", "C:\\windows\\b;C:\\tc", {}},
      {"%SystemDrive%%CORVANE_SUB%\\x", "C:sub\\x", {}},
      {"C:\\dir\\%CORVANE_SUB%\\file.exe", "C:\\dir\\sub\\file.exe", {}},
      {"%corvane_sub%\\%CORVANE_SUB%", "sub\\sub", {}},
      {"%CORVANE_UNSET%%CORVANE_SUB%", "%CORVANE_UNSET%sub", {"CORVANE_UNSET"}},
      // An unset variable is kept, so that "\x.exe" is not looked for instead.
      {"%CORVANE_UNSET%\\x.exe", "%CORVANE_UNSET%\\x.exe", {"CORVANE_UNSET"}},
      {"%CORVANE_UNSET%\\%corvane_unset%", "%CORVANE_UNSET%\\%corvane_unset%", {"CORVANE_UNSET"}},
      // The closing "%" of an unset name opens the next reference, as Windows reads it.
      {"%CORVANE_UNSET%CORVANE_SUB%\\%X%", "%CORVANE_UNSETsub\\%X%", {"CORVANE_UNSET", "X"}},
      {"100%%", "100%%", {}},
      {"%CORVANE_UNSET%x", "%CORVANE_UNSET%x", {"CORVANE_UNSET"}},
      {"50%off", "50off", {}},
      {"plain", "plain", {}},
  };
  for (const auto &row : cases) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(ExpandEnvironmentReference(Exe, row.text), row.expanded);
    EXPECT_EQ(UnsetVariables(Exe, row.text), row.unset);
  }
  EXPECT_EQ(CommanderPathNamingNoFolder(), std::nullopt);
  Env("COMMANDER_PATH", "C:\\missing");
  EXPECT_EQ(ExpandEnvironmentReference(Exe, "%COMMANDER_PATH%\\x"), "%COMMANDER_PATH%\\x");
  EXPECT_EQ(UnsetVariables(Exe, "%COMMANDER_DRIVE%"), std::vector<std::string>{"COMMANDER_DRIVE"});
  EXPECT_EQ(CommanderPathNamingNoFolder(), "C:\\missing");
}

// "%$NAME%" is the shell's special folder: the prefix's own where it keeps one (the
// expandable value first), else Wine's default; a name the shell does not know is unset.
TEST_F(Misk, ShellFoldersComeFromThePrefixOrWinesDefaults) {
  Env("USERNAME", "alice");
  WriteBytes(c().parent_path() / "user.reg",
             "WINE REGISTRY Version 2\n\n"
             "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\"
             "User Shell Folders] 1\n"
             "\"Personal\"=str(2):\"%USERPROFILE%\\\\Docs\"\n"
             "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\"
             "Shell Folders] 1\n"
             "\"Personal\"=\"C:\\\\old\"\n\"Desktop\"=\"C:\\\\desk\"\n");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"%$PERSONAL%\\x.txt", "C:\\users\\alice\\Docs\\x.txt"},
      {"%$desktop%", "C:\\desk"},
      {"%$APPDATA%\\a", "C:\\users\\alice\\AppData\\Roaming\\a"},
      {"%$LOCAL_APPDATA%", "C:\\users\\alice\\AppData\\Local"},
      {"%$COMMON_APPDATA%", "C:\\ProgramData"},
      {"%$WINDOWS%%$SYSTEM%", "C:\\windowsC:\\windows\\system32"},
      {"%$PROGRAM_FILES%\\p", "C:\\Program Files\\p"},
      {"%$NO_SUCH_FOLDER%\\x", "%$NO_SUCH_FOLDER%\\x"},
  };
  for (const auto &[text, expanded] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ExpandEnvironmentReference(Exe, text), expanded);
  }
  EXPECT_EQ(UnsetVariables(Exe, "%$DESKTOP%\\%$NO_SUCH_FOLDER%"),
            std::vector<std::string>{"$NO_SUCH_FOLDER"});
}

// Total Commander's own variables, as it sets them for the programs it starts.
TEST_F(Misk, CommanderVariablesComeFromWhatWasFound) {
  File("tc\\TOTALCMD.EXE");
  File("tc\\wincmd.ini");
  Env("COMMANDER_PATH", "C:\\tc");
  Env("COMMANDER_INI", nullptr);
  EXPECT_EQ(VariableValue(Exe, "commander_exe"), "C:\\tc\\TOTALCMD.EXE");
  EXPECT_EQ(VariableValue(Exe, "COMMANDER_INI"), "C:\\tc\\wincmd.ini");
  EXPECT_EQ(ExpandEnvironmentReference(Exe, "%COMMANDER_DRIVE%\\x"), "C:\\x");
  File("tc\\TOTALCMD64.EXE");
  EXPECT_EQ(VariableValue(Exe, "COMMANDER_EXE"), "C:\\tc\\TOTALCMD64.EXE");
  // Given as a host path, the folder is its Windows name, and so is every name made from it.
  Env("COMMANDER_PATH", (c() / "tc").c_str());
  EXPECT_EQ(FindCommanderPath(Exe), "C:\\tc");
  Env("COMMANDER_PATH", (c().parent_path() / "elsewhere").c_str());
  fs::create_directories(c().parent_path() / "elsewhere");
  const std::string found = FindCommanderPath(Exe);
  EXPECT_EQ(found.substr(0, 3), "Z:\\");
  EXPECT_EQ(found.find('/'), std::string::npos) << found;
  EXPECT_EQ(VariableValue(Exe, "COMMANDER_DRIVE"), "Z:");
}

TEST_F(Misk, ResolveFileKeepsItsOrderOfPlaces) {
  Env("COMMANDER_PATH", "C:\\tc");
  SetPath("C:\\p1;;C:\\p2\\;");
  File("tc\\wcmicons.dll");
  File("tc\\both.exe");
  File("p1\\both.exe");
  File("p1\\tool.exe");
  File("p2\\tool.com");
  File("p2\\only.exe");
  File("p1\\doc.txt");
  File("tc\\app\\app.exe");
  File("tc\\app\\app");
  File("tc\\prog\\prog");
  File("p1\\folder.exe\\x");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"wcmicons.dll", "C:\\tc\\wcmicons.dll"},
      {"\"wcmicons.dll\"", "C:\\tc\\wcmicons.dll"},
      {"both.exe", "C:\\tc\\both.exe"},
      {"tool", "C:\\p2\\tool.com"},
      {"only", "C:\\p2\\only.exe"},
      {"doc.txt", "C:\\p1\\doc.txt"},
      {"app", "C:\\tc\\app\\app.exe"},
      {"prog", "C:\\tc\\prog\\prog"},
      {"folder.exe", "C:\\tc\\folder.exe"},
      {"missing.exe", "C:\\tc\\missing.exe"},
      {"\"missing\"", "C:\\tc\\missing"},
      {"app\\app.exe", "C:\\tc\\app\\app.exe"},
      {"..\\p1\\gone.exe", "C:\\tc\\..\\p1\\gone.exe"},
      {"C:\\nowhere\\x.exe", "C:\\nowhere\\x.exe"},
      {"\\nowhere\\x.exe", "\\nowhere\\x.exe"},
      {"/nowhere/x.exe", "/nowhere/x.exe"},
      {"\"C:\\nowhere\\x.exe\"", "C:\\nowhere\\x.exe"},
      {"%COMMANDER_PATH%\\nothing.dll", "C:\\tc\\nothing.dll"},
      {"\"%COMMANDER_PATH%\\x.dll\"", "\"C:\\tc\\x.dll\""},
  };
  for (const auto &[name, resolved] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ResolveFile(Exe, name), resolved);
  }
}

TEST_F(Misk, ResolveFileTakesNoSecondByteForABackslash) {
  ScopedCodePage japanese(932);
  File("表\\表.exe");
  File("表\\only.exe");
  SetPath("C:\\" + Hyo);
  struct Case {
    const char *what;
    std::string commanderPath, name, resolved;
  };
  const std::vector<Case> cases = {
      {"found in Total Commander's folder", "C:\\" + Hyo, Hyo + ".exe",
       "C:\\" + Hyo + "\\" + Hyo + ".exe"},
      {"the folder with a trailing backslash", "C:\\" + Hyo + "\\", Hyo + ".exe",
       "C:\\" + Hyo + "\\" + Hyo + ".exe"},
      {"found in a folder of Path", "C:\\missing", "only", "C:\\" + Hyo + "\\only.exe"},
  };
  for (const auto &row : cases) {
    SCOPED_TRACE(row.what);
    Env("COMMANDER_PATH", row.commanderPath.c_str());
    EXPECT_EQ(ResolveFile(Exe, row.name), row.resolved);
  }
}

TEST_F(Misk, MarkedNamesJoinedWithCodePageTextStayWhole) {
  ScopedCodePage western(1252);
  File("Müller\\ωmega.exe");
  File("docs\\ωmega.txt");
  Env("COMMANDER_PATH", "C:\\M\xFCller");
  const std::string omega = Marked("C:\\Müller\\ωmega.exe");
  EXPECT_EQ(ResolveFile(Exe, Marked("ωmega.exe")), omega);
  EXPECT_EQ(ExpandEnvironmentReference(Exe, Marked("%commander_path%\\ωmega.exe")), omega);
  EXPECT_EQ(ExpandEnvironmentReference(Exe, Marked("ı%COMMANDER_PATH%")), Marked("ıC:\\Müller"))
      << "a letter whose upper case is shorter before the reference";
  Env("COMMANDER_PATH", nullptr);
  EXPECT_EQ(ResolveWithStartPath(Exe, Marked("ΩMEGA.TXT"), "C:\\docs\\"),
            Marked("C:\\docs\\ωmega.txt"));
}

TEST_F(Misk, ResolveFileWithoutCommanderPathSearchesOnlyPath) {
  SetPath("C:\\p1");
  File("p1\\tool.ico");
  File("tc\\wcmicons.dll");
  EXPECT_EQ(ResolveFile(Exe, "TOOL"), "C:\\p1\\TOOL.ico");
  EXPECT_EQ(ResolveFile(Exe, "wcmicons.dll"), "wcmicons.dll");
}

TEST_F(Misk, ResolveWithStartPathAppendsTheLowerCasedName) {
  Env("COMMANDER_PATH", "C:\\tc");
  File("tc\\wcmicons.dll");
  File("docs\\readme.txt");
  struct Case {
    const char *what;
    std::string name, startPath, expected;
  };
  const std::vector<Case> cases = {
      {"resolved elsewhere", "wcmicons.dll", "C:\\docs\\", "C:\\tc\\wcmicons.dll"},
      {"found below the start path", "Readme.TXT", "C:\\docs\\", "C:\\docs\\readme.txt"},
      {"quoted start path", "Readme.TXT", "\"C:\\docs\\\"", "C:\\docs\\readme.txt"},
      {"a separator is inserted", "Readme.TXT", "C:\\docs", "C:\\docs\\readme.txt"},
      {"missing: where Total Commander would have it", "other.txt", "C:\\docs\\",
       "C:\\tc\\other.txt"},
      {"quoted name", "\"Readme.TXT\"", "C:\\docs\\", "C:\\docs\\readme.txt"},
      {"relative name with folders", "docs\\Readme.TXT", "C:\\", "C:\\docs\\readme.txt"},
      {"start path from a variable", "Readme.TXT", "%COMMANDER_PATH%\\..\\docs\\",
       "C:\\tc\\..\\docs\\readme.txt"},
  };
  for (const auto &row : cases) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(ResolveWithStartPath(Exe, row.name, row.startPath), row.expected);
  }
}

// A step as "rule name", with "+" or "-" for the rules that try a file and the file
// found on "Path" after "=".
std::string StepText(const ResolveStep &step) {
  static const char *const rules[] = {
      "expanded",   "unquoted", "rooted",    "no-tc",      "in-tc",          "on-path",
      "own-folder", "nothing",  "unchanged", "start-path", "relative-in-tc", "start-relative"};
  std::string text = rules[static_cast<int>(step.Rule)] + (" " + step.Name);
  if (step.Rule == ResolveRule::InCommanderPath || step.Rule == ResolveRule::OnSearchPath ||
      step.Rule == ResolveRule::InFolderOfItsName || step.Rule == ResolveRule::AfterStartPath ||
      step.Rule == ResolveRule::RelativeInCommanderPath)
    text += step.Exists ? " +" : " -";
  return step.Found.empty() ? text : text + "=" + step.Found;
}

TEST_F(Misk, TraceNamesEveryPlaceTheLookupTriedInOrder) {
  Env("COMMANDER_PATH", "C:\\tc");
  SetPath("C:\\p1");
  File("tc\\app\\app.exe");
  File("p1\\doc.txt");
  File("docs\\readme.txt");
  struct Case {
    std::string name, startPath;
    std::vector<std::string> steps;
  };
  const std::vector<Case> cases = {
      {"%COMMANDER_PATH%\\x.dll", "", {"expanded C:\\tc\\x.dll"}},
      {"\"C:\\x.exe\"", "", {"unquoted C:\\x.exe", "rooted C:\\x.exe"}},
      {"app\\app.exe", "", {"relative-in-tc C:\\tc\\app\\app.exe +"}},
      {"doc.txt", "", {"in-tc C:\\tc\\doc.txt -", "on-path doc.txt +=C:\\p1\\doc.txt"}},
      {"app",
       "",
       {"in-tc C:\\tc\\app -", "on-path app.com -", "on-path app.exe -", "on-path app.dll -",
        "on-path app.icl -", "on-path app.ico -", "own-folder C:\\tc\\app\\app.com -",
        "own-folder C:\\tc\\app\\app.exe +"}},
      {"Readme.TXT",
       "C:\\docs\\",
       {"in-tc C:\\tc\\Readme.TXT -", "on-path Readme.TXT -",
        "own-folder C:\\tc\\Readme.TXT\\Readme.TXT -", "nothing C:\\tc\\Readme.TXT",
        "start-path C:\\docs\\readme.txt +"}},
      {"doc\\x.txt", "docs\\", {"relative-in-tc C:\\tc\\doc\\x.txt -", "start-relative docs\\"}},
      {"doc.txt",
       "C:\\docs\\",
       {"in-tc C:\\tc\\doc.txt -", "on-path doc.txt +=C:\\p1\\doc.txt",
        "unchanged C:\\p1\\doc.txt"}},
  };
  for (const auto &row : cases) {
    SCOPED_TRACE(row.name + " " + row.startPath);
    ResolveTrace trace;
    const std::string resolved = row.startPath.empty()
                                     ? ResolveFile(Exe, row.name, &trace)
                                     : ResolveWithStartPath(Exe, row.name, row.startPath, &trace);
    std::vector<std::string> steps;
    for (const ResolveStep &step : trace)
      steps.push_back(StepText(step));
    EXPECT_EQ(steps, row.steps);
    EXPECT_EQ(resolved, row.startPath.empty() ? ResolveFile(Exe, row.name)
                                              : ResolveWithStartPath(Exe, row.name, row.startPath))
        << "the trace changes nothing";
  }
}

TEST_F(Misk, SplitSearchPathSkipsEmptyEntries) {
  struct Case {
    std::string path;
    std::vector<std::string> dirs;
  };
  const std::vector<Case> cases = {
      {"C:\\a;;C:\\b;", {"C:\\a", "C:\\b"}},
      {";C:\\a", {"C:\\a"}},
      {"C:\\a\\;D:\\last dir", {"C:\\a\\", "D:\\last dir"}},
      {";;", {}},
  };
  for (const auto &row : cases) {
    SCOPED_TRACE(row.path);
    SetPath(row.path);
    std::vector<std::string> dirs = {"old"};
    EXPECT_EQ(SplitSearchPath(dirs), static_cast<int>(row.dirs.size()));
    EXPECT_EQ(dirs, row.dirs);
  }
  RemovePath();
  std::vector<std::string> dirs = {"old"};
  EXPECT_EQ(SplitSearchPath(dirs), 3) << "the Windows default without a registry";
  EXPECT_EQ(dirs.front(), "C:\\windows\\system32");
  WriteBytes(c().parent_path() / "system.reg",
             "[System\\\\CurrentControlSet\\\\Control\\\\Session Manager\\\\Environment]\n"
             "\"PATH\"=\"\"\n");
  dirs = {"old"};
  EXPECT_EQ(SplitSearchPath(dirs), 0);
  EXPECT_EQ(dirs, std::vector<std::string>{"old"}) << "an empty Path leaves the list alone";
  EXPECT_FALSE(SearchPathDirs("x.exe"));
}

TEST_F(Misk, SearchPathDirsReturnsTheFirstExistingFile) {
  SetPath("C:\\p1;C:\\p2\\");
  File("p1\\a.exe");
  File("p2\\a.exe");
  File("p2\\b.exe");
  EXPECT_EQ(SearchPathDirs("a.exe"), "C:\\p1\\a.exe");
  EXPECT_EQ(SearchPathDirs("b.exe"), "C:\\p2\\b.exe");
  EXPECT_FALSE(SearchPathDirs("c.exe"));
  EXPECT_FALSE(SearchPathDirs(""));
}

TEST(IconReference, FilePartAndIndexPart) {
  struct Case {
    std::string reference, file;
    int index;
  };
  const std::vector<Case> cases = {
      {"C:\\TOOLS\\APP.EXE,3", "c:\\tools\\app.exe", 3},
      {"WCMICONS.DLL", "wcmicons.dll", 0},
      {"x.dll,", "x.dll", 0},
      {"x.dll,abc", "x.dll", 0},
      {"x.dll,12", "x.dll", 12},
      {"x.dll,-5", "x.dll", -5},
      {"x.dll, -5", "x.dll", -5},
      {"x.dll,5-", "x.dll", 5},
      {"a,1,22", "a", 22},
      {"x.dll,1a2", "x.dll", 12},
      {"x.dll, 7 ", "x.dll", 7},
      {"x.dll,0000000000012", "x.dll", 12},
      {"x.dll,2147483647", "x.dll", INT_MAX},
      {"", "", 0},
  };
  for (const auto &row : cases) {
    SCOPED_TRACE(row.reference);
    EXPECT_EQ(IconFilePart(row.reference), row.file);
    EXPECT_EQ(IconIndexPart(row.reference), row.index);
  }
}

TEST(IconReference, FilePartIsLowerCasedByTheCodePage) {
  const std::vector<std::tuple<int, std::string, std::string>> cases = {
      {932, KanaA + ".ICO,2", KanaA + ".ico"},
      {1252, "C:\\\xC4RGER.DLL,1", "c:\\\xE4rger.dll"},
      {1252, Marked("ΩMEGA.DLL,1"), Marked("ωmega.dll")},
  };
  for (const auto &[codePage, reference, file] : cases) {
    SCOPED_TRACE(reference);
    ScopedCodePage scoped(codePage);
    EXPECT_EQ(IconFilePart(reference), file);
  }
}

TEST(IconReference, IndexBeyondThe32BitRangeNamesNoIconOrIsAConversionError) {
  for (const std::string digits : {"2147483648", "99999999999999999999999"}) {
    SCOPED_TRACE(digits);
    EXPECT_EQ(IconIndexPart("x.dll,-" + digits), std::nullopt);
    try {
      IconIndexOrError("x.dll,-" + digits);
      ADD_FAILURE() << "no conversion error";
    } catch (const EConvertError &e) {
      EXPECT_EQ(std::string(e.what()), "'" + digits + "' is not a valid integer value");
    }
  }
}

TEST(StrToInt, AcceptsOnlyDecimal32BitNumbers) {
  const std::vector<std::pair<std::string, int>> valid = {
      {"0", 0}, {"-1", -1}, {"  42", 42}, {"+7", 7}, {"-2147483648", INT_MIN}, {"007", 7}};
  for (const auto &[text, value] : valid) {
    SCOPED_TRACE(text);
    EXPECT_EQ(StrToInt(text), value);
  }
  for (const std::string text :
       {"", " ", "-", "1 ", "12a", "$10", "0x10", "2147483648", "-2147483649", "1-"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(StrToInt(text), std::nullopt);
    try {
      StrToIntOrError(text);
      ADD_FAILURE() << "accepted";
    } catch (const EConvertError &e) {
      EXPECT_EQ(std::string(e.what()), "'" + text + "' is not a valid integer value");
    }
  }
}

TEST(FileNameParts, ExtensionOnlyAfterTheLastSeparator) {
  struct Case {
    std::string name, extension, changed, folder;
  };
  const std::vector<Case> cases = {
      {"C:\\tc\\WCMD_DEU.LNG", ".LNG", "C:\\tc\\WCMD_DEU.inc", "C:\\tc\\"},
      {"tools.bar", ".bar", "tools.inc", ""},
      {"C:\\my.dir\\tools", "", "C:\\my.dir\\tools.inc", "C:\\my.dir\\"},
      {"C:.hidden", ".hidden", "C:.inc", "C:"},
      {"D.x:name", "", "D.x:name.inc", "D.x:"},
      {"archive.tar.gz", ".gz", "archive.tar.inc", ""},
      {"dot.", ".", "dot.inc", ""},
      {"", "", ".inc", ""},
  };
  for (const auto &row : cases) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(FileExtension(row.name), row.extension);
    EXPECT_EQ(ChangeFileExt(row.name, ".inc"), row.changed);
    EXPECT_EQ(ExtractFilePath(row.name), row.folder);
  }
}

TEST(FileNameParts, SecondByteOfATwoByteCharacterIsNoSeparator) {
  ScopedCodePage japanese(932);
  struct Case {
    const char *what;
    std::string name, extension, changed, folder;
  };
  const std::vector<Case> cases = {
      {"folder ending in it", "C:\\" + Hyo, "", "C:\\" + Hyo + ".inc", "C:\\"},
      {"extension ending in it", "a." + Hyo, "." + Hyo, "a.inc", ""},
      {"folder holding it", Hyo + "\\a.b", ".b", Hyo + "\\a.inc", Hyo + "\\"},
  };
  for (const auto &row : cases) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(FileExtension(row.name), row.extension);
    EXPECT_EQ(ChangeFileExt(row.name, ".inc"), row.changed);
    EXPECT_EQ(ExtractFilePath(row.name), row.folder);
  }
}

TEST_F(Misk, GetEnvironmentIgnoresLetterCase) {
  Env("CORVANE_VALUE", "value");
  EXPECT_EQ(GetEnvironment("corvane_value"), "value");
  EXPECT_EQ(GetEnvironment("CORVANE_NOT_SET"), "");
  EXPECT_EQ(WindowsDirectory(), "C:\\windows");
}

TEST_F(Misk, FindAssociatedExecutableGivesTheProgramOrNothing) {
  WriteBytes(c().parent_path() / "user.reg",
             "[Software\\\\Classes\\\\.txt] 1\n@=\"txtfile\"\n"
             "[Software\\\\Classes\\\\txtfile\\\\shell\\\\open\\\\command] 1\n"
             "@=\"\\\"C:\\\\Program Files\\\\Ed\\\\ed.exe\\\" \\\"%1\\\"\"\n");
  File("docs\\a.txt");
  File("docs\\b.xyz");
  File("docs\\Run.exe");
  EXPECT_EQ(FindAssociatedExecutable("a.txt", "C:\\docs"), "C:\\Program Files\\Ed\\ed.exe");
  EXPECT_EQ(FindAssociatedExecutable("C:\\docs\\run.exe", ""), "C:\\docs\\run.exe");
  EXPECT_EQ(FindAssociatedExecutable("C:\\docs\\b.xyz", ""), "");
  EXPECT_EQ(FindAssociatedExecutable("C:\\docs\\gone.txt", ""), "");
}

TEST(ExecutableBufferText, ZeroBytesBeforeTheFirstPairAreSpaces) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {std::string("C:\\Program\0Files\\My\0App\\a.exe\0\0junk", 34),
       "C:\\Program Files\\My App\\a.exe"},
      {std::string("C:\\a.exe\0\0\0", 11), "C:\\a.exe"},
      {std::string("\0\0", 2), ""},
      {std::string("abc\0def", 7), "abc def"},
      {"full", "full"},
  };
  for (const auto &[buffer, text] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ExecutableBufferText(buffer.data(), buffer.size()), text);
  }
}
