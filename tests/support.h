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

// What of the bars and the handset, placed at `scale` on a screen of device pixels `area`, is
// off the design: the extension bar starts on the pixel where the main bar ends, the handset
// ends where it starts; each window is its size in twips scaled within a device pixel, each
// edge within 3 device pixels of its twips scaled, at a whole scale as near as pixels allow.
inline QString offDesign(QRect main, QRect below, QRect rc, QRect area, qreal scale)
{
    QString off;
    if (below.topLeft() != main.bottomLeft() + QPoint(0, 1) || below.size() != main.size() ||
        rc.topRight() + QPoint(1, 0) != main.topLeft())
        QDebug(&off) << "not flush:" << main << below << rc << ';';
    const double px = scale / 15, w = area.width() / px, e = qRound(scale) == scale ? scale / 2 : 3;
    const std::pair<QRect, QRectF> windows[] = {{main, {w - 6070, 15, 4470, 375}},
                                                {below, {w - 6070, 390, 4470, 375}},
                                                {rc, {w - 9400, 15, 3330, 9045}}};
    for (const auto& [device, twips] : windows) {
        const QRectF at = QRectF(device).translated(-area.topLeft());
        const QRectF design(twips.topLeft() * px, twips.size() * px);
        const QMarginsF by(e, e, e, e);
        if (qAbs(at.width() - design.width()) > 1 || qAbs(at.height() - design.height()) > 1 ||
            !(design + by).contains(at) || !at.contains(design - by))
            QDebug(&off) << at << "not" << design << ';';
    }
    return off;
}

// A child process that dies with the test at the latest.
struct Child : QProcess {
    Child(const QProcessEnvironment& env, const QString& program, const QStringList& args = {})
    {
#ifdef Q_OS_LINUX
        setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
#elif defined(Q_OS_WIN) // in a job that ends them as the test ends, however it ends
        static const bool jobbed = [] {
            JOBOBJECT_EXTENDED_LIMIT_INFORMATION limit{};
            limit.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
            const HANDLE job = CreateJobObjectW(nullptr, nullptr);
            return SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limit,
                                           sizeof limit) &&
                   AssignProcessToJobObject(job, GetCurrentProcess());
        }();
        if (!jobbed)
            qFatal("the test cannot end its children");
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
