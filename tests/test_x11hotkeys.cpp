// SPDX-License-Identifier: GPL-3.0-or-later
// Real key grabs on a private Xvfb server with a window manager, pressed through XTEST.
#include "XClients.h"
#include "XvfbSession.h"
#include "model/UserDefaults.h"
#include "platform/x11/X11HotKeyBackend.h"
#include "shell/ShortcutManager.h"

#include <QApplication>
#include <QTest>

using namespace vellumix;
using namespace vellumix::testing;
using namespace Qt::StringLiterals;

namespace {

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

constexpr std::uint16_t ControlAltShift = 4 | 8 | 1;

} // namespace

class TestX11HotKeys : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QCOMPARE(QGuiApplication::platformName(), u"xcb"_s); }
    void grabFiresWithNumLockOn()
    {
        Session session;
        QVERIFY2(!session.manager.error(), qPrintable(session.manager.error().value_or(QString())));
        QVERIFY(press(u"Num_Lock ctrl+alt+shift+1 Num_Lock"_s));
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

VELLUMIX_XVFB_TEST_MAIN(TestX11HotKeys, "Xvfb", "openbox", "xdotool")

#include "test_x11hotkeys.moc"
