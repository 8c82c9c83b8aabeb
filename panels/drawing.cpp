#include "panels/drawing.h"

#include "panels/geometry.h"

#include <QFile>
#include <QSvgRenderer>

namespace orvalet {

Drawing::Drawing(const char* resource)
{
    if (resource && QFile::exists(QLatin1String(resource)))
        m_resource = QLatin1String(resource);
}

void Drawing::paint(QPainter& painter, const QRect& place, Fit fit) const
{
    if (!exists())
        return;
    QSvgRenderer drawing(m_resource);
    const QRect area = fit == Fit::Natural
                           ? QRect(place.topLeft(), twips::naturalSize(drawing.viewBoxF().size()))
                           : place;
    drawing.render(&painter, area);
}

} // namespace orvalet
