#pragma once

#include "panels/drawing.h"
#include "panels/geometry.h"

#include <QAbstractButton>

namespace orvalet {

// One row of a panel's control table.
struct ControlSpec {
    const char* name;
    twips::Rect rect;
    const char* face = nullptr; // none: an invisible click area
    Fit fit = Fit::Stretched;
    const char* tooltip = nullptr;
    bool visible = true;
};

// An image control: a face (or none) and a click. Only single left clicks
// count: the second press of a double click is not a click, and a press
// released off the control is none either. A push button to accessibility
// tools, named after its key, which they can press. The pointer passing over
// it changes nothing on screen, so it repaints nothing.
class KeyButton : public QAbstractButton {
    Q_OBJECT

public:
    KeyButton(const ControlSpec& spec, QWidget* parent);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    Drawing m_face;
    Fit m_fit;
    bool m_pressed = false;
};

} // namespace orvalet
