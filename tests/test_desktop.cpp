// The real program on openbox, GNOME's or KDE's compositor, as a user's session
// has it: clicked with xdotool at screen points, read with xprop and xwininfo.
#include "support.h"

struct Window {
    QString id, props; // the first decimal, as xdotool gives it
    QRect rect;        // the client area on the screen
    bool viewable = false;
    bool has(const char* state) const { return props.contains("_NET_WM_STATE_" + QString(state)); }
    bool framed() const { return props.contains(QRegularExpression("EXTENTS.* = (?!0, 0, 0, 0)")); }
};

class DesktopTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_runtime, m_home; // the first also the window manager's home
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();
    std::unique_ptr<Child> m_server, m_wm;
    // The program's scale, as its environment gives it, and a screen of 1024 x 768 at that scale.
    const qreal m_scale = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
    const QSize m_screen = QSize(1024, 768) * m_scale;

    QString x(const QString& tool, const QStringList& args) const
    {
        Child tooled(m_env, tool, args);
        tooled.waitForFinished(10000);
        return QString::fromUtf8(tooled.readAllStandardOutput());
    }

    Window window(const QString& id) const
    {
        const QString info = x("xwininfo", {"-id", id});
        const auto n = [&](auto l) { return info.section(l, 1).section('\n', 0, 0).toInt(); };
        return {id, x("xprop", {"-id", id}),
                QRect(n("upper-left X:"), n("upper-left Y:"), n("Width:"), n("Height:")),
                info.contains("IsViewable")};
    }

    // The program's viewable window with that role, once it shows; none after 10 s.
    Window await(const QProcess& program, const QString& role) const
    {
        const QStringList search{"search", "--onlyvisible", "--pid",
                                 QString::number(program.processId())};
        Window found;
        const auto shown = [&] {
            for (const QString& id : x("xdotool", search).split('\n', Qt::SkipEmptyParts))
                if ((found = window(id)).props.contains("WM_WINDOW_ROLE(STRING) = \"" + role))
                    return found.viewable;
            return false;
        };
        return QTest::qWaitFor(shown, 10000) ? found : Window{};
    }

    // Whether the X server stacks window a above window b.
    bool above(const QString& a, const QString& b) const
    {
        const QString tree = x("xwininfo", {"-root", "-tree"});
        const auto place = [&](const QString& id) {
            return tree.indexOf("0x" + QString::number(id.toULongLong(), 16) + ' ');
        };
        return place(a) >= 0 && place(a) < place(b);
    }

    // A click amid a control in twips on its window, too late to make a double click.
    void click(const QRect& window, const QRect& control) const
    {
        const QPoint p = window.topLeft() + control.center() * m_scale / 15;
        x("xdotool", QString("sleep 0.6 mousemove %1 %2 click 1").arg(p.x()).arg(p.y()).split(' '));
    }

