// The module reader against modules we generate (every byte known, damaged on purpose)
// and against real files, checked with what an independent reader (wrestool) and a
// direct reading of their directories recorded.
#include "fixtures/IconImages.h"
#include "fixtures/NeBuilder.h"
#include "fixtures/PeBuilder.h"
#include "platform/ModuleResources.h"
#include "support/Corpus.h"
#include "support/RunProcess.h"
#include "support/Sha256.h"
#include "support/TestSupport.h"

#include <cstdlib>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace {

using fixtures::NeResource;
using fixtures::PeResource;
using platform::ModuleFormat;
using platform::ResourceModule;
using platform::ResourceName;
using platform::RT_GROUP_ICON;
using platform::RT_ICON;

std::string Text(std::span<const uint8_t> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

std::string Describe(const std::vector<ResourceName> &names) {
  std::string out;
  for (const ResourceName &n : names)
    out += (out.empty() ? "" : ",") + (n.IsId() ? std::to_string(n.Id()) : "'" + n.Name() + "'");
  return out;
}

// Groups stored as a resource compiler would not: identifiers out of order, named ones
// in a deliberate (unsorted) order, one group in two languages.
std::vector<PeResource> MixedGroups() {
  return {{RT_GROUP_ICON, ResourceName(7), 0, "group 7"},
          {RT_GROUP_ICON, ResourceName("ZETA"), 0, "group zeta"},
          {RT_GROUP_ICON, ResourceName(1), 1033, "group 1 english"},
          {RT_GROUP_ICON, ResourceName(1), 1031, "group 1 german"},
          {RT_GROUP_ICON, ResourceName("ALPHA"), 0, "group alpha"},
          {RT_GROUP_ICON, ResourceName(5), 0, "group 5"},
          {RT_ICON, ResourceName(1), 0, "icon one"},
          {RT_ICON, ResourceName(300), 0, std::string("icon\0three hundred", 18)},
          {6, ResourceName(1), 0, "a string table"}};
}

class GeneratedPe : public testing::TestWithParam<bool> {};

TEST_P(GeneratedPe, GroupsComeNamedFirstThenIdsAscending) {
  auto module = ResourceModule::FromBytes(fixtures::BuildPe(MixedGroups(), GetParam()));
  ASSERT_TRUE(module);
  EXPECT_EQ(module->Format(), GetParam() ? ModuleFormat::PE32Plus : ModuleFormat::PE32);
  EXPECT_EQ(Describe(module->EnumResourceNames(RT_GROUP_ICON)), "'ZETA','ALPHA',1,5,7");
  EXPECT_EQ(Describe(module->EnumResourceNames(RT_ICON)), "1,300");
  EXPECT_EQ(Describe(module->EnumResourceNames(2)), "");
}

TEST_P(GeneratedPe, FindsEachResourceByNameOrIdInTheFirstLanguage) {
  auto module = ResourceModule::FromBytes(fixtures::BuildPe(MixedGroups(), GetParam()));
  ASSERT_TRUE(module);
  struct Case {
    uint16_t type;
    ResourceName name;
    std::optional<std::string> bytes;
  } cases[] = {
      {RT_GROUP_ICON, ResourceName(7), "group 7"},
      {RT_GROUP_ICON, ResourceName(5), "group 5"},
      {RT_GROUP_ICON, ResourceName(1), "group 1 english"},
      {RT_GROUP_ICON, ResourceName("ZETA"), "group zeta"},
      {RT_GROUP_ICON, ResourceName("ALPHA"), "group alpha"},
      {RT_GROUP_ICON, ResourceName("alpha"), std::nullopt}, // names are compared as stored
      {RT_GROUP_ICON, ResourceName(2), std::nullopt},
      {RT_ICON, ResourceName(300), std::string("icon\0three hundred", 18)},
      {RT_ICON, ResourceName(7), std::nullopt}, // an id of another type
      {6, ResourceName(1), "a string table"},
      {9, ResourceName(1), std::nullopt},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::to_string(c.type) + " " + Describe({c.name}));
    auto found = module->FindResource(c.type, c.name);
    ASSERT_EQ(found.has_value(), c.bytes.has_value());
    if (found) {
      EXPECT_EQ(Text(*found), *c.bytes);
    }
  }
}

