// The request sender against a receiver that misbehaves, wants a password or is
// written in another form, and its queues under a flood of presses.
#include "receiver/browser.h"
#include "support/simulator.h"

#include <QNetworkInterface>
#include <QNetworkReply>
#include <QSignalSpy>

using namespace orvalet;

namespace {

QUrl key(const QString& address, int code)
{
    return QUrl(QStringLiteral("http://") + address + rcTarget(code));
}

QList<int> codes(Simulator& sim)
{
    QList<int> result;
    for (const QString& target : sim.targets())
        result << target.section(QLatin1Char('?'), 1).toInt();
    return result;
}

bool idle(const Browser& browser) { return !browser.isLoading() && browser.pendingCount() == 0; }

// The peak resident size since the last call, in KiB.
qint64 peakKiB()
{
    QFile status(QStringLiteral("/proc/self/status")),
        reset(QStringLiteral("/proc/self/clear_refs"));
    status.open(QIODevice::ReadOnly);
    const QByteArray text = status.readAll();
    const qsizetype at = text.indexOf("VmHWM:") + 6;
    if (reset.open(QIODevice::WriteOnly))
        reset.write("5");
    return text.mid(at, text.indexOf('\n', at) - at).trimmed().split(' ').first().toLongLong();
}

} // namespace

class NetworkTest : public QObject {
    Q_OBJECT

private slots:
    void misbehavingReceiver_data()
    {
        QTest::addColumn<QString>("mode");
        // "refused" is no simulator on the port.
        for (const char* mode : {"refused", "hang", "trickle", "reset", "garbage", "404", "500",
                                 "huge", "redirect", "auth"})
            QTest::newRow(mode) << QString::fromLatin1(mode);
    }
    void misbehavingReceiver()
    {
        QFETCH(QString, mode);
        Simulator elsewhere;
        const quint16 port = closedPort();
        std::unique_ptr<Simulator> sim;
        if (mode != QLatin1String("refused"))
            sim = std::make_unique<Simulator>(mode, port,
                                              QStringList{"--redirect-to", elsewhere.address()});
        const QString address = QStringLiteral("127.0.0.1:%1").arg(port);
        Browser a, b;
        qint64 worstGap = 0;
        QElapsedTimer sinceTick;
        QTimer ticks;
        connect(&ticks, &QTimer::timeout, this,
                [&] { worstGap = std::max(worstGap, sinceTick.restart()); });
        sinceTick.start(), ticks.start(5), peakKiB();
        const qint64 before = peakKiB();
        for (int code : {1, 2})
            a.navigate(key(address, code)), b.navigate(key(address, code + 10));
        // A silent receiver holds each request for its full deadline.
        QTRY_VERIFY_WITH_TIMEOUT(idle(a) && idle(b), 2 * Browser::requestDeadlineMs + 3000);
        QVERIFY2(worstGap < 100,
                 qPrintable(QStringLiteral("the loop stalled %1 ms").arg(worstGap)));
        QVERIFY2(peakKiB() - before < 4096, "the answer grew the process");
        QCOMPARE(a.givenUp() + b.givenUp(), 0u);
        if (sim) {
            // An answer that is not HTTP looks like a broken kept-alive
            // connection, so the stack sends the GET again, a few times at most.
            QList<int> got = codes(*sim);
            QVERIFY(got.size() <= 16);
            std::sort(got.begin(), got.end());
            got.erase(std::unique(got.begin(), got.end()), got.end());
            QCOMPARE(got, QList<int>({1, 2, 11, 12}));
        }
        QCOMPARE(elsewhere.targets(), QStringList());
        // The receiver mends: the next presses go through at once.
        if (!sim)
            sim = std::make_unique<Simulator>(QStringLiteral("ok"), port);
        sim->setMode(QStringLiteral("ok"));
        const int seen = int(sim->targets().size());
        a.navigate(key(address, 113)), b.navigate(key(address, 116));
        QVERIFY(sim->waitForTargets(seen + 2, 2000));
    }