private slots:
    void initTestCase()
    {
        // The window manager's command line, such as "openbox --sm-disable".
        QStringList wm = qEnvironmentVariable("ORVALET_DESKTOP").split(' ');
        for (const char* name :
             {"DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"})
            m_env.remove(name);
        m_env.insert("XDG_RUNTIME_DIR", m_runtime.path());
        m_env.insert("HOME", m_home.path());
        // For openbox a display above those compositors beside it take; Xvfb ends if taken.
        for (int n = 100 + QCoreApplication::applicationPid() % 100;
             wm[0] == "openbox" && !m_env.contains("DISPLAY") && n < 1000; n += 100) {
            const QString args = QString::asprintf(":%d -displayfd 1 -screen 0 %dx%dx24", n,
                                                   m_screen.width(), m_screen.height());
            m_server = std::make_unique<Child>(m_env, "Xvfb", args.split(' '));
            if (m_server->waitForReadyRead(20000))
                m_env.insert("DISPLAY", ':' + m_server->readLine().trimmed());
        }
        QProcessEnvironment wmEnv = m_env;
        wmEnv.insert("HOME", m_runtime.path());
        wmEnv.insert("QT_QPA_PLATFORM", "offscreen"); // for a compositor made with Qt
        // A compositor tells its session the X display it offers, whose Xwayland may start only
        // for the first X client: the session's one program says so, and lives as the test.
        const bool compositor = !m_env.contains("DISPLAY");
        QFile session(m_runtime.filePath("session"));
        if (compositor && session.open(QIODevice::WriteOnly)) {
            session.write(
                "#!/bin/sh\necho session $DISPLAY $XAUTHORITY\nexec tail -f /dev/null --pid=" +
                QByteArray::number(QCoreApplication::applicationPid()));
            session.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
            wm << session.fileName();
        }
        session.close();
        m_wm = std::make_unique<Child>(wmEnv, wm.takeFirst(), wm);
        QString said;
        while (compositor && !said.startsWith("session") &&
               (m_wm->canReadLine() || m_wm->waitForReadyRead(20000)))
            said = m_wm->readLine();
        if (const QStringList offered = said.simplified().split(' '); compositor) {
            m_env.insert("DISPLAY", offered.value(1));
            m_env.insert("XAUTHORITY", offered.value(2));
            m_env.insert("WAYLAND_DISPLAY", "wl");
            m_env.insert("XDG_SESSION_TYPE", "wayland");
        }
        const auto managed = [&] {
            return x("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id");
        };
        // On a loaded machine openbox may give up early: a second try.
        const auto over = [&] { return managed() || m_wm->state() == QProcess::NotRunning; };
        if (QTest::qWaitFor(over, 40000) && !managed() && m_server)
            m_wm->start();
        QTRY_VERIFY2_WITH_TIMEOUT(managed(), qPrintable(m_wm->readAllStandardError()), 40000);
    }

    void journey()
    {
        Simulator sim;
        WorkDir work;
        work.writeConfig(sim.address().toLatin1() + "\r\n");
        Child program(m_env, ORVALET_BIN);
        const Window bar = await(program, "Orvalet");
        QVERIFY(bar.has("SKIP_TASKBAR") && !bar.has("ABOVE") && !bar.framed());
        QVERIFY(!x("ss", {"-Hltunp"}).contains(QStringLiteral("pid=%1,").arg(program.processId())));
        click(bar.rect, {1050, 90, 195, 195}); // Play
        QTRY_COMPARE(sim.targets(), QStringList{rcTarget(399)});

        click(bar.rect, {4284, 169, 150, 150}); // Expand
        const Window extension = await(program, "frmExpand");
        QVERIFY2(extension.has("SKIP_TASKBAR") && !extension.framed(), qPrintable(extension.props));

        // Another program's window over the left part of both bars, made active.
        const QString over = QStringLiteral("250x60+%1+0").arg(bar.rect.left() - 59);
        Child other(m_env, "xmessage", {"-name", "other", "-geometry", over, "other"});
        const QString otherId =
            x("xdotool", {"search", "--sync", "--onlyvisible", "--classname", "other"}).trimmed();
        x("xdotool", {"windowactivate", "--sync", otherId, "windowraise", otherId});
        QTRY_VERIFY(above(otherId, bar.id));
        QVERIFY(window(extension.id).viewable && !window(extension.id).has("HIDDEN"));

        const QRect aotSwitch(4200, 75, 210, 210);
        click(extension.rect, aotSwitch); // on
        QTRY_VERIFY(window(bar.id).has("ABOVE") && window(extension.id).has("ABOVE"));
        x("xdotool", {"windowactivate", "--sync", otherId, "windowraise", otherId});
        QTRY_COMPARE(x("xdotool", {"getactivewindow"}).trimmed(), otherId);
        QVERIFY(above(bar.id, otherId) && above(extension.id, otherId));
        QVERIFY(window(extension.id).viewable && !window(extension.id).has("HIDDEN"));
        // Hidden and shown again, the extension bar is still above.
        click(bar.rect, {4284, 169, 150, 150});
        click(bar.rect, {4284, 169, 150, 150});
        QTRY_VERIFY(await(program, "frmExpand").has("ABOVE"));

        click(extension.rect, aotSwitch); // off
        QTRY_VERIFY(!window(bar.id).has("ABOVE") && !window(extension.id).has("ABOVE"));
        x("xdotool", {"windowactivate", "--sync", otherId, "windowraise", otherId});
        QTRY_VERIFY(above(otherId, bar.id));
        other.kill();

        // The windows at their places, the handset's OK key under its drawing; the about box at
        // its place; Quit ends all.
        click(extension.rect, {3990, 60, 240, 240});
        const Window rc = await(program, "frmRC");
        QCOMPARE(offDesign(bar.rect, extension.rect, rc.rect, {{}, m_screen}, m_scale), QString());
        click(rc.rect, {1365, 4935, 540, 330});
        click(bar.rect, {0, 0, 330, 330});
        QCOMPARE(await(program, "frmAbout").rect.topLeft(), QPoint(156, 55) * m_scale);
        click(bar.rect, {4284, 19, 150, 150});
        QCOMPARE(program.ended(), 0);
        QTRY_COMPARE(sim.targets(), (QStringList{rcTarget(399), rcTarget(352)}));
        const auto all = QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot;
        QCOMPARE(QDir().entryList(all), QStringList{"config.txt"});
        QCOMPARE(QDir(m_home.path()).entryList(all), QStringList());
    }

    void endings()
    {
        WorkDir work;
        Child failing(m_env, ORVALET_BIN);
        // Without config.txt: a message box, no panel, exit status 1.
        const QString pid = QString::number(failing.processId());
        const QStringList shown =
            x("xdotool", {"search", "--sync", "--onlyvisible", "--pid", pid}).trimmed().split('\n');
        for (const QString& id : shown)
            QVERIFY(!window(id).props.contains("WM_WINDOW_ROLE"));
        x("xdotool", {"windowactivate", "--sync", shown[0], "key", "Return"});
        QCOMPARE(failing.ended(), 1);
        const QString said = QString::fromLocal8Bit(failing.readAllStandardError());
        QVERIFY2(said.contains("File not found") && said.contains("config.txt"), qPrintable(said));

        // Closed by the window system, the bar ends the program.
        work.writeConfig("127.0.0.1:9");
        Child program(m_env, ORVALET_BIN);
        x("wmctrl", {"-i", "-c", await(program, "Orvalet").id});
        QCOMPARE(program.ended(), 0);
    }
};

QTEST_GUILESS_MAIN(DesktopTest)
#include "test_desktop.moc"
