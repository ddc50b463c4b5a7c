#include "platform/IconHandle.h"

#include "platform/IconDecode.h"

namespace platform {

IconHandle CopyIcon(const IconHandle &icon) {
  if (!icon)
    return {};
  return IconHandle(std::make_unique<IconPixels>(*icon.Pixels()));
}

void DestroyIcon(IconHandle &icon) {
  icon.pixels_.reset();
}

IconHandle CreateIconFromResourceEx(const uint8_t *bits, size_t size, int cx, int cy) {
  if (cx < 0 || cy < 0 || cx > kMaxIconSide || cy > kMaxIconSide)
    return {};
  auto pixels = DecodeIconImage(bits, size);
  if (!pixels)
    return {};
  // 0 asks for the image's own extent in that direction.
  int width = cx == 0 ? pixels->width : cx;
  int height = cy == 0 ? pixels->height : cy;
  if (width != pixels->width || height != pixels->height)
    return IconHandle(std::make_unique<IconPixels>(ScaleIconPixels(*pixels, width, height)));
  return IconHandle(std::make_unique<IconPixels>(std::move(*pixels)));
}

int GetSystemMetricsIconSize() {
  return 32;
}

namespace {
int displayIconSize = 0; // 0 until the windows set it
} // namespace

int DisplayIconSize() {
  return displayIconSize > 0 ? displayIconSize : GetSystemMetricsIconSize();
}

void SetDisplayIconSize(int size) {
  if (size > 0 && size <= kMaxIconSide)
    displayIconSize = size;
}

} // namespace platform
