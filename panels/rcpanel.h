#pragma once

#include "panels/commandpanel.h"

namespace orvalet {

// The handset picture with its keys, hanging from the top edge left of the main panel.
class frmRC : public CommandPanel {
    Q_OBJECT

public:
    explicit frmRC(Forms& forms);

    void Form_Load();
    void Exit_Click();
};

} // namespace orvalet
