// Icons and their images: reading .ico files and group-icon resources, the sizes and
// depths taken from the image bytes, copies, icon handles and the hi-res graphic.
#include "fixtures/IconImages.h"
#include "fixtures/PeBuilder.h"
#include "icons/AdvancedIcon.h"
#include "icons/IconTools.h"
#include "platform/HostFiles.h"
#include "platform/ModuleResources.h"
#include "support/Corpus.h"
#include "support/Sha256.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <typeinfo>

using fixtures::IconEntry;
using icons::TAdvancedIcon;
using icons::TIconImage;
using testsupport::TempDir;

namespace {

std::string Header(uint16_t reserved, uint16_t type, uint16_t count) {
  std::string out;
  fixtures::Put16(out, reserved);
  fixtures::Put16(out, type);
  fixtures::Put16(out, count);
  return out;
}

std::string Bytes(const TIconImage &image) {
  return std::string(image.Data->begin(), image.Data->begin() + image.BytesInRes);
}

std::string WriteTemp(const TempDir &dir, const std::string &name, const std::string &bytes) {
  testsupport::WriteBytes(dir / name, bytes);
  return testsupport::WindowsNameOf((dir / name));
}

const IconEntry Small{fixtures::SolidDib(16, 8, 0xFF00FF00), 16, 16, 0, 1, 8};
const IconEntry Large{fixtures::SolidDib(32, 32, 0xFFFF0000), 32, 32, 0, 1, 32};

} // namespace

TEST(IconDirectory, HeaderChecks) {
  struct Case {
    const char *title;
    std::string bytes;
    bool ok;
    uint16_t count;
  };
  const std::vector<Case> cases = {
      {"icon with 3 entries", Header(0, 1, 3), true, 3},
      {"icon with no entries", Header(0, 1, 0), true, 0},
      {"largest count", Header(0, 1, 65535), true, 65535},
      {"cursor", Header(0, 2, 1), false, 0},
      {"type 0", Header(0, 0, 1), false, 0},
      {"reserved not 0", Header(1, 1, 1), false, 0},
      {"cut after 5 bytes", Header(0, 1, 1).substr(0, 5), false, 0},
      {"empty", "", false, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.title);
    TAdvancedIcon icon;
    icon.Images.Add(std::make_unique<TIconImage>());
    icons::TByteStream stream{platform::ByteReader(c.bytes)};
    uint16_t count = 77;
    EXPECT_EQ(icon.ReadDirectory(stream, count), c.ok);
    EXPECT_EQ(count, c.ok ? c.count : 77) << "the count is set only on success";
    EXPECT_EQ(icon.Images.Count(), 1) << "images already held remain";
    EXPECT_EQ(icon.Images.Capacity(), c.ok ? std::max<uint16_t>(c.count, 1) : 1);
  }
}

TEST(IconFile, ImagesKeepDirectoryOrderBytesAndFields) {
  const IconEntry png{
      fixtures::MakePng(256, 256, std::vector<uint32_t>(256 * 256, 0x80FFFFFF)), 0, 0, 0, 1, 8};
  const std::string file = fixtures::MakeIcoFile({Large, Small, png});
  TAdvancedIcon icon;
  ASSERT_TRUE(icon.LoadFromBytes(file));
  ASSERT_EQ(icon.Images.Count(), 3);
  const IconEntry *want[] = {&Large, &Small, &png};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const TIconImage &image = *icon.Images.Items(i);
    EXPECT_EQ(typeid(image), typeid(icons::TFileIconImage));
    EXPECT_EQ(Bytes(image), want[i]->image);
    EXPECT_EQ(image.BytesInRes, want[i]->image.size());
  }
  EXPECT_EQ(icon.Images.Items(0)->Width, 32);
  EXPECT_EQ(icon.Images.Items(1)->Height, 16);
  EXPECT_EQ(icon.Images.Items(2)->Width, 0) << "256 pixels give 0";
  EXPECT_EQ(icon.Images.Items(2)->BitCount, 8) << "an RGBA PNG listed with 8 bits keeps them";
  EXPECT_EQ(icon.Images.Items(3), nullptr);
}

