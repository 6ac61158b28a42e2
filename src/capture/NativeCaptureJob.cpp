// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/NativeCaptureJob.h"

#include "core/Cancellation.h"
#include "core/Errors.h"

#include <QFile>
#include <QThread>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

namespace vellumix {

namespace {

// A tool that ignores the polite request is killed after this long.
constexpr int killAfterMs = 3000;

} // namespace

NativeCaptureJob::NativeCaptureJob(RegionTool tool, QString outputPath, QString errorPath, QObject* parent)
    : QObject(parent), m_tool(std::move(tool)), m_outputPath(std::move(outputPath)),
      m_errorPath(std::move(errorPath)), m_process(this)
{
    // Created here, exclusively and owner-only, before anything else can open it.
    const QByteArray path = QFile::encodeName(m_errorPath);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        throw VellumixError(VellumixError::Kind::Capture);
    ::close(fd);

    m_process.setProgram(m_tool.program);
    m_process.setArguments(m_tool.argumentsFor(m_outputPath));
    m_process.setStandardInputFile(QProcess::nullDevice());
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(m_errorPath, QIODevice::Append);
}

NativeCaptureJob::~NativeCaptureJob()
{
    m_process.disconnect(this);
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(1000); // reaps the killed child; it cannot block longer
    }
}

void NativeCaptureJob::start(Continuation continuation)
{
    std::unique_lock lock(m_lock);
    m_continuation = std::move(continuation);
    if (m_cancelled) {
        lock.unlock();
        deliver(std::make_exception_ptr(Cancelled{}));
        return;
    }
    connect(&m_process, &QProcess::finished, this, &NativeCaptureJob::onFinished);
    connect(
        &m_process, &QProcess::errorOccurred, this,
        [this](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                deliver(std::make_exception_ptr(PlatformError(m_process.errorString())));
            // Queued: a failed launch can be reported from inside start(), where the lock is held.
        },
        Qt::QueuedConnection);
    m_process.start();
}

void NativeCaptureJob::cancel()
{
    {
        const std::lock_guard guard(m_lock);
        m_cancelled = true;
    }
    // QProcess belongs to its thread; from elsewhere the terminate is posted there.
    if (QThread::currentThread() == thread())
        terminate();
    else
        QMetaObject::invokeMethod(this, &NativeCaptureJob::terminate, Qt::QueuedConnection);
}

bool NativeCaptureJob::isCancelled() const
{
    const std::lock_guard guard(m_lock);
    return m_cancelled;
}

void NativeCaptureJob::terminate()
{
    const std::lock_guard guard(m_lock);
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    QTimer::singleShot(killAfterMs, &m_process, [process = &m_process] {
        if (process->state() != QProcess::NotRunning)
            process->kill();
    });
}

void NativeCaptureJob::onFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    QString error;
    QFile file(m_errorPath);
    if (file.open(QIODevice::ReadOnly))
        error = QString::fromUtf8(file.readAll());
    // A signal is not an exit status: keep it apart from 0 and 1, which can mean a cancel.
    const int status = exitStatus == QProcess::CrashExit ? -exitCode : exitCode;
    deliver(NativeCaptureExit{status, m_tool.judgedError(error)});
}

void NativeCaptureJob::deliver(Result result)
{
    if (Continuation continuation = std::exchange(m_continuation, nullptr))
        continuation(std::move(result));
}

} // namespace vellumix
