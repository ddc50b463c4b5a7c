#pragma once
// Window geometry is designed in pixels at 96 dpi for the 8-point "MS Sans Serif" font. It
// is scaled with the screen's logical dpi, as the platform scales forms for large fonts,
// and then fitted to the captions as the font the windows really have draws them (Layout):
// a font wider or taller than the designed one, or a translated caption, gets the room it
// needs while every control keeps its place relative to the others.
#include <QFont>
#include <QRect>
#include <QString>

class QCheckBox;
class QWidget;

namespace ui {

double ScaleFactor();
int Px(int designPixels);
// The designed font "MS Sans Serif" 8 point, or the platform's default UI font at that
// size where the font is missing.
QFont DesignFont();

// Records a component's designed place (left, top, width, height in 96-dpi pixels within
// its parent) and puts it there, scaled; Layout fits it to its caption later.
void SetDesignedPlace(QWidget *widget, QRect design);
// Names a component and records its designed place; returns it.
template <class T> T *Place(T *widget, const char *name, QRect design) {
  widget->setObjectName(QString::fromLatin1(name));
  SetDesignedPlace(widget, design);
  return widget;
}
// Records the designed client size of a window and gives the window that size, scaled.
void SetDesignedSize(QWidget *window, QSize design);
// The component keeps its designed width whatever its caption: for a caption that ends in
// a text of any length, such as a file name.
void KeepDesignedWidth(QWidget *widget);
// Gives a check box a caption broken at its blanks into lines that fit beside the box; a
// word wider than that keeps a line of its own. Layout widens the box to its widest word
// and breaks the caption again.
void SetWrappedCaption(QCheckBox *box, const QString &caption);

// Puts every component of the window that has a designed place at that place and gives
// the window its designed size, scaled, fitted to the captions they have now. Where the
// caption of a label or button needs more than its width, the designed x axis is
// stretched at the control's right edge by what it lacks (controls that end there share
// the most any of them lacks): what lies right of that edge moves along, edit fields,
// lists and panels that span it grow, labels and buttons keep their width, and what ends
// at the window's right edge stays there. Order and relative placement stay as designed.
// The y axis is stretched evenly when a line of the font is taller than the designed
// one. Run again whenever captions change.
void Layout(QWidget *window);

} // namespace ui
