// The remote control panel of the real program under Xvfb and openbox, opened
// from the bars and clicked at screen positions.

#include "support/desktop.h"
#include "support/simulator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Key {
    const char* name;
    QRect px;
    int code;
};

// One or more keys of every row of the handset, in pixels of the panel.
const Key someKeys[] = {
    {"Power", {112, 42, 36, 22}, 116},  {"b1", {42, 112, 43, 22}, 2},
    {"b9", {133, 161, 36, 22}, 10},     {"Previous", {42, 189, 43, 22}, 412},
    {"b0", {91, 189, 36, 22}, 11},      {"Next", {133, 189, 36, 22}, 407},
    {"Mute", {91, 224, 36, 15}, 113},   {"Volume_up", {42, 231, 29, 22}, 115},
    {"Lame", {91, 245, 36, 29}, 1},     {"Bouquette_down", {133, 259, 36, 29}, 403},
    {"Info", {35, 294, 29, 22}, 358},   {"Up", {77, 294, 64, 29}, 103},
    {"OK", {91, 329, 36, 22}, 352},     {"Right", {133, 322, 29, 43}, 106},
    {"Video", {147, 364, 29, 29}, 393}, {"Red", {42, 406, 29, 29}, 398},
    {"Blue", {147, 406, 29, 29}, 401},  {"TV", {49, 448, 22, 22}, 385},
    {"Radio", {77, 448, 29, 22}, 377},  {"Help", {140, 448, 22, 22}, 138},
};

// Twips rectangles of the bars' buttons, from each bar's top-left corner.
const QRect expandButton(4284, 169, 150, 150);
const QRect rcButton(3990, 60, 240, 240);
const QRect aotOffButton(4200, 75, 210, 210);
const QRect exitPx(210, 0, 13, 13);

bool viewable(const Desktop& desktop, qint64 pid, const QString& role)
{
    for (const Desktop::Window& w : desktop.windowsOf(pid)) {
        if (w.role == role && w.viewable)
            return true;
    }
    return false;
}

} // namespace

class RcPanelEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void openedFromTheBarsSendsAndHides();
    void missingAddressFileAtFirstOpening();

private:
    // Starts at the main bar and opens the extension bar; returns both windows.
    void openExtension(const Program& program, Desktop::Window* bar, Desktop::Window* extension);

    std::unique_ptr<Desktop> m_desktop;
};

void RcPanelEndToEnd::initTestCase() { m_desktop = std::make_unique<Desktop>(QSize(1024, 768)); }

void RcPanelEndToEnd::cleanupTestCase() { m_desktop.reset(); }

void RcPanelEndToEnd::openExtension(const Program& program, Desktop::Window* bar,
                                    Desktop::Window* extension)
{
    QVERIFY(m_desktop->waitForWindow(program.pid(), QStringLiteral("Orvalet"), bar));
    m_desktop->click(centreOnScreen(bar->geometry, expandButton));
    QVERIFY(m_desktop->waitForWindow(program.pid(), QStringLiteral("frmExpand"), extension));
}

