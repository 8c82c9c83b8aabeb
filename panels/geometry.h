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

// The bars' design: the main bar's top, the size of either bar, and the width
// of the handset that stands beside them.
inline constexpr int barTop = 15;
inline constexpr int barWidth = 4470;
inline constexpr int barHeight = 375;
inline constexpr int handsetWidth = 3330;

// Where a panel's window with its left edge and top at these twips goes on the
// screen, in logical pixels. Qt puts a window on the device by scaling its
// logical position and its size separately, each rounded to whole device
// pixels, so at a fractional scale a window that ends at a logical pixel and
// one that starts there can overlap or part by a device pixel. The windows
// meet along two lines, the bars' left edge where the handset ends and the
// main bar's bottom where the extension bar starts: each line lies on the
// logical pixel nearest its twips at which they meet on the device too, and
// every edge keeps its design distance from it, so every window keeps its
// design size. At scale 1 every edge is its twips rounded once.
QPoint onScreen(const QScreen& screen, float left, float top);

} // namespace orvalet::twips
