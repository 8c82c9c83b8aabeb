// Presses timed from a click on a real key button, through its window's event path,
// to the moment a receiver in a thread of this process has the request line: one
// clock spans both. Beside them, the same GETs from a bare network manager.
//   bench-presses PRESSES RUNS   table rows: each panel's keys, then bursts of 1,000
//   bench-presses first panel|qnam   ms from start's first press to its arrival
//   bench-presses layout   the keys and the openers, in their windows' coordinates

#include "panels/expandpanel.h"
#include "panels/forms.h"
#include "panels/mainpanel.h"
#include "panels/rcpanel.h"
#include "receiver/browser.h"

#include <QApplication>
#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <mutex>
#include <span>

using namespace orvalet;

namespace {

qint64 nowNs() { return std::chrono::steady_clock::now().time_since_epoch().count(); }

using Arrival = std::pair<qint64, QByteArray>; // when the request line was complete; its target

// Stamps each request as its request line is complete and answers on the
// connection kept open, in a thread of its own until the process ends.
class Receiver {
public:
    Receiver()
    {
        QThread::create([this] {
            QTcpServer server;
            QObject::connect(&server, &QTcpServer::newConnection, [&] {
                while (QTcpSocket* s = server.nextPendingConnection())
                    QObject::connect(s, &QTcpSocket::readyRead, [this, s] { read(*s); });
            });
            if (!server.listen(QHostAddress::LocalHost))
                qFatal("cannot listen on 127.0.0.1");
            port = server.serverPort();
            port.notify_one();
            QEventLoop().exec();
        })->start();
        port.wait(0);
    }
    std::vector<Arrival> since(std::size_t i)
    {
        std::lock_guard lock(m_mutex);
        return {m_arrivals.begin() + qsizetype(i), m_arrivals.end()};
    }
    std::atomic<quint16> port = 0;
    std::atomic<std::size_t> count = 0;

private:
    void read(QTcpSocket& s)
    {
        while (s.canReadLine()) {
            const auto [at, line] = Arrival(nowNs(), s.readLine());
            std::lock_guard lock(m_mutex);
            if (line.startsWith("GET "))
                m_arrivals.push_back({at, line.split(' ').value(1)});
            else if (line == "\r\n")
                s.write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 28\r\n\r\n"
                        "<html><body>ok</body></html>");
            count = m_arrivals.size();
        }
    }

    std::mutex m_mutex;
    std::vector<Arrival> m_arrivals;
};

// One request at a time, each started as the one before ends: as the panels send.
struct Bare {
    QNetworkAccessManager network;
    std::deque<QUrl> waiting;
    QNetworkReply* current = nullptr;
    void next()
    {
        current = waiting.empty() ? nullptr : network.get(QNetworkRequest(waiting.front()));
        if (current) {
            waiting.pop_front();
            QObject::connect(current, &QNetworkReply::finished, current, [this] {
                current->deleteLater();
                next();
            });
        }
    }
};

struct Spot {
    QPoint at;
    QByteArray target;
};

// Presses cycle through the key buttons a click reaches on a panel.
struct Sender {
    CommandPanel* panel; // none: the bare manager
    std::vector<Spot> spots;
    const Spot& spot(int i) const { return spots[std::size_t(i) % spots.size()]; }
};

QPoint centre(const QWidget& window, const QWidget& control)
{
    return control.mapTo(&window, control.rect().center());
}

struct Series {
    std::vector<double> ms;
    int lost = 0;
    int wrong = 0; // arrived out of press order
    double at(double q)
    {
        std::sort(ms.begin(), ms.end());
        return ms.empty() ? 0 : ms[std::min(ms.size() - 1, std::size_t(q * double(ms.size())))];
    }
};

