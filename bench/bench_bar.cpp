// Loading and saving generated bars of growing size: the cost must grow linearly.
#include "BenchFolder.h"
#include "document/ButtonList.h"
#include "fixtures/BarBuilder.h"
#include "platform/HostFiles.h"
#include "platform/Profile.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

std::string TempBar(int count) {
  const auto file = bench::BenchDir("bars") / ("bar" + std::to_string(count) + ".bar");
  std::ofstream(file, std::ios::binary)
      << fixtures::GenerateBar(count, "C:\\missing\\icons.icl", 40);
  return platform::WindowsName(file.string());
}

void BM_LoadBar(benchmark::State &state) {
  const std::string file = TempBar(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    platform::FlushProfileCache(); // every load parses the file afresh
    ButtonBar bar(file, "");
    benchmark::DoNotOptimize(bar.Count());
  }
  state.SetComplexityN(state.range(0));
}

void BM_SaveBar(benchmark::State &state) {
  const std::string file = TempBar(static_cast<int>(state.range(0)));
  ButtonBar bar(file, "");
  for (auto _ : state) {
    bar.Modified = true;
    bar.Save();
  }
  state.SetComplexityN(state.range(0));
}

} // namespace

BENCHMARK(BM_LoadBar)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(BM_SaveBar)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
