// Wine's registry files and the file associations read from them.
#include "platform/HostFiles.h"
#include "platform/Shell.h"
#include "platform/WineRegistry.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace fs = std::filesystem;
using platform::RegistryValue;
using platform::WineRegistryText;
using testsupport::ScopedEnv;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

// Written as Wine writes a hive: a header, comments, keys with their time, escaped names.
const char kSystemReg[] = R"(WINE REGISTRY Version 2
;; All keys relative to \\Machine

#arch=win64

[Software\\Classes\\.txt] 1700000000
#time=1da0c0ffee
@="txtfile"
"Content Type"="text/plain"

[Software\\Classes\\txtfile\\shell\\open\\command] 1700000000
@=str(2):"%SystemRoot%\\system32\\notepad.exe %1"

[System\\CurrentControlSet\\Control\\Session Manager\\Environment] 1700000000
"ComSpec"=str(2):"%SystemRoot%\\system32\\cmd.exe"
"Quoted"="say \"hi\"\\there\n"
"Hex2"=hex(2):43,00,3a,00,5c,00,\
  78,00,00,00,41,00
"Hex1"=hex(1):61,00,62,00
"Dword"=dword:00000001
"Binary"=hex:01,02
"Escapes"="\x00e9\351\x4e2d\t"
"Multi"=str(7):"a\0b\0"
"Broken"="never closed
"Last"="last value"
)";

struct ValueCase {
  const char *what;
  std::string key;
  std::string name;
  std::optional<std::string> data;
  bool expandable = false;
};

std::optional<std::string> DataOf(const std::optional<RegistryValue> &value) {
  return value ? std::optional<std::string>(value->data) : std::nullopt;
}

} // namespace

TEST(WineRegistryText, ReadsTheValuesWineWrites) {
  const WineRegistryText registry(kSystemReg);
  const std::string env = "System\\CurrentControlSet\\Control\\Session Manager\\Environment";
  const std::vector<ValueCase> cases = {
      {"default value", "Software\\Classes\\.txt", "", "txtfile"},
      {"key in other letter case", "SOFTWARE\\classes\\.TXT", "", "txtfile"},
      {"value name in other letter case", "Software\\Classes\\.txt", "content type", "text/plain"},
      {"expandable default value", "Software\\Classes\\txtfile\\shell\\open\\command", "",
       "%SystemRoot%\\system32\\notepad.exe %1", true},
      {"expandable string", env, "ComSpec", "%SystemRoot%\\system32\\cmd.exe", true},
      {"escaped quote, backslash and line break", env, "Quoted", "say \"hi\"\\there\n"},
      {"hex(2) continued on the next line, cut at its zero", env, "Hex2", "C:\\x", true},
      {"hex(1) string", env, "Hex1", "ab"},
      {"hex and octal escapes, a wide character among them, as UTF-8", env, "Escapes",
       "\xC3\xA9\xC3\xA9\xE4\xB8\xAD\t"},
      {"value after an unreadable one", env, "Last", "last value"},
      {"dword is no string", env, "Dword", std::nullopt},
      {"binary is no string", env, "Binary", std::nullopt},
      {"multi-string is no string", env, "Multi", std::nullopt},
      {"unterminated string", env, "Broken", std::nullopt},
      {"missing value", env, "PATH", std::nullopt},
      {"value of the next key is not seen", "Software\\Classes\\.txt", "ComSpec", std::nullopt},
      {"no default value", env, "", std::nullopt},
      {"parent of keys is no key", "Software\\Classes", "", std::nullopt},
      {"missing key", "Software\\Classes\\.doc", "", std::nullopt},
  };
  for (const auto &row : cases) {
    SCOPED_TRACE(row.what);
    auto value = registry.Value(row.key, row.name);
    EXPECT_EQ(DataOf(value), row.data);
    if (value) {
      EXPECT_EQ(value->expandable, row.expandable);
    }
  }
}

