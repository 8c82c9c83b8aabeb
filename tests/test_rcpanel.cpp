#include "panels/expandpanel.h"
#include "panels/forms.h"
#include "panels/mainpanel.h"
#include "panels/rcpanel.h"
#include "support/panelclicks.h"
#include "support/simulator.h"
#include "support/workdir.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QSvgRenderer>
#include <QTest>
#include <QWindow>

#include <algorithm>

using namespace orvalet;

namespace {

struct Key {
    const char* name;
    QRect px;
    int code;
};

// The handset's keys as designed, in pixels of the panel, with the codes the
// receiver expects.
const Key keys[] = {
    {"Power", {112, 42, 36, 22}, 116},
    {"b1", {42, 112, 43, 22}, 2},
    {"b2", {91, 112, 36, 22}, 3},
    {"b3", {133, 112, 36, 22}, 4},
    {"b4", {42, 133, 43, 22}, 5},
    {"b5", {91, 133, 36, 22}, 6},
    {"b6", {133, 133, 36, 22}, 7},
    {"b7", {42, 161, 43, 22}, 8},
    {"b8", {91, 161, 36, 22}, 9},
    {"b9", {133, 161, 36, 22}, 10},
    {"Previous", {42, 189, 43, 22}, 412},
    {"b0", {91, 189, 36, 22}, 11},
    {"Next", {133, 189, 36, 22}, 407},
    {"Mute", {91, 224, 36, 15}, 113},
    {"Volume_up", {42, 231, 29, 22}, 115},
    {"Lame", {91, 245, 36, 29}, 1},
    {"Bouquette_up", {140, 231, 36, 29}, 402},
    {"Volume_down", {49, 259, 29, 29}, 114},
    {"Bouquette_down", {133, 259, 36, 29}, 403},
    {"Info", {35, 294, 29, 22}, 358},
    {"Up", {77, 294, 64, 29}, 103},
    {"Dream", {154, 294, 22, 22}, 141},
    {"Left", {49, 322, 36, 43}, 105},
    {"OK", {91, 329, 36, 22}, 352},
    {"Right", {133, 322, 29, 43}, 106},
    {"Down", {77, 357, 64, 29}, 108},
    {"Audio", {42, 371, 22, 22}, 392},
    {"Video", {147, 364, 29, 29}, 393},
    {"Red", {42, 406, 29, 29}, 398},
    {"Green", {77, 406, 29, 29}, 399},
    {"Yellow", {112, 406, 29, 29}, 400},
    {"Blue", {147, 406, 29, 29}, 401},
    {"TV", {49, 448, 22, 22}, 385},
    {"Radio", {77, 448, 29, 22}, 377},
    {"Text", {112, 448, 22, 22}, 66},
    {"Help", {140, 448, 22, 22}, 138},
};

const QRect exitRect(210, 0, 13, 13);

// Places of the picture that carry no key button: the SHIFT key, the two blue
// ovals, the lower end, the white margin, and where the hidden view lies.
const QPoint deadPoints[] = {
    {86, 53}, {75, 55},   {86, 89},  {130, 89},  {108, 530}, {108, 580}, {70, 500},
    {8, 300}, {208, 300}, {108, 10}, {108, 600}, {14, 14},   {200, 5},
};

int difference(QColor a, QColor b)
{
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                     std::abs(a.blue() - b.blue())});
}

QImage renderHandset()
{
    QSvgRenderer renderer(QStringLiteral(":/handset.svg"));
    QImage image(220, 607, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(0, 0, 220, 607));
    return image;
}

// The share of a rectangle's pixels for which `test` holds.
template <class Test>
double share(const QImage& image, const QRect& rect, Test test)
{
    int hits = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x)
            hits += test(image.pixelColor(x, y)) ? 1 : 0;
    }
    return static_cast<double>(hits) / (rect.width() * rect.height());
}

QRect innerHalf(const QRect& r)
{
    return {r.x() + r.width() / 4, r.y() + r.height() / 4, r.width() / 2, r.height() / 2};
}

