// Writes the files of the comparison script into a folder: system.dll (184 groups,
// 1,840 icons, about 13.7 MB), large.dll (300 groups, 11 MB), bar10000.bar, and a
// Wine-like prefix ("prefix": drive C: with a Windows folder whose system32 holds about
// 3,000 files, and Total Commander in C:\totalcmd) with two bars of 88 buttons, one of
// programs and icon files of which many are not found, one of internal commands only.
#include "fixtures/BarBuilder.h"
#include "fixtures/LargeModules.h"
#include "fixtures/PeBuilder.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

constexpr int kBarButtons = 88;
constexpr int kSystem32Files = 3000;

bool Write(const fs::path &file, const std::string &bytes) {
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);
  std::ofstream out(file, std::ios::binary);
  out << bytes;
  return static_cast<bool>(out.flush());
}

// A folder of `count` empty files named as Wine names its built-in libraries, and the
// given real modules among them.
bool WriteFolder(const fs::path &dir, const std::string &stem, int count) {
  for (int i = 0; i < count; ++i) {
    const char *extension = i % 5 == 0 ? ".exe" : i % 7 == 0 ? ".sys" : ".dll";
    if (!Write(dir / (stem + std::to_string(i) + extension), std::string()))
      return false;
  }
  return true;
}

// The registry file of a fresh prefix, as far as the search path goes.
std::string SystemRegistry() {
  return "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n"
         "[System\\\\CurrentControlSet\\\\Control\\\\Session Manager\\\\Environment] 1700000000\n"
         "\"PATH\"=str(2):\"C:\\\\windows\\\\system32;C:\\\\windows;"
         "C:\\\\windows\\\\system32\\\\wbem;C:\\\\windows\\\\system32\\\\WindowsPowershell\\\\v1."
         "0\"\n"
         "\"windir\"=str(2):\"C:\\\\windows\"\n";
}

// Total Commander's command list: the internal commands the second bar uses.
std::string CommandList() {
  std::string inc = "[_______Bench_______]=0\r\n";
  for (int i = 1; i <= kBarButtons; ++i)
    inc += "cm_Command" + std::to_string(i) + "=" + std::to_string(100 + i) + ";Command " +
           std::to_string(i) + "\r\n";
  return inc;
}

std::string Button(int n, const std::string &icon, const std::string &cmd) {
  const std::string k = std::to_string(n);
  return "button" + k + "=" + icon + "\r\ncmd" + k + "=" + cmd + "\r\nmenu" + k + "=Button " + k +
         "\r\n";
}

// Programs and icon files as real bars name them: found on the search path, in Windows'
// folder, by full name, and, for half of the buttons, not found: bare names the whole
// search path is searched for (with every executable extension when written without
// one), full names in folders that do not exist, icon files beside Total Commander.
std::string ProgramBar() {
  std::string bar = "[Buttonbar]\r\nButtoncount=" + std::to_string(kBarButtons) + "\r\n";
  for (int i = 1; i <= kBarButtons; ++i) {
    const std::string k = std::to_string(i);
    switch (i % 6) {
    case 0:
      bar += Button(i, "shell32.dll," + std::to_string(i % 20), "notepad.exe");
      break;
    case 1:
      bar += Button(i, "tool" + k + ".exe", "tool" + k + ".exe");
      break;
    case 2:
      bar += Button(i, "%COMMANDER_PATH%\\icons\\app" + k + ".ico",
                    "\"C:\\Program Files\\Vendor " + k + "\\app.exe\"");
      break;
    case 3:
      bar += Button(i, "", "helper" + k);
      break;
    case 4:
      bar += Button(i, "C:\\windows\\system32\\lib" + k + ".dll,0", "C:\\windows\\regedit.exe");
      break;
    default:
      bar += Button(i, "%COMMANDER_PATH%\\WCMICONS.DLL," + std::to_string(i % 20),
                    "%COMMANDER_PATH%\\TOTALCMD.EXE");
      break;
    }
  }
  return bar;
}

std::string InternalBar() {
  std::string bar = "[Buttonbar]\r\nButtoncount=" + std::to_string(kBarButtons) + "\r\n";
  for (int i = 1; i <= kBarButtons; ++i)
    bar += Button(i, "%COMMANDER_PATH%\\WCMICONS.DLL," + std::to_string(i % 20),
                  "cm_Command" + std::to_string(i));
  return bar;
}

bool WritePrefix(const fs::path &prefix) {
  const fs::path c = prefix / "drive_c";
  const fs::path windows = c / "windows";
  const fs::path tc = c / "totalcmd";
  const std::string icons = fixtures::BuildIconModule(20);
  std::error_code ec;
  fs::create_directories(prefix / "dosdevices", ec);
  fs::remove(prefix / "dosdevices" / "c:", ec);
  fs::create_directory_symlink("../drive_c", prefix / "dosdevices" / "c:", ec);
  return !ec && Write(prefix / "system.reg", SystemRegistry()) &&
         WriteFolder(windows / "system32", "lib", kSystem32Files) &&
         WriteFolder(windows / "system32" / "wbem", "wbem", 40) &&
         WriteFolder(windows, "win", 60) && Write(windows / "system32" / "shell32.dll", icons) &&
         Write(windows / "system32" / "notepad.exe", std::string("MZ")) &&
         Write(windows / "regedit.exe", std::string("MZ")) &&
         Write(tc / "TOTALCMD.EXE", std::string("MZ")) && Write(tc / "WCMICONS.DLL", icons) &&
         Write(tc / "Totalcmd.inc", CommandList()) &&
         Write(tc / "wincmd.ini", "[Configuration]\r\n") &&
         Write(c / "bars" / "programs.bar", ProgramBar()) &&
         Write(c / "bars" / "internal.bar", InternalBar());
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fputs("usage: make_bench_files FOLDER\n", stderr);
    return 2;
  }
  const fs::path dir = argv[1];
  std::error_code ec;
  fs::create_directories(dir, ec);
  const bool written =
      Write(dir / "system.dll",
            fixtures::PaddedIconModule(fixtures::kSystemDllGroups, fixtures::kSystemDllSize)) &&
      Write(dir / "large.dll",
            fixtures::PaddedIconModule(fixtures::kLargeModuleGroups, fixtures::kLargeModuleSize)) &&
      Write(dir / "bar10000.bar",
            fixtures::GenerateBar(10000, "C:\\Windows\\system32\\shell32.dll", 184)) &&
      WritePrefix(dir / "prefix");
  if (!written) {
    std::fprintf(stderr, "make_bench_files: cannot write into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