TEST(WineRegistryText, DamagedTextGivesNothingOrWhatCanBeRead) {
  struct Case {
    std::string text;
    std::optional<std::string> a;
  };
  const std::vector<Case> cases = {
      {"", std::nullopt},
      {"[", std::nullopt},
      {"[Key\\\\Name\n\"a\"=\"x\"", std::nullopt},
      {"[Key]\n\"a\"", std::nullopt},
      {"[Key]\n\"a\"=", std::nullopt},
      {"[Key]\n\"a\"=str(2):", std::nullopt},
      {"[Key]\n\"a\"=\"\\", std::nullopt},
      {"[Key]\n\"a\"=\"\\x", std::nullopt},
      {"[Key]\n\"a\"=\"x\"\"", "x"},
      {"[Key]\n\"a\"=hex(2):4", ""},
      {"[Key]\n\"a\"=hex(2):41,00,4", "A"},
      {"[Key]\n\"a\"=hex(2):41,00,\\", "A"},
      {std::string("[Key]\n\"a\"=\"b\0c\"\n", 16), std::string("b\0c", 3)},
  };
  for (const auto &row : cases) {
    SCOPED_TRACE(row.text);
    const WineRegistryText registry(row.text);
    EXPECT_EQ(DataOf(registry.Value("Key", "a")), row.a);
    EXPECT_FALSE(registry.Value("Key", ""));
  }
}

TEST(WineRegistryText, WindowsLineEndings) {
  const WineRegistryText registry("[A\\\\B] 1\r\n\"v\"=\"x\"\r\n@=hex(2):41,00,\\\r\n  42,00\r\n");
  EXPECT_EQ(DataOf(registry.Value("a\\b", "v")), "x");
  EXPECT_EQ(DataOf(registry.Value("A\\B", "")), "AB");
}

TEST(ReadWineRegistryValue, SeesAFileRewrittenWithTheSameSizeAndTime) {
  TempDir dir;
  const fs::path file = dir / "system.reg";
  WriteBytes(file, "[K]\n\"v\"=\"one\"\n");
  EXPECT_EQ(DataOf(platform::ReadWineRegistryValue(file.string(), "K", "v")), "one");
  const auto time = fs::last_write_time(file);
  WriteBytes(file, "[K]\n\"v\"=\"two\"\n");
  fs::last_write_time(file, time);
  EXPECT_EQ(DataOf(platform::ReadWineRegistryValue(file.string(), "K", "v")), "two");
  EXPECT_FALSE(platform::ReadWineRegistryValue((dir / "user.reg").string(), "K", "v"));
}

namespace {

// A prefix with drive C:, made-up associations in its hives, and some documents.
class AssociationPrefix {
public:
  AssociationPrefix() {
    root_ = fs::canonical(dir_.path());
    fs::create_directories(root_ / "drive_c" / "docs");
    fs::create_directories(root_ / "dosdevices");
    fs::create_directory_symlink("../drive_c", root_ / "dosdevices" / "c:");
    WriteBytes(root_ / "system.reg", R"(WINE REGISTRY Version 2
[Software\\Classes\\.txt] 1
@="txtfile"
[Software\\Classes\\txtfile\\shell\\open\\command] 1
@="\"C:\\Program Files\\Editor\\edit.exe\" \"%1\""
[Software\\Classes\\.log] 1
@="logfile"
[Software\\Classes\\logfile\\shell\\open\\command] 1
@=str(2):"%SystemRoot%\\system32\\notepad.exe %1"
[Software\\Classes\\.doc] 1
@="docfile"
[Software\\Classes\\.long] 1
@="longfile"
[Software\\Classes\\longfile\\shell\\open\\command] 1
@="C:\\)" + std::string(300, 'L') + R"(.exe"
)");
    for (const char *name : {"a.txt", "b.log", "c.doc", "d.xyz", "Tool.EXE", "e.long"})
      WriteBytes(root_ / "drive_c" / "docs" / name, "x");
    env_ = std::make_unique<ScopedEnv>("WINEPREFIX", root_);
  }
  void AddUserClasses() const {
    WriteBytes(root_ / "user.reg", R"(WINE REGISTRY Version 2
[Software\\Classes\\.TXT] 1
@="mytext"
[Software\\Classes\\mytext\\shell\\open\\command] 1
@="C:\\Tools\\mine.exe %1"
)");
  }
  fs::path docs() const { return root_ / "drive_c" / "docs"; }

private:
  TempDir dir_;
  fs::path root_;
  std::unique_ptr<ScopedEnv> env_;
};

struct Lookup {
  intptr_t answer;
  std::string program;
};

Lookup Find(const char *file, const char *directory) {
  char result[platform::kShellResultSize];
  std::memset(result, 'Q', sizeof result);
  const intptr_t answer = platform::FindExecutableA(file, directory, result);
  const void *end = std::memchr(result, '\0', sizeof result);
  EXPECT_NE(end, nullptr) << "result not terminated";
  return {answer, end ? std::string(result) : std::string()};
}

} // namespace

