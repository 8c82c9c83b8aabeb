#include "panels/stacking.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#ifdef ORVALET_X11
#include "panels/x11window.h"
#endif

namespace orvalet::stacking {
namespace {

bool onX11()
{
#ifdef ORVALET_X11
    return QGuiApplication::platformName() == QLatin1String("xcb");
#else
    return false;
#endif
}

} // namespace

Qt::WindowFlags panelFlags()
{
    // On X11 a tool window is a utility window transient for the program's
    // hidden group leader, which KDE hides while another program is active;
    // there our own state atoms keep an ordinary window off the taskbar.
    // Elsewhere the tool window is what stays off the taskbar.
    return (onX11() ? Qt::Window : Qt::Tool) | Qt::FramelessWindowHint;
}

void setTopmost(QWidget& window, bool topmost)
{
    if (onX11()) {
#ifdef ORVALET_X11
        // Qt's own hint would recreate the X window at its next show; the window
        // manager's state message changes the mapped window in place.
        if (window.isVisible())
            x11::setAbove(*window.windowHandle(), topmost);
#endif
    } else if (QWindow* handle = window.windowHandle()) {
        // On the platform window directly: QWidget::setWindowFlag would hide it.
        handle->setFlag(Qt::WindowStaysOnTopHint, topmost);
        window.overrideWindowFlags(handle->flags());
    } else {
        window.setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    }
    if (window.isVisible()) {
        window.raise();
        window.activateWindow();
    }
}

void prepareToShow(QWidget& window, bool topmost)
{
#ifdef ORVALET_X11
    if (onX11()) {
        // Qt writes the role as it creates the X window, and again should it recreate it.
        window.setWindowRole(window.objectName());
        window.winId();
        x11::setInitialState(*window.windowHandle(), topmost);
    }
#else
    (void)window;
    (void)topmost;
#endif
}

} // namespace orvalet::stacking
