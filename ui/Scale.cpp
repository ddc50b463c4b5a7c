#include "ui/Scale.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <optional>
#include <vector>

namespace ui {

namespace {

// What the windows' code records of the design, kept on the components until Layout.
constexpr char DesignedPlaceProperty[] = "corvaneDesignedPlace";
constexpr char DesignedSizeProperty[] = "corvaneDesignedSize";
constexpr char KeepWidthProperty[] = "corvaneKeepDesignedWidth";
constexpr char WrappedCaptionProperty[] = "corvaneWrappedCaption";

// The height of a line of the designed font, 8-point "MS Sans Serif", at 96 dpi.
constexpr int DesignedLineHeight = 13;
// A component whose designed right edge lies this close to the window's belongs to the
// window's right edge.
constexpr int RightEdgeMargin = 8;

int Scaled(int designPixels, double factor) {
  return static_cast<int>(std::lround(designPixels * factor));
}

// The designed extent from a to b in the screen's pixels, scaled edge by edge, so that
// components that touch in the design touch on the screen.
int Span(int a, int b, double factor) {
  return Scaled(b, factor) - Scaled(a, factor);
}

// The designed place scaled with the screen, before any caption is fitted.
QRect ScaledPlace(QRect design) {
  const double factor = ScaleFactor();
  return QRect(Px(design.left()), Px(design.top()),
               Span(design.left(), design.left() + design.width(), factor),
               Span(design.top(), design.top() + design.height(), factor));
}

std::optional<QRect> DesignedPlace(const QWidget &widget) {
  const QVariant place = widget.property(DesignedPlaceProperty);
  return place.isValid() ? std::optional<QRect>(place.toRect()) : std::nullopt;
}

// The width a check box leaves its caption: its own less the indicator and the gap after it.
int CaptionRoom(const QCheckBox &box) {
  QStyleOptionButton option;
  option.initFrom(&box);
  const QStyle *style = box.style();
  return box.width() - style->pixelMetric(QStyle::PM_IndicatorWidth, &option, &box) -
         style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, &box);
}

// The width of a line of a caption as a button lays it out.
int TextWidth(const QFontMetrics &metrics, const QString &line) {
  return metrics.size(Qt::TextShowMnemonic, line).width();
}

QStringList Words(const QString &caption) {
  return caption.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// The caption broken at blanks so that each line fits beside the box.
QString Wrapped(const QCheckBox &box, const QString &caption) {
  const int room = CaptionRoom(box);
  const QFontMetrics metrics = box.fontMetrics();
  QStringList lines;
  for (const QString &word : Words(caption)) {
    if (!lines.isEmpty() && TextWidth(metrics, lines.last() + ' ' + word) <= room)
      lines.last() += ' ' + word;
    else
      lines.append(word);
  }
  return lines.join(QLatin1Char('\n'));
}

QString WidestWord(const QFontMetrics &metrics, const QString &caption) {
  QString widest;
  for (const QString &word : Words(caption))
    if (TextWidth(metrics, word) > TextWidth(metrics, widest))
      widest = word;
  return widest;
}

// A push button's caption with the button's frame and margins, as the style measures a
// button; the style's own size hint also adds a minimum width for dialog buttons, which
// no caption needs.
int PushButtonWidth(const QPushButton &button) {
  QStyleOptionButton option;
  option.initFrom(&button);
  const QStyle *style = button.style();
  auto metric = [&](QStyle::PixelMetric m) { return style->pixelMetric(m, &option, &button); };
  const bool defaultFrame = button.isDefault() || button.autoDefault();
  return TextWidth(button.fontMetrics(), button.text()) + metric(QStyle::PM_ButtonMargin) +
         2 * metric(QStyle::PM_DefaultFrameWidth) +
         (defaultFrame ? 2 * metric(QStyle::PM_ButtonDefaultIndicator) : 0);
}

// A check box or radio button with its caption, by the style's measure; a word-wrapped
// caption needs the room of its widest word.
int ChoiceWidth(const QAbstractButton &button, QStyle::ContentsType type) {
  const QFontMetrics metrics = button.fontMetrics();
  const QVariant wrapped = button.property(WrappedCaptionProperty);
  QStyleOptionButton option;
  option.initFrom(&button);
  option.text = wrapped.isValid() ? WidestWord(metrics, wrapped.toString()) : button.text();
  const QSize text = metrics.size(Qt::TextShowMnemonic, option.text);
  return button.style()->sizeFromContents(type, &option, text, &button).width();
}

// The width a control needs to show its caption whole; 0 when it has no caption or keeps
// its designed width.
int CaptionWidth(const QWidget &control) {
  if (control.property(KeepWidthProperty).toBool())
    return 0;
  if (auto *label = qobject_cast<const QLabel *>(&control))
    return label->text().isEmpty() ? 0 : label->sizeHint().width();
  auto *button = qobject_cast<const QAbstractButton *>(&control);
  if (!button || button->text().isEmpty())
    return 0;
  if (auto *push = qobject_cast<const QPushButton *>(button))
    return PushButtonWidth(*push);
  if (qobject_cast<const QRadioButton *>(button))
    return ChoiceWidth(*button, QStyle::CT_RadioButton);
  if (qobject_cast<const QCheckBox *>(button))
    return ChoiceWidth(*button, QStyle::CT_CheckBox);
  return 0;
}

// A component with a designed place, that place in the window's coordinates.
struct TPlaced {
  QWidget *widget;
  QRect design;
  int Right() const { return design.left() + design.width(); }
};

// Every component of the window (not of the windows it owns) that has a designed place
// within parents that have one.
std::vector<TPlaced> PlacedComponents(QWidget &window) {
  std::vector<TPlaced> placed;
  for (QWidget *widget : window.findChildren<QWidget *>()) {
    auto design = DesignedPlace(*widget);
    if (!design || widget->window() != &window)
      continue;
    for (QWidget *parent = widget->parentWidget(); design && parent != &window;
         parent = parent->parentWidget()) {
      const auto parentPlace = parent ? DesignedPlace(*parent) : std::nullopt;
      design = parentPlace ? std::optional<QRect>(design->translated(parentPlace->topLeft()))
                           : std::nullopt;
    }
    if (design)
      placed.push_back({widget, *design});
  }
  return placed;
}

// A label or a button keeps its designed width, widened by what its caption lacks; edit
// fields, lists, panels and rules span their stretched place.
bool KeepsItsWidth(const QWidget &widget) {
  return qobject_cast<const QLabel *>(&widget) || qobject_cast<const QAbstractButton *>(&widget);
}

// The designed x axis in the screen's pixels, with pixels inserted at designed positions.
class TStretchedAxis {
public:
  // Where designed x lies: scaled, moved by every insertion at or left of it.
  int At(int x) const { return Px(x) + Inserted(INT_MIN, x); }
  // The pixels inserted right of `from`, up to and including `to`.
  int Inserted(int from, int to) const {
    int sum = 0;
    for (auto it = extra_.upper_bound(from); it != extra_.end() && it->first <= to; ++it)
      sum += it->second;
    return sum;
  }
  // The pixels inserted exactly at x.
  int InsertedAt(int x) const {
    const auto it = extra_.find(x);
    return it == extra_.end() ? 0 : it->second;
  }
  // Makes at least `pixels` inserted at x.
  void Widen(int x, int pixels) { extra_[x] = std::max(extra_[x], pixels); }

private:
  std::map<int, int> extra_;
};

// Each label and button whose caption needs more than its width asks for what it lacks at
// its right edge; controls that end at the same place form a column and get the most that
// any of them lacks, so that they stay as wide as each other.
TStretchedAxis StretchForCaptions(const std::vector<TPlaced> &placed) {
  TStretchedAxis axis;
  for (const TPlaced &component : placed) {
    if (!KeepsItsWidth(*component.widget))
      continue;
    const int width = Span(component.design.left(), component.Right(), ScaleFactor());
    const int lacking = CaptionWidth(*component.widget) - width;
    if (lacking > 0)
      axis.Widen(component.Right(), lacking);
  }
  return axis;
}

// A component's place in the window on the stretched axis, down is the factor of the y
// axis. What ends at the window's right edge in the design (or beyond it) keeps ending
// there: a field or list reaches it, a label or button moves along with it.
QRect StretchedPlace(const TPlaced &component, const TStretchedAxis &axis, int windowWidth,
                     double down) {
  const QRect &design = component.design;
  const int right = component.Right();
  const bool atRightEdge = right >= windowWidth - RightEdgeMargin;
  const int stretch =
      axis.Inserted(design.left(), atRightEdge ? std::max(right, windowWidth) : right);
  const int scaled = Span(design.left(), right, ScaleFactor());
  int left = axis.At(design.left());
  int width = scaled + stretch;
  if (KeepsItsWidth(*component.widget)) {
    const int own = axis.InsertedAt(right);
    width = scaled + own;
    left += atRightEdge ? stretch - own : 0;
  }
  const int bottom = design.top() + design.height();
  return QRect(left, Scaled(design.top(), down), width, Span(design.top(), bottom, down));
}

// Pixels per designed pixel down the window: the scale factor, more when a line of the
// window's font, as text is laid out (whole pixels up), is taller than the designed
// font's line at that scale.
double VerticalFactor(const QWidget &window) {
  const QFontMetricsF metrics(window.font(), &window);
  const double line = std::ceil(std::max(metrics.height(), metrics.lineSpacing()));
  return ScaleFactor() * std::max(1.0, line / (DesignedLineHeight * ScaleFactor()));
}

} // namespace

double ScaleFactor() {
  const QScreen *screen = QGuiApplication::primaryScreen();
  return screen ? screen->logicalDotsPerInch() / 96.0 : 1.0;
}

int Px(int designPixels) {
  return Scaled(designPixels, ScaleFactor());
}

QFont DesignFont() {
  QFont font = QApplication::font();
  if (QFontDatabase::hasFamily(QStringLiteral("MS Sans Serif")))
    font.setFamily(QStringLiteral("MS Sans Serif"));
  font.setPointSize(8);
  return font;
}

void SetDesignedPlace(QWidget *widget, QRect design) {
  widget->setProperty(DesignedPlaceProperty, design);
  widget->setGeometry(ScaledPlace(design));
}

void SetDesignedSize(QWidget *window, QSize design) {
  window->setProperty(DesignedSizeProperty, design);
  window->setFixedSize(Px(design.width()), Px(design.height()));
}

void KeepDesignedWidth(QWidget *widget) {
  widget->setProperty(KeepWidthProperty, true);
}

void SetWrappedCaption(QCheckBox *box, const QString &caption) {
  box->setProperty(WrappedCaptionProperty, caption);
  box->setText(Wrapped(*box, caption));
}

void Layout(QWidget *window) {
  const std::vector<TPlaced> placed = PlacedComponents(*window);
  const TStretchedAxis axis = StretchForCaptions(placed);
  const QSize size = window->property(DesignedSizeProperty).toSize();
  const double down = VerticalFactor(*window);
  std::map<const QWidget *, QRect> places; // in the window's coordinates
  for (const TPlaced &component : placed)
    places[component.widget] =
        StretchedPlace(component, axis, size.isValid() ? size.width() : INT_MAX, down);
  for (const TPlaced &component : placed) {
    QWidget *widget = component.widget;
    const auto parent = places.find(widget->parentWidget());
    widget->setGeometry(
        places[widget].translated(parent == places.end() ? QPoint() : -parent->second.topLeft()));
    const QVariant wrapped = widget->property(WrappedCaptionProperty);
    if (auto *box = qobject_cast<QCheckBox *>(widget); box && wrapped.isValid())
      box->setText(Wrapped(*box, wrapped.toString()));
  }
  if (size.isValid())
    window->setFixedSize(axis.At(size.width()), Scaled(size.height(), down));
}

} // namespace ui
