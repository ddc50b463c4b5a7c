// PNG codec over libpng's simplified API, which reports every failure (also a cut or
// corrupt stream) as a zero result with a message instead of jumping out of the caller.
#include "platform/PngCodec.h"

#include <png.h>

namespace platform {

namespace {

struct ImageRelease {
  png_image &image;
  ~ImageRelease() { png_image_free(&image); }
};

} // namespace

std::optional<RgbaPixels> DecodePngRgba(std::span<const uint8_t> bytes, std::string &reason) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ImageRelease release{image};
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
    reason = image.message;
    return std::nullopt;
  }
  image.format = PNG_FORMAT_RGBA;
  RgbaPixels pixels;
  pixels.width = image.width;
  pixels.height = image.height;
  pixels.rgba.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.rgba.data(), 0, nullptr)) {
    reason = image.message;
    return std::nullopt;
  }
  return pixels;
}

namespace {

// 8-bit samples in the given libpng format, compressed into a PNG stream.
std::optional<std::string> EncodeSamples(uint32_t width, uint32_t height, uint32_t format,
                                         const uint8_t *samples, std::string &reason) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = format;
  ImageRelease release{image};
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, samples, 0, nullptr)) {
    reason = image.message;
    return std::nullopt;
  }
  std::string out(size, '\0');
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, samples, 0, nullptr)) {
    reason = image.message;
    return std::nullopt;
  }
  out.resize(size);
  return out;
}

} // namespace

std::optional<std::string> EncodePngRgba(const RgbaPixels &pixels, std::string &reason) {
  if (pixels.rgba.size() != size_t(pixels.width) * pixels.height * 4) {
    reason = "pixels do not fill the image";
    return std::nullopt;
  }
  return EncodeSamples(pixels.width, pixels.height, PNG_FORMAT_RGBA, pixels.rgba.data(), reason);
}

std::optional<std::string> EncodePngGreyAlpha(uint32_t width, uint32_t height,
                                              std::span<const uint8_t> greyAlpha,
                                              std::string &reason) {
  if (greyAlpha.size() != size_t(width) * height * 2) {
    reason = "pixels do not fill the image";
    return std::nullopt;
  }
  return EncodeSamples(width, height, PNG_FORMAT_GA, greyAlpha.data(), reason);
}

} // namespace platform
