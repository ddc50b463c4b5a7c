#pragma once
// Window geometry is designed in pixels at 96 dpi and scaled with the screen's logical
// dpi, as the platform scales forms for large fonts.
#include <QFont>
#include <QRect>
#include <QString>

namespace ui {

double ScaleFactor();
int Px(int designPixels);
QRect PxRect(int left, int top, int width, int height);
// The designed font "MS Sans Serif" 8 point, or the platform's default UI font at that
// size where the font is missing.
QFont DesignFont();

// Names a component and puts it at its place (already scaled); returns it.
template <class T> T *Place(T *widget, const char *name, QRect place) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setGeometry(place);
  return widget;
}

} // namespace ui
