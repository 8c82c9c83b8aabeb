// Presses timed on one clock from a click on a real key button, through its window's
// event path, to the moment a receiver in a thread of this process has the request line;
// beside them, the same GETs from a bare network manager. Writes config.txt where it runs,
// and where the keys and openers are to standard error.   bench-presses PRESSES RUNS

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
#include <cstdlib>
#include <deque>
#include <utility>

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
        for (qint64 at = nowNs(); s.canReadLine();) {
            const QByteArray line = s.readLine();
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
    QString base; // "http://" and the receiver's address
    void next()
    {
        if (current || waiting.empty())
            return;
        current = network.get(QNetworkRequest(waiting.front()));
        waiting.pop_front();
        QObject::connect(current, &QNetworkReply::finished, current, [this] {
            std::exchange(current, nullptr)->deleteLater();
            next();
        });
    }
};

// Presses cycle through the key buttons a click reaches on a panel, or go without one.
struct Sender {
    CommandPanel* panel;
    std::vector<std::pair<QPoint, QByteArray>> spots; // where; the request target
    const auto& spot(int i) const { return spots[std::size_t(i) % spots.size()]; }
};

// Presses from the i-th on, the first at once and the rest one per turn of the event
// loop; writes the ms from the first press to the last arrival, how many were lost and
// how many arrived out of press order.
void burst(Receiver& receiver, Bare& bare, const Sender& s, int i, int presses, const char* name)
{
    const auto fire = [&](int n) {
        s.panel
            ? QTest::mouseClick(s.panel->windowHandle(), Qt::LeftButton, {}, s.spot(n).first)
            : (bare.waiting.push_back(bare.base + QLatin1String(s.spot(n).second)), bare.next());
    };
    const std::size_t before = receiver.count;
    const qint64 start = nowNs();
    fire(i);
    for (int n = 1; n < presses; ++n) {
        QCoreApplication::processEvents();
        fire(i + n);
    }
    QTimer nudge; // wakes the loop should nothing else come
    nudge.start(5);
    while (!(receiver.count >= before + presses &&
             (s.panel ? !s.panel->browser().isLoading() && !s.panel->browser().pendingCount()
                      : !bare.current)) &&
           nowNs() - start < 30'000'000'000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const std::size_t got = receiver.count - before;
    int wrong = 0;
    for (std::size_t n = 0; n < got; ++n)
        wrong += receiver.arrivals[before + n].second != s.spot(i + int(n)).second;
    const qint64 last = got ? receiver.arrivals[before + got - 1].first : start;
    std::printf("%s %.3f %d %d\n", name, got == std::size_t(presses) ? (last - start) / 1e6 : NAN,
                presses - int(got), wrong);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Receiver receiver;
    std::FILE* config = std::fopen("config.txt", "w");
    if (!config || std::fprintf(config, "127.0.0.1:%d", receiver.port.load()) < 0 ||
        std::fclose(config))
        qFatal("cannot write config.txt");
    Bare bare;
    bare.base = QStringLiteral("http://127.0.0.1:%1").arg(receiver.port.load());
    bare.network.setProxy(QNetworkProxy::NoProxy); // as the panels set theirs up
    bare.network.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    Forms forms;
    CommandPanel* const panels[] = {&*forms.main, &*forms.expand, &*forms.rc};
    std::vector<Sender> senders;
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
            std::fprintf(stderr, "key %s %d %d %s\n", qPrintable(w.objectName()), at.x(), at.y(),
                         senders.back().spots.back().second.constData());
        }
    }
    senders.push_back({nullptr, senders.front().spots});
    for (const auto& [k, name] :
         {std::pair(0, "Expand"), std::pair(1, "RC"), std::pair(0, "Info")}) {
        const KeyButton& b = *panels[k]->control(name);
        const QPoint at = b.mapTo(panels[k], b.rect().center());
        std::fprintf(stderr, "open %s %d %d\n", qPrintable(panels[k]->objectName()), at.x(),
                     at.y());
    }
    const char* names[] = {"main", "expand", "rc", "qnam"};
    // Round robin, so that a busy spell on the machine falls on every sender alike; the
    // first 20 rounds warm up, and the very first press opens the connection.
    for (int i = -20; i < (argc > 1 ? std::atoi(argv[1]) : 0); ++i) {
        for (std::size_t k = 0; k < senders.size(); ++k) {
            const char* name = i == -20 && k == 0 ? "first" : i < 0 ? "warm-up" : names[k];
            burst(receiver, bare, senders[k], i, 1, name);
        }
    }
    for (int run = 0; run < (argc > 2 ? std::atoi(argv[2]) : 0); ++run) {
        burst(receiver, bare, senders[0], 0, 1000, "burst-main");
        burst(receiver, bare, senders[3], 0, 1000, "burst-qnam");
    }
    return 0;
}
