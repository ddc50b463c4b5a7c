#include "ui/IconPaint.h"

#include "ui/Scale.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <cmath>

namespace ui {

QImage IconToImage(const platform::IconHandle &icon) {
  const platform::IconPixels *pixels = icon.Pixels();
  if (!pixels || pixels->width <= 0 || pixels->height <= 0 ||
      pixels->argb.size() <
          static_cast<size_t>(pixels->width) * static_cast<size_t>(pixels->height))
    return QImage();
  QImage image(pixels->width, pixels->height, QImage::Format_ARGB32);
  for (int y = 0; y < pixels->height; ++y) {
    auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
    const uint32_t *source = pixels->argb.data() + static_cast<size_t>(y) * pixels->width;
    std::copy(source, source + pixels->width, line);
  }
  return image;
}

void DrawIconAt(QPainter &painter, const QPoint &topLeft, const platform::IconHandle &icon,
                int size) {
  const QImage image = IconToImage(icon);
  if (image.isNull())
    return;
  painter.drawImage(QRect(topLeft, QSize(size, size)), image);
}

int LargeIconSize() {
  return Px(platform::GetSystemMetricsIconSize());
}

int LargeIconPixels() {
  const QScreen *screen = QGuiApplication::primaryScreen();
  const double ratio = screen ? screen->devicePixelRatio() : 1.0;
  return static_cast<int>(std::lround(LargeIconSize() * ratio));
}

} // namespace ui
