#pragma once
// PNG pictures of icon images: the form Windows stores large icon images in, and the form
// corvane-cli extracts an image to.
#include "platform/IconHandle.h"

#include <string>

namespace icons {

// The pixels as a 32-bit PNG with alpha. Throws platform::EMessageError when the codec
// cannot encode them.
std::string EncodePng(const platform::IconPixels &pixels);

} // namespace icons
