// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

namespace vellumix {

// Remembers and restores the window that had the focus before the overlay took it. Window ids
// are the window system's own; 0 means none.
class WindowActivator
{
public:
    virtual ~WindowActivator() = default;
    virtual quint64 activeWindow() = 0;
    virtual void activate(quint64 window) = 0;
};

} // namespace vellumix
