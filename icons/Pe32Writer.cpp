#include "icons/Pe32Writer.h"
#include "icons/PngEncode.h"

#include "icons/IconLibrary.h"
#include "platform/CodePage.h"
#include "platform/HostFiles.h"
#include "platform/IconHandle.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <span>

#ifndef CORVANE_VERSION
#define CORVANE_VERSION "0.1"
#endif

namespace icons {

namespace {

constexpr uint16_t RT_VERSION = 16;
constexpr uint16_t LanguageEnglishUs = 0x0409;
constexpr uint16_t CodePageUnicode = 0x04B0;
// Both counts of a resource directory and every integer identifier are 16 bits.
constexpr size_t MaxPe32Entries = 65535;
// Far below what a 32-bit image may map, so that no size or address overflows.
constexpr uint64_t MaxSectionSize = 0x40000000;

constexpr uint32_t HeaderOffset = 0x80; // where the "PE" header stands
constexpr uint32_t FileAlignment = 0x200;
constexpr uint32_t SectionAlignment = 0x1000;
constexpr uint32_t SectionRva = 0x1000; // the only section, right after the headers
constexpr uint32_t ImageBase = 0x10000000;
constexpr uint64_t CheckSumField = HeaderOffset + 4 + 20 + 64;

uint64_t AlignUp(uint64_t value, uint64_t unit) {
  return (value + unit - 1) / unit * unit;
}

// How a group is stored: under a number, or under a name in upper case (Windows looks a
// name up in upper case, comparing code units, so the directory must hold it so).
struct GroupKey {
  bool isId = false;
  uint16_t id = 0;
  std::u16string name;

  bool operator==(const GroupKey &) const = default;
  // The directory's order: names before numbers, names by code units, numbers ascending.
  bool operator<(const GroupKey &other) const {
    if (isId != other.isId)
      return !isId;
    return isId ? id < other.id : name < other.name;
  }
};

std::u16string UpperUtf16(const std::string &text) {
  const std::string utf8 = platform::TextToUtf8(text);
  std::u16string out;
  for (size_t i = 0; i < utf8.size();) {
    auto cp = platform::NextCodePoint(utf8, i);
    if (!cp) {
      ++i;
      cp = 0xFFFD;
    }
    uint32_t upper = platform::UpperCodePoint(*cp);
    if (upper >= 0x10000) {
      upper -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (upper >> 10));
      out += static_cast<char16_t>(0xDC00 + (upper & 0x3FF));
    } else {
      out += static_cast<char16_t>(upper);
    }
  }
  return out;
}

// A decimal number from 1 to 65535 without leading zeros is a group's number, which
// every reader gives back as the same text; "0" and "007" stay names, so that they too
// read back as written.
GroupKey KeyOf(const std::string &name) {
  GroupKey key;
  if (!name.empty() && name.size() <= 5 && name[0] != '0' &&
      name.find_first_not_of("0123456789") == std::string::npos) {
    const unsigned long value = std::stoul(name);
    if (value <= 0xFFFF) {
      key.isId = true;
      key.id = static_cast<uint16_t>(value);
      return key;
    }
  }
  key.name = UpperUtf16(name);
  return key;
}

std::vector<GroupKey> KeysOf(const TIconLibrary &library) {
  std::vector<GroupKey> keys;
  keys.reserve(static_cast<size_t>(library.Icons.Count()));
  for (int i = 0; i < library.Icons.Count(); ++i)
    keys.push_back(KeyOf(library.Icons.Strings(i)));
  return keys;
}

std::vector<int> OrderOf(const std::vector<GroupKey> &keys) {
  std::vector<int> order(keys.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)];
  });
  return order;
}

// A resource directory cannot hold two groups of one name or number.
void CheckKeys(const TIconLibrary &library, const std::vector<GroupKey> &keys,
               const std::vector<int> &order) {
  for (size_t n = 0; n < order.size(); ++n) {
    const auto i = static_cast<size_t>(order[n]);
    const std::string &name = library.Icons.Strings(static_cast<int>(i));
    if (name.empty())
      throw EICLReadError("An icon without a name cannot be written to a 32-bit icon library");
    if (keys[i].name.size() > 0xFFFF) // the length of a stored name is 16 bits
      throw EICLReadError("The name of the icon \"" + name.substr(0, 40) +
                          "...\" is too long for a 32-bit icon library");
    if (n > 0 && keys[static_cast<size_t>(order[n - 1])] == keys[i])
      throw EICLReadError("Two icons are named \"" + name +
                          "\"; the icons of a 32-bit icon library need names that differ "
                          "in more than case");
  }
}

