// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModelFixture.h"

#include <stdexcept>

using namespace vellumix;
using namespace vellumix::testing;
using namespace Qt::StringLiterals;
using Fixture = ModelFixture;

Q_DECLARE_METATYPE(Road)
Q_DECLARE_METATYPE(std::exception_ptr)

namespace {

void capture(Fixture& f, Road road)
{
    f.model.capture(road == Road::Regions, road == Road::Full);
}

// The earlier result, clipboard and history that an ending without images leaves alone.
bool previousResultKept(Fixture& f)
{
    return f.model.text() == u"text 7"_s && Fixture::clipboard() == u"text 7"_s &&
           f.model.source() == AppModel::sourceImage && f.history().size() == 1;
}

} // namespace

class TestCaptureFlow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void roads_data()
    {
        QTest::addColumn<QString>("mode"); // null: capture(multiple, full) is called directly
        QTest::addColumn<bool>("multiple");
        QTest::addColumn<bool>("full");
        QTest::addColumn<Road>("road");
        QTest::addColumn<QString>("source");
        QTest::newRow("default Multiple")
            << u"Multiple"_s << false << false << Road::Regions << AppModel::sourceMultipleRegions;
        QTest::newRow("default Full")
            << u"Full"_s << false << false << Road::Full << AppModel::sourceFullScreen;
        QTest::newRow("a display label is not a stored mode")
            << u"Multiple regions"_s << false << false << Road::Region << AppModel::sourceScreen;
        QTest::newRow("multiple") << QString() << true << false << Road::Regions
                                  << AppModel::sourceMultipleRegions;
        QTest::newRow("full wins over multiple")
            << QString() << true << true << Road::Full << AppModel::sourceFullScreen;
    }
    // Every road hands its images, in order, to one recognition under its label.
    void roads()
    {
        QFETCH(QString, mode);
        QFETCH(bool, multiple);
        QFETCH(bool, full);
        QFETCH(Road, road);
        QFETCH(QString, source);
        Fixture f;
        f.preferences().setSeparator(u" | "_s);
        f.preferences().setDefaultMode(mode);
        mode.isNull() ? f.model.capture(multiple, full) : f.model.captureDefault();
        QCOMPARE(f.model.busy(), road != Road::Regions); // the open overlay refuses captures itself
        for (Road other : {Road::Region, Road::Regions, Road::Full})
            capture(f, other);
        QCOMPARE(f.capture.calls, QList<Road>{road});
        f.capture.deliver({keyed(5), keyed(2)});
        QTRY_COMPARE(f.model.text(), u"text 5 | text 2"_s);
        QVERIFY(f.idle());
        QCOMPARE(Fixture::clipboard(), u"text 5 | text 2"_s);
        QCOMPARE(f.model.source(), source);
        QCOMPARE(f.history().first().source, source);
    }
    void endsWithoutImages_data()
    {
        QTest::addColumn<Road>("road");
        QTest::addColumn<QString>("ending");
        QTest::newRow("overlay: the user gave up") << Road::Regions << u"empty"_s;
        QTest::newRow("full: model cancelled") << Road::Full << u"cancel"_s;
        QTest::newRow("region: cancelled capture") << Road::Region << u"Cancelled"_s;
        QTest::newRow("region: abandoned future") << Road::Region << u"abandoned"_s;
        QTest::newRow("cancel while the source cannot stop, then images") << Road::Region << u"late"_s;
    }
    // Giving up or cancelling ends quietly and the next capture can start.
    void endsWithoutImages()
    {
        QFETCH(Road, road);
        QFETCH(QString, ending);
        Fixture f;
        QVERIFY(f.run({7}, AppModel::sourceImage));
        const int opened = f.workspaceOpened;
        f.capture.honoursCancel = ending != u"late"_s;
        capture(f, road);
        if (ending == u"empty"_s)
            f.capture.deliver({});
        else if (ending == u"Cancelled"_s)
            f.capture.fail(std::make_exception_ptr(Cancelled{}));
        else if (ending == u"abandoned"_s)
            f.capture.abandon();
        else
            f.model.cancel();
        if (ending == u"late"_s)
            f.capture.deliver({keyed(5)});
        QVERIFY(f.idle());
        QTest::qWait(20); // a late recognition would have started by now
        QCOMPARE(f.engine.keys, QList<int>{7});
        QVERIFY(!f.model.message());
        QVERIFY(previousResultKept(f));
        QCOMPARE(f.workspaceOpened, opened);
        capture(f, Road::Region);
        QCOMPARE(f.capture.calls.size(), 2);
    }
    void failure_data()
    {
        QTest::addColumn<Road>("road");
        QTest::addColumn<bool>("atOnce"); // failed inside the call, as failing snapshots do
        QTest::addColumn<std::exception_ptr>("error");
        QTest::addColumn<QString>("message");
        QTest::newRow("tool failed") << Road::Region << false
                                     << std::make_exception_ptr(
                                            VellumixError::systemCapture(1, u"no display"_s))
                                     << u"Screenshot capture failed (1): no display"_s;
        QTest::newRow("no screen for the overlay")
            << Road::Regions << true << std::make_exception_ptr(VellumixError(VellumixError::Kind::Capture))
            << u"The display could not be captured. Check that your desktop allows screen capture."_s;
        QTest::newRow("a foreign exception")
            << Road::Full << false << std::make_exception_ptr(std::runtime_error("bad")) << u"bad"_s;
    }
    // A failure ends in the failure step and is not retried on another road.
    void failure()
    {
        QFETCH(Road, road);
        QFETCH(bool, atOnce);
        QFETCH(std::exception_ptr, error);
        QFETCH(QString, message);
        Fixture f;
        QVERIFY(f.run({7}, AppModel::sourceImage));
        const int opened = f.workspaceOpened;
        if (atOnce)
            f.capture.failAtOnce = error;
        capture(f, road);
        if (!atOnce)
            f.capture.fail(error);
        QVERIFY(f.idle());
        QTRY_COMPARE(f.model.message(), std::optional(message));
        QCOMPARE(f.workspaceOpened, opened + 1);
        QCOMPARE(f.capture.calls, QList<Road>{road});
        QVERIFY(previousResultKept(f));

        f.capture.failAtOnce = nullptr;
        capture(f, Road::Region);
        QVERIFY(!f.model.message()); // the next capture clears it
    }
    // The overlay may outlive the model; its late answer must not reach it.
    void modelGoneWhileOverlayOpen()
    {
        Fixture f;
        FakeCapture capture;
        capture.honoursCancel = false;
        {
            AppModel model(f.defaults, f.folder.path(), f.engine, capture, f.sound);
            model.capture(true, false);
            QVERIFY(capture.pending);
        }
        QCOMPARE(capture.cancels, 1);
        capture.deliver({keyed(6)});
        QTest::qWait(50);
        QCOMPARE(f.engine.calls.load(), 0);
    }
};

QTEST_MAIN(TestCaptureFlow)
#include "test_captureflow.moc"
