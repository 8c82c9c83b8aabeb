#include "panels/aboutbox.h"

#include "app/version.h"
#include "panels/drawing.h"
#include "panels/geometry.h"
#include "panels/stacking.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include <array>

namespace orvalet {
namespace {

// The client area on the panels' screen, placed whatever the other panels do.
constexpr twips::Rect clientArea{2340, 825, 4380, 2100};

constexpr twips::Rect logoRect{105, 210, 1260, 1260};

// The logo, for display only: a picture, not a key, to the user and to
// accessibility tools alike.
class Picture : public QWidget {
public:
    Picture(const char* drawing, const QRect& rect, QWidget* parent)
        : QWidget(parent)
        , m_drawing(drawing)
    {
        setObjectName(QStringLiteral("Image1"));
        setGeometry(rect);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        m_drawing.paint(painter, rect(), Fit::Stretched);
    }

private:
    Drawing m_drawing;
};

struct LabelSpec {
    const char* name;
    twips::Rect rect;
    const char* text; // none: filled in at load
    bool black;
};

constexpr std::array labels{
    LabelSpec{"lblTitle", {1680, 210, 2100, 270}, nullptr, true},
    LabelSpec{"lblVersion", {1680, 525, 2100, 225}, nullptr, false},
    LabelSpec{"lblDescription", {1680, 840, 2100, 540}, ORVALET_DESCRIPTION, true},
    LabelSpec{"lblDisclaimer", {210, 1680, 1980, 300}, ORVALET_NOTICE, true},
};

// The separator is drawn to 5669 twips, past the right edge: the window cuts it
// off there.
constexpr float lineLeft = 105;
constexpr float lineTop = 1575;
constexpr float lineEnd = 5669;
constexpr QRgb lineColour = qRgb(128, 128, 128);

constexpr twips::Rect okButton{2520, 1680, 1260, 345};

} // namespace

frmAbout::frmAbout(Forms&)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint)
    , m_ok(new QPushButton(QStringLiteral("OK"), this))
{
    setObjectName(QStringLiteral("frmAbout"));
    const QRect area = twips::toPixels(clientArea);
    setGeometry(area.translated(twips::panelScreen().geometry().topLeft()));
    setFixedSize(area.size());

    new Picture(":/logo.pic", twips::toPixels(logoRect), this);

    for (const LabelSpec& spec : labels) {
        auto* label = new QLabel(this);
        label->setObjectName(QLatin1String(spec.name));
        label->setGeometry(twips::toPixels(spec.rect));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
        if (spec.text)
            label->setText(QString::fromUtf8(spec.text));
        if (spec.black) {
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, Qt::black);
            label->setPalette(palette);
        }
    }

    // The notice's box holds one line: where the default font sets it wider than
    // the box, it takes the largest smaller size that fits.
    QLabel* notice = label("lblDisclaimer");
    notice->setWordWrap(false);
    QFont font = notice->font();
    while (QFontMetricsF(font).horizontalAdvance(notice->text()) > notice->width() &&
           font.pointSizeF() > 1)
        font.setPointSizeF(font.pointSizeF() - 0.25);
    notice->setFont(font);

    auto* line = new QWidget(this);
    line->setObjectName(QStringLiteral("Line1"));
    // One pixel high: from the first point to the last one, both included.
    line->setGeometry(QRect(QPoint(twips::toPixels(lineLeft), twips::toPixels(lineTop)),
                            QPoint(twips::toPixels(lineEnd), twips::toPixels(lineTop))));
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, QColor(lineColour));
    line->setPalette(palette);
    line->setAutoFillBackground(true);

    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_ok->setGeometry(twips::toPixels(okButton));
    m_ok->setDefault(true);
    m_ok->setFocus();
    connect(m_ok, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
}

void frmAbout::Form_Load()
{
    const QString title = QCoreApplication::applicationName();
    setWindowTitle(QStringLiteral("About ") + title);
    label("lblVersion")
        ->setText(QStringLiteral("Version %1.%2.%3")
                      .arg(ORVALET_VERSION_MAJOR)
                      .arg(ORVALET_VERSION_MINOR)
                      .arg(ORVALET_VERSION_PATCH));
    label("lblTitle")->setText(title);
}

void frmAbout::cmdOK_Click() { close(); }

void frmAbout::setVisible(bool visible)
{
    if (visible && !isVisible())
        stacking::prepareToShow(*this, false);
    QDialog::setVisible(visible);
}

void frmAbout::keyPressEvent(QKeyEvent* event)
{
    // Escape presses the cancel button, which is the OK button.
    if (event->matches(QKeySequence::Cancel))
        m_ok->click();
    else
        QDialog::keyPressEvent(event);
}

void frmAbout::changeEvent(QEvent* event)
{
    // Some window managers offer Minimise on every dialog whatever it asks for;
    // without a taskbar entry a minimised box could not be found again.
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    QDialog::changeEvent(event);
}

QLabel* frmAbout::label(const char* name) const
{
    return findChild<QLabel*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
}

} // namespace orvalet
