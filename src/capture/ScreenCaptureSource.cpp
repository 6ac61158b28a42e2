// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/ScreenCaptureSource.h"

#include "capture/NativeRegionCapture.h"
#include "capture/ScreenCapture.h"
#include "capture/ScreenGrabber.h"
#include "capture/SelectionController.h"
#include "core/ImageLoader.h"

#include <QPromise>

namespace vellumix {

namespace {

QFuture<QList<QImage>> failed(std::exception_ptr error)
{
    QPromise<QList<QImage>> promise;
    promise.start();
    promise.setException(std::move(error));
    promise.finish();
    return promise.future();
}

} // namespace

ScreenCaptureSource::ScreenCaptureSource(WindowActivator& activator,
                                         QObject* parent,
                                         ToolChoice chooseTool,
                                         std::shared_ptr<ScreenGrabber> grabber)
    : QObject(parent), m_chooseTool(chooseTool ? std::move(chooseTool) : ToolChoice(&RegionTool::forSession)),
      m_grabber(grabber ? std::move(grabber) : std::make_shared<QtScreenGrabber>()),
      m_selection(new SelectionController(&activator, this))
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
        const QList<DisplaySnapshot> snapshots = ScreenCapture::snapshots(*m_grabber);
        QList<QImage> images;
        images.reserve(snapshots.size());
        for (const DisplaySnapshot& snapshot : snapshots)
            images.append(snapshot.image);
        return QtFuture::makeReadyFuture(images);
    } catch (...) {
        return failed(std::current_exception());
    }
}

QFuture<QList<QImage>> ScreenCaptureSource::overlay(bool multiple)
{
    QList<DisplaySnapshot> snapshots;
    try {
        snapshots = ScreenCapture::snapshots(*m_grabber);
    } catch (...) {
        return failed(std::current_exception());
    }
    auto promise = std::make_shared<QPromise<QList<QImage>>>();
    promise->start();
    QFuture<QList<QImage>> future = promise->future();
    m_selection->begin(std::move(snapshots), multiple, [promise](QList<QImage> images) {
        promise->addResult(std::move(images));
        promise->finish();
    });
    return future;
}

void ScreenCaptureSource::cancel()
{
    // Without an open overlay finish() would still move the focus; a cancel must not.
    if (m_selection->isOpen())
        m_selection->finish(true);
    for (const QPointer<NativeRegionCapture>& tool : std::as_const(m_tools)) {
        if (tool)
            tool->cancel();
    }
}

} // namespace vellumix