TEST(FindExecutableA, FollowsTheAssociationsOfThePrefix) {
  AssociationPrefix wine;
  struct Case {
    const char *what;
    const char *file;
    const char *directory;
    intptr_t answer; // 0: any success
    std::string program;
  };
  const std::vector<Case> cases = {
      {"quoted program of the open command", "C:\\docs\\a.txt", nullptr, 0,
       "C:\\Program Files\\Editor\\edit.exe"},
      {"expandable command, name relative to the directory", "B.LOG", "C:\\docs", 0,
       "C:\\windows\\system32\\notepad.exe"},
      {"a program names itself", "tool.exe", "C:\\docs\\", 0, "C:\\docs\\tool.exe"},
      {"missing document", "C:\\docs\\missing.txt", nullptr, platform::kShellFileNotFound, ""},
      {"missing program with the name of an executable", "C:\\docs\\gone.exe", nullptr,
       platform::kShellFileNotFound, ""},
      {"extension without a class", "C:\\docs\\d.xyz", nullptr, platform::kShellNoAssociation, ""},
      {"class without an open command", "c.doc", "C:\\docs", platform::kShellNoAssociation, ""},
      {"empty name", "", nullptr, platform::kShellFileNotFound, ""},
      {"program name longer than the result", "C:\\docs\\e.long", nullptr, 0,
       "C:\\" + std::string(platform::kShellResultSize - 4, 'L')},
  };
  for (const auto &row : cases) {
    SCOPED_TRACE(row.what);
    const Lookup found = Find(row.file, row.directory);
    if (row.answer == 0)
      EXPECT_GT(found.answer, 32);
    else
      EXPECT_EQ(found.answer, row.answer);
    EXPECT_EQ(found.program, row.program);
  }
}

TEST(FindExecutableA, UserClassesComeBeforeTheMachines) {
  AssociationPrefix wine;
  wine.AddUserClasses();
  EXPECT_EQ(Find("C:\\docs\\a.txt", nullptr).program, "C:\\Tools\\mine.exe");
  EXPECT_EQ(Find("C:\\docs\\b.log", nullptr).program, "C:\\windows\\system32\\notepad.exe");
}

TEST(FindExecutableA, RelativeNameWithoutDirectoryStartsAtTheCurrentDirectory) {
  AssociationPrefix wine;
  const fs::path old = fs::current_path();
  fs::current_path(wine.docs());
  const Lookup program = Find("Tool.EXE", nullptr);
  const Lookup document = Find("a.txt", "");
  fs::current_path(old);
  EXPECT_EQ(program.program, "C:\\docs\\Tool.EXE");
  EXPECT_EQ(document.program, "C:\\Program Files\\Editor\\edit.exe");
}
