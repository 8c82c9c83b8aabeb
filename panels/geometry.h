#pragma once

#include <QRect>
#include <QSize>
#include <QSizeF>

class QScreen;

namespace orvalet::twips {

// Positions and sizes are designed in twips, 1/1440 inch; at 96 dots per inch
// (one Qt device-independent pixel) that is 15 twips per pixel. Drawings are
// measured in the same units.
inline constexpr int perPixel = 15;

struct Rect {
    int left;
    int top;
    int width;
    int height;
};

// Rounds once, to the nearest whole pixel.
int toPixels(float twips);
QRect toPixels(const Rect& rect);
float fromPixels(int pixels);

// The size a drawing takes when shown at its own size.
QSize naturalSize(const QSizeF& drawingUnits);

// The screen the panels are placed on, and its width in twips.
const QScreen& panelScreen();
float screenWidth(const QScreen& screen);

// The bars' right edges stand this far left of the screen's right edge.
inline constexpr float screenMargin = 1600.0f;

// Left edge of a bar ending the margin short of the screen's right edge.
// Single precision, not clamped: a narrow screen gives a negative edge.
float barLeft(float screenWidth, float barWidth);

// Left edge of a panel standing directly left of such a bar.
float besideBarLeft(float screenWidth, float barWidth, float ownWidth);

// A window's extent along one axis in logical pixels, from the screen's edge.
struct Span {
    int start = 0;
    int length = 0;
};

// Qt puts a window on the device by scaling its logical position and its size
// separately, each rounded to whole device pixels, so at a fractional scale a
// window that ends at a logical pixel and one that starts there can overlap or
// part by a device pixel, and some device pixels no logical value reaches. The
// spans below put every edge on a device pixel where a window can start, as
// near its twips as that allows, so that a window placed from an edge another
// one ends at meets it on the device. At scale 1 every edge is its twips rounded
// once. Within a few hundredths of a whole scale no flush layout lies near the
// twips; there the edges may still part by a device pixel.

// The edge placed first; the other follows it.
enum class Edge { Start, End };

// A window from `start` to `end` twips at `scale` device pixels per pixel.
Span span(float start, float end, qreal scale, Edge first = Edge::Start);

// A window starting on the device where `before` ends, ending near `end` twips.
Span after(Span before, float end, qreal scale);

// The window's rectangle from its spans on the screen.
QRect onScreen(const QScreen& screen, Span across, Span down);

} // namespace orvalet::twips
