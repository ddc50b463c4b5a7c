// Icon libraries: the named icon list, the module test, reading 32-bit modules through
// their resources and 16-bit modules directly, with their naming rules and errors.
#include "fixtures/IconImages.h"
#include "fixtures/NeBuilder.h"
#include "fixtures/PeBuilder.h"
#include "icons/IconLibrary.h"
#include "platform/HostFiles.h"
#include "support/Corpus.h"
#include "support/Sha256.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using fixtures::IconEntry;
using icons::EICLReadError;
using icons::T16BitReader;
using icons::TAdvancedIcon;
using icons::TIconImage;
using icons::TIconLibrary;
using testsupport::TempDir;

namespace {

// An icon that counts how many of its kind are alive, to see who frees what.
struct CountedIcon : TAdvancedIcon {
  explicit CountedIcon(int &alive) : alive(alive) { ++alive; }
  ~CountedIcon() override { --alive; }
  int &alive;
};

std::unique_ptr<TAdvancedIcon> IconOfRaw(const std::vector<std::string> &images) {
  auto icon = std::make_unique<TAdvancedIcon>();
  for (const std::string &bytes : images) {
    auto image = std::make_unique<TIconImage>();
    image->Width = image->Height = 32;
    image->BytesInRes = static_cast<uint32_t>(bytes.size());
    image->Data.emplace(bytes.begin(), bytes.end());
    icon->Images.Add(std::move(image));
  }
  return icon;
}

std::vector<std::string> Names(const TIconLibrary &library) {
  std::vector<std::string> names;
  for (int i = 0; i < library.Icons.Count(); ++i)
    names.push_back(library.Icons.Strings(i));
  return names;
}

// A library of one-image icons with the given names, written as an .icl.
std::string WrittenLibrary(const std::vector<std::string> &names) {
  TIconLibrary library;
  char seed = 'a';
  for (const std::string &name : names)
    library.Icons.AddIcon(name, IconOfRaw({std::string(40, seed++)}));
  return library.SaveToBytes();
}

std::string Image(uint8_t seed, size_t size = 40) {
  return std::string(size, static_cast<char>(seed));
}

std::string BytesOf(const TIconImage &image) {
  return std::string(image.Data->begin(), image.Data->begin() + image.BytesInRes);
}

const std::string Dib16 = fixtures::SolidDib(16, 8, 0xFF0000FF);
const std::string Dib32 = fixtures::SolidDib(32, 32, 0xFF00FF00);

// A library already holding one icon, to see what a load leaves alone.
struct KeptLibrary : TIconLibrary {
  KeptLibrary() { Icons.AddIcon("keep", IconOfRaw({"x"})); }
  bool Untouched() const { return Icons.Count() == 1 && Icons.Strings(0) == "keep"; }
};

} // namespace

TEST(IconList, AddIconNamesAndOwnsItsIcons) {
  int alive = 0;
  {
    icons::TIconList list;
    for (int i = 0; i < 9; ++i)
      list.AddIcon("n" + std::to_string(i), std::make_unique<CountedIcon>(alive));
    EXPECT_EQ(list.AddIcon("", std::make_unique<CountedIcon>(alive)), 9);
    EXPECT_EQ(list.Strings(9), "Icon 10");
    EXPECT_EQ(list.AddIcon("ignored", nullptr), -1);
    EXPECT_EQ(list.Count(), 10);
    EXPECT_EQ(alive, 10);

    list.Delete(0);
    EXPECT_EQ(alive, 9);
    EXPECT_EQ(list.Strings(0), "n1");
    for (int bad : {-1, 9, 100}) {
      SCOPED_TRACE(bad);
      try {
        list.Delete(bad);
        ADD_FAILURE() << "no error";
      } catch (const icons::EListError &e) {
        EXPECT_EQ(std::string(e.what()), "List index out of bounds (" + std::to_string(bad) + ")");
      }
      EXPECT_EQ(alive, 9) << "nothing freed";
    }
    icons::TNamedIcons replacement;
    replacement.emplace_back("new", std::make_unique<CountedIcon>(alive));
    list.Assign(std::move(replacement));
    EXPECT_EQ(alive, 1) << "Assign frees the icons held before";
    EXPECT_EQ(list.Strings(0), "new");
    list.Clear();
    EXPECT_EQ(alive, 0);
    list.AddIcon("", std::make_unique<CountedIcon>(alive));
    EXPECT_EQ(list.Strings(0), "Icon 1");
  }
  EXPECT_EQ(alive, 0) << "the list frees its icons";
}

