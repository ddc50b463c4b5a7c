// The 16-bit icon library writer: the exact layout, the alignment shift, the limits, the
// round trip through our own reader and agreement with an independent reader (wrestool).
#include "fixtures/IcoBuilder.h"
#include "fixtures/IconImages.h"
#include "icons/IconLibrary.h"
#include "platform/HostFiles.h"
#include "support/RunProcess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using fixtures::Put16;
using fixtures::Put32;
using fixtures::Put8;
using icons::EICLReadError;
using icons::TAdvancedIcon;
using icons::TIconImage;
using icons::TIconLibrary;
using testsupport::TempDir;

namespace {

std::unique_ptr<TIconImage> RawImage(const std::string &bytes, uint8_t size = 32) {
  auto image = std::make_unique<TIconImage>();
  image->Width = size;
  image->Height = size;
  image->Planes = 1;
  image->BitCount = 32;
  image->BytesInRes = static_cast<uint32_t>(bytes.size());
  image->Data.emplace(bytes.begin(), bytes.end());
  return image;
}

std::unique_ptr<TAdvancedIcon> IconOfRaw(const std::vector<std::string> &images) {
  auto icon = std::make_unique<TAdvancedIcon>();
  for (const std::string &bytes : images)
    icon->Images.Add(RawImage(bytes));
  return icon;
}

// An icon loaded the way the icon cache loads one: from .ico bytes.
std::unique_ptr<TAdvancedIcon> IconOfIco(const std::vector<fixtures::IconEntry> &entries) {
  auto icon = std::make_unique<TAdvancedIcon>();
  EXPECT_TRUE(icon->LoadFromBytes(fixtures::MakeIcoFile(entries)));
  return icon;
}

std::string Pattern(size_t size, uint8_t seed) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>(seed + i * 7);
  return bytes;
}

uint16_t Word(const std::string &bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes.at(at)) |
                               static_cast<uint8_t>(bytes.at(at + 1)) << 8);
}

// The resource table of a written library, decoded on its own terms.
struct WrittenEntry {
  uint16_t offset, length, flags, id;
};
struct WrittenTable {
  uint16_t shift = 0;
  std::vector<WrittenEntry> groups, icons;
};

WrittenTable DecodeTable(const std::string &file) {
  WrittenTable table;
  size_t at = 192;
  table.shift = Word(file, at);
  at += 2;
  for (auto *list : {&table.groups, &table.icons}) {
    at += 2; // type
    const uint16_t count = Word(file, at);
    at += 6;
    for (uint16_t i = 0; i < count; ++i, at += 12)
      list->push_back({Word(file, at), Word(file, at + 2), Word(file, at + 4), Word(file, at + 6)});
  }
  EXPECT_EQ(Word(file, at), 0) << "end of the types";
  return table;
}

// The size estimate the writer starts its shift from: everything up to the
// end of the names plus the group directories and the images without fill.
uint64_t Estimate(const TIconLibrary &library) {
  uint64_t size = 212 + 4 + 1;
  for (int i = 0; i < library.Icons.Count(); ++i) {
    size += 12 + 1 + library.Icons.Strings(i).size() % 256 + 6;
    const TAdvancedIcon &icon = *library.Icons.Objects(i);
    for (size_t k = 0; k < icon.Images.Count(); ++k)
      size += 12 + 14 + icon.Images.Items(k)->BytesInRes;
  }
  return size;
}

