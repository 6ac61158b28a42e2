// SPDX-License-Identifier: GPL-3.0-or-later
// An AppModel over fakes: an engine reading a key from each image, a capture the test finishes.
#pragma once

#include "capture/CaptureSource.h"
#include "core/Errors.h"
#include "core/OCREngine.h"
#include "model/AppModel.h"
#include "model/HistoryStore.h"
#include "model/Preferences.h"
#include "model/SoundPlayer.h"
#include "model/UserDefaults.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMutex>
#include <QPromise>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <optional>

namespace vellumix::testing {

// Each test image carries its key in the red channel.
inline QImage keyed(int key)
{
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(qRgb(key, 0, 0));
    return image;
}

inline Recognition recognition(const QString& text, float confidence = 0.9f, const QStringList& codes = {})
{
    Recognition result;
    if (!text.isEmpty())
        result.blocks.append({QUuid::createUuid(), text, confidence, 0.1, 0.5, 0.5, 0.05});
    result.codes = codes;
    return result;
}

// Reads "text <key>" unless given a result (key 0: nothing); holds holdKey until released or cancelled.
class FakeEngine final : public OCREngine
{
public:
    Recognition recognize(const QImage& image, const OCROptions&, const CancelToken& cancel) override
    {
        const int key = qRed(image.pixel(image.width() / 2, image.height() / 2));
        QMutexLocker lock(&mutex); // document pages arrive on several threads
        keys.append(key);
        lock.unlock();
        ++calls;
        while (holdKey == key && !released) {
            if (honoursCancel && cancel.isCancelled())
                throw Cancelled{};
            QThread::msleep(1);
        }
        if (key == failKey)
            throw PlatformError(QStringLiteral("The engine broke."));
        return results.contains(key) || key == 0 ? results.value(key)
                                                 : recognition(QStringLiteral("text %1").arg(key));
    }
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

// Like the real source, cancel() ends an open overlay with no regions, a waiting capture with Cancelled.
class FakeCapture final : public CaptureSource
{
public:
    QFuture<QList<QImage>> region() override { return open(Road::Region); }
    QFuture<QList<QImage>> regions() override { return open(Road::Regions); }
    QFuture<QList<QImage>> fullScreen() override { return open(Road::Full); }
    void cancel() override
    {
        if (!pending || !honoursCancel)
            return;
        if (calls.last() == Road::Regions)
            deliver({});
        else
            fail(std::make_exception_ptr(Cancelled{}));
    }
    void deliver(const QList<QImage>& images)
    {
        pending->addResult(images);
        pending->finish();
        pending.reset();
    }
    void fail(std::exception_ptr error)
    {
        pending->setException(std::move(error));
        pending->finish();
        pending.reset();
    }
    void abandon() { pending.reset(); } // cancels the future without a result

    QList<Road> calls;
    bool honoursCancel = true;
    std::exception_ptr failAtOnce; // fails inside the call
    std::optional<QPromise<QList<QImage>>> pending;

private:
    QFuture<QList<QImage>> open(Road road)
    {
        calls.append(road);
        pending.emplace();
        pending->start();
        QFuture<QList<QImage>> future = pending->future();
        if (failAtOnce)
            fail(failAtOnce);
        return future;
    }
};

class FakeSound final : public SoundPlayer
{
public:
    void play(const QString& eventId) override { played.append(eventId); }
    QStringList played;
};

struct ModelFixture
{
    ModelFixture() : model(defaults, folder.path(), engine, capture, sound)
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        model.openWorkspace = [this] { ++workspaceOpened; };
        model.toast = [this](const QString& text) { toasts.append(text); };
    }
    ~ModelFixture() { engine.released = true; } // a failed check must not leave the engine held

    Preferences& preferences() { return model.preferences(); }
    const QList<HistoryEntry>& history() { return model.history().entries(); }
    static QString clipboard() { return QGuiApplication::clipboard()->text(); }
    bool idle()
    {
        return QTest::qWaitFor([this] { return !model.busy() && !capture.pending; }, 5000);
    }
    bool run(const QList<int>& keys, const QString& source = AppModel::sourceScreen)
    {
        QList<QImage> images;
        for (int key : keys)
            images.append(keyed(key));
        model.processImages(images, source);
        return idle();
    }

    QTemporaryDir folder;
    MemoryDefaults defaults;
    FakeEngine engine;
    FakeCapture capture;
    FakeSound sound;
    AppModel model;
    int workspaceOpened = 0;
    QStringList toasts;
};

} // namespace vellumix::testing
