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

// The width of the screen the panels are placed on, in twips.
float screenWidth(const QScreen& screen);

// The bars' right edges stand this far left of the screen's right edge.
inline constexpr float screenMargin = 1600.0f;

// Left edge of a bar ending the margin short of the screen's right edge.
// Single precision, not clamped: a narrow screen gives a negative edge.
float barLeft(float screenWidth, float barWidth);

// Left edge of a panel standing directly left of such a bar.
float besideBarLeft(float screenWidth, float barWidth, float ownWidth);

} // namespace orvalet::twips