// Checks that every entry of a written file addresses whole, aligned blocks holding
// exactly the library's group directories and images in order.
void ExpectBlocksMatch(const std::string &file, const TIconLibrary &library) {
  const WrittenTable table = DecodeTable(file);
  ASSERT_EQ(table.groups.size(), static_cast<size_t>(library.Icons.Count()));
  const uint64_t unit = uint64_t{1} << table.shift;
  uint16_t k = 0;
  for (size_t i = 0; i < table.groups.size(); ++i) {
    SCOPED_TRACE("group " + std::to_string(i));
    const WrittenEntry &group = table.groups[i];
    EXPECT_EQ(group.id, 0x8000 | (i + 1));
    EXPECT_EQ(group.flags, 0x1C30);
    const uint64_t start = uint64_t{group.offset} << table.shift;
    const TAdvancedIcon &icon = *library.Icons.Objects(static_cast<int>(i));
    EXPECT_EQ(uint64_t{group.length} << table.shift,
              (6 + 14 * icon.Images.Count() + unit - 1) / unit * unit);
    ASSERT_LE(start + 6, file.size());
    EXPECT_EQ(Word(file, start + 4), icon.Images.Count());
    for (size_t n = 0; n < icon.Images.Count(); ++n) {
      const TIconImage &image = *icon.Images.Items(n);
      const WrittenEntry &entry = table.icons.at(k);
      EXPECT_EQ(Word(file, start + 6 + 14 * n + 12), ++k) << "image number in the directory";
      EXPECT_EQ(entry.id, 0x8000 | k);
      const uint64_t at = uint64_t{entry.offset} << table.shift;
      const uint64_t length = uint64_t{entry.length} << table.shift;
      EXPECT_EQ(length, (image.BytesInRes + unit - 1) / unit * unit);
      ASSERT_LE(at + length, file.size());
      EXPECT_EQ(file.substr(at, image.BytesInRes),
                std::string(image.Data->begin(), image.Data->begin() + image.BytesInRes));
      EXPECT_EQ(file.substr(at + image.BytesInRes, length - image.BytesInRes),
                std::string(length - image.BytesInRes, '\0'))
          << "zero fill";
    }
  }
}

} // namespace

TEST(IclWriter, OneIconOfOne744ByteImageIsWrittenByteForByte) {
  const std::string dib = fixtures::SolidDib(32, 4, 0xFF3366CC);
  ASSERT_EQ(dib.size(), 744u);
  TIconLibrary library;
  library.Icons.AddIcon("0", IconOfIco({{dib, 32, 32, 16, 1, 4}}));

  std::string expected = "MZ";
  expected.append(58, '\0');
  Put16(expected, 0x0080);
  expected.append(64, '\0');
  expected += "IM";
  expected += "NE";
  expected.append(32, '\0');
  Put16(expected, 0x0040); // segment table
  Put16(expected, 0x0040); // resource table
  Put16(expected, 108);    // resident names
  expected.append(2 + 2 + 4 + 2 + 2 + 2, '\0');
  Put8(expected, 2);
  Put8(expected, 0);
  expected.append(6, '\0');
  Put16(expected, 0x0300);
  ASSERT_EQ(expected.size(), 192u);
  Put16(expected, 0); // shift
  for (uint16_t type : {0x800E, 0x8003}) {
    Put16(expected, type);
    Put16(expected, 1);
    Put32(expected, 0);
    Put16(expected, type == 0x800E ? 243 : 263);
    Put16(expected, type == 0x800E ? 20 : 744);
    Put16(expected, 0x1C30);
    Put16(expected, 0x8001);
    Put32(expected, 0);
  }
  Put16(expected, 0);
  ASSERT_EQ(expected.size(), 236u);
  expected += std::string("\x03ICL\x01"
                          "0\x00",
                          7);
  Put16(expected, 0); // group directory
  Put16(expected, 1);
  Put16(expected, 1);
  for (uint8_t b : {32, 32, 16, 0})
    Put8(expected, b);
  Put16(expected, 1);
  Put16(expected, 4);
  Put32(expected, 744);
  Put16(expected, 1);
  ASSERT_EQ(expected.size(), 263u);
  expected += dib;
  Put16(expected, 0);

  const std::string written = library.SaveToBytes();
  ASSERT_EQ(written.size(), 1009u);
  EXPECT_EQ(Word(written, 128 + 0x26), 108);
  for (size_t i = 0; i < expected.size(); ++i)
    ASSERT_EQ(written[i], expected[i]) << "first difference at byte " << i;
}