// Sizes come from the image; depths only where the entry leaves them 0.
TEST(IconFile, SizeTakenFromTheImageDepthWhereTheEntryIsSilent) {
  struct Case {
    const char *title;
    IconEntry entry;
    uint8_t size;
    uint16_t planes, bitCount;
  };
  fixtures::DibImage wide;
  wide.width = 32;
  wide.height = 16;
  wide.bitCount = 32;
  wide.pixels.assign(32 * 16, 0xFF000000);
  const std::vector<Case> cases = {
      {"entry 32 over a 32x64 header",
       {fixtures::SolidDib(32, 4, 0xFF0000FF), 32, 32, 16, 1, 4},
       32,
       1,
       4},
      {"entry says 48 for a 32 image",
       {fixtures::SolidDib(32, 8, 0xFF0000FF), 48, 48, 0, 1, 8},
       32,
       1,
       8},
      {"entry says 8 bits for a 4-bit image",
       {fixtures::SolidDib(16, 4, 0xFF0000FF), 16, 16, 16, 1, 8},
       16,
       1,
       8},
      {"planes and bit count 0",
       {fixtures::SolidDib(16, 4, 0xFF0000FF), 16, 16, 16, 0, 0},
       16,
       1,
       4},
      {"non-square 32x16 treated as 16", {fixtures::MakeDib(wide), 32, 16, 0, 1, 32}, 16, 1, 32},
      {"100 x 100", {fixtures::SolidDib(100, 4, 0xFF0000FF), 100, 100, 16, 1, 4}, 100, 1, 4},
      {"256 bitmap", {fixtures::SolidDib(256, 32, 0xFF0000FF), 0, 0, 0, 1, 32}, 0, 1, 32},
      {"PNG listed as 0 x 0, 0 bits",
       {fixtures::MakePng(48, 48, std::vector<uint32_t>(48 * 48, 0xFF123456)), 0, 0, 0, 0, 0},
       48,
       1,
       32},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.title);
    TAdvancedIcon icon;
    ASSERT_TRUE(icon.LoadFromBytes(fixtures::MakeIcoFile({c.entry})));
    ASSERT_EQ(icon.Images.Count(), 1);
    const TIconImage &image = *icon.Images.Items(0);
    EXPECT_EQ(image.Width, c.size);
    EXPECT_EQ(image.Height, c.size);
    EXPECT_EQ(image.Planes, c.planes);
    EXPECT_EQ(image.BitCount, c.bitCount);
    EXPECT_EQ(image.ColorCount, c.entry.colorCount) << "kept as the entry gives it";
  }
}

TEST(IconFile, RefusedAndDamagedFiles) {
  const std::string two = fixtures::MakeIcoFile({Large, Small});
  std::string beyondEnd = two;
  fixtures::Poke32(beyondEnd, 6 + 12, static_cast<uint32_t>(two.size() - 10)); // entry 0 offset
  std::string cursor = two;
  fixtures::Poke16(cursor, 2, 2);
  struct Case {
    const char *title;
    std::string bytes;
    bool ok;
    std::vector<std::string> images; // expected image bytes in order
  };
  const std::vector<Case> cases = {
      {"valid", two, true, {Large.image, Small.image}},
      {"count 0", Header(0, 1, 0), true, {}},
      {"cursor", cursor, false, {}},
      {"text", "just some text", false, {}},
      {"first image's bytes run past the end", beyondEnd, true, {Small.image}},
      {"cut inside the second entry", two.substr(0, 6 + 16 + 7), true, {}},
      {"cut inside the last image", two.substr(0, two.size() - 1), true, {Large.image}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.title);
    TAdvancedIcon icon;
    icon.Images.Add(std::make_unique<TIconImage>());
    EXPECT_EQ(icon.LoadFromBytes(c.bytes), c.ok);
    ASSERT_EQ(icon.Images.Count(), c.images.size()) << "old images are always discarded";
    for (size_t i = 0; i < c.images.size(); ++i)
      EXPECT_EQ(Bytes(*icon.Images.Items(i)), c.images[i]);
  }
}

TEST(IconFile, EveryPrefixOfAFileLoadsWithoutReadingPastItsEnd) {
  const std::string file = fixtures::MakeIcoFile({Small, Large});
  for (size_t size = 0; size <= file.size(); ++size) {
    const std::string prefix = file.substr(0, size);
    TAdvancedIcon icon;
    icon.LoadFromBytes(prefix);
    size_t complete = 0;
    if (size >= 6 + 32 + Small.image.size())
      ++complete;
    if (size == file.size())
      ++complete;
    ASSERT_EQ(icon.Images.Count(), complete) << "prefix of " << size << " bytes";
  }
}

TEST(IconFile, LoadFromFileReadsTheFileAndRaisesWhenItCannot) {
  TempDir dir;
  TAdvancedIcon icon;
  EXPECT_TRUE(icon.LoadFromFile(WriteTemp(dir, "a.ico", fixtures::MakeIcoFile({Small}))));
  EXPECT_EQ(icon.Images.Count(), 1);
  const std::string missing = testsupport::WindowsNameOf((dir / "missing.ico"));
  try {
    icon.LoadFromFile(missing);
    FAIL() << "no error for a missing file";
  } catch (const platform::EFileReadError &e) {
    EXPECT_NE(std::string(e.what()).find("missing.ico"), std::string::npos) << e.what();
  }
  EXPECT_EQ(icon.Images.Count(), 0);
}

