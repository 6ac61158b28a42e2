// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWindow;

namespace vellumix {

// Whether a window is listed in the desktop's taskbar and window switcher.
class TaskbarHints
{
public:
    virtual ~TaskbarHints() = default;
    virtual void setListed(QWindow& window, bool listed) = 0;
};

} // namespace vellumix
