// The icon library readers over arbitrary bytes: the 16-bit reader on its own, then a
// whole library load (which picks the 32- or 16-bit reader); whatever loads must write
// and read back with as many icons.
#include "icons/IconLibrary.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string bytes(reinterpret_cast<const char *>(data), size);
  icons::T16BitReader reader("C:\\fuzz.icl", bytes);
  reader.Read();
  icons::TIconLibrary library;
  try {
    library.LoadFromBytes("C:\\fuzz.icl", bytes);
  } catch (const std::exception &) {
    return 0; // a 32-bit module's missing resource is reported, not a fault
  }
  size_t images = 0;
  for (int i = 0; i < library.Icons.Count(); ++i)
    images += library.Icons.Objects(i)->Images.Count();
  if (images == 0 || images > 32767 || library.Icons.Count() > 32767)
    return 0;
  std::string written;
  try {
    written = library.SaveToBytes();
  } catch (const icons::EICLReadError &) {
    return 0; // an image the 16-bit format cannot hold (256 px), refused by the writer
  }
  icons::TIconLibrary loaded;
  loaded.LoadFromBytes("C:\\again.icl", written);
  if (loaded.Icons.Count() != library.Icons.Count())
    __builtin_trap();
  return 0;
}
