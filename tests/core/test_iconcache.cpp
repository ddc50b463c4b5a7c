#include "document/ButtonList.h"
#include "fixtures/IconImages.h"
#include "fixtures/NeBuilder.h"
#include "fixtures/PeBuilder.h"
#include "icons/IconLibrary.h"
#include "platform/HostFiles.h"
#include "platform/IconHandle.h"
#include "platform/Profile.h"
#include "support/RunProcess.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

// The note of the bar's last save in English; empty when there is none.
std::string NoteOf(const ButtonBar &bar) {
  return bar.CacheNote ? platform::EnglishText(*bar.CacheNote) : "";
}

// A folder with a DLL of five group icons, a one-image .ico file and a bar naming them.
class IconCacheTest : public ::testing::Test {
protected:
  IconCacheTest() {
    WriteBytes(dir / "five.dll", fixtures::BuildIconModule(5));
    fixtures::IconEntry entry;
    entry.image = fixtures::SolidDib(16, 32, 0xFF00FF00);
    entry.width = entry.height = 16;
    WriteBytes(dir / "green.ico", fixtures::MakeIcoFile({entry}));
    platform::FlushProfileCache();
  }

  std::string Name(const std::string &file) const {
    return testsupport::WindowsNameOf((dir / file));
  }
  // The three-button bar: a DLL's icon 3, a missing DLL, an existing .ico.
  std::unique_ptr<ButtonBar> ThreeButtons(uint8_t mode) {
    auto bar = std::make_unique<ButtonBar>("", "");
    for (const std::string &ref :
         {Name("five.dll") + ",3", Name("gone.dll") + ",0", Name("green.ico")})
      bar->SetField(bar->Add(), bfIconRef, ref);
    bar->CacheMode = mode;
    return bar;
  }
  std::string Key(const char *section, const std::string &key,
                  const std::string &bar = "tools.bar") {
    platform::FlushProfileCache();
    return platform::ReadProfileString(section, key, "<none>", Name(bar));
  }
  std::vector<std::string> CacheNames(const std::string &cache = "tools.icl") {
    icons::TIconLibrary library;
    library.LoadFromFile(Name(cache));
    std::vector<std::string> names;
    for (int i = 0; i < library.Icons.Count(); ++i)
      names.push_back(library.Icons.Strings(i));
    return names;
  }

  // A library made by hand: group icons and images of its own, each group one image.
  static std::string HandMadeNe(int icons) {
    std::vector<fixtures::NeResource> resources;
    for (uint16_t id = 1; id <= icons; ++id) {
      fixtures::IconEntry entry;
      entry.image = fixtures::SolidDib(16, 32, 0xFF000000u | id);
      entry.width = entry.height = 16;
      entry.id = id;
      resources.push_back({platform::RT_GROUP_ICON, id, fixtures::MakeGroupIcon({entry})});
      resources.push_back({platform::RT_ICON, id, entry.image});
    }
    return fixtures::BuildNe(resources);
  }
  // A library written as a cache is, with icons of five.dll under the given names.
  std::string LibraryNamed(const std::vector<std::string> &names) {
    icons::TIconLibrary five;
    five.LoadFromFile(Name("five.dll"));
    icons::TIconLibrary library;
    for (size_t i = 0; i < names.size(); ++i) {
      auto icon = std::make_unique<icons::TAdvancedIcon>();
      icon->Assign(*five.Icons.Objects(static_cast<int>(i)));
      library.Icons.AddIcon(names[i], std::move(icon));
    }
    return library.SaveToBytes();
  }

  TempDir dir;
};

