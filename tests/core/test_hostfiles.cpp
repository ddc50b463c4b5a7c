// Windows names over the host: Wine's drive mapping in both directions.
#include "platform/CodePage.h"
#include "platform/HostFiles.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace fs = std::filesystem;
using testsupport::ReadBytes;
using testsupport::ScopedCodePage;
using testsupport::ScopedCurrentDirectory;
using testsupport::ScopedEnv;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

// A Wine-style prefix in a temporary folder: dosdevices/c: → ../drive_c, as winecfg
// makes it, and WINEPREFIX pointing at it while the object lives.
class WinePrefix {
public:
  WinePrefix() {
    root_ = fs::canonical(dir_.path());
    prefix_ = root_ / "wine";
    fs::create_directories(prefix_ / "drive_c");
    fs::create_directories(prefix_ / "dosdevices");
    fs::create_directory_symlink("../drive_c", prefix_ / "dosdevices" / "c:");
    env_ = std::make_unique<ScopedEnv>("WINEPREFIX", prefix_);
  }
  const fs::path &root() const { return root_; }
  const fs::path &prefix() const { return prefix_; }
  fs::path driveC() const { return prefix_ / "drive_c"; }
  void MapDrive(char letter, const fs::path &target) const {
    fs::create_directory_symlink(target, prefix_ / "dosdevices" / (std::string(1, letter) + ":"));
  }

private:
  TempDir dir_;
  fs::path root_, prefix_;
  std::unique_ptr<ScopedEnv> env_;
};

// The host path as a Windows name below Z:, which maps the host's root.
std::string OnZ(const fs::path &host) {
  std::string name = "Z:";
  for (char c : host.string())
    name += c == '/' ? '\\' : c;
  return name;
}

void Touch(const fs::path &file) {
  WriteBytes(file, "x");
}

struct NameCase {
  const char *what;
  std::string windowsName;
  std::string expected; // host path; empty when the name maps to nothing
};

} // namespace

TEST(HostPath, MapsDriveNamesThroughThePrefix) {
  WinePrefix wine;
  const fs::path c = wine.driveC();
  Touch(c / "Tools" / "Tool.EXE");
  Touch(c / "Program Files" / "App" / "app.exe");
  const std::string tool = (c / "Tools" / "Tool.EXE").string();
  const std::vector<NameCase> cases = {
      {"as written on disk", "C:\\Tools\\Tool.EXE", tool},
      {"other letter case in every component", "c:\\tools\\tool.exe", tool},
      {"mixed separators", "C:/TOOLS\\tool.Exe", tool},
      {"dot and dot-dot components", "C:\\Tools\\.\\..\\tools\\Tool.exe", tool},
      {"dot-dot stops at the drive root", "C:\\..\\..\\Tools\\Tool.EXE", tool},
      {"lookup resumes after leaving a missing folder", "C:\\Missing\\..\\TOOLS\\tool.exe", tool},
      {"drive-relative name from the root", "C:tools\\tool.exe", tool},
      {"folder with a trailing separator", "C:\\Tools\\", (c / "Tools").string()},
      {"drive root", "C:\\", c.string()},
      {"blank in a folder name", "c:\\program files\\APP\\App.EXE",
       (c / "Program Files" / "App" / "app.exe").string()},
      {"new file keeps its name in the existing folder", "c:\\tools\\New.bar",
       (c / "Tools" / "New.bar").string()},
      {"below a missing folder every part stays as written", "C:\\Missing\\Sub\\x.ini",
       (c / "Missing" / "Sub" / "x.ini").string()},
      {"Z: is the host's root", OnZ(c) + "\\TOOLS\\tool.exe", tool},
      {"host path, matched without regard to case",
       (wine.prefix() / "DRIVE_C/tools/TOOL.exe").string(), tool},
      {"UNC name", "\\\\server\\share\\tool.exe", ""},
      {"unmapped drive", "Q:\\tool.exe", ""},
      {"empty name", "", ""},
  };
  for (const auto &row : cases) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(platform::HostPath(row.windowsName), row.expected) << row.windowsName;
  }
}

