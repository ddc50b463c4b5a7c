// The .ico reader over arbitrary bytes: loading, copying the icon (which decodes every
// image) and writing it into an icon library that must read back.
#include "icons/IconLibrary.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  auto icon = std::make_unique<icons::TAdvancedIcon>();
  icon->LoadFromBytes(std::string_view(reinterpret_cast<const char *>(data), size));
  auto copy = std::make_unique<icons::TAdvancedIcon>();
  copy->Assign(*icon);
  if (copy->Images.Count() != icon->Images.Count())
    __builtin_trap();
  if (icon->Images.Count() == 0)
    return 0;
  icons::TIconLibrary library;
  library.Icons.AddIcon("", std::move(copy));
  std::string written;
  try {
    written = library.SaveToBytes();
  } catch (const icons::EICLReadError &) {
    return 0; // an image the 16-bit format cannot hold (256 px), refused by the writer
  }
  icons::TIconLibrary loaded;
  loaded.LoadFromBytes("C:\\fuzz.icl", written);
  if (loaded.Icons.Count() != 1 || loaded.Icons.Objects(0)->Images.Count() != icon->Images.Count())
    __builtin_trap();
  return 0;
}
