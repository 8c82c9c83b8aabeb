// The about box of the real program under Xvfb and openbox, opened from the bar.

#include "support/desktop.h"
#include "support/simulator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The middle of a control designed in twips, in pixels from its window's corner.
constexpr QPoint centre(int left, int top, int width, int height)
{
    return {(left + width / 2) / 15, (top + height / 2) / 15};
}

// On the bar: the emblem's Info area, Play, Quit and Expand; on the extension
// bar, the always-on-top switch.
constexpr QPoint infoArea = centre(0, 0, 330, 330);
constexpr QPoint playKey = centre(1050, 90, 195, 195);
constexpr QPoint quitKey = centre(4284, 19, 150, 150);
constexpr QPoint expandKey = centre(4284, 169, 150, 150);
constexpr QPoint topmostSwitch = centre(4200, 75, 210, 210);

const QRect designArea(156, 55, 292, 140);

// The _MOTIF_WM_HINTS bits a window manager reads for the frame's functions and buttons.
constexpr uint mwmFunctionMinimize = 0x8;
constexpr uint mwmFunctionMaximize = 0x10;
constexpr uint mwmDecorationMinimize = 0x20;
constexpr uint mwmDecorationMaximize = 0x40;

QString xprop(const Desktop& desktop, const QString& id, const char* name)
{
    return desktop.run(QStringLiteral("xprop"), {QStringLiteral("-id"), id, QLatin1String(name)})
        .trimmed();
}

// The values after the '=' of an xprop line.
QStringList values(const QString& line)
{
    QStringList result;
    for (const QString& v : line.section(QLatin1Char('='), 1).split(QLatin1Char(',')))
        result << v.trimmed();
    return result;
}

QStringList aboutBoxes(const Desktop& desktop, qint64 pid)
{
    QStringList ids;
    for (const Desktop::Window& w : desktop.windowsOf(pid)) {
        if (w.viewable && w.role == QLatin1String("frmAbout"))
            ids << w.id;
    }
    return ids;
}

} // namespace

class AboutBoxEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void opensOnceAtItsSpotWhileTheBarKeepsWorking();
    void closesAndOpensAfreshAtItsSpot();
    void staysBelowTheBarsAndEndsWithTheProgram();

private:
    Desktop::Window openBox();

    std::unique_ptr<Desktop> m_desktop;
    std::unique_ptr<Simulator> m_sim;
    std::unique_ptr<QTemporaryDir> m_work;
    std::unique_ptr<Program> m_program;
    Desktop::Window m_bar;
};

void AboutBoxEndToEnd::initTestCase() { m_desktop = std::make_unique<Desktop>(QSize(1024, 768)); }

void AboutBoxEndToEnd::cleanupTestCase() { m_desktop.reset(); }

void AboutBoxEndToEnd::init()
{
    m_sim = std::make_unique<Simulator>();
    m_work = std::make_unique<QTemporaryDir>();
    QFile config(m_work->filePath(QStringLiteral("config.txt")));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(m_sim->address().toLatin1() + "\r\n");
    config.close();
    m_program = std::make_unique<Program>(*m_desktop, m_work->path());
    QVERIFY(m_desktop->waitForWindow(m_program->pid(), QStringLiteral("Orvalet"), &m_bar));
    QCOMPARE(m_bar.geometry.topLeft(), QPoint(619, 1));
}

void AboutBoxEndToEnd::cleanup()
{
    m_program.reset();
    m_work.reset();
    m_sim.reset();
}

Desktop::Window AboutBoxEndToEnd::openBox()
{
    m_desktop->click(m_bar.geometry.topLeft() + infoArea);
    Desktop::Window box;
    if (!m_desktop->waitForWindow(m_program->pid(), QStringLiteral("frmAbout"), &box, 5000))
        qWarning("no about box after a click on Info");
    return box;
}

