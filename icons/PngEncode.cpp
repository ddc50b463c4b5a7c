#include "icons/PngEncode.h"
#include "platform/MessageText.h"

#include <cstdint>
#include <png.h>
#include <vector>

namespace icons {

std::string EncodePng(const platform::IconPixels &pixels) {
  std::vector<uint8_t> rgba;
  rgba.reserve(pixels.argb.size() * 4);
  for (uint32_t p : pixels.argb)
    rgba.insert(rgba.end(), {static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8),
                             static_cast<uint8_t>(p), static_cast<uint8_t>(p >> 24)});
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(pixels.width);
  image.height = static_cast<png_uint_32>(pixels.height);
  image.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr))
    throw platform::EMessageError(std::string("cannot encode PNG: ") + image.message);
  std::string out(size, '\0');
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, rgba.data(), 0, nullptr))
    throw platform::EMessageError(std::string("cannot encode PNG: ") + image.message);
  out.resize(size);
  return out;
}

} // namespace icons
