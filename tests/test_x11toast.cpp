// SPDX-License-Identifier: GPL-3.0-or-later
#include "XvfbSession.h"
#include "platform/toast/Toast.h"
#include "platform/toast/ToastPanel.h"

#include <QApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTest>

using namespace vellumix;
using namespace Qt::StringLiterals;

class TestX11Toast : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void typingStillReachesTheActiveWindow()
    {
        const auto type = [](const QString& text) {
            return QProcess::execute(u"xdotool"_s, {u"type"_s, text}) == 0;
        };
        QLineEdit editor;
        editor.show();
        editor.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&editor, 5000));
        // Real input first: window managers let a window take focus after recent user activity.
        QVERIFY(type(u"x"_s));
        QTRY_COMPARE_WITH_TIMEOUT(editor.text(), u"x"_s, 5000);

        Toast toast;
        toast.notify(u"Text copied to clipboard"_s);
        QVERIFY(QTest::qWaitForWindowExposed(toast.panel(), 5000));
        QCOMPARE(toast.panel()->frameGeometry(), // undecorated, at the top right
                 ToastPanel::placement(QGuiApplication::primaryScreen()->availableGeometry()));

        QTest::qWait(200);
        QVERIFY(type(u"abc"_s));
        QTRY_COMPARE_WITH_TIMEOUT(editor.text(), u"xabc"_s, 5000); // the toast took no focus
    }
};

int main(int argc, char* argv[])
{
    XvfbSession session({"Xvfb", "openbox", "xdotool"});
    if (!session.isReady())
        return 1;
    QApplication app(argc, argv);
    TestX11Toast test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_x11toast.moc"
