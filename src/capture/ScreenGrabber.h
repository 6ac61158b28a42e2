// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

class QScreen;

namespace vellumix {

// Reads what one screen shows right now, at its native pixel size. A null image means this
// screen cannot be captured; it is then left out of the snapshots.
class ScreenGrabber
{
public:
    virtual ~ScreenGrabber() = default;
    virtual QImage grab(QScreen* screen) = 0;
};

// The window system's own read-back (xcb on X11): one server round trip per screen.
class QtScreenGrabber final : public ScreenGrabber
{
public:
    QImage grab(QScreen* screen) override;
};

} // namespace vellumix
