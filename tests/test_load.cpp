// A thousand presses on the main and extension panels, as fast as the event
// loop takes the clicks, against a receiver that answers at once.

#include "panels/expandpanel.h"
#include "panels/forms.h"
#include "panels/mainpanel.h"
#include "receiver/browser.h"
#include "receiver/keytable.h"
#include "support/meters.h"
#include "support/panelclicks.h"
#include "support/panels.h"
#include "support/simulator.h"
#include "support/workdir.h"

#include <QHash>
#include <QTest>

#include <random>

using namespace orvalet;

class LoadTest : public QObject {
    Q_OBJECT

private slots:
    void thousandPresses();
};

void LoadTest::thousandPresses()
{
    constexpr int presses = 1000;
    WorkDir work;
    Simulator sim;
    work.writeConfig(sim.address().toLatin1() + "\r\n");
    Forms forms;
    Orvalet& main = showMainPanel(forms);
    frmExpand& expand = openExtensionPanel(forms);

    // The two panels send disjoint codes, so the log tells which panel a request came from.
    struct Panel {
        CommandPanel& window;
        PanelId id;
        std::span<const char* const> keys;
        QStringList pressed;
        QStringList received;
    };
    Panel panels[] = {{main, PanelId::Main, mainKeys, {}, {}},
                      {expand, PanelId::Expand, extensionKeys, {}, {}}};
    std::minstd_rand pick(20240607);

    const qint64 before = residentKiB();
    resetPeakMemory();
    StallMeter meter;
    QElapsedTimer clock;
    clock.start();
    int done = 0;
    QTimer presser;
    connect(&presser, &QTimer::timeout, this, [&] {
        Panel& panel = panels[pick() % 2];
        const char* key = panel.keys[pick() % panel.keys.size()];
        clickControl(panel.window, key);
        panel.pressed << rcTarget(*keyCode(panel.id, key));
        if (++done == presses)
            presser.stop();
    });
    presser.start(0);
    const bool delivered = runUntil([&] { return sim.targets().size() >= presses; }, 30000);
    const qint64 took = clock.elapsed();
    QVERIFY(runUntil(
        [&] {
            return !main.browser().isLoading() && !expand.browser().isLoading() &&
                   main.browser().pendingCount() == 0 && expand.browser().pendingCount() == 0;
        },
        5000));
    qInfo("%d presses delivered in %lld ms; worst gap %lld ms; resident %+lld KiB, peak %+lld KiB",
          presses, took, meter.worstGapMs(), residentKiB() - before, peakResidentKiB() - before);
    QVERIFY(delivered);
    QTest::qWait(200);

    const QStringList targets = sim.targets();
    QCOMPARE(targets.size(), presses);
    QHash<QString, Panel*> sender;
    for (Panel& panel : panels) {
        for (const char* key : panel.keys) {
            const QString target = rcTarget(*keyCode(panel.id, key));
            QVERIFY(!sender.contains(target));
            sender.insert(target, &panel);
        }
    }
    for (const QString& target : targets)
        sender.value(target, &panels[0])->received << target;
    for (const Panel& panel : panels) {
        QCOMPARE(panel.received, panel.pressed);
        QCOMPARE(panel.window.browser().givenUp(), 0u);
    }
    QVERIFY2(!memoryIsMeasurable || peakResidentKiB() - before < 8 * 1024,
             "the presses grew the process");
}

QTEST_MAIN(LoadTest)
#include "test_load.moc"
