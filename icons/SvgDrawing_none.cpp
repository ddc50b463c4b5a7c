// Builds without librsvg (the Windows build: it is not packaged for MinGW) read no SVG
// drawing; PNG pictures still make icons.
#include "icons/PictureScaling.h"

namespace icons {

std::optional<std::vector<PictureSquare>> DrawSvgSquares(std::string_view, const std::vector<int> &,
                                                         std::string &reason) {
  reason = "this build of Corvane draws no SVG drawings";
  return std::nullopt;
}

bool DrawsSvg() {
  return false;
}

} // namespace icons
