// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/ScreenCaptureSource.h"

#include "capture/NativeRegionCapture.h"
#include "capture/ScreenCapture.h"
#include "capture/SelectionController.h"
#include "core/Cancellation.h"
#include "core/ImageLoader.h"
#include "platform/ScreenGrabber.h"

#include <QPromise>

namespace vellumix {

ScreenCaptureSource::ScreenCaptureSource(WindowActivator& activator,
                                         ScreenGrabber& grabber,
                                         QObject* parent,
                                         ToolChoice chooseTool)
    : CaptureSource(parent),
      m_chooseTool(chooseTool ? std::move(chooseTool) : ToolChoice(&RegionTool::forSession)),
      m_grabber(grabber), m_selection(new SelectionController(&activator, this))
{
}

ScreenCaptureSource::~ScreenCaptureSource()
{
    // Waiters hear an empty selection or a cancel while this object is still whole.
    cancel();
    for (const QPointer<NativeRegionCapture>& tool : std::as_const(m_tools))
        delete tool.data();
}

QFuture<QList<QImage>> ScreenCaptureSource::region()
{
    const std::optional<RegionTool> tool = m_chooseTool();
    if (!tool)
        return overlay(false);

    m_tools.removeAll(nullptr);
    auto* capture = new NativeRegionCapture(*tool, &ImageLoader::load, this);
    m_tools.append(capture);
    // Runs where the tool's capture ends, on this thread; a failure or Cancelled travels on.
    return capture->capture().then(QtFuture::Launch::Sync,
                                   [capture = QPointer(capture)](QFuture<QImage> done) {
                                       if (capture)
                                           capture->deleteLater();
                                       const QImage image = done.result();
                                       return image.isNull() ? QList<QImage>() : QList<QImage>{image};
                                   });
}

QFuture<QList<QImage>> ScreenCaptureSource::regions()
{
    return overlay(true);
}

QFuture<QList<QImage>> ScreenCaptureSource::fullScreen()
{
    try {
        return ScreenCapture::snapshots(m_grabber).then(QtFuture::Launch::Sync,
                                                        [](const QList<DisplaySnapshot>& snapshots) {
                                                            QList<QImage> images;
                                                            images.reserve(snapshots.size());
                                                            for (const DisplaySnapshot& snapshot : snapshots)
                                                                images.append(snapshot.image);
                                                            return images;
                                                        });
    } catch (...) {
        return QtFuture::makeExceptionalFuture<QList<QImage>>(std::current_exception());
    }
}

QFuture<QList<QImage>> ScreenCaptureSource::overlay(bool multiple)
{
    auto promise = std::make_shared<QPromise<QList<QImage>>>();
    promise->start();
    QFuture<QList<QImage>> future = promise->future();
    m_snapshotting = promise;
    QFuture<QList<DisplaySnapshot>> snapshots;
    try {
        snapshots = ScreenCapture::snapshots(m_grabber);
    } catch (...) {
        snapshots = QtFuture::makeExceptionalFuture<QList<DisplaySnapshot>>(std::current_exception());
    }
    snapshots.then(this, [this, promise, multiple](QFuture<QList<DisplaySnapshot>> done) {
        if (m_snapshotting != promise)
            return; // cancelled while the grabber worked
        m_snapshotting.reset();
        QList<DisplaySnapshot> taken;
        try {
            taken = done.result();
        } catch (...) {
            promise->setException(std::current_exception());
            promise->finish();
            return;
        }
        m_selection->begin(std::move(taken), multiple, [promise](QList<QImage> images) {
            promise->addResult(std::move(images));
            promise->finish();
        });
        Q_EMIT waitingForUser();
    });
    return future;
}

void ScreenCaptureSource::cancel()
{
    if (const auto promise = std::exchange(m_snapshotting, nullptr)) {
        promise->setException(std::make_exception_ptr(Cancelled{}));
        promise->finish();
    }
    // Without an open overlay finish() would still move the focus; a cancel must not.
    if (m_selection->isOpen())
        m_selection->finish(true);
    for (const QPointer<NativeRegionCapture>& tool : std::as_const(m_tools)) {
        if (tool)
            tool->cancel();
    }
}

} // namespace vellumix
