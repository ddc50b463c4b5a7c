// The 32-bit icon library writer, read back by our own readers and by icoutils (wrestool,
// icotool), and the 16-bit writer's refusal of the images it cannot hold.
#include "fixtures/IconImages.h"
#include "icons/IconLibrary.h"
#include "platform/HostFiles.h"
#include "platform/IconHandle.h"
#include "support/RunProcess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <regex>
#include <sstream>
#include <unistd.h>

using icons::EICLReadError;
using icons::TAdvancedIcon;
using icons::TIconImage;
using icons::TIconLibrary;
using icons::TLibraryFormat;
using testsupport::TempDir;

namespace {

std::string FindProgram(const std::string &name) {
  const char *path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    auto candidate = std::filesystem::path(dir) / name;
    if (!dir.empty() && ::access(candidate.string().c_str(), X_OK) == 0)
      return candidate.string();
  }
  return {};
}

std::filesystem::path Examples() {
  return std::filesystem::canonical(testsupport::TestData("../../examples/totalcmd"));
}

// Pixels with every alpha level and colours that differ from pixel to pixel, so that a
// lost alpha or a flipped row shows.
std::vector<uint32_t> Gradient(int size) {
  std::vector<uint32_t> argb;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      argb.push_back(static_cast<uint32_t>((x + y) % 256) << 24 | static_cast<uint32_t>(x) << 16 |
                     static_cast<uint32_t>(y) << 8 | 0x40);
  return argb;
}

std::unique_ptr<TAdvancedIcon> IconOf(const std::vector<fixtures::IconEntry> &entries) {
  auto icon = std::make_unique<TAdvancedIcon>();
  EXPECT_TRUE(icon->LoadFromBytes(fixtures::MakeIcoFile(entries)));
  return icon;
}

std::string Dib32(int size) {
  fixtures::DibImage image;
  image.width = image.height = size;
  image.pixels = Gradient(size);
  return fixtures::MakeDib(image);
}

// A modern icon: 16, 48 and 256 px, the largest as PNG or as a 32-bit bitmap.
std::unique_ptr<TAdvancedIcon> LargeIcon(bool pngLargest) {
  const std::string large = pngLargest ? fixtures::MakePng(256, 256, Gradient(256)) : Dib32(256);
  return IconOf({{fixtures::SolidDib(16, 8, 0xFF00FF00), 16, 16, 0, 1, 8},
                 {Dib32(48), 48, 48},
                 {large, 0, 0}});
}

std::vector<uint32_t> PixelsOf(const TIconImage &image) {
  const auto handle = platform::CreateIconFromResourceEx(image.Data->data(), image.BytesInRes);
  return handle ? handle.Pixels()->argb : std::vector<uint32_t>{};
}

size_t CountOf(const std::string &text, const std::string &pattern) {
  const std::regex re(pattern);
  return static_cast<size_t>(
      std::distance(std::sregex_iterator(text.begin(), text.end(), re), std::sregex_iterator()));
}

} // namespace

