#include "app/startup.h"

#include "app/version.h"
#include "panels/forms.h"
#include "panels/mainpanel.h"

#include <QApplication>

namespace orvalet {

int run(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral(ORVALET_TITLE));
    QApplication::setApplicationVersion(QStringLiteral(ORVALET_VERSION));
    // Lets Wayland desktops match the windows with the installed desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral(ORVALET_APP_ID));
    // Only the main panel's Quit and its closing end the program; the about box
    // closing last must not.
    QApplication::setQuitOnLastWindowClosed(false);

    Forms forms;
    forms.main->show();
    return QApplication::exec();
}

} // namespace orvalet
