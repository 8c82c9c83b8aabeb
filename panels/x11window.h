#pragma once

class QWindow;

namespace orvalet::x11 {

// On a window not yet mapped: no taskbar, pager or switcher entry, above others or not.
void setInitialState(QWindow& window, bool above);

// On a mapped window: asks the window manager to add or remove the above state.
void setAbove(QWindow& window, bool above);

} // namespace orvalet::x11
