// SPDX-License-Identifier: GPL-3.0-or-later
// The fakes every suite shares: an engine, a capture source, the platform back-ends.
#pragma once

#include "capture/CaptureSource.h"
#include "core/Errors.h"
#include "core/OCREngine.h"
#include "platform/HotKeyBackend.h"
#include "platform/Notifier.h"
#include "platform/ScreenGrabber.h"
#include "platform/SoundPlayer.h"
#include "platform/TaskbarHints.h"
#include "platform/WindowActivator.h"

#include <QMap>
#include <QMutex>
#include <QPair>
#include <QPromise>
#include <QStringList>

#include <atomic>
#include <optional>

namespace vellumix::testing {

// Each test image carries its key in the red channel.
QImage keyed(int key);
Recognition recognition(const QString& text, float confidence = 0.9f, const QStringList& codes = {});

// Reads "text <key>" unless given a result (key 0: nothing); holds holdKey until released or cancelled.
class FakeEngine final : public OCREngine
{
public:
    Recognition recognize(const QImage& image, const OCROptions&, const CancelToken& cancel) override;
    QStringList languages() const override { return {}; }

    QHash<int, Recognition> results;
    QMutex mutex;
    QList<int> keys; // read unlocked only while no flow runs
    std::atomic<int> calls{0};
    std::atomic<int> holdKey{-1};
    std::atomic<bool> released{false};
    std::atomic<bool> honoursCancel{true};
    int failKey = -1;
};

enum class Road { Region, Regions, Full };

// Like the real source: cancel() ends an open overlay with no regions, a waiting capture with
// Cancelled. The overlay of several regions opens at once (waitingForUser inside regions()),
// unless `slowSnapshots` is set: then it opens when the test calls openOverlay().
class FakeCapture final : public CaptureSource
{
    Q_OBJECT
public:
    QFuture<QList<QImage>> region() override { return open(Road::Region); }
    QFuture<QList<QImage>> regions() override { return open(Road::Regions); }
    QFuture<QList<QImage>> fullScreen() override { return open(Road::Full); }
    void cancel() override;
    void openOverlay();
    void deliver(const QList<QImage>& images);
    void fail(std::exception_ptr error);
    void abandon() { pending.reset(); } // cancels the future without a result

    QList<Road> calls;
    bool honoursCancel = true;
    bool slowSnapshots = false;
    bool overlayOpen = false;
    std::exception_ptr failAtOnce; // fails inside the call
    std::optional<QPromise<QList<QImage>>> pending;

private:
    QFuture<QList<QImage>> open(Road road);
};

class FakeSound final : public SoundPlayer
{
public:
    void play(const QString& eventId) override { played.append(eventId); }
    QStringList played;
};

class FakeNotifier final : public Notifier
{
public:
    void notify(const QString& message) override { shown.append(message); }
    void stop() override { ++stopped; }
    QStringList shown;
    int stopped = 0;
};

class FakeTaskbar final : public TaskbarHints
{
public:
    void setListed(QWindow&, bool) override {}
};

// Records registrations and refuses the combinations it is told to, with the given status. With
// `answerLater` the outcomes wait for answer(), as a desktop service over D-Bus would.
class FakeHotKeyBackend final : public HotKeyBackend
{
    Q_OBJECT
public:
    using Combination = QPair<std::uint32_t, std::uint32_t>;

    Capabilities capabilities() const override { return Capability::Register | Capability::Rebind; }
    QString unavailableReason() const override { return {}; }
    void registerHotKey(int id, std::uint32_t keycode, std::uint32_t modifiers) override;
    void unregisterHotKey(int id) override { bound.remove(id); }
    void answer();

    void press(int id) { Q_EMIT activated(id); }
    void lose(int id, int status);

    QMap<Combination, int> refused;
    QMap<int, Combination> bound;
    bool answerLater = false;
    QList<QPair<int, Combination>> unanswered;
};

// Returns each screen's content at native size, except for the screens it is told to refuse.
class FakeGrabber final : public ScreenGrabber
{
public:
    QFuture<QList<QImage>> grab(const QList<QScreen*>& screens) override;
    QStringList refused;
};

// Remembers which windows the overlay handed the focus back to.
class FakeActivator final : public WindowActivator
{
public:
    quint64 active = 0x4200007;
    QList<quint64> activated;
    quint64 activeWindow() override { return active; }
    void activate(quint64 window) override { activated.append(window); }
};

// A frame whose pixels tell where they came from: red = x, green = y (native pixels, mod 256),
// blue = the 256-blocks of both.
QImage coordinateImage(int width, int height);

} // namespace vellumix::testing
