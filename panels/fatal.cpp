#include "panels/fatal.h"

#include <QCoreApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>

namespace orvalet {

void fatalError(const QString& error, const QString& detail)
{
    const QString text = detail.isEmpty() ? error : error + QStringLiteral("\n\n") + detail;
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                 qPrintable(QString(text).replace(QStringLiteral("\n\n"), QStringLiteral(": "))));
    std::fflush(stderr);
    QMessageBox::critical(nullptr, QCoreApplication::applicationName(), text);
    // Ends at once: no window gets another event, nothing is torn down half-way.
    std::_Exit(EXIT_FAILURE);
}

} // namespace orvalet
