// SPDX-License-Identifier: GPL-3.0-or-later
#include "CaptureFixtures.h"
#include "capture/ScreenCaptureSource.h"
#include "capture/SelectionController.h"
#include "capture/SelectionView.h"
#include "capture/WindowActivator.h"
#include "core/Cancellation.h"
#include "core/Errors.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <zlib.h>

using namespace vellumix;

namespace {

class FakeActivator final : public WindowActivator
{
public:
    QList<quint64> activated;
    quint64 activeWindow() override { return 0x3a00005; }
    void activate(quint64 window) override { activated.append(window); }
};

// How a capture future ended.
struct Ended
{
    bool finished = false;
    QList<QImage> images;
    QString failure; // "Cancelled", or the error's message
};

Ended wait(QFuture<QList<QImage>> future)
{
    Ended ended;
    ended.finished = QTest::qWaitFor([&] { return future.isFinished(); }, 15000);
    if (!ended.finished)
        return ended;
    try {
        if (future.resultCount() > 0)
            ended.images = future.result();
        else
            future.waitForFinished();
    } catch (const Cancelled&) {
        ended.failure = QStringLiteral("Cancelled");
    } catch (const Error& error) {
        ended.failure = error.message();
    }
    return ended;
}

void drag(QWidget* view, QPoint from, QPoint to)
{
    QTest::mousePress(view, Qt::LeftButton, {}, from);
    QTest::mouseMove(view, to);
    QTest::mouseRelease(view, Qt::LeftButton, {}, to);
}

QByteArray chunk(const char* type, const QByteArray& data)
{
    const QByteArray body = QByteArray(type, 4) + data;
    QByteArray out(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), out.data());
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(
        quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))), crc.data());
    return out + body + crc;
}

// A tiny PNG whose header claims 9000 x 9000 pixels: over the safety limit, never decoded.
QByteArray claimedHugePng()
{
    QByteArray ihdr(13, '\0');
    qToBigEndian<quint32>(9000, ihdr.data());
    qToBigEndian<quint32>(9000, ihdr.data() + 4);
    ihdr[8] = 8;
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) +
           chunk("IDAT", qCompress(QByteArray(64, '\0')).mid(4)) + chunk("IEND", {});
}

} // namespace

// Screens (fixtures/three-screens.json, in Qt's order): 0 "left" 1000x800 at scale 1.25,
// 1 "middle" 1280x1024 at scale 1, 2 "right" 960x600 at scale 2.
class TestScreenCaptureSource : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void fullScreen_data();
    void fullScreen();
    void regionsInDrawingOrder();
    void regionsFailWithoutScreens();
    void regionWithoutToolUsesSingleOverlay();
    void regionThroughTool_data();
    void regionThroughTool();
    void cancel_data();
    void cancel();
    void destroyedWhileOpen_data();
    void destroyedWhileOpen();

private:
    // A region tool running `body` as a shell script; its output path is "$1".
    RegionTool tool(const QString& body);
    std::unique_ptr<ScreenCaptureSource> source(std::optional<RegionTool> regionTool = std::nullopt,
                                                const QStringList& refused = {});
    QStringList captureFolders() const;

    QTemporaryDir m_fixtures;
    FakeActivator m_activator;
    int m_tools = 0;
};

void TestScreenCaptureSource::initTestCase()
{
    QVERIFY(m_fixtures.isValid());
    QCOMPARE(QGuiApplication::screens().size(), 3);
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QVERIFY(image.save(m_fixtures.filePath(QStringLiteral("fixture.png"))));
    QFile huge(m_fixtures.filePath(QStringLiteral("huge.png")));
    QVERIFY(huge.open(QIODevice::WriteOnly));
    huge.write(claimedHugePng());
}

RegionTool TestScreenCaptureSource::tool(const QString& body)
{
    const QString path = m_fixtures.filePath(QStringLiteral("tool-%1.sh").arg(++m_tools));
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly))
        return {};
    QString text = QStringLiteral("#!/bin/sh\n") + body + QLatin1Char('\n');
    text.replace(QStringLiteral("FIXTURES"), m_fixtures.path());
    script.write(text.toUtf8());
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    RegionTool result = RegionTool::maim();
    result.program = path;
    result.arguments = {QStringLiteral("{file}")};
    return result;
}

