// Decoding icon image bytes into pixels: every bitmap depth with its colour table and
// masks, PNG images, scaling, and bytes that must give no icon.
#include "fixtures/IconImages.h"
#include "platform/ModuleResources.h"
#include "platform/IconDecode.h"
#include "platform/IconHandle.h"
#include "support/Corpus.h"
#include "support/Sha256.h"
#include "support/TestSupport.h"

#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

using fixtures::DibImage;
using platform::CreateIconFromResourceEx;
using platform::IconHandle;

IconHandle Decode(const std::string &bytes, int cx = 0, int cy = 0) {
  return CreateIconFromResourceEx(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(), cx,
                                  cy);
}

std::vector<uint32_t> PixelsOf(const IconHandle &icon) {
  return icon ? icon.Pixels()->argb : std::vector<uint32_t>{};
}

struct DibCase {
  const char *name;
  DibImage image;
  std::vector<uint32_t> expected; // top row first
};

class DibDepths : public testing::TestWithParam<DibCase> {};

TEST_P(DibDepths, DecodeColoursAndMasks) {
  const DibCase &c = GetParam();
  IconHandle icon = Decode(fixtures::MakeDib(c.image));
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon.Pixels()->width, c.image.width);
  EXPECT_EQ(icon.Pixels()->height, c.image.height);
  EXPECT_EQ(PixelsOf(icon), c.expected);
}

// Widths that are not multiples of 32 bits check the row padding of both masks; the
// masks mark transparent pixels with 1, which leaves their colour with alpha 0.
const DibCase kDibCases[] = {
    {"OneBitNineWide",
     {9,
      2,
      1,
      {0x000000, 0xFFFFFF},
      {1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1},
      {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0}},
     {0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF,
      0xFF000000, 0x00FFFFFF, 0x00000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000,
      0xFF000000, 0xFF000000, 0xFF000000, 0xFFFFFFFF}},
    {"FourBitsThreeWide",
     {3,
      2,
      4,
      {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0, 0x808080,
       0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF},
      {15, 9, 1, 12, 0, 7},
      {0, 1, 0, 0, 0, 0}},
     {0xFFFFFFFF, 0x00FF0000, 0xFF800000, 0xFF0000FF, 0xFF000000, 0xFFC0C0C0}},
    {"EightBitsShortColourTable",
     {2, 2, 8, {0x112233, 0x445566, 0x778899}, {0, 1, 2, 1}, {}, 3},
     {0xFF112233, 0xFF445566, 0xFF778899, 0xFF445566}},
    {"EightBitsIndexBeyondTheTable",
     {2, 1, 8, {0x112233, 0x445566}, {1, 200}, {}, 2},
     {0xFF445566, 0xFF000000}},
    {"SixteenBitsFiveFiveFive",
     {2, 2, 16, {}, {0x7C00, 0x03E0, 0x001F, 0x4210}, {0, 0, 0, 1}},
     {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x00848484}},
    {"SixteenBitsFiveSixFiveBitFields",
     {2, 1, 16, {}, {0xF800, 0x07E0}, {}, 0, true, {0xF800, 0x07E0, 0x001F}},
     {0xFFFF0000, 0xFF00FF00}},
    {"TwentyFourBitsThreeWide",
     {3, 1, 24, {}, {0x123456, 0xABCDEF, 0x000001}, {0, 1, 0}},
     {0xFF123456, 0x00ABCDEF, 0xFF000001}},
    {"ThirtyTwoBitsOwnAlphaIgnoresTheMask",
     {2, 1, 32, {}, {0x80FF0000, 0x00000000}, {1, 0}},
     {0x80FF0000, 0x00000000}},
    {"ThirtyTwoBitsZeroAlphaUsesTheMask",
     {2, 1, 32, {}, {0x00FF0000, 0x0000FF00}, {0, 1}},
     {0xFFFF0000, 0x0000FF00}},
    {"ThirtyTwoBitsBitFieldsWithoutAlphaMask",
     {2, 1, 32, {}, {0x00FF0000, 0x000000FF}, {1, 0}, 0, true, {0xFF0000, 0xFF00, 0xFF}},
     {0x00FF0000, 0xFF0000FF}},
};

