// SPDX-License-Identifier: GPL-3.0-or-later
// Real key grabs on a private Xvfb server with a window manager, pressed through XTEST.
#include "XvfbSession.h"
#include "model/UserDefaults.h"
#include "platform/x11/X11HotKeyBackend.h"
#include "shell/ShortcutManager.h"

#include <QApplication>
#include <QProcess>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>

using namespace vellumix;
using namespace Qt::StringLiterals;

namespace {

bool press(const QString& keys)
{
    return QProcess::execute(u"xdotool"_s, QString(u"key "_s + keys).split(u' ')) == 0;
}

struct Session
{
    std::unique_ptr<X11HotKeyBackend> backend = X11HotKeyBackend::create();
    MemoryDefaults store;
    ShortcutManager manager{store, *backend};
    QList<int> actions;
    Session()
    {
        QObject::connect(&manager, &ShortcutManager::triggered,
                         [this](ShortcutAction action) { actions.append(int(action)); });
    }
};

// A second X client, standing for another program that holds a combination first.
struct OtherClient
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    ~OtherClient() { xcb_disconnect(connection); }
    // The X11 error code of the request, 0 when it succeeded.
    int grab(std::uint8_t keycode, std::uint16_t modifiers, bool release = false)
    {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        xcb_generic_error_t* error = xcb_request_check(
            connection, release ? xcb_ungrab_key_checked(connection, keycode, root, modifiers)
                                : xcb_grab_key_checked(connection, 1, root, modifiers, keycode,
                                                       XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        const int code = error ? error->error_code : 0;
        std::free(error);
        return code;
    }
};

constexpr std::uint16_t ControlAltShift = 4 | 8 | 1;

} // namespace

class TestX11HotKeys : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QCOMPARE(QGuiApplication::platformName(), u"xcb"_s); }
    void grabFires_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::newRow("no lock") << u"ctrl+alt+shift+1"_s;
        QTest::newRow("NumLock on") << u"Num_Lock ctrl+alt+shift+1 Num_Lock"_s;
    }
    void grabFires()
    {
        QFETCH(QString, keys);
        Session session;
        QVERIFY2(!session.manager.error(), qPrintable(session.manager.error().value_or(QString())));
        QVERIFY(press(keys));
        QTRY_COMPARE_WITH_TIMEOUT(session.actions, QList<int>{0}, 5000);
    }
    void takenCombinationIsReportedAndRolledBack()
    {
        OtherClient other;
        QCOMPARE(other.grab(11, ControlAltShift), 0);
        // Only the NumLock variant of Ctrl+Alt+U is taken: a partial grab must still be undone.
        QCOMPARE(other.grab(30, 4 | 8 | 16), 0);

        Session session;
        QCOMPARE(session.manager.error(),
                 std::optional(ShortcutManager::refusedMessage(u"Ctrl+Alt+Shift+2"_s, 10)));
        QCOMPARE(other.grab(11, ControlAltShift, true), 0);
        session.manager.set(Shortcut{30, Shortcut::Ctrl | Shortcut::Alt, u"Ctrl+Alt+U"_s},
                            ShortcutAction::CaptureRegion);
        QCOMPARE(session.manager.error(),
                 std::optional(ShortcutManager::refusedMessage(u"Ctrl+Alt+U"_s, 10)));
        // Nothing of the refused combination stays grabbed by us, and the previous assignment works.
        QCOMPARE(OtherClient().grab(30, 4 | 8), 0);
        QVERIFY(press(u"ctrl+alt+shift+1"_s));
        QTRY_COMPARE_WITH_TIMEOUT(session.actions, QList<int>{0}, 5000);
    }
};

int main(int argc, char* argv[])
{
    XvfbSession session({"Xvfb", "openbox", "xdotool"});
    if (!session.isReady())
        return 1;
    QApplication app(argc, argv);
    TestX11HotKeys test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_x11hotkeys.moc"