TEST(ModuleHeader, TellsPeFromNeAndRefusesTheRest) {
  auto stub = [](const std::string &signature, uint16_t at = 64) {
    std::string bytes = "MZ";
    bytes.resize(at, '\0');
    fixtures::Poke16(bytes, 60, at);
    return bytes + signature;
  };
  std::string notMz = stub("PE");
  notMz[0] = 'Z';
  struct Case {
    const char *title;
    std::string bytes;
    bool module, is32;
  };
  std::string farNe = stub("NE");
  fixtures::Poke16(farNe, 62, 1); // the offset's high half: the header would lie at 0x10040
  const std::vector<Case> cases = {
      {"PE", stub(std::string("PE\0\0", 4)), true, true},
      {"PE without its two zero bytes", stub("PE"), false, false},
      {"NE", stub("NE"), true, false},
      {"NE below an offset with a high half", farNe, false, false},
      {"LE", stub("LE"), false, false},
      {"not MZ", notMz, false, false},
      {"new header beyond the end", stub("PE").substr(0, 64), false, false},
      {"cut before the offset field", "MZ" + std::string(10, '\0'), false, false},
      {"empty", "", false, false},
      {".ico", fixtures::MakeIcoFile({{Dib16, 16, 16, 0, 1, 8}}), false, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.title);
    bool is32 = !c.is32;
    EXPECT_EQ(icons::CheckModuleHeader(platform::ByteReader(c.bytes), is32), c.module);
    EXPECT_EQ(is32, c.is32);
  }
  TempDir dir;
  bool is32 = false;
  EXPECT_THROW(icons::CheckModuleHeader(testsupport::WindowsNameOf((dir / "none.dll")), is32),
               platform::EFileReadError);
}

TEST(Library32, GroupsInEnumerationOrderNamedByTextOrIdentifier) {
  using fixtures::PeResource;
  const std::string group =
      fixtures::MakeGroupIcon({{Dib16, 16, 16, 0, 1, 8, 1}, {Dib32, 32, 32, 0, 1, 32, 2}});
  const std::vector<PeResource> resources = {
      {platform::RT_GROUP_ICON, std::string("APP"), 0, group},
      {platform::RT_GROUP_ICON, std::string("ZAPP"), 0,
       fixtures::MakeGroupIcon({{Dib32, 32, 32, 0, 1, 32, 2}})},
      {platform::RT_GROUP_ICON, uint16_t{1}, 0, group},
      {platform::RT_GROUP_ICON, uint16_t{5}, 0, std::string("\0\0\2\0\0\0", 6)}, // a cursor group
      {platform::RT_GROUP_ICON, uint16_t{7}, 0, group},
      {platform::RT_ICON, uint16_t{1}, 0, Dib16},
      {platform::RT_ICON, uint16_t{2}, 0, Dib32},
  };
  for (bool pe32plus : {false, true}) {
    SCOPED_TRACE(pe32plus ? "PE32+" : "PE32");
    TempDir dir;
    const auto host = dir / "tools.dll";
    testsupport::WriteBytes(host, fixtures::BuildPe(resources, pe32plus));
    const std::string name = testsupport::WindowsNameOf(host);
    TIconLibrary library;
    library.LoadFromFile(name);
    EXPECT_EQ(library.FileName, name);
    EXPECT_EQ(Names(library), (std::vector<std::string>{"APP", "ZAPP", "1", "5", "7"}));
    const std::vector<size_t> counts = {2, 1, 2, 0, 2};
    for (int i = 0; i < library.Icons.Count(); ++i)
      EXPECT_EQ(library.Icons.Objects(i)->Images.Count(), counts[i]) << i;
    EXPECT_EQ(BytesOf(*library.Icons.Objects(0)->Images.Items(1)), Dib32);
    EXPECT_EQ(library.Icons.Objects(2)->Images.Items(0)->Width, 16);
  }
}

TEST(Library32, GroupNamingAMissingIconResourceIsAnError) {
  const std::vector<fixtures::PeResource> resources = {
      {platform::RT_GROUP_ICON, uint16_t{1}, 0,
       fixtures::MakeGroupIcon({{Dib16, 16, 16, 0, 1, 8, 42}})},
      {platform::RT_ICON, uint16_t{1}, 0, Dib16},
  };
  KeptLibrary library;
  EXPECT_THROW(library.LoadFromBytes("C:\\broken.dll", fixtures::BuildPe(resources)),
               icons::EResNotFound);
  EXPECT_TRUE(library.Untouched());
}

