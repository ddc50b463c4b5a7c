// Counting, listing and extracting the icons of modules the size of a system DLL: 300
// group icons in 11 MB, and 184 groups of ten images (1,840 icons) in 13.7 MB, most of
// each file a resource that is no icon. What the icon picker and `corvane-cli icons` do
// when a user points them at a large DLL. Counting reads the headers and the resource
// directory only: its time must not grow with the file. Every measurement opens and
// reads the file anew. Reports only; asserts nothing.
#include "BenchFolder.h"
#include "fixtures/LargeModules.h"
#include "icons/IconLibrary.h"
#include "platform/HostFiles.h"
#include "platform/IconHandle.h"
#include "platform/ModuleResources.h"

#include <array>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

// Two copies of a module (0 and 1) as Windows names, written once per run.
using Copies = std::array<std::string, 2>;

Copies WriteCopies(const std::string &stem, const std::string &module) {
  Copies names;
  for (size_t i = 0; i < names.size(); ++i) {
    const auto file = bench::BenchDir("modules") / (stem + "-" + std::to_string(i) + ".dll");
    std::ofstream(file, std::ios::binary) << module;
    names[i] = platform::WindowsName(file.string());
  }
  return names;
}

// The 300-group module of 11 MB.
const Copies &LargeModule() {
  static const Copies names =
      WriteCopies("large", fixtures::PaddedIconModule(fixtures::kLargeModuleGroups,
                                                      fixtures::kLargeModuleSize));
  return names;
}

// The module of 1,840 icons in 13.7 MB.
const Copies &SystemDll() {
  static const Copies names = WriteCopies(
      "system", fixtures::PaddedIconModule(fixtures::kSystemDllGroups, fixtures::kSystemDllSize));
  return names;
}

const Copies &Module(const benchmark::State &state) {
  return state.range(0) == fixtures::kLargeModuleGroups ? LargeModule() : SystemDll();
}

void Report(benchmark::State &state, const std::string &file) {
  state.counters["groups"] = platform::ExtractIconCountA(file);
  state.counters["MB"] = static_cast<double>(platform::GetFileStamp(file)->size) / 1e6;
}

// ExtractIconA with index -1. The shell functions keep the last module they parsed;
// alternating between two copies makes every count open and parse its file afresh, as
// the first look at a DLL does.
void BM_CountIcons(benchmark::State &state) {
  const Copies &files = Module(state);
  size_t copy = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(platform::ExtractIconCountA(files[copy]));
    copy ^= 1;
  }
  Report(state, files[0]);
}

// Loading the module and reading every group directory, as the icon library does first.
void BM_LoadAndReadGroups(benchmark::State &state) {
  const std::string &file = Module(state)[0];
  for (auto _ : state) {
    auto module = platform::ResourceModule::Load(file);
    for (const platform::ResourceName &name : module->EnumResourceNames(platform::RT_GROUP_ICON))
      benchmark::DoNotOptimize(module->ReadResource(platform::RT_GROUP_ICON, name));
  }
  Report(state, file);
}

// Every icon with all its images, as `corvane-cli icons` and the icon cache load them.
void BM_LoadIconLibrary(benchmark::State &state) {
  const std::string &file = Module(state)[0];
  for (auto _ : state) {
    icons::TIconLibrary library;
    library.LoadFromFile(file);
    if (library.Icons.Count() != state.range(0))
      state.SkipWithError("the module did not load");
  }
  Report(state, file);
}

// Every icon of the module at the system's icon size, one shell call per icon, as the
// icon picker fills its list.
void BM_ExtractEveryIcon(benchmark::State &state) {
  const std::string &file = Module(state)[0];
  for (auto _ : state) {
    unsigned count = platform::ExtractIconCountA(file);
    for (unsigned i = 0; i < count; ++i)
      benchmark::DoNotOptimize(platform::ExtractIconA(file, static_cast<int>(i)));
  }
  Report(state, file);
}

} // namespace

BENCHMARK(BM_CountIcons)
    ->Arg(fixtures::kLargeModuleGroups)
    ->Arg(fixtures::kSystemDllGroups)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_LoadAndReadGroups)
    ->Arg(fixtures::kLargeModuleGroups)
    ->Arg(fixtures::kSystemDllGroups)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_LoadIconLibrary)
    ->Arg(fixtures::kSystemDllGroups)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ExtractEveryIcon)
    ->Arg(fixtures::kLargeModuleGroups)
    ->Arg(fixtures::kSystemDllGroups)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
