// SPDX-License-Identifier: GPL-3.0-or-later
#include "CaptureFixtures.h"
#include "capture/NativeCaptureJob.h"
#include "capture/NativeRegionCapture.h"
#include "core/Cancellation.h"
#include "core/Errors.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace vellumix;
using namespace Qt::StringLiterals;

namespace {

// How a capture ended: "none", "image WxH", "cancelled" or the error's message.
QString wait(QFuture<QImage> future)
{
    if (!QTest::qWaitFor([&] { return future.isFinished(); }, 15000))
        return u"still running"_s;
    try {
        const QImage image = future.result();
        return image.isNull() ? u"none"_s : u"image %1x%2"_s.arg(image.width()).arg(image.height());
    } catch (const Cancelled&) {
        return u"cancelled"_s;
    } catch (const Error& error) {
        return error.message();
    }
}

} // namespace

using testing::captureFolders;

class TestRegionCapture : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_fixtures.isValid());
        QVERIFY(testing::coordinateImage(30, 20).save(m_fixtures.filePath(u"fixture.png"_s)));
    }
    void judging_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("outcome");
        const QString failed = u"Screenshot capture failed (%1): %2"_s, noImage = u"No image was produced."_s;
        const QString cancelMessage = u"echo 'Selection was cancelled by keystroke or right-click.' >&2; "_s;
        QTest::newRow("gave up, white space only") << u"printf ' \\n\\t \\n' >&2; exit 1"_s << u"none"_s;
        QTest::newRow("the tool's own cancel message") << cancelMessage + u"exit 1"_s << u"none"_s;
        QTest::newRow("cancel message plus a real error")
            << cancelMessage + u"echo ' broken ' >&2; exit 1"_s << failed.arg(1).arg(u"broken"_s);
        QTest::newRow("killed by a signal") << u"kill -KILL $$"_s << failed.arg(-SIGKILL).arg(noImage);
        QTest::newRow("image") << u"cp fixture.png \"$1\"; echo 'a warning' >&2"_s << u"image 30x20"_s;
        QTest::newRow("800 characters of error: the first 500 are kept")
            << u"head -c 800 /dev/zero | tr '\\0' x >&2; exit 1"_s << failed.arg(1).arg(QString(500, u'x'));
        QTest::newRow("image but status 3")
            << u"cp fixture.png \"$1\"; exit 3"_s << failed.arg(3).arg(noImage);
        QTest::newRow("undecodable image")
            << u"echo garbage > \"$1\""_s << VellumixError(VellumixError::Kind::InvalidImage).message();
        // gnome-screenshot's known line behind GLib's log prefixes.
        const auto say = [](const QString& line) -> QString {
            return u"echo '"_s + QString(line).replace(u"'"_s, u"'\\''"_s) + u"' >&2"_s;
        };
        const QString fallback = RegionTool::gnomeScreenshot().noiseLines.first();
        QTest::newRow("GLib message") << say(u"** Message: 10:46:03.123: "_s + fallback) << u"none"_s;
        QTest::newRow("GLib domain and program")
            << say(u"(gnome-screenshot:4242): Gtk-WARNING **: 10:46:03.123: "_s + fallback) << u"none"_s;
        QTest::newRow("a real error keeps its GLib prefix")
            << say(u"** Message: 10:46:03.123: no display"_s)
            << u"Screenshot capture failed (0): ** Message: 10:46:03.123: no display"_s;
    }
    void judging()
    {
        QFETCH(QString, body);
        QFETCH(QString, outcome);
        RegionTool tool = testing::fakeTool(m_fixtures.path(), body);
        tool.noiseLines += RegionTool::gnomeScreenshot().noiseLines; // both tools' known lines
        NativeRegionCapture capture(tool, {});
        QCOMPARE(wait(capture.capture()), outcome);
        QCOMPARE(captureFolders(), QStringList{});
    }
    void cancelBeforeLaunchNeverLaunches()
    {
        QTemporaryDir folder;
        NativeCaptureJob job(testing::fakeTool(folder.path(), u"touch launched"_s),
                             folder.filePath(u"r.png"_s), folder.filePath(u"e.txt"_s));
        job.cancel();
        int cancelled = 0, other = 0;
        job.start([&](NativeCaptureJob::Result result) {
            const auto* error = std::get_if<std::exception_ptr>(&result);
            try {
                if (error)
                    std::rethrow_exception(*error);
                ++other;
            } catch (const Cancelled&) {
                ++cancelled;
            } catch (...) {
                ++other;
            }
        });
        QTest::qWait(200); // a launched tool would have touched the marker by now
        QCOMPARE(cancelled, 1);
        QCOMPARE(other, 0);
        QVERIFY(!QFileInfo::exists(folder.filePath(u"launched"_s)));
    }
    void privateFolderPerCapture()
    {
        NativeRegionCapture capture(
            testing::fakeTool(
                m_fixtures.path(),
                uR"(d=$(dirname "$1"); echo $d $(stat -c %a $d $d/capture-error.txt) >&2; exit 1)"_s),
            {});
        QStringList folders;
        for (int i = 0; i < 2; ++i) {
            const QStringList words = wait(capture.capture()).split(u' '); // ... FOLDER 700 600
            QCOMPARE(words.mid(words.size() - 2), (QStringList{u"700"_s, u"600"_s}));
            folders.append(words.value(words.size() - 3));
            QVERIFY(!QFileInfo::exists(folders.last()));
        }
        QVERIFY(folders[0] != folders[1]);
    }
    void stopWhileToolRuns()
    {
        for (bool destroy : {false, true}) { // rather than cancel()
            QFile pidFile(m_fixtures.filePath(u"pid"_s));
            pidFile.remove();
            auto capture = std::make_unique<NativeRegionCapture>(
                testing::fakeTool(m_fixtures.path(), u"echo $$ > pid; exec sleep 30"_s),
                NativeRegionCapture::ImageLoad{});
            QFuture<QImage> future = capture->capture();
            QTRY_VERIFY(pidFile.size() > 0);
            QVERIFY(pidFile.open(QIODevice::ReadOnly));
            const pid_t pid = pidFile.readAll().trimmed().toInt();
            QCOMPARE(captureFolders().size(), 1);
            destroy ? capture.reset() : capture->cancel();
            QCOMPARE(wait(future), u"cancelled"_s);
            QCOMPARE(captureFolders(), QStringList{});
            QTRY_VERIFY(::kill(pid, 0) != 0); // the tool is gone, not left waiting for a selection
        }
    }
    void choosesToolForDesktop_data()
    {
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QString>("command"); // empty: the own overlay
        const QStringList all{u"gnome-screenshot"_s, u"spectacle"_s, u"maim"_s};
        QTest::newRow("GNOME") << u"ubuntu:GNOME"_s << all << u"gnome-screenshot --area --file OUT"_s;
        QTest::newRow("GNOME without its tool") << u"GNOME"_s << QStringList{u"maim"_s, u"spectacle"_s}
                                                << u"maim --select --hidecursor --quiet --format=png OUT"_s;
        QTest::newRow("KDE without any tool") << u"KDE"_s << QStringList{u"gnome-screenshot"_s} << QString();
    }
    void choosesToolForDesktop()
    {
        QFETCH(QString, desktop);
        QFETCH(QStringList, installed);
        QFETCH(QString, command);
        const std::optional<RegionTool> tool = RegionTool::choose(desktop, [&](const QString& name) {
            return installed.contains(name) ? u"/usr/bin/"_s + name : QString();
        });
        QCOMPARE(tool ? (QStringList{tool->program} + tool->argumentsFor(u"OUT"_s)).join(u' ') : QString(),
                 command.isEmpty() ? command : u"/usr/bin/"_s + command);
    }

private:
    QTemporaryDir m_fixtures;
};

QTEST_MAIN(TestRegionCapture)
#include "test_regioncapture.moc"
