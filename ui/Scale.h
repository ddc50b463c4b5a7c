#pragma once
// Window geometry is designed in pixels at 96 dpi and scaled with the screen's logical
// dpi, as the platform scales forms for large fonts.
#include <QFont>
#include <QRect>

namespace ui {

double ScaleFactor();
int Px(int designPixels);
QRect PxRect(int left, int top, int width, int height);
// The designed font "MS Sans Serif" 8 point, or the platform's default UI font at that
// size where the font is missing.
QFont DesignFont();

} // namespace ui