TEST_P(GeneratedPe, BytesOutliveTheModuleObjectThatFoundThem) {
  std::span<const uint8_t> bytes;
  std::optional<ResourceModule> copy;
  {
    auto module = ResourceModule::FromBytes(fixtures::BuildPe(MixedGroups(), GetParam()));
    ASSERT_TRUE(module);
    copy = *module;
    bytes = *module->FindResource(RT_GROUP_ICON, ResourceName(5));
  }
  EXPECT_EQ(Text(bytes), "group 5");
}

INSTANTIATE_TEST_SUITE_P(Formats, GeneratedPe, testing::Bool(),
                         [](const auto &info) { return info.param ? "PE32Plus" : "PE32"; });

// Names are stored as UTF-16 and arrive in the ANSI code page (Windows-1252).
TEST(PeNames, ConvertToTheAnsiCodePage) {
  struct Case {
    uint16_t unit;
    std::string expected;
  } cases[] = {{'Q', "AQB"},
               {0x00C9, "A\xC9"
                        "B"},
               {0x20AC, "A\x80"
                        "B"},
               {0x0416, "A?B"},
               {0x0080, "A?B"}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.unit);
    std::string pe = fixtures::BuildPe({{RT_GROUP_ICON, ResourceName("AXB"), 0, "g"}});
    size_t at = pe.find(std::string("A\0X\0B\0", 6));
    ASSERT_NE(at, std::string::npos);
    fixtures::Poke16(pe, at + 2, c.unit);
    auto module = ResourceModule::FromBytes(pe);
    ASSERT_TRUE(module);
    auto names = module->EnumResourceNames(RT_GROUP_ICON);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].Name(), c.expected);
  }
}

// ---- damaged PE modules -------------------------------------------------------------

// A valid module with groups 1 and 2 (each naming icon 1) and icon 1.
// A module from its bytes in memory, or read by range from a file holding them: both
// must see the same module.
std::optional<ResourceModule> LoadEither(const std::string &bytes, bool fromFile) {
  if (!fromFile)
    return ResourceModule::FromBytes(bytes);
  testsupport::TempDir dir; // the module keeps the file open after its name is gone
  testsupport::WriteBytes(dir / "module.dll", bytes);
  return ResourceModule::Load((dir / "module.dll").string());
}

std::string TwoGroupModule() {
  return fixtures::BuildPe({{RT_ICON, ResourceName(1), 0, "icon"},
                            {RT_GROUP_ICON, ResourceName(1), 0, "first group"},
                            {RT_GROUP_ICON, ResourceName(2), 0, "second group"}});
}

// Offsets inside TwoGroupModule's resource section: root, RT_ICON type directory,
// RT_GROUP_ICON type directory, then the three language directories.
constexpr uint32_t kRsrc = fixtures::kPeResourceFileOffset;
constexpr uint32_t kRootEntries = kRsrc + 16;       // [RT_ICON, RT_GROUP_ICON]
constexpr uint32_t kGroupTypeDir = kRsrc + 32 + 24; // after root and RT_ICON dir
constexpr uint32_t kFirstGroupLanguageDir = kRsrc + 32 + 24 + 32 + 24;

// The file offset of the data entry (RVA, size) that describes `bytes` in the section.
size_t DataEntryOf(const std::string &pe, const std::string &bytes) {
  uint32_t rva = fixtures::kPeResourceRva +
                 static_cast<uint32_t>(pe.find(bytes) - fixtures::kPeResourceFileOffset);
  std::string entry;
  fixtures::Put32(entry, rva);
  fixtures::Put32(entry, static_cast<uint32_t>(bytes.size()));
  return pe.find(entry);
}

struct PeDamage {
  const char *name;
  std::function<void(std::string &)> damage;
  bool loads;
  std::string groups;               // enumeration result
  std::optional<std::string> first; // bytes of group 1
};

class DamagedPe : public testing::TestWithParam<PeDamage> {};

TEST_P(DamagedPe, GivesWhatIsIntactAndNothingElse) {
  std::string pe = TwoGroupModule();
  GetParam().damage(pe);
  for (bool fromFile : {false, true}) {
    SCOPED_TRACE(fromFile ? "read from its file" : "in memory");
    auto module = LoadEither(pe, fromFile);
    ASSERT_EQ(module.has_value(), GetParam().loads);
    if (!module)
      return;
    EXPECT_EQ(Describe(module->EnumResourceNames(RT_GROUP_ICON)), GetParam().groups);
    auto first = module->FindResource(RT_GROUP_ICON, ResourceName(1));
    auto read = module->ReadResource(RT_GROUP_ICON, ResourceName(1));
    ASSERT_EQ(first.has_value(), GetParam().first.has_value());
    ASSERT_EQ(read.has_value(), GetParam().first.has_value());
    if (first) {
      EXPECT_EQ(Text(*first), *GetParam().first);
      EXPECT_EQ(Text(read->bytes), *GetParam().first);
    }
  }
}