bool isBlue(QColor c) { return c.blue() > c.red() + 60 && c.blue() > c.green() + 40; }
bool isRed(QColor c) { return c.red() > 160 && c.green() < 80 && c.blue() < 80; }
bool isGreen(QColor c) { return c.green() > 130 && c.red() < 90 && c.blue() < 120; }
bool isYellow(QColor c) { return c.red() > 200 && c.green() > 170 && c.blue() < 90; }
bool isDark(QColor c) { return c.lightness() < 50; }

} // namespace

class RcPanelTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pictureMatchesTheKeys();
    void placedBesideTheMainPanel();
    void everyKeySendsItsCode();
    void overlapsGoToTheLaterRow();
    void clicksOffTheKeysSendNothing();
    void addressReadOnceAtFirstTouch();
    void independentOfTheExtensionPanel();
    void closedByTheWindowSystemLoadsAfresh();

private:
    Orvalet& showMain();
    frmExpand& showExpand();
    frmRC& openPanel();

    std::unique_ptr<WorkDir> m_work;
    std::unique_ptr<Simulator> m_sim;
    std::unique_ptr<Forms> m_forms;
};

void RcPanelTest::init()
{
    m_work = std::make_unique<WorkDir>();
    m_sim = std::make_unique<Simulator>();
    m_work->writeConfig(m_sim->address().toLatin1() + "\r\n");
    m_forms = std::make_unique<Forms>();
}

void RcPanelTest::cleanup()
{
    m_forms.reset();
    m_sim.reset();
    m_work.reset();
}

Orvalet& RcPanelTest::showMain()
{
    Orvalet& main = *m_forms->main;
    if (!main.isVisible()) {
        main.show();
        if (!QTest::qWaitForWindowExposed(&main))
            qFatal("main panel not exposed");
    }
    return main;
}

frmExpand& RcPanelTest::showExpand()
{
    Orvalet& main = showMain();
    if (!m_forms->expand.isLoaded() || !m_forms->expand->isVisible())
        clickControl(main, "Expand");
    frmExpand& expand = *m_forms->expand;
    if (!QTest::qWaitForWindowExposed(&expand))
        qFatal("extension panel not exposed");
    return expand;
}

// The way the user opens it: Expand on the main panel, then RC.
frmRC& RcPanelTest::openPanel()
{
    clickControl(showExpand(), "RC");
    frmRC& panel = *m_forms->rc;
    if (!QTest::qWaitForWindowExposed(&panel))
        qFatal("remote control panel not exposed");
    return panel;
}

