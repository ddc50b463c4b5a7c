// Resampling with pixman's separable convolution.
#include "icons/PictureScaling.h"

#include <cstdlib>
#include <memory>
#include <new>
#include <pixman.h>

namespace icons {

namespace {

struct PixmanUnref {
  void operator()(pixman_image_t *image) const { pixman_image_unref(image); }
};
using PixmanImage = std::unique_ptr<pixman_image_t, PixmanUnref>;

PixmanImage WrapSquare(PictureSquare &square) {
  return PixmanImage(pixman_image_create_bits(PIXMAN_a8r8g8b8, square.side, square.side,
                                              square.argb.data(), square.side * 4));
}

} // namespace

PictureSquare ResampleSquare(PictureSquare &source, int target, ShrinkFilter filter) {
  PictureSquare out{target, std::vector<uint32_t>(size_t(target) * target)};
  if (target == source.side) {
    out.argb = source.argb;
    return out;
  }
  PixmanImage from = WrapSquare(source);
  PixmanImage to = WrapSquare(out);
  if (!from || !to)
    throw std::bad_alloc();
  const double ratio = double(source.side) / target;
  pixman_transform_t transform;
  pixman_transform_init_scale(&transform, pixman_double_to_fixed(ratio),
                              pixman_double_to_fixed(ratio));
  pixman_image_set_transform(from.get(), &transform);
  const bool shrink = ratio > 1;
  const pixman_kernel_t shrinkKernel =
      filter == ShrinkFilter::Box ? PIXMAN_KERNEL_BOX : PIXMAN_KERNEL_LANCZOS3;
  const pixman_kernel_t reconstruct = shrink ? PIXMAN_KERNEL_IMPULSE : PIXMAN_KERNEL_CUBIC;
  const pixman_kernel_t sample = shrink ? shrinkKernel : PIXMAN_KERNEL_IMPULSE;
  int count = 0;
  pixman_fixed_t *params = pixman_filter_create_separable_convolution(
      &count, pixman_double_to_fixed(ratio), pixman_double_to_fixed(ratio), reconstruct,
      reconstruct, sample, sample, 4, 4);
  if (!params)
    throw std::bad_alloc();
  pixman_image_set_filter(from.get(), PIXMAN_FILTER_SEPARABLE_CONVOLUTION, params, count);
  std::free(params);
  // The picture's edge continues outward, so the border pixels keep their full strength.
  pixman_image_set_repeat(from.get(), PIXMAN_REPEAT_PAD);
  pixman_image_composite32(PIXMAN_OP_SRC, from.get(), nullptr, to.get(), 0, 0, 0, 0, 0, 0, target,
                           target);
  return out;
}

} // namespace icons