TEST(Library, FilesThatAreNoUsableModuleChangeNothing) {
  TempDir dir;
  const std::vector<fixtures::PeResource> noIcons = {{6, uint16_t{1}, 0, "strings"}};
  struct Case {
    const char *title;
    std::string bytes; // empty: the file does not exist
  };
  const std::vector<Case> cases = {
      {"missing file", ""},
      {"text file", "[Buttonbar]\nButtoncount=0\n"},
      {".ico file", fixtures::MakeIcoFile({{Dib16, 16, 16, 0, 1, 8}})},
      {"module without icons", fixtures::BuildPe(noIcons)},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.title);
    const auto host = dir / "file.dll";
    std::filesystem::remove(host);
    if (!c.bytes.empty())
      testsupport::WriteBytes(host, c.bytes);
    KeptLibrary library;
    EXPECT_NO_THROW(library.LoadFromFile(testsupport::WindowsNameOf(host)));
    EXPECT_TRUE(library.Untouched());
    EXPECT_EQ(library.FileName, "");
  }
}

TEST(Library16, StoredNamesAreUsedOnlyWhenThereIsOnePerGroup) {
  struct Case {
    const char *title;
    std::vector<std::string> written;
    std::vector<std::string> read;
  };
  const std::vector<Case> cases = {
      {"cache names", {"0", "3"}, {"0", "3"}},
      {"default names", {"", ""}, {"Icon 1", "Icon 2"}},
      {"an icon named ICL first: both ICL names dropped", {"ICL", "b"}, {"tools 001", "tools 002"}},
      {"ICL after a kept name stays", {"b", "ICL"}, {"b", "ICL"}},
      {"icl compared with case", {"icl", "b"}, {"icl", "b"}},
      {"a 256-character name ends the names",
       {std::string(256, 'x'), "b"},
       {"tools 001", "tools 002"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.title);
    TIconLibrary library;
    library.LoadFromBytes("C:\\bars\\tools.icl", WrittenLibrary(c.written));
    EXPECT_EQ(Names(library), c.read);
  }
}

TEST(Library16, GeneratedNamesUseTheBaseNameAndAtLeastThreeDigits) {
  std::vector<std::string> names(1000, "n");
  names[0] = std::string(256, 'x'); // its length byte 0 ends the name area at once
  TIconLibrary library;
  library.LoadFromBytes("C:\\a.icl", WrittenLibrary(names));
  ASSERT_EQ(library.Icons.Count(), 1000);
  EXPECT_EQ(library.Icons.Strings(0), "a 001");
  EXPECT_EQ(library.Icons.Strings(98), "a 099");
  EXPECT_EQ(library.Icons.Strings(999), "a 1000");

  struct Case {
    const char *file, *first;
  };
  for (const Case &c :
       std::vector<Case>{{"C:\\x\\tools.icl", "tools 001"},
                         {"tools", "tools 001"},
                         {"D:\\my.icons.icl", "my.icons 001"},
                         {"C:\\dir.d\\noext", "noext 001"},
                         {"C:\\long.0123456789012345678901234567890123", "long90123 001"}}) {
    SCOPED_TRACE(c.file);
    T16BitReader reader(c.file,
                        fixtures::BuildNe({{platform::RT_GROUP_ICON, uint16_t{1},
                                            fixtures::MakeGroupIcon({{Dib16, 16, 16, 0, 1, 8, 1}})},
                                           {platform::RT_ICON, uint16_t{1}, Dib16}}));
    ASSERT_TRUE(reader.Read()) << reader.LastError;
    ASSERT_EQ(reader.Icons.size(), 1u);
    EXPECT_EQ(reader.Icons[0].first, c.first);
  }
}

TEST(Library16, AlignedResourcesGiveTheirImagesAndFillIsNotPartOfThem) {
  const std::string group =
      fixtures::MakeGroupIcon({{Dib16, 16, 16, 0, 1, 8, 2}, {Dib32, 32, 32, 0, 1, 32, 1}});
  for (uint16_t shift : {0, 4, 9}) {
    SCOPED_TRACE(shift);
    const std::string file = fixtures::BuildNe({{platform::RT_GROUP_ICON, uint16_t{1}, group},
                                                {platform::RT_ICON, uint16_t{1}, Dib32},
                                                {platform::RT_ICON, uint16_t{2}, Dib16}},
                                               shift);
    TIconLibrary library;
    library.LoadFromBytes("C:\\lib.icl", file);
    ASSERT_EQ(library.Icons.Count(), 1);
    const TAdvancedIcon &icon = *library.Icons.Objects(0);
    ASSERT_EQ(icon.Images.Count(), 2);
    EXPECT_EQ(typeid(*icon.Images.Items(0)), typeid(icons::TICL16IconImage));
    EXPECT_EQ(BytesOf(*icon.Images.Items(0)), Dib16)
        << "found through the identifier, not the position";
    EXPECT_EQ(BytesOf(*icon.Images.Items(1)), Dib32);
    EXPECT_EQ(icon.Images.Items(0)->Width, 16);
  }
}

TEST(Library16, EntrySizesStayAsTheGroupGivesThem) {
  // 16-bit images keep the group's width and height even where the bitmap disagrees.
  const std::string file =
      fixtures::BuildNe({{platform::RT_GROUP_ICON, uint16_t{1},
                          fixtures::MakeGroupIcon({{Dib32, 48, 48, 0, 1, 32, 1}})},
                         {platform::RT_ICON, uint16_t{1}, Dib32}});
  TIconLibrary library;
  library.LoadFromBytes("C:\\lib.icl", file);
  ASSERT_EQ(library.Icons.Count(), 1);
  EXPECT_EQ(library.Icons.Objects(0)->Images.Items(0)->Width, 48);
}

TEST(Library16, DamagedFilesFailWithTheirMessageAndLeaveTheLibrary) {
  const std::string good = WrittenLibrary({"0", "1"});
  auto damaged = [&](size_t at, uint16_t value) {
    std::string bytes = good;
    fixtures::Poke16(bytes, at, value);
    return bytes;
  };
  const size_t iconType = 192 + 2 + 8 + 12 * 2;
  const size_t firstGroupDir = size_t{static_cast<uint8_t>(good[192 + 10])} |
                               size_t{static_cast<uint8_t>(good[192 + 11])} << 8;
  const std::string onlyGroups =
      fixtures::BuildNe({{platform::RT_GROUP_ICON, uint16_t{1},
                          fixtures::MakeGroupIcon({{Dib16, 16, 16, 0, 1, 8, 1}})}});
  struct Case {
    const char *title;
    std::string bytes;
    const char *message;
  };
  const std::vector<Case> cases = {
      {"not MZ", damaged(0, 0x5A5A), "Not a valid ICL File"},
      {"new header offset below 60", damaged(60, 59), "Invalid Windows 16 Offset"},
      {"no NE header", damaged(128, 0x454C), "Invalid Windows 16 Header"},
      {"resource table offset 0", damaged(128 + 0x24, 0), "No Resources in file"},
      {"resident names offset 0", damaged(128 + 0x26, 0), "Names Table not found"},
      {"icon type replaced by another type", damaged(iconType, 0x8005),
       "ResourceTable has an Error"},
      {"icon type with a high byte (integer type 259)", damaged(iconType, 0x8103),
       "ResourceTable has an Error"},
      {"no icon type at all", onlyGroups, "ResourceTable has an Error"},
      {"group names image 99", damaged(firstGroupDir + 6 + 12, 99), "Icon Resource Not Found"},
      {"resource table beyond the end", damaged(128 + 0x24, 0xFF00), "Stream read error"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.title);
    T16BitReader reader("C:\\tools.icl", c.bytes);
    EXPECT_FALSE(reader.Read());
    EXPECT_EQ(reader.LastError, c.message);
    EXPECT_TRUE(reader.Icons.empty());
    KeptLibrary library;
    EXPECT_NO_THROW(library.LoadFromBytes("C:\\tools.icl", c.bytes));
    EXPECT_TRUE(library.Untouched());
  }
  T16BitReader reader("C:\\tools.icl", good);
  EXPECT_TRUE(reader.Read());
  EXPECT_EQ(reader.LastError, "");
}

// The shell's icon functions and the library read a module through the same readers, so
// the icons a bar shows and the icons its cache collects are the same.
TEST(Library16, TheShellAndTheLibraryFindTheSameIcons) {
  // The image resource comes last, with its fill to the next 16 bytes.
  const size_t fill = 16 - Dib16.size() % 16;
  ASSERT_LT(fill, 16u);
  const std::string intact =
      fixtures::BuildNe({{platform::RT_GROUP_ICON, uint16_t{1},
                          fixtures::MakeGroupIcon({{Dib16, 16, 16, 0, 1, 8, 1}})},
                         {platform::RT_ICON, uint16_t{1}, Dib16}},
                        4);
  std::string farHeader = intact;
  fixtures::Poke16(farHeader, 62, 1);
  struct Case {
    const char *title;
    std::string bytes;
    int icons;
  };
  const std::vector<Case> cases = {
      {"intact", intact, 1},
      {"last image without its fill", intact.substr(0, intact.size() - fill), 1},
      {"new header offset with a high half", farHeader, 0},
  };
  TempDir dir;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.title);
    const auto host = dir / (std::string(c.title) + ".icl");
    testsupport::WriteBytes(host, c.bytes);
    const std::string name = testsupport::WindowsNameOf(host);
    TIconLibrary library;
    library.LoadFromFile(name);
    ASSERT_EQ(library.Icons.Count(), c.icons);
    EXPECT_EQ(platform::ExtractIconCountA(name), static_cast<unsigned>(c.icons));
    if (c.icons) {
      EXPECT_TRUE(library.Icons.Objects(0)->Images.Items(0)->Handle());
      EXPECT_TRUE(platform::ExtractIconA(name, 0));
    }
  }
}

