// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CaptureSource.h"
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
#include <stdexcept>

using namespace vellumix;

namespace {

enum class Road { Region, Regions, Full };

// Each test image carries its key in the red channel; the engine reads "text <key>".
QImage keyed(int key)
{
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(qRgb(key, 0, 0));
    return image;
}

class KeyEngine final : public OCREngine
{
public:
    Recognition recognize(const QImage& image, const OCROptions&, const CancelToken&) override
    {
        const int key = qRed(image.pixel(0, 0));
        {
            QMutexLocker lock(&mutex);
            keys.append(key);
        }
        while (key == holdKey && !released)
            QThread::msleep(1);
        Recognition result;
        if (key != 0) // key 0 is an image without text
            result.blocks.append(
                {QUuid::createUuid(), QStringLiteral("text %1").arg(key), 0.9f, 0.1, 0.5, 0.5, 0.1});
        return result;
    }
    QStringList languages() const override { return {}; }

    std::atomic<int> holdKey{-1};
    std::atomic<bool> released{false};

    QList<int> seen()
    {
        QMutexLocker lock(&mutex);
        return keys;
    }

private:
    QMutex mutex;
    QList<int> keys;
};

// Each road hands back a future the test finishes. Like the real source, cancel() ends an open
// overlay with no regions and a waiting capture with Cancelled.
class FakeCapture final : public CaptureSource
{
public:
    QFuture<QList<QImage>> region() override { return open(Road::Region); }
    QFuture<QList<QImage>> regions() override { return open(Road::Regions); }
    QFuture<QList<QImage>> fullScreen() override { return open(Road::Full); }
    void cancel() override
    {
        ++cancels;
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
        end();
    }
    void fail(std::exception_ptr error)
    {
        pending->setException(std::move(error));
        end();
    }
    // The promise goes away unfinished, which cancels its future without a result.
    void abandon() { pending.reset(); }

    QList<Road> calls;
    int cancels = 0;
    bool honoursCancel = true;
    std::exception_ptr failAtOnce; // the snapshots fail inside the call
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
    void end()
    {
        pending->finish();
        pending.reset();
    }
};

class SilentSound final : public SoundPlayer
{
public:
    void play(const QString&) override {}
};

struct Fixture
{
    Fixture()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        model.openWorkspace = [this] { ++workspaceOpened; };
    }
    ~Fixture() { engine.released = true; } // a failed check must not leave the engine held

    // A finished recognition that later captures must leave alone.
    bool recognisePrevious()
    {
        model.processImages({keyed(7)}, AppModel::sourceImage);
        return QTest::qWaitFor([this] { return !model.busy(); }, 5000) &&
               model.text() == QStringLiteral("text 7");
    }
    bool settled()
    {
        return QTest::qWaitFor([this] { return !model.busy() && !capture.pending; }, 5000);
    }
    static QString clipboard() { return QGuiApplication::clipboard()->text(); }

    QTemporaryDir folder;
    MemoryDefaults defaults;
    KeyEngine engine;
    FakeCapture capture;
    SilentSound sound;
    AppModel model{defaults, folder.path(), engine, capture, sound};
    int workspaceOpened = 0;
};

} // namespace

Q_DECLARE_METATYPE(Road)
Q_DECLARE_METATYPE(std::exception_ptr)

class TestCaptureFlow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void roads_data();
    void roads();
    void busyWhileCapturing_data();
    void busyWhileCapturing();
    void endsWithoutImages_data();
    void endsWithoutImages();
    void failure_data();
    void failure();
    void imageWithoutText();
    void modelGoneWhileOverlayOpen();
};

void TestCaptureFlow::roads_data()
{
    QTest::addColumn<QString>("mode"); // null: capture(multiple, full) is called directly
    QTest::addColumn<bool>("multiple");
    QTest::addColumn<bool>("full");
    QTest::addColumn<Road>("road");
    QTest::addColumn<QString>("source");

    const QString direct;
    QTest::newRow("default Region") << "Region" << false << false << Road::Region << AppModel::sourceScreen;
    QTest::newRow("default Multiple")
        << "Multiple" << false << false << Road::Regions << AppModel::sourceMultipleRegions;
    QTest::newRow("default Full") << "Full" << false << false << Road::Full << AppModel::sourceFullScreen;
    QTest::newRow("a display label is not a stored value")
        << "Multiple regions" << false << false << Road::Region << AppModel::sourceScreen;
    QTest::newRow("compared case-sensitively")
        << "full" << false << false << Road::Region << AppModel::sourceScreen;
    QTest::newRow("empty") << "" << false << false << Road::Region << AppModel::sourceScreen;
    QTest::newRow("neither flag") << direct << false << false << Road::Region << AppModel::sourceScreen;
    QTest::newRow("multiple") << direct << true << false << Road::Regions << AppModel::sourceMultipleRegions;
    QTest::newRow("full") << direct << false << true << Road::Full << AppModel::sourceFullScreen;
    QTest::newRow("full wins over multiple")
        << direct << true << true << Road::Full << AppModel::sourceFullScreen;
}

