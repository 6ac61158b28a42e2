// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ScreenGrabber.h"

#include <QObject>

namespace vellumix {

// The Screenshot portal, non-interactive: one image of the whole layout, cut per screen. The
// compositor renders it at the largest scale of its outputs, so each cut is the screen's
// logical geometry times the image's own scale. The user's cancel ends the future with
// Cancelled, a refusal with the denied-capture error; the portal's file is removed once read.
// After a refusal the grabber is interactive-only: the portal's dialog asks the user each time.
class PortalScreenGrabber final : public QObject, public ScreenGrabber
{
    Q_OBJECT
public:
    static constexpr int defaultTimeoutMs = 60000; // long enough for a first-time permission dialog

    explicit PortalScreenGrabber(int timeoutMs = defaultTimeoutMs, QObject* parent = nullptr);

    QFuture<QList<QImage>> grab(const QList<QScreen*>& screens) override;
    bool interactiveOnly() const override { return m_interactiveOnly; }
    QFuture<QImage> pick() override;

private:
    // The file the portal wrote, read and removed off the GUI thread.
    QFuture<QImage> screenshot(bool interactive);

    int m_timeoutMs;
    bool m_interactiveOnly = false;
};

} // namespace vellumix
