#pragma once

#include "panels/commandpanel.h"

namespace orvalet {

// The startup window: the bar of player keys near the top right of the screen.
class Orvalet : public CommandPanel {
    Q_OBJECT

public:
    explicit Orvalet(Forms& forms);

    void Form_Load();
    void Expand_Click();
    void Info_Click();
    void Exit_p_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace orvalet