    void addressForms_data()
    {
        // PORT stands for the simulator's port; the verdicts are the receiver's
        // on the credentials of each request: credentials go once it asks for
        // them, then with every press.
        QTest::addColumn<QStringList>("listenModeAddress");
        QTest::addColumn<QString>("verdicts");
        // clang-format off
        QTest::newRow("host name") << QStringList{"127.0.0.1", "ok", "localhost:PORT"} << "- - -";
        QTest::newRow("IPv4") << QStringList{"127.0.0.1", "ok", "127.0.0.1:PORT"} << "- - -";
        QTest::newRow("IPv6 literal") << QStringList{"::1", "ok", "[::1]:PORT"} << "- - -";
        QTest::newRow("password") << QStringList{"127.0.0.1", "auth", "user:password@127.0.0.1:PORT"} << "- ok ok ok";
        QTest::newRow("wrong password") << QStringList{"127.0.0.1", "auth", "user:nope@127.0.0.1:PORT"} << "- bad - bad - bad";
        QTest::newRow("no password") << QStringList{"127.0.0.1", "auth", "127.0.0.1:PORT"} << "- - -";
        // clang-format on
    }
    void addressForms()
    {
        QFETCH(QStringList, listenModeAddress);
        QFETCH(QString, verdicts);
        Simulator sim(listenModeAddress[1], 0,
                      {"--listen", listenModeAddress[0], "--auth", "user:password"});
        const QString address =
            QString(listenModeAddress[2]).replace("PORT", QString::number(sim.port()));
        Browser browser;
        for (int code : {113, 399, 2})
            browser.navigate(key(address, code));
        QTRY_VERIFY(idle(browser));
        QStringList got;
        for (const QString& line : sim.lines())
            got << line.section(QLatin1String("auth="), 1);
        QCOMPARE(got.join(' '), verdicts);
        QCOMPARE(codes(sim).last(), 2);
    }

    void queueUnderSilentReceivers()
    {
        Simulator flooded(QStringLiteral("hang")), slow(QStringLiteral("hang"));
        Browser flood, backlog;
        constexpr int presses = 50000;
        for (int n = 0; n < presses; ++n)
            flood.navigate(key(flooded.address(), n));
        for (int n = 0; n < 10; ++n)
            backlog.navigate(key(slow.address(), n));
        // Past the limit the oldest waiting presses are given up.
        QCOMPARE(flood.pendingCount(), Browser::maxPending);
        const quint64 overLimit = presses - 1 - Browser::maxPending;
        QCOMPARE(flood.givenUp(), overLimit);
        QVERIFY(flooded.waitForTargets(1));
        flooded.setMode(QStringLiteral("ok"));
        // Each silent request takes its full deadline. Then the flood's newest
        // go out in order, while the backlog's rest were pressed too long ago.
        QTRY_VERIFY_WITH_TIMEOUT(idle(flood) && idle(backlog), 4 * Browser::requestDeadlineMs);
        const QList<int> got = codes(flooded), tried = codes(slow);
        QCOMPARE(quint64(got.size()) + flood.givenUp(), quint64(presses));
        QVERIFY(got.size() > 1 && got.at(1) == int(overLimit) + 1);
        QVERIFY(std::is_sorted(got.begin(), got.end()));
        QCOMPARE(quint64(tried.size()) + backlog.givenUp(), quint64(10));
        QVERIFY(tried.size() >= 2 && tried.size() <= 3);
        QCOMPARE(tried, QList<int>({0, 1, 2}).mid(0, tried.size()));
        // Once it answers again, the next presses go out at once.
        slow.setMode(QStringLiteral("ok"));
        backlog.navigate(key(slow.address(), 10)), backlog.navigate(key(slow.address(), 11));
        QVERIFY(slow.waitForTargets(int(tried.size()) + 2, 2000));
        QCOMPARE(codes(slow).mid(tried.size()), QList<int>({10, 11}));
    }

    void queuesApartAndClosedInFlight()
    {
        Simulator silent(QStringLiteral("hang")), answering;
        auto stuck = std::make_unique<Browser>();
        Browser left, right;
        stuck->navigate(key(silent.address(), 0));
        QVERIFY(silent.waitForTargets(1));
        // A silent receiver holds only the queue that sent to it; each queue
        // keeps its presses in order.
        for (int n = 1; n <= 60; ++n)
            (n % 2 ? left : right).navigate(key(answering.address(), n));
        QTRY_VERIFY(idle(left) && idle(right));
        QList<int> got[2];
        for (int n : codes(answering))
            got[n % 2] << n;
        QCOMPARE(got[0].size() + got[1].size(), 60);
        QVERIFY(std::is_sorted(got[0].begin(), got[0].end()) &&
                std::is_sorted(got[1].begin(), got[1].end()));
        // A closed panel leaves no request behind in the shared manager.
        QVERIFY(stuck->isLoading());
        stuck.reset();
        QTRY_VERIFY(QCoreApplication::instance()->findChildren<QNetworkReply*>().isEmpty());
    }

    void desktopProxyIsNotUsed()
    {
        // A name that resolves nowhere must not be looked up off this machine:
        // with only loopback here the lookup fails at once.
        if (QNetworkInterface::allInterfaces().size() != 1)
            QSKIP("needs a network namespace with loopback only");
        Simulator proxy;
        qputenv("http_proxy", "http://" + proxy.address().toLatin1());
        Browser browser;
        QSignalSpy ended(&browser, &Browser::requestEnded);
        browser.navigate(key(QStringLiteral("receiver.invalid"), 113));
        QVERIFY(ended.wait(Browser::requestDeadlineMs + 1000));
        qunsetenv("http_proxy");
        QCOMPARE(proxy.lines(), QStringList());
    }
};

QTEST_GUILESS_MAIN(NetworkTest)
#include "test_network.moc"
