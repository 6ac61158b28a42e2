// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11WindowActivator.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace vellumix {

namespace {

xcb_connection_t* xcb(void* connection)
{
    return static_cast<xcb_connection_t*>(connection);
}

} // namespace

std::unique_ptr<X11WindowActivator> X11WindowActivator::create()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return nullptr;
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
    if (!screens.rem)
        return nullptr;
    static const char name[] = "_NET_ACTIVE_WINDOW";
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
    if (!reply)
        return nullptr;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return std::unique_ptr<X11WindowActivator>(new X11WindowActivator(connection, screens.data->root, atom));
}

X11WindowActivator::X11WindowActivator(void* connection, quint32 root, quint32 atom)
    : m_connection(connection), m_root(root), m_activeAtom(atom)
{
}

quint64 X11WindowActivator::activeWindow()
{
    xcb_connection_t* c = xcb(m_connection);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, m_root, m_activeAtom, XCB_ATOM_WINDOW, 0, 1), nullptr);
    if (!reply)
        return 0;
    quint64 window = 0;
    if (reply->type == XCB_ATOM_WINDOW && reply->format == 32 && xcb_get_property_value_length(reply) >= 4)
        window = *static_cast<const xcb_window_t*>(xcb_get_property_value(reply));
    std::free(reply);
    return window;
}

void X11WindowActivator::activate(quint64 window)
{
    if (window == 0)
        return;
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = xcb_window_t(window);
    event.type = m_activeAtom;
    // Source 2 (pager): the user asked for this focus change, so focus-stealing prevention must
    // not swallow it.
    event.data.data32[0] = 2;
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_connection_t* c = xcb(m_connection);
    xcb_send_event(c, 0, m_root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(c);
}

} // namespace vellumix
