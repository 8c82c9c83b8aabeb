#pragma once

#include "panels/commandpanel.h"

namespace orvalet {

// The second bar, beneath the main panel: more keys, the remote control
// button and the always-on-top switch.
class frmExpand : public CommandPanel {
    Q_OBJECT

public:
    explicit frmExpand(Forms& forms);

    void Form_Load();
    void RC_Click();
    void AOToff_Click();
    void AOTon_Click();
};

} // namespace orvalet
