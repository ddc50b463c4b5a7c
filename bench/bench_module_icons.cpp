// Counting and extracting the icons of a module with 300 group icons (three images each,
// 900 icon resources): what the icon picker does when a user points it at a large DLL.
// The count must stay under 1 ms; reading the file is part of every measurement.
#include "fixtures/PeBuilder.h"
#include "platform/ModuleResources.h"
#include "platform/HostFiles.h"
#include "platform/IconHandle.h"

#include <array>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

constexpr int kGroups = 300;

// The module, written once per run to a temporary file (copy 0 or 1); its Windows name.
const std::string &ModuleFile(int copy = 0) {
  static const std::array<std::string, 2> names = [] {
    auto dir = std::filesystem::temp_directory_path() /
               ("corvane-bench-icons-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string module = fixtures::BuildIconModule(kGroups);
    std::array<std::string, 2> result;
    for (int i = 0; i < 2; ++i) {
      auto file = dir / ("icons300-" + std::to_string(i) + ".dll");
      std::ofstream(file, std::ios::binary) << module;
      result[static_cast<size_t>(i)] = platform::WindowsName(file.string());
    }
    return result;
  }();
  return names[static_cast<size_t>(copy)];
}

// The shell functions keep the last module they parsed; alternating between two copies
// makes every count read and parse its file afresh, as the first look at a DLL does.
void BM_CountIcons(benchmark::State &state) {
  int copy = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(platform::ExtractIconCountA(ModuleFile(copy)));
    copy ^= 1;
  }
  state.counters["groups"] = platform::ExtractIconCountA(ModuleFile());
}

// Loading the module and listing its groups with their bytes, as the icon library does.
void BM_LoadAndFindGroups(benchmark::State &state) {
  const std::string &file = ModuleFile();
  for (auto _ : state) {
    auto module = platform::ResourceModule::Load(file);
    for (const platform::ResourceName &name : module->EnumResourceNames(platform::RT_GROUP_ICON))
      benchmark::DoNotOptimize(module->FindResource(platform::RT_GROUP_ICON, name));
  }
}

// Every icon of the module at the system's icon size, one shell call per icon, as the
// icon picker fills its list.
void BM_ExtractEveryIcon(benchmark::State &state) {
  const std::string &file = ModuleFile();
  for (auto _ : state) {
    unsigned count = platform::ExtractIconCountA(file);
    for (unsigned i = 0; i < count; ++i)
      benchmark::DoNotOptimize(platform::ExtractIconA(file, static_cast<int>(i)));
  }
  state.counters["icons"] = platform::ExtractIconCountA(file);
}

} // namespace

BENCHMARK(BM_CountIcons)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_LoadAndFindGroups)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ExtractEveryIcon)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
