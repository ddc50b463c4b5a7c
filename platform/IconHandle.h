#pragma once
// Icon handles: the platform's icon made from image bytes, held as 32-bit ARGB pixels.
// A handle owns its image; CopyIcon makes an independent copy and DestroyIcon (or the
// destructor) releases it. An empty handle is the platform's "no icon".
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct IconPixels {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> argb; // row-major, top row first, 0xAARRGGBB, non-premultiplied
};

class IconHandle {
public:
  IconHandle() = default;
  explicit IconHandle(std::unique_ptr<IconPixels> pixels) : pixels_(std::move(pixels)) {}
  IconHandle(IconHandle &&) noexcept = default;
  IconHandle &operator=(IconHandle &&) noexcept = default;
  IconHandle(const IconHandle &) = delete;
  IconHandle &operator=(const IconHandle &) = delete;

  explicit operator bool() const { return pixels_ != nullptr; }
  const IconPixels *Pixels() const { return pixels_.get(); }

private:
  friend void DestroyIcon(IconHandle &);
  std::unique_ptr<IconPixels> pixels_;
};

IconHandle CopyIcon(const IconHandle &icon);
void DestroyIcon(IconHandle &icon);

// Decodes the bytes of one icon image (a DIB: BITMAPCOREHEADER or BITMAPINFOHEADER,
// colour table, XOR and AND masks; or a PNG) into a handle, scaled to cx x cy when that
// differs from the image's own size (0 = the image's own size). Bad bytes give an empty
// handle.
IconHandle CreateIconFromResourceEx(const uint8_t *bits, size_t size, int cx = 0, int cy = 0);

// The system's large icon size (32 x 32).
int GetSystemMetricsIconSize();
// The size, in the screen's pixels, at which the program's windows draw large icons: the
// system's large icon size until the windows set the one of their screen, which a scale
// factor above 1 makes larger. The bar's icons are extracted at this size.
int DisplayIconSize();
// size: 1 to kMaxIconSide (IconDecode.h); any other size is ignored.
void SetDisplayIconSize(int size);

// The shell's icon lookup: ExtractIconCountA is ExtractIconA(file, -1), the number of
// icons in the file (an .ico file: 1; a PE or NE module: its group icons, less those
// the end of a cut file took, ResourceModule::IconGroups; anything else: 0), found
// without decoding any image; the index of ExtractIconA counts the same groups, and a
// negative index names the group whose identifier is -index (the shell's "file,-ID").
// ExtractIconA gives icon `index` of the file at the system's large icon size, or an
// empty handle.
unsigned ExtractIconCountA(const std::string &windowsName);
// The position among the icons ExtractIconA counts of the module's group whose integer
// identifier is id; nothing when the file is no module or has no such group.
std::optional<unsigned> IconGroupPosition(const std::string &windowsName, int id);
IconHandle ExtractIconA(const std::string &windowsName, int index);
// ExtractIconA for another size, as Windows' PrivateExtractIcons takes one: the image of
// icon `index` that best fits size x size, given at that size. A size outside 1 to
// kMaxIconSide gives an empty handle.
IconHandle ExtractIconOfSize(const std::string &windowsName, int index, int size);

} // namespace platform
