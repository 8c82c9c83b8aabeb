#include "desktop.h"

#include "children.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QThread>

namespace {

// Comfortably above the double-click interval of the toolkits.
constexpr int clickSpacingMs = 600;

bool waitFor(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QThread::msleep(50);
    }
    return true;
}

QString field(const QString& text, const QString& label)
{
    const QRegularExpression re(QRegularExpression::escape(label) + QStringLiteral(":\\s*(.*)"));
    return re.match(text).captured(1).trimmed();
}

QStringList atoms(const QString& xpropLine, const QString& prefix)
{
    QStringList result;
    const qsizetype eq = xpropLine.indexOf(QLatin1Char('='));
    if (eq < 0)
        return result;
    for (QString atom : xpropLine.mid(eq + 1).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        atom = atom.trimmed();
        if (atom.startsWith(prefix))
            atom.remove(0, prefix.size());
        result << atom;
    }
    return result;
}

QString quoted(const QString& xpropLine)
{
    const qsizetype first = xpropLine.indexOf(QLatin1Char('"'));
    const qsizetype last = xpropLine.lastIndexOf(QLatin1Char('"'));
    return first >= 0 && last > first ? xpropLine.mid(first + 1, last - first - 1) : QString();
}

} // namespace

Desktop::Desktop(QSize screen)
    : m_xvfb(std::make_unique<QProcess>())
    , m_wm(std::make_unique<QProcess>())
{
    // Xvfb picks a free display number itself and writes it to its output once
    // it accepts connections: no race with other desktops starting at the same time.
    endWithTheTest(*m_xvfb);
    m_xvfb->setStandardErrorFile(QProcess::nullDevice());
    m_xvfb->start(QStringLiteral("Xvfb"),
                  {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                   QStringLiteral("0"),
                   QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height()),
                   QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-dpi"),
                   QStringLiteral("96")});
    if (!m_xvfb->waitForStarted(5000))
        qFatal("Xvfb did not start");
    QByteArray number;
    while (!number.endsWith('\n') && m_xvfb->waitForReadyRead(10000))
        number += m_xvfb->readAllStandardOutput();
    if (number.trimmed().isEmpty())
        qFatal("Xvfb did not open a display");
    m_display = QStringLiteral(":") + QString::fromLatin1(number.trimmed());

    endWithTheTest(*m_wm);
    m_wm->setProcessEnvironment(environment());
    m_wm->setStandardOutputFile(QProcess::nullDevice());
    const auto managed = [&] {
        return run(QStringLiteral("xprop"),
                   {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
            .contains(QStringLiteral("window id"));
    };
    // On a loaded machine the window manager may give up early: a second try.
    QByteArray said;
    for (int attempt = 0; attempt < 2 && !managed(); ++attempt) {
        m_wm->start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        if (!m_wm->waitForStarted(5000))
            qFatal("openbox did not start");
        waitFor([&] { return managed() || m_wm->waitForFinished(50); }, 20000);
        said += m_wm->readAllStandardError();
        if (m_wm->state() == QProcess::Running && !managed()) {
            m_wm->kill();
            m_wm->waitForFinished(3000);
        }
    }
    if (!managed())
        qFatal("openbox did not take over the display: %s", said.constData());
}

Desktop::~Desktop()
{
    for (QProcess* p : {m_wm.get(), m_xvfb.get()}) {
        p->terminate();
        if (!p->waitForFinished(3000)) {
            p->kill();
            p->waitForFinished(3000);
        }
    }
}

QProcessEnvironment Desktop::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return env;
}

QString Desktop::run(const QString& program, const QStringList& args, int* exitCode) const
{
    QProcess p;
    p.setProcessEnvironment(environment());
    p.start(program, args);
    if (!p.waitForFinished(15000)) {
        p.kill();
        p.waitForFinished();
    }
    if (exitCode)
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput());
}

Desktop::Window Desktop::window(const QString& id) const
{
    Window w;
    w.id = id;
    const QString info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
    w.geometry = QRect(field(info, QStringLiteral("Absolute upper-left X")).toInt(),
                       field(info, QStringLiteral("Absolute upper-left Y")).toInt(),
                       field(info, QStringLiteral("Width")).toInt(),
                       field(info, QStringLiteral("Height")).toInt());
    w.viewable = field(info, QStringLiteral("Map State")) == QLatin1String("IsViewable");
    const QStringList props = run(QStringLiteral("xprop"),
                                  {QStringLiteral("-id"), id, QStringLiteral("WM_WINDOW_ROLE"),
                                   QStringLiteral("_NET_WM_NAME"), QStringLiteral("_NET_WM_STATE"),
                                   QStringLiteral("_NET_WM_WINDOW_TYPE")})
                                  .split(QLatin1Char('\n'));
    for (const QString& line : props) {
        if (line.startsWith(QLatin1String("WM_WINDOW_ROLE")))
            w.role = quoted(line);
        else if (line.startsWith(QLatin1String("_NET_WM_NAME")))
            w.title = quoted(line);
        else if (line.startsWith(QLatin1String("_NET_WM_STATE")))
            w.states = atoms(line, QStringLiteral("_NET_WM_STATE_"));
        else if (line.startsWith(QLatin1String("_NET_WM_WINDOW_TYPE")))
            w.type = atoms(line, QStringLiteral("_NET_WM_WINDOW_TYPE_")).value(0);
    }
    return w;
}