// Every prefix of a written library: the reader fails until the table and the names are
// whole, then reads every icon whose directory and some image are whole, the same groups
// the shell counts, and no image of it lacks a byte.
TEST(Library16, EveryPrefixOfALibraryIsReadWithoutPassingItsEnd) {
  const std::string file = WrittenLibrary({"0", "1", "2"});
  bool readShorter = false;
  size_t iconsOfShorter = 0;
  for (size_t size = 0; size <= file.size(); ++size) {
    SCOPED_TRACE("prefix of " + std::to_string(size) + " bytes");
    const std::string prefix = file.substr(0, size);
    T16BitReader reader("C:\\t.icl", prefix);
    const bool read = reader.Read();
    ASSERT_TRUE(read || !readShorter) << reader.LastError;
    auto module = platform::ResourceModule::FromBytes(prefix);
    const size_t counted = module ? module->IconGroups().size() : 0;
    ASSERT_EQ(reader.Icons.size(), read ? counted : 0);
    ASSERT_GE(reader.Icons.size(), iconsOfShorter);
    readShorter = read;
    iconsOfShorter = reader.Icons.size();
    for (const auto &[name, icon] : reader.Icons)
      for (size_t k = 0; k < icon->Images.Count(); ++k)
        ASSERT_GE(icon->Images.Items(k)->Data->size(), icon->Images.Items(k)->BytesInRes);
  }
  T16BitReader whole("C:\\t.icl", file);
  ASSERT_TRUE(whole.Read());
  EXPECT_EQ(whole.Icons.size(), 3u);
}

