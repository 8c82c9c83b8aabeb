#include "xdisplay.h"

#include "receiver.h"

#include <QHash>

#include <cstdlib>
#include <cstring>
#include <memory>

#include <poll.h>
#include <xcb/damage.h>

namespace {

template <class T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <class T>
Reply<T> own(T* reply)
{
    return Reply<T>(reply, &std::free);
}

} // namespace

XDisplay::XDisplay()
{
    int screenIndex = 0;
    m_conn = xcb_connect(nullptr, &screenIndex);
    if (xcb_connection_has_error(m_conn))
        qFatal("cannot open the X display");
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_conn));
    for (int i = 0; i < screenIndex; ++i)
        xcb_screen_next(&screens);
    m_root = screens.data->root;

    const xcb_query_extension_reply_t* damage = xcb_get_extension_data(m_conn, &xcb_damage_id);
    if (!damage || !damage->present)
        qFatal("the X server has no DAMAGE extension");
    m_damageEvent = damage->first_event + XCB_DAMAGE_NOTIFY;
    own(xcb_damage_query_version_reply(m_conn, xcb_damage_query_version(m_conn, 1, 1), nullptr));
    xcb_damage_create(m_conn, xcb_generate_id(m_conn), m_root,
                      XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    m_pid = atom("_NET_WM_PID");
    m_role = atom("WM_WINDOW_ROLE");
    xcb_flush(m_conn);
}

XDisplay::~XDisplay() { xcb_disconnect(m_conn); }

xcb_atom_t XDisplay::atom(const char* name)
{
    const auto reply = own(xcb_intern_atom_reply(
        m_conn, xcb_intern_atom(m_conn, 0, static_cast<uint16_t>(strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QByteArray XDisplay::property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type)
{
    const auto reply = own(xcb_get_property_reply(
        m_conn, xcb_get_property(m_conn, 0, window, name, type, 0, 256), nullptr));
    if (!reply)
        return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

void XDisplay::collect(xcb_window_t parent, xcb_window_t topLevel, quint32 pid, QList<Client>& out)
{
    const auto tree = own(xcb_query_tree_reply(m_conn, xcb_query_tree(m_conn, parent), nullptr));
    if (!tree)
        return;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        const xcb_window_t w = children[i];
        const xcb_window_t top = parent == m_root ? w : topLevel;
        const auto attrs = own(
            xcb_get_window_attributes_reply(m_conn, xcb_get_window_attributes(m_conn, w), nullptr));
        if (!attrs || attrs->map_state != XCB_MAP_STATE_VIEWABLE)
            continue;
        const QByteArray owner = property(w, m_pid, XCB_ATOM_CARDINAL);
        if (owner.size() == 4 && *reinterpret_cast<const quint32*>(owner.constData()) == pid) {
            const auto geo =
                own(xcb_get_geometry_reply(m_conn, xcb_get_geometry(m_conn, w), nullptr));
            const auto at = own(xcb_translate_coordinates_reply(
                m_conn, xcb_translate_coordinates(m_conn, w, m_root, 0, 0), nullptr));
            if (geo && at) {
                out.push_back({w, top, QRect(at->dst_x, at->dst_y, geo->width, geo->height),
                               QString::fromLatin1(property(w, m_role, XCB_ATOM_STRING))});
            }
        } else {
            // A window manager's frame: the client is somewhere inside.
            collect(w, top, pid, out);
        }
    }
}

QList<XDisplay::Client> XDisplay::clientsOf(qint64 pid)
{
    QList<Client> out;
    collect(m_root, m_root, static_cast<quint32>(pid), out);
    return out;
}

bool XDisplay::isOnTop(const Client& client, QPoint point)
{
    const auto at = own(xcb_translate_coordinates_reply(
        m_conn,
        xcb_translate_coordinates(m_conn, m_root, m_root, static_cast<int16_t>(point.x()),
                                  static_cast<int16_t>(point.y())),
        nullptr));
    return at && at->child == client.topLevel && client.geometry.contains(point);
}

QList<QRect> XDisplay::pendingChanges()
{
    QList<QRect> changes;
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_conn)) {
        if ((event->response_type & 0x7f) == m_damageEvent) {
            const auto* d = reinterpret_cast<const xcb_damage_notify_event_t*>(event);
            changes.push_back(QRect(d->area.x + d->geometry.x, d->area.y + d->geometry.y,
                                    d->area.width, d->area.height));
        }
        std::free(event);
    }
    return changes;
}

void XDisplay::drain()
{
    own(xcb_get_input_focus_reply(m_conn, xcb_get_input_focus(m_conn), nullptr));
    pendingChanges();
}

size_t XDisplay::areaHash(QRect area)
{
    const auto image = own(xcb_get_image_reply(
        m_conn,
        xcb_get_image(m_conn, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, static_cast<int16_t>(area.x()),
                      static_cast<int16_t>(area.y()), static_cast<uint16_t>(area.width()),
                      static_cast<uint16_t>(area.height()), ~0u),
        nullptr));
    if (!image)
        return 0;
    return qHash(
        QByteArrayView(xcb_get_image_data(image.get()), xcb_get_image_data_length(image.get())));
}

std::optional<qint64> XDisplay::settledPaint(QRect area, qint64 pid, int quietMs, int timeoutMs)
{
    struct Shot {
        qint64 at;
        size_t hash;
    };
    std::vector<Shot> shots;
    const qint64 quiet = qint64(quietMs) * 1000000;
    const qint64 deadline = nowNs() + qint64(timeoutMs) * 1000000;
    pollfd fd{xcb_get_file_descriptor(m_conn), POLLIN, 0};
    for (;;) {
        bool changed = false;
        const qint64 seen = nowNs();
        for (const QRect& r : pendingChanges())
            changed = changed || r.intersects(area);
        if (changed)
            shots.push_back({seen, areaHash(area)});
        const qint64 now = nowNs();
        if (!shots.empty() && now - shots.back().at >= quiet && !clientsOf(pid).isEmpty())
            break;
        if (now > deadline)
            return std::nullopt;
        ::poll(&fd, 1, 20);
    }
    const size_t final = shots.back().hash;
    for (const Shot& s : shots) {
        if (s.hash == final)
            return s.at;
    }
    return std::nullopt;
}
