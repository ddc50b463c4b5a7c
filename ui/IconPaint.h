#pragma once
// Platform icon handles drawn with Qt.
#include "platform/IconHandle.h"

#include <QImage>

class QPainter;
class QPoint;

namespace ui {

// The handle's pixels as an image; a null image for an empty handle.
QImage IconToImage(const platform::IconHandle &icon);
// Draws the icon with its top-left corner at topLeft, size x size pixels (the platform's
// plain icon drawing stretches every icon to the system's large-icon size).
void DrawIconAt(QPainter &painter, const QPoint &topLeft, const platform::IconHandle &icon,
                int size);
// The system's large-icon size on this screen, in the windows' coordinates.
int LargeIconSize();
// The same in the screen's own pixels, which the platform's device pixel ratio may make
// more: the size at which icons are taken for drawing, so that each is drawn from the
// image made for that size instead of an enlarged smaller one.
int LargeIconPixels();

} // namespace ui
