// The fuzz targets' seed files are made by the icon fixtures; the committed ones must be
// what the fixtures make today. The seeds hold PNG images as libpng writes them, so the
// suite is built where libpng is the PNG codec.
#include "fixtures/IcoBuilder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

// The fuzz seeds are generated; CORVANE_WRITE_SEEDS=1 writes them after a change.
TEST(FuzzSeeds, CommittedSeedsAreWhatTheGeneratorMakes) {
  const auto root = testsupport::TestData("").parent_path().parent_path().parent_path();
  const bool write = std::getenv("CORVANE_WRITE_SEEDS") != nullptr;
  for (const auto &[folder, seeds] :
       {std::pair{"ico", fixtures::IcoSeeds()}, std::pair{"icl", fixtures::IclSeeds()}}) {
    for (const auto &[name, bytes] : seeds) {
      const auto file = root / "fuzz" / "corpus" / folder / name;
      SCOPED_TRACE(file.string());
      EXPECT_LT(bytes.size(), 4096u) << "seeds stay small";
      if (write)
        testsupport::WriteBytes(file, bytes);
      ASSERT_TRUE(std::filesystem::exists(file));
      EXPECT_EQ(testsupport::ReadBytes(file), bytes);
    }
  }
}

} // namespace
