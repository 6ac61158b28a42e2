// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <variant>

namespace vellumix {

// One-shot rendezvous for a frame that arrives asynchronously (a stream, a portal response):
// a frame, an error and a time-out may all race to complete it, from any thread, and exactly
// the first one reaches the installed slot. Later completions find the slot empty.
class FrameReceiver final : public std::enable_shared_from_this<FrameReceiver>
{
public:
    using Result = std::variant<QImage, std::exception_ptr>;
    using Slot = std::function<void(Result)>;

    static std::shared_ptr<FrameReceiver> create()
    {
        return std::shared_ptr<FrameReceiver>(new FrameReceiver);
    }

    // Replaces any previous slot.
    void install(Slot slot);
    // Takes the slot under the lock and calls it after unlocking; returns whether it did.
    bool complete(Result result);
    // Completes with VellumixError(Capture) after `timeout` unless something came first. The
    // timer keeps the receiver alive until it fires. Needs an event loop on the calling thread.
    void expireAfter(std::chrono::milliseconds timeout);

private:
    FrameReceiver() = default;

    std::mutex m_lock;
    Slot m_slot;
};

} // namespace vellumix
