// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFuture>
#include <QImage>
#include <QList>
#include <QObject>

namespace vellumix {

// The three capture roads as the application model sees them. Each future finishes on the GUI
// thread's side with the captured images in order, with an empty list when the user gave up,
// cancelled without a result after cancel(), or with a VellumixError when nothing could be
// captured. A road never falls back to another.
//
// A road first takes what it needs from the system (snapshots of the displays, which a desktop
// portal may take its time to hand over) and may then wait for the user. The move from the one
// to the other is announced by waitingForUser(); a road that waits in the system's own tool
// throughout never announces it.
class CaptureSource : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // One region, through the desktop's screenshot tool or, without one, the own overlay.
    [[nodiscard]] virtual QFuture<QList<QImage>> region() = 0;
    // Several regions drawn over frozen displays.
    [[nodiscard]] virtual QFuture<QList<QImage>> regions() = 0;
    // Every display's whole image, in the screens' order.
    [[nodiscard]] virtual QFuture<QList<QImage>> fullScreen() = 0;
    // Ends the running road without delivering anything: an open overlay closes, a running tool
    // stops, snapshots still on their way are dropped.
    virtual void cancel() = 0;

Q_SIGNALS:
    // The snapshots are on screen in the overlay, which now waits for the user.
    void waitingForUser();
};

} // namespace vellumix
