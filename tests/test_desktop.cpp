// The real program on a real desktop, named by ORVALET_DESKTOP: openbox on
// Xvfb, or GNOME's or KDE's compositor with Xwayland and Qt's Wayland plugin
// at hand, as in a user's session. Clicked with xdotool at screen points, read
// with xprop and xwininfo.

#include "support/simulator.h"
#include "support/workdir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

// A child dies with the test, its own children with it.
void own(QProcess& child)
{
    child.setChildProcessModifier([] {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
}

void stop(QProcess& child)
{
    if (child.state() == QProcess::NotRunning)
        return;
    ::kill(-static_cast<pid_t>(child.processId()), SIGKILL);
    child.waitForFinished(3000);
}

// The screen point in the middle of a control given in twips on its window.
QPoint at(const QRect& window, int left, int top, int width, int height)
{
    return window.topLeft() + QPoint((left + width / 2) / 15, (top + height / 2) / 15);
}

struct Window {
    QString id; // as xdotool gives it, decimal
    QString props;
    QRect rect; // the client area on the screen
    bool viewable = false;
    bool has(const char* state) const { return props.contains("_NET_WM_STATE_" + QString(state)); }
};

// Whether the window manager drew a frame around the window.
bool framed(const Window& w)
{
    return w.props.contains(QRegularExpression("_NET_FRAME_EXTENTS.* = (?!0, 0, 0, 0)"));
}

QStringList xwaylandOf(qint64 compositor)
{
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (!stat.open(QIODevice::ReadOnly) || !cmdline.open(QIODevice::ReadOnly))
            continue;
        const QByteArray fields = stat.readAll();
        // "pid (name) state ppid ..."
        if (fields.contains("(Xwayland)") &&
            fields.mid(fields.lastIndexOf(')') + 2).split(' ').value(1).toLongLong() == compositor)
            return QString::fromLocal8Bit(cmdline.readAll()).split(QChar(0), Qt::SkipEmptyParts);
    }
    return {};
}

} // namespace

class DesktopTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { stop(m_wm), stop(m_server); }
    void journey();
    void startupFailure();
    void closedByTheWindowSystem();

private:
    QString x(const QString& tool, const QStringList& args) const;
    Window window(const QString& id) const;
    Window find(const QProcess& program, const QString& role) const;
    QString topOf(const QStringList& ids) const;
    void click(QPoint where);
    void start(QProcess& program, const QString& home);

    QTemporaryDir m_runtime;
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();
    QProcess m_server;
    QProcess m_wm;
    QElapsedTimer m_lastClick;
};

void DesktopTest::initTestCase()
{
    const QByteArray desktop = qgetenv("ORVALET_DESKTOP");
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "QT_QPA_PLATFORM"})
        m_env.remove(QLatin1String(name));
    m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    m_env.insert(QStringLiteral("HOME"), m_runtime.path());
    m_wm.setProcessEnvironment(m_env);
    m_wm.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_wm.setStandardOutputFile(QProcess::nullDevice());
    own(m_wm);
    QElapsedTimer clock;
    clock.start();
    if (desktop == "openbox") {
        own(m_server);
        m_server.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", "1024x768x24",
                                                "-nolisten", "tcp", "-dpi", "96"});
        QTRY_VERIFY(m_server.canReadLine());
        m_env.insert(QStringLiteral("DISPLAY"), ':' + m_server.readLine().trimmed());
        m_wm.setProcessEnvironment(m_env);
        m_wm.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    } else {
        QString compositor = QStringLiteral("mutter");
        QStringList args{"--headless", "--wayland",         "--wayland-display",
                         "wl",         "--virtual-monitor", "1024x768"};
        if (desktop == "kde") {
            // A copy without the file capability of the installed binary, which
            // a container may not grant.
            compositor = m_runtime.filePath(QStringLiteral("kwin_wayland"));
            QVERIFY(QFile::copy(QStandardPaths::findExecutable(QStringLiteral("kwin_wayland")),
                                compositor));
            args = {"--virtual", "--xwayland",      "--width",  "1024", "--height",
                    "768",       "--no-lockscreen", "--socket", "wl"};
            QProcessEnvironment env = m_env;
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            m_wm.setProcessEnvironment(env);
        }
        QVERIFY2(desktop == "kde" || desktop == "gnome", desktop.constData());
        m_wm.start(compositor, args);
        // The command line of the compositor's Xwayland names its display and authority.
        QStringList xwayland;
        QTRY_VERIFY_WITH_TIMEOUT(!(xwayland = xwaylandOf(m_wm.processId())).isEmpty(), 20000);
        m_env.insert(QStringLiteral("DISPLAY"),
                     xwayland.filter(QRegularExpression("^:\\d+$")).value(0));
        if (const qsizetype auth = xwayland.indexOf(QStringLiteral("-auth")); auth > 0)
            m_env.insert(QStringLiteral("XAUTHORITY"), xwayland.value(auth + 1));
        m_env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wl"));
    }
    QTRY_VERIFY_WITH_TIMEOUT(
        x("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id"), 20000);
    qInfo("%s up in %lld ms", desktop.constData(), clock.elapsed());
}