// ---- images ----

struct StoredImage {
  uint8_t width = 0, height = 0, colorCount = 0, reserved = 0;
  uint16_t planes = 0, bitCount = 0;
  std::string bytes;
};

// The image as the library stores it: its bytes and fields as they stand, except that a
// bitmap of 256 pixels or more is stored as a 32-bit PNG (size fields 0), as Windows
// stores its large images: such a bitmap takes several times the room.
StoredImage StoreImage(const TIconImage &image, const std::string &iconName) {
  StoredImage stored{
      image.Width, image.Height, image.ColorCount, image.Reserved, image.Planes, image.BitCount,
      {}};
  const std::span<const uint8_t> bytes(image.Data->data(), image.BytesInRes);
  const auto facts = platform::ReadImageFacts(bytes);
  if (facts && !facts->png && (facts->width >= 256 || facts->height >= 256)) {
    const platform::IconHandle handle =
        platform::CreateIconFromResourceEx(bytes.data(), bytes.size());
    std::string png;
    try {
      png = handle ? EncodePng(*handle.Pixels()) : std::string();
    } catch (const platform::EMessageError &) {
      // Reported below as an image that cannot be decoded.
    }
    if (png.empty())
      throw EICLReadError("The " + std::to_string(facts->width) + "x" +
                          std::to_string(facts->height) + " image of the icon \"" + iconName +
                          "\" cannot be decoded");
    return StoredImage{0, 0, 0, 0, 1, 32, png};
  }
  stored.bytes.assign(reinterpret_cast<const char *>(bytes.data()), bytes.size());
  return stored;
}

// ---- the version resource ----

