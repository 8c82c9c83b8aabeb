#pragma once

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#elif defined(Q_OS_WIN)
#include <windows.h>
#endif

// Taken before a test changes folder: on Windows "/work" is on the current drive.
inline const QString receiverSim = QFileInfo(QStringLiteral(RECEIVER_SIM_BIN)).absoluteFilePath();

inline QString rcTarget(int code) { return QStringLiteral("/cgi-bin/rc?%1").arg(code); }

// What of the bars and the handset, placed at `scale` on a screen of device
// pixels `area`, is off the design: the extension bar starts on the pixel where
// the main bar ends, the handset ends where it starts; each is its size in
// twips scaled within a device pixel, each edge lies within 3 device pixels of
// its twips scaled, at a whole scale as near as its pixels allow.
inline QString offDesign(QRect main, QRect below, QRect rc, QRect area, qreal scale)
{
    QString off;
    if (below.topLeft() != main.bottomLeft() + QPoint(0, 1) || below.size() != main.size())
        off += QStringLiteral("the extension bar not flush beneath the main bar; ");
    if (rc.topRight() + QPoint(1, 0) != main.topLeft())
        off += QStringLiteral("the handset not flush left of the main bar; ");
    const double px = scale / 15, screen = area.width() / px;
    const double edge = qRound(scale) == scale ? scale / 2 : 3;
    const QPoint o = area.topLeft();
    // clang-format off
    const std::tuple<const char*, int, double, double> rows[] = {
        {"main width", main.width(), 4470, 1}, {"main height", main.height(), 375, 1},
        {"handset width", rc.width(), 3330, 1}, {"handset height", rc.height(), 9045, 1},
        {"main left", main.left() - o.x(), screen - 6070, edge},
        {"main right", main.right() + 1 - o.x(), screen - 1600, edge},
        {"main top", main.top() - o.y(), 15, edge}, {"main bottom", main.bottom() + 1 - o.y(), 390, edge},
        {"extension bottom", below.bottom() + 1 - o.y(), 765, edge},
        {"handset left", rc.left() - o.x(), screen - 9400, edge},
        {"handset bottom", rc.bottom() + 1 - o.y(), 9060, edge}};
    // clang-format on
    for (const auto& [what, device, twips, within] : rows) {
        if (qAbs(device - twips * px) > within)
            off += QStringLiteral("%1 %2, not %3; ").arg(what).arg(device).arg(twips * px);
    }
    return off;
}

// A child process; on Linux it dies with the test at the latest.
struct Child : QProcess {
    Child(const QProcessEnvironment& env, const QString& program, const QStringList& args = {})
    {
#ifdef Q_OS_LINUX
        setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
#endif
        setProcessEnvironment(env);
        start(program, args);
    }
    ~Child() override
    {
        kill();
        waitForFinished(3000);
    }
    int ended() { return waitForFinished(5000) && exitStatus() == NormalExit ? exitCode() : -1; }
};

// The receiver simulator on a loopback address, and what it received.
class Simulator {
public:
    explicit Simulator(const QString& mode = QStringLiteral("ok"), quint16 port = 0,
                       const QStringList& options = {})
        : m_process(QProcessEnvironment::systemEnvironment(), receiverSim,
                    QStringList{"--mode", mode, "--port", QString::number(port)} + options)
    {
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
        }
        m_address = QString::fromLatin1(m_process.readLine().trimmed()).section(' ', 2);
        if (!m_address.contains(':'))
            qFatal("receiver-sim did not listen");
    }

    // As it goes into config.txt: "127.0.0.1:PORT" or "[::1]:PORT".
    QString address() const { return m_address; }
    // Its log lines so far, one a request: "GET <target> HTTP/1.1\t...\tauth=<-|ok|bad>".
    QStringList lines()
    {
        while (m_process.canReadLine()) {
            const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
            line.startsWith("mode ") ? void(++m_modes) : void(m_lines << line);
        }
        return m_lines;
    }
    // The request targets so far, such as "/cgi-bin/rc?115".
    QStringList targets() { return lines().replaceInStrings(QRegularExpression("^\\S+ | .*"), {}); }
    void setMode(const QString& mode)
    {
        const int before = modes();
        m_process.write(mode.toLatin1() + '\n');
        if (!QTest::qWaitFor([&] { return modes() > before; }))
            qFatal("receiver-sim did not switch to %s", qPrintable(mode));
    }

private:
    // The mode switches it reported so far.
    int modes()
    {
        lines();
        return m_modes;
    }

    Child m_process;
    QString m_address;
    QStringList m_lines;
    int m_modes = 0;
};

// A fresh working directory for the program, made current while it lives.
struct WorkDir {
    WorkDir() { QDir::setCurrent(m_dir.path()); }
    ~WorkDir() { QDir::setCurrent(m_previous); }

    void writeConfig(const QByteArray& contents)
    {
        QFile file(m_dir.filePath(QStringLiteral("config.txt")));
        if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
            qFatal("cannot write config.txt");
    }
    QString m_previous = QDir::currentPath();
    QTemporaryDir m_dir;
};
