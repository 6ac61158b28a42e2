// SPDX-License-Identifier: GPL-3.0-or-later
// Key presses and a rival client on the test's X server.
#pragma once

#include <QProcess>
#include <QString>

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>

namespace vellumix::testing {

// Real key presses through XTEST, by xdotool's key names.
inline bool press(const QString& keys)
{
    return QProcess::execute(QStringLiteral("xdotool"),
                             QString(QStringLiteral("key --delay 20 ") + keys).split(u' ')) == 0;
}

// A second X client, standing for another program that holds a combination first.
struct OtherClient
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    ~OtherClient() { xcb_disconnect(connection); }
    // The X11 error code of the request, 0 when it succeeded.
    int grab(std::uint8_t keycode, std::uint16_t modifiers, bool release = false)
    {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        xcb_generic_error_t* error = xcb_request_check(
            connection, release ? xcb_ungrab_key_checked(connection, keycode, root, modifiers)
                                : xcb_grab_key_checked(connection, 1, root, modifiers, keycode,
                                                       XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        const int code = error ? error->error_code : 0;
        std::free(error);
        return code;
    }
};

} // namespace vellumix::testing
