// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/SoundPlayer.h"

struct ca_context;

namespace vellumix {

// Event sounds through libcanberra, which follows the user's sound theme and event-sound setting
// and plays asynchronously in its own thread.
class CanberraSoundPlayer final : public SoundPlayer
{
public:
    CanberraSoundPlayer();
    ~CanberraSoundPlayer() override;
    CanberraSoundPlayer(const CanberraSoundPlayer&) = delete;
    CanberraSoundPlayer& operator=(const CanberraSoundPlayer&) = delete;

    void play(const QString& eventId) override;

private:
    ca_context* m_context = nullptr;
};

} // namespace vellumix
