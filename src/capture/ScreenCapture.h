// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/DisplaySnapshot.h"

#include <QFuture>
#include <QList>

class QScreen;

namespace vellumix {

class ScreenGrabber;

namespace ScreenCapture {

// Freezes every screen, in Qt's screen order, each with its frame as it was when asked. Screens
// the grabber cannot read are skipped; when none is left the future fails with
// VellumixError(Capture), and a failure of the grabber ends the whole capture without a partial
// list. Asked on the GUI thread before any window of ours is shown, so none of them ends up in
// the images; the future finishes when the grabber answers (at once on X11).
[[nodiscard]] QFuture<QList<DisplaySnapshot>> snapshots(ScreenGrabber& grabber);

// The same over an explicit screen list; the primary screen anchors the desktop points.
[[nodiscard]] QFuture<QList<DisplaySnapshot>>
snapshots(ScreenGrabber& grabber, const QList<QScreen*>& screens, const QScreen* primary);

} // namespace ScreenCapture
} // namespace vellumix