TEST(IconImageList, GrowsByOneSlotAndNeverShrinksBelowCount) {
  icons::TIconImageList list;
  EXPECT_EQ(list.Capacity(), 0);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_TRUE(list.Add(std::make_unique<TIconImage>()));
    EXPECT_EQ(list.Count(), i);
    EXPECT_EQ(list.Capacity(), i);
  }
  list.SetCapacity(1);
  EXPECT_EQ(list.Capacity(), 3);
  list.SetCapacity(10);
  EXPECT_EQ(list.Capacity(), 10);
  list.Add(std::make_unique<TIconImage>());
  EXPECT_EQ(list.Capacity(), 10);
  EXPECT_NE(list.Items(3), nullptr);
  EXPECT_EQ(list.Items(4), nullptr);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 0);
  EXPECT_EQ(list.Items(0), nullptr);
}

TEST(IconImageList, HoldsAtMost65535Images) {
  icons::TIconImageList list;
  for (int i = 0; i < 65535; ++i)
    ASSERT_TRUE(list.Add(std::make_unique<TIconImage>()));
  EXPECT_FALSE(list.Add(std::make_unique<TIconImage>()));
  EXPECT_EQ(list.Count(), 65535);
}

TEST(AdvancedIcon, AssignMakesIndependentBaseKindCopiesInOrder) {
  TAdvancedIcon source;
  ASSERT_TRUE(source.LoadFromBytes(fixtures::MakeIcoFile({Large, Small})));
  TAdvancedIcon copy;
  copy.Images.Add(std::make_unique<TIconImage>());
  copy.Assign(source);
  ASSERT_EQ(copy.Images.Count(), 2);
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    const TIconImage &a = *source.Images.Items(i), &b = *copy.Images.Items(i);
    EXPECT_EQ(typeid(b), typeid(TIconImage));
    EXPECT_EQ(Bytes(b), Bytes(a));
    EXPECT_EQ(std::tie(b.Width, b.Height, b.ColorCount, b.Planes, b.BitCount, b.BytesInRes),
              std::tie(a.Width, a.Height, a.ColorCount, a.Planes, a.BitCount, a.BytesInRes));
    EXPECT_TRUE(a.Handle()) << "the source made its icon for the copy";
    ASSERT_TRUE(b.Handle());
    EXPECT_NE(b.Handle().Pixels(), a.Handle().Pixels()) << "the copy owns its own icon";
  }
  copy.Images.Items(0)->Data->at(0) ^= 0xFF;
  EXPECT_NE(Bytes(*copy.Images.Items(0)), Bytes(*source.Images.Items(0)));
  source.Images.Clear();
  EXPECT_TRUE(copy.Images.Items(1)->Handle()) << "copies outlive the source";
  copy.Assign(copy);
  EXPECT_EQ(copy.Images.Count(), 2) << "assigning an icon to itself changes nothing";
}

TEST(IconImage, HandleIsMadeOnceAtTheImagesOwnSize) {
  struct Case {
    const char *title;
    IconEntry entry;
    int pixels; // 0: no icon can be made
  };
  std::string bogus = fixtures::SolidDib(16, 4, 0xFF00FF00);
  fixtures::Poke32(bogus, 16, 56832); // a compression no icon uses
  const std::vector<Case> cases = {
      {"32 x 32", Large, 32},
      {"48 x 48 at 4 bits", {fixtures::SolidDib(48, 4, 0xFF0000FF), 48, 48, 16, 1, 4}, 48},
      {"256 (size 0 asks for the own size)",
       {fixtures::MakePng(256, 256, std::vector<uint32_t>(256 * 256, 0xFF00FF00)), 0, 0, 0, 1, 32},
       256},
      {"bogus compression", {bogus, 16, 16, 16, 1, 4}, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.title);
    TAdvancedIcon icon;
    ASSERT_TRUE(icon.LoadFromBytes(fixtures::MakeIcoFile({c.entry})));
    const TIconImage &image = *icon.Images.Items(0);
    const platform::IconHandle &handle = image.Handle();
    EXPECT_EQ(static_cast<bool>(handle), c.pixels != 0);
    if (c.pixels) {
      EXPECT_EQ(handle.Pixels()->width, c.pixels);
      EXPECT_EQ(&image.Handle(), &handle);
      EXPECT_EQ(image.Handle().Pixels(), handle.Pixels()) << "made once";
    }
  }
  TIconImage empty;
  EXPECT_FALSE(empty.Handle()) << "no bytes, no icon";
}

