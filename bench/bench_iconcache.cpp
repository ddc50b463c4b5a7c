// Saving a 1,000-button bar in "Links to icl" mode with its icon cache rebuilt, the
// buttons' icons spread over 40 modules and 10 .ico files.
#include "BenchFolder.h"
#include "document/ButtonList.h"
#include "fixtures/IconImages.h"
#include "fixtures/PeBuilder.h"
#include "platform/HostFiles.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

void Write(const std::filesystem::path &file, const std::string &bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

// Forty modules of ten group icons and ten .ico files; returns their Windows names.
std::vector<std::string> IconFiles(const std::filesystem::path &dir) {
  std::vector<std::string> names;
  const std::string module = fixtures::BuildIconModule(10);
  for (int i = 0; i < 40; ++i) {
    Write(dir / ("module" + std::to_string(i) + ".dll"), module);
    names.push_back(
        platform::WindowsName((dir / ("module" + std::to_string(i) + ".dll")).string()));
  }
  fixtures::IconEntry entry;
  entry.image = fixtures::SolidDib(32, 32, 0xFF3060A0);
  entry.width = entry.height = 32;
  const std::string ico = fixtures::MakeIcoFile({entry});
  for (int i = 0; i < 10; ++i) {
    Write(dir / ("icon" + std::to_string(i) + ".ico"), ico);
    names.push_back(platform::WindowsName((dir / ("icon" + std::to_string(i) + ".ico")).string()));
  }
  return names;
}

void BM_SaveWithIconCache(benchmark::State &state) {
  const auto dir = bench::BenchDir("cache");
  const auto files = IconFiles(dir);
  ButtonBar bar("", "");
  for (int i = 0; i < 1000; ++i) {
    const int position = bar.Add();
    bar.SetField(position, bfIconRef,
                 files[size_t(i) % files.size()] + "," + std::to_string(i % 10));
    bar.SetField(position, bfCommand, "C:\\Tools\\tool" + std::to_string(i) + ".exe");
  }
  bar.CacheMode = CacheLinks;
  const std::string file = platform::WindowsName((dir / "cached.bar").string());
  for (auto _ : state) {
    bar.SaveTo(file);
    benchmark::DoNotOptimize(bar.CacheMap.size());
  }
  state.counters["cached icons"] = static_cast<double>(bar.CacheMap.size());
}

} // namespace

BENCHMARK(BM_SaveWithIconCache)->Unit(benchmark::kMillisecond);
