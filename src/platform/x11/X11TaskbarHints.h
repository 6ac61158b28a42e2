// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/TaskbarHints.h"

#include <xcb/xcb.h>

#include <memory>

namespace vellumix {

// _NET_WM_STATE_SKIP_TASKBAR and _NET_WM_STATE_SKIP_PAGER: written into the property of a
// window that is not mapped yet (Qt keeps states it does not manage), asked of the window
// manager for a mapped one.
class X11TaskbarHints final : public TaskbarHints
{
public:
    // Null when the application does not run on xcb.
    static std::unique_ptr<X11TaskbarHints> create();

    void setListed(QWindow& window, bool listed) override;

private:
    X11TaskbarHints(xcb_connection_t* connection, xcb_window_t root);

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    xcb_atom_t m_state = XCB_NONE;
    xcb_atom_t m_skipTaskbar = XCB_NONE;
    xcb_atom_t m_skipPager = XCB_NONE;
};

} // namespace vellumix
