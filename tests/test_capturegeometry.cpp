// SPDX-License-Identifier: GPL-3.0-or-later
#include "CaptureFixtures.h"
#include "capture/CaptureGeometry.h"
#include "capture/DisplaySnapshot.h"
#include "capture/FrameReceiver.h"
#include "capture/ScreenCapture.h"
#include "capture/ScreenGrabber.h"
#include "core/Errors.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QThread>

#include <atomic>

using namespace vellumix;
using namespace Qt::StringLiterals;
namespace CG = vellumix::CaptureGeometry;

using test::coordinateImage;
using test::FakeGrabber;

class TestCaptureGeometry : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pixelRect_data()
    {
        QTest::addColumn<QRectF>("selection");
        QTest::addColumn<QRectF>("display");
        QTest::addColumn<QSize>("pixels");
        QTest::addColumn<QRect>("expected");

        const QRectF retina(0, 0, 1440, 900);
        const QSize retinaPixels(2880, 1800);
        QTest::newRow("fractional edge grows by a pixel")
            << QRectF(100.25, 200.5, 50, 40) << retina << retinaPixels << QRect(200, 1319, 101, 80);
        QTest::newRow("cut at the display's edges before scaling")
            << QRectF(-100, 1000, 200, 200) << QRectF(-1920, 0, 1920, 1080) << QSize(1920, 1080)
            << QRect(1820, 0, 100, 80);
        QTest::newRow("top-right corner")
            << QRectF(1430, 890, 40, 40) << retina << retinaPixels << QRect(2860, 0, 20, 20);
        QTest::newRow("no overlap") << QRectF(10, 10, 5, 5) << QRectF(100, 100, 50, 50) << QSize(77, 33)
                                    << QRect();
        QTest::newRow("touching edge only")
            << QRectF(150, 100, 10, 10) << QRectF(100, 100, 50, 50) << QSize(50, 50) << QRect();
        QTest::newRow("zero width display")
            << QRectF(0, 0, 5, 5) << QRectF(0, 0, 0, 50) << QSize(10, 10) << QRect();
        QTest::newRow("scale 2 doubles everything")
            << QRectF(10, 20, 30, 40) << QRectF(0, 0, 100, 100) << QSize(200, 200) << QRect(20, 80, 60, 80);
        // 1.25: 10 -> 12.5 floors to 12, 10 + 30 = 40 -> 50 stays; y: (100 - 60) * 1.25 = 50.
        QTest::newRow("scale 1.25 rounds outwards")
            << QRectF(10, 20, 30, 40) << QRectF(0, 0, 100, 100) << QSize(125, 125) << QRect(12, 50, 38, 50);
        QTest::newRow("top of the display is row 0")
            << QRectF(0, 90, 10, 10) << QRectF(0, 0, 100, 100) << QSize(100, 100) << QRect(0, 0, 10, 10);
        QTest::newRow("display below and left of the primary")
            << QRectF(-900, -700, 100, 100) << QRectF(-1000, -800, 1000, 800) << QSize(1250, 1000)
            << QRect(125, 750, 125, 125);
        QTest::newRow("image smaller than the frame")
            << QRectF(0, 0, 100, 100) << QRectF(0, 0, 100, 100) << QSize(50, 40) << QRect(0, 0, 50, 40);
        QTest::newRow("empty image") << QRectF(0, 0, 10, 10) << QRectF(0, 0, 100, 100) << QSize(0, 0)
                                     << QRect();
    }
    void pixelRect()
    {
        QFETCH(QRectF, selection);
        QFETCH(QRectF, display);
        QFETCH(QSize, pixels);
        QFETCH(QRect, expected);
        const QRect actual = CG::pixelRect(selection, display, pixels.width(), pixels.height());
        QCOMPARE(actual, expected);
    }
    void desktopFrame_data()
    {
        QTest::addColumn<QRectF>("screen");
        QTest::addColumn<QRectF>("primary");
        QTest::addColumn<QRectF>("frame");

        const QRectF primary(0, 0, 1920, 1080);
        QTest::newRow("primary itself") << primary << primary << QRectF(0, 0, 1920, 1080);
        QTest::newRow("left of the primary, top aligned")
            << QRectF(-1280, 0, 1280, 1024) << primary << QRectF(-1280, 56, 1280, 1024);
        QTest::newRow("below the primary")
            << QRectF(0, 1080, 1920, 1080) << primary << QRectF(0, -1080, 1920, 1080);
        // X11 with mixed scale: native origin, logical size.
        QTest::newRow("scaled screen keeps its native origin")
            << QRectF(960, 0, 480, 540) << QRectF(0, 0, 960, 1080) << QRectF(960, 540, 480, 540);
        QTest::newRow("primary not at the origin")
            << QRectF(100, 50, 800, 600) << QRectF(1000, 0, 800, 600) << QRectF(-900, -50, 800, 600);
    }
    void desktopFrame()
    {
        QFETCH(QRectF, screen);
        QFETCH(QRectF, primary);
        QFETCH(QRectF, frame);
        QCOMPARE(CG::desktopFrame(screen, primary), frame);
        QCOMPARE(CG::screenGeometry(frame, primary), screen);
    }
    void cropDeliversNativePixels_data()
    {
        QTest::addColumn<qreal>("dpr");
        QTest::addColumn<QRectF>("frame");
        QTest::addColumn<QRectF>("selection"); // desktop points
        QTest::addColumn<QRect>("source");     // where in the native image the crop must come from

        QTest::newRow("scale 1") << 1.0 << QRectF(0, 0, 400, 300) << QRectF(10, 250, 40, 30)
                                 << QRect(10, 20, 40, 30);
        QTest::newRow("scale 2, negative origin")
            << 2.0 << QRectF(-400, -300, 400, 300) << QRectF(-390, -50, 40, 30) << QRect(20, 40, 80, 60);
        QTest::newRow("scale 1.25") << 1.25 << QRectF(400, 0, 400, 320) << QRectF(408, 280, 40, 32)
                                    << QRect(10, 10, 50, 40);
    }
    void cropDeliversNativePixels()
    {
        QFETCH(qreal, dpr);
        QFETCH(QRectF, frame);
        QFETCH(QRectF, selection);
        QFETCH(QRect, source);

        QImage image = coordinateImage(qRound(frame.width() * dpr), qRound(frame.height() * dpr));
        image.setDevicePixelRatio(dpr);
        const DisplaySnapshot snapshot{frame, image};
        const QImage crop = snapshot.crop(selection);
        QCOMPARE(crop.size(), source.size());
        QCOMPARE(crop.devicePixelRatio(), 1.0);
        QCOMPARE(crop.pixel(0, 0), image.pixel(source.topLeft()));
        QCOMPARE(crop.pixel(crop.width() - 1, crop.height() - 1), image.pixel(source.bottomRight()));

        QVERIFY(snapshot.crop(selection.translated(frame.width() * 2, 0)).isNull());
    }
    void snapshotsFollowScreens()
    {
        const QList<QScreen*> screens = QGuiApplication::screens();
        // fixtures/three-screens.json: Qt 6.4's offscreen platform makes the first screen primary,
        // so desktop points start at the lower-left corner of "left", whose Qt origin is negative.
        QCOMPARE(screens.size(), 3);
        QCOMPARE(QGuiApplication::primaryScreen()->name(), u"left"_s);

        FakeGrabber grabber;
        const QList<DisplaySnapshot> all = ScreenCapture::snapshots(grabber);
        QCOMPARE(all.size(), 3);
        QCOMPARE(all[0].frame, QRectF(0, 0, 1000, 800));
        QCOMPARE(all[1].frame, QRectF(1000, -124, 1280, 1024));
        QCOMPARE(all[2].frame, QRectF(2280, 300, 960, 600));
        QCOMPARE(all[0].image.size(), QSize(1250, 1000));
        QCOMPARE(all[2].image.size(), QSize(1920, 1200));

        // A region dragged on the scale-2 screen comes out at twice its size in points.
        const QImage crop = all[2].crop(QRectF(2280 + 100, 300 + 500, 50, 40));
        QCOMPARE(crop.size(), QSize(100, 80));
        QCOMPARE(crop.pixel(0, 0), all[2].image.pixel(200, 120));

        grabber.refused = {u"left"_s};
        const QList<DisplaySnapshot> some = ScreenCapture::snapshots(grabber);
        QCOMPARE(some.size(), 2);
        QCOMPARE(some[1].frame, all[2].frame);
    }
    void noScreenCapturedFails()
    {
        FakeGrabber grabber;
        grabber.refused = {u"middle"_s, u"left"_s, u"right"_s};
        try {
            (void)ScreenCapture::snapshots(grabber);
            QFAIL("no screen was captured, yet no error");
        } catch (const VellumixError& error) {
            QCOMPARE(error.kind(), VellumixError::Kind::Capture);
        }
    }
    void frameReceiverRaceDeliversOnce()
    {
        for (int round = 0; round < 50; ++round) {
            auto receiver = FrameReceiver::create();
            std::atomic<int> deliveries = 0;
            receiver->install([&](FrameReceiver::Result) { ++deliveries; });
            std::atomic<int> wins = 0;
            QList<QThread*> threads;
            for (int i = 0; i < 4; ++i) {
                threads.append(QThread::create([&] {
                    if (receiver->complete(QImage(1, 1, QImage::Format_RGB32)))
                        ++wins;
                }));
            }
            for (QThread* thread : threads)
                thread->start();
            for (QThread* thread : threads) {
                thread->wait();
                delete thread;
            }
            QCOMPARE(deliveries.load(), 1);
            QCOMPARE(wins.load(), 1);
        }
    }
    void frameReceiverTimesOut()
    {
        auto receiver = FrameReceiver::create();
        std::optional<FrameReceiver::Result> outcome;
        receiver->install([&](FrameReceiver::Result result) { outcome = std::move(result); });
        receiver->expireAfter(std::chrono::milliseconds(20));
        QTRY_VERIFY(outcome.has_value());
        QVERIFY(std::holds_alternative<std::exception_ptr>(*outcome));
        try {
            std::rethrow_exception(std::get<std::exception_ptr>(*outcome));
        } catch (const VellumixError& error) {
            QCOMPARE(error.kind(), VellumixError::Kind::Capture);
        }
        // A frame after the time-out finds no slot.
        QVERIFY(!receiver->complete(coordinateImage(2, 2)));
    }
};

QTEST_MAIN(TestCaptureGeometry)
#include "test_capturegeometry.moc"
