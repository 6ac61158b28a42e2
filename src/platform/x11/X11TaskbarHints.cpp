// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11TaskbarHints.h"

#include <QGuiApplication>
#include <QList>
#include <QWindow>

#include <cstdlib>
#include <cstring>

namespace vellumix {

namespace {

xcb_atom_t intern(xcb_connection_t* connection, const char* name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_NONE);
    std::free(reply);
    return atom;
}

} // namespace

std::unique_ptr<X11TaskbarHints> X11TaskbarHints::create()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return nullptr;
    const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    if (!screens.rem)
        return nullptr;
    return std::unique_ptr<X11TaskbarHints>(new X11TaskbarHints(connection, screens.data->root));
}

X11TaskbarHints::X11TaskbarHints(xcb_connection_t* connection, xcb_window_t root)
    : m_connection(connection), m_root(root), m_state(intern(connection, "_NET_WM_STATE")),
      m_skipTaskbar(intern(connection, "_NET_WM_STATE_SKIP_TASKBAR")),
      m_skipPager(intern(connection, "_NET_WM_STATE_SKIP_PAGER"))
{
}

void X11TaskbarHints::setListed(QWindow& window, bool listed)
{
    if (m_state == XCB_NONE)
        return;
    const auto id = xcb_window_t(window.winId());
    if (!window.isVisible()) {
        QList<xcb_atom_t> states;
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, id, m_state, XCB_ATOM_ATOM, 0, 1024), nullptr);
        if (reply && reply->type == XCB_ATOM_ATOM && reply->format == 32) {
            const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
            const int count = xcb_get_property_value_length(reply) / 4;
            for (int i = 0; i < count; ++i)
                states.append(atoms[i]);
        }
        std::free(reply);
        states.removeAll(m_skipTaskbar);
        states.removeAll(m_skipPager);
        if (!listed)
            states << m_skipTaskbar << m_skipPager;
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, id, m_state, XCB_ATOM_ATOM, 32,
                            std::uint32_t(states.size()), states.constData());
    } else {
        // _NET_WM_STATE_ADD is 1, _NET_WM_STATE_REMOVE 0; source 1 is a normal application.
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = id;
        event.type = m_state;
        event.data.data32[0] = listed ? 0 : 1;
        event.data.data32[1] = m_skipTaskbar;
        event.data.data32[2] = m_skipPager;
        event.data.data32[3] = 1;
        xcb_send_event(m_connection, 0, m_root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
    }
    xcb_flush(m_connection);
}

} // namespace vellumix