// A library or module cut short: every icon whose directory and at least one image are
// whole is read, keeping its whole images; the shell counts and draws the same icons.
TEST(Library, ACutFileYieldsEveryWholeIconAndCountsTheSame) {
  using platform::RT_GROUP_ICON;
  using platform::RT_ICON;
  const std::string a = fixtures::SolidDib(16, 8, 0xFF0000FF);
  const std::string b = fixtures::SolidDib(32, 32, 0xFF00FF00);
  const std::string c = fixtures::SolidDib(48, 8, 0xFFFF0000);
  const std::string d = fixtures::SolidDib(32, 8, 0xFF00FFFF);
  const std::vector<IconEntry> lastGroup = {{c, 48, 48, 0, 1, 8, 3}, {d, 32, 32, 0, 1, 8, 4}};
  const std::string g1 = fixtures::MakeGroupIcon({{a, 16, 16, 0, 1, 8, 1}});
  const std::string g2 = fixtures::MakeGroupIcon({{b, 32, 32, 0, 1, 32, 2}});
  const std::string g3 = fixtures::MakeGroupIcon(lastGroup);
  // As a resource compiler lays them out, images before directories; and as icon
  // editors write .icl files, directories first, so that the last image ends the file.
  const std::string pe = fixtures::BuildPe({{RT_ICON, uint16_t{1}, 0, a},
                                            {RT_ICON, uint16_t{2}, 0, b},
                                            {RT_ICON, uint16_t{3}, 0, c},
                                            {RT_ICON, uint16_t{4}, 0, d},
                                            {RT_GROUP_ICON, uint16_t{1}, 0, g1},
                                            {RT_GROUP_ICON, uint16_t{2}, 0, g2},
                                            {RT_GROUP_ICON, uint16_t{3}, 0, g3}});
  const std::string neImagesFirst = fixtures::BuildNe({{RT_ICON, uint16_t{1}, a},
                                                       {RT_ICON, uint16_t{2}, b},
                                                       {RT_ICON, uint16_t{3}, c},
                                                       {RT_ICON, uint16_t{4}, d},
                                                       {RT_GROUP_ICON, uint16_t{1}, g1},
                                                       {RT_GROUP_ICON, uint16_t{2}, g2},
                                                       {RT_GROUP_ICON, uint16_t{3}, g3}});
  const std::string neGroupsFirst = fixtures::BuildNe({{RT_GROUP_ICON, uint16_t{1}, g1},
                                                       {RT_GROUP_ICON, uint16_t{2}, g2},
                                                       {RT_GROUP_ICON, uint16_t{3}, g3},
                                                       {RT_ICON, uint16_t{1}, a},
                                                       {RT_ICON, uint16_t{2}, b},
                                                       {RT_ICON, uint16_t{3}, c},
                                                       {RT_ICON, uint16_t{4}, d}});
  // Where the bytes of a resource end in a file (each is unique there).
  auto endOf = [](const std::string &file, const std::string &bytes) {
    const size_t at = file.rfind(bytes);
    EXPECT_NE(at, std::string::npos);
    return at + bytes.size();
  };
  struct Case {
    const char *title;
    std::string file;
    size_t size; // the file is cut to this size
    int icons;
    size_t lastImages; // images of the last icon read
  };
  const std::vector<Case> cases = {
      {"PE intact", pe, pe.size(), 3, 2},
      {"PE last directory a few bytes short", pe, endOf(pe, g3) - 3, 2, 1},
      {"PE cut inside the last directory", pe, endOf(pe, g3) - g3.size() + 10, 2, 1},
      {"PE cut inside the last image", pe, endOf(pe, d) - 3, 0, 0},
      {"NE intact", neImagesFirst, neImagesFirst.size(), 3, 2},
      {"NE last directory a few bytes short", neImagesFirst, endOf(neImagesFirst, g3) - 3, 2, 1},
      {"NE cut inside the last directory", neImagesFirst, endOf(neImagesFirst, g3) - 10, 2, 1},
      {"NE last image a few bytes short", neGroupsFirst, endOf(neGroupsFirst, d) - 3, 3, 1},
      {"NE cut inside the last icon's first image", neGroupsFirst,
       endOf(neGroupsFirst, c) - c.size() / 2, 2, 1},
      {"NE cut inside the first directory", neGroupsFirst, endOf(neGroupsFirst, g1) - 4, 0, 0},
  };
  TempDir dir;
  for (const Case &row : cases) {
    SCOPED_TRACE(row.title);
    const auto host = dir / (std::string(row.title) + ".icl");
    testsupport::WriteBytes(host, row.file.substr(0, row.size));
    const std::string name = testsupport::WindowsNameOf(host);
    KeptLibrary library;
    ASSERT_NO_THROW(library.LoadFromFile(name));
    EXPECT_EQ(platform::ExtractIconCountA(name), static_cast<unsigned>(row.icons));
    if (row.icons == 0) {
      EXPECT_TRUE(library.Untouched()) << "a file with no whole icon is one without icons";
      continue;
    }
    ASSERT_EQ(library.Icons.Count(), row.icons);
    EXPECT_EQ(library.Icons.Objects(row.icons - 1)->Images.Count(), row.lastImages);
    for (int i = 0; i < row.icons; ++i) {
      SCOPED_TRACE("icon " + std::to_string(i));
      EXPECT_TRUE(platform::ExtractIconA(name, i));
      const TAdvancedIcon &icon = *library.Icons.Objects(i);
      for (size_t k = 0; k < icon.Images.Count(); ++k)
        EXPECT_TRUE(icon.Images.Items(k)->Handle()) << "image " << k;
    }
    EXPECT_FALSE(platform::ExtractIconA(name, row.icons)) << "no index beyond the count";
  }
}

