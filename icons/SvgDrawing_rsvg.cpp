// SVG drawings drawn by librsvg with cairo.
#include "icons/PictureScaling.h"

#include <cairo.h>
#include <cstring>
#include <librsvg/rsvg.h>
#include <memory>

namespace icons {

namespace {

struct GObjectUnref {
  void operator()(RsvgHandle *handle) const { g_object_unref(handle); }
};

// The drawing fitted into a transparent square of `side` pixels, centred as its
// preserveAspectRatio says; nothing, with the reason, when it cannot be drawn.
std::optional<PictureSquare> DrawSvg(RsvgHandle *handle, int side, std::string &reason) {
  cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, side, side);
  cairo_t *cairo = cairo_create(surface);
  const RsvgRectangle viewport{0, 0, double(side), double(side)};
  GError *error = nullptr;
  const bool drawn = rsvg_handle_render_document(handle, cairo, &viewport, &error);
  cairo_destroy(cairo);
  cairo_surface_flush(surface);
  PictureSquare square{side, std::vector<uint32_t>(size_t(side) * side)};
  if (drawn && cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
    const unsigned char *data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < side; ++y)
      std::memcpy(&square.argb[size_t(y) * side], data + size_t(y) * stride, size_t(side) * 4);
  }
  cairo_surface_destroy(surface);
  if (!drawn) {
    reason = error ? error->message : "it cannot be drawn";
    g_clear_error(&error);
    return std::nullopt;
  }
  return square;
}

} // namespace

std::optional<std::vector<PictureSquare>>
DrawSvgSquares(std::string_view bytes, const std::vector<int> &sides, std::string &reason) {
  GError *error = nullptr;
  std::unique_ptr<RsvgHandle, GObjectUnref> handle(rsvg_handle_new_from_data(
      reinterpret_cast<const guint8 *>(bytes.data()), bytes.size(), &error));
  if (!handle) {
    reason = error ? error->message : "not an SVG drawing";
    g_clear_error(&error);
    return std::nullopt;
  }
  std::vector<PictureSquare> squares;
  for (int side : sides) {
    auto square = DrawSvg(handle.get(), side, reason);
    if (!square)
      return std::nullopt;
    squares.push_back(std::move(*square));
  }
  return squares;
}

bool DrawsSvg() {
  return true;
}

} // namespace icons
