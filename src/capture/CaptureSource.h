// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFuture>
#include <QImage>
#include <QList>

namespace vellumix {

// The three capture roads as the application model sees them. Each future finishes on the GUI
// thread's side with the captured images in order, with an empty list when the user cancelled,
// or with a VellumixError when nothing could be captured. A road never falls back to another.
class CaptureSource
{
public:
    virtual ~CaptureSource() = default;

    // One region, through the desktop's screenshot tool or, without one, the own overlay.
    [[nodiscard]] virtual QFuture<QList<QImage>> region() = 0;
    // Several regions drawn over frozen displays.
    [[nodiscard]] virtual QFuture<QList<QImage>> regions() = 0;
    // Every display's whole image, in the screens' order.
    [[nodiscard]] virtual QFuture<QList<QImage>> fullScreen() = 0;
    // Closes an open overlay without delivering a selection; nothing happens without one.
    virtual void cancel() = 0;
};

} // namespace vellumix
