// SVG drawings drawn by librsvg with cairo. librsvg is loaded when the first drawing is
// drawn, not linked: with cairo, glib, pango, fontconfig and the X libraries it pulls in
// it is some forty libraries, whose loading cost every start of corvane-cli more than most
// verbs' work, while few runs draw a picture. Its headers give the functions' types only.
#include "icons/PictureScaling.h"
#include "platform/SharedLibrary.h"

#include <cairo.h>
#include <cstring>
#include <librsvg/rsvg.h>
#include <memory>

namespace icons {

namespace {

// The soname of librsvg 2 (2.46 or later, which has rsvg_handle_render_document); cairo
// and glib come with it, so their functions are found through it, from the very
// libraries it draws with.
constexpr const char *kRsvgLibrary = "librsvg-2.so.2";

// The functions drawing uses, found in the loaded library.
struct SvgFunctions {
  decltype(&rsvg_handle_new_from_data) newFromData = nullptr;
  decltype(&rsvg_handle_render_document) renderDocument = nullptr;
  decltype(&g_object_unref) objectUnref = nullptr;
  decltype(&g_clear_error) clearError = nullptr;
  decltype(&cairo_image_surface_create) surfaceCreate = nullptr;
  decltype(&cairo_image_surface_get_data) surfaceData = nullptr;
  decltype(&cairo_image_surface_get_stride) surfaceStride = nullptr;
  decltype(&cairo_surface_flush) surfaceFlush = nullptr;
  decltype(&cairo_surface_status) surfaceStatus = nullptr;
  decltype(&cairo_surface_destroy) surfaceDestroy = nullptr;
  decltype(&cairo_create) create = nullptr;
  decltype(&cairo_destroy) destroy = nullptr;
};

template <typename Function>
bool FindFunction(platform::SharedLibrary &library, const char *name, Function &function) {
  function = reinterpret_cast<Function>(library.Find(name));
  return function != nullptr;
}

struct LoadedSvgLibrary {
  SvgFunctions functions;
  std::string error; // why drawing is impossible; empty once every function is found
};

// Loaded once, on the first drawing, whichever thread draws it; a library that is missing
// is not looked for again.
const LoadedSvgLibrary &SvgLibrary() {
  static const LoadedSvgLibrary loaded = [] {
    LoadedSvgLibrary result;
    static platform::SharedLibrary library(kRsvgLibrary);
    SvgFunctions &f = result.functions;
    const bool found = library.Loaded() &&
                       FindFunction(library, "rsvg_handle_new_from_data", f.newFromData) &&
                       FindFunction(library, "rsvg_handle_render_document", f.renderDocument) &&
                       FindFunction(library, "g_object_unref", f.objectUnref) &&
                       FindFunction(library, "g_clear_error", f.clearError) &&
                       FindFunction(library, "cairo_image_surface_create", f.surfaceCreate) &&
                       FindFunction(library, "cairo_image_surface_get_data", f.surfaceData) &&
                       FindFunction(library, "cairo_image_surface_get_stride", f.surfaceStride) &&
                       FindFunction(library, "cairo_surface_flush", f.surfaceFlush) &&
                       FindFunction(library, "cairo_surface_status", f.surfaceStatus) &&
                       FindFunction(library, "cairo_surface_destroy", f.surfaceDestroy) &&
                       FindFunction(library, "cairo_create", f.create) &&
                       FindFunction(library, "cairo_destroy", f.destroy);
    if (!found)
      result.error = "SVG drawings are drawn by librsvg, and " + library.Error();
    return result;
  }();
  return loaded;
}

// The drawing fitted into a transparent square of `side` pixels, centred as its
// preserveAspectRatio says; nothing, with the reason, when it cannot be drawn.
std::optional<PictureSquare> DrawSvg(const SvgFunctions &f, RsvgHandle *handle, int side,
                                     std::string &reason) {
  cairo_surface_t *surface = f.surfaceCreate(CAIRO_FORMAT_ARGB32, side, side);
  cairo_t *cairo = f.create(surface);
  const RsvgRectangle viewport{0, 0, double(side), double(side)};
  GError *error = nullptr;
  const bool drawn = f.renderDocument(handle, cairo, &viewport, &error);
  f.destroy(cairo);
  f.surfaceFlush(surface);
  PictureSquare square{side, std::vector<uint32_t>(size_t(side) * side)};
  if (drawn && f.surfaceStatus(surface) == CAIRO_STATUS_SUCCESS) {
    const unsigned char *data = f.surfaceData(surface);
    const int stride = f.surfaceStride(surface);
    for (int y = 0; y < side; ++y)
      std::memcpy(&square.argb[size_t(y) * side], data + size_t(y) * stride, size_t(side) * 4);
  }
  f.surfaceDestroy(surface);
  if (!drawn) {
    reason = error ? error->message : "it cannot be drawn";
    f.clearError(&error);
    return std::nullopt;
  }
  return square;
}

} // namespace

std::optional<std::vector<PictureSquare>>
DrawSvgSquares(std::string_view bytes, const std::vector<int> &sides, std::string &reason) {
  const LoadedSvgLibrary &library = SvgLibrary();
  if (!library.error.empty()) {
    reason = library.error;
    return std::nullopt;
  }
  const SvgFunctions &f = library.functions;
  GError *error = nullptr;
  const auto unref = [&f](RsvgHandle *handle) { f.objectUnref(handle); };
  std::unique_ptr<RsvgHandle, decltype(unref)> handle(
      f.newFromData(reinterpret_cast<const guint8 *>(bytes.data()), bytes.size(), &error), unref);
  if (!handle) {
    reason = error ? error->message : "not an SVG drawing";
    f.clearError(&error);
    return std::nullopt;
  }
  std::vector<PictureSquare> squares;
  for (int side : sides) {
    auto square = DrawSvg(f, handle.get(), side, reason);
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