// A 24-bit bitmap with the 12-byte core header (16-bit sizes), one colour, all opaque.
std::string CoreHeaderDib(uint16_t side, uint32_t rgb) {
  std::string out;
  fixtures::Put32(out, 12);
  fixtures::Put16(out, side);
  fixtures::Put16(out, static_cast<uint16_t>(side * 2)); // XOR bitmap and AND mask
  fixtures::Put16(out, 1);
  fixtures::Put16(out, 24);
  const size_t xorStride = (side * 3u + 3) / 4 * 4, andStride = (side + 31u) / 32 * 4;
  for (size_t row = 0; row < side; ++row) {
    for (size_t x = 0; x < side; ++x) {
      fixtures::Put8(out, static_cast<uint8_t>(rgb));
      fixtures::Put8(out, static_cast<uint8_t>(rgb >> 8));
      fixtures::Put8(out, static_cast<uint8_t>(rgb >> 16));
    }
    out.append(xorStride - side * 3u, '\0');
  }
  return out.append(andStride * side, '\0');
}

// The size an image is listed with and the icon made of it come from one reading of its
// header: an image either has a header both take, or neither does. The entries say 48.
TEST(IconImage, SizeAndIconAgreeOnWhatBeginsAnImage) {
  std::string oversized = fixtures::SolidDib(16, 24, 0xFF336699);
  fixtures::Poke32(oversized, 0, 0x10000); // a header size beyond the image's bytes
  struct Case {
    const char *title;
    std::string image;
    int side; // 0: no image header, the entry's size stays and no icon is made
  };
  const std::vector<Case> cases = {
      {"info header", fixtures::SolidDib(16, 24, 0xFF336699), 16},
      {"core header", CoreHeaderDib(16, 0x336699), 16},
      {"header size beyond the bytes", oversized, 0},
      {"PNG signature without its header chunk",
       std::string("\x89PNG\r\n\x1a\n", 8) + std::string(40, 'x'), 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.title);
    TAdvancedIcon icon;
    ASSERT_TRUE(icon.LoadFromBytes(fixtures::MakeIcoFile({{c.image, 48, 48, 0, 1, 24}})));
    const TIconImage &image = *icon.Images.Items(0);
    EXPECT_EQ(image.Width, c.side ? c.side : 48);
    ASSERT_EQ(static_cast<bool>(image.Handle()), c.side != 0);
    if (c.side) {
      EXPECT_EQ(image.Handle().Pixels()->width, c.side);
      EXPECT_EQ(image.Handle().Pixels()->argb.front(), 0xFF336699u);
    }
  }
}

TEST(IconImage, SaveToStreamWritesTheImageBytesOnly) {
  TAdvancedIcon icon;
  ASSERT_TRUE(icon.LoadFromBytes(fixtures::MakeIcoFile({Small})));
  icons::TByteWriter out;
  icon.Images.Items(0)->SaveToStream(out);
  EXPECT_EQ(out.Bytes(), Small.image);
  icons::TByteWriter none;
  TIconImage empty;
  empty.BytesInRes = 20;
  empty.SaveToStream(none);
  EXPECT_TRUE(none.Bytes().empty());
}

TEST(HiResIcon, ReportsTheSystemSizeUntilAnIconIsSetThenTheIconsOwn) {
  for (int size : {16, 48, 256}) {
    SCOPED_TRACE(size);
    TAdvancedIcon icon;
    const std::string png = fixtures::MakePng(size, size, std::vector<uint32_t>(size * size, ~0u));
    ASSERT_TRUE(icon.LoadFromBytes(fixtures::MakeIcoFile({{png, 0, 0, 0, 1, 32}})));
    icons::THiResIcon blank;
    EXPECT_EQ(blank.GetWidth(), platform::GetSystemMetricsIconSize());
    EXPECT_EQ(blank.GetHeight(), platform::GetSystemMetricsIconSize());
    EXPECT_EQ(blank.Image(), nullptr);

    int notified = 0;
    auto graphic = icon.Images.Items(0)->CreateGraphic();
    graphic->OnChange = [&] { ++notified; };
    EXPECT_TRUE(graphic->SizeChanged);
    EXPECT_EQ(graphic->GetWidth(), size);
    EXPECT_EQ(graphic->GetHeight(), size);
    EXPECT_FALSE(graphic->SizeChanged);
    ASSERT_NE(graphic->Image(), nullptr);
    EXPECT_EQ(graphic->Image(), icon.Images.Items(0)->Handle().Pixels()) << "borrowed";
    graphic->SetHandle(nullptr);
    EXPECT_EQ(notified, 1);
    EXPECT_EQ(graphic->GetWidth(), size) << "without pixels the previous size stays";
  }
}

