#include "icons/IconTools.h"

namespace icons {

THiResIcon::THiResIcon() {
  Height = platform::GetSystemMetricsIconSize();
  Width = platform::GetSystemMetricsIconSize();
}

void THiResIcon::SetHandle(const platform::IconHandle *icon) {
  icon_ = icon;
  Changed();
}

void THiResIcon::Changed() {
  if (OnChange)
    OnChange();
  SizeChanged = true;
}

int32_t THiResIcon::GetWidth() {
  UpdateSize();
  return Width;
}

int32_t THiResIcon::GetHeight() {
  UpdateSize();
  return Height;
}

void THiResIcon::UpdateSize() {
  if (!SizeChanged)
    return;
  SizeChanged = false;
  const platform::IconPixels *pixels = Image();
  if (!pixels || pixels->width <= 0)
    return;
  Width = pixels->width;
  Height = pixels->width;
}

const platform::IconPixels *THiResIcon::Image() const {
  return icon_ ? icon_->Pixels() : nullptr;
}

} // namespace icons
