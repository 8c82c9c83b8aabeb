#pragma once

#include "panels/geometry.h"
#include "panels/keybutton.h"
#include "receiver/keytable.h"

#include <QString>
#include <QWidget>

#include <span>

namespace orvalet {

class Browser;
class Forms;

// The design of a command panel: the window and its control table.
struct PanelSpec {
    const char* name;
    const char* caption;
    twips::Rect design;
    const char* background;
    Fit backgroundFit;
    std::span<const ControlSpec> controls;
    // A picture drawn over the background, such as the main panel's emblem.
    const char* emblem = nullptr;
    twips::Rect emblemRect{};
};

// What the three command panels share: a borderless window without taskbar
// entry filled by its background picture, key buttons built from a table, a
// base URL read at load and a hidden browser view that sends the keys.
class CommandPanel : public QWidget {
    Q_OBJECT

public:
    CommandPanel(Forms& forms, PanelId id, const PanelSpec& spec);

    KeyButton* control(const char* name) const;
    Browser& browser() const { return *m_browser; }
    const QString& baseUrl() const { return m_baseUrl; }

    // In twips, as the load handlers place the panels: the design width, and the
    // left edge on the panels' screen with the top and size as designed.
    float Width() const;
    void setLeft(float left);

    void setTopmost(bool topmost);

    void setVisible(bool visible) override;

protected:
    Forms& forms() const { return m_forms; }

    // Reads the address file; a missing or unusable one ends the program.
    void loadBaseUrl();

    template <class Panel>
    void onClick(const char* name, void (Panel::*handler)())
    {
        connect(control(name), &KeyButton::clicked, static_cast<Panel*>(this), handler);
    }

    void paintEvent(QPaintEvent* event) override;

private:
    void sendKey(int code);

    Forms& m_forms;
    twips::Rect m_design;
    Drawing m_background;
    Fit m_backgroundFit;
    Drawing m_emblem;
    QRect m_emblemRect;
    QString m_baseUrl;
    Browser* m_browser;
    bool m_topmost = false;
};

} // namespace orvalet