INSTANTIATE_TEST_SUITE_P(Cases, DibDepths, testing::ValuesIn(kDibCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(PngImages, DecodeWithTheirAlpha) {
  std::vector<uint32_t> argb = {0xFFFF0000, 0x8000FF00, 0x000000FF, 0x40123456};
  IconHandle icon = Decode(fixtures::MakePng(2, 2, argb));
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon.Pixels()->width, 2);
  EXPECT_EQ(icon.Pixels()->height, 2);
  EXPECT_EQ(PixelsOf(icon), argb);
}

TEST(ImageFacts, ComeFromTheImageHeaderWithoutDecoding) {
  struct Case {
    const char *name;
    std::string bytes;
    std::optional<platform::IconImageInfo> expected;
  } cases[] = {
      {"Png", fixtures::MakePng(3, 5, std::vector<uint32_t>(15, 0xFF000000)),
       platform::IconImageInfo{true, 3, 5, 32}},
      {"FourBitBitmap", fixtures::SolidDib(48, 4, 0xFF00FF00),
       platform::IconImageInfo{false, 48, 48, 4}},
      {"PngWithoutImageHeader", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(40, 'x'),
       std::nullopt},
      {"Text", "not an image at all, only words", std::nullopt},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    auto info =
        platform::PeekIconImage(reinterpret_cast<const uint8_t *>(c.bytes.data()), c.bytes.size());
    ASSERT_EQ(info.has_value(), c.expected.has_value());
    if (info) {
      EXPECT_EQ(info->png, c.expected->png);
      EXPECT_EQ(info->width, c.expected->width);
      EXPECT_EQ(info->height, c.expected->height);
      EXPECT_EQ(info->bitCount, c.expected->bitCount);
    }
  }
}

// ---- scaling ------------------------------------------------------------------------

// A size x size image of four coloured quadrants.
std::string Quadrants(int size) {
  std::vector<uint32_t> pixels;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      pixels.push_back(y < size / 2 ? (x < size / 2 ? 0xFFFF0000 : 0xFF00FF00)
                                    : (x < size / 2 ? 0xFF0000FF : 0xFFFFFFFF));
  return fixtures::MakePng(size, size, pixels);
}

TEST(Scaling, EnlargingByWholeFactorsRepeatsPixels) {
  IconHandle icon = Decode(Quadrants(16), 32, 32);
  ASSERT_TRUE(icon);
  ASSERT_EQ(icon.Pixels()->width, 32);
  EXPECT_EQ(icon.Pixels()->argb, PixelsOf(Decode(Quadrants(32))));
}

TEST(Scaling, ShrinkingAveragesTheCoveredPixels) {
  // Black and white columns shrink to grey; the quadrant boundaries stay sharp.
  std::vector<uint32_t> stripes;
  for (int i = 0; i < 64 * 64; ++i)
    stripes.push_back(i % 2 ? 0xFFFFFFFF : 0xFF000000);
  IconHandle grey = Decode(fixtures::MakePng(64, 64, stripes), 32, 32);
  ASSERT_TRUE(grey);
  EXPECT_EQ(grey.Pixels()->argb, std::vector<uint32_t>(32 * 32, 0xFF808080));
  EXPECT_EQ(PixelsOf(Decode(Quadrants(64), 32, 32)), PixelsOf(Decode(Quadrants(32))));
}

TEST(Scaling, TransparentPixelsDoNotDarkenTheirNeighbours) {
  IconHandle icon = Decode(fixtures::MakePng(2, 1, {0xFFFF0000, 0x0000FF00}), 1, 1);
  ASSERT_TRUE(icon);
  EXPECT_EQ(PixelsOf(icon), std::vector<uint32_t>{0x80FF0000});
}

TEST(Scaling, ZeroKeepsTheImagesOwnExtent) {
  struct Case {
    int cx, cy, width, height;
  } cases[] = {{0, 0, 32, 32}, {0, 48, 32, 48}, {16, 0, 16, 32}, {32, 32, 32, 32}};
  std::string image = fixtures::SolidDib(32, 24, 0xFF336699);
  for (const Case &c : cases) {
    SCOPED_TRACE(std::to_string(c.cx) + "x" + std::to_string(c.cy));
    IconHandle icon = Decode(image, c.cx, c.cy);
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon.Pixels()->width, c.width);
    EXPECT_EQ(icon.Pixels()->height, c.height);
    EXPECT_EQ(icon.Pixels()->argb,
              std::vector<uint32_t>(static_cast<size_t>(c.width * c.height), 0xFF336699));
  }
}

