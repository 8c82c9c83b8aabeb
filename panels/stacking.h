#pragma once

#include <Qt>

class QWidget;

namespace orvalet::stacking {

// A frameless window without taskbar entry, for the command panels.
Qt::WindowFlags panelFlags();

// Stands in for the system's z-order call: moves a window into the band of
// always-on-top windows or out of it, keeps it where it is and shown as it
// is, and activates it when it is shown.
void setTopmost(QWidget& window, bool topmost);

// What the window system must know before a window maps: no taskbar entry,
// whether it is topmost, and its role (the form's name).
void prepareToShow(QWidget& window, bool topmost);

} // namespace orvalet::stacking
