// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/NativeRegionCapture.h"

#include "capture/NativeCaptureJob.h"
#include "core/Cancellation.h"
#include "core/Errors.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPointer>
#include <QPromise>
#include <QTextBoundaryFinder>
#include <QUuid>
#include <QtConcurrent>

#include <cerrno>
#include <sys/stat.h>

namespace vellumix {

struct NativeRegionCapture::Run
{
    QString folder;
    QPromise<QImage> promise;
    QPointer<NativeCaptureJob> job;
    CancelToken cancelled;
    bool ended = false;
};

NativeRegionCapture::NativeRegionCapture(RegionTool tool, ImageLoad load, QObject* parent)
    : QObject(parent), m_tool(std::move(tool)), m_load(load ? std::move(load) : ImageLoad(&plainLoad))
{
}

NativeRegionCapture::~NativeRegionCapture()
{
    // Nothing outlives us: tools are stopped by their jobs, folders go, waiters hear a cancel.
    const QList<std::shared_ptr<Run>> runs = m_runs;
    for (const std::shared_ptr<Run>& run : runs) {
        run->cancelled.cancel();
        run->promise.setException(std::make_exception_ptr(Cancelled{}));
        end(run);
    }
}

QFuture<QImage> NativeRegionCapture::capture()
{
    auto run = std::make_shared<Run>();
    run->promise.start();
    QFuture<QImage> future = run->promise.future();

    const QString folder = QDir::tempPath() + QStringLiteral("/Vellumix-Capture-") +
                           QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0) {
        run->promise.setException(std::make_exception_ptr(PlatformError(qt_error_string(errno))));
        run->promise.finish();
        return future;
    }
    run->folder = folder;
    m_runs.append(run);

    try {
        run->job = new NativeCaptureJob(m_tool, folder + QStringLiteral("/region.png"),
                                        folder + QStringLiteral("/capture-error.txt"), this);
    } catch (...) {
        run->promise.setException(std::current_exception());
        end(run);
        return future;
    }

    run->job->start([this, run](NativeCaptureJob::Result result) {
        if (run->ended)
            return;
        if (run->cancelled.isCancelled()) {
            run->promise.setException(std::make_exception_ptr(Cancelled{}));
            end(run);
        } else if (const auto* error = std::get_if<std::exception_ptr>(&result)) {
            run->promise.setException(*error);
            end(run);
        } else {
            const auto& exit = std::get<NativeCaptureExit>(result);
            judge(run, exit.status, exit.error);
        }
    });
    return future;
}

void NativeRegionCapture::judge(const std::shared_ptr<Run>& run, int status, const QString& error)
{
    const QString output = run->folder + QStringLiteral("/region.png");
    const bool exists = QFileInfo(output).isFile();
    const QString detail = truncated(error, detailLength);

    if (!exists && (status == 0 || status == 1) && error.isEmpty()) {
        run->promise.addResult(QImage()); // the user gave up the selection
        end(run);
        return;
    }
    if (!exists || status != 0) {
        run->promise.setException(std::make_exception_ptr(VellumixError::systemCapture(status, detail)));
        end(run);
        return;
    }

    // The loader's own exception travels by hand: QtConcurrent would wrap anything that is not
    // a QException.
    using Loaded = std::variant<QImage, std::exception_ptr>;
    QtConcurrent::run([load = m_load, output]() -> Loaded {
        try {
            return load(output);
        } catch (...) {
            return std::current_exception();
        }
    }).then(this, [this, run](const Loaded& loaded) {
        if (run->ended)
            return;
        if (run->cancelled.isCancelled())
            run->promise.setException(std::make_exception_ptr(Cancelled{}));
        else if (const auto* failure = std::get_if<std::exception_ptr>(&loaded))
            run->promise.setException(*failure);
        else
            run->promise.addResult(std::get<QImage>(loaded));
        end(run);
    });
}

void NativeRegionCapture::end(const std::shared_ptr<Run>& run)
{
    if (run->ended)
        return;
    run->ended = true;
    if (run->job)
        run->job->deleteLater();
    if (!run->folder.isEmpty())
        QDir(run->folder).removeRecursively(); // a failure to remove is not the user's problem
    run->promise.finish();
    m_runs.removeOne(run);
}

void NativeRegionCapture::cancel()
{
    // Only the GUI thread touches m_runs; another thread cancels through a queued call.
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, &NativeRegionCapture::cancel, Qt::QueuedConnection);
        return;
    }
    const QList<std::shared_ptr<Run>> runs = m_runs;
    for (const std::shared_ptr<Run>& run : runs) {
        run->cancelled.cancel();
        if (run->job)
            run->job->cancel();
    }
}

QImage NativeRegionCapture::plainLoad(const QString& path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull())
        throw VellumixError(VellumixError::Kind::InvalidImage);
    return image;
}

QString NativeRegionCapture::truncated(const QString& text, qsizetype length)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (count < length && finder.toNextBoundary() != -1)
        ++count;
    return count < length ? text : text.left(finder.position());
}

} // namespace vellumix