TEST_F(IconCacheTest, LinksPointCachedButtonsIntoTheCacheFile) {
  auto bar = ThreeButtons(CacheLinks);
  bar->SaveTo(Name("tools.bar"));
  EXPECT_EQ(CacheNames(), (std::vector<std::string>{"0", "2"}));
  EXPECT_EQ(Key("Buttonbar", "button1"), Name("tools.icl") + ",0");
  EXPECT_EQ(Key("Buttonbar", "button2"), Name("gone.dll") + ",0");
  EXPECT_EQ(Key("Buttonbar", "button3"), Name("tools.icl") + ",1");
  EXPECT_EQ(bar->GetField(0, bfIconRef), Name("five.dll") + ",3") << "memory keeps the reference";
  EXPECT_EQ(bar->CacheMap, (std::vector<std::pair<std::string, int>>{{"0", 0}, {"2", 1}}));
}

// The cache is a 16-bit library: a button's 256-pixel image, which it cannot hold, is
// left out, and the button is cached with its other images.
TEST_F(IconCacheTest, ImagesTooLargeForTheCacheAreLeftOut) {
  fixtures::IconEntry small, large;
  small.image = fixtures::SolidDib(16, 32, 0xFF00FF00);
  small.width = small.height = 16;
  large.image = fixtures::MakePng(256, 256, std::vector<uint32_t>(256 * 256, 0xFF0000FF));
  WriteBytes(dir / "modern.ico", fixtures::MakeIcoFile({small, large}));
  auto bar = std::make_unique<ButtonBar>("", "");
  bar->SetField(bar->Add(), bfIconRef, Name("modern.ico"));
  bar->CacheMode = CacheLinks;
  bar->SaveTo(Name("tools.bar"));
  EXPECT_EQ(NoteOf(*bar), "");
  EXPECT_EQ(Key("Buttonbar", "button1"), Name("tools.icl") + ",0");
  icons::TIconLibrary cache;
  cache.LoadFromFile(Name("tools.icl"));
  ASSERT_EQ(cache.Icons.Count(), 1);
  EXPECT_EQ(cache.Icons.Objects(0)->Images.Count(), 1);
}

TEST_F(IconCacheTest, AlternativeWritesCacheIndicesAndKeepsReferences) {
  ThreeButtons(CacheWithTcMenu)->SaveTo(Name("tools.bar"));
  EXPECT_EQ(Key("Buttonbar", "button1"), Name("five.dll") + ",3");
  EXPECT_EQ(Key("Buttonbar", "button3"), Name("green.ico"));
  EXPECT_EQ(Key("AlternativeCache", "CacheIndex1"), "0");
  EXPECT_EQ(Key("AlternativeCache", "CacheIndex2"), "<none>");
  EXPECT_EQ(Key("AlternativeCache", "CacheIndex3"), "1");
}

