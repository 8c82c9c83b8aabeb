#include "receiver/keytable.h"

#include <algorithm>
#include <array>

namespace orvalet {
namespace {

using enum PanelId;

constexpr std::array bindings{
    // The player keys reuse handset codes: Play is green, Pause yellow, Stop TV,
    // Previous and Next the cursor keys left and right.
    KeyBinding{Main, "Previous", 105},
    KeyBinding{Main, "Play", 399},
    KeyBinding{Main, "Pause", 400},
    KeyBinding{Main, "Stop", 385},
    KeyBinding{Main, "Next", 106},
    KeyBinding{Main, "Volume_up", 115},
    KeyBinding{Main, "Volume_down", 114},
    KeyBinding{Main, "Mute", 113},

    KeyBinding{Expand, "Dream", 141},
    KeyBinding{Expand, "Video", 393},
    KeyBinding{Expand, "Lame", 1},
    KeyBinding{Expand, "OK", 352},
    KeyBinding{Expand, "Power", 116},

    KeyBinding{Rc, "Power", 116},
    // The digits are shifted by one: b1 sends 2, b0 sends 11.
    KeyBinding{Rc, "b1", 2},
    KeyBinding{Rc, "b2", 3},
    KeyBinding{Rc, "b3", 4},
    KeyBinding{Rc, "b4", 5},
    KeyBinding{Rc, "b5", 6},
    KeyBinding{Rc, "b6", 7},
    KeyBinding{Rc, "b7", 8},
    KeyBinding{Rc, "b8", 9},
    KeyBinding{Rc, "b9", 10},
    KeyBinding{Rc, "b0", 11},
    KeyBinding{Rc, "Previous", 412},
    KeyBinding{Rc, "Next", 407},
    KeyBinding{Rc, "Mute", 113},
    KeyBinding{Rc, "Volume_up", 115},
    KeyBinding{Rc, "Volume_down", 114},
    KeyBinding{Rc, "Lame", 1},
    KeyBinding{Rc, "Bouquette_up", 402},
    KeyBinding{Rc, "Bouquette_down", 403},
    KeyBinding{Rc, "Info", 358},
    KeyBinding{Rc, "Up", 103},
    KeyBinding{Rc, "Dream", 141},
    KeyBinding{Rc, "Left", 105},
    KeyBinding{Rc, "OK", 352},
    KeyBinding{Rc, "Right", 106},
    KeyBinding{Rc, "Down", 108},
    KeyBinding{Rc, "Audio", 392},
    KeyBinding{Rc, "Video", 393},
    KeyBinding{Rc, "Red", 398},
    KeyBinding{Rc, "Green", 399},
    KeyBinding{Rc, "Yellow", 400},
    KeyBinding{Rc, "Blue", 401},
    // TV and Radio are not swapped.
    KeyBinding{Rc, "TV", 385},
    KeyBinding{Rc, "Radio", 377},
    KeyBinding{Rc, "Text", 66},
    KeyBinding{Rc, "Help", 138},
};

const char* panelTag(PanelId panel)
{
    switch (panel) {
    case Main:
        return "main";
    case Expand:
        return "expand";
    case Rc:
        return "rc";
    }
    return "";
}

} // namespace

std::span<const KeyBinding> keyBindings() { return bindings; }

std::optional<int> keyCode(PanelId panel, std::string_view button)
{
    const auto it = std::ranges::find_if(
        bindings, [&](const KeyBinding& b) { return b.panel == panel && button == b.button; });
    if (it == bindings.end())
        return std::nullopt;
    return it->code;
}

QString requestSuffix(int code) { return QStringLiteral("/cgi-bin/rc?") + QString::number(code); }

QUrl requestUrl(const QString& baseUrl, int code) { return QUrl(baseUrl + requestSuffix(code)); }

QString describeCode(int code)
{
    QStringList names;
    for (const KeyBinding& b : bindings) {
        if (b.code == code)
            names << QStringLiteral("%1 (%2)").arg(QLatin1String(b.button),
                                                   QLatin1String(panelTag(b.panel)));
    }
    return names.join(QStringLiteral(", "));
}

} // namespace orvalet
