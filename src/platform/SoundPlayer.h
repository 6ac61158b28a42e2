// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vellumix {

// Plays a freedesktop sound-theme event ("complete", ...) without blocking the caller. A missing
// sound server or sound file is not an error: the sound simply does not play.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    virtual void play(const QString& eventId) = 0;
};

} // namespace vellumix
