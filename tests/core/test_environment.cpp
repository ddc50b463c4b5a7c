// The Windows-like environment: case-insensitive names, Windows defaults, and "Path"
// taken from the Wine prefix's registry instead of the host's PATH.
#include "platform/Environment.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace fs = std::filesystem;
using testsupport::ScopedEnv;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

const char kDefaultPath[] = "C:\\windows\\system32;C:\\windows;C:\\windows\\system32\\wbem";

std::optional<std::string> Value(const char *name) {
  return platform::EnvironmentValue(name);
}

// A prefix folder with the given keys in its system.reg and user.reg (no file for empty
// keys), set as WINEPREFIX while the object lives.
class RegistryPrefix {
public:
  explicit RegistryPrefix(const std::string &systemKeys, const std::string &userKeys = "") {
    if (!systemKeys.empty())
      WriteBytes(dir_ / "system.reg", "WINE REGISTRY Version 2\n\n" + systemKeys);
    if (!userKeys.empty())
      WriteBytes(dir_ / "user.reg", "WINE REGISTRY Version 2\n\n" + userKeys);
    env_ = std::make_unique<ScopedEnv>("WINEPREFIX", dir_.path());
  }

private:
  TempDir dir_;
  std::unique_ptr<ScopedEnv> env_;
};

// The system's environment key holding the given line (nothing when it is empty).
std::string EnvironmentKey(const std::string &line) {
  if (line.empty())
    return {};
  return "[System\\\\CurrentControlSet\\\\Control\\\\Session Manager\\\\Environment] 1\n"
         "\"ComSpec\"=\"C:\\\\windows\\\\system32\\\\cmd.exe\"\n" +
         line + "\n";
}

} // namespace

TEST(GetEnvironmentVariableA, CountsLikeThePlatform) {
  ScopedEnv var("CORVANE_TEST_VALUE", "abc");
  ScopedEnv empty("CORVANE_TEST_EMPTY", "");
  ScopedEnv unset("CORVANE_TEST_UNSET", nullptr);
  struct Case {
    const char *what;
    const char *name;
    bool withBuffer;
    uint32_t size;
    uint32_t answer;
    std::string copied; // what the buffer holds afterwards, when it was big enough
  };
  const std::vector<Case> cases = {
      {"no buffer asks for the size with its zero", "CORVANE_TEST_VALUE", false, 0, 4, ""},
      {"buffer one too small", "CORVANE_TEST_VALUE", true, 3, 4, ""},
      {"exact fit", "CORVANE_TEST_VALUE", true, 4, 3, "abc"},
      {"name in other letter case", "corvane_Test_value", true, 10, 3, "abc"},
      {"unset variable", "CORVANE_TEST_UNSET", true, 10, 0, ""},
      {"empty variable", "CORVANE_TEST_EMPTY", true, 10, 0, ""},
  };
  for (const auto &row : cases) {
    SCOPED_TRACE(row.what);
    char buffer[16];
    std::memset(buffer, 'Q', sizeof buffer);
    EXPECT_EQ(
        platform::GetEnvironmentVariableA(row.name, row.withBuffer ? buffer : nullptr, row.size),
        row.answer);
    if (row.answer < row.size && row.withBuffer) {
      EXPECT_EQ(std::string(buffer), row.copied);
    }
  }
}

TEST(EnvironmentValue, ExactSpellingWinsOverOtherLetterCase) {
  ScopedEnv exact("CorvaneMixed", "exact");
  ScopedEnv upper("CORVANEMIXED", "upper");
  EXPECT_EQ(Value("CorvaneMixed"), "exact");
  EXPECT_EQ(Value("CORVANEMIXED"), "upper");
  EXPECT_TRUE(Value("corvanemixed").has_value());
  EXPECT_FALSE(Value("CorvaneMixed=x"));
  EXPECT_FALSE(Value(""));
}

