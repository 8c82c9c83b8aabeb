#pragma once

#include <QList>
#include <QRect>
#include <QString>

#include <optional>

#include <xcb/xcb.h>

// The X display as an outside observer sees it: which windows a process has
// mapped, and when the pixels of an area last changed (through the DAMAGE
// extension on the root window, so no polling is involved).
class XDisplay {
public:
    XDisplay();
    ~XDisplay();
    XDisplay(const XDisplay&) = delete;
    XDisplay& operator=(const XDisplay&) = delete;

    struct Client {
        xcb_window_t id;
        xcb_window_t topLevel; // the window manager's frame around it
        QRect geometry;        // on the screen
        QString role;
    };

    // The viewable top-level windows of a process.
    QList<Client> clientsOf(qint64 pid);
    // Whether a click at this screen point lands on the client's window.
    bool isOnTop(const Client& client, QPoint point);

    // Throws away the changes reported so far.
    void drain();
    // Watches the area until it has not changed for quietMs while the process
    // shows a window, and returns the nowNs() of the moment the area first
    // showed what it ends up showing; nothing if it never changed in time.
    std::optional<qint64> settledPaint(QRect area, qint64 pid, int quietMs, int timeoutMs);

private:
    xcb_atom_t atom(const char* name);
    QByteArray property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type);
    void collect(xcb_window_t parent, xcb_window_t topLevel, quint32 pid, QList<Client>& out);
    // The damage events waiting, as rectangles on the screen.
    QList<QRect> pendingChanges();
    size_t areaHash(QRect area);

    xcb_connection_t* m_conn;
    xcb_window_t m_root;
    quint8 m_damageEvent = 0;
    xcb_atom_t m_pid;
    xcb_atom_t m_role;
};
