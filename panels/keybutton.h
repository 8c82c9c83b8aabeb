#pragma once

#include "panels/drawing.h"
#include "panels/geometry.h"

#include <QWidget>

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

// An image control: a face (or none) and a click. Only single clicks count: the
// second press of a double click is not a click.
class KeyButton : public QWidget {
    Q_OBJECT

public:
    KeyButton(const ControlSpec& spec, QWidget* parent);

    bool hasFace() const { return m_face.exists(); }

signals:
    void clicked();

protected:
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