QList<Desktop::Window> Desktop::windowsOf(qint64 pid) const
{
    QList<Window> result;
    const QStringList ids =
        run(QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--pid"), QString::number(pid)})
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& id : ids)
        result << window(id.trimmed());
    return result;
}

bool Desktop::waitForWindow(qint64 pid, const QString& roleOrTitle, Window* found,
                            int timeoutMs) const
{
    return waitFor(
        [&] {
            for (const Window& w : windowsOf(pid)) {
                if (w.viewable && (w.role == roleOrTitle || w.title == roleOrTitle)) {
                    if (found)
                        *found = w;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
}

bool Desktop::waitUntilGone(qint64 pid, const QString& roleOrTitle, int timeoutMs) const
{
    return waitFor(
        [&] {
            for (const Window& w : windowsOf(pid)) {
                if (w.viewable && (w.role == roleOrTitle || w.title == roleOrTitle))
                    return false;
            }
            return true;
        },
        timeoutMs);
}

void Desktop::click(QPoint where)
{
    run(QStringLiteral("xdotool"),
        {QStringLiteral("mousemove"), QString::number(where.x()), QString::number(where.y())});
    QThread::msleep(80);
    run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("1")});
    QThread::msleep(clickSpacingMs);
}

void Desktop::doubleClick(QPoint where)
{
    run(QStringLiteral("xdotool"),
        {QStringLiteral("mousemove"), QString::number(where.x()), QString::number(where.y())});
    QThread::msleep(80);
    run(QStringLiteral("xdotool"),
        {QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
         QStringLiteral("--delay"), QStringLiteral("60"), QStringLiteral("1")});
    QThread::msleep(clickSpacingMs);
}

void Desktop::key(const QString& keys)
{
    run(QStringLiteral("xdotool"), {QStringLiteral("key"), keys});
    QThread::msleep(200);
}

QPoint Desktop::pointer() const
{
    const QString out = run(QStringLiteral("xdotool"), {QStringLiteral("getmouselocation")});
    return {field(out.section(QLatin1Char(' '), 0, 0), QStringLiteral("x")).toInt(),
            field(out.section(QLatin1Char(' '), 1, 1), QStringLiteral("y")).toInt()};
}

QString Desktop::topmostOf(const QStringList& ids) const
{
    // xwininfo lists the root's children top first; each client sits inside a
    // frame of the window manager's, so the first frame holding one of the
    // clients is the highest.
    const QString tree =
        run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
    for (const QString& line : tree.split(QLatin1Char('\n'))) {
        const qulonglong have =
            line.trimmed().section(QLatin1Char(' '), 0, 0).toULongLong(nullptr, 16);
        for (const QString& id : ids) {
            if (have != 0 && id.toULongLong(nullptr, 0) == have)
                return id;
        }
    }
    return {};
}

void Desktop::screenshot(const QString& path) const
{
    run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), path});
}

Program::Program(const Desktop& desktop, const QString& workDir, const QString& binary)
{
    endWithTheTest(m_process);
    m_process.setProcessEnvironment(desktop.environment());
    m_process.setWorkingDirectory(workDir);
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.start(binary, {});
    if (!m_process.waitForStarted(5000))
        qFatal("orvalet did not start");
}

Program::~Program()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool Program::waitForExit(int timeoutMs) { return m_process.waitForFinished(timeoutMs); }

QString Program::errorOutput() { return QString::fromUtf8(m_process.readAllStandardError()); }

int inetSockets(qint64 pid, Sockets which)
{
    QSet<QString> inodes;
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo& fd : fds.entryInfoList(QDir::System | QDir::NoDotAndDotDot)) {
        const QString target = fd.symLinkTarget().section(QLatin1Char('/'), -1);
        if (target.startsWith(QLatin1String("socket:[")))
            inodes << target.mid(8).chopped(1);
    }
    int count = 0;
    for (const char* table : {"tcp", "tcp6", "udp", "udp6"}) {
        QFile file(QStringLiteral("/proc/%1/net/%2").arg(pid).arg(QLatin1String(table)));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const bool anyState = which == Sockets::Any || QByteArray(table).startsWith("udp");
        file.readLine();
        while (!file.atEnd()) {
            const QStringList cols =
                QString::fromLatin1(file.readLine()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            // Column 3 is the state (0A: listening), column 9 the inode.
            if (cols.size() > 9 && inodes.contains(cols.at(9)) &&
                (anyState || cols.at(3) == QLatin1String("0A")))
                ++count;
        }
    }
    return count;
}

QPoint centreOnScreen(const QRect& window, const QRect& twips)
{
    return window.topLeft() +
           QPoint((twips.x() + twips.width() / 2) / 15, (twips.y() + twips.height() / 2) / 15);
}

void writeFile(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(contents) < 0)
        qFatal("cannot write %s", qPrintable(path));
}
