#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>
#include <span>
#include <string_view>

namespace orvalet {

// The three windows that carry key buttons.
enum class PanelId { Main, Expand, Rc };

struct KeyBinding {
    PanelId panel;
    const char* button;
    int code;
};

// Every key button of every panel and the receiver code it sends.
std::span<const KeyBinding> keyBindings();

std::optional<int> keyCode(PanelId panel, std::string_view button);

// "/cgi-bin/rc?" followed by the code in plain decimal.
QString requestSuffix(int code);

// What a key press loads: the panel's base URL and the key's suffix, verbatim.
QUrl requestUrl(const QString& baseUrl, int code);

// The buttons that send a code, as "Stop (main), TV (rc)"; empty for an unknown code.
QString describeCode(int code);

} // namespace orvalet
