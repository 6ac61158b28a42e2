// SPDX-License-Identifier: GPL-3.0-or-later
// The tray application's process: a capture asked for while one runs, and the signals of a logout
// while a screenshot tool waits for a selection.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

// Ended, whether or not anybody has reaped it yet.
bool gone(pid_t pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    return ::kill(pid, 0) != 0 || !stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ");
}

} // namespace

class TestSignals : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void quitsCleanlyDuringARegionTool_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void quitsCleanlyDuringARegionTool()
    {
        QFETCH(int, signal);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(u"bin"_s) && QDir(dir.path()).mkpath(u"tmp"_s) &&
                QDir(dir.path()).mkpath(u"runtime"_s));
        QFile::setPermissions(dir.filePath(u"runtime"_s),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // A region tool that waits for a selection that never comes.
        QFile tool(dir.filePath(u"bin/maim"_s));
        QVERIFY(tool.open(QIODevice::WriteOnly));
        tool.write("#!/bin/sh\necho $$ > \"" + QFile::encodeName(dir.filePath(u"pid"_s)) +
                   "\"\nexec sleep 60\n");
        tool.close();
        tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"PATH"_s, dir.filePath(u"bin"_s) + u':' + environment.value(u"PATH"_s));
        environment.insert(u"TMPDIR"_s, dir.filePath(u"tmp"_s));
        environment.insert(u"XDG_RUNTIME_DIR"_s, dir.filePath(u"runtime"_s));
        environment.remove(u"XDG_CURRENT_DESKTOP"_s);
        environment.remove(u"WAYLAND_DISPLAY"_s);
        const auto command = [&](const QStringList& arguments) {
            QProcess client;
            client.setProcessEnvironment(environment);
            client.start(QStringLiteral(VELLUMIX_BINARY), arguments);
            const bool finished = client.waitForFinished(20000);
            return std::pair(finished ? client.exitCode() : -1,
                             QString::fromUtf8(client.readAllStandardError()));
        };

        QProcess app;
        app.setProcessEnvironment(environment);
        app.setProcessChannelMode(QProcess::ForwardedChannels);
        app.start(QStringLiteral(VELLUMIX_BINARY), {});
        QVERIFY(app.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath(u"runtime/vellumix"_s)), 20000);
        QCOMPARE(command({u"capture"_s}).first, 0);
        QFile pidFile(dir.filePath(u"pid"_s));
        QTRY_VERIFY_WITH_TIMEOUT(pidFile.size() > 0, 10000);
        QVERIFY(pidFile.open(QIODevice::ReadOnly));
        const pid_t pid = pidFile.readAll().trimmed().toInt();

        // The tool is still open: a second capture is refused, and the asker hears so.
        const auto [status, error] = command({u"capture"_s, u"--full"_s});
        QCOMPARE(status, 1);
        QVERIFY2(error.contains(u"busy"_s), qPrintable(error));

        QCOMPARE(QDir(dir.filePath(u"tmp"_s)).entryList({u"Vellumix-Capture-*"_s}, QDir::Dirs).size(), 1);
        QCOMPARE(::kill(pid_t(app.processId()), signal), 0);
        QVERIFY(app.waitForFinished(10000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
        QCOMPARE(QDir(dir.filePath(u"tmp"_s)).entryList({u"Vellumix-Capture-*"_s}, QDir::Dirs),
                 QStringList());
        QTRY_VERIFY(gone(pid));
        QVERIFY(!QFile::exists(dir.filePath(u"runtime/vellumix"_s)));
    }
};

QTEST_GUILESS_MAIN(TestSignals)
#include "test_signals.moc"
