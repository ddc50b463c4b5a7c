// Writes the files of the comparison script into a folder: system.dll (184 groups,
// 1,840 icons, about 13.7 MB), large.dll (300 groups, 11 MB) and bar10000.bar.
#include "fixtures/BarBuilder.h"
#include "fixtures/LargeModules.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

bool Write(const std::filesystem::path &file, const std::string &bytes) {
  std::ofstream out(file, std::ios::binary);
  out << bytes;
  return static_cast<bool>(out.flush());
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fputs("usage: make_bench_files FOLDER\n", stderr);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  const bool written =
      Write(dir / "system.dll",
            fixtures::PaddedIconModule(fixtures::kSystemDllGroups, fixtures::kSystemDllSize)) &&
      Write(dir / "large.dll",
            fixtures::PaddedIconModule(fixtures::kLargeModuleGroups, fixtures::kLargeModuleSize)) &&
      Write(dir / "bar10000.bar",
            fixtures::GenerateBar(10000, "C:\\Windows\\system32\\shell32.dll", 184));
  if (!written) {
    std::fprintf(stderr, "make_bench_files: cannot write into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
