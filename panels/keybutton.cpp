#include "panels/keybutton.h"

#include <QMouseEvent>
#include <QPainter>

namespace orvalet {

KeyButton::KeyButton(const ControlSpec& spec, QWidget* parent)
    : QWidget(parent)
    , m_face(spec.face)
    , m_fit(spec.fit)
{
    setObjectName(QLatin1String(spec.name));
    setGeometry(twips::toPixels(spec.rect));
    if (spec.tooltip)
        setToolTip(QString::fromLatin1(spec.tooltip));
    setVisible(spec.visible);
}

void KeyButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    m_face.paint(painter, rect(), m_fit);
}

void KeyButton::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
}

void KeyButton::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        emit clicked();
}

void KeyButton::mouseDoubleClickEvent(QMouseEvent*)
{
    // The base class would take this for a second press and so a second click.
    m_pressed = false;
}

} // namespace orvalet
