// The request sender against a receiver that stops answering while presses
// keep coming. Each request is numbered so the log shows which press it was.

#include "receiver/browser.h"
#include "support/meters.h"
#include "support/simulator.h"

#include <QNetworkReply>
#include <QTest>

#include <algorithm>

using namespace orvalet;

namespace {

QUrl numbered(const Simulator& sim, int n)
{
    return QUrl(QStringLiteral("http://%1/cgi-bin/rc?%2").arg(sim.address()).arg(n));
}

QList<int> numbersReceived(Simulator& sim)
{
    QList<int> result;
    for (const QString& target : sim.targets())
        result << target.section(QLatin1Char('?'), 1).toInt();
    return result;
}

bool idle(const Browser& browser) { return !browser.isLoading() && browser.pendingCount() == 0; }

} // namespace

class BrowserTest : public QObject {
    Q_OBJECT

private slots:
    void floodAgainstSilentReceiver();
    void backlogGoesStale();
    void panelsShareConnectionsNotQueues();
};

void BrowserTest::floodAgainstSilentReceiver()
{
    Simulator sim(QStringLiteral("hang"));
    Browser browser;
    constexpr int presses = 50000;
    browser.navigate(numbered(sim, 0));
    QVERIFY(sim.waitForTargets(1));
    const qint64 before = residentKiB();
    for (int n = 1; n < presses; ++n) {
        browser.navigate(numbered(sim, n));
        QVERIFY(browser.pendingCount() <= Browser::maxPending);
    }
    const qint64 growth = residentKiB() - before;
    QCOMPARE(browser.pendingCount(), Browser::maxPending);
    const quint64 overLimit = presses - 1 - Browser::maxPending;
    QCOMPARE(browser.givenUp(), overLimit);
    QTest::qWait(100);
    QCOMPARE(numbersReceived(sim), QList<int>({0}));

    // It answers again: the one in flight runs out its deadline, then the
    // newest presses go out in order.
    sim.setMode(QStringLiteral("ok"));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(runUntil([&] { return idle(browser); },
                     Browser::requestDeadlineMs + Browser::staleAfterMs));
    const QList<int> got = numbersReceived(sim);
    qInfo("%d presses: %lld KiB more while pending, %lld delivered, %llu given up; "
          "drained %lld ms after the receiver came back",
          presses, growth, got.size(), browser.givenUp(), clock.elapsed());
    QVERIFY2(!memoryIsMeasurable || growth < 1024, "pending presses grew the process");
    QCOMPARE(quint64(got.size()) + browser.givenUp(), quint64(presses));
    // What was given up was always the oldest waiting: the rest arrived in order.
    QVERIFY(got.size() > 1);
    QCOMPARE(got.at(1), static_cast<int>(overLimit) + 1);
    QVERIFY(std::is_sorted(got.begin(), got.end()));
    QCOMPARE(got.last(), presses - 1);
}

void BrowserTest::backlogGoesStale()
{
    Simulator sim(QStringLiteral("hang"));
    Browser browser;
    for (int n = 0; n < 10; ++n)
        browser.navigate(numbered(sim, n));
    // Each silent request takes its full deadline; by the time the next turn
    // comes, the user pressed the rest too long ago for them to matter.
    QVERIFY(runUntil([&] { return idle(browser); }, 4 * Browser::requestDeadlineMs));
    const QList<int> tried = numbersReceived(sim);
    qInfo("silent receiver: %lld of 10 presses tried, %llu given up", tried.size(),
          browser.givenUp());
    QCOMPARE(quint64(tried.size()) + browser.givenUp(), quint64(10));
    QVERIFY(tried.size() >= 2 && tried.size() <= 3);
    QCOMPARE(tried, QList<int>({0, 1, 2}).mid(0, tried.size()));

    // The receiver answers again and the next presses go out at once.
    sim.setMode(QStringLiteral("ok"));
    QElapsedTimer clock;
    clock.start();
    browser.navigate(numbered(sim, 10));
    browser.navigate(numbered(sim, 11));
    QVERIFY(sim.waitForTargets(static_cast<int>(tried.size()) + 2, 2000));
    qInfo("next presses delivered after %lld ms", clock.elapsed());
    QCOMPARE(numbersReceived(sim).mid(tried.size()), QList<int>({10, 11}));
}

void BrowserTest::panelsShareConnectionsNotQueues()
{
    Simulator silent(QStringLiteral("hang"));
    Simulator answering(QStringLiteral("ok"));
    auto* stuck = new Browser;
    Browser other;
    stuck->navigate(numbered(silent, 0));
    QVERIFY(silent.waitForTargets(1));
    // A silent receiver holds only the queue that sent to it.
    other.navigate(numbered(answering, 1));
    other.navigate(numbered(answering, 2));
    QVERIFY(runUntil([&] { return idle(other); }, 2000));
    QCOMPARE(numbersReceived(answering), QList<int>({1, 2}));
    QVERIFY(stuck->isLoading());

    // A closed panel leaves no request behind in the shared manager.
    delete stuck;
    QVERIFY(runUntil(
        [] { return QCoreApplication::instance()->findChildren<QNetworkReply*>().isEmpty(); },
        1000));
}

QTEST_GUILESS_MAIN(BrowserTest)
#include "test_browser.moc"