// A file named like the cache is replaced only when a save wrote it as a cache, and
// never with the cache off. Button 1 points into the file, as into a library of the
// user's; button 2's icon changes; the bar holds indices of an earlier TCMenu save.
TEST_F(IconCacheTest, OnlyACacheASaveWroteIsReplaced) {
  ThreeButtons(CacheLinks)->SaveTo(Name("earlier.bar"));
  struct Kind {
    const char *name;
    std::optional<std::string> bytes; // none: no file
    bool replaceable;
  } kinds[] = {
      {"hand-made 16-bit library", HandMadeNe(7), false},
      {"32-bit library", fixtures::BuildIconModule(7), false},
      {"the writer's layout, names of its own", LibraryNamed({"star", "view"}), false},
      {"the writer's layout, positions out of order", LibraryNamed({"3", "1"}), false},
      {"not an icon file", "my notes\r\n", false},
      {"a cache of an earlier save", ReadBytes(dir / "earlier.icl"), true},
      {"no file", std::nullopt, true},
  };
  for (const auto &kind : kinds) {
    for (uint8_t mode : {CacheOff, CacheLinks, CacheWithTcMenu}) {
      SCOPED_TRACE(std::string(kind.name) + ", mode " + std::to_string(mode));
      std::filesystem::remove(dir / "tools.icl");
      if (kind.bytes)
        WriteBytes(dir / "tools.icl", *kind.bytes);
      WriteBytes(dir / "tools.bar", "[Buttonbar]\r\nButtoncount=2\r\nbutton1=" + Name("tools.icl") +
                                        ",5\r\nbutton2=" + Name("five.dll") +
                                        ",3\r\n[AlternativeCache]\r\n" + "CacheIndex1=4\r\n");
      platform::FlushProfileCache();
      ButtonBar bar(Name("tools.bar"), "");
      bar.SetField(1, bfIconRef, Name("green.ico"));
      bar.CacheMode = mode;
      bar.SaveTo(Name("tools.bar"));
      const bool replaced = kind.replaceable && mode != CacheOff;
      if (replaced)
        EXPECT_EQ(CacheNames(), std::vector<std::string>{"1"}) << "this save's cache";
      else if (kind.bytes)
        EXPECT_EQ(ReadBytes(dir / "tools.icl"), *kind.bytes);
      else
        EXPECT_FALSE(std::filesystem::exists(dir / "tools.icl"));
      EXPECT_EQ(Key("Buttonbar", "button1"), Name("tools.icl") + ",5");
      EXPECT_EQ(Key("Buttonbar", "button2"),
                replaced && mode == CacheLinks ? Name("tools.icl") + ",0" : Name("green.ico"));
      EXPECT_EQ(Key("AlternativeCache", "CacheIndex1"), "<none>");
      EXPECT_EQ(Key("AlternativeCache", "CacheIndex2"),
                replaced && mode == CacheWithTcMenu ? "0" : "<none>");
      if (mode == CacheOff || replaced)
        EXPECT_EQ(NoteOf(bar), "");
      else
        EXPECT_NE(NoteOf(bar).find(Name("tools.icl") + " was not written"), std::string::npos)
            << NoteOf(bar);
    }
  }
}

TEST_F(IconCacheTest, MissingIcoStillTakesAPlaceInTheCache) {
  ButtonBar bar("", "");
  bar.SetField(bar.Add(), bfIconRef, Name("missing.ico"));
  bar.SetField(bar.Add(), bfIconRef, Name("five.dll") + ",0");
  bar.CacheMode = CacheLinks;
  bar.SaveTo(Name("tools.bar"));
  EXPECT_EQ(CacheNames(), (std::vector<std::string>{"0", "1"}));
  EXPECT_EQ(Key("Buttonbar", "button1"), Name("missing.ico"));
  EXPECT_EQ(Key("Buttonbar", "button2"), Name("tools.icl") + ",1");
}

// A negative number names the icon by its resource identifier: five.dll's groups are 1-5,
// so -4 is its icon 3, and -6 names none.
TEST_F(IconCacheTest, NegativeIndexCachesTheIconOfThatIdentifier) {
  ButtonBar bar("", "");
  bar.SetField(bar.Add(), bfIconRef, Name("five.dll") + ",-4");
  bar.SetField(bar.Add(), bfIconRef, Name("five.dll") + ",-6");
  bar.CacheMode = CacheLinks;
  bar.SaveTo(Name("tools.bar"));
  EXPECT_EQ(CacheNames(), (std::vector<std::string>{"0"}));
  EXPECT_EQ(Key("Buttonbar", "button2"), Name("five.dll") + ",-6");
  const auto cached = platform::ExtractIconA(Name("tools.icl"), 0);
  const auto source = platform::ExtractIconA(Name("five.dll"), 3);
  ASSERT_TRUE(cached && source);
  EXPECT_EQ(cached.Pixels()->argb, source.Pixels()->argb);
}