TEST(EnvironmentValue, WindowsDirectoryVariablesDefaultToCWindows) {
  for (const char *name : {"WINDIR", "SystemRoot"}) {
    SCOPED_TRACE(name);
    ScopedEnv unsetUpper(name, nullptr);
    EXPECT_EQ(Value(name), "C:\\windows");
    ScopedEnv set(name, "D:\\win");
    EXPECT_EQ(Value(name), "D:\\win");
  }
  char buffer[261];
  EXPECT_EQ(platform::GetWindowsDirectoryA(buffer, sizeof buffer), 10u);
  EXPECT_STREQ(buffer, "C:\\windows");
  EXPECT_EQ(platform::GetWindowsDirectoryA(buffer, 10), 11u);
}

// The variables Wine sets for every Windows program: the process environment, else the
// prefix's registry, else Wine's defaults; never the host's TEMP or TMP.
TEST(EnvironmentValue, WineVariablesComeFromThePrefixElseWinesDefaults) {
  const std::string systemKeys = EnvironmentKey(R"("windir"=str(2):"%SystemRoot%"
"CIRCLE"=str(2):"%ROUND%"
"ROUND"=str(2):"%CIRCLE%")") + R"([Software\\Microsoft\\Windows\\CurrentVersion] 1
"ProgramFilesDir"="D:\\Apps"
[Software\\Microsoft\\Windows NT\\CurrentVersion] 1
"SystemRoot"="D:\\win"
[Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList] 1
"ProgramData"=str(2):"%SystemDrive%\\Data"
"Public"="D:\\Public"
)";
  const std::string userKeys = R"([Environment] 1
"TEMP"=str(2):"%USERPROFILE%\\Temp"
[Volatile Environment] 1
"USERPROFILE"="D:\\home\\wine"
[Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders] 1
"Local AppData"="D:\\local"
)";
  std::vector<std::unique_ptr<ScopedEnv>> unset;
  for (const char *name : {"ProgramFiles", "ProgramFiles(x86)", "CommonProgramFiles", "ProgramData",
                           "ALLUSERSPROFILE", "PUBLIC", "APPDATA", "LOCALAPPDATA", "USERPROFILE",
                           "USERNAME", "TMP", "SystemRoot", "windir", "WINDIR", "SystemDrive"})
    unset.push_back(std::make_unique<ScopedEnv>(name, nullptr));
  ScopedEnv hostTemp("TEMP", "/tmp");
  struct Case {
    const char *what;
    bool registry;
    const char *user; // USER
    const char *name;
    const char *processValue; // the variable in the process environment; null: unset
    std::optional<std::string> value;
  };
  const std::vector<Case> cases = {
      {"default", false, "me", "ProgramFiles", nullptr, "C:\\Program Files"},
      {"default", false, "me", "ProgramFiles(x86)", nullptr, "C:\\Program Files (x86)"},
      {"default", false, "me", "CommonProgramFiles", nullptr, "C:\\Program Files\\Common Files"},
      {"default", false, "me", "ALLUSERSPROFILE", nullptr, "C:\\ProgramData"},
      {"default", false, "me", "PUBLIC", nullptr, "C:\\users\\Public"},
      {"default", false, "me", "APPDATA", nullptr, "C:\\users\\me\\AppData\\Roaming"},
      {"default: the host's TEMP is a host path", false, "me", "TEMP", "/tmp",
       "C:\\users\\me\\AppData\\Local\\Temp"},
      {"default", false, "me", "windir", nullptr, "C:\\windows"},
      {"default", false, "me", "SystemDrive", nullptr, "C:"},
      {"no user: no user's folder", false, nullptr, "USERPROFILE", nullptr, std::nullopt},
      {"no user: nothing below the user's folder", false, nullptr, "TMP", nullptr, std::nullopt},
      {"program folder of the registry", true, "me", "ProgramFiles", nullptr, "D:\\Apps"},
      {"a default made from a registry value", true, "me", "CommonProgramFiles", nullptr,
       "D:\\Apps\\Common Files"},
      {"profile list, expanded", true, "me", "ProgramData", nullptr, "C:\\Data"},
      {"volatile environment", true, "me", "USERPROFILE", nullptr, "D:\\home\\wine"},
      {"default from the registry's shell folder", true, "me", "TMP", nullptr, "D:\\local\\Temp"},
      {"user's environment, expanded", true, "me", "TEMP", "/tmp", "D:\\home\\wine\\Temp"},
      {"shell folder", true, "me", "LOCALAPPDATA", nullptr, "D:\\local"},
      {"default from the registry's user folder", true, "me", "APPDATA", nullptr,
       "D:\\home\\wine\\AppData\\Roaming"},
      {"system environment naming another variable", true, "me", "WINDIR", nullptr, "D:\\win"},
      {"the process environment first", true, "me", "APPDATA", "E:\\roam", "E:\\roam"},
      {"values naming each other in a circle end", true, "me", "CIRCLE", nullptr, "%ROUND%"},
      {"a variable nothing sets", true, "me", "CORVANE_NOTHING", nullptr, std::nullopt},
  };
  for (const auto &row : cases) {
    SCOPED_TRACE(std::string(row.what) + ": " + row.name);
    RegistryPrefix prefix(row.registry ? systemKeys : "", row.registry ? userKeys : "");
    ScopedEnv user("USER", row.user);
    ScopedEnv own(row.name, row.processValue);
    EXPECT_EQ(Value(row.name), row.value);
  }
}

