// The shell's icon extraction: how many icons a file holds, and which image of an icon
// is chosen and delivered at the system's icon size.
#include "fixtures/IconImages.h"
#include "fixtures/NeBuilder.h"
#include "fixtures/PeBuilder.h"
#include "platform/IconHandle.h"
#include "platform/ModuleResources.h"
#include "support/Corpus.h"
#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

using fixtures::IconEntry;
using fixtures::PeResource;
using platform::ExtractIconA;
using platform::ExtractIconCountA;
using platform::ResourceName;
using platform::RT_GROUP_ICON;
using platform::RT_ICON;

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kYellow = 0xFFFFFF00,
                   kGrey = 0xFF808080;

// A PE module with one group per entry list, group identifiers 1.., icon ids as given.
std::string ModuleOf(const std::vector<std::vector<IconEntry>> &groups, bool pe32plus = false) {
  std::vector<PeResource> resources;
  uint16_t group = 1;
  for (const auto &entries : groups) {
    for (const IconEntry &e : entries)
      resources.push_back({RT_ICON, ResourceName(e.id), 0, e.image});
    resources.push_back(
        {RT_GROUP_ICON, ResourceName(group++), 0, fixtures::MakeGroupIcon(entries)});
  }
  return fixtures::BuildPe(resources, pe32plus);
}

IconEntry Solid(int size, int bits, uint32_t colour, uint16_t id) {
  return {fixtures::SolidDib(size, bits, colour),
          static_cast<uint8_t>(size),
          static_cast<uint8_t>(size),
          0,
          1,
          static_cast<uint16_t>(bits),
          id};
}

class Files {
public:
  std::string Write(const std::string &name, const std::string &bytes) {
    testsupport::WriteBytes(dir_ / name, bytes);
    return (dir_ / name).string();
  }

private:
  testsupport::TempDir dir_;
};

TEST(IconCount, DependsOnTheKindOfFile) {
  Files files;
  std::string ico = fixtures::MakeIcoFile({Solid(16, 4, kRed, 0), Solid(32, 8, kRed, 0)});
  std::string cursor = ico;
  fixtures::Poke16(cursor, 2, 2);
  std::string ne = fixtures::BuildNe({{RT_GROUP_ICON, ResourceName(1), "g"},
                                      {RT_GROUP_ICON, ResourceName("TOOL"), "g"},
                                      {RT_ICON, ResourceName(1), "i"}});
  struct Case {
    const char *name;
    std::string bytes;
    unsigned count;
  } cases[] = {
      {"tool.ico", ico, 1},
      {"empty.ico", fixtures::MakeIcoFile({}), 0},
      {"pointer.cur", cursor, 0},
      {"three.dll", fixtures::BuildIconModule(3), 3},
      {"three64.dll", fixtures::BuildIconModule(3, true), 3},
      {"library.icl", ne, 2},
      {"strings.dll", fixtures::BuildPe({{6, ResourceName(1), 0, "text"}}), 0},
      {"readme.txt", "MZ is how this text starts, and nothing else", 0},
      {"dos.com", std::string("MZ") + std::string(100, '\0'), 0},
      {"notes.txt", "plain words", 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ExtractIconCountA(files.Write(c.name, c.bytes)), c.count);
  }
  EXPECT_EQ(ExtractIconCountA(files.Write("x", "") + "-missing"), 0u);
}

// Windows looks at the bytes, not at the name: "MZ" makes a module, an icon directory
// header an icon file, anything else holds no icon.
TEST(ExtractIcon, TheContentDecidesNotTheName) {
  Files files;
  const std::string ico = fixtures::MakeIcoFile({Solid(32, 32, kRed, 0)});
  const std::string twoGroups = ModuleOf({{Solid(32, 32, kGreen, 1)}, {Solid(32, 8, kBlue, 2)}});
  const std::string ne = fixtures::BuildNe(
      {{RT_GROUP_ICON, ResourceName(1), fixtures::MakeGroupIcon({Solid(32, 32, kBlue, 7)})},
       {RT_ICON, ResourceName(7), Solid(32, 32, kBlue, 7).image}});
  struct Case {
    const char *name;
    std::string bytes;
    unsigned count;
    std::optional<uint32_t> first; // colour of icon 0
  } cases[] = {
      {"star.dat", ico, 1, kRed},
      {"icon", ico, 1, kRed},
      {"icon-named.exe", ico, 1, kRed},
      {"module.ico", twoGroups, 2, kGreen},
      {"library.ico", ne, 1, kBlue},
      {"dos.ico", std::string("MZ") + std::string(100, '\0'), 0, std::nullopt},
      {"words.ico", "plain words", 0, std::nullopt},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = files.Write(c.name, c.bytes);
    EXPECT_EQ(ExtractIconCountA(file), c.count);
    auto icon = ExtractIconA(file, 0);
    ASSERT_EQ(static_cast<bool>(icon), c.first.has_value());
    if (icon) {
      EXPECT_EQ(icon.Pixels()->argb.front(), *c.first);
    }
  }
}