QString DesktopTest::x(const QString& tool, const QStringList& args) const
{
    QProcess p;
    p.setProcessEnvironment(m_env);
    p.start(tool, args);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

Window DesktopTest::window(const QString& id) const
{
    const QString info = x("xwininfo", {"-id", id});
    const auto number = [&](const char* label) {
        return QRegularExpression(QLatin1String(label) + ":\\s*(-?\\d+)")
            .match(info)
            .captured(1)
            .toInt();
    };
    return {id, x("xprop", {"-id", id}),
            QRect(number("Absolute upper-left X"), number("Absolute upper-left Y"), number("Width"),
                  number("Height")),
            info.contains("IsViewable")};
}

// The viewable window of the program with that role, or none.
Window DesktopTest::find(const QProcess& program, const QString& role) const
{
    const QString pid = QString::number(program.processId());
    for (const QString& id :
         x("xdotool", {"search", "--pid", pid}).split('\n', Qt::SkipEmptyParts)) {
        const Window w = window(id);
        if (w.viewable && w.props.contains("WM_WINDOW_ROLE(STRING) = \"" + role + '"'))
            return w;
    }
    return {};
}

// Of the given windows, the one the X server stacks highest.
QString DesktopTest::topOf(const QStringList& ids) const
{
    const QString tree = x("xwininfo", {"-root", "-tree"});
    qsizetype best = tree.size();
    QString top;
    for (const QString& id : ids) {
        const qsizetype where = tree.indexOf("0x" + QString::number(id.toULongLong(), 16) + ' ');
        if (where >= 0 && where < best)
            best = where, top = id;
    }
    return top;
}

void DesktopTest::click(QPoint where)
{
    // Far enough apart in time that no two clicks make a double click.
    if (m_lastClick.isValid() && m_lastClick.elapsed() < 600)
        QThread::msleep(600 - m_lastClick.elapsed());
    x("xdotool",
      {"mousemove", QString::number(where.x()), QString::number(where.y()), "click", "1"});
    m_lastClick.start();
}

void DesktopTest::start(QProcess& program, const QString& home)
{
    QProcessEnvironment env = m_env;
    env.insert(QStringLiteral("HOME"), home);
    own(program);
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(ORVALET_BIN), {});
    QVERIFY(program.waitForStarted());
}