TEST_F(IconCacheTest, IndexEqualToTheIconCountIsNotCachedAndNoEmptyCacheIsWritten) {
  ButtonBar bar("", "");
  bar.SetField(bar.Add(), bfIconRef, Name("five.dll") + ",5");
  bar.CacheMode = CacheLinks;
  bar.SaveTo(Name("tools.bar"));
  EXPECT_FALSE(std::filesystem::exists(dir / "tools.icl"));
  EXPECT_EQ(Key("Buttonbar", "button1"), Name("five.dll") + ",5");
  EXPECT_TRUE(bar.CacheMap.empty());
  EXPECT_EQ(NoteOf(bar), "") << "a bar without icons to cache has nothing to note";
}

TEST_F(IconCacheTest, SecondSaveAfterReorderWritesTheNewIndices) {
  auto bar = ThreeButtons(CacheLinks);
  bar->SaveTo(Name("tools.bar"));
  bar->Move(2, 0); // the .ico first
  bar->SaveTo(Name("tools.bar"));
  EXPECT_EQ(bar->CacheMap, (std::vector<std::pair<std::string, int>>{{"0", 0}, {"1", 1}}));
  EXPECT_EQ(CacheNames(), (std::vector<std::string>{"0", "1"}));
  EXPECT_EQ(Key("Buttonbar", "button1"), Name("tools.icl") + ",0");
  EXPECT_EQ(Key("Buttonbar", "button2"), Name("tools.icl") + ",1");
  EXPECT_EQ(Key("Buttonbar", "button3"), Name("gone.dll") + ",0");
}

TEST_F(IconCacheTest, UnchangedBarWithItsCacheLeavesTheCacheAlone) {
  ThreeButtons(CacheWithTcMenu)->SaveTo(Name("tools.bar"));
  const std::string cache = ReadBytes(dir / "tools.icl");
  WriteBytes(dir / "tools.icl", cache + "marker"); // any rewrite would drop the marker
  platform::FlushProfileCache();
  ButtonBar reopened(Name("tools.bar"), "");
  reopened.CacheMode = CacheWithTcMenu;
  reopened.SaveTo(Name("tools.bar"));
  EXPECT_EQ(ReadBytes(dir / "tools.icl"), cache + "marker");
  EXPECT_EQ(Key("AlternativeCache", "CacheIndex3"), "1");
  EXPECT_FALSE(reopened.IconsChanged);
}

TEST_F(IconCacheTest, UnchangedBarWhoseCacheWasDeletedRebuildsIt) {
  // With indices kept apart, the buttons still name their own icon files.
  ThreeButtons(CacheWithTcMenu)->SaveTo(Name("tools.bar"));
  std::filesystem::remove(dir / "tools.icl");
  platform::FlushProfileCache();
  ButtonBar reopened(Name("tools.bar"), "");
  reopened.CacheMode = CacheLinks;
  reopened.SaveTo(Name("tools.bar"));
  EXPECT_TRUE(reopened.IconsChanged);
  EXPECT_EQ(CacheNames(), (std::vector<std::string>{"0", "2"}));
  EXPECT_EQ(Key("Buttonbar", "button3"), Name("tools.icl") + ",1");
}

TEST_F(IconCacheTest, FailedBuildKeepsThePreviousCacheAndTheOwnReferences) {
  ThreeButtons(CacheLinks)->SaveTo(Name("tools.bar"));
  const std::string previous = ReadBytes(dir / "tools.icl");
  // A module whose group names an icon resource it does not hold.
  fixtures::IconEntry entry;
  entry.image = fixtures::SolidDib(16, 8, 0xFFFF0000);
  entry.width = entry.height = 16;
  entry.bitCount = 8;
  entry.id = 99;
  WriteBytes(dir / "broken.dll", fixtures::BuildPe({{platform::RT_GROUP_ICON, uint16_t{1}, 0,
                                                     fixtures::MakeGroupIcon({entry})}}));
  for (uint8_t mode : {CacheLinks, CacheWithTcMenu}) {
    SCOPED_TRACE(int(mode));
    ButtonBar bar("", "");
    bar.SetField(bar.Add(), bfIconRef, Name("green.ico"));
    bar.SetField(bar.Add(), bfIconRef, Name("broken.dll") + ",0");
    bar.SetField(bar.Add(), bfIconRef, Name("five.dll") + ",1");
    bar.CacheMode = mode;
    bar.SaveTo(Name("tools.bar"));
    EXPECT_EQ(NoteOf(bar),
              "The icon cache " + Name("tools.icl") + " was not written: Resource 99 not found");
    EXPECT_EQ(ReadBytes(dir / "tools.icl"), previous);
    EXPECT_EQ(Key("Buttonbar", "button1"), Name("green.ico"));
    EXPECT_EQ(Key("Buttonbar", "button3"), Name("five.dll") + ",1");
    // Pairs recorded before the failure are still written as cache indices.
    EXPECT_EQ(Key("AlternativeCache", "CacheIndex1"), mode == CacheWithTcMenu ? "0" : "<none>");
    EXPECT_EQ(Key("AlternativeCache", "CacheIndex3"), "<none>");
  }
}

