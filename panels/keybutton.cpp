#include "panels/keybutton.h"

#include <QMouseEvent>
#include <QPainter>

namespace orvalet {

namespace {

// What a screen reader says: "b1" is the key 1, "Volume_up" the key Volume Up.
QString spokenName(const ControlSpec& spec)
{
    if (spec.tooltip)
        return QString::fromLatin1(spec.tooltip);
    QString name = QString::fromLatin1(spec.name);
    if (name.size() == 2 && name[0] == u'b' && name[1].isDigit())
        return name.mid(1);
    name.replace(u'_', u' ');
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (i == 0 || name[i - 1] == u' ')
            name[i] = name[i].toUpper();
    }
    return name;
}

} // namespace

KeyButton::KeyButton(const ControlSpec& spec, QWidget* parent)
    : QAbstractButton(parent)
    , m_face(spec.face)
    , m_fit(spec.fit)
{
    setObjectName(QLatin1String(spec.name));
    setAccessibleName(spokenName(spec));
    // A key works on the pointer alone; focus would only add keyboard presses.
    setFocusPolicy(Qt::NoFocus);
    setGeometry(twips::toPixels(spec.rect));
    if (spec.tooltip)
        setToolTip(QString::fromLatin1(spec.tooltip));
    setVisible(spec.visible);
}

bool KeyButton::event(QEvent* event)
{
    switch (event->type()) {
    // Styles ask buttons for hover events, and the base class repaints the key
    // and the picture beneath it at each: the face looks the same hovered or not.
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
    case QEvent::HoverLeave:
        return true;
    default:
        return QAbstractButton::event(event);
    }
}

void KeyButton::paintEvent(QPaintEvent*)
{
    // The same face pressed or not.
    QPainter painter(this);
    m_face.paint(painter, rect(), m_fit);
}

// The clicks are taken here rather than by the base class, which repaints the
// button and the picture beneath it at every press and release.
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
