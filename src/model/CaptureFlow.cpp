// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CaptureFlow.h"

#include "capture/CaptureSource.h"
#include "model/FlowRunner.h"

#include <QFutureWatcher>

namespace vellumix {

CaptureFlow::CaptureFlow(AppModel& model, CaptureSource& source) : m_model(model), m_source(source)
{
    QObject::connect(&m_source, &CaptureSource::waitingForUser, &m_model, [this] { waitingForUser(); });
}

bool CaptureFlow::capture(CaptureKind kind)
{
    if (m_model.m_busy || m_state != State::Idle)
        return false;
    m_model.setBusy(true);
    m_model.setMessage(std::nullopt);
    const CancelToken token = m_model.m_flows->begin();
    m_state = State::Waiting;
    m_kind = kind;

    Source source = Source::Screen;
    QFuture<QList<QImage>> future;
    switch (kind) {
    case CaptureKind::FullScreen:
        source = Source::FullScreen;
        future = m_source.fullScreen();
        break;
    case CaptureKind::Regions:
        source = Source::MultipleRegions;
        future = m_source.regions();
        break;
    case CaptureKind::Region:
        future = m_source.region();
        break;
    }
    // A watcher rather than a continuation: it never calls back into a model that is gone, and
    // it also reports a future that ends cancelled without a result.
    auto* watcher = new QFutureWatcher<QList<QImage>>(&m_model);
    QObject::connect(watcher, &QFutureWatcherBase::finished, &m_model, [this, watcher, token, source] {
        watcher->deleteLater();
        end(watcher->future(), token, source);
    });
    watcher->setFuture(future);
    return true;
}

void CaptureFlow::cancel()
{
    m_source.cancel();
}

void CaptureFlow::waitingForUser()
{
    // Several regions are recognised after the overlay, so it waits without holding busy; one
    // region stays a single flow from the request to the image.
    if (m_state != State::Waiting || m_kind != CaptureKind::Regions)
        return;
    m_state = State::Open;
    m_model.setBusy(false);
}

void CaptureFlow::end(QFuture<QList<QImage>> future, const CancelToken& token, Source source)
{
    const bool heldBusy = m_state == State::Waiting;
    m_state = State::Idle;
    // With the overlay open another flow may have started; it owns busy and the result now.
    if (!heldBusy && m_model.m_busy)
        return;
    QList<QImage> images;
    try {
        token.throwIfCancelled();
        if (future.isCanceled() && future.resultCount() == 0) {
            future.waitForFinished(); // rethrows the capture's failure, if it had one
            throw Cancelled{};
        }
        images = future.result();
    } catch (...) {
        m_model.endFlow(std::current_exception(), {});
        return;
    }
    if (heldBusy)
        m_model.setBusy(false);
    m_model.processImages(images, source);
}

} // namespace vellumix
