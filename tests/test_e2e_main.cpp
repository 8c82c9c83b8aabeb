// The real program under Xvfb and openbox, clicked at screen positions.

#include "support/desktop.h"
#include "support/simulator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Key {
    const char* name;
    QRect twips;
    int code;
};

// The player keys as designed, in twips from the bar's top-left corner.
const Key playerKeys[] = {
    {"Previous", {525, 90, 405, 195}, 105},      {"Play", {1050, 90, 195, 195}, 399},
    {"Pause", {1365, 90, 165, 195}, 400},        {"Stop", {1680, 90, 195, 195}, 385},
    {"Next", {1995, 90, 405, 195}, 106},         {"Volume_up", {2625, 19, 210, 120}, 115},
    {"Volume_down", {2625, 240, 210, 120}, 114}, {"Mute", {2940, 75, 210, 225}, 113},
};

} // namespace

class MainPanelEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void barSendsEveryKeyAndQuits();
    void startupFailures_data();
    void startupFailures();
    void configBesideTheExecutableIsNotUsed();
    void closedByTheWindowSystemEnds();

private:
    void expectStartupFailure(Program& program, const QString& dir, const QString& error);

    std::unique_ptr<Desktop> m_desktop;
};

void MainPanelEndToEnd::initTestCase() { m_desktop = std::make_unique<Desktop>(QSize(1024, 768)); }

void MainPanelEndToEnd::cleanupTestCase() { m_desktop.reset(); }

void MainPanelEndToEnd::barSendsEveryKeyAndQuits()
{
    Simulator sim;
    QTemporaryDir work;
    writeFile(work.filePath(QStringLiteral("config.txt")), sim.address().toLatin1() + "\r\n");
    Program program(*m_desktop, work.path());

    Desktop::Window bar;
    QVERIFY(m_desktop->waitForWindow(program.pid(), QStringLiteral("Orvalet"), &bar));
    QCOMPARE(bar.geometry, QRect(619, 1, 298, 25));
    QVERIFY2(bar.states.contains(QStringLiteral("SKIP_TASKBAR")), qPrintable(bar.states.join(',')));
    QVERIFY(!bar.states.contains(QStringLiteral("ABOVE")));
    QCOMPARE(sim.targets(), QStringList());

    QStringList expected;
    for (const Key& key : playerKeys) {
        m_desktop->click(centreOnScreen(bar.geometry, key.twips));
        expected << rcTarget(key.code);
    }
    m_desktop->doubleClick(centreOnScreen(bar.geometry, playerKeys[1].twips));
    expected << rcTarget(399);
    QVERIFY(sim.waitForTargets(static_cast<int>(expected.size())));
    QTest::qWait(300);
    QCOMPARE(sim.targets(), expected);
    QCOMPARE(inetSockets(program.pid(), Sockets::Listening), 0);

    m_desktop->screenshot(
        QDir(QStringLiteral(SCREENSHOT_DIR)).filePath(QStringLiteral("main-panel.png")));

    // Quit, the red square at the right end.
    m_desktop->click(centreOnScreen(bar.geometry, QRect(4284, 19, 150, 150)));
    QVERIFY(program.waitForExit(5000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(QDir(work.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList({QStringLiteral("config.txt")}));
}

void MainPanelEndToEnd::startupFailures_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("error");
    QTest::newRow("missing") << "none"
                             << "File not found";
    QTest::newRow("empty") << "empty"
                           << "Input past end of file";
    QTest::newRow("folder") << "folder"
                            << "Path/File access error";
}

void MainPanelEndToEnd::startupFailures()
{
    QFETCH(QString, setup);
    QFETCH(QString, error);
    QTemporaryDir work;
    const QString config = work.filePath(QStringLiteral("config.txt"));
    if (setup == QLatin1String("empty"))
        writeFile(config, QByteArray());
    else if (setup == QLatin1String("folder"))
        QVERIFY(QDir(work.path()).mkdir(QStringLiteral("config.txt")));

    Program program(*m_desktop, work.path());
    expectStartupFailure(program, work.path(), error);
}

void MainPanelEndToEnd::configBesideTheExecutableIsNotUsed()
{
    Simulator sim;
    QTemporaryDir install;
    QTemporaryDir elsewhere;
    const QString binary = install.filePath(QStringLiteral("orvalet"));
    QVERIFY(QFile::copy(QStringLiteral(ORVALET_BIN), binary));
    writeFile(install.filePath(QStringLiteral("config.txt")), sim.address().toLatin1());

    Program program(*m_desktop, elsewhere.path(), binary);
    expectStartupFailure(program, elsewhere.path(), QStringLiteral("File not found"));
}

void MainPanelEndToEnd::expectStartupFailure(Program& program, const QString& dir,
                                             const QString& error)
{
    Desktop::Window box;
    QVERIFY(m_desktop->waitForWindow(program.pid(), QStringLiteral("Orvalet"), &box));
    // The message box has the program's title; the bar itself never maps.
    QCOMPARE(box.role, QString());
    for (const Desktop::Window& w : m_desktop->windowsOf(program.pid()))
        QVERIFY(!(w.viewable && w.role == QLatin1String("Orvalet")));

    m_desktop->key(QStringLiteral("Return"));
    QVERIFY(program.waitForExit(5000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    const QString said = program.errorOutput();
    QVERIFY2(said.contains(error), qPrintable(said));
    QVERIFY2(said.contains(QStringLiteral("config.txt")), qPrintable(said));
    QVERIFY2(said.contains(QDir(dir).canonicalPath()) || said.contains(dir), qPrintable(said));
}

void MainPanelEndToEnd::closedByTheWindowSystemEnds()
{
    Simulator sim;
    QTemporaryDir work;
    writeFile(work.filePath(QStringLiteral("config.txt")), sim.address().toLatin1());
    Program program(*m_desktop, work.path());
    Desktop::Window bar;
    QVERIFY(m_desktop->waitForWindow(program.pid(), QStringLiteral("Orvalet"), &bar));

    // A click on the plain bar makes it the active window; then the close command.
    m_desktop->click(bar.geometry.topLeft() + QPoint(240, 12));
    m_desktop->run(QStringLiteral("xdotool"),
                   {QStringLiteral("windowactivate"), QStringLiteral("--sync"), bar.id});
    m_desktop->key(QStringLiteral("alt+F4"));
    QVERIFY(program.waitForExit(5000));
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(sim.targets(), QStringList());
}

QTEST_GUILESS_MAIN(MainPanelEndToEnd)
#include "test_e2e_main.moc"
