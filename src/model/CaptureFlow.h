// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/AppModel.h"

#include <QFuture>

namespace vellumix {

class CancelToken;

// The model's capture flow: asks the capture source for the kind's road and hands its images to
// processImages. While the source takes its snapshots the model is busy; once the overlay waits
// for the user, busy is cleared so that the selection can be recognised, and another capture
// is still refused until the overlay has ended.
class CaptureFlow final
{
public:
    CaptureFlow(AppModel& model, CaptureSource& source);

    bool capture(CaptureKind kind);
    bool isIdle() const { return m_state == State::Idle; }
    // Ends the road under way without a result.
    void cancel();

private:
    enum class State { Idle, Waiting, Open };

    void waitingForUser();
    void end(QFuture<QList<QImage>> future, const CancelToken& token, Source source);

    AppModel& m_model;
    CaptureSource& m_source;
    State m_state = State::Idle;
    CaptureKind m_kind = CaptureKind::Region;
};

} // namespace vellumix
