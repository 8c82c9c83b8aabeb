#include "panels/x11window.h"

#include <QGuiApplication>
#include <QWindow>

#include <xcb/xcb.h>

#include <vector>

namespace orvalet::x11 {
namespace {

xcb_connection_t* connection()
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    const auto cookie = xcb_intern_atom(c, 0, static_cast<uint16_t>(qstrlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, cookie, nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    free(reply);
    return result;
}

xcb_window_t rootOf(xcb_connection_t* c, xcb_window_t window)
{
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
    const xcb_window_t root = tree ? tree->root : xcb_window_t{XCB_WINDOW_NONE};
    free(tree);
    return root;
}

} // namespace

void setInitialState(QWindow& window, bool above)
{
    xcb_connection_t* c = connection();
    if (!c)
        return;
    const auto id = static_cast<xcb_window_t>(window.winId());
    // KDE lists ordinary windows in its window switcher unless told not to.
    std::vector<xcb_atom_t> states{atom(c, "_NET_WM_STATE_SKIP_TASKBAR"),
                                   atom(c, "_NET_WM_STATE_SKIP_PAGER"),
                                   atom(c, "_KDE_NET_WM_STATE_SKIP_SWITCHER")};
    if (above)
        states.push_back(atom(c, "_NET_WM_STATE_ABOVE"));
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(states.size()), states.data());
    xcb_flush(c);
}

void setAbove(QWindow& window, bool above)
{
    xcb_connection_t* c = connection();
    if (!c)
        return;
    const auto id = static_cast<xcb_window_t>(window.winId());
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = id;
    event.type = atom(c, "_NET_WM_STATE");
    event.data.data32[0] = above ? 1 : 0; // _NET_WM_STATE_ADD or _REMOVE
    event.data.data32[1] = atom(c, "_NET_WM_STATE_ABOVE");
    event.data.data32[3] = 1; // from a normal application
    xcb_send_event(c, 0, rootOf(c, id),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(c);
}

} // namespace orvalet::x11