struct Choice {
  const char *name;
  std::vector<IconEntry> entries;
  uint32_t colour; // of the image that must be chosen, scaled to 32 x 32
};

class ImageChoice : public testing::TestWithParam<Choice> {};

// The chosen image arrives at 32 x 32 whatever its own size; each image has its own
// colour, so the colour tells which one was taken.
TEST_P(ImageChoice, PicksTheImageBestSuitedToThirtyTwoPixels) {
  Files files;
  std::string module = files.Write("m.dll", ModuleOf({GetParam().entries}));
  auto icon = ExtractIconA(module, 0);
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon.Pixels()->width, 32);
  EXPECT_EQ(icon.Pixels()->height, 32);
  EXPECT_EQ(icon.Pixels()->argb, std::vector<uint32_t>(32 * 32, GetParam().colour));
}

IconEntry Lying(IconEntry e, uint8_t size, uint16_t bits) {
  e.width = e.height = size;
  e.bitCount = bits;
  e.planes = 0;
  return e;
}

IconEntry Png(int size, uint32_t colour, uint16_t id) {
  return {fixtures::MakePng(size, size, std::vector<uint32_t>(size_t(size * size), colour)),
          0,
          0,
          0,
          1,
          8,
          id};
}

const Choice kChoices[] = {
    {"ExactSizeHighestDepth",
     {Solid(16, 32, kRed, 1), Solid(32, 4, kGreen, 2), Solid(32, 32, kBlue, 3),
      Solid(32, 8, kYellow, 4), Solid(48, 32, kGrey, 5)},
     kBlue},
    {"NearestSizeWhenThereIsNoThirtyTwo",
     {Solid(16, 32, kRed, 1), Solid(24, 8, kGreen, 2), Solid(64, 32, kBlue, 3)},
     kGreen},
    {"EqualDistanceGoesToTheDeeperImage", {Solid(16, 32, kRed, 1), Solid(48, 8, kGreen, 2)}, kRed},
    {"EqualDistanceAndDepthGoesToTheLargerImage",
     {Solid(16, 8, kRed, 1), Solid(48, 8, kGreen, 2)},
     kGreen},
    {"SizesAndDepthsComeFromTheImagesNotTheEntries",
     {Lying(Solid(16, 32, kRed, 1), 32, 32), Lying(Solid(32, 4, kGreen, 2), 16, 1)},
     kGreen},
    {"PngSaysZeroByZeroAndEightBits", {Solid(32, 8, kRed, 1), Png(32, kBlue, 2)}, kBlue},
    {"LargePngShrinks", {Png(256, kBlue, 1)}, kBlue},
    {"EmptyIconResourceIsPassedOver",
     {Solid(16, 4, kRed, 1),
      [] {
        IconEntry e = Solid(32, 32, kBlue, 2);
        e.image.clear(); // the group names icon 2, but icon 2 has no bytes to decode
        return e;
      }()},
     kRed},
    {"ImageCutInItsPixelsIsPassedOver",
     {Solid(16, 4, kRed, 1),
      [] {
        IconEntry e = Solid(32, 32, kBlue, 2);
        e.image.resize(e.image.size() - 200);
        return e;
      }()},
     kRed},
    {"UndecodableBestImageGivesWayToTheNext",
     {Solid(16, 4, kRed, 1),
      [] {
        // Alpha zero everywhere sends the decoder to the AND mask, which is cut short;
        // the header alone looks fine.
        IconEntry e = Solid(32, 32, 0x000000FF, 2);
        e.image.resize(e.image.size() - 1);
        return e;
      }()},
     kRed},
};

INSTANTIATE_TEST_SUITE_P(Cases, ImageChoice, testing::ValuesIn(kChoices),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(ExtractIcon, IndexesGroupsInEnumerationOrder) {
  Files files;
  // Groups with identifiers 1..3 in red, green, blue.
  std::string module = files.Write(
      "m.dll",
      ModuleOf({{Solid(32, 32, kRed, 1)}, {Solid(32, 32, kGreen, 2)}, {Solid(32, 32, kBlue, 3)}}));
  struct Case {
    int index;
    std::optional<uint32_t> colour;
  } cases[] = {{0, kRed},
               {1, kGreen},
               {2, kBlue},
               {3, std::nullopt},
               {100, std::nullopt},
               // Negative: the group whose identifier is -index.
               {-1, kRed},
               {-2, kGreen},
               {-3, kBlue},
               {-4, std::nullopt}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.index);
    auto icon = ExtractIconA(module, c.index);
    if (c.index < 0) {
      EXPECT_EQ(platform::IconGroupPosition(module, -c.index),
                c.colour ? std::optional<unsigned>(-c.index - 1) : std::nullopt);
    }
    ASSERT_EQ(static_cast<bool>(icon), c.colour.has_value());
    if (icon) {
      EXPECT_EQ(icon.Pixels()->argb.front(), *c.colour);
    }
  }
}

