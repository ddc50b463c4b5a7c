#pragma once
// Unit IconTools, THiResIcon: the drawable icon graphic: it reports the icon at the icon's own
// pixel size rather than the system's standard icon size, and hands its ARGB pixels to whoever
// paints it.
#include "platform/IconHandle.h"

#include <cstdint>
#include <functional>

namespace icons {

class THiResIcon {
public:
  // No icon yet; the size is the system's standard icon size until an icon is set.
  THiResIcon();
  virtual ~THiResIcon() = default;
  THiResIcon(const THiResIcon &) = delete;
  THiResIcon &operator=(const THiResIcon &) = delete;

  // Shows the icon (borrowed: it must outlive the graphic and is never destroyed by it);
  // runs the change notification.
  void SetHandle(const platform::IconHandle *icon);
  const platform::IconHandle *Handle() const { return icon_; }

  // The graphic's change notification: runs OnChange, then marks the size as stale.
  virtual void Changed();
  virtual int32_t GetWidth();
  virtual int32_t GetHeight();
  // Takes the size from the icon after a change: its width serves for both sides, as
  // a monochrome icon's mask is twice as tall as the icon. Without readable pixels the
  // previous size stays.
  virtual void UpdateSize();

  // The pixels to paint at (left, top) with the reported size; none without an icon.
  const platform::IconPixels *Image() const;

  int32_t Height = 0;
  int32_t Width = 0;
  bool SizeChanged = false;
  // Observers of the graphic (what the inherited notification would tell).
  std::function<void()> OnChange;

private:
  const platform::IconHandle *icon_ = nullptr;
};

} // namespace icons
