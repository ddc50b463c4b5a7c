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

std::optional<std::string> EncodePngRgba(const RgbaPixels &pixels, std::string &reason) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = pixels.width;
  image.height = pixels.height;
  image.format = PNG_FORMAT_RGBA;
  ImageRelease release{image};
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels.rgba.data(), 0, nullptr)) {
    reason = image.message;
    return std::nullopt;
  }
  std::string out(size, '\0');
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, pixels.rgba.data(), 0, nullptr)) {
    reason = image.message;
    return std::nullopt;
  }
  out.resize(size);
  return out;
}

} // namespace platform
