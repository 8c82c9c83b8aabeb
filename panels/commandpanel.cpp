#include "panels/commandpanel.h"

#include "panels/fatal.h"
#include "panels/stacking.h"
#include "receiver/addressfile.h"
#include "receiver/browser.h"

#include <QDir>
#include <QPainter>

namespace orvalet {

CommandPanel::CommandPanel(Forms& forms, PanelId id, const PanelSpec& spec)
    : QWidget(nullptr, stacking::panelFlags())
    , m_forms(forms)
    , m_design(spec.design)
    , m_background(spec.background)
    , m_backgroundFit(spec.backgroundFit)
    , m_emblem(spec.emblem)
    , m_emblemRect(twips::toPixels(spec.emblemRect))
    , m_browser(new Browser(this))
{
    setObjectName(QLatin1String(spec.name));
    setWindowTitle(QString::fromUtf8(spec.caption));
    // The bars are rarely the active window: a bar never clicked is not.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setGeometry(twips::toPixels(spec.design));
    for (const ControlSpec& row : spec.controls) {
        auto* button = new KeyButton(row, this);
        if (const auto code = keyCode(id, row.name))
            connect(button, &KeyButton::clicked, this, [this, key = *code] { sendKey(key); });
    }
}

KeyButton* CommandPanel::control(const char* name) const
{
    return findChild<KeyButton*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
}

float CommandPanel::Width() const { return static_cast<float>(m_design.width); }

void CommandPanel::setLeft(float left)
{
    const QRect rect(twips::onScreen(twips::panelScreen(), left, static_cast<float>(m_design.top)),
                     twips::toPixels(m_design).size());
    setGeometry(rect);
    // Fixed, so that window managers keep the size as it is: at high-DPI scales
    // Qt announces a resize increment that would round it.
    setFixedSize(rect.size());
}

void CommandPanel::setTopmost(bool topmost)
{
    m_topmost = topmost;
    stacking::setTopmost(*this, topmost);
}

void CommandPanel::setVisible(bool visible)
{
    if (visible && !isVisible())
        stacking::prepareToShow(*this, m_topmost);
    QWidget::setVisible(visible);
}

void CommandPanel::loadBaseUrl()
{
    const AddressResult result = readAddressFile();
    if (!result.ok()) {
        fatalError(errorText(result),
                   QStringLiteral("The receiver address is read from \"%1\" in %2.")
                       .arg(QLatin1String(addressFileName),
                            QDir::toNativeSeparators(QDir::currentPath())));
    }
    m_baseUrl = baseUrlFor(result.address);
}

void CommandPanel::sendKey(int code) { m_browser->navigate(requestUrl(m_baseUrl, code)); }

void CommandPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().button());
    m_background.paint(painter, rect(), m_backgroundFit);
    m_emblem.paint(painter, m_emblemRect, Fit::Stretched);
}

} // namespace orvalet