TEST(Library16, EntriesSharingOneImageCannotMultiplyMemoryWithoutBound) {
  // One group of 65535 entries all naming one 60 KB image: copied out entry by entry
  // that would be about 4 GB from a 1 MB file; the reader gives up instead.
  const std::string image(60000, 'x');
  auto module = [&](uint16_t entries) {
    std::string directory = std::string("\0\0\1\0", 4);
    fixtures::Put16(directory, entries);
    for (uint16_t i = 0; i < entries; ++i) {
      directory += std::string("\x20\x20\0\0\1\0\x20\0", 8);
      fixtures::Put32(directory, static_cast<uint32_t>(image.size()));
      fixtures::Put16(directory, 1);
    }
    return fixtures::BuildNe({{platform::RT_ICON, uint16_t{1}, image},
                              {platform::RT_GROUP_ICON, uint16_t{1}, directory}},
                             4);
  };
  T16BitReader few("C:\\many.icl", module(20));
  ASSERT_TRUE(few.Read()) << few.LastError;
  EXPECT_EQ(few.Icons.at(0).second->Images.Count(), 20) << "sharing as such is accepted";
  T16BitReader many("C:\\many.icl", module(65535));
  EXPECT_FALSE(many.Read());
  EXPECT_EQ(many.LastError, "Stream read error");
}

TEST(Library, SavedAndLoadedAgainThroughFiles) {
  TempDir dir;
  const std::string name = testsupport::WindowsNameOf((dir / "tools.icl"));
  TIconLibrary library;
  library.Icons.AddIcon("0", IconOfRaw({Dib16, Dib32}));
  library.Icons.AddIcon("2", IconOfRaw({Image(7)}));
  library.SaveToFile(name);
  TIconLibrary loaded;
  loaded.LoadFromFile(name);
  EXPECT_EQ(loaded.FileName, name);
  EXPECT_EQ(Names(loaded), (std::vector<std::string>{"0", "2"}));
  ASSERT_EQ(loaded.Icons.Objects(0)->Images.Count(), 2);
  EXPECT_EQ(BytesOf(*loaded.Icons.Objects(0)->Images.Items(1)), Dib32);
}

