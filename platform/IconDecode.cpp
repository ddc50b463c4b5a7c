#include "platform/IconDecode.h"

#include "platform/ByteReader.h"
#include "platform/IconFormats.h"
#include "platform/PngCodec.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <string>
#include <vector>

namespace platform {

namespace {

// ---- bitmap layout -------------------------------------------------------------------

// Where the parts of a bitmap image lie and how its pixels are stored, worked out from
// its header.
struct DibLayout {
  int width = 0;
  int height = 0; // of the icon: half the stored height
  int bitCount = 0;
  uint32_t compression = kBiRgb;
  uint64_t paletteEntries = 0;
  uint64_t paletteEntrySize = 4;
  uint64_t paletteOffset = 0;
  uint32_t masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha for bit fields
};

bool ValidBitCount(int bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// The layout of a bitmap image this decoder can draw: a size within kMaxIconSide, a bit
// count of 1/4/8/16/24/32, uncompressed or bit fields. Longer info headers carry the
// bit-field masks inside the header; the 40-byte one is followed by three.
std::optional<DibLayout> LayOutDib(const ByteReader &r) {
  auto header = ReadDibHeader(r);
  if (!header || header->width < 1 || header->width > kMaxIconSide || header->IconHeight() < 1 ||
      header->IconHeight() > kMaxIconSide || !ValidBitCount(header->bitCount))
    return std::nullopt;
  DibLayout h;
  h.width = header->width;
  h.height = static_cast<int>(header->IconHeight());
  h.bitCount = header->bitCount;
  h.compression = header->compression;
  if (header->IsCore())
    h.paletteEntrySize = 3;
  if (h.compression == kBiBitfields) {
    if (h.bitCount != 16 && h.bitCount != 32)
      return std::nullopt;
    int maskCount = header->size >= 56 ? 4 : 3;
    for (int i = 0; i < maskCount; ++i) {
      auto mask = r.u32le(kBitmapInfoHeaderSize + 4 * static_cast<uint64_t>(i));
      if (!mask)
        return std::nullopt;
      h.masks[i] = *mask;
    }
    h.paletteOffset = header->size == kBitmapInfoHeaderSize ? 52 : header->size;
  } else if (h.compression == kBiRgb) {
    h.paletteOffset = header->size;
  } else {
    return std::nullopt;
  }
  if (h.bitCount <= 8) {
    uint64_t full = uint64_t{1} << h.bitCount;
    h.paletteEntries =
        header->colorsUsed == 0 ? full : std::min<uint64_t>(header->colorsUsed, full);
  } else {
    h.paletteEntries = header->colorsUsed; // a table nobody uses, skipped if it is there
  }
  return h;
}

uint64_t XorStride(const DibLayout &h) {
  return (uint64_t(h.width) * h.bitCount + 31) / 32 * 4;
}
uint64_t AndStride(const DibLayout &h) {
  return (uint64_t(h.width) + 31) / 32 * 4;
}

// ---- bitmap pixels -------------------------------------------------------------------

// A colour channel picked out by a bit-field mask and widened to 8 bits.
uint8_t MaskedChannel(uint32_t value, uint32_t mask) {
  if (mask == 0)
    return 0;
  int shift = std::countr_zero(mask);
  uint64_t max = (uint64_t{mask} >> shift);
  uint64_t channel = (uint64_t{value & mask} >> shift);
  return static_cast<uint8_t>((channel * 255 + max / 2) / max);
}

struct DibParts {
  DibLayout header;
  std::span<const uint8_t> palette;
  std::span<const uint8_t> xorBits;
  std::optional<std::span<const uint8_t>> andBits; // missing in some 32-bit images
};

std::optional<DibParts> SplitDib(const ByteReader &r) {
  auto header = LayOutDib(r);
  if (!header)
    return std::nullopt;
  DibParts parts{*header, {}, {}, std::nullopt};
  uint64_t paletteBytes = header->paletteEntries * header->paletteEntrySize;
  auto palette = r.slice(header->paletteOffset, paletteBytes);
  uint64_t xorAt = header->paletteOffset + paletteBytes;
  auto xorBits = r.slice(xorAt, XorStride(*header) * uint64_t(header->height));
  if (!palette || !xorBits)
    return std::nullopt;
  parts.palette = *palette;
  parts.xorBits = *xorBits;
  parts.andBits = r.slice(xorAt + xorBits->size(), AndStride(*header) * uint64_t(header->height));
  return parts;
}

uint32_t PaletteColor(const DibParts &p, uint32_t index) {
  uint64_t at = uint64_t{index} * p.header.paletteEntrySize;
  if (index >= p.header.paletteEntries)
    return 0xFF000000; // an index beyond the table draws black, as the platform does
  return 0xFF000000 | uint32_t{p.palette[at + 2]} << 16 | uint32_t{p.palette[at + 1]} << 8 |
         p.palette[at];
}

// The colour of pixel x of a stored row, alpha taken from a 32-bit image as it stands.
uint32_t RowPixel(const DibParts &p, std::span<const uint8_t> row, int x) {
  const DibLayout &h = p.header;
  size_t ux = static_cast<size_t>(x);
  switch (h.bitCount) {
  case 1:
  case 4:
  case 8: {
    size_t bit = ux * static_cast<size_t>(h.bitCount);
    unsigned shift = 8 - static_cast<unsigned>(h.bitCount) - bit % 8;
    return PaletteColor(p, (row[bit / 8] >> shift) & ((1u << h.bitCount) - 1));
  }
  case 16: {
    uint32_t v = row[ux * 2] | uint32_t{row[ux * 2 + 1]} << 8;
    if (h.compression == kBiBitfields)
      return 0xFF000000 | uint32_t{MaskedChannel(v, h.masks[0])} << 16 |
             uint32_t{MaskedChannel(v, h.masks[1])} << 8 | MaskedChannel(v, h.masks[2]);
    return 0xFF000000 | uint32_t{MaskedChannel(v, 0x7C00)} << 16 |
           uint32_t{MaskedChannel(v, 0x03E0)} << 8 | MaskedChannel(v, 0x001F);
  }
  case 24:
    return 0xFF000000 | uint32_t{row[ux * 3 + 2]} << 16 | uint32_t{row[ux * 3 + 1]} << 8 |
           row[ux * 3];
  default: {
    uint32_t v = row[ux * 4] | uint32_t{row[ux * 4 + 1]} << 8 | uint32_t{row[ux * 4 + 2]} << 16 |
                 uint32_t{row[ux * 4 + 3]} << 24;
    if (h.compression != kBiBitfields)
      return v;
    return uint32_t{MaskedChannel(v, h.masks[3])} << 24 |
           uint32_t{MaskedChannel(v, h.masks[0])} << 16 |
           uint32_t{MaskedChannel(v, h.masks[1])} << 8 | MaskedChannel(v, h.masks[2]);
  }
  }
}

bool AndBit(std::span<const uint8_t> andBits, uint64_t stride, int storedRow, int x) {
  uint64_t at = uint64_t(storedRow) * stride + uint64_t(x) / 8;
  return (andBits[at] >> (7 - x % 8)) & 1;
}

std::optional<IconPixels> DecodeDib(const ByteReader &r) {
  auto parts = SplitDib(r);
  if (!parts)
    return std::nullopt;
  const DibLayout &h = parts->header;
  IconPixels out;
  out.width = h.width;
  out.height = h.height;
  out.argb.resize(size_t(h.width) * size_t(h.height));
  uint64_t stride = XorStride(h);
  bool anyAlpha = false;
  // Rows are stored bottom-up.
  for (int y = 0; y < h.height; ++y) {
    auto row = parts->xorBits.subspan(size_t(uint64_t(h.height - 1 - y) * stride), stride);
    for (int x = 0; x < h.width; ++x) {
      uint32_t pixel = RowPixel(*parts, row, x);
      anyAlpha = anyAlpha || (pixel >> 24) != 0;
      out.argb[size_t(y) * size_t(h.width) + size_t(x)] = pixel;
    }
  }
  // A 32-bit image carries its own alpha, unless the alpha is zero everywhere: then, as
  // on Windows, the AND mask decides, like for every other depth.
  if (h.bitCount == 32 && anyAlpha)
    return out;
  if (!parts->andBits)
    return std::nullopt;
  uint64_t andStride = AndStride(h);
  for (int y = 0; y < h.height; ++y)
    for (int x = 0; x < h.width; ++x) {
      uint32_t &pixel = out.argb[size_t(y) * size_t(h.width) + size_t(x)];
      bool transparent = AndBit(*parts->andBits, andStride, h.height - 1 - y, x);
      pixel = (pixel & 0x00FFFFFF) | (transparent ? 0u : 0xFF000000u);
    }
  return out;
}

// ---- PNG -----------------------------------------------------------------------------

// A PNG image is decoded to 32-bit pixels whatever its own depth.
std::optional<IconImageInfo> PeekPng(const ByteReader &r) {
  auto header = ReadPngHeader(r);
  if (!header || header->width < 1 || header->height < 1 || header->width > kMaxIconSide ||
      header->height > kMaxIconSide)
    return std::nullopt;
  return IconImageInfo{true, int(header->width), int(header->height), 32};
}

// The sides were bounded from the header before any pixel is decoded.
std::optional<IconPixels> DecodePng(const ByteReader &r) {
  if (!PeekPng(r))
    return std::nullopt;
  std::string reason;
  const auto decoded = DecodePngRgba(r.bytes(), reason);
  if (!decoded)
    return std::nullopt;
  const std::vector<uint8_t> &rgba = decoded->rgba;
  IconPixels out;
  out.width = int(decoded->width);
  out.height = int(decoded->height);
  out.argb.resize(size_t(decoded->width) * decoded->height);
  for (size_t i = 0; i < out.argb.size(); ++i)
    out.argb[i] = uint32_t{rgba[i * 4 + 3]} << 24 | uint32_t{rgba[i * 4]} << 16 |
                  uint32_t{rgba[i * 4 + 1]} << 8 | rgba[i * 4 + 2];
  return out;
}

// ---- scaling -------------------------------------------------------------------------

struct Tap {
  int source;
  double weight;
};

// For each target position, the source positions it covers and the share of each, for
// mapping `from` pixels onto `to` pixels of equal total extent.
std::vector<std::vector<Tap>> AreaTaps(int from, int to) {
  std::vector<std::vector<Tap>> taps(static_cast<size_t>(to));
  double scale = double(from) / to;
  for (int d = 0; d < to; ++d) {
    double lo = d * scale;
    double hi = (d + 1) * scale;
    for (int s = int(std::floor(lo)); s < from && s < hi; ++s) {
      double overlap = std::min(hi, s + 1.0) - std::max(lo, double(s));
      if (overlap > 1e-9)
        taps[size_t(d)].push_back({s, overlap / scale});
    }
  }
  return taps;
}

uint8_t Channel(double value) {
  return uint8_t(std::clamp(std::lround(value), 0L, 255L));
}

} // namespace

std::optional<IconImageInfo> PeekIconImage(const uint8_t *bits, size_t size) {
  if (!bits)
    return std::nullopt;
  ByteReader r(std::span<const uint8_t>(bits, size));
  if (HasPngSignature(r))
    return PeekPng(r);
  auto parts = SplitDib(r);
  if (!parts)
    return std::nullopt;
  return IconImageInfo{false, parts->header.width, parts->header.height, parts->header.bitCount};
}

std::optional<IconPixels> DecodeIconImage(const uint8_t *bits, size_t size) {
  if (!bits)
    return std::nullopt;
  ByteReader r(std::span<const uint8_t>(bits, size));
  return HasPngSignature(r) ? DecodePng(r) : DecodeDib(r);
}

IconPixels ScaleIconPixels(const IconPixels &source, int width, int height) {
  auto xTaps = AreaTaps(source.width, width);
  auto yTaps = AreaTaps(source.height, height);
  IconPixels out;
  out.width = width;
  out.height = height;
  out.argb.resize(size_t(width) * size_t(height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      double a = 0, r = 0, g = 0, b = 0;
      for (const Tap &ty : yTaps[size_t(y)])
        for (const Tap &tx : xTaps[size_t(x)]) {
          uint32_t p = source.argb[size_t(ty.source) * size_t(source.width) + size_t(tx.source)];
          double w = ty.weight * tx.weight * (p >> 24);
          a += w;
          r += w * ((p >> 16) & 0xFF);
          g += w * ((p >> 8) & 0xFF);
          b += w * (p & 0xFF);
        }
      uint32_t pixel = 0;
      if (a > 1e-9)
        pixel = uint32_t{Channel(a)} << 24 | uint32_t{Channel(r / a)} << 16 |
                uint32_t{Channel(g / a)} << 8 | Channel(b / a);
      out.argb[size_t(y) * size_t(width) + size_t(x)] = pixel;
    }
  return out;
}

} // namespace platform
