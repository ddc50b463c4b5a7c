// Icon libraries: loading every icon of a 300-group 32-bit module and of a 300-icon
// .icl, and writing a 1,000-icon library. Repetitions report the median.
#include "BenchFolder.h"
#include "fixtures/PeBuilder.h"
#include "icons/IconLibrary.h"
#include "platform/HostFiles.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

// A generated module of `groups` group icons of three images each, as a Windows name.
std::string ModuleFile(int groups) {
  const auto file = bench::BenchDir("icons") / ("icons" + std::to_string(groups) + ".dll");
  std::ofstream(file, std::ios::binary) << fixtures::BuildIconModule(groups);
  return platform::WindowsName(file.string());
}

// The icons of a generated module written as an .icl.
std::string LibraryFile(int icons) {
  icons::TIconLibrary library;
  library.LoadFromFile(ModuleFile(icons));
  const std::string file = platform::WindowsName(
      (bench::BenchDir("icons") / ("icons" + std::to_string(icons) + ".icl")).string());
  library.SaveToFile(file);
  return file;
}

void BM_LoadModule(benchmark::State &state) {
  const std::string file = ModuleFile(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    icons::TIconLibrary library;
    library.LoadFromFile(file);
    if (library.Icons.Count() != state.range(0))
      state.SkipWithError("the module did not load");
  }
}

void BM_LoadIcl(benchmark::State &state) {
  const std::string file = LibraryFile(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    icons::TIconLibrary library;
    library.LoadFromFile(file);
    if (library.Icons.Count() != state.range(0))
      state.SkipWithError("the library did not load");
  }
}

void BM_SaveIcl(benchmark::State &state) {
  icons::TIconLibrary library;
  library.LoadFromFile(ModuleFile(static_cast<int>(state.range(0))));
  const std::string file =
      platform::WindowsName((bench::BenchDir("icons") / "written.icl").string());
  for (auto _ : state)
    library.SaveToFile(file);
}

// The same library built in memory only: the writer's own share of a save.
void BM_SaveIclBytes(benchmark::State &state) {
  icons::TIconLibrary library;
  library.LoadFromFile(ModuleFile(static_cast<int>(state.range(0))));
  for (auto _ : state)
    benchmark::DoNotOptimize(library.SaveToBytes());
}

} // namespace

BENCHMARK(BM_LoadModule)
    ->Arg(300)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_LoadIcl)
    ->Arg(300)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_SaveIcl)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_SaveIclBytes)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
