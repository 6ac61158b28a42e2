// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowActivator.h"

#include <memory>

namespace vellumix {

// Reads and sets the EWMH active window (_NET_ACTIVE_WINDOW) of the X server Qt is connected to.
// Without an EWMH window manager there is nothing to read and activation does nothing.
class X11WindowActivator final : public WindowActivator
{
public:
    // Null when the application does not run on xcb.
    static std::unique_ptr<X11WindowActivator> create();

    quint64 activeWindow() override;
    void activate(quint64 window) override;

private:
    X11WindowActivator(void* connection, quint32 root, quint32 atom);

    void* m_connection; // xcb_connection_t, owned by Qt
    quint32 m_root;
    quint32 m_activeAtom;
};

} // namespace vellumix
