// The bar check after one edit of a generated bar, whose programs, start paths and icon
// files are all missing: a full check against the check kept between edits.
#include "BenchFolder.h"
#include "document/BarDoctor.h"
#include "fixtures/BarBuilder.h"
#include "platform/HostFiles.h"

#include <benchmark/benchmark.h>
#include <fstream>

namespace {

// The program the benchmarks run as: a folder without settings.
std::string Program() {
  return platform::WindowsName((bench::BenchDir("doctor") / "corvane.exe").string());
}

std::unique_ptr<ButtonBar> TempBar(int count) {
  const auto file = bench::BenchDir("doctor") / ("bar" + std::to_string(count) + ".bar");
  std::ofstream(file, std::ios::binary)
      << fixtures::GenerateBar(count, "C:\\missing\\icons.icl", 40);
  return ButtonBar::Create(platform::WindowsName(file.string()), Program());
}

// One edit: the command of the middle button, changed back and forth.
void EditOneButton(ButtonBar &bar, int round) {
  bar.SetField(bar.Count() / 2, bfCommand, round % 2 ? "C:\\missing\\a.exe" : "C:\\missing\\b.exe");
}

void BM_FullCheckAfterEdit(benchmark::State &state) {
  auto bar = TempBar(static_cast<int>(state.range(0)));
  const doctor::DoctorContext context(Program());
  int round = 0;
  for (auto _ : state) {
    EditOneButton(*bar, ++round);
    benchmark::DoNotOptimize(doctor::CheckBar(*bar, bar->FileName, context).size());
  }
}

void BM_KeptCheckAfterEdit(benchmark::State &state) {
  auto bar = TempBar(static_cast<int>(state.range(0)));
  const doctor::DoctorContext context(Program());
  doctor::BarChecker checker(bar->FileName, context);
  checker.Check(*bar);
  int round = 0;
  for (auto _ : state) {
    EditOneButton(*bar, ++round);
    benchmark::DoNotOptimize(checker.Check(*bar).size());
  }
}

} // namespace

BENCHMARK(BM_FullCheckAfterEdit)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeptCheckAfterEdit)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