std::unique_ptr<ScreenCaptureSource> TestScreenCaptureSource::source(std::optional<RegionTool> regionTool,
                                                                     const QStringList& refused)
{
    auto grabber = std::make_shared<test::FakeGrabber>();
    grabber->refused = refused;
    return std::make_unique<ScreenCaptureSource>(
        m_activator, nullptr, [regionTool] { return regionTool; }, grabber);
}

QStringList TestScreenCaptureSource::captureFolders() const
{
    return QDir(QDir::tempPath()).entryList({QStringLiteral("Vellumix-Capture-*")}, QDir::AllEntries);
}

void TestScreenCaptureSource::fullScreen_data()
{
    QTest::addColumn<QStringList>("refused");
    QTest::addColumn<QList<QSize>>("sizes");
    QTest::addColumn<QString>("failure");
    const QString none;
    QTest::newRow("every screen at native size, in order")
        << QStringList{} << QList<QSize>{{1250, 1000}, {1280, 1024}, {1920, 1200}} << none;
    QTest::newRow("a screen that cannot be read is left out")
        << QStringList{QStringLiteral("middle")} << QList<QSize>{{1250, 1000}, {1920, 1200}} << none;
    QTest::newRow("no screen at all")
        << QStringList{QStringLiteral("left"), QStringLiteral("middle"), QStringLiteral("right")}
        << QList<QSize>{} << VellumixError(VellumixError::Kind::Capture).message();
}

void TestScreenCaptureSource::fullScreen()
{
    QFETCH(QStringList, refused);
    QFETCH(QList<QSize>, sizes);
    QFETCH(QString, failure);

    const Ended ended = wait(source(std::nullopt, refused)->fullScreen());
    QVERIFY(ended.finished);
    QCOMPARE(ended.failure, failure);
    QList<QSize> got;
    for (const QImage& image : ended.images)
        got.append(image.size());
    QCOMPARE(got, sizes);
}

// Several regions over different displays come back cropped, in the order they were drawn.
void TestScreenCaptureSource::regionsInDrawingOrder()
{
    auto capture = source();
    QFuture<QList<QImage>> future = capture->regions();
    QVERIFY(!future.isFinished());
    const QList<SelectionView*> panels = capture->selection().panels();
    QCOMPARE(panels.size(), 3);
    QVERIFY(capture->selection().multiple());

    drag(panels[2], QPoint(10, 20), QPoint(110, 70)); // scale 2: 200 x 100 pixels
    drag(panels[0], QPoint(40, 40), QPoint(80, 120)); // scale 1.25: 50 x 100 pixels
    QTest::keyClick(panels[1], Qt::Key_Return);

    const Ended ended = wait(future);
    QVERIFY(ended.finished);
    QCOMPARE(ended.images.size(), 2);
    QCOMPARE(ended.images[0].size(), QSize(200, 100));
    QCOMPARE(ended.images[1].size(), QSize(50, 100));
    // The coordinate image says where each crop came from: red = x, green = y (mod 256).
    QCOMPARE(QColor(ended.images[0].pixel(0, 0)), QColor(20, 40, 0));
    QCOMPARE(QColor(ended.images[1].pixel(0, 0)), QColor(50, 50, 0));
    QVERIFY(!capture->selection().isOpen());
}

void TestScreenCaptureSource::regionsFailWithoutScreens()
{
    auto capture =
        source(std::nullopt, {QStringLiteral("left"), QStringLiteral("middle"), QStringLiteral("right")});
    for (QFuture<QList<QImage>> future : {capture->regions(), capture->region()}) {
        QVERIFY(future.isFinished()); // at once: no overlay without snapshots
        QCOMPARE(wait(future).failure, VellumixError(VellumixError::Kind::Capture).message());
        QVERIFY(!capture->selection().isOpen());
    }
}

// Without a region tool one region is drawn on the own overlay; the first drag finishes it.
void TestScreenCaptureSource::regionWithoutToolUsesSingleOverlay()
{
    auto capture = source();
    QFuture<QList<QImage>> future = capture->region();
    QCOMPARE(capture->selection().panels().size(), 3);
    QVERIFY(!capture->selection().multiple());
    drag(capture->selection().panels()[1], QPoint(300, 200), QPoint(340, 230));
    const Ended ended = wait(future);
    QCOMPARE(ended.images.size(), 1);
    QCOMPARE(ended.images[0].size(), QSize(40, 30));
    QCOMPARE(captureFolders(), QStringList{});
}

