// Resampling computed here, for builds without pixman: the same separable filters pixman
// is asked for (Lanczos-3 or a box to shrink, Catmull-Rom to enlarge), pixel centres
// mapped as pixman maps them and the edge padded. Results agree with pixman's to within
// rounding, not bit for bit.
#include "icons/PictureScaling.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace icons {

namespace {

double Lanczos3(double x) {
  x = std::abs(x);
  if (x < 1e-9)
    return 1;
  if (x >= 3)
    return 0;
  const double px = std::numbers::pi * x;
  return 3 * std::sin(px) * std::sin(px / 3) / (px * px);
}

double CatmullRom(double x) {
  x = std::abs(x);
  if (x < 1)
    return 1.5 * x * x * x - 2.5 * x * x + 1;
  if (x < 2)
    return -0.5 * x * x * x + 2.5 * x * x - 4 * x + 2;
  return 0;
}

struct Tap {
  int source;
  double weight;
};

// The taps of each target pixel along one axis, weights summing to one.
std::vector<std::vector<Tap>> Taps(int sourceSide, int target, ShrinkFilter filter) {
  const double ratio = double(sourceSide) / target;
  const bool shrink = ratio > 1;
  const double scale = shrink ? ratio : 1; // the kernel's width in source pixels per unit
  const double support = shrink ? (filter == ShrinkFilter::Box ? 0.5 : 3.0) * scale : 2.0;
  std::vector<std::vector<Tap>> taps(static_cast<size_t>(target));
  for (int i = 0; i < target; ++i) {
    const double centre = (i + 0.5) * ratio - 0.5;
    double total = 0;
    for (int s = int(std::floor(centre - support)); s <= int(std::ceil(centre + support)); ++s) {
      const double t = (s - centre) / scale;
      double weight = 0;
      if (!shrink)
        weight = CatmullRom(t);
      else if (filter == ShrinkFilter::Box)
        weight = std::abs(t) <= 0.5 ? 1 : 0;
      else
        weight = Lanczos3(t);
      if (weight == 0)
        continue;
      taps[size_t(i)].push_back({std::clamp(s, 0, sourceSide - 1), weight});
      total += weight;
    }
    for (Tap &tap : taps[size_t(i)])
      tap.weight /= total;
  }
  return taps;
}

uint32_t Channel(uint32_t pixel, int shift) {
  return pixel >> shift & 0xFF;
}

} // namespace

PictureSquare ResampleSquare(PictureSquare &source, int target, ShrinkFilter filter) {
  PictureSquare out{target, std::vector<uint32_t>(size_t(target) * target)};
  if (target == source.side) {
    out.argb = source.argb;
    return out;
  }
  const auto taps = Taps(source.side, target, filter);
  // One target row at a time, so that a large picture needs no second copy of itself.
  std::vector<double> sums(size_t(target) * 4);
  for (int y = 0; y < target; ++y) {
    std::fill(sums.begin(), sums.end(), 0.0);
    for (const Tap &row : taps[size_t(y)]) {
      const uint32_t *line = &source.argb[size_t(row.source) * size_t(source.side)];
      for (int x = 0; x < target; ++x)
        for (const Tap &column : taps[size_t(x)]) {
          const double weight = row.weight * column.weight;
          const uint32_t p = line[column.source];
          for (int c = 0; c < 4; ++c)
            sums[size_t(x) * 4 + size_t(c)] += weight * Channel(p, 24 - 8 * c);
        }
    }
    for (int x = 0; x < target; ++x) {
      uint32_t pixel = 0;
      for (int c = 0; c < 4; ++c)
        pixel |= uint32_t(std::clamp(std::lround(sums[size_t(x) * 4 + size_t(c)]), 0L, 255L))
                 << (24 - 8 * c);
      out.argb[size_t(y) * target + size_t(x)] = pixel;
    }
  }
  return out;
}

} // namespace icons
