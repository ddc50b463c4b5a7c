#include "icons/PngEncode.h"
#include "platform/MessageText.h"
#include "platform/PngCodec.h"

#include <cstdint>
#include <utility>

namespace icons {

std::string EncodePng(const platform::IconPixels &pixels) {
  platform::RgbaPixels rgba;
  rgba.width = static_cast<uint32_t>(pixels.width);
  rgba.height = static_cast<uint32_t>(pixels.height);
  rgba.rgba.reserve(pixels.argb.size() * 4);
  for (uint32_t p : pixels.argb)
    rgba.rgba.insert(rgba.rgba.end(), {static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8),
                                       static_cast<uint8_t>(p), static_cast<uint8_t>(p >> 24)});
  std::string reason;
  auto png = platform::EncodePngRgba(rgba, reason);
  if (!png)
    throw platform::EMessageError("cannot encode PNG: " + reason);
  return std::move(*png);
}

} // namespace icons
