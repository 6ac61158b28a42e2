// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/DisplaySnapshot.h"

#include <QList>

class QScreen;

namespace vellumix {

class ScreenGrabber;

namespace ScreenCapture {

// Freezes every screen, in Qt's screen order, each with its frame read now. Screens the grabber
// cannot read are skipped; when none is left it throws VellumixError(Capture). Errors thrown by
// the grabber end the whole capture and no partial list is returned. Runs on the GUI thread,
// before any window of ours is shown, so none of them ends up in the images.
[[nodiscard]] QList<DisplaySnapshot> snapshots(ScreenGrabber& grabber);

// The same over an explicit screen list; the primary screen anchors the desktop points.
[[nodiscard]] QList<DisplaySnapshot>
snapshots(ScreenGrabber& grabber, const QList<QScreen*>& screens, const QScreen* primary);

} // namespace ScreenCapture
} // namespace vellumix
