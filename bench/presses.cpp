#include "presses.h"

#include "receiver.h"

#include "panels/commandpanel.h"
#include "panels/forms.h"
#include "receiver/browser.h"
#include "support/panelclicks.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QTest>
#include <QTimer>

#include <climits>
#include <deque>
#include <functional>
#include <memory>

using namespace orvalet;

namespace {

constexpr int warmUpPresses = 20;

// Runs the event loop until done() holds.
bool waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    // Wakes the loop now and then should nothing else arrive.
    QTimer nudge;
    nudge.start(20);
    QEventLoop loop;
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// One way of getting presses to the receiver.
class Sender {
public:
    Sender(QString key, QString label, std::vector<QByteArray> targets)
        : m_key(std::move(key))
        , m_label(std::move(label))
        , m_targets(std::move(targets))
    {}
    virtual ~Sender() = default;

    const QString& key() const { return m_key; }
    const QString& label() const { return m_label; }
    const QByteArray& target(int i) const
    {
        return m_targets[static_cast<std::size_t>(i) % size()];
    }

    // Starts the i-th press and returns.
    virtual void fire(int i) = 0;
    // Nothing sent is still under way.
    virtual bool idle() const = 0;
    // How many presses go out per turn of the event loop when sending as fast as it goes.
    virtual int perTurn() const { return 1; }

private:
    std::size_t size() const { return m_targets.size(); }

    QString m_key;
    QString m_label;
    std::vector<QByteArray> m_targets;
};

std::vector<QByteArray> targetsOf(const std::vector<KeySpot>& spots)
{
    std::vector<QByteArray> targets;
    for (const KeySpot& s : spots)
        targets.push_back(s.target);
    return targets;
}

// A click on a key button of a shown panel, through its window.
class PanelSender : public Sender {
public:
    PanelSender(const QString& key, const QString& label, CommandPanel& panel,
                std::vector<KeySpot> spots)
        : Sender(key, label, targetsOf(spots))
        , m_panel(panel)
        , m_spots(std::move(spots))
    {}

    void fire(int i) override
    {
        clickAt(m_panel, m_spots[static_cast<std::size_t>(i) % m_spots.size()].at);
    }
    bool idle() const override
    {
        return !m_panel.browser().isLoading() && m_panel.browser().pendingCount() == 0;
    }

private:
    CommandPanel& m_panel;
    std::vector<KeySpot> m_spots;
};

// The network manager as the panels set it up, without a panel: no proxy, no redirects.
class NetworkSender : public Sender {
public:
    NetworkSender(const QString& key, const QString& label, std::vector<QByteArray> targets,
                  const QString& address, bool allAtOnce)
        : Sender(key, label, std::move(targets))
        , m_base(QStringLiteral("http://") + address)
        , m_allAtOnce(allAtOnce)
    {
        m_network.setProxy(QNetworkProxy::NoProxy);
        m_network.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    }

    void fire(int i) override
    {
        m_waiting.push_back(QUrl(m_base + QString::fromLatin1(target(i))));
        if (m_allAtOnce || m_inFlight == 0)
            startNext();
    }
    bool idle() const override { return m_inFlight == 0 && m_waiting.empty(); }
    int perTurn() const override { return m_allAtOnce ? INT_MAX : 1; }

private:
    void startNext()
    {
        QNetworkReply* reply = m_network.get(QNetworkRequest(m_waiting.front()));
        m_waiting.pop_front();
        ++m_inFlight;
        QObject::connect(reply, &QNetworkReply::finished, reply, [this, reply] {
            reply->deleteLater();
            --m_inFlight;
            if (!m_allAtOnce && !m_waiting.empty())
                startNext();
        });
    }

    QNetworkAccessManager m_network;
    QString m_base;
    bool m_allAtOnce;
    std::deque<QUrl> m_waiting;
    int m_inFlight = 0;
};

// A blocking write on a plain socket and a read of the answer.
class RawSender : public Sender {
public:
    RawSender(const QString& key, const QString& label, std::vector<QByteArray> targets,
              quint16 port)
        : Sender(key, label, std::move(targets))
        , m_client(port)
    {}