// Planes, bit count and colour count stay as the directory entry states them on every
// way into and out of a library, since Windows picks an icon's image by them; only a
// field the entry leaves 0 is taken from the image.
TEST(Library, StatedEntryFieldsSurviveLoadingCopyingAndWriting) {
  const std::string greyPng =
      fixtures::MakeGreyAlphaPng(16, 16, std::vector<uint16_t>(16 * 16, 0xFF80));
  const std::string dib4 = fixtures::SolidDib(16, 4, 0xFF0000FF);
  struct Case {
    const char *title;
    IconEntry entry;
    uint16_t planes, bitCount;
  };
  const std::vector<Case> cases = {
      {"16-bit PNG stating 32 bits", {greyPng, 16, 16, 0, 1, 32, 1}, 1, 32},
      {"16-bit PNG stating 0 planes and 0 bits", {greyPng, 16, 16, 0, 0, 0, 1}, 1, 16},
      {"4-bit DIB stating 8 bits", {dib4, 16, 16, 16, 1, 8, 1}, 1, 8},
      {"4-bit DIB stating 0 planes and 0 bits", {dib4, 16, 16, 0, 0, 0, 1}, 1, 4},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.title);
    const std::string group = fixtures::MakeGroupIcon({c.entry});
    std::vector<std::pair<const char *, TIconLibrary>> sources(3);
    sources[0].first = ".ico file";
    auto icon = std::make_unique<TAdvancedIcon>();
    ASSERT_TRUE(icon->LoadFromBytes(fixtures::MakeIcoFile({c.entry})));
    sources[0].second.Icons.AddIcon("1", std::move(icon));
    sources[1].first = "PE group";
    sources[1].second.LoadFromBytes(
        "C:\\m.dll", fixtures::BuildPe({{platform::RT_GROUP_ICON, uint16_t{1}, 0, group},
                                        {platform::RT_ICON, uint16_t{1}, 0, c.entry.image}}));
    sources[2].first = "NE group";
    sources[2].second.LoadFromBytes(
        "C:\\m.icl", fixtures::BuildNe({{platform::RT_GROUP_ICON, uint16_t{1}, group},
                                        {platform::RT_ICON, uint16_t{1}, c.entry.image}}));
    for (const auto &[source, library] : sources) {
      SCOPED_TRACE(source);
      auto expectFields = [&](const TIconLibrary &holder, const char *stage) {
        ASSERT_EQ(holder.Icons.Count(), 1) << stage;
        ASSERT_EQ(holder.Icons.Objects(0)->Images.Count(), 1) << stage;
        const TIconImage &image = *holder.Icons.Objects(0)->Images.Items(0);
        EXPECT_EQ(std::make_tuple(int{image.ColorCount}, int{image.Planes}, int{image.BitCount}),
                  std::make_tuple(int{c.entry.colorCount}, int{c.planes}, int{c.bitCount}))
            << stage;
      };
      expectFields(library, "loaded");
      auto copy = std::make_unique<TAdvancedIcon>();
      copy->Assign(*library.Icons.Objects(0));
      TIconLibrary copied;
      copied.Icons.AddIcon("1", std::move(copy));
      expectFields(copied, "copied");
      TIconLibrary written;
      written.LoadFromBytes("C:\\w.icl", copied.SaveToBytes());
      expectFields(written, "written and read back");
    }
  }
}

namespace {

std::string ExpectedName(const nlohmann::json &name) {
  return name.is_number() ? std::to_string(name.get<int>()) : name.get<std::string>();
}

void CheckGroup(const TAdvancedIcon &icon, const nlohmann::json &group, bool is16) {
  const auto &entries = group["entries"];
  ASSERT_EQ(icon.Images.Count(), entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE("image " + std::to_string(i));
    const auto &want = entries[i];
    const TIconImage &image = *icon.Images.Items(i);
    const auto &resource = want["icon"];
    const auto &picture = resource["image"];
    if (is16) {
      EXPECT_EQ(image.Width, want["width"].get<int>());
    } else {
      const int side = std::min(picture["width"].get<int>(), picture["height"].get<int>());
      EXPECT_EQ(image.Width, side & 0xFF);
    }
    EXPECT_EQ(image.ColorCount, want["color_count"].get<int>());
    const int stated = want["bit_count"].get<int>();
    if (stated != 0 || picture["format"] == "bmp") {
      EXPECT_EQ(image.BitCount, stated != 0 ? stated : picture["bit_count"].get<int>());
    }
    const size_t size = resource["size"].get<size_t>();
    EXPECT_EQ(image.BytesInRes, std::min<size_t>(want["bytes_in_res"].get<size_t>(), size));
    ASSERT_GE(image.Data->size(), size);
    EXPECT_EQ(testsupport::Sha256Hex(std::span<const uint8_t>(image.Data->data(), size)),
              resource["sha256"].get<std::string>());
    EXPECT_TRUE(image.Handle()) << "a good image gives an icon";
  }
}

} // namespace

