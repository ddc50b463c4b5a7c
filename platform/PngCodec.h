#pragma once
// PNG streams to pixels and back: the one codec the icon readers and writers use. The
// build picks its back end: libpng where the system builds it (PngCodec_libpng.cpp),
// stb_image and stb_image_write on Windows, for which no libpng is packaged
// (PngCodec_stb.cpp). Both decode any colour type and depth to 8-bit RGBA and refuse a
// cut or corrupt stream with a reason rather than failing in the caller.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform {

// Pixels four bytes each, red, green, blue, alpha (not premultiplied), rows top down.
struct RgbaPixels {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> rgba;
};

// The width and height the stream's header (its first chunk, IHDR) states, read without
// the codec; nothing when the bytes do not start as a PNG stream.
struct PngSides {
  uint32_t width = 0;
  uint32_t height = 0;
};
std::optional<PngSides> PngHeaderSides(std::span<const uint8_t> bytes);

// The whole stream decoded; nothing, with the codec's reason in `reason`, when the
// bytes are no PNG or the stream is cut or corrupt. A caller bounds the sides from the
// header (the IHDR chunk) before it decodes.
std::optional<RgbaPixels> DecodePngRgba(std::span<const uint8_t> bytes, std::string &reason);

// The pixels as a PNG stream with alpha; nothing, with the reason, when the codec fails.
std::optional<std::string> EncodePngRgba(const RgbaPixels &pixels, std::string &reason);

// Grey and alpha samples, two bytes a pixel, rows top down, as a PNG stream of that colour
// type (16 bits a pixel), as some icon files carry them; nothing, with the reason, when the
// codec fails or the samples do not fill the sides.
std::optional<std::string> EncodePngGreyAlpha(uint32_t width, uint32_t height,
                                              std::span<const uint8_t> greyAlpha,
                                              std::string &reason);

} // namespace platform