TEST(IclWriter, SavedLibraryReadsBackWithItsNamesImagesAndFields) {
  struct Case {
    const char *title;
    std::vector<std::string> names; // "" takes the default name
    std::vector<std::vector<size_t>> imageSizes;
  };
  const std::vector<Case> cases = {
      {"cache index names with gaps", {"0", "3"}, {{744}, {296, 1384}}},
      {"default names", {"", "", ""}, {{100}, {101}, {102, 103}}},
      {"an icon without images among others", {"a", "b"}, {{}, {40, 41, 42}}},
      {"a duplicate name", {"x", "x"}, {{10}, {11}}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.title);
    TempDir dir;
    const std::string file = testsupport::WindowsNameOf((dir / "tools.icl"));
    TIconLibrary library;
    uint8_t seed = 1;
    for (size_t i = 0; i < c.names.size(); ++i) {
      std::vector<std::string> images;
      for (size_t size : c.imageSizes[i])
        images.push_back(Pattern(size, seed++));
      library.Icons.AddIcon(c.names[i], IconOfRaw(images));
    }
    library.SaveToFile(file);

    TIconLibrary loaded;
    loaded.LoadFromFile(file);
    ASSERT_EQ(loaded.Icons.Count(), library.Icons.Count());
    for (int i = 0; i < library.Icons.Count(); ++i) {
      EXPECT_EQ(loaded.Icons.Strings(i), library.Icons.Strings(i));
      const TAdvancedIcon &want = *library.Icons.Objects(i);
      const TAdvancedIcon &got = *loaded.Icons.Objects(i);
      ASSERT_EQ(got.Images.Count(), want.Images.Count());
      for (size_t k = 0; k < want.Images.Count(); ++k) {
        const TIconImage &a = *want.Images.Items(k), &b = *got.Images.Items(k);
        EXPECT_EQ(b.BytesInRes, a.BytesInRes);
        EXPECT_EQ(std::tie(b.Width, b.Height, b.ColorCount, b.Planes, b.BitCount),
                  std::tie(a.Width, a.Height, a.ColorCount, a.Planes, a.BitCount));
        ASSERT_GE(b.Data->size(), a.BytesInRes);
        EXPECT_TRUE(std::equal(a.Data->begin(), a.Data->end(), b.Data->begin()));
      }
    }
  }
}

TEST(IclWriter, ShiftGrowsWithTheSizeAndEveryBlockStaysAligned) {
  struct Case {
    const char *title;
    std::vector<size_t> imageSizes;
    uint16_t shift;
  };
  const std::vector<Case> cases = {
      {"under 64 KiB: byte units, no fill", {3001, 2999, 17}, 0},
      {"about 70 KiB: shift 1", {35001, 35001}, 1},
      {"about 300 KiB: shift 3", {100001, 100003, 100005}, 3},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.title);
    TIconLibrary library;
    uint8_t seed = 9;
    for (size_t size : c.imageSizes)
      library.Icons.AddIcon("", IconOfRaw({Pattern(size, seed++)}));
    const std::string file = library.SaveToBytes();
    EXPECT_EQ(DecodeTable(file).shift, c.shift);
    ExpectBlocksMatch(file, library);
  }
}

// Odd-sized images each gain a byte of fill at shift 1; the estimate leaves the fill
// out, so a library whose estimate just fits shift 1 would carry its last offsets past
// 16 bits. The writer takes shift 2 instead.
TEST(IclWriter, FillThatWouldOverflowSixteenBitsRaisesTheShift) {
  TIconLibrary library;
  for (int i = 0; i < 1470; ++i)
    library.Icons.AddIcon("n", IconOfRaw({Pattern(43, static_cast<uint8_t>(i))}));
  const uint64_t estimate = Estimate(library);
  ASSERT_LE(estimate, 0xFFFFu * 2) << "the estimate alone asks for shift 1";
  ASSERT_GT(estimate, 0xFFFFu);
  const std::string file = library.SaveToBytes();
  const WrittenTable table = DecodeTable(file);
  EXPECT_EQ(table.shift, 2);
  ExpectBlocksMatch(file, library);

  TIconLibrary loaded;
  loaded.LoadFromBytes("C:\\cache.icl", file);
  EXPECT_EQ(loaded.Icons.Count(), 1470);
}