TEST(EnvironmentValue, PathComesFromThePrefixRegistryNeverFromTheHost) {
  ScopedEnv hostPath("PATH", "/usr/local/bin:/usr/bin:/bin");
  ScopedEnv systemRoot("SystemRoot", nullptr);
  struct Case {
    const char *what;
    std::string registryLine; // empty: no system.reg at all
    std::string path;
  };
  const std::vector<Case> cases = {
      {"no registry: the Windows default", "", kDefaultPath},
      {"plain string", "\"PATH\"=\"C:\\\\tc;D:\\\\bin\"", "C:\\tc;D:\\bin"},
      {"expandable string with a reference",
       "\"PATH\"=str(2):\"%SystemRoot%\\\\system32;C:\\\\tc\"", "C:\\windows\\system32;C:\\tc"},
      {"a reference to Path itself stays", "\"Path\"=str(2):\"%PATH%;C:\\\\tc\"", "%PATH%;C:\\tc"},
      {"registry without PATH: the default", "\"Other\"=\"x\"", kDefaultPath},
      {"empty PATH stays empty", "\"PATH\"=\"\"", ""},
  };
  for (const auto &row : cases) {
    SCOPED_TRACE(row.what);
    RegistryPrefix prefix(EnvironmentKey(row.registryLine));
    for (const char *name : {"Path", "PATH", "path"})
      EXPECT_EQ(Value(name).value_or("(unset)"), row.path) << name;
  }
}

TEST(ExpandEnvironmentText, ExpandsSetVariablesAndKeepsTheRest) {
  ScopedEnv windir("WINDIR", nullptr);
  ScopedEnv tool("CORVANE_TOOL", "C:\\tool");
  ScopedEnv unset("CORVANE_UNSET", nullptr);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"%WINDIR%\\notepad.exe", "C:\\windows\\notepad.exe"},
      {"%corvane_tool%\\a;%CORVANE_TOOL%\\b", "C:\\tool\\a;C:\\tool\\b"},
      {"%CORVANE_UNSET%\\x", "%CORVANE_UNSET%\\x"},
      {"100% sure %WINDIR%", "100% sure C:\\windows"},
      {"50%", "50%"},
      {"%%", "%%"},
  };
  for (const auto &[text, expanded] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(platform::ExpandEnvironmentText(text), expanded);
  }
}