std::u16string Utf16(std::string_view ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

void PutWord(std::string &out, uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}
void PutDWord(std::string &out, uint32_t value) {
  PutWord(out, static_cast<uint16_t>(value));
  PutWord(out, static_cast<uint16_t>(value >> 16));
}
void PutText(std::string &out, const std::u16string &text) {
  for (char16_t unit : text)
    PutWord(out, unit);
  PutWord(out, 0);
}
void PadTo4(std::string &out) {
  out.append(AlignUp(out.size(), 4) - out.size(), '\0');
}

// One block of a version resource: length, value length, type (1 text, 0 binary), key,
// value, then the children, each on a 4-byte boundary. The length leaves out the fill
// after the last child, which the parent adds.
std::string VersionBlock(std::string_view key, const std::string &value, uint16_t valueLength,
                         bool text, const std::vector<std::string> &children = {}) {
  std::string block;
  PutWord(block, 0); // patched below
  PutWord(block, valueLength);
  PutWord(block, text ? 1 : 0);
  PutText(block, Utf16(key));
  PadTo4(block);
  block += value;
  for (const std::string &child : children) {
    PadTo4(block);
    block += child;
  }
  block[0] = static_cast<char>(block.size() & 0xFF);
  block[1] = static_cast<char>(block.size() >> 8);
  return block;
}

std::string VersionString(std::string_view key, std::string_view value) {
  std::string bytes;
  PutText(bytes, Utf16(value));
  return VersionBlock(key, bytes, static_cast<uint16_t>(value.size() + 1), true);
}

// The program's version as four numbers, "0.1" as 0.1.0.0.
std::array<uint16_t, 4> VersionNumbers(std::string_view version) {
  std::array<uint16_t, 4> numbers{};
  size_t part = 0;
  for (char c : version) {
    if (c == '.') {
      if (++part == numbers.size())
        break;
    } else if (c >= '0' && c <= '9') {
      numbers[part] = static_cast<uint16_t>(numbers[part] * 10 + (c - '0'));
    }
  }
  return numbers;
}

std::string VersionResource() {
  const std::string_view version = CORVANE_VERSION;
  const auto numbers = VersionNumbers(version);
  const uint32_t high = uint32_t{numbers[0]} << 16 | numbers[1];
  const uint32_t low = uint32_t{numbers[2]} << 16 | numbers[3];
  std::string fixed;
  PutDWord(fixed, 0xFEEF04BD); // signature
  PutDWord(fixed, 0x00010000); // structure version
  PutDWord(fixed, high);       // file version
  PutDWord(fixed, low);
  PutDWord(fixed, high); // product version
  PutDWord(fixed, low);
  PutDWord(fixed, 0x3F);    // flags mask
  PutDWord(fixed, 0);       // flags
  PutDWord(fixed, 0x40004); // VOS_NT_WINDOWS32
  PutDWord(fixed, 2);       // VFT_DLL
  PutDWord(fixed, 0);       // subtype
  PutDWord(fixed, 0);       // date
  PutDWord(fixed, 0);
  const std::string strings = VersionBlock(
      "040904B0", {}, 0, true,
      {VersionString("CompanyName", "Corvane"), VersionString("FileDescription", "Icon library"),
       VersionString("FileVersion", version), VersionString("ProductName", "Corvane"),
       VersionString("ProductVersion", version)});
  std::string translation;
  PutWord(translation, LanguageEnglishUs);
  PutWord(translation, CodePageUnicode);
  const std::string var = VersionBlock("VarFileInfo", {}, 0, true,
                                       {VersionBlock("Translation", translation, 4, false)});
  return VersionBlock("VS_VERSION_INFO", fixed, static_cast<uint16_t>(fixed.size()), false,
                      {VersionBlock("StringFileInfo", {}, 0, true, {strings}), var});
}

// ---- the resource section ----

struct Resource {
  GroupKey key;
  std::string bytes;
};
struct ResourceType {
  uint16_t id = 0;
  std::vector<Resource> resources; // in directory order
};

// The ".rsrc" section at SectionRva: the type directory, a name directory per type, a
// language directory per resource, the names, the data entries, then the data, each
// resource on an 8-byte boundary.
std::string ResourceSection(const std::vector<ResourceType> &types) {
  uint64_t resources = 0;
  for (const ResourceType &type : types)
    resources += type.resources.size();
  const uint64_t nameDirs = 16 + 8 * types.size();
  uint64_t languageDirs = nameDirs;
  for (const ResourceType &type : types)
    languageDirs += 16 + 8 * type.resources.size();
  const uint64_t names = languageDirs + resources * 24;
  uint64_t dataEntries = names;
  for (const ResourceType &type : types)
    for (const Resource &resource : type.resources)
      if (!resource.key.isId)
        dataEntries += 2 + 2 * resource.key.name.size();
  dataEntries = AlignUp(dataEntries, 4);
  uint64_t data = dataEntries + resources * 16;
  uint64_t end = data;
  for (const ResourceType &type : types)
    for (const Resource &resource : type.resources)
      end = AlignUp(end, 8) + resource.bytes.size();
  if (end > MaxSectionSize)
    throw EICLReadError("Iconlibrary is too large to be written");

  std::string out;
  out.reserve(end);
  auto directory = [&out](size_t named, size_t ids) {
    PutDWord(out, 0); // characteristics
    PutDWord(out, 0); // time stamp
    PutDWord(out, 0); // version
    PutWord(out, static_cast<uint16_t>(named));
    PutWord(out, static_cast<uint16_t>(ids));
  };
  constexpr uint32_t HighBit = 0x80000000u;
  directory(0, types.size());
  uint64_t next = nameDirs;
  for (const ResourceType &type : types) {
    PutDWord(out, type.id);
    PutDWord(out, static_cast<uint32_t>(HighBit | next));
    next += 16 + 8 * type.resources.size();
  }
  uint64_t language = languageDirs;
  uint64_t name = names;
  for (const ResourceType &type : types) {
    const size_t named =
        static_cast<size_t>(std::count_if(type.resources.begin(), type.resources.end(),
                                          [](const Resource &r) { return !r.key.isId; }));
    directory(named, type.resources.size() - named);
    for (const Resource &resource : type.resources) {
      if (resource.key.isId) {
        PutDWord(out, resource.key.id);
      } else {
        PutDWord(out, static_cast<uint32_t>(HighBit | name));
        name += 2 + 2 * resource.key.name.size();
      }
      PutDWord(out, static_cast<uint32_t>(HighBit | language));
      language += 24;
    }
  }
  uint64_t entry = dataEntries;
  for (uint64_t n = 0; n < resources; ++n, entry += 16) {
    directory(0, 1);
    PutDWord(out, LanguageEnglishUs);
    PutDWord(out, static_cast<uint32_t>(entry));
  }
  for (const ResourceType &type : types)
    for (const Resource &resource : type.resources)
      if (!resource.key.isId) {
        PutWord(out, static_cast<uint16_t>(resource.key.name.size()));
        for (char16_t unit : resource.key.name)
          PutWord(out, unit);
      }
  PadTo4(out);
  uint64_t at = data;
  for (const ResourceType &type : types)
    for (const Resource &resource : type.resources) {
      at = AlignUp(at, 8);
      PutDWord(out, static_cast<uint32_t>(SectionRva + at));
      PutDWord(out, static_cast<uint32_t>(resource.bytes.size()));
      PutDWord(out, 0); // code page
      PutDWord(out, 0);
      at += resource.bytes.size();
    }
  for (const ResourceType &type : types)
    for (const Resource &resource : type.resources) {
      out.append(AlignUp(out.size(), 8) - out.size(), '\0');
      out += resource.bytes;
    }
  return out;
}

// ---- the headers ----

// The DOS stub every linker puts before the PE header: it prints that the program needs
// Windows.
constexpr uint8_t DosStub[] = {0x0E, 0x1F, 0xBA, 0x0E, 0x00, 0xB4, 0x09,
                               0xCD, 0x21, 0xB8, 0x01, 0x4C, 0xCD, 0x21};

std::string Headers(uint32_t sectionSize) {
  const uint32_t rawSize = static_cast<uint32_t>(AlignUp(sectionSize, FileAlignment));
  const uint32_t imageSize =
      SectionRva + static_cast<uint32_t>(AlignUp(sectionSize, SectionAlignment));
  std::string out;
  PutWord(out, platform::kMzSignature);
  PutWord(out, 0x90);   // bytes on the last page
  PutWord(out, 3);      // pages
  PutWord(out, 0);      // relocations
  PutWord(out, 4);      // header paragraphs
  PutWord(out, 0);      // minimum extra paragraphs
  PutWord(out, 0xFFFF); // maximum extra paragraphs
  PutWord(out, 0);      // SS
  PutWord(out, 0xB8);   // SP
  PutWord(out, 0);      // checksum
  PutWord(out, 0);      // IP
  PutWord(out, 0);      // CS
  PutWord(out, 0x40);   // relocation table
  out.resize(platform::kNewHeaderField, '\0');
  PutDWord(out, HeaderOffset);
  out.append(reinterpret_cast<const char *>(DosStub), sizeof DosStub);
  out += "This program cannot be run in DOS mode.\r\r\n$";
  out.resize(HeaderOffset, '\0');

  PutDWord(out, platform::kPeSignature);
  PutWord(out, 0x014C); // i386
  PutWord(out, 1);      // sections
  PutDWord(out, 0);     // time stamp: none, so that the same icons give the same file
  PutDWord(out, 0);     // symbol table
  PutDWord(out, 0);     // symbols
  PutWord(out, 0xE0);   // optional header size
  PutWord(out, 0x2102); // executable image, 32-bit machine, DLL

  PutWord(out, 0x010B); // PE32
  PutWord(out, 0);      // linker version
  PutDWord(out, 0);     // code size
  PutDWord(out, rawSize);
  PutDWord(out, 0);          // uninitialised data
  PutDWord(out, 0);          // entry point: none
  PutDWord(out, SectionRva); // base of code
  PutDWord(out, SectionRva); // base of data
  PutDWord(out, ImageBase);
  PutDWord(out, SectionAlignment);
  PutDWord(out, FileAlignment);
  PutWord(out, 5); // operating system 5.1
  PutWord(out, 1);
  PutWord(out, 0); // image version
  PutWord(out, 0);
  PutWord(out, 5); // subsystem 5.1
  PutWord(out, 1);
  PutDWord(out, 0); // Win32 version
  PutDWord(out, imageSize);
  PutDWord(out, FileAlignment); // headers
  PutDWord(out, 0);             // checksum, set when the file is complete
  PutWord(out, 2);              // Windows GUI
  PutWord(out, 0x0540);         // dynamic base, NX compatible, no SEH
  PutDWord(out, 0x100000);      // stack reserve and commit
  PutDWord(out, 0x1000);
  PutDWord(out, 0x100000); // heap reserve and commit
  PutDWord(out, 0x1000);
  PutDWord(out, 0);  // loader flags
  PutDWord(out, 16); // data directories
  for (uint32_t n = 0; n < 16; ++n) {
    const bool resources = n == 2;
    PutDWord(out, resources ? SectionRva : 0);
    PutDWord(out, resources ? sectionSize : 0);
  }

  out += std::string(".rsrc\0\0\0", 8);
  PutDWord(out, sectionSize);
  PutDWord(out, SectionRva);
  PutDWord(out, rawSize);
  PutDWord(out, FileAlignment); // raw data right after the headers
  PutDWord(out, 0);             // relocations
  PutDWord(out, 0);             // line numbers
  PutWord(out, 0);
  PutWord(out, 0);
  PutDWord(out, 0x40000040); // initialised data, readable
  out.resize(FileAlignment, '\0');
  return out;
}

// The image checksum as the Windows image helper computes it: 16-bit sums with the carry
// folded in, the checksum field itself left out, plus the file's length.
uint32_t PeCheckSum(const std::string &file) {
  uint64_t sum = 0;
  for (uint64_t i = 0; i < file.size(); i += 2) {
    if (i == CheckSumField || i == CheckSumField + 2)
      continue;
    uint32_t word = static_cast<uint8_t>(file[i]);
    if (i + 1 < file.size())
      word |= uint32_t{static_cast<uint8_t>(file[i + 1])} << 8;
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + file.size());
}

} // namespace

