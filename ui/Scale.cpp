#include "ui/Scale.h"

#include <QApplication>
#include <QFontDatabase>
#include <QScreen>

#include <cmath>

namespace ui {

double ScaleFactor() {
  const QScreen *screen = QGuiApplication::primaryScreen();
  return screen ? screen->logicalDotsPerInch() / 96.0 : 1.0;
}

int Px(int designPixels) {
  return static_cast<int>(std::lround(designPixels * ScaleFactor()));
}

QRect PxRect(int left, int top, int width, int height) {
  return QRect(Px(left), Px(top), Px(width), Px(height));
}

QFont DesignFont() {
  QFont font = QApplication::font();
  if (QFontDatabase::hasFamily(QStringLiteral("MS Sans Serif")))
    font.setFamily(QStringLiteral("MS Sans Serif"));
  font.setPointSize(8);
  return font;
}

} // namespace ui
