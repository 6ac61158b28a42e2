// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <exception>
#include <memory>

namespace vellumix {

// Thrown by long work that noticed its token was cancelled. Callers treat it as a quiet end,
// never as an error shown to the user.
struct Cancelled final : std::exception
{
    const char* what() const noexcept override { return "cancelled"; }
};

// A cheap, copyable handle to one shared cancellation flag. The flow that starts work keeps one
// copy and hands another to the worker; cancel() may be called from any thread.
class CancelToken
{
public:
    CancelToken() : m_flag(std::make_shared<std::atomic<bool>>(false)) {}

    void cancel() const { m_flag->store(true, std::memory_order_relaxed); }
    bool isCancelled() const { return m_flag->load(std::memory_order_relaxed); }
    void throwIfCancelled() const
    {
        if (isCancelled())
            throw Cancelled{};
    }

private:
    std::shared_ptr<std::atomic<bool>> m_flag;
};

} // namespace vellumix
