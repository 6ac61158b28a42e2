// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ScreenGrabber.h"

namespace vellumix {

// The X server's own read-back through Qt: one round trip per screen, answered at once.
class X11ScreenGrabber final : public ScreenGrabber
{
public:
    QFuture<QList<QImage>> grab(const QList<QScreen*>& screens) override;
};

} // namespace vellumix
