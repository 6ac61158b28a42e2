// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/CaptureSource.h"

#include <QPromise>

#include <functional>
#include <memory>

namespace vellumix {

class ScreenGrabber;

// The capture roads of `inner`, except where the desktop refuses to hand out the screens' images
// without asking: there every road is the desktop's own dialog, whose image is the capture (one
// region, chosen in the dialog; no overlay of ours). A road refused by the desktop goes on through
// the dialog at once.
class DesktopDialogCapture final : public CaptureSource
{
    Q_OBJECT
public:
    // `inner` and `grabber` must outlive this object.
    DesktopDialogCapture(CaptureSource& inner, ScreenGrabber& grabber, QObject* parent = nullptr);
    ~DesktopDialogCapture() override;

    QFuture<QList<QImage>> region() override;
    QFuture<QList<QImage>> regions() override;
    QFuture<QList<QImage>> fullScreen() override;
    void cancel() override;

private:
    using Road = std::function<QFuture<QList<QImage>>()>;
    QFuture<QList<QImage>> road(const Road& start);
    QFuture<QList<QImage>> dialog();

    CaptureSource& m_inner;
    ScreenGrabber& m_grabber;
    // The dialog's promise while it is open.
    std::shared_ptr<QPromise<QList<QImage>>> m_dialog;
};

} // namespace vellumix
