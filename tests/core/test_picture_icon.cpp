// Icons made from pictures: the sizes made for each picture size, the alpha kept through
// scaling, a picture that is not square, the limits, damaged pictures, and the icon added to
// a library.
#include "fixtures/IconImages.h"
#include "icons/IconLibrary.h"
#include "icons/PictureIcon.h"
#include "icons/PictureScaling.h"
#include "platform/HostFiles.h"
#include "platform/IconDecode.h"
#include "platform/IconFormats.h"
#include "platform/MessageText.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <optional>

using icons::IconFromPng;
using icons::IconFromSvg;
using icons::TAdvancedIcon;

namespace {

const std::vector<int> kUpTo64 = {16, 20, 24, 32, 40, 48, 64, 256};

std::string Svg(const std::string &body) {
  return "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='5' viewBox='0 0 10 5'>" +
         body + "</svg>";
}

struct PictureCase {
  const char *name;
  bool svg;
  std::string bytes;
  std::vector<int> sizes; // empty: refused
  std::string error;      // the start of the refusal's text
};

// The pixel of the decoded image at (x, y), 0xAARRGGBB.
uint32_t Pixel(const platform::IconPixels &pixels, int x, int y) {
  return pixels.argb[size_t(y) * pixels.width + x];
}

std::string Solid(int width, int height, uint32_t argb) {
  return fixtures::MakePng(width, height, std::vector<uint32_t>(size_t(width) * height, argb));
}

} // namespace

TEST(PictureIcon, SizesAlphaAndRefusals) {
  const uint32_t halfRed = 0x80FF0000;
  const std::string good = Solid(48, 48, halfRed);
  const std::vector<PictureCase> cases = {
      {"16 px", false, Solid(16, 16, halfRed), {16}, ""},
      {"48 px", false, good, {16, 20, 24, 32, 40, 48}, ""},
      {"64 px is enlarged to 256", false, Solid(64, 64, halfRed), kUpTo64, ""},
      {"300 px", false, Solid(300, 300, halfRed), kUpTo64, ""},
      {"1000 px", false, Solid(1000, 1000, halfRed), kUpTo64, ""},
      {"4096 px is scaled", false, Solid(4096, 4096, halfRed), kUpTo64, ""},
      {"wide, centred on a square", false, Solid(40, 20, halfRed), {16, 20, 24, 32, 40}, ""},
      {"1 px", false, Solid(1, 1, halfRed), {}, "Picture \"p\" is 1 x 1 pixels"},
      {"too wide", false, Solid(20000, 1, halfRed), {}, "Picture \"p\" is 20000 x 1 pixels"},
      {"cut", false, good.substr(0, good.size() / 2), {}, "Picture \"p\" cannot be read: "},
      {"not a PNG", false, "GIF89a", {}, "Picture \"p\" cannot be read: "},
      {"svg, wide, drawn at each size", true,
       Svg("<rect width='10' height='5' fill='#ff0000' fill-opacity='0.5'/>"), kUpTo64, ""},
      {"broken svg", true, "<svg", {}, "Picture \"p\" cannot be read: "},
  };
  for (const PictureCase &c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<TAdvancedIcon> icon;
    std::string error;
    try {
      icon = c.svg ? IconFromSvg(c.bytes, "p") : IconFromPng(c.bytes, "p");
    } catch (const platform::EMessageError &e) {
      error = e.what();
    }
    if (c.svg && !icons::DrawsSvg()) {
      EXPECT_FALSE(icon);
      EXPECT_NE(error.find("draws no SVG"), std::string::npos) << error;
      continue;
    }
    if (c.sizes.empty()) {
      EXPECT_FALSE(icon);
      EXPECT_EQ(error.substr(0, c.error.size()), c.error) << error;
      continue;
    }
    ASSERT_TRUE(icon) << error;
    ASSERT_EQ(icon->Images.Count(), c.sizes.size());
    const bool wide = std::string(c.name).starts_with("wide") || c.svg;
    for (size_t i = 0; i < c.sizes.size(); ++i) {
      const int size = c.sizes[i];
      SCOPED_TRACE(size);
      const icons::TIconImage &image = *icon->Images.Items(i);
      EXPECT_EQ(image.Width, uint8_t(size));
      EXPECT_EQ(image.BitCount, 32);
      const auto &data = *image.Data;
      EXPECT_EQ(platform::ReadImageFacts(data)->png, size == 256);
      const auto pixels = platform::DecodeIconImage(data.data(), data.size());
      ASSERT_TRUE(pixels);
      ASSERT_EQ(pixels->width, size);
      ASSERT_EQ(pixels->height, size);
      // Straight colour and half alpha survive premultiplied scaling, to the edge.
      for (const auto &[x, y] : {std::pair{size / 2, size / 2}, std::pair{0, size / 2}}) {
        const uint32_t p = Pixel(*pixels, x, y);
        EXPECT_NEAR(int(p >> 24), 0x80, 1) << std::hex << p;
        EXPECT_NEAR(int(p >> 16 & 0xFF), 0xFF, 1) << std::hex << p;
        EXPECT_EQ(p & 0xFFFF, 0u) << std::hex << p;
      }
      // A picture twice as wide as high leaves a transparent quarter above and below.
      if (wide) {
        EXPECT_EQ(Pixel(*pixels, size / 2, 0), 0u);
        EXPECT_EQ(Pixel(*pixels, size / 2, size - 1), 0u);
      }
    }
  }
}

// A new icon goes after those of the library, whatever their names, so that the icon
// references to them stay; a file that is not a 32-bit library is left as it is.
TEST(PictureIcon, AddedAfterTheIconsOfTheLibrary) {
  testsupport::TempDir dir;
  const std::string picture = testsupport::WindowsNameOf((dir.path() / "sun.png"));
  const std::string library = testsupport::WindowsNameOf((dir.path() / "lib.icl"));
  testsupport::WriteBytes(dir.path() / "sun.png", Solid(16, 16, 0xFF00FF00));
  icons::TIconLibrary old;
  for (const char *name : {"7", "ZEBRA"})
    old.Icons.AddIcon(name, IconFromPng(Solid(16, 16, ~0u), "p"));
  old.SaveToFile(library, icons::TLibraryFormat::PE32);

  EXPECT_EQ(icons::AddPictureToLibrary(picture, library), 2);
  icons::TIconLibrary read;
  read.LoadFromFile(library);
  ASSERT_EQ(read.Icons.Count(), 3);
  EXPECT_EQ(read.Icons.Strings(0), "ZEBRA");
  EXPECT_EQ(read.Icons.Strings(1), "7");
  EXPECT_EQ(read.Icons.Strings(2), "8");

  testsupport::WriteBytes(dir.path() / "lib.icl", "MZ not a module");
  EXPECT_THROW(icons::AddPictureToLibrary(picture, library), platform::EMessageError);
  EXPECT_EQ(testsupport::ReadBytes(dir.path() / "lib.icl"), "MZ not a module");
}