// Every road hands its images, in order, to one recognition under its label.
void TestCaptureFlow::roads()
{
    QFETCH(QString, mode);
    QFETCH(bool, multiple);
    QFETCH(bool, full);
    QFETCH(Road, road);
    QFETCH(QString, source);

    Fixture f;
    f.model.preferences().setSeparator(QStringLiteral(" | "));
    if (mode.isNull()) {
        f.model.capture(multiple, full);
    } else {
        f.model.preferences().setDefaultMode(mode);
        f.model.captureDefault();
    }
    QCOMPARE(f.capture.calls, QList<Road>{road});
    QVERIFY(f.capture.pending);

    const QList<QImage> images =
        road == Road::Region ? QList<QImage>{keyed(3)} : QList<QImage>{keyed(5), keyed(2), keyed(9)};
    f.capture.deliver(images);
    const QString expected =
        road == Road::Region ? QStringLiteral("text 3") : QStringLiteral("text 5 | text 2 | text 9");
    QTRY_COMPARE(f.model.text(), expected);
    QVERIFY(f.settled());
    QVERIFY(!f.model.message());
    QCOMPARE(f.model.source(), source);
    QCOMPARE(Fixture::clipboard(), expected);
    QCOMPARE(f.model.history().entries().size(), 1);
    QCOMPARE(f.model.history().entries().first().source, source);
    // Several images are one result with neither image nor boxes.
    QCOMPARE(f.model.image().isNull(), road != Road::Region);
    QCOMPARE(f.model.recognition().has_value(), road == Road::Region);
}

void TestCaptureFlow::busyWhileCapturing_data()
{
    QTest::addColumn<Road>("road");
    QTest::addColumn<bool>("busy"); // while the capture is open
    QTest::newRow("region tool") << Road::Region << true;
    QTest::newRow("overlay") << Road::Regions << false;
    QTest::newRow("full screen") << Road::Full << true;
}

// A capture is refused while one is open, through busy or through the open overlay, and so is a
// capture while a recognition runs.
void TestCaptureFlow::busyWhileCapturing()
{
    QFETCH(Road, road);
    QFETCH(bool, busy);

    Fixture f;
    QList<bool> busyChanges;
    connect(&f.model, &AppModel::busyChanged, &f.model, [&] { busyChanges.append(f.model.busy()); });
    f.model.capture(road == Road::Regions, road == Road::Full);
    QCOMPARE(f.model.busy(), busy);
    QCOMPARE(busyChanges.first(), true);
    QCOMPARE(busyChanges.last(), busy);
    for (const auto& [multiple, full] :
         {std::pair(false, false), std::pair(true, false), std::pair(false, true)}) {
        f.model.capture(multiple, full);
        f.model.preferences().setDefaultMode(QStringLiteral("Full"));
        f.model.captureDefault();
    }
    QCOMPARE(f.capture.calls.size(), 1);

    // The regions start the recognition, which refuses captures through busy.
    f.engine.holdKey = 4;
    f.capture.deliver({keyed(4)});
    QTRY_VERIFY(f.model.busy() && f.engine.seen() == QList<int>{4});
    f.model.capture(false, false);
    QCOMPARE(f.capture.calls.size(), 1);
    f.engine.released = true;
    QVERIFY(f.settled());
    QCOMPARE(f.model.text(), QStringLiteral("text 4"));

    f.model.capture(false, false); // idle again
    QCOMPARE(f.capture.calls.size(), 2);
}

void TestCaptureFlow::endsWithoutImages_data()
{
    QTest::addColumn<Road>("road");
    QTest::addColumn<QString>("ending");
    for (Road road : {Road::Region, Road::Regions, Road::Full}) {
        const char* name = road == Road::Region ? "region" : road == Road::Regions ? "overlay" : "full";
        QTest::addRow("%s: the user gave up", name) << road << "empty";
        QTest::addRow("%s: model cancelled", name) << road << "cancel";
        QTest::addRow("%s: cancelled capture", name) << road << "Cancelled";
        QTest::addRow("%s: abandoned future", name) << road << "abandoned";
    }
    QTest::newRow("cancel while the source cannot stop, then images")
        << Road::Region << "cancel, then images";
}