const PeDamage kPeDamages[] = {
    {"Intact", [](std::string &) {}, true, "1,2", "first group"},
    {"NoMzSignature", [](std::string &pe) { pe[0] = 'X'; }, false, "", std::nullopt},
    {"HeaderOffsetBeyondEnd", [](std::string &pe) { fixtures::Poke32(pe, 0x3C, 0xFFFFFFF0); },
     false, "", std::nullopt},
    {"UnknownOptionalHeaderMagic", [](std::string &pe) { fixtures::Poke16(pe, 0x58, 0x107); },
     false, "", std::nullopt},
    {"TooFewDataDirectories", [](std::string &pe) { fixtures::Poke32(pe, 0x58 + 92, 2); }, true, "",
     std::nullopt},
    {"ResourceRvaInNoSection",
     [](std::string &pe) { fixtures::Poke32(pe, 0x58 + 96 + 16, 0x9000); }, true, "", std::nullopt},
    {"TypeEntryPointsAtTheRoot",
     [](std::string &pe) { fixtures::Poke32(pe, kRootEntries + 12, 0x80000000u); }, true, "",
     std::nullopt},
    {"NameEntryPointsAtItsOwnDirectory",
     [](std::string &pe) {
       fixtures::Poke32(pe, kGroupTypeDir + 16 + 4, 0x80000000u | (kGroupTypeDir - kRsrc));
     },
     true, "2", std::nullopt},
    {"LanguageEntryIsADirectory",
     [](std::string &pe) {
       uint32_t target = kFirstGroupLanguageDir + 16 + 4;
       fixtures::Poke32(pe, target, 0x80000000u | (kFirstGroupLanguageDir - kRsrc));
     },
     true, "1,2", std::nullopt},
    {"EntryCountsFarBeyondTheSection",
     [](std::string &pe) { fixtures::Poke16(pe, kGroupTypeDir + 14, 0xFFFF); }, true, "1,2",
     "first group"},
    {"DataRvaBeyondTheFile",
     [](std::string &pe) { fixtures::Poke32(pe, DataEntryOf(pe, "first group"), 0x00FFFF00); },
     true, "1,2", std::nullopt},
    {"CutInsideTheFirstGroupsBytes", [](std::string &pe) { pe.resize(pe.find("first group") + 5); },
     true, "1,2", std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Cases, DamagedPe, testing::ValuesIn(kPeDamages),
                         [](const auto &info) { return std::string(info.param.name); });

// ---- NE modules --------------------------------------------------------------------

TEST(GeneratedNe, KeepsTheTableOrderAndFindsPaddedResources) {
  std::string ne = fixtures::BuildNe({{RT_ICON, ResourceName(2), "icon two"},
                                      {RT_GROUP_ICON, ResourceName(5), "group five"},
                                      {RT_GROUP_ICON, ResourceName("MYICON"), "named group"},
                                      {RT_GROUP_ICON, ResourceName(2), "group two"},
                                      {RT_ICON, ResourceName(1), "icon one"}},
                                     4);
  auto module = ResourceModule::FromBytes(ne);
  ASSERT_TRUE(module);
  EXPECT_EQ(module->Format(), ModuleFormat::NE);
  EXPECT_EQ(Describe(module->EnumResourceNames(RT_GROUP_ICON)), "5,'MYICON',2");
  EXPECT_EQ(Describe(module->EnumResourceNames(RT_ICON)), "2,1");
  // The length in the table is aligned, so the bytes include the padding up to 16.
  auto group = module->FindResource(RT_GROUP_ICON, ResourceName("MYICON"));
  ASSERT_TRUE(group);
  EXPECT_EQ(Text(*group), std::string("named group").append(5, '\0'));
  auto icon = module->FindResource(RT_ICON, ResourceName(1));
  ASSERT_TRUE(icon);
  EXPECT_EQ(Text(*icon).substr(0, 8), "icon one");
  EXPECT_FALSE(module->FindResource(RT_ICON, ResourceName(5)));
}

struct NeDamage {
  const char *name;
  std::function<void(std::string &)> damage;
  bool loads;
  std::string groups;
  bool groupOneFound;
};

class DamagedNe : public testing::TestWithParam<NeDamage> {};

std::string SmallNe() {
  return fixtures::BuildNe({{RT_GROUP_ICON, ResourceName(1), "group one"},
                            {RT_GROUP_ICON, ResourceName(3), "group three"},
                            {RT_ICON, ResourceName(1), "icon"}},
                           4);
}

TEST_P(DamagedNe, GivesWhatIsIntactAndNothingElse) {
  std::string ne = SmallNe();
  GetParam().damage(ne);
  for (bool fromFile : {false, true}) {
    SCOPED_TRACE(fromFile ? "read from its file" : "in memory");
    auto module = LoadEither(ne, fromFile);
    ASSERT_EQ(module.has_value(), GetParam().loads);
    if (!module)
      return;
    EXPECT_EQ(Describe(module->EnumResourceNames(RT_GROUP_ICON)), GetParam().groups);
    EXPECT_EQ(module->FindResource(RT_GROUP_ICON, ResourceName(1)).has_value(),
              GetParam().groupOneFound);
    EXPECT_EQ(module->ReadResource(RT_GROUP_ICON, ResourceName(1)).has_value(),
              GetParam().groupOneFound);
  }
}

constexpr uint32_t kTable = fixtures::kNeResourceTableOffset;
// First type entry at table + 2, its first resource entry at table + 10.
const NeDamage kNeDamages[] = {
    {"Intact", [](std::string &) {}, true, "1,3", true},
    {"NoNeSignature", [](std::string &ne) { ne[fixtures::kNeHeaderOffset] = 'X'; }, false, "",
     false},
    {"NoResourceTable",
     [](std::string &ne) { fixtures::Poke16(ne, fixtures::kNeHeaderOffset + 0x24, 0); }, true, "",
     false},
    {"ResourceTableBeyondTheFile",
     [](std::string &ne) { fixtures::Poke16(ne, fixtures::kNeHeaderOffset + 0x24, 0xFFF0); }, true,
     "", false},
    {"AlignShiftOfFortyBits", [](std::string &ne) { fixtures::Poke16(ne, kTable, 40); }, true, "",
     false},
    {"ResourceBeyondTheFile", [](std::string &ne) { fixtures::Poke16(ne, kTable + 10, 0xFFFF); },
     true, "1,3", false},
    {"TypeCountBeyondTheTable", [](std::string &ne) { fixtures::Poke16(ne, kTable + 4, 0xFFFF); },
     true, "", false},
    {"CutInTheTypeTable", [](std::string &ne) { ne.resize(kTable + 30); }, true, "", false},
    {"NameOffsetOutsideTheTable",
     [](std::string &ne) { fixtures::Poke16(ne, kTable + 10 + 6, 0x7FF0); }, true, "3", false},
};

INSTANTIATE_TEST_SUITE_P(Cases, DamagedNe, testing::ValuesIn(kNeDamages),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(ModuleLoad, MissingFilesAndNonModulesGiveNothing) {
  testsupport::TempDir dir;
  testsupport::WriteBytes(dir / "icon.ico", fixtures::MakeIcoFile({}));
  testsupport::WriteBytes(dir / "dos.exe", std::string("MZ") + std::string(0x40, '\0'));
  testsupport::WriteBytes(dir / "tools.dll", TwoGroupModule());
  EXPECT_FALSE(ResourceModule::Load((dir / "missing.dll").string()));
  EXPECT_FALSE(ResourceModule::Load((dir / "icon.ico").string()));
  EXPECT_FALSE(ResourceModule::Load((dir / "dos.exe").string()));
  auto module = ResourceModule::Load((dir / "tools.dll").string());
  ASSERT_TRUE(module);
  EXPECT_EQ(Describe(module->EnumResourceNames(RT_GROUP_ICON)), "1,2");
}

// A module file cut after it was loaded: what it no longer holds is not read and
// nothing fails harder than that; bytes read before the cut stay.
TEST(ModuleLoad, AFileCutAfterLoadingGivesOnlyWhatItStillHolds) {
  const std::string pe = TwoGroupModule();
  const struct {
    const char *name;
    size_t length;
    bool firstGroup;
  } rows[] = {{"CutAfterTheFirstGroup", pe.find("first group") + 11, true},
              {"CutInsideTheFirstGroup", pe.find("first group") + 5, false},
              {"Emptied", 0, false}};
  for (const auto &row : rows) {
    SCOPED_TRACE(row.name);
    testsupport::TempDir dir;
    testsupport::WriteBytes(dir / "tools.dll", pe);
    auto module = ResourceModule::Load((dir / "tools.dll").string());
    ASSERT_TRUE(module);
    auto second = module->FindResource(RT_GROUP_ICON, ResourceName(2));
    ASSERT_TRUE(second);
    std::filesystem::resize_file(dir / "tools.dll", row.length);
    EXPECT_EQ(Describe(module->EnumResourceNames(RT_GROUP_ICON)), "1,2");
    auto first = module->FindResource(RT_GROUP_ICON, ResourceName(1));
    auto read = module->ReadResource(RT_GROUP_ICON, ResourceName(1));
    ASSERT_EQ(first.has_value(), row.firstGroup);
    ASSERT_EQ(read.has_value(), row.firstGroup);
    if (first) {
      EXPECT_EQ(Text(*first), "first group");
      EXPECT_EQ(Text(read->bytes), "first group");
    }
    EXPECT_EQ(Text(*second), "second group");
  }
}

// The digests below compare our reads with recorded ones, so the digest itself is
// checked on the standard vectors, including a message that needs a second padding block.
TEST(Sha256, GivesTheStandardDigests) {
  EXPECT_EQ(testsupport::Sha256Hex(std::string_view()),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(testsupport::Sha256Hex(std::string_view("abc")),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(testsupport::Sha256Hex(
                std::string_view("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

// ---- real files --------------------------------------------------------------------

std::optional<nlohmann::json> Manifest() {
  return testsupport::CorpusManifest();
}

bool IsModuleEntry(const nlohmann::json &file) {
  std::string container = file.value("container", "");
  return container == "PE32" || container == "PE32+" || container == "NE";
}

ResourceName NameOf(const nlohmann::json &name) {
  return name.is_number() ? ResourceName(name.get<uint16_t>())
                          : ResourceName(name.get<std::string>());
}

std::string Hash(const std::optional<std::span<const uint8_t>> &bytes) {
  return bytes ? testsupport::Sha256Hex(*bytes) : "(missing)";
}

TEST(RealModules, GroupsAndImagesEqualTheRecordedOnes) {
  auto manifest = Manifest();
  if (!manifest)
    GTEST_SKIP() << "the shared corpus (../shared/corpus/manifest.json) is not there";
  int modules = 0;
  for (const auto &file : (*manifest)["files"]) {
    if (!IsModuleEntry(file))
      continue;
    SCOPED_TRACE(file["path"].get<std::string>());
    ++modules;
    auto module =
        ResourceModule::Load((testsupport::SharedDir() / "corpus" / file["path"]).string());
    ASSERT_TRUE(module);
    std::string container = file["container"];
    EXPECT_EQ(module->Format(), container == "NE"     ? ModuleFormat::NE
                                : container == "PE32" ? ModuleFormat::PE32
                                                      : ModuleFormat::PE32Plus);
    std::vector<ResourceName> expected;
    for (const auto &name : file["enum_order"]["names"])
      expected.push_back(NameOf(name));
    EXPECT_EQ(Describe(module->EnumResourceNames(RT_GROUP_ICON)), Describe(expected));
    for (const auto &group : file["groups"]) {
      auto bytes = module->FindResource(RT_GROUP_ICON, NameOf(group["name"]));
      EXPECT_EQ(Hash(bytes),
                group.value("truncated", false) ? "(missing)" : group["sha256"].get<std::string>());
    }
    for (const auto &icon : file["icons"]) {
      auto bytes = module->FindResource(RT_ICON, NameOf(icon["name"]));
      EXPECT_EQ(Hash(bytes),
                icon.value("truncated", false) ? "(missing)" : icon["sha256"].get<std::string>());
    }
  }
  EXPECT_GE(modules, 8);
}

TEST(RealModules, IconFilesAreNotModules) {
  auto manifest = Manifest();
  if (!manifest)
    GTEST_SKIP() << "the shared corpus (../shared/corpus/manifest.json) is not there";
  for (const auto &file : (*manifest)["files"])
    if (file.value("container", "") == "ico") {
      SCOPED_TRACE(file["path"].get<std::string>());
      EXPECT_FALSE(
          ResourceModule::Load((testsupport::SharedDir() / "corpus" / file["path"]).string()));
    }
}

// ---- against wrestool --------------------------------------------------------------

std::string FindProgram(const std::string &name) {
  const char *path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');)
    if (!dir.empty() && std::filesystem::exists(std::filesystem::path(dir) / name))
      return (std::filesystem::path(dir) / name).string();
  return {};
}

// The group names `wrestool -l` lists, in its order: "--type=14 --name=7 ..." or
// "--name='ZETA'".
std::vector<ResourceName> WrestoolGroups(const std::string &wrestool, const std::string &file) {
  auto listed = testsupport::RunProcess(wrestool, {"-l", "--type=14", file});
  std::vector<ResourceName> names;
  std::stringstream lines(listed.out);
  for (std::string line; std::getline(lines, line);) {
    size_t at = line.find("--name=");
    if (at == std::string::npos)
      continue;
    std::string name = line.substr(at + 7, line.find(' ', at) - at - 7);
    if (name.size() >= 2 && name.front() == '\'')
      names.emplace_back(name.substr(1, name.size() - 2));
    else
      names.emplace_back(static_cast<uint16_t>(std::stoi(name)));
  }
  return names;
}

std::string WrestoolBytes(const std::string &wrestool, const std::string &file, int type,
                          const ResourceName &name) {
  std::string nameArg = name.IsId() ? std::to_string(name.Id()) : name.Name();
  auto raw = testsupport::RunProcess(
      wrestool, {"-x", "--raw", "--type=" + std::to_string(type), "--name=" + nameArg, file});
  return raw.out;
}

// Every group and every image the module reader finds equals what wrestool extracts.
void CompareWithWrestool(const std::string &wrestool, const std::string &file) {
  auto module = ResourceModule::Load(file);
  ASSERT_TRUE(module);
  auto groups = module->EnumResourceNames(RT_GROUP_ICON);
  EXPECT_EQ(Describe(groups), Describe(WrestoolGroups(wrestool, file)));
  for (const ResourceName &name : groups) {
    auto group = module->FindResource(RT_GROUP_ICON, name);
    ASSERT_TRUE(group);
    EXPECT_EQ(Text(*group), WrestoolBytes(wrestool, file, RT_GROUP_ICON, name));
  }
  for (const ResourceName &name : module->EnumResourceNames(RT_ICON)) {
    auto icon = module->FindResource(RT_ICON, name);
    ASSERT_TRUE(icon);
    EXPECT_EQ(testsupport::Sha256Hex(*icon),
              testsupport::Sha256Hex(WrestoolBytes(wrestool, file, RT_ICON, name)));
  }
}

TEST(Wrestool, AgreesOnGeneratedModules) {
  std::string wrestool = FindProgram("wrestool");
  if (wrestool.empty())
    GTEST_SKIP() << "wrestool (icoutils) is not installed";
  testsupport::TempDir dir;
  // Stored as a resource compiler stores them (wrestool lists the stored order), one
  // language each (wrestool -x takes whichever language it meets first).
  std::vector<PeResource> groups = {{RT_GROUP_ICON, ResourceName("ALPHA"), 0, "group alpha"},
                                    {RT_GROUP_ICON, ResourceName("ZETA"), 0, "group zeta"},
                                    {RT_GROUP_ICON, ResourceName(1), 1033, "group 1"},
                                    {RT_GROUP_ICON, ResourceName(5), 0, "group 5"},
                                    {RT_ICON, ResourceName(1), 0, "icon one"},
                                    {RT_ICON, ResourceName(300), 0, "icon 300"}};
  for (bool pe32plus : {false, true}) {
    SCOPED_TRACE(pe32plus ? "PE32+" : "PE32");
    testsupport::WriteBytes(dir / "mixed.dll", fixtures::BuildPe(groups, pe32plus));
    CompareWithWrestool(wrestool, (dir / "mixed.dll").string());
    testsupport::WriteBytes(dir / "icons.dll", fixtures::BuildIconModule(4, pe32plus));
    CompareWithWrestool(wrestool, (dir / "icons.dll").string());
  }
}

TEST(Wrestool, AgreesOnRealModules) {
  std::string wrestool = FindProgram("wrestool");
  if (wrestool.empty())
    GTEST_SKIP() << "wrestool (icoutils) is not installed";
  auto manifest = Manifest();
  if (!manifest)
    GTEST_SKIP() << "the shared corpus (../shared/corpus/manifest.json) is not there";
  for (const auto &file : (*manifest)["files"])
    if (IsModuleEntry(file) && file["category"] != "broken") {
      SCOPED_TRACE(file["path"].get<std::string>());
      CompareWithWrestool(wrestool, (testsupport::SharedDir() / "corpus" / file["path"]).string());
    }
}

} // namespace