TEST(HostPath, RelativeNamesStartAtTheCurrentDirectory) {
  WinePrefix wine;
  const fs::path tools = wine.driveC() / "Tools";
  Touch(tools / "Language" / "deu.inc");
  Touch(tools / "Tool.exe");
  ScopedCurrentDirectory cwd(tools);
  const std::vector<NameCase> cases = {
      {"bare name", "TOOL.EXE", (tools / "Tool.exe").string()},
      {"name in a subfolder", "language\\DEU.INC", (tools / "Language" / "deu.inc").string()},
      {"leaving the folder", "..\\tools\\tool.exe", (tools / "Tool.exe").string()},
      {"dot-dot stops at the drive root", "..\\..\\..\\..\\tools\\tool.exe",
       (tools / "Tool.exe").string()},
      {"rooted name on the current drive", "\\TOOLS\\tool.exe", (tools / "Tool.exe").string()},
      {"new file", "Language\\eng.inc", (tools / "Language" / "eng.inc").string()},
  };
  for (const auto &row : cases) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(platform::HostPath(row.windowsName), row.expected);
  }
}

TEST(HostPath, TrailingBlanksAndDotsOfWindowsComponentsAreDropped) {
  WinePrefix wine;
  const fs::path c = wine.driveC();
  Touch(c / "wcmicons.dll");
  Touch(c / "tools");
  Touch(c / "Sub" / "x.exe");
  const std::string x = (c / "Sub" / "x.exe").string();
  ScopedCurrentDirectory cwd(c / "Sub");
  const std::vector<NameCase> cases = {
      {"trailing blank", "C:\\wcmicons.dll ", (c / "wcmicons.dll").string()},
      {"trailing dot", "C:\\tools.", (c / "tools").string()},
      {"dot and blank after a folder", "C:\\sub. \\x.exe", x},
      {"several, in another letter case", "c:\\SUB.. .\\X.EXE. ", x},
      {"relative name", "x.exe  ", x},
      {"only dots and blanks: the folder itself", "C:\\Sub\\...\\ . \\x.exe", x},
      {"leading blanks stay", "C:\\ tools", (c / " tools").string()},
      {"new file", "C:\\Sub\\new.txt.", (c / "Sub" / "new.txt").string()},
      {"host path keeps them", (c / "tools.").string(), (c / "tools.").string()},
  };
  for (const auto &row : cases) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(platform::HostPath(row.windowsName), row.expected) << row.windowsName;
  }
  platform::WriteFileAtomic("C:\\sub\\made.txt. ", "x");
  EXPECT_EQ(ReadBytes(c / "Sub" / "made.txt"), "x");
}

TEST(WindowsName, PicksTheDriveWithTheLongestTarget) {
  WinePrefix wine;
  const fs::path c = wine.driveC();
  fs::create_directories(c / "data");
  fs::create_directories(c / "bars");
  wine.MapDrive('d', c / "data");
  // A second way into the prefix: paths through it must still find their drive.
  fs::create_directory_symlink(wine.prefix(), wine.root() / "alias");
  struct Case {
    const char *what;
    fs::path host;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"file not yet written", c / "bars" / "tools.bar", "C:\\bars\\tools.bar"},
      {"drive root", c, "C:\\"},
      {"trailing slash", fs::path(c.string() + "/bars/"), "C:\\bars"},
      {"nested drive wins over its parent", c / "data" / "x.bar", "D:\\x.bar"},
      {"reached through a symlink", wine.root() / "alias" / "drive_c" / "bars" / "a.bar",
       "C:\\bars\\a.bar"},
      {"outside every drive", wine.root() / "elsewhere" / "x.bar",
       OnZ(wine.root()) + "\\elsewhere\\x.bar"},
      {"dot-dot in the host path", c / "data" / ".." / "bars" / "t.bar", "C:\\bars\\t.bar"},
  };
  for (const auto &row : cases) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(testsupport::WindowsNameOf(row.host), row.expected);
  }
  ScopedCurrentDirectory cwd(c / "bars");
  EXPECT_EQ(platform::WindowsName("tools.bar"), "C:\\bars\\tools.bar");
  EXPECT_EQ(platform::GetCurrentDirectoryA(), "C:\\bars");
}

