// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/RegionTool.h"

#include <QObject>
#include <QProcess>

#include <exception>
#include <functional>
#include <mutex>
#include <variant>

namespace vellumix {

// How the region tool ended.
struct NativeCaptureExit
{
    int status = 0; // its exit status; minus the signal number when a signal ended it
    QString error;  // its standard error, noise removed, trimmed
};

// Runs the region tool once as a child process, its standard error into a file of its own.
// The lock makes a cancellation either refuse the launch or terminate the running tool; it never
// slips in between.
class NativeCaptureJob final : public QObject
{
    Q_OBJECT
public:
    using Result = std::variant<NativeCaptureExit, std::exception_ptr>;
    using Continuation = std::function<void(Result)>;

    // Creates the error file empty with owner-only permissions; throws VellumixError(Capture) when
    // it cannot.
    NativeCaptureJob(RegionTool tool, QString outputPath, QString errorPath, QObject* parent = nullptr);
    ~NativeCaptureJob() override;

    // Launches the tool; `continuation` is called exactly once, on this object's thread: with the
    // exit, with Cancelled when cancelled before the launch, or with the launch error.
    void start(Continuation continuation);
    // Safe from any thread.
    void cancel();
    bool isCancelled() const;

private:
    void deliver(Result result);
    void terminate();
    void onFinished(int exitCode, QProcess::ExitStatus exitStatus);

    mutable std::mutex m_lock;
    RegionTool m_tool;
    QString m_outputPath;
    QString m_errorPath;
    QProcess m_process;
    bool m_cancelled = false;
    Continuation m_continuation;
};

} // namespace vellumix
