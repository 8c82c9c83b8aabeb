#include "panels/expandpanel.h"
#include "panels/forms.h"
#include "panels/mainpanel.h"
#include "support/panelclicks.h"
#include "support/simulator.h"
#include "support/workdir.h"

#include <QPointer>
#include <QTest>

using namespace orvalet;

class ExpandPanelTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void placedFlushBeneathTheBar();
    void firstExpandReadsTheFileAgain();
    void expandTogglesWithoutReloading();
    void keysSendTheirCodes();
    void alwaysOnTopSwitch();
    void closedByTheWindowSystemComesBackFresh();

private:
    frmExpand& clickExpand();
    Orvalet& main() { return *m_forms->main; }

    std::unique_ptr<WorkDir> m_work;
    std::unique_ptr<Simulator> m_sim;
    std::unique_ptr<Forms> m_forms;
};

void ExpandPanelTest::init()
{
    m_work = std::make_unique<WorkDir>();
    m_sim = std::make_unique<Simulator>();
    m_work->writeConfig(m_sim->address().toLatin1() + "\n");
    m_forms = std::make_unique<Forms>();
    main().show();
    QVERIFY(QTest::qWaitForWindowExposed(&main()));
}

void ExpandPanelTest::cleanup()
{
    m_forms.reset();
    m_sim.reset();
    m_work.reset();
}

frmExpand& ExpandPanelTest::clickExpand()
{
    clickControl(main(), "Expand");
    return *m_forms->expand;
}

void ExpandPanelTest::placedFlushBeneathTheBar()
{
    QVERIFY(!m_forms->expand.isLoaded());
    frmExpand& panel = clickExpand();
    QVERIFY(panel.isVisible());
    // 1024 px screen: left 9290 twips like the bar, top 390 twips, the bar's bottom edge.
    QCOMPARE(panel.geometry(), QRect(619, 26, 298, 25));
    QCOMPARE(panel.geometry().top(), main().geometry().bottom() + 1);
    QCOMPARE(panel.windowTitle(), QStringLiteral("Form1"));
    QVERIFY(!panel.isTopmost());
    QVERIFY(panel.control("AOToff")->isVisible());
    QVERIFY(!panel.control("AOTon")->isVisible());

    const std::pair<const char*, const char*> buttons[] = {
        {"Dream", "Dream"},
        {"Video", "Video"},
        {"Lame", "Lame"},
        {"OK", "OK"},
        {"Power", "Power"},
        {"RC", "Remote Control"},
        {"AOToff", "Always On Top Disabled"},
        {"AOTon", "Always On Top Enabled"},
    };
    for (const auto& [name, tooltip] : buttons) {
        QVERIFY2(panel.control(name)->hasFace(), name);
        QCOMPARE(panel.control(name)->toolTip(), QString::fromUtf8(tooltip));
    }
}

void ExpandPanelTest::firstExpandReadsTheFileAgain()
{
    Simulator second;
    m_work->writeConfig(second.address().toLatin1());
    frmExpand& panel = clickExpand();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));

    clickControl(panel, "Dream");
    clickControl(main(), "Mute");
    QVERIFY(second.waitForTargets(1));
    QVERIFY(m_sim->waitForTargets(1));
    QTest::qWait(200);
    QCOMPARE(second.targets(), QStringList({rcTarget(141)}));
    QCOMPARE(m_sim->targets(), QStringList({rcTarget(113)}));
}

void ExpandPanelTest::expandTogglesWithoutReloading()
{
    QPointer<frmExpand> first = &clickExpand();
    QVERIFY(first->isVisible());
    clickControl(main(), "Expand");
    QVERIFY(first);
    QVERIFY(!first->isVisible());

    // Had the third click loaded the panel again, it would now send to the second receiver.
    Simulator second;
    m_work->writeConfig(second.address().toLatin1());
    frmExpand& again = clickExpand();
    QCOMPARE(&again, first.data());
    QVERIFY(again.isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    clickControl(again, "Power");
    QVERIFY(m_sim->waitForTargets(1));
    QCOMPARE(m_sim->targets(), QStringList({rcTarget(116)}));
    QCOMPARE(second.targets(), QStringList());
}

void ExpandPanelTest::keysSendTheirCodes()
{
    frmExpand& panel = clickExpand();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    for (const char* key : {"Dream", "Video", "Lame", "OK", "Power"})
        clickControl(panel, key);
    doubleClickAt(panel, centreOf(panel, "OK"));
    clickControl(panel, "Lame");
    QVERIFY(m_sim->waitForTargets(7));
    QTest::qWait(200);
    QCOMPARE(m_sim->targets(),
             QStringList({rcTarget(141), rcTarget(393), rcTarget(1), rcTarget(352), rcTarget(116),
                          rcTarget(352), rcTarget(1)}));
}

void ExpandPanelTest::alwaysOnTopSwitch()
{
    frmExpand& panel = clickExpand();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    const QRect before = panel.geometry();

    clickControl(panel, "AOToff");
    QVERIFY(main().isTopmost());
    QVERIFY(panel.isTopmost());
    QVERIFY(panel.control("AOTon")->isVisible());
    QVERIFY(!panel.control("AOToff")->isVisible());
    QVERIFY(panel.isVisible());
    QCOMPARE(panel.geometry(), before);

    // Hiding the panel keeps the state; showing it again shows the green switch.
    clickControl(main(), "Expand");
    clickControl(main(), "Expand");
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QVERIFY(main().isTopmost());
    QVERIFY(panel.isTopmost());
    QVERIFY(panel.control("AOTon")->isVisible());

    clickControl(panel, "AOTon");
    QVERIFY(!main().isTopmost());
    QVERIFY(!panel.isTopmost());
    QVERIFY(!panel.control("AOTon")->isVisible());
    QVERIFY(panel.control("AOToff")->isVisible());
    QCOMPARE(m_sim->targets(), QStringList());
}

void ExpandPanelTest::closedByTheWindowSystemComesBackFresh()
{
    QPointer<frmExpand> first = &clickExpand();
    QVERIFY(QTest::qWaitForWindowExposed(first.data()));
    clickControl(*first, "AOToff");
    QVERIFY(main().isTopmost());

    first->close();
    QVERIFY(first);
    QVERIFY(!m_forms->expand.isLoaded());

    Simulator second;
    m_work->writeConfig(second.address().toLatin1());
    // Touched again before the closed one is deleted: a fresh panel all the same.
    frmExpand& fresh = clickExpand();
    QVERIFY(&fresh != first.data());
    QTRY_VERIFY(first.isNull());
    QVERIFY(QTest::qWaitForWindowExposed(&fresh));
    // Loaded afresh: red switch, not topmost, new address; the bar stays topmost.
    QVERIFY(fresh.control("AOToff")->isVisible());
    QVERIFY(!fresh.isTopmost());
    QVERIFY(main().isTopmost());
    clickControl(fresh, "Video");
    QVERIFY(second.waitForTargets(1));
    QCOMPARE(second.targets(), QStringList({rcTarget(393)}));
}

QTEST_MAIN(ExpandPanelTest)
#include "test_expandpanel.moc"
