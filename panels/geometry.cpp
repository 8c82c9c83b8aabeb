#include "panels/geometry.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>
#include <optional>

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

// Qt's own rounding of a logical position or length to the device.
int toDevice(int pixels, qreal scale) { return qRound(pixels * scale); }

// The logical position or length that lands on `device` pixels, if one does.
std::optional<int> fromDevice(int device, qreal scale)
{
    const int guess = qRound(device / scale);
    for (const int pixels : {guess, guess - 1, guess + 1}) {
        if (toDevice(pixels, scale) == device)
            return pixels;
    }
    return std::nullopt;
}

bool reachable(int device, qreal scale) { return fromDevice(device, scale).has_value(); }

// The device pixel nearest to `twips` that `fits`, nearer ones tried first.
template <class Fits>
int nearest(float twips, qreal scale, Fits fits)
{
    const double ideal = scale * twips / perPixel;
    const auto base = static_cast<int>(std::lround(ideal));
    const int toward = ideal >= base ? 1 : -1;
    if (fits(base))
        return base;
    // Reachable pixels lie less than the scale apart: a few steps find one that fits.
    for (int step = 1; step <= 2 * std::ceil(scale) + 2; ++step) {
        for (const int device : {base + step * toward, base - step * toward}) {
            if (fits(device))
                return device;
        }
    }
    return base;
}

// The logical span that lands on the device from `start` to `end`.
Span onDevice(int start, int end, qreal scale)
{
    const int first = fromDevice(start, scale).value_or(qRound(start / scale));
    return {first, fromDevice(end - start, scale).value_or(qRound(end / scale) - first)};
}

} // namespace

Span span(float start, float end, qreal scale, Edge first)
{
    const auto startable = [scale](int device) { return reachable(device, scale); };
    if (first == Edge::Start) {
        const int origin = nearest(start, scale, startable);
        return after(onDevice(origin, origin, scale), end, scale);
    }
    const int last = nearest(end, scale, startable);
    const int origin = nearest(
        start, scale, [&](int device) { return startable(device) && startable(last - device); });
    return onDevice(origin, last, scale);
}

Span after(Span before, float end, qreal scale)
{
    const int start = toDevice(before.start, scale) + toDevice(before.length, scale);
    const int last = nearest(end, scale, [&](int device) {
        return reachable(device, scale) && reachable(device - start, scale);
    });
    return onDevice(start, last, scale);
}

QRect onScreen(const QScreen& screen, Span across, Span down)
{
    return {screen.geometry().topLeft() + QPoint(across.start, down.start),
            QSize(across.length, down.length)};
}

} // namespace orvalet::twips