void RcPanelTest::pictureMatchesTheKeys()
{
    QSvgRenderer renderer(QStringLiteral(":/handset.svg"));
    QVERIFY(renderer.isValid());
    // One picture pixel per screen pixel: 220 x 607 px in twips.
    QCOMPARE(renderer.viewBoxF(), QRectF(0, 0, 3300, 9105));

    const QImage image = renderHandset();
    const QColor white(Qt::white);
    const QColor body = image.pixelColor(24, 100);
    // Silver-grey: light and without a hue.
    QVERIFY2(body.lightness() > 150 && body.lightness() < 230 && body.hsvSaturation() < 30,
             qPrintable(body.name()));

    // The body spans pixels 16 to 200 across and 25 to 593 down, on white.
    const auto ground = [&](int x, int y) { return difference(image.pixelColor(x, y), white) < 8; };
    QVERIFY(ground(14, 300) && !ground(17, 300));
    QVERIFY(ground(202, 300) && !ground(198, 300));
    QVERIFY(ground(108, 23) && !ground(108, 27));
    QVERIFY(ground(108, 595) && !ground(108, 591));
    for (int x = 0; x < 220; ++x) {
        for (int y = 603; y < 607; ++y)
            QVERIFY2(ground(x, y), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    }
    QVERIFY(share(image, exitRect.intersected(image.rect()),
                  [&](QColor c) { return difference(c, white) < 8; }) == 1.0);

    // Every key button lies over a drawn key, neither the body's grey nor the
    // ground, and centred on it: each half of the rectangle is covered alike.
    const auto drawn = [&](QColor c) {
        return difference(c, body) > 20 && difference(c, white) > 20;
    };
    for (const Key& key : keys) {
        const QRect r = key.px;
        const int w = r.width() / 2;
        const int h = r.height() / 2;
        const double parts[] = {
            share(image, innerHalf(r), drawn),
            share(image, QRect(r.x(), r.y(), w, r.height()), drawn),
            share(image, QRect(r.right() + 1 - w, r.y(), w, r.height()), drawn),
            share(image, QRect(r.x(), r.y(), r.width(), h), drawn),
            share(image, QRect(r.x(), r.bottom() + 1 - h, r.width(), h), drawn),
        };
        QVERIFY2(std::ranges::all_of(parts, [](double p) { return p > 0.6; }),
                 qPrintable(QStringLiteral("%1: centre %2, left %3, right %4, top %5, bottom %6")
                                .arg(QLatin1String(key.name))
                                .arg(parts[0])
                                .arg(parts[1])
                                .arg(parts[2])
                                .arg(parts[3])
                                .arg(parts[4])));
    }

    // The keys without a button are there too: SHIFT grey, two blue ovals.
    const QRect shift(72, 46, 28, 14);
    QVERIFY(share(image, shift, drawn) > 0.8);
    QVERIFY(share(image, shift, [](QColor c) { return c.hsvSaturation() < 40; }) > 0.95);
    QVERIFY(share(image, QRect(74, 83, 24, 12), isBlue) > 0.6);
    QVERIFY(share(image, QRect(118, 83, 24, 12), isBlue) > 0.9);
    // The lower end carries no key, only body and a logo.
    QVERIFY(share(image, QRect(60, 490, 96, 20), drawn) < 0.05);
    QVERIFY(share(image, QRect(60, 548, 96, 35), drawn) < 0.05);

    // Colours where they belong: the red LAME!, the colour band, the black keys.
    QVERIFY(share(image, innerHalf(QRect(91, 245, 36, 29)), isRed) > 0.4);
    QVERIFY(share(image, innerHalf(QRect(42, 406, 29, 29)), isRed) > 0.9);
    QVERIFY(share(image, innerHalf(QRect(77, 406, 29, 29)), isGreen) > 0.9);
    QVERIFY(share(image, innerHalf(QRect(112, 406, 29, 29)), isYellow) > 0.9);
    QVERIFY(share(image, innerHalf(QRect(147, 406, 29, 29)), isBlue) > 0.9);
    QVERIFY(share(image, QRect(91, 329, 36, 22), isDark) > 0.5);
    for (const int left : {49, 80, 112, 140})
        QVERIFY(share(image, QRect(left, 450, 22, 6), isDark) > 0.6);
}

void RcPanelTest::placedBesideTheMainPanel()
{
    const Orvalet& main = showMain();
    frmRC& panel = openPanel();
    QVERIFY(panel.isVisible());
    // 1024 px = 15360 twips: left 5960 twips, 3330 x 9045 twips from top 15.
    QCOMPARE(panel.geometry(), QRect(397, 1, 222, 603));
    QCOMPARE(panel.Width(), 3330.0f);
    QCOMPARE(panel.geometry().right() + 1, main.geometry().left());
    QCOMPARE(panel.y(), main.y());
    QCOMPARE(panel.baseUrl(), QStringLiteral("http://") + m_sim->address());
    QVERIFY(!panel.isTopmost());
    QVERIFY(panel.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(!(panel.windowHandle()->flags() & Qt::WindowStaysOnTopHint));
    QVERIFY(panel.testAttribute(Qt::WA_DeleteOnClose));

    const KeyButton* exit = panel.control("Exit");
    QVERIFY(exit);
    QCOMPARE(exit->toolTip(), QStringLiteral("Quit"));
    for (const Key& key : keys) {
        const KeyButton* button = panel.control(key.name);
        QVERIFY2(button, key.name);
        QVERIFY(button->isVisible());
        QVERIFY(button->toolTip().isEmpty());
    }

    // The window shows the picture unchanged (the keys have no face), the red
    // Exit square, and the button face in the two columns right of the picture.
    const QImage shown = panel.grab().toImage();
    const QImage picture = renderHandset();
    const QColor face = panel.palette().button().color();
    for (int y = 0; y < 603; ++y) {
        for (int x = 0; x < 222; ++x) {
            const QColor have = shown.pixelColor(x, y);
            if (exitRect.contains(x, y))
                continue;
            const QColor want = x < 220 ? picture.pixelColor(x, y) : face;
            if (difference(have, want) > 2)
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is %3, not %4")
                                     .arg(x)
                                     .arg(y)
                                     .arg(have.name(), want.name())));
        }
    }
    QVERIFY(isRed(shown.pixelColor(211, 1)));
    // The picture is read again for every paint: a second one shows the same.
    QCOMPARE(panel.grab().toImage(), shown);
    QCOMPARE(m_sim->targets(), QStringList());
}

