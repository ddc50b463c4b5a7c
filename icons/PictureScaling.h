#pragma once
// The pictures icons are made from, as squares of pixels, resampled and drawn. The build
// picks the back ends: PictureScaling_pixman.cpp resamples with pixman where it is
// packaged, PictureScaling_convolution.cpp with the same filters computed here (the
// Windows build, for which pixman is not packaged); SvgDrawing_rsvg.cpp draws SVG with
// librsvg and cairo, SvgDrawing_none.cpp refuses drawings where librsvg is not built.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace icons {

// A square of premultiplied 0xAARRGGBB pixels, top row first: the form the filters and the
// drawing compute in, so that transparent pixels do not darken the colours mixed with them.
struct PictureSquare {
  int side = 0;
  std::vector<uint32_t> argb;
};

// The filter that shrinks: a box to halve, Lanczos-3 (sharp without aliasing) for the
// final size. Enlarging always uses the cubic (Catmull-Rom) filter.
enum class ShrinkFilter { Box, Lanczos3 };

// The square resampled to target x target pixels, the picture's edge continuing outward
// so that the border pixels keep their full strength. The source is not changed; it is
// not const because pixman wraps its pixels as they are, without a copy of a picture that
// may be a gigabyte.
PictureSquare ResampleSquare(PictureSquare &source, int target, ShrinkFilter filter);

// The SVG drawing drawn into a transparent square of each side, centred as its
// preserveAspectRatio says; nothing, with the reason, when it cannot be read or drawn.
std::optional<std::vector<PictureSquare>>
DrawSvgSquares(std::string_view bytes, const std::vector<int> &sides, std::string &reason);
// Whether this build draws SVG at all.
bool DrawsSvg();

} // namespace icons
