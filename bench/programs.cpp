#include "programs.h"

#include "processes.h"
#include "receiver.h"
#include "xdisplay.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <csignal>
#include <functional>

namespace {

constexpr int quietMs = 500;
constexpr int settleMs = 1000;

double mib(qint64 kib) { return static_cast<double>(kib) / 1024.0; }

bool pollUntil(const std::function<bool()>& done, int timeoutMs)
{
    for (int waited = 0; !done(); waited += 10) {
        if (waited > timeoutMs)
            return false;
        QThread::msleep(10);
    }
    return true;
}

// The first viewable window of a fresh process, waited for.
std::optional<XDisplay::Client> firstWindow(XDisplay& display, pid_t pid, int timeoutMs = 15000)
{
    std::optional<XDisplay::Client> found;
    pollUntil(
        [&] {
            const QList<XDisplay::Client> clients = display.clientsOf(pid);
            if (!clients.isEmpty())
                found = clients.front();
            return found.has_value();
        },
        timeoutMs);
    return found;
}

// Where a program's window lands: found on a first run, which also warms the caches.
QRect windowArea(XDisplay& display, const QString& program)
{
    const pid_t pid = spawn({program});
    const auto window = firstWindow(display, pid);
    QThread::msleep(settleMs);
    stop(pid);
    if (!window)
        qFatal("%s showed no window", qPrintable(program));
    return window->geometry;
}

// Where the pointer rests between clicks: off every window, so that no tooltip
// comes up while a figure is taken.
constexpr QPoint restingPoint(0, 767);

void moveTo(QStringList& args, QPoint p)
{
    args << QStringLiteral("mousemove") << QString::number(p.x()) << QString::number(p.y());
}

// Moves to each point and clicks there, then moves off.
void clickAt(const QList<QPoint>& points)
{
    QStringList args{QStringLiteral("xdotool")};
    for (const QPoint& p : points) {
        moveTo(args, p);
        // Without --delay each click in a chain waits 100 ms.
        args << QStringLiteral("click") << QStringLiteral("--delay") << QStringLiteral("10")
             << QStringLiteral("1");
    }
    moveTo(args, restingPoint);
    waitFor(spawn(args));
}

void hover(QPoint at, int ms)
{
    QStringList args{QStringLiteral("xdotool")};
    moveTo(args, at);
    args << QStringLiteral("sleep") << QString::number(ms / 1000.0);
    moveTo(args, restingPoint);
    waitFor(spawn(args));
}

} // namespace

void ResidentSeries::add(const Resident& r)
{
    total.values.push_back(mib(r.total));
    anon.values.push_back(mib(r.anon));
    file.values.push_back(mib(r.file));
    shmem.values.push_back(mib(r.shmem));
}

std::vector<StartupFigures> measureStartup(XDisplay& display, const QStringList& programs, int runs)
{
    std::vector<StartupFigures> figures(static_cast<std::size_t>(programs.size()));
    std::vector<QRect> areas;
    for (const QString& program : programs)
        areas.push_back(windowArea(display, program));
    for (int run = 0; run < runs; ++run) {
        for (std::size_t k = 0; k < areas.size(); ++k) {
            QThread::msleep(300);
            display.drain();
            const qint64 start = nowNs();
            const pid_t pid = spawn({programs[static_cast<qsizetype>(k)]});
            const auto painted = display.settledPaint(areas[k], pid, quietMs, 20000);
            if (painted) {
                figures[k].startup.values.push_back(static_cast<double>(*painted - start) / 1e6);
                QThread::msleep(settleMs - quietMs);
                figures[k].resident.add(resident(pid));
            } else {
                ++figures[k].startup.missing;
            }
            stop(pid);
        }
    }
    return figures;
}

