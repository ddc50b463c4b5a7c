#pragma once
// Decoding of the bytes of one icon image into pixels: the image half of the platform's
// CreateIconFromResourceEx, kept apart from the handle so that it can be tested and
// fuzzed on its own.
#include "platform/IconHandle.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace platform {

// The largest width or height decoded or scaled to. An icon directory cannot describe
// more than 256 pixels, and the largest icons in use are 256 x 256 PNG images; the cap
// keeps one decoded image below 4 MB whatever a damaged header claims.
constexpr int kMaxIconSide = 1024;

// What an image's own header says of it, read without decoding: the size of the icon
// (for a bitmap, half the stored height, which covers the XOR and the AND mask) and its
// colour depth (a PNG image counts as 32 bits).
struct IconImageInfo {
  bool png = false;
  int width = 0;
  int height = 0;
  int bitCount = 0;
};

// The header facts of icon image bytes, or nothing when they are neither a bitmap
// information header nor a PNG header, or describe an image that cannot be decoded.
std::optional<IconImageInfo> PeekIconImage(const uint8_t *bits, size_t size);

// Decodes a bitmap icon image (BITMAPCOREHEADER or BITMAPINFOHEADER and its later
// versions, 1/4/8/16/24/32 bits, uncompressed or bit fields, followed by the colour
// table, the XOR bitmap and the AND mask) or a PNG image at its own size. Nothing when
// the bytes are damaged, incomplete or larger than kMaxIconSide.
std::optional<IconPixels> DecodeIconImage(const uint8_t *bits, size_t size);

// Resamples to width x height by area averaging with premultiplied alpha, so shrinking
// mixes every source pixel it covers and transparent pixels do not darken the edges.
// An integral enlargement repeats each pixel. width and height must be 1..kMaxIconSide.
IconPixels ScaleIconPixels(const IconPixels &source, int width, int height);

} // namespace platform