void RcPanelTest::everyKeySendsItsCode()
{
    frmRC& panel = openPanel();
    QStringList expected;
    for (const Key& key : keys) {
        clickAt(panel, key.px.center());
        expected << rcTarget(key.code);
        QVERIFY2(m_sim->waitForTargets(static_cast<int>(expected.size())), key.name);
    }
    QCOMPARE(m_sim->targets(), expected);

    // A double click sends once.
    doubleClickAt(panel, QPoint(109, 144));
    clickAt(panel, QPoint(151, 144));
    expected << rcTarget(6) << rcTarget(7);
    QVERIFY(m_sim->waitForTargets(static_cast<int>(expected.size())));
    QTest::qWait(200);
    QCOMPARE(m_sim->targets(), expected);
}

void RcPanelTest::overlapsGoToTheLaterRow()
{
    frmRC& panel = openPanel();
    const struct {
        QPoint at;
        int code;
    } overlaps[] = {
        {{60, 133}, 5},    // b1 and b4: b4
        {{110, 133}, 6},   // b2 and b5: b5
        {{150, 133}, 7},   // b3 and b6: b6
        {{150, 259}, 403}, // Bouquette_up and Bouquette_down: down
        {{80, 322}, 105},  // Up and Left: Left
        {{137, 322}, 106}, // Up and Right: Right
        {{150, 364}, 393}, // Right and Video: Video
        {{80, 360}, 108},  // Left and Down: Down
        {{138, 360}, 108}, // Right and Down: Down
    };
    QStringList expected;
    for (const auto& overlap : overlaps) {
        clickAt(panel, overlap.at);
        expected << rcTarget(overlap.code);
    }
    QVERIFY(m_sim->waitForTargets(static_cast<int>(expected.size())));
    QTest::qWait(200);
    QCOMPARE(m_sim->targets(), expected);
}

void RcPanelTest::clicksOffTheKeysSendNothing()
{
    frmRC& panel = openPanel();
    for (const QPoint& at : deadPoints)
        clickAt(panel, at);
    // Just outside a key's rectangle, on each side.
    const QRect mute(91, 224, 36, 15);
    for (const QPoint& at : {mute.topLeft() - QPoint(1, 0), mute.bottomRight() + QPoint(1, 0),
                             mute.topLeft() - QPoint(0, 1), mute.bottomLeft() + QPoint(0, 1)})
        clickAt(panel, at);
    QTest::qWait(300);
    QCOMPARE(m_sim->targets(), QStringList());
    QVERIFY(panel.isVisible());
}

