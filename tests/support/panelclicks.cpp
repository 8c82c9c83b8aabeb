#include "panelclicks.h"

#include <QTest>
#include <QWindow>

void clickAt(QWidget& window, QPoint where)
{
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, Qt::NoModifier, where);
}

void doubleClickAt(QWidget& window, QPoint where)
{
    QTest::mouseDClick(window.windowHandle(), Qt::LeftButton, Qt::NoModifier, where);
}

QPoint centreOf(const QWidget& window, const char* control)
{
    const auto* child = window.findChild<QWidget*>(QLatin1String(control));
    if (!child)
        qFatal("no control %s", control);
    return child->mapTo(&window, child->rect().center());
}

void clickControl(QWidget& window, const char* control)
{
    clickAt(window, centreOf(window, control));
}
