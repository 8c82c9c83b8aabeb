#pragma once

#include <QString>

namespace orvalet {

// The one way the program reports an error it cannot go on from: a message box
// naming the error, then the end of the process with a non-zero status.
[[noreturn]] void fatalError(const QString& error, const QString& detail = QString());

} // namespace orvalet
