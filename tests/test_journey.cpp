// SPDX-License-Identifier: GPL-3.0-or-later
// The tray application as a user meets it, on a private X server with a window manager.
#include "RunTool.h"
#include "XvfbSession.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

using testtools::run;

bool xdotool(const QStringList& arguments)
{
    return run(u"xdotool"_s, arguments).has_value();
}

} // namespace

class TestJourney : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_runtime.isValid());
        QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // A private runtime directory: the instance socket of this run, nobody else's.
        m_environment.insert(u"XDG_RUNTIME_DIR"_s, m_runtime.path());
        // No desktop named and no screenshot tool installed: one region goes through the own overlay.
        m_environment.remove(u"XDG_CURRENT_DESKTOP"_s);
        m_environment.remove(u"WAYLAND_DISPLAY"_s);
        QVERIFY(QDir::home().absolutePath().contains("test-home"_L1));
        m_app.setProcessEnvironment(m_environment);
        m_app.setProcessChannelMode(QProcess::ForwardedChannels);
        m_app.start(QStringLiteral(VELLUMIX_BINARY), {});
        QVERIFY(m_app.waitForStarted(5000));
    }
    void cleanupTestCase()
    {
        m_app.terminate();
        if (!m_app.waitForFinished(5000))
            m_app.kill();
    }
    void startsInTheTray()
    {
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QDir(m_runtime.path()).filePath(u"vellumix"_s)), 20000);
        QCOMPARE(m_app.state(), QProcess::Running);
    }
    void captureShortcutCopiesTheRegionsText()
    {
        QLabel known(u"Vellumix 4711"_s);
        known.setStyleSheet(u"font: 48px 'DejaVu Sans'; background: white; color: black; padding: 24px"_s);
        // Above the windows of a first launch: onboarding, and the workspace when no tray shows.
        known.setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        known.setGeometry(200, 200, 520, 120);
        known.show();
        QVERIFY(QTest::qWaitForWindowExposed(&known, 5000));
        run(u"xclip"_s, {u"-selection"_s, u"clipboard"_s, u"/dev/null"_s});

        QVERIFY(xdotool({u"key"_s, u"ctrl+alt+shift+1"_s}));
        QTest::qWait(1500); // the overlay freezes the displays and takes the pointer
        const QRect region = known.geometry().adjusted(4, 4, -4, -4);
        const auto move = [](QPoint p) {
            return xdotool({u"mousemove"_s, QString::number(p.x()), QString::number(p.y())});
        };
        QVERIFY(move(region.topLeft()) && xdotool({u"mousedown"_s, u"1"_s}));
        QVERIFY(move(region.center()) && move(region.bottomRight()) && xdotool({u"mouseup"_s, u"1"_s}));

        QString clipboard;
        QVERIFY(QTest::qWaitFor(
            [&] {
                clipboard = run(u"xclip"_s, {u"-o"_s, u"-selection"_s, u"clipboard"_s}).value_or(QString());
                return clipboard.contains("4711"_L1);
            },
            60000));
        QVERIFY2(clipboard.contains("Vellumix"_L1), qPrintable(clipboard));
        // The confirmation is on screen: a 290 by 54 window of ours.
        QVERIFY(run(u"xwininfo"_s, {u"-root"_s, u"-tree"_s}).value_or(QString()).contains("290x54"_L1));
    }

private:
    QTemporaryDir m_runtime;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
    QProcess m_app;
};

VELLUMIX_XVFB_TEST_MAIN(TestJourney, "Xvfb", "openbox", "xdotool", "xclip", "xwininfo")

#include "test_journey.moc"