// The real modules of the shared corpus, checked against what the manifest records.
TEST(LibraryCorpus, ModulesMatchTheManifest) {
  const auto shared = testsupport::SharedDir();
  const auto found = testsupport::CorpusManifest();
  if (!found)
    GTEST_SKIP() << "the shared icon corpus is not there";
  const nlohmann::json &manifest = *found;
  int checked = 0;
  for (const auto &entry : manifest["files"]) {
    const std::string container = entry.value("container", "");
    if (container != "PE32" && container != "PE32+" && container != "NE")
      continue;
    const std::string path = entry["path"];
    SCOPED_TRACE(path);
    const std::string name = testsupport::WindowsNameOf((shared / "corpus" / path));
    const std::string expect = entry["expect"];
    KeptLibrary library;
    if (expect == "error") {
      // Damaged modules may fail to load, but only with one of our errors.
      try {
        library.LoadFromFile(name);
      } catch (const std::exception &) {
      }
      ++checked;
      continue;
    }
    library.LoadFromFile(name);
    if (expect == "no-icons") {
      EXPECT_TRUE(library.Untouched());
      ++checked;
      continue;
    }
    const auto &groups = entry["groups"];
    ASSERT_EQ(library.Icons.Count(), static_cast<int>(groups.size()));
    const bool is16 = container == "NE";
    for (size_t g = 0; g < groups.size(); ++g) {
      SCOPED_TRACE("group " + std::to_string(g));
      if (!is16) {
        EXPECT_EQ(library.Icons.Strings(static_cast<int>(g)),
                  ExpectedName(entry["enum_order"]["names"][g]));
      }
      CheckGroup(*library.Icons.Objects(static_cast<int>(g)), groups[g], is16);
    }
    ++checked;
  }
  EXPECT_GT(checked, 0) << "the manifest lists no module";
}

TEST(LibraryCorpus, KnownFiles) {
  const auto shared = testsupport::SharedDir();
  if (shared.empty() || !std::filesystem::exists(shared / "corpus" / "ne" / "wine" / "display.icl"))
    GTEST_SKIP() << "the shared icon corpus is not there";
  auto name = [&](const char *path) {
    return testsupport::WindowsNameOf((shared / "corpus" / path));
  };
  // The only name after display.icl's resource types is its string-named type OEMBIN:
  // one name for one group, so it names the group.
  TIconLibrary display;
  display.LoadFromFile(name("ne/wine/display.icl"));
  EXPECT_EQ(Names(display), std::vector<std::string>{"OEMBIN"});
  // winemine cut inside its icons: the group's bytes are gone with them, so it holds no
  // icon, and the shell counts none.
  KeptLibrary cut;
  const std::string cutName = name("broken/derived/winemine-cut-in-icon9.exe");
  EXPECT_NO_THROW(cut.LoadFromFile(cutName));
  EXPECT_TRUE(cut.Untouched());
  EXPECT_EQ(platform::ExtractIconCountA(cutName), 0u);
}

// A real module cut inside the directory of its last group icon (the manifest records
// where it lies), in a temporary folder: the other groups are read whole, and counted.
TEST(LibraryCorpus, ARealModuleCutInItsLastGroupKeepsTheOthers) {
  const auto found = testsupport::CorpusManifest();
  if (!found)
    GTEST_SKIP() << "the shared icon corpus (../shared/corpus) is not there";
  const std::string path = "pe32plus/wine/taskmgr.exe";
  const auto source = testsupport::SharedDir() / "corpus" / path;
  size_t lastGroup = 0;
  for (const auto &entry : (*found)["files"])
    if (entry["path"] == path)
      lastGroup = entry["groups"].back()["file_offset"];
  ASSERT_GT(lastGroup, 0u) << path << " is not in the manifest";
  TIconLibrary intact;
  intact.LoadFromFile(testsupport::WindowsNameOf(source));
  ASSERT_EQ(intact.Icons.Count(), 3);
  TempDir dir;
  const auto host = dir / "taskmgr.exe";
  testsupport::WriteBytes(host, testsupport::ReadBytes(source).substr(0, lastGroup + 20));
  const std::string name = testsupport::WindowsNameOf(host);
  TIconLibrary cut;
  cut.LoadFromFile(name);
  EXPECT_EQ(platform::ExtractIconCountA(name), 2u);
  ASSERT_EQ(Names(cut), (std::vector<std::string>{"136", "137"}));
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(cut.Icons.Objects(i)->Images.Count(), intact.Icons.Objects(i)->Images.Count());
}
