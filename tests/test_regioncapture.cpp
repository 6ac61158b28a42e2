// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/NativeCaptureJob.h"
#include "capture/NativeRegionCapture.h"
#include "capture/RegionTool.h"
#include "core/Cancellation.h"
#include "core/Errors.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>

using namespace vellumix;
using namespace Qt::StringLiterals;

namespace {

enum class Outcome { TimedOut, None, Image, SystemCapture, InvalidImage, Cancelled, PlatformFailure };

struct Finished
{
    Outcome outcome = Outcome::None;
    QImage image;
    int status = 0;
    QString detail;
    QString message;
};

Finished wait(QFuture<QImage> future)
{
    Finished result;
    if (!QTest::qWaitFor([&] { return future.isFinished(); }, 15000)) {
        result.outcome = Outcome::TimedOut;
        return result;
    }
    try {
        result.image = future.result();
        result.outcome = result.image.isNull() ? Outcome::None : Outcome::Image;
    } catch (const Cancelled&) {
        result.outcome = Outcome::Cancelled;
    } catch (const VellumixError& error) {
        result.outcome = error.kind() == VellumixError::Kind::SystemCapture ? Outcome::SystemCapture
                                                                            : Outcome::InvalidImage;
        result.status = error.status();
        result.detail = error.detail();
        result.message = error.message();
    } catch (const PlatformError& error) {
        result.outcome = Outcome::PlatformFailure;
        result.message = error.message();
    }
    return result;
}

QStringList captureFolders()
{
    return QDir(QDir::tempPath()).entryList({u"Vellumix-Capture-*"_s}, QDir::AllEntries | QDir::Hidden);
}

int mode(const QString& path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return int(info.st_mode & 07777);
}

} // namespace