namespace {

// The most icons of `imagesPerIcon` images each that keep the names within reach of the
// NE header's 16-bit offset to them: measured on a library of one icon, each further
// icon adds a 12-byte resource entry for its group and one for each image.
int MostIconsWithinTheNamesOffset(int imagesPerIcon) {
  TIconLibrary one;
  one.Icons.AddIcon("0", IconOfRaw(std::vector<std::string>(imagesPerIcon, "x")));
  const int namesOffset = Word(one.SaveToBytes(), 128 + 0x26);
  return 1 + (0xFFFF - namesOffset) / (12 * (1 + imagesPerIcon));
}

std::string TooManyEntries(int icons, int images) {
  return "Iconlibraries with more than 5454 icons and images together are not possible (" +
         std::to_string(icons) + " icons, " + std::to_string(images) + " images)";
}

} // namespace

TEST(IclWriter, LimitsAreCheckedBeforeTheFileIsTouched) {
  struct Case {
    const char *title;
    int icons;
    int imagesPerIcon;
    std::string message; // empty: accepted
  };
  const int mostOfOne = MostIconsWithinTheNamesOffset(1);
  const int mostOfTwo = MostIconsWithinTheNamesOffset(2);
  const std::vector<Case> cases = {
      {"no icons", 0, 0, "Unable to write Iconlibrary with no icons"},
      {"most icons of one image", mostOfOne, 1, ""},
      {"one icon more", mostOfOne + 1, 1, TooManyEntries(mostOfOne + 1, mostOfOne + 1)},
      {"most icons of two images", mostOfTwo, 2, ""},
      {"one icon of two images more", mostOfTwo + 1, 2,
       TooManyEntries(mostOfTwo + 1, 2 * (mostOfTwo + 1))},
      {"32768 icons", 32768, 0, "Iconlibraries with more than 32767 are not possible"},
      {"32768 images", 2, 16384, "Iconlibraries with more than 32767 images are not possible"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.title);
    TempDir dir;
    const auto host = dir / "cache.icl";
    testsupport::WriteBytes(host, "previous cache");
    TIconLibrary library;
    for (int i = 0; i < c.icons; ++i) {
      auto icon = std::make_unique<TAdvancedIcon>();
      for (int k = 0; k < c.imagesPerIcon; ++k)
        icon->Images.Add(RawImage("x"));
      library.Icons.AddIcon(std::to_string(i), std::move(icon));
    }
    const std::string name = testsupport::WindowsNameOf(host);
    if (c.message.empty()) {
      ASSERT_NO_THROW(library.SaveToFile(name));
      const std::string file = testsupport::ReadBytes(host);
      EXPECT_EQ(file.substr(128 + Word(file, 128 + 0x26), 4), "\x03ICL")
          << "the header points at the names";
      TIconLibrary loaded;
      loaded.LoadFromFile(name);
      ASSERT_EQ(loaded.Icons.Count(), c.icons);
      EXPECT_EQ(loaded.Icons.Strings(c.icons - 1), std::to_string(c.icons - 1));
      EXPECT_EQ(loaded.Icons.Objects(c.icons - 1)->Images.Count(), c.imagesPerIcon);
      continue;
    }
    try {
      library.SaveToFile(name);
      ADD_FAILURE() << "no error";
    } catch (const EICLReadError &e) {
      EXPECT_EQ(e.what(), c.message);
    }
    EXPECT_TRUE(testsupport::ReadBytes(host) == "previous cache") << "the file was changed";
    EXPECT_THROW(library.SaveToFile(testsupport::WindowsNameOf((dir / "new.icl"))), EICLReadError);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
        << "no file was created beside it";
  }
}

TEST(IclWriter, AFailedWriteLeavesNoFileAndReportsTheName) {
  TempDir dir;
  TIconLibrary library;
  library.Icons.AddIcon("0", IconOfRaw({"abc"}));
  const std::string name = testsupport::WindowsNameOf((dir / "missing" / "cache.icl"));
  EXPECT_THROW(library.SaveToFile(name), platform::EFileWriteError);
  EXPECT_FALSE(std::filesystem::exists(dir / "missing" / "cache.icl"));
}

