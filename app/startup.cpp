#include "app/startup.h"

#include "app/version.h"
#include "panels/forms.h"
#include "panels/mainpanel.h"

#include <QApplication>
#include <QPixmapCache>
#include <QThreadPool>

#include <cstdio>

namespace orvalet {
namespace {

// Where the window system lets a program place its windows and keep them on
// top: X11, also inside a Wayland session through Xwayland. A platform the user
// names is taken as it is; otherwise, where an X server is announced, Qt tries
// the list in order and falls back to native Wayland when that server does not
// answer.
void preferX11()
{
#ifdef ORVALET_X11
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb;wayland");
#endif
}

// Qt 6.6 and later hand large fills to drawing threads of their own, apart from
// the global pool, which end half a minute after a paint and so wake the idle
// program. Nothing here is drawn large or often enough to gain from them.
void drawOnTheEventThread() { qputenv("QT_NO_GUI_THREADPOOL", "1"); }

void warnOfNativeWayland()
{
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        std::fprintf(stderr,
                     "%s: on native Wayland the bars cannot place themselves at the top "
                     "right nor stay on top of other windows.\n",
                     ORVALET_TITLE);
    }
}

} // namespace

int run(int argc, char** argv)
{
    preferX11();
    drawOnTheEventThread();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral(ORVALET_TITLE));
    QApplication::setApplicationVersion(QStringLiteral(ORVALET_VERSION));
    // Lets Wayland desktops match the windows with the installed desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral(ORVALET_APP_ID));
    // Only the main panel's Quit and its closing end the program; the about box
    // closing last must not.
    QApplication::setQuitOnLastWindowClosed(false);
    // Qt's raster engine hands every fill of 96 spans or more, the 32-pixel
    // icon's already, to the global thread pool, which starts a thread for it
    // whatever its maximum. Left to expire, each pooled thread wakes the idle
    // program to end half a minute after a paint and is started again at the
    // next; kept, they sleep until there is something to draw.
    QThreadPool::globalInstance()->setExpiryTimeout(-1);
    // Qt's pixmap cache keeps the window icon and the style's button faces, and
    // while it holds anything it wakes the program every 10 to 30 s to age it.
    // Nothing here is painted often enough to gain from it.
    QPixmapCache::setCacheLimit(0);
    warnOfNativeWayland();

    Forms forms;
    forms.main->show();
    return QApplication::exec();
}

} // namespace orvalet
