#include "panels/geometry.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>
#include <limits>

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

const QScreen& panelScreen() { return *QGuiApplication::primaryScreen(); }

float screenWidth(const QScreen& screen) { return fromPixels(screen.geometry().width()); }

float barLeft(float screenWidth, float barWidth) { return screenWidth - barWidth - screenMargin; }

float besideBarLeft(float screenWidth, float barWidth, float ownWidth)
{
    return screenWidth - barWidth - ownWidth - screenMargin;
}

namespace {

// Where a window `before` twips long ends and the next one starts, in logical
// pixels: of the pixels near `twips` where the two meet on the device too, the
// one that lands nearest the twips. Such pixels lie a few apart, except at
// scales within a few hundredths of a whole one, where none may lie near: then
// the twips are rounded, and the windows may part by a device pixel.
int meeting(float twips, int before, qreal scale)
{
    const int length = toPixels(static_cast<float>(before));
    const int nearest = toPixels(twips);
    const double ideal = twips / perPixel * scale;
    int best = nearest;
    double off = std::numeric_limits<double>::max();
    for (int at = nearest - 4; at <= nearest + 4; ++at) {
        const int device = qRound(at * scale);
        if (device == qRound((at - length) * scale) + qRound(length * scale) &&
            std::abs(device - ideal) < off) {
            best = at;
            off = std::abs(device - ideal);
        }
    }
    return best;
}

} // namespace

QPoint onScreen(const QScreen& screen, float left, float top)
{
    const qreal scale = screen.devicePixelRatio();
    const float across = barLeft(screenWidth(screen), barWidth);
    const auto down = static_cast<float>(barTop + barHeight);
    return screen.geometry().topLeft() +
           QPoint(meeting(across, handsetWidth, scale) + toPixels(left - across),
                  meeting(down, barHeight, scale) + toPixels(top - down));
}

} // namespace orvalet::twips