// Presses from the i-th on, the first at once and the rest one per turn of the
// event loop; adds the time from the first press to the last arrival.
void burst(Receiver& receiver, Bare& bare, const Sender& s, int i, int presses, Series& out)
{
    const auto fire = [&](int n) {
        if (s.panel) {
            QTest::mouseClick(s.panel->windowHandle(), Qt::LeftButton, {}, s.spot(n).at);
            return;
        }
        bare.waiting.push_back(QStringLiteral("http://127.0.0.1:%1%2")
                                   .arg(receiver.port.load())
                                   .arg(QLatin1String(s.spot(n).target)));
        if (!bare.current)
            bare.next();
    };
    const auto idle = [&] {
        return s.panel ? !s.panel->browser().isLoading() && !s.panel->browser().pendingCount()
                       : !bare.current;
    };
    const std::size_t before = receiver.count;
    int sent = 1;
    QTimer feeder, nudge; // the nudge wakes the loop should nothing else come
    QObject::connect(&feeder, &QTimer::timeout, [&] {
        fire(i + sent);
        if (++sent == presses)
            feeder.stop();
    });
    nudge.start(5);
    const qint64 start = nowNs();
    fire(i);
    if (presses > 1)
        feeder.start(0);
    while (!(idle() && receiver.count >= before + presses) && nowNs() - start < 30'000'000'000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const std::vector<Arrival> got = receiver.since(before);
    out.lost += presses - int(got.size());
    for (std::size_t n = 0; n < got.size(); ++n)
        out.wrong += got[n].second != s.spot(i + int(n)).target;
    if (got.size() == std::size_t(presses))
        out.ms.push_back(double(got.back().first - start) / 1e6);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    Receiver receiver;
    QTemporaryDir dir;
    QFile config(dir.filePath(QStringLiteral("config.txt")));
    if (!config.open(QIODevice::WriteOnly) ||
        config.write("127.0.0.1:" + QByteArray::number(receiver.port.load())) < 0 ||
        !QDir::setCurrent(dir.path()))
        qFatal("cannot write config.txt");
    config.close();
    Bare bare; // set up as the panels set theirs up
    bare.network.setProxy(QNetworkProxy::NoProxy);
    bare.network.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    Forms forms;
    CommandPanel* const panels[] = {&*forms.main, &*forms.expand, &*forms.rc};
    std::vector<Sender> senders;
    // The first press after start comes from the bar alone.
    for (int k = 0; k < (args.value(0) == QLatin1String("first") ? 1 : 3); ++k) {
        CommandPanel& w = *panels[k];
        w.show();
        if (!QTest::qWaitForWindowExposed(&w))
            qFatal("a panel is not shown");
        senders.push_back({&w, {}});
        for (const KeyBinding& key : keyBindings()) {
            KeyButton* b = key.panel == PanelId(k) ? w.control(key.button) : nullptr;
            const QPoint at = b ? centre(w, *b) : QPoint();
            if (b && b->isVisibleTo(&w) && w.childAt(at) == b)
                senders.back().spots.push_back({at, requestSuffix(key.code).toLatin1()});
        }
    }
    senders.push_back({nullptr, senders.front().spots});
    Series keys[4], bursts[4];

    if (args.value(0) == QLatin1String("layout")) {
        for (const Sender& s : std::span(senders).first(3)) {
            for (const Spot& spot : s.spots)
                std::printf("key %s %d %d %s\n", qPrintable(s.panel->objectName()), spot.at.x(),
                            spot.at.y(), spot.target.constData());
        }
        const std::pair<int, const char*> openers[] = {{0, "Expand"}, {1, "RC"}, {0, "Info"}};
        for (const auto& [k, name] : openers) {
            const QPoint at = centre(*panels[k], *panels[k]->control(name));
            std::printf("open %s %d %d\n", qPrintable(panels[k]->objectName()), at.x(), at.y());
        }
    } else if (args.value(0) == QLatin1String("first")) {
        burst(receiver, bare, senders[args.value(1) == QLatin1String("qnam")], 0, 1, keys[0]);
        std::printf("%.3f\n", keys[0].at(0));
    } else {
        const int presses = args.value(0).toInt();
        // Round robin, so that a busy spell on the machine falls on every sender alike.
        for (int i = -20; i < presses; ++i) {
            for (std::size_t k = 0; k < senders.size(); ++k)
                burst(receiver, bare, senders[k], i, 1, keys[k]);
            if (i == -1) // the first 20 warm up
                std::for_each(keys, keys + 4, [](Series& s) { s.ms.clear(); });
        }
        const char* labels[] = {"main panel", "extension panel", "remote control panel"};
        for (int k = 0; k < 3; ++k) {
            std::printf("| Press to arrival, %s: median; p99 of %d | %.3f; %.3f ms (%d lost, %d "
                        "out of order) | %.3f; %.3f ms, bare QNAM GET | %.2fx; %.2fx |\n",
                        labels[k], presses, keys[k].at(0.5), keys[k].at(0.99), keys[k].lost,
                        keys[k].wrong, keys[3].at(0.5), keys[3].at(0.99),
                        keys[k].at(0.5) / keys[3].at(0.5), keys[k].at(0.99) / keys[3].at(0.99));
        }
        for (int run = 0; run < args.value(1).toInt(); ++run) {
            burst(receiver, bare, senders[0], 0, 1000, bursts[0]);
            burst(receiver, bare, senders[3], 0, 1000, bursts[3]);
        }
        std::printf("| 1,000 presses as fast as the event loop takes them, main panel, to the last "
                    "arrival: median of %s | %.1f ms (%.1f-%.1f; %d lost, %d out of order) | %.1f "
                    "ms (%.1f-%.1f), the same GETs one at a time | %.2fx |\n",
                    qPrintable(args.value(1)), bursts[0].at(0.5), bursts[0].at(0), bursts[0].at(1),
                    bursts[0].lost, bursts[0].wrong, bursts[3].at(0.5), bursts[3].at(0),
                    bursts[3].at(1), bursts[0].at(0.5) / bursts[3].at(0.5));
    }
    return 0;
}
