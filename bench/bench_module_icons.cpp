// Counting and extracting the icons of a module with 300 group icons (three images each,
// 900 icon resources): what the icon picker does when a user points it at a large DLL.
// The count must stay under 1 ms; reading the file is part of every measurement.
#include "fixtures/PeBuilder.h"
#include "icons/ModuleResources.h"
#include "platform/HostFiles.h"
#include "platform/IconHandle.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

constexpr int kGroups = 300;

// The module, written once per run to a temporary file; its Windows name.
const std::string &ModuleFile() {
  static const std::string name = [] {
    auto dir = std::filesystem::temp_directory_path() /
               ("corvane-bench-icons-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    auto file = dir / "icons300.dll";
    std::ofstream(file, std::ios::binary) << fixtures::BuildIconModule(kGroups);
    return platform::WindowsName(file.string());
  }();
  return name;
}

void BM_CountIcons(benchmark::State &state) {
  const std::string &file = ModuleFile();
  for (auto _ : state)
    benchmark::DoNotOptimize(platform::ExtractIconCountA(file));
  state.counters["groups"] = platform::ExtractIconCountA(file);
}

// Loading the module and listing its groups with their bytes, as the icon library does.
void BM_LoadAndFindGroups(benchmark::State &state) {
  const std::string &file = ModuleFile();
  for (auto _ : state) {
    auto module = icons::ResourceModule::Load(file);
    for (const icons::ResourceName &name : module->EnumResourceNames(icons::RT_GROUP_ICON))
      benchmark::DoNotOptimize(module->FindResource(icons::RT_GROUP_ICON, name));
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
