#include "panels/aboutbox.h"

#include "app/version.h"

namespace orvalet {

frmAbout::frmAbout(Forms&)
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
}

void frmAbout::Form_Load() { setWindowTitle(QStringLiteral("About " ORVALET_TITLE)); }

} // namespace orvalet
