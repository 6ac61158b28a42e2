// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ScreenGrabber.h"

#include <QObject>

namespace vellumix {

// The Screenshot portal, non-interactive: one image of the whole layout, cut per screen. The
// compositor renders it at the largest scale of its outputs, so each cut is the screen's
// logical geometry times the image's own scale. The user's cancel ends the future with
// Cancelled, a refusal with the denied-capture error; the portal's file is removed once read.
class PortalScreenGrabber final : public QObject, public ScreenGrabber
{
    Q_OBJECT
public:
    static constexpr int defaultTimeoutMs = 60000; // long enough for a first-time permission dialog

    explicit PortalScreenGrabber(int timeoutMs = defaultTimeoutMs, QObject* parent = nullptr);

    QFuture<QList<QImage>> grab(const QList<QScreen*>& screens) override;

private:
    int m_timeoutMs;
};

} // namespace vellumix
