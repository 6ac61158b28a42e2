// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/DesktopDialogCapture.h"

#include "core/Cancellation.h"
#include "core/Errors.h"
#include "platform/ScreenGrabber.h"

namespace vellumix {

DesktopDialogCapture::DesktopDialogCapture(CaptureSource& inner, ScreenGrabber& grabber, QObject* parent)
    : CaptureSource(parent), m_inner(inner), m_grabber(grabber)
{
    connect(&m_inner, &CaptureSource::waitingForUser, this, &CaptureSource::waitingForUser);
}

DesktopDialogCapture::~DesktopDialogCapture()
{
    cancel();
}

QFuture<QList<QImage>> DesktopDialogCapture::region()
{
    return road([this] { return m_inner.region(); });
}

QFuture<QList<QImage>> DesktopDialogCapture::regions()
{
    return road([this] { return m_inner.regions(); });
}

QFuture<QList<QImage>> DesktopDialogCapture::fullScreen()
{
    return road([this] { return m_inner.fullScreen(); });
}

QFuture<QList<QImage>> DesktopDialogCapture::road(const Road& start)
{
    if (m_grabber.interactiveOnly())
        return dialog();
    auto promise = std::make_shared<QPromise<QList<QImage>>>();
    promise->start();
    QFuture<QList<QImage>> future = promise->future();
    start().then(this, [this, promise](QFuture<QList<QImage>> done) {
        try {
            const QList<QImage> images = done.result();
            promise->addResult(images);
        } catch (const VellumixError& error) {
            if (error.kind() == VellumixError::Kind::Permission && m_grabber.interactiveOnly()) {
                dialog().then(this, [promise](QFuture<QList<QImage>> asked) {
                    try {
                        promise->addResult(asked.result());
                    } catch (...) {
                        promise->setException(std::current_exception());
                    }
                    promise->finish();
                });
                return;
            }
            promise->setException(std::current_exception());
        } catch (...) {
            promise->setException(std::current_exception());
        }
        promise->finish();
    });
    return future;
}

QFuture<QList<QImage>> DesktopDialogCapture::dialog()
{
    cancel();
    auto promise = std::make_shared<QPromise<QList<QImage>>>();
    promise->start();
    m_dialog = promise;
    m_grabber.pick().then(this, [this, promise](QFuture<QImage> done) {
        if (m_dialog != promise)
            return; // cancelled meanwhile: the image, if any, is dropped
        m_dialog.reset();
        try {
            const QImage image = done.result();
            // A cancel in the dialog is the user giving up: no images.
            promise->addResult(image.isNull() ? QList<QImage>() : QList<QImage>{image});
        } catch (...) {
            promise->setException(std::current_exception());
        }
        promise->finish();
    });
    return promise->future();
}

void DesktopDialogCapture::cancel()
{
    if (const auto promise = std::exchange(m_dialog, nullptr)) {
        promise->setException(std::make_exception_ptr(Cancelled{}));
        promise->finish();
    }
    m_inner.cancel();
}

} // namespace vellumix
