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

bool capture(Fixture& f, Road road)
{
    return f.model.capture(road == Road::Regions ? CaptureKind::Regions
                           : road == Road::Full  ? CaptureKind::FullScreen
                                                 : CaptureKind::Region);
}

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
        QTest::addColumn<QString>("mode");
        QTest::addColumn<Road>("road");
        QTest::addColumn<QString>("source");
        QTest::newRow("Multiple") << u"Multiple"_s << Road::Regions << AppModel::sourceMultipleRegions;
        QTest::newRow("Full") << u"Full"_s << Road::Full << AppModel::sourceFullScreen;
        QTest::newRow("a display label is not a stored mode")
            << u"Multiple regions"_s << Road::Region << AppModel::sourceScreen;
    }
    void roads()
    {
        QFETCH(QString, mode);
        QFETCH(Road, road);
        QFETCH(QString, source);
        Fixture f;
        f.preferences().setSeparator(u" | "_s);
        f.preferences().setDefaultMode(mode);
        QVERIFY(f.model.captureDefault());
        QCOMPARE(f.model.busy(), road != Road::Regions); // the open overlay refuses captures itself
        for (Road other : {Road::Region, Road::Regions, Road::Full})
            QVERIFY(!capture(f, other));
        QCOMPARE(f.capture.calls, QList<Road>{road});
        f.capture.deliver({keyed(5), keyed(2)});
        QTRY_COMPARE(Fixture::clipboard(), u"text 5 | text 2"_s);
        QVERIFY(f.idle());
        QCOMPARE(f.history().first().source, source);
    }
    void endings_data()
    {
        QTest::addColumn<Road>("road");
        QTest::addColumn<QString>("ending");
        QTest::addColumn<std::exception_ptr>("error");
        QTest::addColumn<QString>("message");
        QTest::newRow("overlay: the user gave up")
            << Road::Regions << u"empty"_s << std::exception_ptr() << QString();
        QTest::newRow("full: model cancelled")
            << Road::Full << u"cancel"_s << std::exception_ptr() << QString();
        QTest::newRow("region: abandoned future")
            << Road::Region << u"abandoned"_s << std::exception_ptr() << QString();
        QTest::newRow("cancel while the source cannot stop, then images")
            << Road::Region << u"late"_s << std::exception_ptr() << QString();
        QTest::newRow("tool failed") << Road::Region << u"fail"_s
                                     << std::make_exception_ptr(
                                            VellumixError::systemCapture(1, u"no display"_s))
                                     << u"Screenshot capture failed (1): no display"_s;
        QTest::newRow("no screen for the overlay, inside the call")
            << Road::Regions << u"at once"_s
            << std::make_exception_ptr(VellumixError(VellumixError::Kind::Capture))
            << u"The display could not be captured. Check that your desktop allows screen capture."_s;
        QTest::newRow("a foreign exception")
            << Road::Full << u"fail"_s << std::make_exception_ptr(std::runtime_error("bad")) << u"bad"_s;
    }
    // A failure shows its message and is not retried on another road; every other ending is quiet.
    void endings()
    {
        QFETCH(Road, road);
        QFETCH(QString, ending);
        QFETCH(std::exception_ptr, error);
        QFETCH(QString, message);
        Fixture f;
        QVERIFY(f.run({7}, Source::Image));
        const int opened = f.workspaceOpened;
        f.capture.honoursCancel = ending != u"late"_s;
        if (ending == u"at once"_s)
            f.capture.failAtOnce = error;
        capture(f, road);
        if (ending == u"empty"_s)
            f.capture.deliver({});
        else if (ending == u"abandoned"_s)
            f.capture.abandon();
        else if (ending == u"fail"_s)
            f.capture.fail(error);
        else if (ending != u"at once"_s)
            f.model.cancel();
        if (ending == u"late"_s)
            f.capture.deliver({keyed(5)});
        QVERIFY(f.idle());
        QTRY_COMPARE(f.model.message().value_or(QString()), message);
        QTest::qWait(20); // a late recognition would have started by now
        QCOMPARE(f.engine.keys, QList<int>{7});
        QVERIFY(previousResultKept(f));
        QCOMPARE(f.workspaceOpened, opened + (message.isEmpty() ? 0 : 1));
        QCOMPARE(f.capture.calls, QList<Road>{road});
        f.capture.failAtOnce = nullptr; // the next capture can start
        capture(f, Road::Region);
        QCOMPARE(f.capture.calls.size(), 2);
        QVERIFY(!f.model.message()); // the next capture clears it
    }
    // Snapshots that take their time (a portal) hold busy until the overlay waits for the user;
    // a capture asked for meanwhile is refused, and the first one still delivers.
    void slowSnapshotsHoldBusyUntilTheOverlayOpens()
    {
        Fixture f;
        f.capture.slowSnapshots = true;
        QVERIFY(capture(f, Road::Regions));
        QVERIFY(f.model.busy());
        QVERIFY(!capture(f, Road::Full));
        f.capture.openOverlay();
        QVERIFY(!f.model.busy());
        QVERIFY(!capture(f, Road::Region));
        QCOMPARE(f.capture.calls, QList<Road>{Road::Regions});
        f.capture.deliver({keyed(3)});
        QTRY_COMPARE(Fixture::clipboard(), u"text 3"_s);
        QCOMPARE(f.history().first().source, AppModel::sourceMultipleRegions);
    }
    // The overlay may outlive the model; its late answer must not reach it.
    void modelGoneWhileOverlayOpen()
    {
        Fixture f;
        FakeCapture capture;
        capture.honoursCancel = false;
        {
            AppModel model(f.defaults, f.folder.path(), f.engine, capture, f.sound);
            QVERIFY(model.capture(CaptureKind::Regions));
            QVERIFY(capture.pending);
        }
        capture.deliver({keyed(6)});
        QTest::qWait(50);
        QCOMPARE(f.engine.calls.load(), 0);
    }
};

QTEST_MAIN(TestCaptureFlow)
#include "test_captureflow.moc"