    void fire(int i) override { m_client.get(target(i)); }
    bool idle() const override { return true; }

private:
    RawClient m_client;
};

double ms(qint64 ns) { return static_cast<double>(ns) / 1e6; }

void measureLatency(TimedReceiver& receiver, std::vector<std::unique_ptr<Sender>>& senders,
                    int presses, std::vector<Series>& out)
{
    for (const auto& s : senders)
        out.push_back({QStringLiteral("latency_") + s->key(), s->label(), {}});
    const std::size_t first = out.size() - senders.size();
    // Round robin, so that a busy spell on the machine falls on every sender alike.
    for (int i = -warmUpPresses; i < presses; ++i) {
        for (std::size_t k = 0; k < senders.size(); ++k) {
            Sender& s = *senders[k];
            Series& series = out[first + k];
            const int before = receiver.count();
            const qint64 start = nowNs();
            s.fire(i);
            if (!waitUntil([&] { return receiver.count() > before && s.idle(); }, 10000)) {
                ++series.missing;
                continue;
            }
            const Arrival a = receiver.arrival(before);
            if (a.target != s.target(i))
                ++series.misordered;
            if (i >= 0)
                series.values.push_back(ms(a.at - start));
        }
    }
}

void measureThroughput(TimedReceiver& receiver, std::vector<std::unique_ptr<Sender>>& senders,
                       int presses, int runs, std::vector<Series>& out)
{
    for (const auto& s : senders)
        out.push_back({QStringLiteral("throughput_") + s->key(), s->label(), {}});
    const std::size_t first = out.size() - senders.size();
    for (int run = 0; run < runs; ++run) {
        for (std::size_t k = 0; k < senders.size(); ++k) {
            Sender& s = *senders[k];
            Series& series = out[first + k];
            const int before = receiver.count();
            int sent = 0;
            QTimer feeder;
            feeder.setInterval(0);
            QObject::connect(&feeder, &QTimer::timeout, [&] {
                for (int n = 0; n < s.perTurn() && sent < presses; ++n)
                    s.fire(sent++);
                if (sent == presses)
                    feeder.stop();
            });
            const qint64 start = nowNs();
            feeder.start();
            const bool all = waitUntil(
                [&] { return sent == presses && s.idle() && receiver.count() >= before + presses; },
                30000);
            feeder.stop();
            const std::vector<Arrival> got = receiver.since(before);
            series.missing += presses - static_cast<int>(got.size());
            for (std::size_t i = 0; i < got.size(); ++i) {
                if (got[i].target != s.target(static_cast<int>(i)))
                    ++series.misordered;
            }
            if (all)
                series.values.push_back(ms(got.back().at - start));
            waitUntil([&] { return s.idle(); }, 5000);
        }
    }
}

} // namespace

PressFigures measurePresses(TimedReceiver& receiver, int latencyPresses, int throughputPresses,
                            int throughputRuns)
{
    PressFigures figures;
    Forms forms;
    std::vector<std::unique_ptr<Sender>> latencySenders;
    std::vector<KeySpot> mainSpots;
    for (const BenchPanel& p : benchPanels()) {
        if (!p.touch)
            continue;
        CommandPanel& panel = p.touch(forms);
        panel.show();
        if (!QTest::qWaitForWindowExposed(&panel))
            qFatal("%s not exposed", p.role);
        std::vector<KeySpot> spots = keySpots(p, panel);
        if (spots.empty())
            continue;
        figures.layout.keys.push_back({&p, spots});
        if (mainSpots.empty())
            mainSpots = spots;
        latencySenders.push_back(std::make_unique<PanelSender>(
            QString::fromLatin1(p.role).toLower(), QStringLiteral("Press to arrival, ") + p.label,
            panel, spots));
    }
    for (const BenchPanel& p : benchPanels()) {
        if (!p.openedFrom)
            continue;
        const BenchPanel* from = benchPanel(p.openedFrom);
        if (!from || !from->touch)
            qFatal("%s is opened from a window without keys", p.role);
        CommandPanel& window = from->touch(forms);
        const QPoint at = centreOf(window, p.opener);
        if (window.childAt(at) != window.control(p.opener))
            qFatal("a click on the middle of %s misses it", p.opener);
        figures.layout.openers.push_back({&p, at});
    }

    const std::vector<QByteArray> targets = targetsOf(mainSpots);
    const QString address = receiver.address();
    latencySenders.push_back(std::make_unique<NetworkSender>(
        QStringLiteral("qnam"), QStringLiteral("Bare QNAM GET (baseline)"), targets, address,
        false));
    latencySenders.push_back(std::make_unique<RawSender>(
        QStringLiteral("raw"), QStringLiteral("Raw TCP write (floor)"), targets, receiver.port()));
    if (latencyPresses > 0)
        measureLatency(receiver, latencySenders, latencyPresses, figures.latency);

    std::vector<std::unique_ptr<Sender>> throughputSenders;
    const BenchPanel& main = benchPanels().front();
    throughputSenders.push_back(std::make_unique<PanelSender>(
        QString::fromLatin1(main.role).toLower(),
        QStringLiteral("%1 presses, %2")
            .arg(QLocale(QLocale::English).toString(throughputPresses), QLatin1String(main.label)),
        main.touch(forms), mainSpots));
    throughputSenders.push_back(std::make_unique<NetworkSender>(
        QStringLiteral("qnam"), QStringLiteral("The same GETs one at a time (baseline)"), targets,
        address, false));
    throughputSenders.push_back(std::make_unique<NetworkSender>(
        QStringLiteral("qnam_all"), QStringLiteral("The same GETs all at once (baseline)"), targets,
        address, true));
    throughputSenders.push_back(std::make_unique<RawSender>(
        QStringLiteral("raw"), QStringLiteral("The same on a raw TCP socket (floor)"), targets,
        receiver.port()));
    if (throughputRuns > 0)
        measureThroughput(receiver, throughputSenders, throughputPresses, throughputRuns,
                          figures.throughput);
    return figures;
}
