// Feeds arbitrary bytes to the icon image decoder: at the image's own size, and scaled
// to a size taken from the first input byte so that shrinking and enlarging both run.
#include "platform/IconDecode.h"
#include "platform/IconHandle.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1)
    return 0;
  int side = data[0] % 65;
  (void)platform::PeekIconImage(data + 1, size - 1);
  platform::IconHandle own = platform::CreateIconFromResourceEx(data + 1, size - 1);
  if (own && side > 0) {
    platform::IconHandle scaled =
        platform::CreateIconFromResourceEx(data + 1, size - 1, side, side);
    if (!scaled || scaled.Pixels()->argb.size() != size_t(side) * size_t(side))
      __builtin_trap(); // what decodes at its own size must also decode scaled
  }
  return 0;
}