// ---- bytes that give no icon --------------------------------------------------------

struct BadCase {
  const char *name;
  std::function<std::string()> bytes;
  int cx = 0;
};

class BadImages : public testing::TestWithParam<BadCase> {};

TEST_P(BadImages, GiveAnEmptyHandle) {
  std::string bytes = GetParam().bytes();
  EXPECT_FALSE(Decode(bytes, GetParam().cx, GetParam().cx));
}

std::string Patched32(size_t offset, uint32_t value, std::string bytes) {
  fixtures::Poke32(bytes, offset, value);
  return bytes;
}

std::string Patched16(size_t offset, uint16_t value, std::string bytes) {
  fixtures::Poke16(bytes, offset, value);
  return bytes;
}

std::string Cut(std::string bytes, size_t drop) {
  bytes.resize(bytes.size() - drop);
  return bytes;
}

const BadCase kBadCases[] = {
    {"Empty", [] { return std::string(); }},
    {"HeaderSizeThirtyNine", [] { return Patched32(0, 39, fixtures::SolidDib(16, 8, 0xFF0000)); }},
    {"HeaderSizeBeyondTheBytes",
     [] { return Patched32(0, 0x10000, fixtures::SolidDib(16, 8, 0xFF0000)); }},
    {"WidthZero", [] { return Patched32(4, 0, fixtures::SolidDib(16, 8, 0xFF0000)); }},
    {"NegativeWidth", [] { return Patched32(4, 0xFFFFFFF0, fixtures::SolidDib(16, 8, 0xFF0000)); }},
    {"HeightOneHasNoIconRows", [] { return Patched32(8, 1, fixtures::SolidDib(16, 8, 0xFF0000)); }},
    {"WidthBeyondTheCap", [] { return Patched32(4, 1025, fixtures::SolidDib(16, 8, 0xFF0000)); }},
    {"HugeHeightClaim",
     [] { return Patched32(8, 0x7FFFFFFE, fixtures::SolidDib(16, 32, 0xFF0000)); }},
    {"ThreeBitsPerPixel", [] { return Patched16(14, 3, fixtures::SolidDib(16, 4, 0xFF0000)); }},
    {"RunLengthCompression", [] { return Patched32(16, 1, fixtures::SolidDib(16, 8, 0xFF0000)); }},
    {"BogusCompression", [] { return Patched32(16, 56832, fixtures::SolidDib(16, 4, 0xFF0000)); }},
    {"BitFieldsOnEightBits", [] { return Patched32(16, 3, fixtures::SolidDib(16, 8, 0xFF0000)); }},
    {"ColourTableBeyondTheBytes",
     [] { return Patched32(32, 0xFFFFFFFF, fixtures::SolidDib(16, 24, 0xFF0000)); }},
    {"CutInTheXorBitmap", [] { return Cut(fixtures::SolidDib(16, 24, 0xFF0000), 100); }},
    {"CutInTheAndMask", [] { return Cut(fixtures::SolidDib(16, 4, 0xFF0000), 1); }},
    {"ZeroAlphaWithoutAndMask",
     [] {
       DibImage image{2, 2, 32, {}, {0x00FF0000, 0, 0, 0}, {}};
       image.withAndMask = false;
       return fixtures::MakeDib(image);
     }},
    {"PngCutShort", [] { return Cut(Quadrants(16), 20); }},
    {"PngBadChecksum",
     [] {
       std::string png = Quadrants(16);
       png[png.size() - 20] ^= 0x55; // inside the image data, so its CRC no longer matches
       return png;
     }},
    {"PngBeyondTheCap",
     [] {
       std::string png = Quadrants(16);
       png[16] = 0; // width 0x00000810 = 2064
       png[17] = 0;
       png[18] = 0x08;
       png[19] = 0x10;
       return png;
     }},
    {"NegativeDesiredSize", [] { return fixtures::SolidDib(16, 8, 0xFF0000); }, -1},
    {"DesiredSizeBeyondTheCap", [] { return fixtures::SolidDib(16, 8, 0xFF0000); }, 1025},
};