// Giving up or cancelling ends quietly: the previous result, the clipboard, the history and the
// message stay as they were, and the next capture can start.
void TestCaptureFlow::endsWithoutImages()
{
    QFETCH(Road, road);
    QFETCH(QString, ending);

    Fixture f;
    QVERIFY(f.recognisePrevious());
    const QImage previousImage = f.model.image();
    const int opened = f.workspaceOpened;

    f.capture.honoursCancel = ending != QStringLiteral("cancel, then images");
    f.model.capture(road == Road::Regions, road == Road::Full);
    if (ending == QStringLiteral("empty"))
        f.capture.deliver({});
    else if (ending == QStringLiteral("Cancelled"))
        f.capture.fail(std::make_exception_ptr(Cancelled{}));
    else if (ending == QStringLiteral("abandoned"))
        f.capture.abandon();
    else
        f.model.cancel();
    if (ending == QStringLiteral("cancel, then images"))
        f.capture.deliver({keyed(5)});
    QVERIFY(f.settled());
    QTest::qWait(20); // a late recognition would have started by now

    QCOMPARE(f.engine.seen(), QList<int>{7});
    QVERIFY(!f.model.message());
    QCOMPARE(f.model.text(), QStringLiteral("text 7"));
    QCOMPARE(f.model.source(), AppModel::sourceImage);
    QCOMPARE(f.model.image(), previousImage);
    QCOMPARE(Fixture::clipboard(), QStringLiteral("text 7"));
    QCOMPARE(f.model.history().entries().size(), 1);
    QCOMPARE(f.workspaceOpened, opened);

    f.model.capture();
    QCOMPARE(f.capture.calls.size(), 2);
}

void TestCaptureFlow::failure_data()
{
    QTest::addColumn<Road>("road");
    QTest::addColumn<bool>("atOnce"); // thrown inside the call, as failing snapshots are
    QTest::addColumn<std::exception_ptr>("error");
    QTest::addColumn<QString>("message");

    const auto capture = std::make_exception_ptr(VellumixError(VellumixError::Kind::Capture));
    const QString captureText =
        QStringLiteral("The display could not be captured. Check that your desktop allows screen capture.");
    QTest::newRow("tool failed") << Road::Region << false
                                 << std::make_exception_ptr(
                                        VellumixError::systemCapture(1, QStringLiteral("no display")))
                                 << QStringLiteral("Screenshot capture failed (1): no display");
    QTest::newRow("undecodable tool output")
        << Road::Region << false << std::make_exception_ptr(VellumixError(VellumixError::Kind::InvalidImage))
        << QStringLiteral("This file could not be decoded as an image.");
    QTest::newRow("no screen for the overlay") << Road::Regions << true << capture << captureText;
    QTest::newRow("no screen for full screen") << Road::Full << true << capture << captureText;
    QTest::newRow("platform error") << Road::Full << false
                                    << std::make_exception_ptr(PlatformError(QStringLiteral("X went away")))
                                    << QStringLiteral("X went away");
    QTest::newRow("a foreign exception")
        << Road::Region << false << std::make_exception_ptr(std::runtime_error("bad"))
        << QStringLiteral("bad");
}

// A failure ends in the failure step and is not retried on another road.
void TestCaptureFlow::failure()
{
    QFETCH(Road, road);
    QFETCH(bool, atOnce);
    QFETCH(std::exception_ptr, error);
    QFETCH(QString, message);

    Fixture f;
    QVERIFY(f.recognisePrevious());
    const int opened = f.workspaceOpened;
    if (atOnce)
        f.capture.failAtOnce = error;
    f.model.capture(road == Road::Regions, road == Road::Full);
    if (!atOnce) {
        QVERIFY(f.model.busy());
        f.capture.fail(error);
    }
    QVERIFY(f.settled());
    QTRY_COMPARE(f.model.message(), std::optional(message));
    QCOMPARE(f.workspaceOpened, opened + 1);
    QCOMPARE(f.capture.calls, QList<Road>{road});
    QCOMPARE(f.model.text(), QStringLiteral("text 7"));
    QCOMPARE(Fixture::clipboard(), QStringLiteral("text 7"));

    // The next capture clears the message.
    f.capture.failAtOnce = nullptr;
    f.model.capture();
    QVERIFY(!f.model.message());
}

void TestCaptureFlow::imageWithoutText()
{
    Fixture f;
    f.model.capture();
    f.capture.deliver({keyed(0)});
    QVERIFY(f.settled());
    QTRY_COMPARE(f.model.message(), std::optional(QStringLiteral(
                                        "No readable text was found. Your clipboard has not changed.")));
    QCOMPARE(Fixture::clipboard(), QStringLiteral("before"));
}

// The overlay may outlive the model; its late answer must not reach it.
void TestCaptureFlow::modelGoneWhileOverlayOpen()
{
    QTemporaryDir folder;
    MemoryDefaults defaults;
    KeyEngine engine;
    FakeCapture capture;
    capture.honoursCancel = false;
    SilentSound sound;
    {
        AppModel model(defaults, folder.path(), engine, capture, sound);
        model.capture(true, false);
        QVERIFY(capture.pending);
    }
    QCOMPARE(capture.cancels, 1);
    capture.deliver({keyed(6)});
    QTest::qWait(50);
    QCOMPARE(engine.seen(), QList<int>{});
}

QTEST_MAIN(TestCaptureFlow)
#include "test_captureflow.moc"