MemoryFigures measureMemory(XDisplay& display, TimedReceiver& receiver, const QString& program,
                            const Layout& layout, int presses, int runs)
{
    MemoryFigures m;
    m.presses = presses;
    m.runs = runs;
    for (int run = 0; run < runs; ++run) {
        const pid_t pid = spawn({program});
        const auto main = firstWindow(display, pid);
        if (!main)
            qFatal("the program showed no window");

        // Opens every window the way a user does, each from its opener.
        QHash<QString, XDisplay::Client> windows{{main->role, *main}};
        QStringList opened{main->role};
        for (const Layout::Opener& o : layout.openers) {
            if (!windows.contains(QLatin1String(o.opens->openedFrom)))
                continue;
            const QSet<xcb_window_t> before = [&] {
                QSet<xcb_window_t> ids;
                for (const XDisplay::Client& c : display.clientsOf(pid))
                    ids.insert(c.id);
                return ids;
            }();
            clickAt({windows[QLatin1String(o.opens->openedFrom)].geometry.topLeft() + o.at});
            pollUntil(
                [&] {
                    for (const XDisplay::Client& c : display.clientsOf(pid)) {
                        if (!before.contains(c.id)) {
                            windows.insert(QLatin1String(o.opens->role), c);
                            opened << QLatin1String(o.opens->role);
                            return true;
                        }
                    }
                    return false;
                },
                5000);
            QThread::msleep(300);
        }
        m.windows = opened;
        // Where the windows ended up: a window manager may still place one after it maps.
        QThread::msleep(settleMs);
        for (const XDisplay::Client& c : display.clientsOf(pid)) {
            for (XDisplay::Client& w : windows) {
                if (w.id == c.id)
                    w = c;
            }
        }

        // Every key button a click reaches, in turns, so no two clicks in a row share a spot.
        QList<QPoint> points;
        std::vector<QByteArray> targets;
        for (const Layout::Keys& k : layout.keys) {
            const auto w = windows.constFind(QLatin1String(k.panel->role));
            if (w == windows.constEnd())
                continue;
            for (const KeySpot& s : k.spots) {
                const QPoint at = w->geometry.topLeft() + s.at;
                if (display.isOnTop(*w, at)) {
                    points << at;
                    targets.push_back(s.target);
                }
            }
        }
        m.keys = static_cast<int>(points.size());
        if (points.size() < 2)
            qFatal("fewer than two key buttons can be clicked");

        // A user's pointer rests on a key now and then: its tooltip brings in the fonts.
        hover(points.front(), 1500);
        QThread::msleep(settleMs);
        const Resident open = resident(pid);
        m.open.values.push_back(mib(open.total));
        // A first press of every key warms up what any first request needs; then two
        // rounds of the full count show whether anything grows with the presses.
        Resident last = open;
        for (std::size_t round = 0; round < m.rounds.size(); ++round) {
            const int count = round == 0 ? m.keys : presses;
            QList<QPoint> clicks;
            for (int i = 0; i < count; ++i)
                clicks << points[i % points.size()];
            const int before = receiver.count();
            clickAt(clicks);
            pollUntil([&] { return receiver.count() >= before + count; }, 60000);
            const std::vector<Arrival> got = receiver.since(before);
            m.sent += count;
            m.arrived += static_cast<int>(got.size());
            for (std::size_t i = 0; i < got.size(); ++i) {
                if (got[i].target != targets[i % targets.size()])
                    ++m.misordered;
            }
            QThread::msleep(settleMs);
            const Resident now = resident(pid);
            m.rounds[round].total.values.push_back(static_cast<double>(now.total - last.total));
            m.rounds[round].anon.values.push_back(static_cast<double>(now.anon - last.anon));
            last = now;
        }
        m.pressed.add(last);
        stop(pid);
    }
    return m;
}

BrowserFigures measureBrowser(const QString& browser, const QString& workDir, int runs,
                              int settleMs)
{
    const QString page = workDir + QStringLiteral("/panel.html");
    QFile file(page);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write the page");
    QByteArray buttons;
    for (const char* key : {"Previous", "Play", "Pause", "Stop", "Next", "Volume up", "Volume down",
                            "Mute", "Quit", "Expand"})
        buttons += QByteArray("<button title=\"") + key + "\">" + key + "</button>";
    file.write("<!doctype html><html><head><meta charset=\"utf-8\"><title>Remote</title><style>"
               "body{margin:0;background:#223}button{height:25px;font-size:9px}</style></head>"
               "<body><div>" +
               buttons + "</div></body></html>\n");
    file.close();

    BrowserFigures b;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir profile;
        // In a network namespace of its own: nothing it might try reaches past loopback.
        const pid_t pid = spawn(
            {QStringLiteral("unshare"), QStringLiteral("--net"), QStringLiteral("--"), browser,
             QStringLiteral("--headless"), QStringLiteral("--no-sandbox"),
             QStringLiteral("--disable-gpu"), QStringLiteral("--disable-quic"),
             QStringLiteral("--no-first-run"), QStringLiteral("--disable-background-networking"),
             QStringLiteral("--disable-component-update"), QStringLiteral("--disable-sync"),
             QStringLiteral("--window-size=298,25"),
             QStringLiteral("--user-data-dir=") + profile.path(),
             QUrl::fromLocalFile(page).toString()});
        QThread::msleep(static_cast<unsigned long>(settleMs));
        const QList<pid_t> tree = processTree(pid);
        b.resident.values.push_back(mib(treeResidentKiB(pid)));
        b.proportional.values.push_back(mib(treeProportionalKiB(pid)));
        b.processes = static_cast<int>(tree.size());
        stop(pid);
        // Helpers that outlive the browser itself are ended one by one.
        for (pid_t child : tree.mid(1))
            ::kill(child, SIGKILL);
    }
    return b;
}

double strippedKiB(const QString& binary, const QString& workDir)
{
    const QString copy =
        workDir + QStringLiteral("/") + QFileInfo(binary).fileName() + QStringLiteral(".stripped");
    if (waitFor(spawn({QStringLiteral("strip"), QStringLiteral("-o"), copy, binary})) != 0)
        qFatal("strip failed on %s", qPrintable(binary));
    return static_cast<double>(QFileInfo(copy).size()) / 1024.0;
}
