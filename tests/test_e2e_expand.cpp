// The extension bar and its always-on-top switch, on a real window manager.

#include "support/desktop.h"
#include "support/simulator.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QRect barOnScreen(619, 1, 298, 25);
const QRect expandOnScreen(619, 26, 298, 25);

const QPoint expandButton = centreOnScreen(barOnScreen, QRect(4284, 169, 150, 150));
const QPoint switchButton = centreOnScreen(expandOnScreen, QRect(4200, 75, 210, 210));

} // namespace

class ExpandPanelEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void extensionKeysAndTheSwitch();

private:
    QColor switchColour();
    void coverTheBarWith(const QString& window);

    std::unique_ptr<Desktop> m_desktop;
};

void ExpandPanelEndToEnd::initTestCase()
{
    m_desktop = std::make_unique<Desktop>(QSize(1024, 768));
}

void ExpandPanelEndToEnd::cleanupTestCase() { m_desktop.reset(); }

QColor ExpandPanelEndToEnd::switchColour()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("screen.png"));
    m_desktop->screenshot(path);
    // The triangle's body, a little below its centre.
    return QImage(path).pixelColor(switchButton + QPoint(0, 3));
}

void ExpandPanelEndToEnd::coverTheBarWith(const QString& window)
{
    m_desktop->run(QStringLiteral("xdotool"),
                   {QStringLiteral("windowmove"), QStringLiteral("--sync"), window,
                    QStringLiteral("560"), QStringLiteral("0")});
    m_desktop->run(QStringLiteral("xdotool"),
                   {QStringLiteral("windowactivate"), QStringLiteral("--sync"), window});
    QTest::qWait(300);
}