TEST(IconResource, GroupImagesAreAppendedFromTheModule) {
  const std::string small = fixtures::SolidDib(16, 8, 0xFF0000FF);
  const std::string large = fixtures::SolidDib(32, 32, 0xFF00FF00);
  std::vector<fixtures::PeResource> resources = {
      {platform::RT_GROUP_ICON, uint16_t{1}, 0,
       fixtures::MakeGroupIcon({{small, 16, 16, 0, 1, 8, 7}, {large, 32, 32, 0, 1, 32, 8}})},
      {platform::RT_GROUP_ICON, uint16_t{2}, 0,
       fixtures::MakeGroupIcon({{small, 16, 16, 0, 1, 8, 99}})},
      {platform::RT_GROUP_ICON, std::string("CURSOR"), 0, Header(0, 2, 0)},
      {platform::RT_ICON, uint16_t{7}, 0, small},
      {platform::RT_ICON, uint16_t{8}, 0, large.substr(0, 100)},
  };
  auto module = platform::ResourceModule::FromBytes(fixtures::BuildPe(resources));
  ASSERT_TRUE(module);

  TAdvancedIcon icon;
  icon.Images.Add(std::make_unique<TIconImage>());
  ASSERT_TRUE(icon.LoadFromResource(*module, uint16_t{1}));
  ASSERT_EQ(icon.Images.Count(), 3) << "appended to the image already held";
  const TIconImage &first = *icon.Images.Items(1);
  EXPECT_EQ(typeid(first), typeid(icons::TResourceIconImage));
  EXPECT_EQ(Bytes(first), small);
  const TIconImage &cut = *icon.Images.Items(2);
  EXPECT_EQ(cut.BytesInRes, 100u) << "a resource shorter than its entry bounds the image";
  EXPECT_EQ(cut.Data->size(), 100u);

  EXPECT_FALSE(icon.LoadFromResource(*module, std::string("CURSOR")));
  EXPECT_EQ(icon.Images.Count(), 3) << "a refused group leaves the icon as it was";
  EXPECT_THROW(icon.LoadFromResource(*module, uint16_t{2}), icons::EResNotFound)
      << "a group naming a missing icon resource";
  EXPECT_THROW(icon.LoadFromResource(*module, uint16_t{3}), icons::EResNotFound);
}

// The real .ico files of the shared corpus, checked against what the manifest records.
TEST(IconCorpus, IcoFilesMatchTheManifest) {
  const auto shared = testsupport::SharedDir();
  const auto found = testsupport::CorpusManifest();
  if (!found)
    GTEST_SKIP() << "the shared icon corpus is not there";
  const nlohmann::json &manifest = *found;
  int checked = 0;
  for (const auto &entry : manifest["files"]) {
    if (entry.value("container", "") != "ico")
      continue;
    const std::string path = entry["path"];
    SCOPED_TRACE(path);
    const std::string file = testsupport::ReadBytes(shared / "corpus" / path);
    TAdvancedIcon icon;
    ASSERT_TRUE(icon.LoadFromBytes(file));
    const auto &images = entry["images"];
    ASSERT_EQ(icon.Images.Count(), images.size());
    for (size_t i = 0; i < images.size(); ++i) {
      SCOPED_TRACE(i);
      const auto &want = images[i];
      const TIconImage &image = *icon.Images.Items(i);
      EXPECT_EQ(image.BytesInRes, want["bytes_in_res"].get<uint32_t>());
      EXPECT_EQ(testsupport::Sha256Hex(Bytes(image)), want["sha256"].get<std::string>());
      const auto &picture = want["image"];
      const int side = std::min(picture["width"].get<int>(), picture["height"].get<int>());
      EXPECT_EQ(image.Width, side & 0xFF);
      EXPECT_EQ(image.Height, side & 0xFF);
      EXPECT_EQ(image.ColorCount, want["color_count"].get<int>());
      const int stated = want["bit_count"].get<int>();
      if (stated != 0 || picture["format"] == "bmp") {
        EXPECT_EQ(image.BitCount, stated != 0 ? stated : picture["bit_count"].get<int>());
      }
      EXPECT_NE(image.Planes, 0);
      if (entry["expect"] == "icons") {
        EXPECT_TRUE(image.Handle()) << "a good image gives an icon";
      }
    }
    ++checked;
  }
  EXPECT_GT(checked, 0) << "the manifest lists no .ico file";
}