TEST_F(IconCacheTest, FailedBarWriteLeavesTheOldCacheInPlace) {
  ThreeButtons(CacheLinks)->SaveTo(Name("tools.bar"));
  const std::string previous = ReadBytes(dir / "tools.icl");
  auto bar = ThreeButtons(CacheLinks);
  bar->Move(0, 2);
  std::filesystem::permissions(dir / "tools.bar", std::filesystem::perms::owner_read);
  EXPECT_THROW(bar->SaveTo(Name("tools.bar")), platform::EFileWriteError);
  EXPECT_EQ(ReadBytes(dir / "tools.icl"), previous);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4)
      << "no temporary file is left behind";
}

// "tools.icl" as a bar would have itself as cache: the library would replace the bar.
TEST_F(IconCacheTest, BarNamedLikeItsCacheIsSavedWithoutOne) {
  auto bar = ThreeButtons(CacheLinks);
  bar->SaveTo(Name("tools.ICL"));
  EXPECT_EQ(Key("Buttonbar", "button1", "tools.ICL"), Name("five.dll") + ",3");
  EXPECT_NE(NoteOf(*bar).find("without"), std::string::npos) << NoteOf(*bar);
  EXPECT_FALSE(std::filesystem::exists(dir / "tools.ICL.corvane-new"));
}

// When the new cache cannot take the old one's place, the save fails as a whole: the
// bar must not point into a cache that was never installed.
TEST_F(IconCacheTest, CacheThatCannotBeReplacedLeavesBothFilesAsTheyWere) {
  WriteBytes(dir / "tools.bar", "[Buttonbar]\r\nButtoncount=1\r\ncmd1=old\r\n");
  std::filesystem::create_directory(dir / "tools.icl");
  auto bar = ThreeButtons(CacheLinks);
  EXPECT_THROW(bar->SaveTo(Name("tools.bar")), platform::EFileWriteError);
  EXPECT_EQ(ReadBytes(dir / "tools.bar"), "[Buttonbar]\r\nButtoncount=1\r\ncmd1=old\r\n");
  EXPECT_TRUE(std::filesystem::is_directory(dir / "tools.icl"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4)
      << "no temporary file is left behind";
}

TEST_F(IconCacheTest, WrestoolSeesOneGroupPerCachedIcon) {
  const auto wrestool = testsupport::FindOnPath("wrestool");
  if (!wrestool)
    GTEST_SKIP() << "wrestool (icoutils) is not installed; the cache is not checked against it";
  ThreeButtons(CacheLinks)->SaveTo(Name("tools.bar"));
  auto listing = testsupport::RunProcess(*wrestool, {"-l", (dir / "tools.icl").string()});
  ASSERT_EQ(listing.status, 0) << listing.err;
  size_t groups = 0;
  for (size_t at = 0; (at = listing.out.find("--type=14", at)) != std::string::npos; ++at)
    ++groups;
  EXPECT_EQ(groups, 2u) << listing.out;
}

} // namespace
