// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vellumix {

// Confirms a success without taking the keyboard focus: one message at a time, a newer one
// replacing the one shown, each gone by itself after a short while.
class Notifier
{
public:
    static constexpr int lifetimeMs = 2000;

    virtual ~Notifier() = default;
    virtual void notify(const QString& message) = 0;
    // Takes the message on screen away at once (at termination).
    virtual void stop() = 0;
};

} // namespace vellumix
