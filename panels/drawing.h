#pragma once

#include <QRect>
#include <QString>

class QPainter;

namespace orvalet {

// How a drawing fills its place: at its own size from the top-left corner, or
// scaled over the whole of it.
enum class Fit { Natural, Stretched };

// One of the compiled-in drawings, recorded as a picture at build time. It is
// loaded afresh at every paint and dropped after: a window is seldom painted
// twice, and a kept picture would hold its data for the window's whole life.
class Drawing {
public:
    Drawing() = default;
    explicit Drawing(const char* resource);

    // Whether there is such a drawing: a null resource means none.
    bool exists() const { return !m_resource.isEmpty(); }
    void paint(QPainter& painter, const QRect& place, Fit fit) const;

private:
    QString m_resource;
};

} // namespace orvalet
