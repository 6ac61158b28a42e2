// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

class QWindow;

namespace vellumix {

// Whether a window is listed in the desktop's taskbar and window switcher.
class TaskbarHints
{
public:
    virtual ~TaskbarHints() = default;
    virtual void setListed(QWindow& window, bool listed) = 0;

    // The EWMH skip-taskbar/skip-pager states on X11; elsewhere nothing, since a client cannot
    // hide its windows from the task list there.
    static std::unique_ptr<TaskbarHints> create();
};

} // namespace vellumix
