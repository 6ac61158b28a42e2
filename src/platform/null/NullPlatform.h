// SPDX-License-Identifier: GPL-3.0-or-later
// The null back-ends: for sessions without the mechanism, and for tests.
#pragma once

#include "platform/Notifier.h"
#include "platform/ScreenGrabber.h"
#include "platform/SoundPlayer.h"
#include "platform/TaskbarHints.h"
#include "platform/WindowActivator.h"

namespace vellumix {

// Where the compositor restores the focus itself.
class NullWindowActivator final : public WindowActivator
{
public:
    quint64 activeWindow() override { return 0; }
    void activate(quint64) override {}
};

// Where a client cannot hide its windows from the task list.
class NullTaskbarHints final : public TaskbarHints
{
public:
    void setListed(QWindow&, bool) override {}
};

class NullSoundPlayer final : public SoundPlayer
{
public:
    void play(const QString&) override {}
};

class NullNotifier final : public Notifier
{
public:
    void notify(const QString&) override {}
    void stop() override {}
};

// Reads nothing: every screen comes back null, which the capture reports as a display that
// could not be captured.
class NullScreenGrabber final : public ScreenGrabber
{
public:
    QFuture<QList<QImage>> grab(const QList<QScreen*>& screens) override
    {
        return QtFuture::makeReadyFuture(QList<QImage>(screens.size()));
    }
};

} // namespace vellumix