TEST(IclWriter, NamesAreStoredAsLengthByteModulo256) {
  struct Case {
    size_t length;
    uint8_t lengthByte;
  };
  for (const Case &c : std::vector<Case>{{1, 1}, {255, 255}, {300, 44}, {256, 0}}) {
    SCOPED_TRACE(c.length);
    std::string name;
    for (size_t i = 0; i < c.length; ++i)
      name += static_cast<char>('a' + i % 26);
    TIconLibrary library;
    library.Icons.AddIcon(name, IconOfRaw({"abc"}));
    const std::string file = library.SaveToBytes();
    const size_t names = 212 + 24;
    EXPECT_EQ(file.substr(names, 4), "\x03ICL");
    EXPECT_EQ(static_cast<uint8_t>(file[names + 4]), c.lengthByte);
    EXPECT_EQ(file.substr(names + 5, c.lengthByte), name.substr(0, c.lengthByte));
    EXPECT_EQ(file[names + 5 + c.lengthByte], '\0');
  }
}

TEST(IclWriter, LibraryWithoutAnyImageIsWrittenButRefusedOnReading) {
  TIconLibrary library;
  library.Icons.AddIcon("empty", std::make_unique<TAdvancedIcon>());
  const std::string file = library.SaveToBytes();
  const WrittenTable table = DecodeTable(file);
  ASSERT_EQ(table.groups.size(), 1u);
  EXPECT_TRUE(table.icons.empty());
  EXPECT_EQ(table.groups[0].length, 6) << "a directory of count 0";

  icons::T16BitReader reader("C:\\empty.icl", file);
  EXPECT_FALSE(reader.Read());
  EXPECT_EQ(reader.LastError, "ResourceTable has an Error");
}

// wrestool reads the file on its own: one group per icon, one icon per image, and the
// extracted bytes begin with the image bytes (the length covers the fill).
TEST(IclWriter, WrestoolListsAndExtractsWhatWasWritten) {
  const auto wrestool = testsupport::FindOnPath("wrestool");
  if (!wrestool)
    GTEST_SKIP() << "wrestool (icoutils) is not installed";
  for (size_t big : {size_t{100}, size_t{70001}}) {
    SCOPED_TRACE(big);
    TempDir dir;
    const auto host = dir / "tools.icl";
    TIconLibrary library;
    library.Icons.AddIcon("0",
                          IconOfIco({{fixtures::SolidDib(32, 4, 0xFF102030), 32, 32, 16, 1, 4},
                                     {fixtures::SolidDib(16, 8, 0xFF405060), 16, 16, 0, 1, 8}}));
    library.Icons.AddIcon("4", IconOfRaw({Pattern(big, 3)}));
    library.SaveToFile(testsupport::WindowsNameOf(host));

    const auto list = testsupport::RunProcess(*wrestool, {"-l", host.string()});
    ASSERT_EQ(list.status, 0) << list.err;
    for (int group = 1; group <= 2; ++group)
      EXPECT_NE(list.out.find("--type=14 --name=" + std::to_string(group) + " "), std::string::npos)
          << list.out;
    EXPECT_EQ(list.out.find("--type=14 --name=3 "), std::string::npos) << list.out;
    int k = 0;
    for (int i = 0; i < library.Icons.Count(); ++i)
      for (size_t n = 0; n < library.Icons.Objects(i)->Images.Count(); ++n) {
        const TIconImage &image = *library.Icons.Objects(i)->Images.Items(n);
        const std::string id = std::to_string(++k);
        EXPECT_NE(list.out.find("--type=3 --name=" + id + " "), std::string::npos) << list.out;
        const auto raw = testsupport::RunProcess(
            *wrestool, {"-x", "-R", "--type=3", "--name=" + id, host.string()});
        ASSERT_EQ(raw.status, 0) << raw.err;
        ASSERT_GE(raw.out.size(), image.BytesInRes);
        EXPECT_EQ(raw.out.substr(0, image.BytesInRes),
                  std::string(image.Data->begin(), image.Data->begin() + image.BytesInRes));
      }
    EXPECT_EQ(list.out.find("--type=3 --name=" + std::to_string(k + 1) + " "), std::string::npos);
  }
}