void ExpandPanelEndToEnd::extensionKeysAndTheSwitch()
{
    Simulator sim;
    QTemporaryDir work;
    QFile config(work.filePath(QStringLiteral("config.txt")));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(sim.address().toLatin1() + "\n");
    config.close();
    Program program(*m_desktop, work.path());

    Desktop::Window bar;
    QVERIFY(m_desktop->waitForWindow(program.pid(), QStringLiteral("Orvalet"), &bar));
    m_desktop->click(expandButton);
    Desktop::Window expand;
    QVERIFY(m_desktop->waitForWindow(program.pid(), QStringLiteral("frmExpand"), &expand));
    QCOMPARE(expand.geometry, expandOnScreen);
    QVERIFY(expand.states.contains(QStringLiteral("SKIP_TASKBAR")));
    QVERIFY(!expand.states.contains(QStringLiteral("ABOVE")));
    QVERIFY(switchColour().red() > 200 && switchColour().green() < 60);

    // The five keys, left to right.
    m_desktop->click(centreOnScreen(expandOnScreen, QRect(525, 70, 240, 240)));
    m_desktop->click(centreOnScreen(expandOnScreen, QRect(840, 70, 240, 240)));
    m_desktop->click(centreOnScreen(expandOnScreen, QRect(1155, 70, 240, 240)));
    m_desktop->click(centreOnScreen(expandOnScreen, QRect(1470, 70, 240, 240)));
    m_desktop->click(centreOnScreen(expandOnScreen, QRect(2205, 45, 225, 255)));
    QVERIFY(sim.waitForTargets(5));
    QCOMPARE(sim.targets(), QStringList({rcTarget(141), rcTarget(393), rcTarget(1), rcTarget(352),
                                         rcTarget(116)}));

    // A window of another program over the left part of both bars, active: it
    // covers them, and leaves the switch and Expand free to click.
    QProcess other;
    other.setProcessEnvironment(m_desktop->environment());
    other.start(QStringLiteral("xmessage"),
                {QStringLiteral("-name"), QStringLiteral("covering"), QStringLiteral("-geometry"),
                 QStringLiteral("250x60+560+0"), QStringLiteral("a window of another program")});
    QVERIFY(other.waitForStarted());
    QString otherId;
    const auto findOther = [&] {
        otherId = m_desktop
                      ->run(QStringLiteral("xdotool"),
                            {QStringLiteral("search"), QStringLiteral("--classname"),
                             QStringLiteral("covering")})
                      .section(QLatin1Char('\n'), 0, 0)
                      .trimmed();
        return !otherId.isEmpty();
    };
    QTRY_VERIFY_WITH_TIMEOUT(findOther(), 10000);
    coverTheBarWith(otherId);
    QCOMPARE(m_desktop->topmostOf({bar.id, otherId}), otherId);

    // Watch for any unmap of the two bars while the switch works.
    QProcess watch;
    watch.setProcessEnvironment(m_desktop->environment());
    watch.start(QStringLiteral("sh"),
                {QStringLiteral("-c"), QStringLiteral("xev -event structure -id %1 & "
                                                      "xev -event structure -id %2 & wait")
                                           .arg(bar.id, expand.id)});
    QVERIFY(watch.waitForStarted());
    QTest::qWait(500);

    m_desktop->click(switchButton);
    QTRY_VERIFY_WITH_TIMEOUT(m_desktop->window(bar.id).states.contains(QStringLiteral("ABOVE")),
                             5000);
    QVERIFY(m_desktop->window(expand.id).states.contains(QStringLiteral("ABOVE")));
    QVERIFY(switchColour().green() > 200 && switchColour().red() < 60);
    QCOMPARE(m_desktop->run(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")})
                 .trimmed()
                 .toULongLong(),
             expand.id.toULongLong(nullptr, 0));
    coverTheBarWith(otherId);
    QCOMPARE(m_desktop->topmostOf({bar.id, otherId}), bar.id);
    QCOMPARE(m_desktop->topmostOf({expand.id, otherId}), expand.id);

    // Hidden and shown again, the extension bar is still on top and still green.
    m_desktop->click(expandButton);
    QVERIFY(m_desktop->waitUntilGone(program.pid(), QStringLiteral("frmExpand")));
    QVERIFY(m_desktop->window(bar.id).states.contains(QStringLiteral("ABOVE")));
    m_desktop->click(expandButton);
    Desktop::Window again;
    QVERIFY(m_desktop->waitForWindow(program.pid(), QStringLiteral("frmExpand"), &again));
    QVERIFY2(again.states.contains(QStringLiteral("ABOVE")), qPrintable(again.states.join(',')));
    QVERIFY(again.states.contains(QStringLiteral("SKIP_TASKBAR")));
    QCOMPARE(again.geometry, expandOnScreen);
    QVERIFY(switchColour().green() > 200);

    m_desktop->click(switchButton);
    QTRY_VERIFY_WITH_TIMEOUT(!m_desktop->window(bar.id).states.contains(QStringLiteral("ABOVE")),
                             5000);
    QVERIFY(!m_desktop->window(again.id).states.contains(QStringLiteral("ABOVE")));
    QVERIFY(switchColour().red() > 200 && switchColour().green() < 60);
    coverTheBarWith(otherId);
    QCOMPARE(m_desktop->topmostOf({bar.id, otherId}), otherId);

    QCOMPARE(m_desktop->window(bar.id).geometry, barOnScreen);
    m_desktop->screenshot(
        QDir(QStringLiteral(SCREENSHOT_DIR)).filePath(QStringLiteral("expand-panel.png")));

    // The bar never unmapped; the extension bar only when Expand hid it.
    watch.kill();
    watch.waitForFinished();
    const QString events = QString::fromUtf8(watch.readAllStandardOutput());
    QCOMPARE(events.count(QStringLiteral("UnmapNotify")), 1);

    other.kill();
    other.waitForFinished();
    QCOMPARE(sim.targets().size(), 5);
}

QTEST_GUILESS_MAIN(ExpandPanelEndToEnd)
#include "test_e2e_expand.moc"