void DesktopTest::journey()
{
    Simulator sim;
    WorkDir work;
    work.writeConfig(sim.address().toLatin1() + "\r\n");
    QTemporaryDir home;
    QProcess program;
    start(program, home.path());
    Window bar;
    QTRY_VERIFY_WITH_TIMEOUT(!(bar = find(program, "Orvalet")).id.isEmpty(), 10000);
    QCOMPARE(bar.rect, QRect(619, 1, 298, 25));
    QVERIFY2(bar.has("SKIP_TASKBAR") && !bar.has("ABOVE"), qPrintable(bar.props));
    QVERIFY2(!framed(bar), qPrintable(bar.props));
    QVERIFY(!x("ss", {"-Hltunp"}).contains(QStringLiteral("pid=%1,").arg(program.processId())));
    QCOMPARE(sim.targets(), QStringList());

    click(at(bar.rect, 1050, 90, 195, 195)); // Play
    QVERIFY(sim.waitForTargets(1));
    QCOMPARE(sim.targets(), QStringList{rcTarget(399)});

    const QPoint expandKey = at(bar.rect, 4284, 169, 150, 150);
    click(expandKey);
    Window extension;
    QTRY_VERIFY_WITH_TIMEOUT(!(extension = find(program, "frmExpand")).id.isEmpty(), 10000);
    QCOMPARE(extension.rect, QRect(619, 26, 298, 25));
    QVERIFY2(extension.has("SKIP_TASKBAR"), qPrintable(extension.props));
    QVERIFY(!framed(extension));

    // Another program's window over the left part of both bars, made active.
    QProcess other;
    own(other);
    other.setProcessEnvironment(m_env);
    other.start(QStringLiteral("xmessage"),
                {"-name", "other", "-geometry", "250x60+560+0", "other"});
    QString otherId;
    QTRY_VERIFY_WITH_TIMEOUT(
        !(otherId = x("xdotool", {"search", "--onlyvisible", "--classname", "other"}).trimmed())
             .isEmpty(),
        10000);
    const auto activateOther = [&] {
        x("xdotool", {"windowactivate", "--sync", otherId, "windowraise", otherId});
    };
    activateOther();
    QTRY_COMPARE(topOf({bar.id, otherId}), otherId);
    extension = window(extension.id);
    QVERIFY2(extension.viewable && !extension.has("HIDDEN"), qPrintable(extension.props));

    const QPoint aotSwitch = at(extension.rect, 4200, 75, 210, 210);
    click(aotSwitch); // on
    QTRY_VERIFY(window(bar.id).has("ABOVE") && window(extension.id).has("ABOVE"));
    activateOther();
    QTRY_COMPARE(x("xdotool", {"getactivewindow"}).trimmed(), otherId);
    QCOMPARE(topOf({bar.id, otherId}), bar.id);
    QCOMPARE(topOf({extension.id, otherId}), extension.id);
    extension = window(extension.id);
    QVERIFY2(extension.viewable && !extension.has("HIDDEN"), qPrintable(extension.props));

    // Hidden, the extension bar is withdrawn; shown, it is back in place and on top.
    click(expandKey);
    QTRY_VERIFY(!window(extension.id).viewable);
    QVERIFY(window(bar.id).has("ABOVE"));
    click(expandKey);
    QTRY_VERIFY_WITH_TIMEOUT(!(extension = find(program, "frmExpand")).id.isEmpty(), 10000);
    QCOMPARE(extension.rect, QRect(619, 26, 298, 25));
    QTRY_VERIFY(window(extension.id).has("ABOVE"));

    click(aotSwitch); // off
    QTRY_VERIFY(!window(bar.id).has("ABOVE") && !window(extension.id).has("ABOVE"));
    activateOther();
    QTRY_COMPARE(topOf({bar.id, otherId}), otherId);
    stop(other);

    // The handset beside the bar and the about box at their places; Quit ends
    // the program with them open.
    click(at(extension.rect, 3990, 60, 240, 240));
    Window handset;
    QTRY_VERIFY_WITH_TIMEOUT(!(handset = find(program, "frmRC")).id.isEmpty(), 10000);
    QCOMPARE(handset.rect, QRect(397, 1, 222, 603));
    click(at(bar.rect, 0, 0, 330, 330));
    Window about;
    QTRY_VERIFY_WITH_TIMEOUT(!(about = find(program, "frmAbout")).id.isEmpty(), 10000);
    QCOMPARE(about.rect.topLeft(), QPoint(156, 55));
    click(at(bar.rect, 4284, 19, 150, 150));
    QVERIFY(program.waitForFinished(5000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(sim.targets(), QStringList{rcTarget(399)});
    QCOMPARE(QDir(work.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"config.txt"});
    QCOMPARE(QDir(home.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
}

void DesktopTest::startupFailure()
{
    WorkDir work;
    QTemporaryDir home;
    QProcess program;
    start(program, home.path());
    // The message box comes up; no panel ever maps.
    QString box;
    QTRY_VERIFY_WITH_TIMEOUT(!(box = x("xdotool", {"search", "--onlyvisible", "--pid",
                                                   QString::number(program.processId())})
                                         .trimmed())
                                  .isEmpty(),
                             10000);
    QVERIFY(!window(box).props.contains("WM_WINDOW_ROLE"));
    x("xdotool", {"windowactivate", "--sync", box, "key", "Return"});
    QVERIFY(program.waitForFinished(5000));
    QCOMPARE(program.exitCode(), 1);
    const QString said = QString::fromLocal8Bit(program.readAllStandardError());
    QVERIFY2(said.contains("File not found") && said.contains("config.txt"), qPrintable(said));
}

void DesktopTest::closedByTheWindowSystem()
{
    Simulator sim;
    WorkDir work;
    work.writeConfig(sim.address().toLatin1());
    QTemporaryDir home;
    QProcess program;
    start(program, home.path());
    Window bar;
    QTRY_VERIFY_WITH_TIMEOUT(!(bar = find(program, "Orvalet")).id.isEmpty(), 10000);
    x("wmctrl", {"-i", "-c", bar.id});
    QVERIFY(program.waitForFinished(5000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

QTEST_GUILESS_MAIN(DesktopTest)
#include "test_desktop.moc"