class TestRegionCapture : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(!QDir::tempPath().isEmpty()); // Qt gives an empty path for a missing TMPDIR
        QVERIFY(m_fixtures.isValid());
        m_png = m_fixtures.filePath(u"fixture.png"_s);
        QImage image(30, 20, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QVERIFY(image.save(m_png));
        m_side = m_fixtures.filePath(u"side.txt"_s);
    }
    void judging_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("detail");

        const QString none;
        QTest::newRow("gave up, status 0") << "exit 0" << Outcome::None << 0 << none;
        QTest::newRow("gave up, status 1") << "exit 1" << Outcome::None << 0 << none;
        QTest::newRow("only white space on stderr")
            << "printf ' \\n\\t \\n' >&2; exit 0" << Outcome::None << 0 << none;
        QTest::newRow("the tool's own cancel message")
            << "echo 'Selection was cancelled by keystroke or right-click.' >&2; exit 1" << Outcome::None << 0
            << none;
        QTest::newRow("status 1 with a message")
            << "echo ' no display ' >&2; exit 1" << Outcome::SystemCapture << 1 << u"no display"_s;
        QTest::newRow("status 0 with a message, no file")
            << "echo oops >&2; exit 0" << Outcome::SystemCapture << 0 << u"oops"_s;
        QTest::newRow("status 2 silently") << "exit 2" << Outcome::SystemCapture << 2 << none;
        QTest::newRow("killed by a signal") << "kill -KILL $$" << Outcome::SystemCapture << -SIGKILL << none;
        QTest::newRow("cancel message plus a real error")
            << "echo 'Selection was cancelled by keystroke or right-click.' >&2; echo broken >&2; exit 1"
            << Outcome::SystemCapture << 1 << u"broken"_s;
        QTest::newRow("800 characters of error") << "head -c 800 /dev/zero | tr '\\0' x >&2; exit 1"
                                                 << Outcome::SystemCapture << 1 << QString(500, u'x');
        QTest::newRow("image but status 3") << "cp PNG \"$1\"; exit 3" << Outcome::SystemCapture << 3 << none;
        QTest::newRow("image") << "cp PNG \"$1\"; echo 'a warning' >&2; exit 0" << Outcome::Image << 0
                               << none;
        QTest::newRow("undecodable image")
            << "echo garbage > \"$1\"; exit 0" << Outcome::InvalidImage << 0 << none;
    }
    void judging()
    {
        QFETCH(QString, body);
        QFETCH(Outcome, outcome);
        QFETCH(int, status);
        QFETCH(QString, detail);

        NativeRegionCapture capture(fakeTool(body), {});
        const Finished result = wait(capture.capture());
        QCOMPARE(result.outcome, outcome);
        if (outcome == Outcome::SystemCapture) {
            QCOMPARE(result.status, status);
            QCOMPARE(result.detail, detail);
            if (detail.isEmpty())
                QVERIFY(result.message.endsWith(u"No image was produced."_s));
        }
        if (outcome == Outcome::Image)
            QCOMPARE(result.image.size(), QSize(30, 20));
        QCOMPARE(captureFolders(), QStringList{});
    }
    void truncation_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QString accented = u"e\u0301"_s;
        QTest::newRow("exactly 500") << QString(500, u'a') << QString(500, u'a');
        QTest::newRow("combining marks count once") << accented.repeated(800) << accented.repeated(500);
        QTest::newRow("surrogate pairs stay whole")
            << u"\U0001F600"_s.repeated(501) << u"\U0001F600"_s.repeated(500);
    }
    void truncation()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(NativeRegionCapture::truncated(text, NativeRegionCapture::detailLength), expected);
    }
    void privateFolderPerCapture()
    {
        QFile::remove(m_side);
        NativeRegionCapture capture(
            fakeTool(QStringLiteral("d=$(dirname \"$1\"); echo \"$d\" >> SIDE; "
                                    "stat -c %a \"$d\" \"$d/capture-error.txt\" >> SIDE; "
                                    "cp PNG \"$1\"")),
            {});
        QCOMPARE(wait(capture.capture()).outcome, Outcome::Image);
        QCOMPARE(wait(capture.capture()).outcome, Outcome::Image);

        QFile side(m_side);
        QVERIFY(side.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(side.readAll()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 6);
        const QRegularExpression name(u"^Vellumix-Capture-[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$"_s);
        for (int i : {0, 3}) {
            const QFileInfo folder(lines[i]);
            QCOMPARE(folder.absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
            QVERIFY2(name.match(folder.fileName()).hasMatch(), qPrintable(folder.fileName()));
            QCOMPARE(lines[i + 1], u"700"_s);
            QCOMPARE(lines[i + 2], u"600"_s);
            QVERIFY(!folder.exists());
        }
        QVERIFY(lines[0] != lines[3]);
        QCOMPARE(captureFolders(), QStringList{});
    }
    void stopWhileToolRuns_data()
    {
        QTest::addColumn<bool>("destroy"); // rather than cancel()
        QTest::newRow("cancel") << false;
        QTest::newRow("destroyed") << true;
    }
    void stopWhileToolRuns()
    {
        QFETCH(bool, destroy);
        QFile::remove(m_side);
        auto capture = std::make_unique<NativeRegionCapture>(fakeTool(u"echo $$ > SIDE; exec sleep 30"_s),
                                                             NativeRegionCapture::ImageLoad{});
        QFuture<QImage> future = capture->capture();
        QTRY_VERIFY(QFileInfo(m_side).size() > 0);
        QFile side(m_side);
        QVERIFY(side.open(QIODevice::ReadOnly));
        const pid_t pid = side.readAll().trimmed().toInt();
        QVERIFY(pid > 0);
        QCOMPARE(captureFolders().size(), 1);

        destroy ? capture.reset() : capture->cancel();
        QCOMPARE(wait(future).outcome, Outcome::Cancelled);
        QCOMPARE(captureFolders(), QStringList{});
        QTRY_VERIFY(::kill(pid, 0) != 0); // the tool is gone, not left waiting for a selection
    }
    void cancelBeforeLaunchNeverLaunches()
    {
        QTemporaryDir folder;
        const QString marker = folder.filePath(u"launched"_s);
        NativeCaptureJob job(fakeTool(u"touch '%1'"_s.arg(marker)), folder.filePath(u"r.png"_s),
                             folder.filePath(u"e.txt"_s));
        QCOMPARE(mode(folder.filePath(u"e.txt"_s)), 0600);
        job.cancel();
        int calls = 0;
        bool cancelled = false;
        job.start([&](NativeCaptureJob::Result result) {
            ++calls;
            if (const auto* error = std::get_if<std::exception_ptr>(&result)) {
                try {
                    std::rethrow_exception(*error);
                } catch (const Cancelled&) {
                    cancelled = true;
                } catch (...) {
                }
            }
        });
        QCOMPARE(calls, 1);
        QVERIFY(cancelled);
        QTest::qWait(200); // a launched tool would have touched the marker by now
        QVERIFY(!QFileInfo::exists(marker));
        QCOMPARE(calls, 1);
    }
    void errorFileThatCannotBeCreated()
    {
        QTemporaryDir folder;
        const QString errorPath = folder.filePath(u"missing/e.txt"_s);
        try {
            NativeCaptureJob job(fakeTool(u"exit 0"_s), folder.filePath(u"r.png"_s), errorPath);
            QFAIL("the job was created without its error file");
        } catch (const VellumixError& error) {
            QCOMPARE(error.kind(), VellumixError::Kind::Capture);
        }
    }
    void missingTool()
    {
        RegionTool tool = RegionTool::maim();
        tool.program = m_fixtures.filePath(u"no-such-tool"_s);
        NativeRegionCapture capture(tool, {});
        const Finished result = wait(capture.capture());
        QCOMPARE(result.outcome, Outcome::PlatformFailure);
        QVERIFY(!result.message.isEmpty());
        QCOMPARE(captureFolders(), QStringList{});
    }
    void choosesToolForDesktop_data()
    {
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QStringList>("command"); // empty: the own overlay

        const QStringList all{u"gnome-screenshot"_s, u"spectacle"_s, u"maim"_s};
        const QStringList gnome{u"/usr/bin/gnome-screenshot"_s, u"--area"_s, u"--file"_s, u"/t/region.png"_s};
        const QStringList kde{u"/usr/bin/spectacle"_s, u"--region"_s, u"--background"_s,
                              u"--nonotify"_s,         u"--output"_s, u"/t/region.png"_s};
        const QStringList maim{u"/usr/bin/maim"_s, u"--select"_s,     u"--hidecursor"_s,
                               u"--quiet"_s,       u"--format=png"_s, u"/t/region.png"_s};
        QTest::newRow("GNOME") << "ubuntu:GNOME" << all << gnome;
        QTest::newRow("KDE") << "KDE" << all << kde;
        QTest::newRow("GNOME without its tool") << "GNOME" << QStringList{u"maim"_s, u"spectacle"_s} << maim;
        QTest::newRow("another desktop") << "XFCE" << all << maim;
        QTest::newRow("KDE without any tool") << "KDE" << QStringList{u"gnome-screenshot"_s} << QStringList{};
    }
    void choosesToolForDesktop()
    {
        QFETCH(QString, desktop);
        QFETCH(QStringList, installed);
        QFETCH(QStringList, command);

        const std::optional<RegionTool> tool = RegionTool::choose(desktop, [&](const QString& name) {
            return installed.contains(name) ? u"/usr/bin/"_s + name : QString();
        });
        QCOMPARE(tool.has_value(), !command.isEmpty());
        if (tool)
            QCOMPARE(QStringList{tool->program} + tool->argumentsFor(u"/t/region.png"_s), command);
    }

private:
    // A region tool that runs `body` as a shell script; its output path is "$1".
    RegionTool fakeTool(const QString& body)
    {
        const QString path = m_fixtures.filePath(u"tool-%1.sh"_s.arg(++m_tools));
        QFile script(path);
        if (!script.open(QIODevice::WriteOnly))
            return {};
        QString text = u"#!/bin/sh\n"_s + body + u'\n';
        text.replace(u"PNG"_s, m_png).replace(u"SIDE"_s, m_side);
        script.write(text.toUtf8());
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        RegionTool tool = RegionTool::maim();
        tool.program = path;
        tool.arguments = {u"{file}"_s};
        return tool;
    }

    QTemporaryDir m_fixtures;
    QString m_png;
    QString m_side;
    int m_tools = 0;
};

QTEST_MAIN(TestRegionCapture)
#include "test_regioncapture.moc"