INSTANTIATE_TEST_SUITE_P(Cases, BadImages, testing::ValuesIn(kBadCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(ImageLeniency, AThirtyTwoBitImageWithAlphaNeedsNoAndMask) {
  DibImage image{2, 1, 32, {}, {0xFFFF0000, 0x800000FF}, {}};
  image.withAndMask = false;
  EXPECT_EQ(PixelsOf(Decode(fixtures::MakeDib(image))),
            (std::vector<uint32_t>{0xFFFF0000, 0x800000FF}));
}

// ---- handles ------------------------------------------------------------------------

TEST(Handles, CopiesAreIndependentAndDestroyEmpties) {
  IconHandle icon = Decode(fixtures::SolidDib(16, 32, 0xFF112233));
  ASSERT_TRUE(icon);
  IconHandle copy = platform::CopyIcon(icon);
  ASSERT_TRUE(copy);
  EXPECT_NE(copy.Pixels(), icon.Pixels());
  platform::DestroyIcon(icon);
  EXPECT_FALSE(icon);
  EXPECT_EQ(copy.Pixels()->argb, std::vector<uint32_t>(16 * 16, 0xFF112233));
  EXPECT_FALSE(platform::CopyIcon(icon));
}

// ---- real images --------------------------------------------------------------------

std::optional<nlohmann::json> Manifest() {
  return testsupport::CorpusManifest();
}

// An image decodes at the size its own header gives exactly when it has no recorded
// problem; the directory's size fields (0 for 256, wrong bit counts) play no part.
void ExpectDecodesAsRecorded(std::span<const uint8_t> bytes, const nlohmann::json &record) {
  IconHandle icon = CreateIconFromResourceEx(bytes.data(), bytes.size());
  bool damaged = record.contains("problems") && !record["problems"].empty();
  ASSERT_EQ(static_cast<bool>(icon), !damaged);
  if (icon) {
    EXPECT_EQ(icon.Pixels()->width, record["image"]["width"].get<int>());
    EXPECT_EQ(icon.Pixels()->height, record["image"]["height"].get<int>());
  }
}

TEST(RealImages, DecodeAtTheSizeTheirHeadersGive) {
  auto manifest = Manifest();
  if (!manifest)
    GTEST_SKIP() << "the shared corpus (../shared/corpus/manifest.json) is not there";
  int images = 0;
  for (const auto &file : (*manifest)["files"]) {
    std::string path = (testsupport::SharedDir() / "corpus" / file["path"]).string();
    SCOPED_TRACE(file["path"].get<std::string>());
    std::string bytes = testsupport::ReadBytes(path);
    auto all =
        std::span<const uint8_t>(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    if (file["container"] == "ico") {
      for (const auto &image : file["images"]) {
        SCOPED_TRACE(image["index"].get<int>());
        ++images;
        ExpectDecodesAsRecorded(
            all.subspan(image["image_offset"].get<size_t>(), image["bytes_in_res"].get<size_t>()),
            image);
      }
      continue;
    }
    auto module = platform::ResourceModule::FromBytes(bytes);
    if (!module || file["category"] == "broken")
      continue;
    for (const auto &group : file["groups"])
      for (const auto &entry : group["entries"]) {
        SCOPED_TRACE(entry["id"].get<int>());
        ++images;
        auto icon = module->FindResource(platform::RT_ICON, entry["id"].get<uint16_t>());
        ASSERT_TRUE(icon);
        ExpectDecodesAsRecorded(*icon, entry["icon"]);
      }
  }
  EXPECT_GE(images, 60);
}

} // namespace