void TestScreenCaptureSource::regionThroughTool_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<int>("images");
    QTest::addColumn<QString>("failure");
    const QString none;
    QTest::newRow("image") << "cp FIXTURES/fixture.png \"$1\"" << 1 << none;
    QTest::newRow("the user gave up") << "exit 0" << 0 << none;
    QTest::newRow("the tool's cancel message")
        << "echo 'Selection was cancelled by keystroke or right-click.' >&2; exit 1" << 0 << none;
    QTest::newRow("tool failed") << "echo 'cannot open display' >&2; exit 1" << 0
                                 << QStringLiteral("Screenshot capture failed (1): cannot open display");
    // Decoded under the image safety limits, not merely by Qt.
    QTest::newRow("oversized image") << "cp FIXTURES/huge.png \"$1\"" << 0
                                     << VellumixError(VellumixError::Kind::FileTooLarge).message();
}

void TestScreenCaptureSource::regionThroughTool()
{
    QFETCH(QString, body);
    QFETCH(int, images);
    QFETCH(QString, failure);

    auto capture = source(tool(body));
    const Ended ended = wait(capture->region());
    QVERIFY(ended.finished);
    QCOMPARE(ended.failure, failure);
    QCOMPARE(ended.images.size(), images);
    if (images == 1)
        QCOMPARE(ended.images[0].size(), QSize(30, 20));
    QVERIFY(!capture->selection().isOpen()); // no fallback to the overlay
    QCOMPARE(captureFolders(), QStringList{});
}

void TestScreenCaptureSource::cancel_data()
{
    QTest::addColumn<QString>("road");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<int>("activations"); // focus handed back
    QTest::newRow("overlay") << "regions" << QString() << 1;
    QTest::newRow("running tool") << "tool" << QStringLiteral("Cancelled") << 0;
    QTest::newRow("nothing open") << "none" << QString() << 0;
}

// cancel() ends what is open without delivering; with nothing open it leaves the focus alone.
void TestScreenCaptureSource::cancel()
{
    QFETCH(QString, road);
    QFETCH(QString, failure);
    QFETCH(int, activations);

    m_activator.activated.clear();
    const QString started = m_fixtures.filePath(QStringLiteral("started"));
    QFile::remove(started);
    auto capture =
        source(tool(QStringLiteral("touch FIXTURES/started; sleep 30; cp FIXTURES/fixture.png \"$1\"")));
    QFuture<QList<QImage>> future;
    if (road == QStringLiteral("regions")) {
        future = capture->regions();
        drag(capture->selection().panels()[1], QPoint(10, 10), QPoint(60, 60));
        QCOMPARE(capture->selection().regions().size(), 1);
    } else if (road == QStringLiteral("tool")) {
        future = capture->region();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(started), 10000);
    } else {
        // An overlay opened and closed before: the window it remembered must not be raised again.
        QFuture<QList<QImage>> earlier = capture->regions();
        QTest::keyClick(capture->selection().panels()[1], Qt::Key_Escape);
        QVERIFY(wait(earlier).finished);
        m_activator.activated.clear();
    }
    capture->cancel();
    if (road != QStringLiteral("none")) {
        const Ended ended = wait(future);
        QVERIFY(ended.finished);
        QCOMPARE(ended.failure, failure);
        QCOMPARE(ended.images.size(), 0);
    }
    QVERIFY(!capture->selection().isOpen());
    QCOMPARE(m_activator.activated.size(), activations);
    QTRY_COMPARE(captureFolders(), QStringList{});
}

void TestScreenCaptureSource::destroyedWhileOpen_data()
{
    QTest::addColumn<bool>("tool");
    QTest::addColumn<QString>("failure");
    QTest::newRow("overlay") << false << QString();
    QTest::newRow("running tool") << true << QStringLiteral("Cancelled");
}

// Whoever waits hears an end when the source goes away, and nothing is left behind.
void TestScreenCaptureSource::destroyedWhileOpen()
{
    QFETCH(bool, tool);
    QFETCH(QString, failure);

    auto capture = source(tool ? std::optional(this->tool(QStringLiteral("sleep 30"))) : std::nullopt);
    QFuture<QList<QImage>> future = capture->region();
    QVERIFY(!future.isFinished());
    capture.reset();
    QVERIFY(future.isFinished());
    const Ended ended = wait(future);
    QCOMPARE(ended.failure, failure);
    QCOMPARE(ended.images.size(), 0);
    QTRY_COMPARE(QApplication::topLevelWidgets().size(), 0);
    QTRY_COMPARE(captureFolders(), QStringList{});
}

QTEST_MAIN(TestScreenCaptureSource)
#include "test_screencapturesource.moc"