void RcPanelTest::addressReadOnceAtFirstTouch()
{
    Orvalet& main = showMain();
    showExpand();
    // The file changes after start: the panel's first touch reads the new address.
    Simulator second;
    m_work->writeConfig(second.address().toLatin1());
    frmRC& panel = openPanel();
    QCOMPARE(panel.baseUrl(), QStringLiteral("http://") + second.address());
    clickAt(panel, QPoint(109, 200)); // b0
    clickControl(main, "Mute");
    QVERIFY(second.waitForTargets(1));
    QVERIFY(m_sim->waitForTargets(1));
    QCOMPARE(second.targets(), QStringList({rcTarget(11)}));
    QCOMPARE(m_sim->targets(), QStringList({rcTarget(113)}));

    // Exit, then RC: the same panel at the same place; the file is not read again.
    m_work->writeConfig(m_sim->address().toLatin1());
    const QRect place = panel.geometry();
    const frmRC* before = &panel;
    clickAt(panel, exitRect.center());
    QTRY_VERIFY(!panel.isVisible());
    QVERIFY(m_forms->rc.isLoaded());
    QVERIFY(main.isVisible());
    QVERIFY(m_forms->expand->isVisible());
    clickControl(*m_forms->expand, "RC");
    QTRY_VERIFY(m_forms->rc->isVisible());
    QCOMPARE(&*m_forms->rc, before);
    QCOMPARE(panel.geometry(), place);
    QCOMPARE(panel.baseUrl(), QStringLiteral("http://") + second.address());
    clickAt(panel, QPoint(63, 122)); // b1
    QVERIFY(second.waitForTargets(2));
    QTest::qWait(200);
    QCOMPARE(second.targets(), QStringList({rcTarget(11), rcTarget(2)}));
    QCOMPARE(m_sim->targets(), QStringList({rcTarget(113)}));

    // RC toggles: a second press hides it.
    clickControl(*m_forms->expand, "RC");
    QTRY_VERIFY(!panel.isVisible());
}

void RcPanelTest::independentOfTheExtensionPanel()
{
    Orvalet& main = showMain();
    frmRC& panel = openPanel();

    clickControl(main, "Expand");
    QTRY_VERIFY(!m_forms->expand->isVisible());
    QVERIFY(panel.isVisible());
    clickAt(panel, QPoint(91, 420)); // Green
    QVERIFY(m_sim->waitForTargets(1));
    QCOMPARE(m_sim->targets(), QStringList({rcTarget(399)}));

    // Always on top switched on: the two bars go up, this panel stays in the normal band.
    frmExpand& expand = showExpand();
    QVERIFY(panel.isVisible());
    clickControl(expand, "AOToff");
    QTRY_VERIFY(main.isTopmost());
    QVERIFY(expand.isTopmost());
    QVERIFY(!panel.isTopmost());
    QVERIFY(!(panel.windowHandle()->flags() & Qt::WindowStaysOnTopHint));
    clickControl(expand, "RC");
    QTRY_VERIFY(!panel.isVisible());
    clickControl(expand, "RC");
    QTRY_VERIFY(panel.isVisible());
    QVERIFY(!(panel.windowHandle()->flags() & Qt::WindowStaysOnTopHint));
    clickAt(panel, QPoint(161, 420)); // Blue
    QVERIFY(m_sim->waitForTargets(2));
    QCOMPARE(m_sim->targets().at(1), rcTarget(401));
}

void RcPanelTest::closedByTheWindowSystemLoadsAfresh()
{
    frmRC& panel = openPanel();
    QPointer<frmRC> first(&panel);
    panel.close();
    QTRY_VERIFY(first.isNull());
    QVERIFY(!m_forms->rc.isLoaded());
    QVERIFY(m_forms->main->isVisible());
    QVERIFY(m_forms->expand->isVisible());

    Simulator second;
    m_work->writeConfig(second.address().toLatin1());
    clickControl(*m_forms->expand, "RC");
    frmRC& again = *m_forms->rc;
    QTRY_VERIFY(again.isVisible());
    QCOMPARE(again.geometry(), QRect(397, 1, 222, 603));
    QCOMPARE(again.baseUrl(), QStringLiteral("http://") + second.address());
    clickAt(again, QPoint(60, 459)); // TV
    QVERIFY(second.waitForTargets(1));
    QCOMPARE(second.targets(), QStringList({rcTarget(385)}));
}

QTEST_MAIN(RcPanelTest)
#include "test_rcpanel.moc"
