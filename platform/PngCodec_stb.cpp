// PNG codec over stb_image and stb_image_write, compiled here from their single headers
// (Debian's libstb-dev ships them as source): the Windows build's codec, as no libpng is
// packaged for MinGW. Only the PNG parts are built, and neither touches a file.
#include "platform/PngCodec.h"

#include <array>
#include <climits>
#include <memory>

#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace platform {

namespace {

struct StbFree {
  void operator()(stbi_uc *pixels) const { stbi_image_free(pixels); }
};

void AppendTo(void *context, void *data, int size) {
  static_cast<std::string *>(context)->append(static_cast<const char *>(data),
                                              static_cast<size_t>(size));
}

constexpr std::array<uint32_t, 256> CrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int bit = 0; bit < 8; ++bit)
      c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

uint32_t Crc32(std::span<const uint8_t> bytes) {
  static constexpr std::array<uint32_t, 256> kTable = CrcTable();
  uint32_t c = 0xFFFFFFFFu;
  for (const uint8_t byte : bytes)
    c = kTable[(c ^ byte) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

uint32_t BigEndian32(std::span<const uint8_t> bytes, size_t at) {
  return uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 | uint32_t(bytes[at + 2]) << 8 |
         bytes[at + 3];
}

// stb_image skips the checksums of the chunks, which libpng checks: a stream damaged on
// the way would decode to wrong pixels instead of being refused. Every chunk up to IEND
// is checked here first, within the stream's bounds.
bool ChunksIntact(std::span<const uint8_t> bytes, std::string &reason) {
  size_t at = 8; // after the signature
  while (at + 12 <= bytes.size()) {
    const uint32_t length = BigEndian32(bytes, at);
    if (length > bytes.size() - at - 12)
      break;
    const auto typeAndData = bytes.subspan(at + 4, size_t{length} + 4);
    if (Crc32(typeAndData) != BigEndian32(bytes, at + 8 + length)) {
      reason = "PNG chunk checksum mismatch";
      return false;
    }
    if (std::equal(typeAndData.begin(), typeAndData.begin() + 4, "IEND"))
      return true;
    at += size_t{length} + 12;
  }
  reason = "PNG stream cut short";
  return false;
}

} // namespace

std::optional<RgbaPixels> DecodePngRgba(std::span<const uint8_t> bytes, std::string &reason) {
  if (bytes.size() > INT_MAX) {
    reason = "PNG stream too large";
    return std::nullopt;
  }
  if (bytes.size() >= 8 && !ChunksIntact(bytes, reason))
    return std::nullopt;
  int width = 0;
  int height = 0;
  int channels = 0;
  const std::unique_ptr<stbi_uc, StbFree> decoded(stbi_load_from_memory(
      bytes.data(), static_cast<int>(bytes.size()), &width, &height, &channels, 4));
  if (!decoded) {
    reason = stbi_failure_reason();
    return std::nullopt;
  }
  RgbaPixels pixels;
  pixels.width = static_cast<uint32_t>(width);
  pixels.height = static_cast<uint32_t>(height);
  pixels.rgba.assign(decoded.get(), decoded.get() + size_t(width) * size_t(height) * 4);
  return pixels;
}

namespace {

// Samples of `channels` bytes a pixel (2: grey and alpha, 4: RGBA) as a PNG stream.
std::optional<std::string> EncodeSamples(uint32_t width, uint32_t height, int channels,
                                         std::span<const uint8_t> samples, std::string &reason) {
  if (width > uint32_t(INT_MAX / channels) || height > INT_MAX ||
      samples.size() != size_t(width) * height * size_t(channels)) {
    reason = "image too large";
    return std::nullopt;
  }
  std::string out;
  const int side = static_cast<int>(width);
  if (!stbi_write_png_to_func(AppendTo, &out, side, static_cast<int>(height), channels,
                              samples.data(), side * channels)) {
    reason = "cannot write PNG";
    return std::nullopt;
  }
  return out;
}

} // namespace

std::optional<std::string> EncodePngRgba(const RgbaPixels &pixels, std::string &reason) {
  return EncodeSamples(pixels.width, pixels.height, 4, pixels.rgba, reason);
}

std::optional<std::string> EncodePngGreyAlpha(uint32_t width, uint32_t height,
                                              std::span<const uint8_t> greyAlpha,
                                              std::string &reason) {
  return EncodeSamples(width, height, 2, greyAlpha, reason);
}

} // namespace platform
