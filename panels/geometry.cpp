#include "panels/geometry.h"

#include <QScreen>

#include <cmath>

namespace orvalet::twips {

int toPixels(float twips) { return static_cast<int>(std::lround(twips / perPixel)); }

QRect toPixels(const Rect& rect)
{
    return {toPixels(static_cast<float>(rect.left)), toPixels(static_cast<float>(rect.top)),
            toPixels(static_cast<float>(rect.width)), toPixels(static_cast<float>(rect.height))};
}

float fromPixels(int pixels) { return static_cast<float>(pixels) * perPixel; }

QSize naturalSize(const QSizeF& drawingUnits)
{
    return {toPixels(static_cast<float>(drawingUnits.width())),
            toPixels(static_cast<float>(drawingUnits.height()))};
}

float screenWidth(const QScreen& screen) { return fromPixels(screen.geometry().width()); }

float barLeft(float screenWidth, float barWidth) { return screenWidth - barWidth - screenMargin; }

float besideBarLeft(float screenWidth, float barWidth, float ownWidth)
{
    return screenWidth - barWidth - ownWidth - screenMargin;
}

} // namespace orvalet::twips
