// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Cancellation.h"

#include <QMetaObject>
#include <QObject>
#include <QThreadPool>

#include <exception>
#include <functional>
#include <optional>
#include <type_traits>

namespace vellumix {

// Runs the model's flows: one current task, cancelled by cancel(), and the pool its work runs on.
//
// start(work, done, cancelled):
//   - work(token) runs on the pool; it may block and should call token.throwIfCancelled() at its
//     fixed points, and hand the token on so that cancel() reaches a running recognition;
//   - done(result) then runs on the context's thread, posted (never inside the call that started
//     the flow, never after the context is gone);
//   - a flow that ends cancelled, or any exception from work or done, goes to the ending given at
//     construction together with the flow's own `cancelled` step.
// The destructor cancels the current task and waits for the pool.
class FlowRunner final
{
public:
    using Ending = std::function<void(std::exception_ptr error, const std::function<void()>& cancelled)>;

    FlowRunner(QObject& context, Ending ending) : m_context(context), m_ending(std::move(ending)) {}
    ~FlowRunner()
    {
        cancel();
        m_pool.waitForDone();
    }
    FlowRunner(const FlowRunner&) = delete;
    FlowRunner& operator=(const FlowRunner&) = delete;

    // A new current task for work that runs elsewhere (a capture waiting for the system).
    CancelToken begin()
    {
        const CancelToken token;
        m_task = token;
        return token;
    }

    void cancel() const
    {
        if (m_task)
            m_task->cancel();
    }

    // Posts `apply` to the context unless the flow was cancelled meanwhile; callable from work.
    void post(const CancelToken& token, std::function<void()> apply)
    {
        QMetaObject::invokeMethod(
            &m_context,
            [token, apply = std::move(apply)] {
                if (!token.isCancelled())
                    apply();
            },
            Qt::QueuedConnection);
    }

    // For side work that is not the current task, so that the destructor waits for it too.
    QThreadPool& pool() { return m_pool; }

    void end(std::exception_ptr error, const std::function<void()>& cancelled = {}) const
    {
        m_ending(std::move(error), cancelled);
    }

    template <typename Work, typename Done>
    void start(Work work, Done done, std::function<void()> cancelled = {})
    {
        using Result = std::invoke_result_t<Work&, const CancelToken&>;
        static_assert(!std::is_void_v<Result>, "a flow's work returns its result");
        const CancelToken token = begin();
        // The ending is posted, never called: a continuation attached with then() runs at once,
        // inside the operation that started the flow, when the work has already finished by then.
        m_pool.start([this, work = std::move(work), done = std::move(done), cancelled = std::move(cancelled),
                      token]() mutable {
            std::optional<Result> value;
            std::exception_ptr error;
            try {
                token.throwIfCancelled();
                value.emplace(work(token));
            } catch (...) {
                error = std::current_exception();
            }
            QMetaObject::invokeMethod(
                &m_context,
                [this, token, done = std::move(done), cancelled = std::move(cancelled),
                 value = std::move(value), error]() mutable {
                    try {
                        if (error)
                            std::rethrow_exception(error);
                        token.throwIfCancelled();
                        done(std::move(*value));
                    } catch (...) {
                        end(std::current_exception(), cancelled);
                    }
                },
                Qt::QueuedConnection);
        });
    }

private:
    QObject& m_context;
    Ending m_ending;
    std::optional<CancelToken> m_task;
    QThreadPool m_pool;
};

} // namespace vellumix
