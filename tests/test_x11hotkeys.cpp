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

QByteArray g_display;

bool run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

bool press(const QString& keys)
{
    return run(u"xdotool"_s, {u"key"_s, keys});
}

// A second X client, standing for another program that holds a combination first.
class OtherClient
{
public:
    OtherClient() : m_connection(xcb_connect(g_display.constData(), nullptr))
    {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~OtherClient() { xcb_disconnect(m_connection); }
    OtherClient(const OtherClient&) = delete;
    OtherClient& operator=(const OtherClient&) = delete;

    // The X11 error code of the grab, 0 when it succeeded.
    int grab(std::uint8_t keycode, std::uint16_t modifiers)
    {
        const auto cookie = xcb_grab_key_checked(m_connection, 1, m_root, modifiers, keycode,
                                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t* error = xcb_request_check(m_connection, cookie);
        const int code = error ? error->error_code : 0;
        std::free(error);
        return code;
    }

    // Returns once the server has dropped the grab.
    void release(std::uint8_t keycode, std::uint16_t modifiers)
    {
        xcb_ungrab_key(m_connection, keycode, m_root, modifiers);
        std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_root = 0;
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
        QTest::addColumn<QString>("lock");
        QTest::newRow("no lock") << QString();
        QTest::newRow("NumLock on") << u"Num_Lock"_s;
        QTest::newRow("CapsLock on") << u"Caps_Lock"_s;
    }
    void grabFires()
    {
        QFETCH(QString, lock);
        auto backend = X11HotKeyBackend::create();
        QVERIFY(backend);
        MemoryDefaults store;
        ShortcutManager manager(store, *backend);
        QVERIFY2(!manager.error(), qPrintable(manager.error().value_or(QString())));
        QList<int> actions;
        manager.setAction([&actions](int index) { actions.append(index); });

        if (!lock.isEmpty())
            QVERIFY(press(lock));
        QVERIFY(press(u"ctrl+alt+shift+1"_s));
        QTRY_COMPARE_WITH_TIMEOUT(actions, QList<int>{0}, 5000);
        QVERIFY(press(u"ctrl+alt+shift+4"_s));
        QTRY_COMPARE_WITH_TIMEOUT(actions, (QList<int>{0, 3}), 5000);
        if (!lock.isEmpty())
            QVERIFY(press(lock));

        // Without Shift it is another combination, which nobody registered.
        QVERIFY(press(u"ctrl+alt+1"_s));
        QTest::qWait(300);
        QCOMPARE(actions, (QList<int>{0, 3}));
    }
    void takenCombinationIsReportedAndRolledBack()
    {
        OtherClient other;
        QCOMPARE(other.grab(11, ControlAltShift), 0);
        // Only the NumLock variant of Ctrl+Alt+U is taken: a partial grab must still be undone.
        QCOMPARE(other.grab(30, 4 | 8 | 16), 0);

        auto backend = X11HotKeyBackend::create();
        MemoryDefaults store;
        ShortcutManager manager(store, *backend);
        QCOMPARE(manager.error(),
                 std::optional(QStringLiteral("Shortcut Ctrl+Alt+Shift+2 could not be registered "
                                              "(10). Choose a different combination.")));
        other.release(11, ControlAltShift);

        manager.set(Shortcut{30, Shortcut::Ctrl | Shortcut::Alt, u"Ctrl+Alt+U"_s}, 0);
        QCOMPARE(manager.error(), std::optional(ShortcutManager::refusedMessage(u"Ctrl+Alt+U"_s, 10)));
        QCOMPARE(manager.shortcuts(), Shortcut::defaults());
        QVERIFY(!store.data(ShortcutManager::storeKey));
        // Nothing of the refused combination stays grabbed by us...
        OtherClient third;
        QCOMPARE(third.grab(30, 4 | 8), 0);
        // ...and the previous assignment works again.
        QList<int> actions;
        manager.setAction([&actions](int index) { actions.append(index); });
        QVERIFY(press(u"ctrl+alt+shift+1"_s));
        QTRY_COMPARE_WITH_TIMEOUT(actions, QList<int>{0}, 5000);
    }
    void grabsSurviveAKeyboardMappingChange()
    {
        auto backend = X11HotKeyBackend::create();
        MemoryDefaults store;
        ShortcutManager manager(store, *backend);
        QList<int> actions;
        manager.setAction([&actions](int index) { actions.append(index); });

        // Move NumLock to Mod3: the variants must follow the new modifier map.
        QVERIFY(run(u"xmodmap"_s, {u"-e"_s, u"remove mod2 = Num_Lock"_s, u"-e"_s, u"add mod3 = Num_Lock"_s}));
        QTest::qWait(500);
        QVERIFY(press(u"Num_Lock"_s));
        QVERIFY(press(u"ctrl+alt+shift+2"_s));
        QVERIFY(press(u"Num_Lock"_s));
        QVERIFY(run(u"xmodmap"_s, {u"-e"_s, u"remove mod3 = Num_Lock"_s, u"-e"_s, u"add mod2 = Num_Lock"_s}));
        QTRY_COMPARE_WITH_TIMEOUT(actions, QList<int>{1}, 5000);
        QVERIFY(!manager.error());
    }
    void destructionReleasesTheGrabs()
    {
        {
            auto backend = X11HotKeyBackend::create();
            MemoryDefaults store;
            ShortcutManager manager(store, *backend);
            OtherClient other;
            QCOMPARE(other.grab(10, ControlAltShift), 10);
        }
        OtherClient other;
        QCOMPARE(other.grab(10, ControlAltShift), 0);
        QCOMPARE(other.grab(10, ControlAltShift | 16), 0);
    }
};

int main(int argc, char* argv[])
{
    XvfbSession session({"Xvfb", "openbox", "xdotool", "xmodmap"});
    if (!session.isReady())
        return 1;
    g_display = session.display();
    QApplication app(argc, argv);
    TestX11HotKeys test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_x11hotkeys.moc"