void AboutBoxEndToEnd::opensOnceAtItsSpotWhileTheBarKeepsWorking()
{
    const Desktop::Window box = openBox();
    QCOMPARE(box.geometry, designArea);
    QCOMPARE(box.title, QStringLiteral("About Orvalet"));
    QCOMPARE(box.type, QStringLiteral("DIALOG"));
    QVERIFY2(box.states.contains(QStringLiteral("SKIP_TASKBAR")), qPrintable(box.states.join(',')));
    QVERIFY(!box.states.contains(QStringLiteral("ABOVE")));

    // Fixed size: the window manager offers neither resizing nor maximising.
    const QStringList actions = values(xprop(*m_desktop, box.id, "_NET_WM_ALLOWED_ACTIONS"))
                                    .replaceInStrings(QStringLiteral("_NET_WM_ACTION_"), QString());
    QVERIFY2(actions.contains(QStringLiteral("CLOSE")), qPrintable(actions.join(',')));
    for (const char* action : {"RESIZE", "MAXIMIZE_HORZ", "MAXIMIZE_VERT"})
        QVERIFY2(!actions.contains(QLatin1String(action)), qPrintable(actions.join(',')));
    // The frame is asked for no minimise and no maximise. Openbox keeps Minimise
    // on every dialog whatever the hints say, so that is read from the hints.
    const QStringList hints = values(xprop(*m_desktop, box.id, "_MOTIF_WM_HINTS"));
    QCOMPARE(hints.size(), 5);
    const uint functions = hints.at(1).toUInt(nullptr, 16);
    const uint decorations = hints.at(2).toUInt(nullptr, 16);
    QVERIFY(functions != 0 && decorations != 0);
    QCOMPARE(functions & (mwmFunctionMinimize | mwmFunctionMaximize), 0u);
    QCOMPARE(decorations & (mwmDecorationMinimize | mwmDecorationMaximize), 0u);

    m_desktop->screenshot(
        QDir(QStringLiteral(SCREENSHOT_DIR)).filePath(QStringLiteral("about-box.png")));

    // Minimised through the window manager, the box comes straight back: without
    // a taskbar entry it could not be found again.
    m_desktop->run(QStringLiteral("xdotool"), {QStringLiteral("windowminimize"), box.id});
    QTest::qWait(500);
    Desktop::Window back;
    QVERIFY(m_desktop->waitForWindow(m_program->pid(), QStringLiteral("frmAbout"), &back, 3000));
    QCOMPARE(back.id, box.id);
    QVERIFY2(!back.states.contains(QStringLiteral("HIDDEN")), qPrintable(back.states.join(',')));

    // A second Info opens no second box.
    m_desktop->click(m_bar.geometry.topLeft() + infoArea);
    QTest::qWait(300);
    QCOMPARE(aboutBoxes(*m_desktop, m_program->pid()), QStringList({box.id}));

    // Modeless: the bar keeps sending keys, and the box stays.
    m_desktop->click(m_bar.geometry.topLeft() + playKey);
    QVERIFY(m_sim->waitForTargets(1));
    QCOMPARE(m_sim->targets(), QStringList({rcTarget(399)}));
    QCOMPARE(aboutBoxes(*m_desktop, m_program->pid()), QStringList({box.id}));
}

void AboutBoxEndToEnd::closesAndOpensAfreshAtItsSpot()
{
    // Escape, then the window manager's close: each time the box goes, the bar
    // stays, and the next Info brings the box back where it was designed to be.
    for (const char* close : {"Escape", "alt+F4"}) {
        const Desktop::Window box = openBox();
        QCOMPARE(box.geometry, designArea);
        m_desktop->run(QStringLiteral("xdotool"), {QStringLiteral("windowmove"), box.id,
                                                   QStringLiteral("400"), QStringLiteral("400")});
        QTRY_VERIFY(m_desktop->window(box.id).geometry.topLeft() != designArea.topLeft());
        // Info brings the box to the front and gives it the keyboard.
        m_desktop->click(m_bar.geometry.topLeft() + infoArea);
        m_desktop->key(QLatin1String(close));
        QVERIFY2(m_desktop->waitUntilGone(m_program->pid(), QStringLiteral("frmAbout"), 5000),
                 close);
        QVERIFY(m_desktop->waitForWindow(m_program->pid(), QStringLiteral("Orvalet")));
    }
    const Desktop::Window box = openBox();
    QCOMPARE(box.geometry, designArea);
    QCOMPARE(box.title, QStringLiteral("About Orvalet"));
    QCOMPARE(m_sim->targets(), QStringList());
}

void AboutBoxEndToEnd::staysBelowTheBarsAndEndsWithTheProgram()
{
    m_desktop->click(m_bar.geometry.topLeft() + expandKey);
    Desktop::Window expand;
    QVERIFY(m_desktop->waitForWindow(m_program->pid(), QStringLiteral("frmExpand"), &expand));
    m_desktop->click(expand.geometry.topLeft() + topmostSwitch);
    QTRY_VERIFY(m_desktop->window(m_bar.id).states.contains(QStringLiteral("ABOVE")));

    // Opened, and so raised and active, it still stays beneath both bars.
    const Desktop::Window box = openBox();
    QVERIFY(!box.states.contains(QStringLiteral("ABOVE")));
    QCOMPARE(m_desktop->topmostOf({box.id, m_bar.id}), m_bar.id);
    QCOMPARE(m_desktop->topmostOf({box.id, expand.id}), expand.id);

    m_desktop->click(m_bar.geometry.topLeft() + quitKey);
    QVERIFY(m_program->waitForExit(5000));
    QCOMPARE(m_program->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_program->exitCode(), 0);
}

QTEST_GUILESS_MAIN(AboutBoxEndToEnd)
#include "test_e2e_about.moc"
