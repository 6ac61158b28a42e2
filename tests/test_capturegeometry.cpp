// SPDX-License-Identifier: GPL-3.0-or-later
#include "CaptureFixtures.h"
#include "capture/CaptureGeometry.h"
#include "capture/FrameReceiver.h"
#include "capture/ScreenCapture.h"
#include "core/Errors.h"

#include <QGuiApplication>
#include <QTest>

#include <atomic>
#include <thread>

using namespace vellumix;
using namespace Qt::StringLiterals;
namespace CG = vellumix::CaptureGeometry;

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
        QTest::newRow("fractional edge grows by a pixel")
            << QRectF(100.25, 200.5, 50, 40) << retina << QSize(2880, 1800) << QRect(200, 1319, 101, 80);
        QTest::newRow("cut at the display's edges before scaling")
            << QRectF(-100, 1000, 200, 200) << QRectF(-1920, 0, 1920, 1080) << QSize(1920, 1080)
            << QRect(1820, 0, 100, 80);
        QTest::newRow("no overlap") << QRectF(10, 10, 5, 5) << QRectF(100, 100, 50, 50) << QSize(77, 33)
                                    << QRect();
        // 1.25: 10 -> 12.5 floors to 12, 10 + 30 = 40 -> 50 stays; y: (100 - 60) * 1.25 = 50.
        QTest::newRow("scale 1.25 rounds outwards")
            << QRectF(10, 20, 30, 40) << QRectF(0, 0, 100, 100) << QSize(125, 125) << QRect(12, 50, 38, 50);
        QTest::newRow("scale 2, negative origin") << QRectF(-390, -50, 40, 30) << QRectF(-400, -300, 400, 300)
                                                  << QSize(800, 600) << QRect(20, 40, 80, 60);
    }
    void pixelRect()
    {
        QFETCH(QRectF, selection);
        QFETCH(QRectF, display);
        QFETCH(QSize, pixels);
        QFETCH(QRect, expected);
        QCOMPARE(CG::pixelRect(selection, display, pixels.width(), pixels.height()), expected);
    }
    void desktopFrame_data()
    {
        QTest::addColumn<QRectF>("screen");
        QTest::addColumn<QRectF>("primary");
        QTest::addColumn<QRectF>("frame");
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
    // Qt 6.4's offscreen platform makes the first screen ("left") primary, so desktop points start at
    // its lower-left corner (fixtures/three-screens.json).
    void snapshotsFollowScreens()
    {
        QCOMPARE(QGuiApplication::primaryScreen()->name(), u"left"_s);
        testing::FakeGrabber grabber;
        const auto frames = [&grabber] {
            QList<QRectF> list;
            for (const DisplaySnapshot& snapshot : ScreenCapture::snapshots(grabber).result())
                list.append(snapshot.frame);
            return list;
        };
        QCOMPARE(frames(),
                 (QList<QRectF>{{0, 0, 1000, 800}, {1000, -124, 1280, 1024}, {2280, 300, 960, 600}}));
        grabber.refused = {u"left"_s};
        QCOMPARE(frames(), (QList<QRectF>{{1000, -124, 1280, 1024}, {2280, 300, 960, 600}}));
    }
    void frameReceiverRaceDeliversOnce()
    {
        for (int round = 0; round < 50; ++round) {
            auto receiver = FrameReceiver::create();
            std::atomic<int> deliveries = 0;
            std::atomic<int> wins = 0;
            receiver->install([&](FrameReceiver::Result) { ++deliveries; });
            {
                std::vector<std::jthread> threads;
                for (int i = 0; i < 4; ++i)
                    threads.emplace_back(
                        [&] { wins += receiver->complete(QImage(1, 1, QImage::Format_RGB32)); });
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
        QVERIFY_THROWS_EXCEPTION(VellumixError,
                                 std::rethrow_exception(std::get<std::exception_ptr>(*outcome)));
        QVERIFY(!receiver->complete(QImage(1, 1, QImage::Format_RGB32))); // too late: ignored
    }
};

QTEST_MAIN(TestCaptureGeometry)
#include "test_capturegeometry.moc"
