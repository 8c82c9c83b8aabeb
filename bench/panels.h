#pragma once

#include "receiver/keytable.h"

#include <QByteArray>
#include <QPoint>

#include <span>
#include <vector>

namespace orvalet {
class CommandPanel;
class Forms;
} // namespace orvalet

// A window the benchmark opens, and how a user opens it.
struct BenchPanel {
    const char* label;
    const char* role; // the window's object name, its WM_WINDOW_ROLE on X11
    // The command panel itself, loaded; null for a window without keys.
    orvalet::CommandPanel& (*touch)(orvalet::Forms&);
    orvalet::PanelId keys;            // its keys in the key table, when touch is set
    const char* openedFrom = nullptr; // the role of the window with its opener
    const char* opener = nullptr;     // the control there that opens it
};

std::span<const BenchPanel> benchPanels();
const BenchPanel* benchPanel(const char* role);

// A key button where a click lands on it, in its window's coordinates.
struct KeySpot {
    const char* name;
    QPoint at;
    QByteArray target;
};

// The visible key buttons of a loaded panel; keys not (yet) on the panel are left out.
std::vector<KeySpot> keySpots(const BenchPanel& panel, orvalet::CommandPanel& window);
