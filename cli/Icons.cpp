// icons, extract and make-icl: what the icon units see in a file, one icon taken out of
// it, and an icon library made of chosen icons.
#include "cli/Cli.h"
#include "cli/JsonWriter.h"
#include "document/FileNames.h"
#include "document/IconReference.h"
#include "icons/IconLibrary.h"
#include "icons/PictureIcon.h"
#include "icons/PngEncode.h"
#include "platform/HostFiles.h"
#include "platform/IconHandle.h"

#include <algorithm>
#include <cstdio>

namespace cli {

namespace {

const char *const IconsUsage =
    "usage: corvane-cli icons FILE [--json] [--bytes]\n"
    "Lists what Corvane sees in FILE: the platform's icon count and the icons of the file\n"
    "(an icon file, told by its bytes whatever its name, is one icon) with their names and\n"
    "images, numbered from 0 as in icon references. Names are printed as characters;\n"
    "--bytes prints them as the bytes the core holds (in JSON each byte as the code point\n"
    "of the same value).\n";

const char *const ExtractUsage =
    "usage: corvane-cli extract FILE INDEX OUT\n"
    "Writes icon INDEX (0-based, as in icon references; a negative INDEX -ID names the icon\n"
    "whose resource identifier is ID) of FILE with all its images as the .ico file OUT, or,\n"
    "when OUT ends in .png, its largest image as PNG.\n";

const char *const MakeIclUsage =
    "usage: corvane-cli make-icl OUT SOURCE... [--names NAME,NAME,...] [--bytes]\n"
    "                            [--format ne|pe32]\n"
    "Writes the icon library OUT from sources that are .ico files or FILE,INDEX references\n"
    "(0-based, -ID for a resource identifier; FILE alone means index 0), or .png and .svg "
    "pictures, each made into an icon\n"
    "of 16 to 256 pixels (256 with --format pe32 only, and from a picture of 64 or more).\n"
    "Icons are named after their source file's base name unless --names gives one name per\n"
    "source. The names are taken as UTF-8; --bytes takes them as the bytes the library is to\n"
    "hold.\n"
    "--format ne (the default) writes a 16-bit library, which holds images below 256\n"
    "pixels only; --format pe32 writes a 32-bit library (a resource-only DLL) with every\n"
    "image, 256-pixel ones stored as PNG. A 32-bit library lists the icons named by a\n"
    "number from 1 to 65535 last, in ascending order, and the others first, by name in\n"
    "upper case, as Windows reads them; make-icl prints the order when it is not that of\n"
    "the sources (--names 1,2,3,... keeps it).\n";

// Whether the file holds an icon directory rather than a module, told by its bytes as
// the shell tells them, whatever its name: reserved 0 and type 1.
bool IsIcoFile(const std::string &name) {
  const auto head = platform::ReadFileHead(name, 4);
  return head && *head == std::string("\0\0\1\0", 4);
}

// The file name without folder and extension.
std::string BaseName(const std::string &name) {
  const std::string file = name.substr(ExtractFilePath(name).size());
  return file.substr(0, file.size() - FileExtension(file).size());
}

// The icons of a file as the icon units read it, one at a time: an icon file is one
// icon named after the file; any other file is read as a module.
void ForEachIcon(const std::string &file, const icons::TIconVisitor &take) {
  if (!IsIcoFile(file)) {
    icons::TIconLibrary::ForEachIcon(file, take);
    return;
  }
  auto icon = std::make_unique<icons::TAdvancedIcon>();
  if (icon->LoadFromFile(file))
    take({BaseName(file), std::move(icon)});
}

// The same icons, all of them, in a library.
void LoadIcons(const std::string &file, icons::TIconLibrary &into) {
  ForEachIcon(file, [&](icons::TNamedIcon icon) {
    into.Icons.AddIcon(std::move(icon.first), std::move(icon.second));
  });
}

std::span<const uint8_t> ImageBytes(const icons::TIconImage &image) {
  if (!image.Data)
    return {};
  return std::span<const uint8_t>(image.Data->data(), image.BytesInRes);
}

// Streamed: each icon is printed as it is read and then let go.
void PrintIconsJson(const std::string &file, unsigned count, TextForm form) {
  JsonWriter json;
  json.BeginObject();
  json.Field("file", JsonText(file, form));
  json.Field("count", count);
  json.Key("icons");
  json.BeginArray();
  ForEachIcon(file, [&](icons::TNamedIcon icon) {
    json.BeginObject();
    json.Field("name", JsonText(icon.first, form));
    json.Key("images");
    json.BeginArray();
    for (size_t k = 0; icon.second && k < icon.second->Images.Count(); ++k) {
      const icons::TIconImage &image = *icon.second->Images.Items(k);
      json.BeginObject();
      json.Field("width", image.Width);
      json.Field("height", image.Height);
      json.Field("colors", image.ColorCount);
      json.Field("bits", image.BitCount);
      json.Field("bytes", image.BytesInRes);
      json.EndObject();
    }
    json.EndArray();
    json.EndObject();
  });
  json.EndArray();
  json.EndObject();
  json.Finish();
}

void PrintIcons(const std::string &file, unsigned count, const icons::TIconLibrary &library,
                TextForm form) {
  std::printf("File: %s\nPlatform icon count: %u\nIcons: %d\n", ShownText(file, form).c_str(),
              count, library.Icons.Count());
  for (int i = 0; i < library.Icons.Count(); ++i) {
    const icons::TAdvancedIcon *icon = library.Icons.Objects(i);
    const unsigned images = icon ? icon->Images.Count() : 0;
    std::printf("%d \"%s\": %u image%s\n", i, ShownText(library.Icons.Strings(i), form).c_str(),
                images, images == 1 ? "" : "s");
    for (size_t k = 0; k < images; ++k) {
      const icons::TIconImage &image = *icon->Images.Items(k);
      std::printf("    %ux%u colors %u bits %u bytes %u\n", image.Width, image.Height,
                  image.ColorCount, image.BitCount, image.BytesInRes);
    }
  }
}

void Put16(std::string &out, uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}
void Put32(std::string &out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// An .ico file of all the icon's images: header, one 16-byte entry per image with the
// fields the image holds, then the image bytes in entry order.
std::string IcoFileBytes(const icons::TAdvancedIcon &icon) {
  const uint16_t count = icon.Images.Count();
  std::string header, images;
  Put16(header, 0);
  Put16(header, 1);
  Put16(header, count);
  uint64_t offset = 6 + 16 * uint64_t{count};
  for (size_t k = 0; k < count; ++k) {
    const icons::TIconImage &image = *icon.Images.Items(k);
    const auto bytes = ImageBytes(image);
    header += static_cast<char>(image.Width);
    header += static_cast<char>(image.Height);
    header += static_cast<char>(image.ColorCount);
    header += static_cast<char>(image.Reserved);
    Put16(header, image.Planes);
    Put16(header, image.BitCount);
    Put32(header, static_cast<uint32_t>(bytes.size()));
    if (offset + bytes.size() > UINT32_MAX)
      throw Failure("the icon is too large for an .ico file");
    Put32(header, static_cast<uint32_t>(offset));
    images.append(reinterpret_cast<const char *>(bytes.data()), bytes.size());
    offset += bytes.size();
  }
  return header + images;
}

// The image with the most pixels (ties: the deeper one, then the first); nothing when
// no image can be read.
const icons::TIconImage *LargestImage(const icons::TAdvancedIcon &icon) {
  const icons::TIconImage *best = nullptr;
  int64_t bestArea = -1;
  int bestBits = -1;
  for (size_t k = 0; k < icon.Images.Count(); ++k) {
    const icons::TIconImage *image = icon.Images.Items(k);
    const auto facts = icons::ReadImageFacts(ImageBytes(*image));
    if (!facts)
      continue;
    const int64_t area = facts->width * facts->height;
    if (area > bestArea || (area == bestArea && facts->bitCount > bestBits)) {
      best = image;
      bestArea = area;
      bestBits = facts->bitCount;
    }
  }
  return best;
}

// The largest image as PNG: a PNG image as it is stored, any other decoded first.
std::string PngBytes(const icons::TAdvancedIcon &icon) {
  const icons::TIconImage *image = LargestImage(icon);
  if (!image)
    throw Failure("the icon has no image that can be read");
  const auto bytes = ImageBytes(*image);
  if (icons::ReadImageFacts(bytes)->png)
    return std::string(reinterpret_cast<const char *>(bytes.data()), bytes.size());
  const auto handle = platform::CreateIconFromResourceEx(bytes.data(), bytes.size());
  if (!handle)
    throw Failure("the icon's largest image cannot be decoded");
  return icons::EncodePng(*handle.Pixels());
}

bool EndsWithPng(const std::string &name) {
  return name.size() >= 4 && LowerAscii(name.substr(name.size() - 4)) == ".png";
}

// A source of make-icl: FILE,INDEX when the text after the last comma is a number,
// else the whole text as FILE with index 0.
std::pair<std::string, std::string> SplitSource(const std::string &source) {
  const size_t comma = source.rfind(',');
  const size_t digits =
      comma != std::string::npos && comma + 1 < source.size() && source[comma + 1] == '-'
          ? comma + 2
          : comma + 1;
  if (comma != std::string::npos && digits < source.size() &&
      source.find_first_not_of("0123456789", digits) == std::string::npos)
    return {source.substr(0, comma), source.substr(comma + 1)};
  return {source, "0"};
}

// The icon a picture (.png or .svg) makes: its only icon, index 0. A 16-bit library cannot
// hold a 256-pixel image, which a picture then simply does not make.
std::unique_ptr<icons::TAdvancedIcon> PictureIcon(const std::string &hostPath,
                                                  const std::string &indexText,
                                                  icons::TLibraryFormat format) {
  const std::string file = ExistingFile(hostPath);
  if (indexText != "0")
    throw Failure(hostPath + " is a picture, which makes one icon: index 0");
  return icons::IconFromPictureFile(file, format == icons::TLibraryFormat::PE32);
}

std::vector<std::string> SplitNames(const std::string &names) {
  std::vector<std::string> list;
  size_t start = 0;
  for (size_t comma; (comma = names.find(',', start)) != std::string::npos; start = comma + 1)
    list.push_back(names.substr(start, comma - start));
  list.push_back(names.substr(start));
  return list;
}

// A copy of icon INDEX of a file; throws when the file holds no such icon.
std::unique_ptr<icons::TAdvancedIcon> CopyOfIcon(const std::string &hostPath,
                                                 const std::string &indexText) {
  const std::string file = ExistingFile(hostPath);
  icons::TIconLibrary library;
  LoadIcons(file, library);
  if (library.Icons.Count() == 0)
    throw Failure(hostPath + " holds no icon Corvane can read");
  // A negative index names the icon by its resource identifier, as icon references do.
  int index = 0;
  if (!indexText.empty() && indexText[0] == '-') {
    const int id = ParseNumber(indexText.substr(1), 1, 0xFFFF, "icon identifier");
    const auto position = IconPosition(file, -id);
    if (!position || *position >= library.Icons.Count())
      throw Failure(hostPath + " has no icon with the identifier " + std::to_string(id));
    index = *position;
  } else {
    index = ParseNumber(indexText, 0, library.Icons.Count() - 1, "icon index");
  }
  auto copy = std::make_unique<icons::TAdvancedIcon>();
  copy->Assign(*library.Icons.Objects(index));
  return copy;
}

icons::TLibraryFormat LibraryFormat(const std::optional<std::string> &given) {
  if (!given || *given == "ne")
    return icons::TLibraryFormat::NE16;
  if (*given == "pe32")
    return icons::TLibraryFormat::PE32;
  throw UsageError("--format takes ne or pe32, not " + *given);
}

// A 32-bit library lists its icons in the order of its resource directory; whoever
// refers to them by index needs that order when it is not the order of the sources.
void PrintOrderIfChanged(const icons::TIconLibrary &library, icons::TLibraryFormat format,
                         TextForm form) {
  const std::vector<int> order = library.WrittenOrder(format);
  if (std::is_sorted(order.begin(), order.end()))
    return;
  std::printf("The library lists the icons in this order:\n");
  for (size_t n = 0; n < order.size(); ++n)
    std::printf("%zu \"%s\" (source %d)\n", n,
                ShownText(library.Icons.Strings(order[n]), form).c_str(), order[n] + 1);
}

} // namespace

int Icons(const Context &, const Args &args) {
  const ParsedArgs parsed = ParseArgs(args, {{"--json", "--bytes"}, {}});
  if (parsed.help) {
    std::fputs(IconsUsage, stdout);
    return 0;
  }
  parsed.RequirePositional(1, 1, {"icon file"});
  const std::string file = ExistingFile(parsed.positional[0]);
  const unsigned count = platform::ExtractIconCountA(file);
  if (parsed.Has("--json")) {
    PrintIconsJson(file, count, parsed.Form());
    return 0;
  }
  icons::TIconLibrary library;
  LoadIcons(file, library);
  PrintIcons(file, count, library, parsed.Form());
  return 0;
}

int Extract(const Context &, const Args &args) {
  const ParsedArgs parsed = ParseArgs(args, {});
  if (parsed.help) {
    std::fputs(ExtractUsage, stdout);
    return 0;
  }
  parsed.RequirePositional(3, 3, {"icon file", "icon index", "output file"});
  const auto icon = CopyOfIcon(parsed.positional[0], parsed.positional[1]);
  const std::string &out = parsed.positional[2];
  platform::WriteFileAtomic(WindowsNameOfArgument(out),
                            EndsWithPng(out) ? PngBytes(*icon) : IcoFileBytes(*icon));
  return 0;
}

int MakeIcl(const Context &, const Args &args) {
  const ParsedArgs parsed = ParseArgs(args, {{"--bytes"}, {"--names", "--format"}});
  if (parsed.help) {
    std::fputs(MakeIclUsage, stdout);
    return 0;
  }
  parsed.RequirePositional(2, SIZE_MAX, {"output file", "source"});
  const std::vector<std::string> sources(parsed.positional.begin() + 1, parsed.positional.end());
  std::vector<std::string> names;
  if (auto given = parsed.Value("--names")) {
    // Each name is a text of its own: one the code page cannot hold is marked alone.
    for (const std::string &name : SplitNames(*given))
      names.push_back(TakenText(name, parsed.Form(), "a name of --names"));
    if (names.size() != sources.size())
      throw UsageError("--names gives " + std::to_string(names.size()) + " names for " +
                       std::to_string(sources.size()) + " sources");
  }
  const icons::TLibraryFormat format = LibraryFormat(parsed.Value("--format"));
  icons::TIconLibrary library;
  for (size_t i = 0; i < sources.size(); ++i) {
    const auto [file, index] = SplitSource(sources[i]);
    auto icon =
        icons::IsPictureFileName(file) ? PictureIcon(file, index, format) : CopyOfIcon(file, index);
    library.Icons.AddIcon(names.empty() ? BaseName(WindowsNameOfArgument(file)) : names[i],
                          std::move(icon));
  }
  library.SaveToFile(WindowsNameOfArgument(parsed.positional[0]), format);
  PrintOrderIfChanged(library, format, parsed.Form());
  return 0;
}

} // namespace cli
