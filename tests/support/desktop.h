#pragma once

#include <QList>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>

// A virtual X display with a real window manager (Xvfb and openbox), driven and
// read the way a user and the usual X tools see it: xdotool, xwininfo, xprop.
class Desktop {
public:
    explicit Desktop(QSize screen = QSize(1024, 768));
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    QString display() const { return m_display; }
    QProcessEnvironment environment() const;

    // Runs an X tool on this display and returns what it printed.
    QString run(const QString& program, const QStringList& args, int* exitCode = nullptr) const;

    struct Window {
        QString id;
        QString role;
        QString title;
        QRect geometry; // of the client area, on the screen
        bool viewable = false;
        QStringList states; // _NET_WM_STATE atoms, without the prefix
        QString type;       // first _NET_WM_WINDOW_TYPE atom, without the prefix
    };

    // The top-level windows a process has mapped or made, read afresh.
    QList<Window> windowsOf(qint64 pid) const;
    Window window(const QString& id) const;
    // Keeps looking until the process has a viewable window with that role or title.
    bool waitForWindow(qint64 pid, const QString& roleOrTitle, Window* found = nullptr,
                       int timeoutMs = 10000) const;
    bool waitUntilGone(qint64 pid, const QString& roleOrTitle, int timeoutMs = 10000) const;

    // A single click at a screen point, far enough from the last one in time
    // that no two clicks merge into a double click.
    void click(QPoint where);
    void doubleClick(QPoint where);
    void key(const QString& keys);
    QPoint pointer() const;
    // The window stacked highest among those given (by id), as the X server stacks them.
    QString topmostOf(const QStringList& ids) const;
    void screenshot(const QString& path) const;

private:
    QString m_display;
    std::unique_ptr<QProcess> m_xvfb;
    std::unique_ptr<QProcess> m_wm;
};

// The real program, started in a working folder on a desktop.
// The screen point at the middle of a control given in twips from its
// window's top-left corner (15 twips per pixel).
QPoint centreOnScreen(const QRect& window, const QRect& twips);

// Writes a file for the program to find, such as its config.txt.
void writeFile(const QString& path, const QByteArray& contents);

enum class Sockets { Listening, Any };
// The process's TCP and UDP sockets over IPv4 and IPv6: those listening (any
// UDP socket receives), or all of them.
int inetSockets(qint64 pid, Sockets which);

class Program {
public:
    Program(const Desktop& desktop, const QString& workDir,
            const QString& binary = QStringLiteral(ORVALET_BIN));
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    qint64 pid() const { return m_process.processId(); }
    bool waitForExit(int timeoutMs = 10000);
    int exitCode() const { return m_process.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }
    QString errorOutput();

private:
    QProcess m_process;
};
