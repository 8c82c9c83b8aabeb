#pragma once

#include "panels/commandpanel.h"

namespace orvalet {

class frmRC : public CommandPanel {
    Q_OBJECT

public:
    explicit frmRC(Forms& forms);

    void Form_Load();
};

} // namespace orvalet
