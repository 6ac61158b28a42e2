// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFuture>
#include <QImage>
#include <QList>

class QScreen;

namespace vellumix {

// Reads what the screens show right now, at their native pixel size. The answer may come later
// (a desktop portal answers after the compositor): one image per screen asked for, in that order,
// a null image for a screen that cannot be read. A failure of the whole read is the future's
// exception.
class ScreenGrabber
{
public:
    virtual ~ScreenGrabber() = default;
    [[nodiscard]] virtual QFuture<QList<QImage>> grab(const QList<QScreen*>& screens) = 0;
    // Whether the desktop has refused grab() and hands out images only through its own dialog.
    virtual bool interactiveOnly() const { return false; }
    // The desktop's own dialog, where the user chooses what to capture: one image, a null one
    // when the user cancelled.
    [[nodiscard]] virtual QFuture<QImage> pick() { return QtFuture::makeReadyFuture(QImage()); }
};

} // namespace vellumix
