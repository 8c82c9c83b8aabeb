#include "panels/forms.h"
#include "panels/mainpanel.h"
#include "receiver/browser.h"
#include "receiver/keytable.h"
#include "support/meters.h"
#include "support/panelclicks.h"
#include "support/simulator.h"
#include "support/workdir.h"

#include <QElapsedTimer>
#include <QTest>

using namespace orvalet;

namespace {

constexpr const char* playerKeys[] = {"Previous", "Play",      "Pause",       "Stop",
                                      "Next",     "Volume_up", "Volume_down", "Mute"};

} // namespace

class MainPanelTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void placedAtTheTopRight();
    void facesAndTooltips();
    void eachKeySendsItsCode();
    void doubleClickSendsOnce();
    void rapidPressesArriveInOrder();
    void clicksOffTheKeysSendNothing();
    void receiverOffThenBack();
    void silentReceiverDoesNotFreeze();

private:
    Orvalet& showPanel();

    std::unique_ptr<WorkDir> m_work;
    std::unique_ptr<Simulator> m_sim;
    std::unique_ptr<Forms> m_forms;
};

void MainPanelTest::init()
{
    m_work = std::make_unique<WorkDir>();
    m_sim = std::make_unique<Simulator>();
    m_work->writeConfig(m_sim->address().toLatin1() + "\r\n");
    m_forms = std::make_unique<Forms>();
}

void MainPanelTest::cleanup()
{
    m_forms.reset();
    m_sim.reset();
    m_work.reset();
}

Orvalet& MainPanelTest::showPanel()
{
    Orvalet& panel = *m_forms->main;
    panel.show();
    if (!QTest::qWaitForWindowExposed(&panel))
        qFatal("main panel not exposed");
    return panel;
}

void MainPanelTest::placedAtTheTopRight()
{
    Orvalet& panel = showPanel();
    // 1024 px = 15360 twips: left 9290 twips, top 15 twips, 4470 x 375 twips.
    QCOMPARE(panel.geometry(), QRect(619, 1, 298, 25));
    QCOMPARE(panel.baseUrl(), QStringLiteral("http://") + m_sim->address());
    QVERIFY(!panel.isTopmost());
    QVERIFY(panel.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(!m_forms->expand.isLoaded());
    QCOMPARE(m_sim->targets(), QStringList());
}

void MainPanelTest::facesAndTooltips()
{
    Orvalet& panel = showPanel();
    const std::pair<const char*, const char*> buttons[] = {
        {"Previous", "Previous"},
        {"Play", "Play"},
        {"Pause", "Pause"},
        {"Stop", "Stop"},
        {"Next", "Next"},
        {"Volume_up", "Volume Up"},
        {"Volume_down", "Volume Down"},
        {"Mute", "Mute"},
        {"Exit_p", "Quit"},
        {"Expand", "Expand panel"},
    };
    for (const auto& [name, tooltip] : buttons) {
        const KeyButton* button = panel.control(name);
        QVERIFY2(button && button->isVisible(), name);
        QVERIFY2(button->hasFace(), name);
        QCOMPARE(button->toolTip(), QString::fromUtf8(tooltip));
    }
    // The emblem's click area is invisible: no face of its own over the background.
    QVERIFY(!panel.control("Info")->hasFace());
    QCOMPARE(panel.control("Info")->geometry(), QRect(0, 0, 22, 22));
    QCOMPARE(panel.control("Info")->toolTip(), QStringLiteral("Info"));
}

void MainPanelTest::eachKeySendsItsCode()
{
    Orvalet& panel = showPanel();
    QStringList expected;
    for (const char* key : playerKeys) {
        clickControl(panel, key);
        expected << rcTarget(*keyCode(PanelId::Main, key));
        QVERIFY(m_sim->waitForTargets(static_cast<int>(expected.size())));
    }
    QCOMPARE(m_sim->targets(), expected);
    QCOMPARE(expected.first(), rcTarget(105));
    QCOMPARE(expected.last(), rcTarget(113));
    const QString line = m_sim->lines().constLast();
    QVERIFY2(line.startsWith(QStringLiteral("GET /cgi-bin/rc?113 HTTP/1.1")), qPrintable(line));
}

void MainPanelTest::doubleClickSendsOnce()
{
    Orvalet& panel = showPanel();
    doubleClickAt(panel, centreOf(panel, "Play"));
    clickControl(panel, "Stop");
    QVERIFY(m_sim->waitForTargets(2));
    QTest::qWait(200);
    QCOMPARE(m_sim->targets(), QStringList({rcTarget(399), rcTarget(385)}));
}

void MainPanelTest::rapidPressesArriveInOrder()
{
    Orvalet& panel = showPanel();
    QStringList expected;
    for (int i = 0; i < 60; ++i) {
        const char* key = playerKeys[i % 8];
        clickControl(panel, key);
        expected << rcTarget(*keyCode(PanelId::Main, key));
    }
    QVERIFY(m_sim->waitForTargets(60));
    QCOMPARE(m_sim->targets(), expected);
}

void MainPanelTest::clicksOffTheKeysSendNothing()
{
    Orvalet& panel = showPanel();
    // Between the transport keys, and on the plain bar left of the stacked squares.
    clickAt(panel, QPoint(66, 12));
    clickAt(panel, QPoint(240, 12));
    // Under the emblem lies the hidden view; the Info area takes the click there.
    clickAt(panel, QPoint(10, 10));
    QTest::qWait(300);
    QCOMPARE(m_sim->targets(), QStringList());
    QVERIFY(!m_forms->expand.isLoaded());
}

void MainPanelTest::receiverOffThenBack()
{
    Orvalet& panel = showPanel();
    const quint16 port = m_sim->port();
    m_sim.reset();

    clickControl(panel, "Mute");
    clickControl(panel, "Play");
    QTRY_VERIFY_WITH_TIMEOUT(!panel.browser().isLoading(), 5000);
    QVERIFY(!messageBoxShown());
    QVERIFY(panel.isVisible());

    m_sim = std::make_unique<Simulator>(QStringLiteral("ok"), port);
    clickControl(panel, "Pause");
    QVERIFY(m_sim->waitForTargets(1));
    QCOMPARE(m_sim->targets(), QStringList({rcTarget(400)}));
}

void MainPanelTest::silentReceiverDoesNotFreeze()
{
    m_sim = std::make_unique<Simulator>(QStringLiteral("hang"));
    m_work->writeConfig(m_sim->address().toLatin1());
    Orvalet& panel = showPanel();

    StallMeter meter;
    QElapsedTimer clock;
    clock.start();
    for (const char* key : playerKeys)
        clickControl(panel, key);
    const qint64 pressTime = clock.elapsed();
    QVERIFY(m_sim->waitForTargets(1));
    QTest::qWait(500);
    qInfo("worst gap of the event loop: %lld ms, 8 presses took %lld ms", meter.worstGapMs(),
          pressTime);
    QVERIFY(meter.worstGapMs() < 100);
    QVERIFY(!messageBoxShown());
    // One request at a time: the rest wait behind the silent one, and get their turn.
    QCOMPARE(m_sim->targets(), QStringList({rcTarget(105)}));
    QCOMPARE(panel.browser().pendingCount(), std::size_t{7});
    QVERIFY(m_sim->waitForTargets(2, Browser::requestDeadlineMs + 2000));
    QCOMPARE(m_sim->targets().at(1), rcTarget(399));
}

QTEST_MAIN(MainPanelTest)
#include "test_mainpanel.moc"
