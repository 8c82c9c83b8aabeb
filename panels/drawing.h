#pragma once

#include <QRect>
#include <QString>

class QPainter;

namespace orvalet {

// How a drawing fills its place: at its own size from the top-left corner, or
// scaled over the whole of it.
enum class Fit { Natural, Stretched };

// One of the compiled-in drawings. It is read afresh at every paint and dropped
// after: a parsed drawing holds its paths, and a copy of each made when it is
// first drawn, for as long as it lives. For the handset that is more memory
// than its window's pixels, and a window is seldom painted twice.
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