// Every icon and image comes back, in the order the library lists them, with its size
// and its pixels (alpha included); icoutils list the same groups and images.
TEST(Pe32Writer, LibrariesReadBackByCorvaneAndIcoutils) {
  struct Row {
    const char *name;
    std::function<void(TIconLibrary &)> fill;
    std::vector<std::string> readNames; // in the order the library lists them
  };
  const std::vector<Row> rows = {
      {"the example icons, named after their files",
       [](TIconLibrary &library) {
         auto star = std::make_unique<TAdvancedIcon>();
         ASSERT_TRUE(
             star->LoadFromFile(testsupport::WindowsNameOf((Examples() / "icons" / "star.ico"))));
         library.Icons.AddIcon("star", std::move(star));
         for (const char *tool : {"notes", "sums"}) {
           TIconLibrary module;
           module.LoadFromFile(platform::WindowsName(
               (Examples() / "tools" / (tool + std::string(".exe"))).string()));
           ASSERT_GT(module.Icons.Count(), 0);
           for (int i = 0; i < module.Icons.Count(); ++i) {
             auto copy = std::make_unique<TAdvancedIcon>();
             copy->Assign(*module.Icons.Objects(i));
             library.Icons.AddIcon(tool + std::string(i ? "-" + std::to_string(i) : ""),
                                   std::move(copy));
           }
         }
       },
       {"NOTES", "NOTES-1", "STAR", "SUMS", "SUMS-1"}},
      {"256-px images: a PNG kept, a bitmap stored as PNG; numbers keep the order",
       [](TIconLibrary &library) {
         library.Icons.AddIcon("2", LargeIcon(true));
         library.Icons.AddIcon("10", LargeIcon(false));
         library.Icons.AddIcon("\xC9t\xE9", LargeIcon(false)); // Été
       },
       {"\xC9T\xC9", "2", "10"}},
  };
  const std::string wrestool = FindProgram("wrestool");
  const std::string icotool = FindProgram("icotool");
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    TIconLibrary library;
    row.fill(library);
    TempDir dir;
    const auto host = dir / "lib.icl";
    library.SaveToFile(testsupport::WindowsNameOf(host), TLibraryFormat::PE32);

    TIconLibrary read;
    read.LoadFromFile(testsupport::WindowsNameOf(host));
    const std::vector<int> order = library.WrittenOrder(TLibraryFormat::PE32);
    ASSERT_EQ(read.Icons.Count(), library.Icons.Count());
    size_t images = 0;
    for (int n = 0; n < read.Icons.Count(); ++n) {
      const TAdvancedIcon &source = *library.Icons.Objects(order[static_cast<size_t>(n)]);
      const TAdvancedIcon &back = *read.Icons.Objects(n);
      EXPECT_EQ(read.Icons.Strings(n), row.readNames.at(static_cast<size_t>(n)));
      ASSERT_EQ(back.Images.Count(), source.Images.Count());
      for (size_t k = 0; k < back.Images.Count(); ++k, ++images) {
        SCOPED_TRACE("icon " + std::to_string(n) + " image " + std::to_string(k));
        const TIconImage &a = *source.Images.Items(k);
        const TIconImage &b = *back.Images.Items(k);
        EXPECT_EQ(b.Width, a.Width);
        const auto pixels = PixelsOf(b);
        EXPECT_FALSE(pixels.empty());
        EXPECT_EQ(pixels, PixelsOf(a));
        if (a.Width == 0) { // 256 px
          EXPECT_TRUE(platform::ReadImageFacts(*b.Data)->png);
        }
      }
    }

    if (wrestool.empty() || icotool.empty()) {
      GTEST_SKIP() << "icoutils (wrestool, icotool) are not installed";
    }
    const auto list = testsupport::RunProcess(wrestool, {"-l", host.string()});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(CountOf(list.out, "--type=14 "), static_cast<size_t>(library.Icons.Count()))
        << list.out;
    EXPECT_EQ(CountOf(list.out, "--type=3 "), images) << list.out;
    EXPECT_EQ(CountOf(list.out, "--type=16 "), 1u) << list.out;
    const auto extract = testsupport::RunProcess(
        wrestool, {"-x", "--type=14", "-o", dir.path().string(), host.string()});
    ASSERT_EQ(extract.status, 0) << extract.err;
    size_t listed = 0;
    for (const auto &file : std::filesystem::directory_iterator(dir.path()))
      if (file.path().extension() == ".ico") {
        const auto icons = testsupport::RunProcess(icotool, {"-l", file.path().string()});
        EXPECT_EQ(icons.status, 0) << icons.err;
        listed += CountOf(icons.out, "--icon ");
        EXPECT_EQ(CountOf(icons.out, "--width=256 "), CountOf(icons.out, "--height=256 "));
      }
    EXPECT_EQ(listed, images);
  }
}

// A resource directory holds names in upper case, sorted before the numbers; two icons
// whose names differ only in case cannot both be stored.
TEST(Pe32Writer, NamesThatCollideAreRefusedBeforeTheFileIsTouched) {
  TIconLibrary library;
  library.Icons.AddIcon("star", LargeIcon(true));
  library.Icons.AddIcon("Star", LargeIcon(true));
  TempDir dir;
  const auto host = dir / "lib.icl";
  try {
    library.SaveToFile(testsupport::WindowsNameOf(host), TLibraryFormat::PE32);
    FAIL() << "written";
  } catch (const EICLReadError &error) {
    EXPECT_NE(std::string(error.what()).find("\"Star\""), std::string::npos) << error.what();
  }
  EXPECT_FALSE(std::filesystem::exists(host));
}

// The 16-bit format holds images below 256 px only: a library with a larger one is
// refused, naming the icon, and no file is written.
TEST(Pe32Writer, SixteenBitWriterRefusesImagesItCannotHold) {
  for (bool png : {true, false}) {
    SCOPED_TRACE(png ? "PNG" : "256-px bitmap");
    TIconLibrary library;
    library.Icons.AddIcon("small", IconOf({{fixtures::SolidDib(32, 32, 0xFF0000FF), 32, 32}}));
    library.Icons.AddIcon("modern", LargeIcon(png));
    TempDir dir;
    const auto host = dir / "lib.icl";
    try {
      library.SaveToFile(testsupport::WindowsNameOf(host));
      FAIL() << "written";
    } catch (const EICLReadError &error) {
      EXPECT_EQ(std::string(error.what()),
                std::string("A 16-bit icon library cannot hold the 256x256") + (png ? " PNG" : "") +
                    " image of the icon \"modern\"");
    }
    EXPECT_FALSE(std::filesystem::exists(host));
  }
}
