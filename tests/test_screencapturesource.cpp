// SPDX-License-Identifier: GPL-3.0-or-later
#include "CaptureFixtures.h"
#include "capture/ScreenCaptureSource.h"
#include "capture/SelectionController.h"
#include "capture/SelectionView.h"
#include "core/Errors.h"
#include "platform/ScreenGrabber.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace vellumix;
using namespace Qt::StringLiterals;
using Sizes = QList<QSize>;
using testing::captureFolders;
using testing::drag;

namespace {

// How a capture future ended: its images' sizes, or the error's message.
struct Ended
{
    Sizes sizes;
    QString failure;
};

Ended wait(QFuture<QList<QImage>> future)
{
    if (!QTest::qWaitFor([&] { return future.isFinished(); }, 15000))
        return {{}, u"still running"_s};
    Ended ended;
    try {
        future.waitForFinished();
        for (const QImage& image : future.resultCount() > 0 ? future.result() : QList<QImage>{})
            ended.sizes.append(image.size());
    } catch (const std::exception& error) {
        ended.failure = QString::fromUtf8(error.what());
    }
    return ended;
}

// Answers when the test says, as a desktop portal does.
class SlowGrabber final : public ScreenGrabber
{
public:
    QFuture<QList<QImage>> grab(const QList<QScreen*>& screens) override
    {
        asked = screens;
        promise.emplace();
        promise->start();
        return promise->future();
    }
    void answer()
    {
        testing::FakeGrabber now;
        promise->addResult(now.grab(asked).result());
        promise->finish();
    }
    QList<QScreen*> asked;
    std::optional<QPromise<QList<QImage>>> promise;
};

} // namespace

// Screens (fixtures/three-screens.json, in Qt's order): 0 "left" 1000x800 at scale 1.25,
// 1 "middle" 1280x1024 at scale 1, 2 "right" 960x600 at scale 2.
class TestScreenCaptureSource : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_fixtures.isValid());
        QVERIFY(testing::coordinateImage(30, 20).save(m_fixtures.filePath(u"fixture.png"_s)));
        QImage huge(9000, 9000, QImage::Format_Mono); // a small file over the pixel limit
        huge.fill(0);
        QVERIFY(huge.save(m_fixtures.filePath(u"huge.png"_s)));
    }
    void fullScreen()
    {
        QCOMPARE(wait(source()->fullScreen()).sizes, (Sizes{{1250, 1000}, {1280, 1024}, {1920, 1200}}));
    }
    void everyRoadFailsWithoutScreens()
    {
        auto capture = source(std::nullopt, {u"left"_s, u"middle"_s, u"right"_s});
        for (QFuture<QList<QImage>> future : {capture->fullScreen(), capture->regions(), capture->region()})
            QCOMPARE(wait(future).failure, VellumixError(VellumixError::Kind::Capture).message());
        QVERIFY(!capture->selection().isOpen());
    }
    void overlay_data()
    {
        QTest::addColumn<bool>("multiple");
        QTest::addColumn<Sizes>("sizes");
        // Scale 2, then scale 1.25: native pixels, in the order drawn.
        QTest::newRow("several regions") << true << Sizes{{200, 100}, {50, 100}};
        // Without a region tool one region is drawn on the overlay; the first drag finishes it.
        QTest::newRow("one region, no tool") << false << Sizes{{200, 100}};
    }
    void overlay()
    {
        QFETCH(bool, multiple);
        QFETCH(Sizes, sizes);
        auto capture = source();
        QFuture<QList<QImage>> future = multiple ? capture->regions() : capture->region();
        const QList<SelectionView*> panels = capture->selection().panels();
        drag(panels[2], {10, 20}, {110, 70});
        if (multiple) {
            drag(panels[0], {40, 40}, {80, 120});
            QTest::keyClick(panels[1], Qt::Key_Return);
        }
        QCOMPARE(wait(future).sizes, sizes);
    }
    void regionThroughTool_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<Sizes>("sizes");
        QTest::addColumn<QString>("failure");
        QTest::newRow("image") << u"cp fixture.png \"$1\""_s << Sizes{{30, 20}} << QString();
        QTest::newRow("over the pixel limit") << u"cp huge.png \"$1\""_s << Sizes{}
                                              << VellumixError(VellumixError::Kind::FileTooLarge).message();
    }
    void regionThroughTool()
    {
        QFETCH(QString, body);
        QFETCH(Sizes, sizes);
        QFETCH(QString, failure);
        auto capture = source(testing::fakeTool(m_fixtures.path(), body));
        const Ended ended = wait(capture->region());
        QCOMPARE(ended.failure, failure);
        QCOMPARE(ended.sizes, sizes);
        QVERIFY(!capture->selection().isOpen()); // no fallback to the overlay
        QCOMPARE(captureFolders(), QStringList{});
    }
    // The overlay opens, and says so, only once the grabber has answered; a cancel before that
    // ends the capture at once and the late answer opens nothing.
    void slowGrabber_data()
    {
        QTest::addColumn<bool>("cancelFirst");
        QTest::newRow("answered") << false;
        QTest::newRow("cancelled while grabbing") << true;
    }
    void slowGrabber()
    {
        QFETCH(bool, cancelFirst);
        SlowGrabber grabber;
        ScreenCaptureSource capture(m_activator, grabber, nullptr,
                                    [] { return std::optional<RegionTool>(); });
        QSignalSpy waiting(&capture, &CaptureSource::waitingForUser);
        QFuture<QList<QImage>> future = capture.regions();
        QVERIFY(!capture.selection().isOpen());
        if (cancelFirst) {
            capture.cancel();
            grabber.answer();
            QCOMPARE(wait(future).failure, u"cancelled"_s);
            QTest::qWait(20);
        } else {
            grabber.answer();
            QTRY_VERIFY(capture.selection().isOpen());
            capture.cancel();
            QCOMPARE(wait(future).sizes, Sizes{});
        }
        QCOMPARE(waiting.count(), cancelFirst ? 0 : 1);
        QVERIFY(!capture.selection().isOpen());
    }
    // Whoever waits hears an end, nothing is delivered and the focus goes back.
    void cancelOnTheOverlay()
    {
        m_activator.activated.clear();
        auto capture = source();
        QFuture<QList<QImage>> future = capture->regions();
        drag(capture->selection().panels()[1], {10, 10}, {60, 60});
        capture->cancel();
        const Ended ended = wait(future);
        QVERIFY(ended.failure.isEmpty() && ended.sizes.isEmpty());
        QCOMPARE(m_activator.activated.size(), 1);
        QTRY_COMPARE(QApplication::topLevelWidgets().size(), 0);
    }

private:
    std::unique_ptr<ScreenCaptureSource> source(std::optional<RegionTool> regionTool = std::nullopt,
                                                const QStringList& refused = {})
    {
        m_grabber.refused = refused;
        return std::make_unique<ScreenCaptureSource>(m_activator, m_grabber, nullptr,
                                                     [regionTool] { return regionTool; });
    }

    QTemporaryDir m_fixtures;
    testing::FakeActivator m_activator;
    testing::FakeGrabber m_grabber;
};

QTEST_MAIN(TestScreenCaptureSource)
#include "test_screencapturesource.moc"
