#include "panels.h"

#include "panels/expandpanel.h"
#include "panels/forms.h"
#include "panels/mainpanel.h"
#include "panels/rcpanel.h"
#include "support/panelclicks.h"

#include <cstring>

using namespace orvalet;

namespace {

template <class Form, FormSlot<Form> Forms::*slot>
CommandPanel& touch(Forms& forms)
{
    return *(forms.*slot);
}

// One line per window; the benchmark opens them in this order.
constexpr BenchPanel panels[] = {
    {"main panel", "Orvalet", &touch<Orvalet, &Forms::main>, PanelId::Main},
    {"extension panel", "frmExpand", &touch<frmExpand, &Forms::expand>, PanelId::Expand, "Orvalet",
     "Expand"},
    {"remote control panel", "frmRC", &touch<frmRC, &Forms::rc>, PanelId::Rc, "frmExpand", "RC"},
    {"about box", "frmAbout", nullptr, PanelId::Main, "Orvalet", "Info"},
};

} // namespace

std::span<const BenchPanel> benchPanels() { return panels; }

const BenchPanel* benchPanel(const char* role)
{
    for (const BenchPanel& p : panels) {
        if (std::strcmp(p.role, role) == 0)
            return &p;
    }
    return nullptr;
}

std::vector<KeySpot> keySpots(const BenchPanel& panel, CommandPanel& window)
{
    std::vector<KeySpot> spots;
    for (const KeyBinding& key : keyBindings()) {
        if (key.panel != panel.keys)
            continue;
        KeyButton* button = window.control(key.button);
        if (!button || !button->isVisibleTo(&window))
            continue;
        const QPoint at = centreOf(window, key.button);
        // Where controls overlap, the click must land on this one.
        if (window.childAt(at) != button)
            continue;
        spots.push_back({key.button, at, requestSuffix(key.code).toLatin1()});
    }
    return spots;
}
