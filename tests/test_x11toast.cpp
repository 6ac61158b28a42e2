// SPDX-License-Identifier: GPL-3.0-or-later
#include "XvfbSession.h"
#include "platform/toast/Toast.h"
#include "platform/toast/ToastPanel.h"
#include "platform/x11/X11Compositor.h"

#include <QApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTest>

#include <xcb/xcb.h>

#include <cstring>

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
        QVERIFY(QTest::qWaitForWindowActive(&editor, 20000));
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

    // Without a compositor, translucent corners would be black: the card is cut by a shape.
    void cornersWithoutCompositor_data()
    {
        QTest::addColumn<bool>("compositor");
        QTest::newRow("no compositor") << false;
        QTest::newRow("a compositor owns the screen") << true;
    }
    void cornersWithoutCompositor()
    {
        QFETCH(bool, compositor);
        // Another client stands for the compositing manager by owning its selection.
        xcb_connection_t* manager = xcb_connect(nullptr, nullptr);
        if (compositor) {
            const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(manager)).data->root;
            const xcb_window_t owner = xcb_generate_id(manager);
            xcb_create_window(manager, 0, owner, root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, 0, 0,
                              nullptr);
            const char name[] = "_NET_WM_CM_S0";
            xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
                manager, xcb_intern_atom(manager, 0, std::uint16_t(std::strlen(name)), name), nullptr);
            xcb_set_selection_owner(manager, owner, atom->atom, XCB_CURRENT_TIME);
            std::free(atom);
            std::free(xcb_get_input_focus_reply(manager, xcb_get_input_focus(manager), nullptr));
        }
        QCOMPARE(X11Compositor::isRunning(), compositor);
        Toast toast(&X11Compositor::isRunning);
        toast.notify(u"Text copied to clipboard"_s);
        QVERIFY(QTest::qWaitForWindowExposed(toast.panel(), 5000));
        const QRegion mask = toast.panel()->mask();
        QCOMPARE(mask.isEmpty(), compositor);
        if (!compositor) {
            QVERIFY(!mask.contains(QPoint(0, 0)));
            QVERIFY(mask.contains(QPoint(ToastPanel::width / 2, ToastPanel::height / 2)));
        }
        xcb_disconnect(manager);
    }
};

VELLUMIX_XVFB_TEST_MAIN(TestX11Toast, "Xvfb", "openbox", "xdotool")

#include "test_x11toast.moc"
