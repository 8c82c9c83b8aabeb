// The real program keeps to itself: it listens on no port, opens no network
// connection before the first key press, and leaves no file behind in its
// working folder or in the home folder.

#include "support/desktop.h"
#include "support/simulator.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList everythingIn(const QString& dir)
{
    QStringList found;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(dir).relativeFilePath(it.next());
    found.sort();
    return found;
}

// A point inside a control of the bar, given in twips from the bar's corner.
QPoint onBar(const QRect& bar, int xTwips, int yTwips)
{
    return bar.topLeft() + QPoint(xTwips / 15, yTwips / 15);
}

} // namespace

class QuietEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void keepsToItself();
};

void QuietEndToEnd::keepsToItself()
{
    Desktop desktop(QSize(1024, 768));
    Simulator sim;
    QTemporaryDir work;
    QTemporaryDir home;
    const QByteArray config = sim.address().toLatin1() + "\r\n";
    {
        QFile file(work.filePath(QStringLiteral("config.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(config);
    }
    // The program starts with this environment: a home of its own, and the
    // per-user folders left to their defaults under it.
    qputenv("HOME", QFile::encodeName(home.path()));
    for (const char* name :
         {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"})
        qunsetenv(name);

    Program program(desktop, work.path());
    Desktop::Window bar;
    QVERIFY(desktop.waitForWindow(program.pid(), QStringLiteral("Orvalet"), &bar));
    QTest::qWait(1500);
    QCOMPARE(inetSockets(program.pid(), Sockets::Listening), 0);
    QCOMPARE(inetSockets(program.pid(), Sockets::Any), 0);
    QCOMPARE(sim.targets(), QStringList());

    desktop.click(onBar(bar.geometry, 1050 + 97, 90 + 97)); // Play
    QVERIFY(sim.waitForTargets(1));
    QTest::qWait(300);
    QCOMPARE(sim.targets(), QStringList({rcTarget(399)}));
    QCOMPARE(inetSockets(program.pid(), Sockets::Listening), 0);

    desktop.click(onBar(bar.geometry, 4284 + 75, 19 + 75)); // Quit
    QVERIFY(program.waitForExit(5000));
    QCOMPARE(program.exitCode(), 0);

    QCOMPARE(everythingIn(work.path()), QStringList({QStringLiteral("config.txt")}));
    QFile file(work.filePath(QStringLiteral("config.txt")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), config);
    QCOMPARE(everythingIn(home.path()), QStringList());
}

QTEST_GUILESS_MAIN(QuietEndToEnd)
#include "test_e2e_quiet.moc"
