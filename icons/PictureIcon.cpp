#include "icons/PictureIcon.h"

#include "icons/IconLibrary.h"
#include "icons/PictureScaling.h"
#include "icons/PngEncode.h"
#include "platform/HostFiles.h"
#include "platform/MessageText.h"
#include "platform/ModuleResources.h"
#include "platform/PngCodec.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace icons {

namespace {

using platform::EMessageError;
using platform::Message;
using platform::Verbatim;

// The standard icon sizes below the large one, and the large one.
constexpr int kStandardSizes[] = {16, 20, 24, 32, 40, 48, 64};
constexpr int kLargeSize = 256;
// A source at least this many times the target is first halved: the filter then needs few
// taps per pixel instead of hundreds for a large picture.
constexpr int kHalveFactor = 4;

using Square = PictureSquare;

std::string Quoted(const std::string &fileName) {
  return "\"" + fileName + "\"";
}

[[noreturn]] void RaiseUnreadable(const std::string &fileName, const std::string &reason) {
  throw EMessageError(
      Message("Picture %s cannot be read: %s", {Verbatim(Quoted(fileName)), Verbatim(reason)}));
}

uint32_t Premultiplied(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  auto mul = [a](uint8_t c) { return uint32_t((c * a + 127) / 255); };
  return uint32_t{a} << 24 | mul(r) << 16 | mul(g) << 8 | mul(b);
}

// Straight (not premultiplied) 0xAARRGGBB. A sharpening filter may leave a colour above its
// alpha; it is clamped rather than wrapped.
uint32_t Straight(uint32_t p) {
  const uint32_t a = p >> 24;
  if (a == 0)
    return 0;
  auto div = [a](uint32_t c) { return std::min<uint32_t>(255, (c * 255 + a / 2) / a); };
  return a << 24 | div(p >> 16 & 0xFF) << 16 | div(p >> 8 & 0xFF) << 8 | div(p & 0xFF);
}

// Every image size of the icon from one square: each is shrunk from the smallest halving of
// the picture at least twice its size.
std::vector<Square> ScaledSquares(Square picture, const std::vector<int> &sizes) {
  std::vector<Square> levels;
  levels.push_back(std::move(picture));
  while (levels.back().side >= kHalveFactor * sizes.front())
    levels.push_back(
        ResampleSquare(levels.back(), (levels.back().side + 1) / 2, ShrinkFilter::Box));
  std::vector<Square> out;
  for (int size : sizes) {
    size_t level = 0;
    while (level + 1 < levels.size() && levels[level + 1].side >= 2 * size)
      ++level;
    out.push_back(ResampleSquare(levels[level], size, ShrinkFilter::Lanczos3));
  }
  return out;
}

void PutLe(std::vector<uint8_t> &out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out.push_back(uint8_t(value >> (8 * i)));
}

// A 32-bit bitmap as an icon stores it: the information header with the height of both
// masks, the colour rows bottom up, and the AND mask (set where the image is wholly
// transparent, for readers that ignore the alpha).
std::vector<uint8_t> DibBytes(const Square &square) {
  const int side = square.side;
  const uint32_t maskRow = uint32_t(side + 31) / 32 * 4;
  const uint32_t colourBytes = uint32_t(side) * side * 4;
  std::vector<uint8_t> out;
  out.reserve(40 + colourBytes + maskRow * side);
  PutLe(out, 40, 4);
  PutLe(out, uint32_t(side), 4);
  PutLe(out, uint32_t(side) * 2, 4);
  PutLe(out, 1, 2);  // planes
  PutLe(out, 32, 2); // bits per pixel
  PutLe(out, 0, 4);  // uncompressed
  PutLe(out, colourBytes + maskRow * side, 4);
  PutLe(out, 0, 4);
  PutLe(out, 0, 4);
  PutLe(out, 0, 4);
  PutLe(out, 0, 4);
  for (int y = side - 1; y >= 0; --y)
    for (int x = 0; x < side; ++x)
      PutLe(out, Straight(square.argb[size_t(y) * side + x]), 4);
  for (int y = side - 1; y >= 0; --y) {
    std::vector<uint8_t> row(maskRow, 0);
    for (int x = 0; x < side; ++x)
      if ((square.argb[size_t(y) * side + x] >> 24) == 0)
        row[size_t(x) / 8] |= uint8_t(0x80 >> (x % 8));
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

std::vector<uint8_t> PngBytes(const Square &square) {
  platform::IconPixels pixels{square.side, square.side, {}};
  pixels.argb.reserve(square.argb.size());
  for (uint32_t p : square.argb)
    pixels.argb.push_back(Straight(p));
  const std::string png = EncodePng(pixels);
  return std::vector<uint8_t>(png.begin(), png.end());
}

std::unique_ptr<TIconImage> MakeImage(const Square &square) {
  auto image = std::make_unique<TIconImage>();
  image->Data = square.side >= kLargeSize ? PngBytes(square) : DibBytes(square);
  image->BytesInRes = uint32_t(image->Data->size());
  image->Width = uint8_t(square.side); // 256 is stored as 0
  image->Height = uint8_t(square.side);
  image->Planes = 1;
  image->BitCount = 32;
  return image;
}

std::unique_ptr<TAdvancedIcon> MakeIcon(const std::vector<Square> &squares) {
  auto icon = std::make_unique<TAdvancedIcon>();
  for (const Square &square : squares)
    icon->Images.Add(MakeImage(square));
  return icon;
}

void CheckSide(uint32_t width, uint32_t height, const std::string &fileName) {
  const uint32_t side = std::max(width, height);
  if (side < kMinPictureSide || side > kMaxPictureSide)
    throw EMessageError(Message(
        "Picture %s is %s x %s pixels: an icon is made from a picture of 16 to 16384 pixels",
        {Verbatim(Quoted(fileName)), Verbatim(std::to_string(width)),
         Verbatim(std::to_string(height))}));
}

// Decodes the PNG into a square of premultiplied pixels, the picture centred on transparency.
// The sides are checked from the header before any pixel is decoded.
Square DecodePngSquare(std::string_view bytes, const std::string &fileName) {
  const std::span<const uint8_t> stream(reinterpret_cast<const uint8_t *>(bytes.data()),
                                        bytes.size());
  const auto sides = platform::PngHeaderSides(stream);
  if (!sides)
    RaiseUnreadable(fileName, "not a PNG picture");
  CheckSide(sides->width, sides->height, fileName);
  std::string reason;
  const auto decoded = platform::DecodePngRgba(stream, reason);
  if (!decoded)
    RaiseUnreadable(fileName, reason);
  const int width = int(decoded->width);
  const int height = int(decoded->height);
  const std::vector<uint8_t> &rgba = decoded->rgba;
  Square square;
  square.side = std::max(width, height);
  square.argb.assign(size_t(square.side) * square.side, 0);
  const int left = (square.side - width) / 2;
  const int top = (square.side - height) / 2;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint8_t *p = &rgba[(size_t(y) * width + x) * 4];
      square.argb[size_t(y + top) * square.side + size_t(x + left)] =
          Premultiplied(p[0], p[1], p[2], p[3]);
    }
  return square;
}

std::string LowerExtension(const std::string &fileName) {
  const size_t dot = fileName.rfind('.');
  if (dot == std::string::npos || fileName.find_first_of("\\/", dot) != std::string::npos)
    return {};
  std::string ext = fileName.substr(dot);
  for (char &c : ext)
    c = char(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

// The icons of an existing library the picture's icon is added to; a library that is not
// 32-bit is refused, since writing it anew in the other format would change what its
// readers see.
void LoadLibraryToExtend(const std::string &libraryName, TIconLibrary &library) {
  const auto module = platform::ResourceModule::Load(libraryName);
  if (!module || module->Format() != platform::ModuleFormat::PE32)
    throw EMessageError(
        Message(module && module->Format() == platform::ModuleFormat::NE
                    ? "The file %s is a 16-bit icon library; pictures are added to 32-bit ones"
                    : "The file %s is not a 32-bit icon library",
                {Verbatim(Quoted(libraryName))}));
  library.LoadFromFile(libraryName);
}

// The number after the largest numbered icon's.
std::string NextNumberName(const TIconList &icons) {
  unsigned long largest = 0;
  for (int i = 0; i < icons.Count(); ++i) {
    const std::string &name = icons.Strings(i);
    if (!name.empty() && name.size() <= 5 && name[0] != '0' &&
        name.find_first_not_of("0123456789") == std::string::npos)
      largest = std::max(largest, std::stoul(name));
  }
  if (largest >= 65535)
    throw EMessageError(Message("The icon library has no free icon number"));
  return std::to_string(largest + 1);
}

} // namespace

bool IsPictureFileName(const std::string &fileName) {
  const std::string ext = LowerExtension(fileName);
  return ext == ".png" || ext == ".svg";
}

std::vector<int> PictureIconSizes(int side, bool large) {
  std::vector<int> sizes;
  for (int size : kStandardSizes)
    if (size <= side)
      sizes.push_back(size);
  if (large && side >= 64)
    sizes.push_back(kLargeSize);
  return sizes;
}

std::unique_ptr<TAdvancedIcon> IconFromPng(std::string_view bytes, const std::string &fileName,
                                           bool large) {
  Square square = DecodePngSquare(bytes, fileName);
  const std::vector<int> sizes = PictureIconSizes(square.side, large);
  return MakeIcon(ScaledSquares(std::move(square), sizes));
}

std::unique_ptr<TAdvancedIcon> IconFromSvg(std::string_view bytes, const std::string &fileName,
                                           bool large) {
  std::string reason;
  const auto squares = DrawSvgSquares(bytes, PictureIconSizes(kLargeSize, large), reason);
  if (!squares)
    RaiseUnreadable(fileName, reason);
  return MakeIcon(*squares);
}

std::unique_ptr<TAdvancedIcon> IconFromPictureFile(const std::string &fileName, bool large) {
  const auto bytes = platform::ReadFileBytes(fileName);
  if (!bytes)
    throw platform::EFileReadError::CannotOpen(fileName);
  if (LowerExtension(fileName) == ".svg")
    return IconFromSvg(*bytes, fileName, large);
  return IconFromPng(*bytes, fileName, large);
}

int AddPictureToLibrary(const std::string &pictureName, const std::string &libraryName) {
  auto icon = IconFromPictureFile(pictureName);
  TIconLibrary library;
  if (platform::FileExists(libraryName))
    LoadLibraryToExtend(libraryName, library);
  const int added = library.Icons.AddIcon(NextNumberName(library.Icons), std::move(icon));
  library.SaveToFile(libraryName, TLibraryFormat::PE32);
  const std::vector<int> order = library.WrittenOrder(TLibraryFormat::PE32);
  return int(std::find(order.begin(), order.end(), added) - order.begin());
}

} // namespace icons
