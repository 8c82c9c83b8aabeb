#include "panels/drawing.h"

#include "panels/geometry.h"

#include <QFile>
#include <QPainter>
#include <QPicture>

namespace orvalet {

Drawing::Drawing(const char* resource)
{
    if (resource && QFile::exists(QLatin1String(resource)))
        m_resource = QLatin1String(resource);
}

void Drawing::paint(QPainter& painter, const QRect& place, Fit fit) const
{
    QPicture drawing;
    if (!exists() || !drawing.load(m_resource))
        return;
    // The picture's bounding rectangle is the drawing's frame.
    const QRect frame = drawing.boundingRect();
    const QRect area =
        fit == Fit::Natural ? QRect(place.topLeft(), twips::naturalSize(frame.size())) : place;
    painter.save();
    painter.translate(area.topLeft());
    painter.scale(qreal(area.width()) / frame.width(), qreal(area.height()) / frame.height());
    painter.drawPicture(0, 0, drawing);
    painter.restore();
}

} // namespace orvalet
