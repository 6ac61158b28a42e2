// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/FrameReceiver.h"

#include "core/Errors.h"

#include <QTimer>

namespace vellumix {

void FrameReceiver::install(Slot slot)
{
    const std::lock_guard guard(m_lock);
    m_slot = std::move(slot);
}

bool FrameReceiver::complete(Result result)
{
    Slot slot;
    {
        const std::lock_guard guard(m_lock);
        slot = std::exchange(m_slot, nullptr);
    }
    // Called outside the lock so that the slot may install again or complete other receivers.
    if (!slot)
        return false;
    slot(std::move(result));
    return true;
}

void FrameReceiver::expireAfter(std::chrono::milliseconds timeout)
{
    QTimer::singleShot(timeout, [self = shared_from_this()] {
        self->complete(std::make_exception_ptr(VellumixError(VellumixError::Kind::Capture)));
    });
}

} // namespace vellumix
