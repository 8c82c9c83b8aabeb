#include "panels.h"

#include "panelclicks.h"

#include "panels/expandpanel.h"
#include "panels/forms.h"
#include "panels/mainpanel.h"

#include <QTest>

using namespace orvalet;

const char* const mainKeys[8] = {"Previous", "Play",      "Pause",       "Stop",
                                 "Next",     "Volume_up", "Volume_down", "Mute"};
const char* const extensionKeys[5] = {"Dream", "Video", "Lame", "OK", "Power"};

Orvalet& showMainPanel(Forms& forms)
{
    Orvalet& panel = *forms.main;
    panel.show();
    if (!QTest::qWaitForWindowExposed(&panel))
        qFatal("main panel not exposed");
    return panel;
}

frmExpand& openExtensionPanel(Forms& forms)
{
    clickControl(*forms.main, "Expand");
    if (!forms.expand.isLoaded() || !QTest::qWaitForWindowExposed(&*forms.expand))
        qFatal("extension panel not shown");
    return *forms.expand;
}
