// Presses timed on one clock from a click on a real key button, through its window's
// event path, to the moment a receiver in a thread of this process has the request line;
// beside them, the same GETs from a bare network manager. Writes config.txt where it runs.
//   bench-presses PRESSES RUNS | layout

#include "panels/expandpanel.h"
#include "panels/forms.h"
#include "panels/mainpanel.h"
#include "panels/rcpanel.h"
#include "receiver/browser.h"

#include <QApplication>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <deque>

using namespace orvalet;

namespace {

qint64 nowNs() { return std::chrono::steady_clock::now().time_since_epoch().count(); }

// Stamps each request as its request line is complete and answers on the connection
// kept open, in a thread of its own until the process ends. Only that thread writes.
struct Receiver {
    std::vector<std::pair<qint64, QByteArray>> arrivals{1 << 16}; // when; the target
    std::atomic<std::size_t> count = 0;
    std::atomic<quint16> port = 0;
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
    void read(QTcpSocket& s)
    {
        while (s.canReadLine()) {
            const auto [at, line] = std::pair(nowNs(), s.readLine());
            if (line.startsWith("GET ")) {
                arrivals[count] = {at, line.split(' ').value(1)};
                ++count; // after the arrival is written, for the reading thread
            } else if (line == "\r\n") {
                s.write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 28\r\n\r\n"
                        "<html><body>ok</body></html>");
            }
        }
    }
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

// Presses cycle through the key buttons a click reaches on a panel, or without one.
struct Sender {
    CommandPanel* panel;
    std::vector<Spot> spots;
    const Spot& spot(int i) const { return spots[std::size_t(i) % spots.size()]; }
};

// Presses from the i-th on, the first at once and the rest one per turn of the event
// loop; writes the ms from the first press to the last arrival, how many were lost and
// how many arrived out of press order.
void burst(Receiver& receiver, Bare& bare, const Sender& s, int i, int presses, const char* name)
{
    const auto fire = [&](int n) {
        if (s.panel)
            return QTest::mouseClick(s.panel->windowHandle(), Qt::LeftButton, {}, s.spot(n).at);
        bare.waiting.push_back(QStringLiteral("http://127.0.0.1:%1").arg(receiver.port.load()) +
                               QLatin1String(s.spot(n).target));
        if (!bare.current)
            bare.next();
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
    const auto done = [&] {
        return receiver.count >= before + presses &&
               (s.panel ? !s.panel->browser().isLoading() && !s.panel->browser().pendingCount()
                        : !bare.current);
    };
    while (!done() && nowNs() - start < 30'000'000'000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const std::size_t got = receiver.count - before;
    int wrong = 0;
    for (std::size_t n = 0; n < got; ++n)
        wrong += receiver.arrivals[before + n].second != s.spot(i + int(n)).target;
    const qint64 last = got ? receiver.arrivals[before + got - 1].first : start;
    std::printf("%s %.3f %d %d\n", name, got == std::size_t(presses) ? (last - start) / 1e6 : NAN,
                presses - int(got), wrong);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    Receiver receiver;
    QFile config(QStringLiteral("config.txt"));
    if (!config.open(QIODevice::WriteOnly) ||
        config.write("127.0.0.1:" + QByteArray::number(receiver.port.load())) < 0)
        qFatal("cannot write config.txt");
    config.close();
    Bare bare; // set up as the panels set theirs up
    bare.network.setProxy(QNetworkProxy::NoProxy);
    bare.network.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    Forms forms;
    CommandPanel* const panels[] = {&*forms.main, &*forms.expand, &*forms.rc};
    std::vector<Sender> senders;
    const bool layout = args.value(0) == QLatin1String("layout");
    for (int k = 0; k < 3; ++k) {
        CommandPanel& w = *panels[k];
        w.show();
        if (!QTest::qWaitForWindowExposed(&w))
            qFatal("a panel is not shown");
        senders.push_back({&w, {}});
        for (const KeyBinding& key : keyBindings()) {
            KeyButton* b = key.panel == PanelId(k) ? w.control(key.button) : nullptr;
            const QPoint at = b ? b->mapTo(&w, b->rect().center()) : QPoint();
            if (!b || !b->isVisibleTo(&w) || w.childAt(at) != b)
                continue;
            senders.back().spots.push_back({at, requestSuffix(key.code).toLatin1()});
            if (layout)
                std::printf("key %s %d %d %s\n", qPrintable(w.objectName()), at.x(), at.y(),
                            senders.back().spots.back().target.constData());
        }
    }
    senders.push_back({nullptr, senders.front().spots});
    for (const auto& [k, name] :
         {std::pair(0, "Expand"), std::pair(1, "RC"), std::pair(0, "Info")}) {
        const KeyButton& b = *panels[k]->control(name);
        const QPoint at = b.mapTo(panels[k], b.rect().center());
        if (layout)
            std::printf("open %s %d %d\n", qPrintable(panels[k]->objectName()), at.x(), at.y());
    }
    const char* names[] = {"main", "expand", "rc", "qnam"};
    // Round robin, so that a busy spell on the machine falls on every sender alike; the
    // first 20 rounds warm up, and the very first press opens the connection.
    for (int i = -20; !layout && i < args.value(0).toInt(); ++i) {
        for (std::size_t k = 0; k < senders.size(); ++k) {
            const char* name = i == -20 && k == 0 ? "first" : i < 0 ? "warm-up" : names[k];
            burst(receiver, bare, senders[k], i, 1, name);
        }
    }
    for (int run = 0; !layout && run < args.value(1).toInt(); ++run) {
        burst(receiver, bare, senders[0], 0, 1000, "burst-main");
        burst(receiver, bare, senders[3], 0, 1000, "burst-qnam");
    }
    return 0;
}
