#include "platform/IconFormats.h"

#include <algorithm>
#include <array>

namespace platform {

namespace {

constexpr std::array<uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint32_t kIhdr = 0x49484452; // "IHDR"
// Signature, chunk length and type, 13 bytes of fields and the check sum.
constexpr uint64_t kPngHeaderBytes = 8 + 8 + 13 + 4;

uint32_t BigEndian32(std::span<const uint8_t> bytes, size_t offset) {
  return uint32_t{bytes[offset]} << 24 | uint32_t{bytes[offset + 1]} << 16 |
         uint32_t{bytes[offset + 2]} << 8 | bytes[offset + 3];
}

// Bits per pixel of a PNG image as stored; 0 for a colour type PNG does not define.
uint16_t PngBitsPerPixel(const PngHeader &header) {
  const uint16_t depth = header.bitDepth;
  switch (header.colorType) {
  case 0: // grey
  case 3: // palette indices
    return depth;
  case 2: // RGB
    return static_cast<uint16_t>(depth * 3);
  case 4: // grey and alpha
    return static_cast<uint16_t>(depth * 2);
  case 6: // RGBA
    return static_cast<uint16_t>(depth * 4);
  default:
    return 0;
  }
}

} // namespace

// ---- icon directory --------------------------------------------------------------------

std::optional<uint16_t> ReadIconDirHeader(const ByteReader &bytes) {
  if (bytes.u16le(0) != 0 || bytes.u16le(2) != 1)
    return std::nullopt;
  return bytes.u16le(4);
}

std::optional<IconDirEntry> ReadIconDirEntry(const ByteReader &bytes, IconDirKind kind) {
  if (!bytes.has(0, IconDirEntrySize(kind)))
    return std::nullopt;
  IconDirEntry entry;
  entry.width = *bytes.u8(0);
  entry.height = *bytes.u8(1);
  entry.colorCount = *bytes.u8(2);
  entry.reserved = *bytes.u8(3);
  entry.planes = *bytes.u16le(4);
  entry.bitCount = *bytes.u16le(6);
  entry.bytesInRes = *bytes.u32le(8);
  if (kind == IconDirKind::File)
    entry.imageOffset = *bytes.u32le(12);
  else
    entry.id = *bytes.u16le(12);
  return entry;
}

std::vector<IconDirEntry> ReadIconDirectory(const ByteReader &bytes, IconDirKind kind) {
  auto count = ReadIconDirHeader(bytes);
  if (!count)
    return {};
  const uint64_t size = IconDirEntrySize(kind);
  const uint64_t present = std::min<uint64_t>(*count, (bytes.size() - kIconDirHeaderSize) / size);
  std::vector<IconDirEntry> entries;
  entries.reserve(present);
  for (uint64_t i = 0; i < present; ++i)
    entries.push_back(*ReadIconDirEntry(bytes.sub(kIconDirHeaderSize + i * size, size), kind));
  return entries;
}

// ---- bitmap header ---------------------------------------------------------------------

std::optional<DibHeader> ReadDibHeader(const ByteReader &bytes) {
  auto size = bytes.u32le(0);
  if (!size || (*size != kBitmapCoreHeaderSize && *size < kBitmapInfoHeaderSize) ||
      !bytes.has(0, *size))
    return std::nullopt;
  DibHeader header;
  header.size = *size;
  if (header.IsCore()) {
    header.width = *bytes.u16le(4);
    header.storedHeight = *bytes.u16le(6);
    header.planes = *bytes.u16le(8);
    header.bitCount = *bytes.u16le(10);
    return header;
  }
  header.width = static_cast<int32_t>(*bytes.u32le(4));
  header.storedHeight = *bytes.u32le(8);
  header.planes = *bytes.u16le(12);
  header.bitCount = *bytes.u16le(14);
  header.compression = *bytes.u32le(16);
  header.colorsUsed = *bytes.u32le(32);
  return header;
}

// ---- PNG header ------------------------------------------------------------------------

bool HasPngSignature(const ByteReader &bytes) {
  auto head = bytes.slice(0, kPngSignature.size());
  return head && std::equal(head->begin(), head->end(), kPngSignature.begin());
}

std::optional<PngHeader> ReadPngHeader(const ByteReader &bytes) {
  auto head = bytes.slice(0, kPngHeaderBytes);
  if (!head || !HasPngSignature(bytes) || BigEndian32(*head, 12) != kIhdr)
    return std::nullopt;
  PngHeader header;
  header.width = BigEndian32(*head, 16);
  header.height = BigEndian32(*head, 20);
  header.bitDepth = (*head)[24];
  header.colorType = (*head)[25];
  return header;
}

// ---- facts of an image -----------------------------------------------------------------

std::optional<ImageFacts> ReadImageFacts(std::span<const uint8_t> bytes) {
  const ByteReader reader(bytes);
  ImageFacts facts;
  if (HasPngSignature(reader)) {
    auto png = ReadPngHeader(reader);
    if (!png)
      return std::nullopt;
    facts.png = true;
    facts.width = png->width;
    facts.height = png->height;
    facts.planes = 1;
    facts.bitCount = PngBitsPerPixel(*png);
    return facts;
  }
  auto dib = ReadDibHeader(reader);
  if (!dib)
    return std::nullopt;
  facts.width = dib->width;
  facts.height = dib->IconHeight();
  facts.planes = dib->planes;
  facts.bitCount = dib->bitCount;
  return facts;
}

} // namespace platform