void RcPanelEndToEnd::openedFromTheBarsSendsAndHides()
{
    Simulator sim;
    QTemporaryDir work;
    writeFile(work.filePath(QStringLiteral("config.txt")), sim.address().toLatin1() + "\r\n");
    Program program(*m_desktop, work.path());
    Desktop::Window bar;
    Desktop::Window extension;
    openExtension(program, &bar, &extension);
    QVERIFY(!viewable(*m_desktop, program.pid(), QStringLiteral("frmRC")));

    m_desktop->click(centreOnScreen(extension.geometry, rcButton));
    Desktop::Window rc;
    QVERIFY(m_desktop->waitForWindow(program.pid(), QStringLiteral("frmRC"), &rc));
    QCOMPARE(rc.geometry, QRect(397, 1, 222, 603));
    QCOMPARE(rc.geometry.right() + 1, bar.geometry.left());
    QVERIFY2(rc.states.contains(QStringLiteral("SKIP_TASKBAR")), qPrintable(rc.states.join(',')));
    QVERIFY(!rc.states.contains(QStringLiteral("ABOVE")));
    QCOMPARE(sim.targets(), QStringList());

    m_desktop->screenshot(
        QDir(QStringLiteral(SCREENSHOT_DIR)).filePath(QStringLiteral("rc-panel.png")));

    QStringList expected;
    for (const Key& key : someKeys) {
        m_desktop->click(rc.geometry.topLeft() + key.px.center());
        expected << rcTarget(key.code);
    }
    // The SHIFT key and a blue oval have no button.
    m_desktop->click(rc.geometry.topLeft() + QPoint(86, 53));
    m_desktop->click(rc.geometry.topLeft() + QPoint(130, 89));
    QVERIFY(sim.waitForTargets(static_cast<int>(expected.size())));
    QTest::qWait(300);
    QCOMPARE(sim.targets(), expected);

    // Exit hides this panel only.
    m_desktop->click(rc.geometry.topLeft() + exitPx.center());
    QVERIFY(m_desktop->waitUntilGone(program.pid(), QStringLiteral("frmRC")));
    QVERIFY(viewable(*m_desktop, program.pid(), QStringLiteral("Orvalet")));
    QVERIFY(viewable(*m_desktop, program.pid(), QStringLiteral("frmExpand")));

    // With the bars on top, RC shows the panel again where it was, not on top.
    m_desktop->click(centreOnScreen(extension.geometry, aotOffButton));
    QTRY_VERIFY(m_desktop->window(bar.id).states.contains(QStringLiteral("ABOVE")));
    m_desktop->click(centreOnScreen(extension.geometry, rcButton));
    QVERIFY(m_desktop->waitForWindow(program.pid(), QStringLiteral("frmRC"), &rc));
    QCOMPARE(rc.geometry, QRect(397, 1, 222, 603));
    QVERIFY2(!rc.states.contains(QStringLiteral("ABOVE")), qPrintable(rc.states.join(',')));
    QVERIFY(rc.states.contains(QStringLiteral("SKIP_TASKBAR")));

    // Expand hides the extension bar; this panel stays and keeps sending.
    m_desktop->click(centreOnScreen(bar.geometry, expandButton));
    QVERIFY(m_desktop->waitUntilGone(program.pid(), QStringLiteral("frmExpand")));
    QVERIFY(viewable(*m_desktop, program.pid(), QStringLiteral("frmRC")));
    m_desktop->click(rc.geometry.topLeft() + QPoint(63, 122)); // b1
    expected << rcTarget(2);
    QVERIFY(sim.waitForTargets(static_cast<int>(expected.size())));
    QCOMPARE(sim.targets(), expected);
}

void RcPanelEndToEnd::missingAddressFileAtFirstOpening()
{
    Simulator sim;
    QTemporaryDir work;
    const QString config = work.filePath(QStringLiteral("config.txt"));
    writeFile(config, sim.address().toLatin1());
    Program program(*m_desktop, work.path());
    Desktop::Window bar;
    Desktop::Window extension;
    openExtension(program, &bar, &extension);

    // Removed since start: the first RC ends the program with a message.
    QVERIFY(QFile::remove(config));
    m_desktop->click(centreOnScreen(extension.geometry, rcButton));
    // The message box has the program's title and no role.
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            for (const Desktop::Window& w : m_desktop->windowsOf(program.pid())) {
                if (w.viewable && w.role.isEmpty() && w.title == QLatin1String("Orvalet"))
                    return true;
            }
            return false;
        }(),
        10000);
    QVERIFY(!viewable(*m_desktop, program.pid(), QStringLiteral("frmRC")));
    m_desktop->key(QStringLiteral("Return"));
    QVERIFY(program.waitForExit(5000));
    QCOMPARE(program.exitCode(), 1);
    const QString said = program.errorOutput();
    QVERIFY2(said.contains(QStringLiteral("File not found")), qPrintable(said));
    QCOMPARE(sim.targets(), QStringList());
}

QTEST_GUILESS_MAIN(RcPanelEndToEnd)
#include "test_e2e_rc.moc"