TEST(WindowsName, RoundTripGivesTheNameAsOnDisk) {
  WinePrefix wine;
  Touch(wine.driveC() / "Bars" / "Tools.bar");
  for (const char *name : {"C:\\Bars\\Tools.bar", "c:\\bars\\tools.BAR", "C:/BARS/tools.bar"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(platform::WindowsName(platform::HostPath(name)), "C:\\Bars\\Tools.bar");
  }
}

TEST(HostPath, ZFollowsThePrefixWhenItMapsZ) {
  WinePrefix wine;
  fs::create_directories(wine.root() / "zroot");
  wine.MapDrive('z', wine.root() / "zroot");
  Touch(wine.root() / "zroot" / "x.ico");
  EXPECT_EQ(platform::HostPath("Z:\\X.ICO"), (wine.root() / "zroot" / "x.ico").string());
  EXPECT_EQ(testsupport::WindowsNameOf((wine.root() / "zroot" / "x.ico")), "Z:\\x.ico");
}

TEST(HostPath, FollowsAChangeOfPrefixAndNewDrives) {
  WinePrefix first;
  WinePrefix second; // its WINEPREFIX is the one in force
  Touch(first.driveC() / "a.txt");
  Touch(second.driveC() / "a.txt");
  EXPECT_EQ(platform::HostPath("C:\\a.txt"), (second.driveC() / "a.txt").string());
  {
    ScopedEnv back("WINEPREFIX", first.prefix());
    EXPECT_EQ(platform::HostPath("C:\\a.txt"), (first.driveC() / "a.txt").string());
  }
  EXPECT_EQ(platform::HostPath("E:\\a.txt"), "");
  second.MapDrive('e', second.driveC());
  EXPECT_EQ(platform::HostPath("E:\\a.txt"), (second.driveC() / "a.txt").string());
}

TEST(HostPath, PrefixDefaultsToDotWineInTheHomeFolder) {
  TempDir home;
  fs::create_directories(home / ".wine/drive_c");
  fs::create_directories(home / ".wine/dosdevices");
  fs::create_directory_symlink("../drive_c", home / ".wine/dosdevices/c:");
  ScopedEnv noPrefix("WINEPREFIX", nullptr);
  ScopedEnv homeDir("HOME", home.path());
  EXPECT_EQ(platform::HostPath("C:\\x.bar"),
            (fs::canonical(home.path()) / ".wine/drive_c/x.bar").string());
}

TEST(HostPath, FileAddedWithinTheSameClockTickIsFoundInAnyCase) {
  // Case-insensitive lookups keep folder listings while the folder's time stays put. A
  // file system that keeps times to the second may add a file without moving the time
  // on; here the time, a whole second still to come, is set back by hand to stand for
  // that.
  WinePrefix wine;
  const fs::path dir = wine.driveC() / "fresh";
  Touch(dir / "First.txt");
  const auto tick = std::chrono::ceil<std::chrono::seconds>(fs::last_write_time(dir));
  fs::last_write_time(dir, tick);
  ASSERT_TRUE(platform::FileExists("C:\\FRESH\\first.TXT"));
  Touch(dir / "Second.txt");
  fs::last_write_time(dir, tick);
  EXPECT_TRUE(platform::FileExists("C:\\FRESH\\second.TXT"));
}

// A folder is listed once for the names looked up in it; whatever changes in it or above
// it afterwards is seen by the next lookup, in any letter case. The folders are dated
// back, as those of a prefix made long ago, so that their listings are trusted.
TEST(HostPath, ChangesAfterALookupAreSeenAtOnce) {
  struct Case {
    const char *what;
    std::function<void(const fs::path &)> change; // of drive_c/App, whose folders are listed
    bool newFile, newFolder, oldFile; // what TOOL.EXE and OLD.EXE in C:\APP\BIN then are
  };
  const std::vector<Case> cases = {
      {"file added", [](const fs::path &app) { Touch(app / "Bin" / "Tool.exe"); }, true, false,
       true},
      {"file deleted", [](const fs::path &app) { fs::remove(app / "Bin" / "old.exe"); }, false,
       false, false},
      {"folder renamed, another made under its name",
       [](const fs::path &app) {
         fs::rename(app / "Bin", app / "Old");
         Touch(app / "bin" / "tool.EXE");
       },
       true, false, false},
      {"file added, then replaced by a folder",
       [](const fs::path &app) {
         Touch(app / "Bin" / "tool.exe");
         fs::remove(app / "Bin" / "tool.exe");
         fs::create_directory(app / "Bin" / "TOOL.exe");
       },
       false, true, true},
  };
  for (const Case &row : cases) {
    SCOPED_TRACE(row.what);
    WinePrefix wine;
    const fs::path app = wine.driveC() / "App";
    Touch(app / "Bin" / "old.exe");
    for (const fs::path &dir : {app, app / "Bin"})
      fs::last_write_time(dir, fs::last_write_time(dir) - std::chrono::hours(1));
    ASSERT_FALSE(platform::FileExists("C:\\APP\\BIN\\TOOL.EXE"));
    ASSERT_TRUE(platform::FileExists("C:\\APP\\BIN\\OLD.EXE"));
    row.change(app);
    EXPECT_EQ(platform::FileExists("C:\\APP\\BIN\\TOOL.EXE"), row.newFile);
    EXPECT_EQ(platform::DirectoryExists("C:\\APP\\BIN\\TOOL.EXE"), row.newFolder);
    EXPECT_EQ(platform::FileExists("c:\\app\\bin\\old.exe"), row.oldFile);
  }
}

TEST(HostPath, NamesDifferingOnlyInCaseResolveTheSameWayEveryTime) {
  WinePrefix wine;
  Touch(wine.driveC() / "ab.txt");
  Touch(wine.driveC() / "AB.txt");
  EXPECT_EQ(platform::HostPath("C:\\Ab.txt"), (wine.driveC() / "AB.txt").string());
  EXPECT_EQ(platform::HostPath("C:\\ab.txt"), (wine.driveC() / "ab.txt").string());
}

TEST(HostFilesThroughNames, ReadWriteAndExistenceUseTheMapping) {
  WinePrefix wine;
  fs::create_directories(wine.driveC() / "Bars");
  platform::WriteFileAtomic("c:\\BARS\\new.bar", "[Buttonbar]\r\n");
  EXPECT_EQ(ReadBytes(wine.driveC() / "Bars" / "new.bar"), "[Buttonbar]\r\n");
  EXPECT_EQ(platform::ReadFileBytes("C:\\bars\\NEW.BAR").value_or(""), "[Buttonbar]\r\n");
  EXPECT_TRUE(platform::FileExists("C:\\Bars\\New.Bar"));
  EXPECT_FALSE(platform::DirectoryExists("C:\\Bars\\New.Bar"));
  EXPECT_TRUE(platform::DirectoryExists("c:\\bars\\"));
  EXPECT_FALSE(platform::FileExists("\\\\server\\share\\new.bar"));
  platform::ReplaceFile("C:\\bars\\new.bar", "C:\\BARS\\old.bar");
  EXPECT_TRUE(fs::exists(wine.driveC() / "Bars" / "old.bar"));
  EXPECT_TRUE(platform::DeleteFileA("c:\\bars\\OLD.bar"));
  EXPECT_FALSE(fs::exists(wine.driveC() / "Bars" / "old.bar"));
}

namespace {

// A Windows name made of a folder and a text of the core: a marked text marks the whole
// name, as the core keeps a name holding a character its code page lacks.
std::string Under(const std::string &folder, const std::string &text) {
  if (!platform::IsMarked(text))
    return folder + text;
  return std::string(platform::Utf8Mark) + folder + text.substr(platform::Utf8Mark.size());
}

struct TextName {
  const char *what;
  int codePage;
  fs::path host;     // below C:, as on disk (UTF-8)
  std::string text;  // the same below C:, as a text of the core
  std::string upper; // the text in another letter case
};

} // namespace

TEST(HostNames, ConvertBetweenTheCodePageAndUtf8) {
  const std::string greekMarked = std::string(platform::Utf8Mark) + "ωmega.exe";
  const std::vector<TextName> cases = {
      {"umlauts", 1252, "Grüße tool.exe",
       "Gr\xFC\xDF"
       "e tool.exe",
       "GR\xDC\xDF"
       "E TOOL.EXE"},
      {"folder with an umlaut", 1252, "Müller/tools.bar", "M\xFCller\\tools.bar",
       "M\xDCLLER\\TOOLS.BAR"},
      {"Greek the code page lacks", 1252, "ωmega.exe", greekMarked,
       std::string(platform::Utf8Mark) + "ΩMEGA.EXE"},
      {"Greek in its code page", 1253, "ωmega.exe", "\xF9mega.exe", "\xD9MEGA.EXE"},
      {"Cyrillic", 1251, "Привет.exe", "\xCF\xF0\xE8\xE2\xE5\xF2.exe",
       "\xCF\xD0\xC8\xC2\xC5\xD2.EXE"},
      {"second byte a backslash", 932, "表/表.exe", "\x95\x5C\\\x95\x5C.exe",
       "\x95\x5C\\\x95\x5C.EXE"},
  };
  for (const auto &row : cases) {
    SCOPED_TRACE(row.what);
    ScopedCodePage codePage(row.codePage);
    WinePrefix wine;
    const fs::path file = wine.driveC() / row.host;
    Touch(file);
    EXPECT_EQ(testsupport::WindowsNameOf(file), Under("C:\\", row.text));
    EXPECT_TRUE(platform::FileExists(testsupport::WindowsNameOf(file)));
    EXPECT_EQ(platform::HostPath(Under("C:\\", row.text)), file.string());
    EXPECT_EQ(platform::HostPath(Under("C:\\", row.upper)), file.string());
    fs::create_directories((wine.driveC() / "new" / row.host).parent_path());
    platform::WriteFileAtomic(Under("C:\\new\\", row.text), "written");
    EXPECT_EQ(ReadBytes(wine.driveC() / "new" / row.host), "written");
  }
}

TEST(HostNames, CaseDiffersOnlyCharacterForCharacter) {
  ScopedCodePage codePage(1252);
  WinePrefix wine;
  Touch(wine.driveC() / "Grüße.txt");
  EXPECT_FALSE(platform::FileExists("C:\\GR\xDCSSE.TXT")) << "SS is no upper case of \xDF";
  EXPECT_TRUE(platform::FileExists(Under("C:\\", std::string(platform::Utf8Mark) + "GRÜẞE.TXT")))
      << "capital sharp s";
}

TEST(HostNames, HostPathsAreUtf8AndOtherBytesStay) {
  ScopedCodePage codePage(1252);
  WinePrefix wine;
  const fs::path utf8 = wine.driveC() / "Grüße.txt";
  const fs::path latin1 = wine.driveC() / "Gr\xFC\xDF"
                                          "e.bin";
  Touch(utf8);
  Touch(latin1);
  EXPECT_EQ(platform::HostPath(utf8.string()), utf8.string()) << "a host path as it is";
  EXPECT_EQ(platform::HostPath((wine.driveC() / "GR\xDC\xDF"
                                                "E.TXT")
                                   .string()),
            utf8.string())
      << "a host path in the code page";
  EXPECT_EQ(testsupport::WindowsNameOf(latin1), "C:\\Gr\xFC\xDF"
                                                "e.bin")
      << "a host name that is no UTF-8 keeps its bytes";
  EXPECT_EQ(platform::HostPath(testsupport::WindowsNameOf(latin1)), latin1.string());
}