TEST(ExtractIcon, IconFilesOfferTheirBestImageAtIndexZeroOnly) {
  Files files;
  std::string ico =
      files.Write("a.ico", fixtures::MakeIcoFile({Solid(16, 4, kRed, 0), Solid(32, 32, kBlue, 0),
                                                  Solid(48, 8, kGreen, 0)}));
  auto icon = ExtractIconA(ico, 0);
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon.Pixels()->argb, std::vector<uint32_t>(32 * 32, kBlue));
  EXPECT_FALSE(ExtractIconA(ico, 1));
  EXPECT_FALSE(ExtractIconA(ico, -1));
}

TEST(ExtractIcon, NeModulesGoThroughTheirResourceTable) {
  Files files;
  IconEntry red = Solid(32, 8, kRed, 4), blue = Solid(32, 32, kBlue, 9);
  std::string ne =
      fixtures::BuildNe({{RT_ICON, ResourceName(9), blue.image},
                         {RT_GROUP_ICON, ResourceName("SECOND"), fixtures::MakeGroupIcon({blue})},
                         {RT_GROUP_ICON, ResourceName(1), fixtures::MakeGroupIcon({red})},
                         {RT_ICON, ResourceName(4), red.image}},
                        4);
  std::string file = files.Write("lib.icl", ne);
  ASSERT_EQ(ExtractIconCountA(file), 2u);
  auto first = ExtractIconA(file, 0);
  auto second = ExtractIconA(file, 1);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first.Pixels()->argb.front(), kBlue);
  EXPECT_EQ(second.Pixels()->argb.front(), kRed);
  EXPECT_FALSE(ExtractIconA(file, 2));
}

TEST(ExtractIcon, FilesWithoutIconsGiveNoHandle) {
  Files files;
  for (const std::string &name :
       {files.Write("t.txt", "text"), files.Write("s.dll", fixtures::BuildPe({})),
        files.Write("e.ico", fixtures::MakeIcoFile({}))}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(ExtractIconA(name, 0));
  }
  EXPECT_FALSE(ExtractIconA(files.Write("x", "") + "-missing", 0));
}

// ---- real files --------------------------------------------------------------------

std::optional<nlohmann::json> Manifest() {
  return testsupport::CorpusManifest();
}

// The count equals what Wine's ExtractIcon gave for each file; every counted icon of a
// sound file extracts at 32 x 32.
TEST(RealFiles, CountAndExtractLikeTheRecordedShell) {
  auto manifest = Manifest();
  if (!manifest)
    GTEST_SKIP() << "the shared corpus (../shared/corpus/manifest.json) is not there";
  for (const auto &file : (*manifest)["files"]) {
    SCOPED_TRACE(file["path"].get<std::string>());
    std::string path = (testsupport::SharedDir() / "corpus" / file["path"]).string();
    unsigned count = ExtractIconCountA(path);
    // Unlike Wine, a group whose bytes the end of a cut file took is not counted: no
    // icon could be drawn from it.
    unsigned cut = 0;
    for (const auto &group : file.value("groups", nlohmann::json::array()))
      cut += group.value("truncated", false) ? 1 : 0;
    EXPECT_EQ(count, file["wine"]["extract_count"].get<unsigned>() - cut);
    for (unsigned i = 0; i < count && file["category"] != "broken"; ++i) {
      auto icon = ExtractIconA(path, static_cast<int>(i));
      ASSERT_TRUE(icon);
      EXPECT_EQ(icon.Pixels()->width, 32);
      EXPECT_EQ(icon.Pixels()->height, 32);
    }
    EXPECT_FALSE(ExtractIconA(path, static_cast<int>(count)));
  }
}

// winemine's group holds 32 x 32 images at 4, 8 and 32 bits; the 32-bit one (icon 9)
// must be the one delivered, unscaled.
TEST(RealFiles, TheThirtyTwoBitThirtyTwoPixelImageWins) {
  auto shared = testsupport::SharedDir();
  std::filesystem::path file = shared / "corpus" / "pe32" / "wine" / "winemine.exe";
  if (shared.empty() || !std::filesystem::exists(file))
    GTEST_SKIP() << "the shared corpus (../shared/corpus) is not there";
  auto module = platform::ResourceModule::Load(file.string());
  ASSERT_TRUE(module);
  auto image = module->FindResource(RT_ICON, ResourceName(9));
  ASSERT_TRUE(image);
  auto expected = platform::CreateIconFromResourceEx(image->data(), image->size());
  auto icon = ExtractIconA(file.string(), 0);
  ASSERT_TRUE(icon && expected);
  EXPECT_EQ(icon.Pixels()->argb, expected.Pixels()->argb);
}

} // namespace