TPe32Writer::TPe32Writer(const TIconLibrary &library) : Library(library) {}

std::vector<int> TPe32Writer::GroupOrder(const TIconLibrary &library) {
  return OrderOf(KeysOf(library));
}

void TPe32Writer::WriteToFile(const std::string &fileName) {
  platform::WriteFileAtomic(fileName, WriteToBytes());
}

std::string TPe32Writer::WriteToBytes() {
  const int count = Library.Icons.Count();
  if (count == 0)
    throw EICLReadError("Unable to write Iconlibrary with no icons");
  if (static_cast<size_t>(count) > MaxPe32Entries)
    throw EICLReadError("Iconlibraries with more than 65535 icons are not possible");
  size_t images = 0;
  for (int i = 0; i < count; ++i)
    if (const TAdvancedIcon *icon = Library.Icons.Objects(i))
      images += icon->Images.Count();
  if (images > MaxPe32Entries)
    throw EICLReadError("Iconlibraries with more than 65535 images are not possible");
  const std::vector<GroupKey> keys = KeysOf(Library);
  const std::vector<int> order = OrderOf(keys);
  CheckKeys(Library, keys, order);

  ResourceType groups{RT_GROUP_ICON, {}};
  ResourceType icons{RT_ICON, {}};
  for (int i : order) {
    const TAdvancedIcon *icon = Library.Icons.Objects(i);
    const std::string &name = Library.Icons.Strings(i);
    // An image without bytes has nothing to draw, and a resource of no bytes is one no
    // reader finds: it is left out.
    std::vector<const TIconImage *> held;
    for (size_t k = 0; icon && k < icon->Images.Count(); ++k)
      if (const TIconImage *image = icon->Images.Items(k); image->Data && image->BytesInRes)
        held.push_back(image);
    std::string directory;
    PutWord(directory, 0); // reserved
    PutWord(directory, 1); // type: icon
    PutWord(directory, static_cast<uint16_t>(held.size()));
    for (const TIconImage *source : held) {
      StoredImage image = StoreImage(*source, name);
      const auto id = static_cast<uint16_t>(icons.resources.size() + 1);
      directory += static_cast<char>(image.width);
      directory += static_cast<char>(image.height);
      directory += static_cast<char>(image.colorCount);
      directory += static_cast<char>(image.reserved);
      PutWord(directory, image.planes);
      PutWord(directory, image.bitCount);
      PutDWord(directory, static_cast<uint32_t>(image.bytes.size()));
      PutWord(directory, id);
      icons.resources.push_back({GroupKey{true, id, {}}, std::move(image.bytes)});
    }
    groups.resources.push_back({keys[static_cast<size_t>(i)], std::move(directory)});
  }
  ResourceType version{RT_VERSION, {{GroupKey{true, 1, {}}, VersionResource()}}};
  const std::string section =
      ResourceSection({std::move(icons), std::move(groups), std::move(version)});
  std::string file = Headers(static_cast<uint32_t>(section.size()));
  file += section;
  file.resize(AlignUp(file.size(), FileAlignment), '\0');
  const uint32_t sum = PeCheckSum(file);
  for (int b = 0; b < 4; ++b)
    file[CheckSumField + static_cast<uint64_t>(b)] = static_cast<char>(sum >> (8 * b));
  return file;
}

} // namespace icons
