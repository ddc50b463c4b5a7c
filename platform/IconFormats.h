#pragma once
// The records that describe icon images, each read here and nowhere else: the icon
// directory of .ico files and group-icon resources, the bitmap header that starts a
// bitmap image, and the header chunk of a PNG image. The shell's icon functions, the
// image decoder and the icon units all read them through these functions, so a rule
// (which header sizes a bitmap may have, where a cut directory ends) is decided once.
#include "platform/ByteReader.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace platform {

// ---- icon directory --------------------------------------------------------------------

// Bytes of the directory records.
constexpr uint64_t kIconDirHeaderSize = 6;
constexpr uint64_t kIconEntryFieldsSize = 12; // width .. bytes in resource, in both kinds
constexpr uint64_t kFileDirEntrySize = 16;    // the fields and a 32-bit image offset
constexpr uint64_t kGroupDirEntrySize = 14;   // the fields and a 16-bit resource identifier

// An .ico file lists where its images lie in the file; a group-icon resource lists the
// icon resources that hold them.
enum class IconDirKind { File, Group };

constexpr uint64_t IconDirEntrySize(IconDirKind kind) {
  return kind == IconDirKind::File ? kFileDirEntrySize : kGroupDirEntrySize;
}

// The 6-byte header at the start of `bytes`: reserved 0, type 1. Gives the entry count it
// states (0 included); nothing for a cursor (type 2), any other type or reserved value,
// or fewer than 6 bytes.
std::optional<uint16_t> ReadIconDirHeader(const ByteReader &bytes);

struct IconDirEntry {
  uint8_t width = 0; // 0 stands for 256
  uint8_t height = 0;
  uint8_t colorCount = 0;
  uint8_t reserved = 0;
  uint16_t planes = 0;
  uint16_t bitCount = 0;
  uint32_t bytesInRes = 0;
  uint32_t imageOffset = 0; // file entries: where the image bytes start in the file
  uint16_t id = 0;          // group entries: the icon resource that holds the image bytes
};

// The entry of the given kind at the start of `bytes`; nothing when it is not all there.
std::optional<IconDirEntry> ReadIconDirEntry(const ByteReader &bytes, IconDirKind kind);

// The entries of a whole directory, in their order. The header's count is believed only
// as far as the bytes go: entries cut off by the end of the bytes end the list. None when
// the header is refused.
std::vector<IconDirEntry> ReadIconDirectory(const ByteReader &bytes, IconDirKind kind);

// ---- bitmap header ---------------------------------------------------------------------

constexpr uint32_t kBitmapCoreHeaderSize = 12;
constexpr uint32_t kBitmapInfoHeaderSize = 40;
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

// The header that starts a bitmap icon image. Windows makes icons from both kinds it
// defines: the 12-byte BITMAPCOREHEADER (16-bit sizes, no compression, 3-byte colour
// entries) and the 40-byte BITMAPINFOHEADER with its longer successors. Any other size
// is no bitmap header.
struct DibHeader {
  uint32_t size = 0;
  int32_t width = 0;
  uint32_t storedHeight = 0; // covers the XOR bitmap and the AND mask below it
  uint16_t planes = 0;
  uint16_t bitCount = 0;
  uint32_t compression = kBiRgb;
  uint32_t colorsUsed = 0; // 0: as many as the bit count can index

  bool IsCore() const { return size == kBitmapCoreHeaderSize; }
  // The height of the icon: half the stored height, taken as an unsigned value, so a
  // negative (top-down) height gives a height no icon has.
  uint32_t IconHeight() const { return storedHeight >> 1; }
};

// The bitmap header at the start of `bytes`; nothing when its size field is neither 12
// nor at least 40, or the bytes end before the header the size field announces.
std::optional<DibHeader> ReadDibHeader(const ByteReader &bytes);

// ---- PNG header ------------------------------------------------------------------------

// True when `bytes` start with the 8-byte PNG signature; such bytes are a PNG image or
// nothing, never a bitmap.
bool HasPngSignature(const ByteReader &bytes);

struct PngHeader {
  uint32_t width = 0;
  uint32_t height = 0;
  uint8_t bitDepth = 0;  // bits per sample
  uint8_t colorType = 0; // 0 grey, 2 RGB, 3 palette, 4 grey and alpha, 6 RGBA
};

// The signature and the IHDR chunk that must follow it, whole (its check sum is not
// verified); nothing for other bytes.
std::optional<PngHeader> ReadPngHeader(const ByteReader &bytes);

// ---- facts of an image -----------------------------------------------------------------

// What image bytes say about themselves, as their header states it (nothing is decoded
// or checked for being decodable).
struct ImageFacts {
  bool png = false;
  int64_t width = 0;
  int64_t height = 0; // of the picture, not of XOR and AND mask together
  uint16_t planes = 0;
  uint16_t bitCount = 0; // bits per pixel as stored; 0 when unknown
};

// Nothing when the bytes are neither a PNG image nor begin with a bitmap header.
std::optional<ImageFacts> ReadImageFacts(std::span<const uint8_t> bytes);

} // namespace platform
