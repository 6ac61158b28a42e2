// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/UserDefaults.h"
#include "platform/PlatformLoader.h"
#include "shell/ShortcutManager.h"
#include "support/Fakes.h"

#include <QProcessEnvironment>

#include <QTest>

using namespace vellumix;
using vellumix::testing::FakeHotKeyBackend;
using namespace Qt::StringLiterals;

namespace {

QMap<int, FakeHotKeyBackend::Combination> registrationsOf(const QList<Shortcut>& shortcuts)
{
    QMap<int, FakeHotKeyBackend::Combination> map;
    for (qsizetype i = 0; i < shortcuts.size(); ++i)
        map.insert(int(i) + 1, {shortcuts[i].key, shortcuts[i].modifiers});
    return map;
}

const QList<Shortcut> custom{{38, Shortcut::Ctrl, u"Ctrl+A"_s},
                             {56, Shortcut::Ctrl, u"Ctrl+B"_s},
                             {54, Shortcut::Ctrl, u"Ctrl+C"_s},
                             {40, Shortcut::Super, u"Super+D"_s}};

} // namespace

Q_DECLARE_METATYPE(vellumix::SessionType)

class TestShortcutManager : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void change_data()
    {
        QTest::addColumn<Shortcut>("shortcut");
        QTest::addColumn<QString>("error"); // empty: accepted, registered and stored
        QTest::newRow("action 0's combination under another label")
            << Shortcut{38, Shortcut::Ctrl, u"other label"_s} << ShortcutManager::alreadyAssignedMessage();
        QTest::newRow("refused by the mechanism")
            << Shortcut{30, Shortcut::Ctrl | Shortcut::Alt, u"Ctrl+Alt+U"_s}
            << ShortcutManager::refusedMessage(u"Ctrl+Alt+U"_s, 10);
        QTest::newRow("an action's own combination is no duplicate") << custom.at(2) << QString();
        QTest::newRow("accepted") << Shortcut{45, Shortcut::Super, u"Super+K"_s} << QString();
    }
    void change()
    {
        QFETCH(Shortcut, shortcut);
        const int action = 2;
        QFETCH(QString, error);
        // A desktop service answers later; nothing is stored or rolled back before it has.
        for (const bool later : {false, true}) {
            MemoryDefaults store;
            store.set(ShortcutManager::storeKey, Shortcut::encode(custom));
            FakeHotKeyBackend backend;
            backend.answerLater = later;
            backend.refused.insert({30, Shortcut::Ctrl | Shortcut::Alt}, 10);
            ShortcutManager manager(store, backend);
            backend.answer();
            manager.setError(ShortcutManager::unacceptableMessage()); // an accepted change clears it
            store.set(ShortcutManager::storeKey, QByteArray("untouched"));

            manager.set(shortcut, ShortcutAction(action));
            if (later && manager.isRegistering()) {
                QCOMPARE(store.data(ShortcutManager::storeKey), std::optional(QByteArray("untouched")));
                backend.answer(); // the change's round
                backend.answer(); // the roll back's round, after a refusal
            }
            QList<Shortcut> expected = custom;
            if (error.isEmpty())
                expected[action] = shortcut;
            QCOMPARE(manager.error(), error.isEmpty() ? std::nullopt : std::optional(error));
            QCOMPARE(manager.shortcuts(), expected);
            QCOMPARE(backend.bound, registrationsOf(expected));
            QCOMPARE(store.data(ShortcutManager::storeKey),
                     std::optional(error.isEmpty() ? Shortcut::encode(expected) : QByteArray("untouched")));
        }
    }
    void resetKeepsARefusedDefaultAndReportsLaterLosses()
    {
        MemoryDefaults store;
        store.set(ShortcutManager::storeKey, Shortcut::encode(custom));
        FakeHotKeyBackend backend;
        backend.refused.insert({13, Shortcut::defaults().at(3).modifiers}, 10);
        ShortcutManager manager(store, backend);
        manager.reset();
        QCOMPARE(manager.shortcuts(), Shortcut::defaults());
        QVERIFY(!store.data(ShortcutManager::storeKey));
        QCOMPARE(manager.error(), std::optional(ShortcutManager::refusedMessage(u"Ctrl+Alt+Shift+4"_s, 10)));
        QCOMPARE(backend.bound.keys(), (QList<int>{1, 2, 3}));
        backend.lose(2, 2);
        QCOMPARE(manager.error(), std::optional(ShortcutManager::refusedMessage(u"Ctrl+Alt+Shift+2"_s, 2)));
    }
    // The session decides, not Qt's plugin: under XWayland X11 grabs never see the other clients.
    // Recording suspends our grabs; the row errors and a message the window sets survive the
    // registration round that resuming starts, also when a desktop service answers later.
    void suspendAndResume_data()
    {
        QTest::addColumn<bool>("later");
        QTest::newRow("answered at once") << false;
        QTest::newRow("answered later") << true;
    }
    void suspendAndResume()
    {
        QFETCH(bool, later);
        MemoryDefaults store;
        FakeHotKeyBackend backend;
        backend.refused.insert({11, 0xB00}, 10);
        backend.answerLater = later;
        ShortcutManager manager(store, backend);
        backend.answer();
        QCOMPARE(manager.rowError(1), std::optional(ShortcutManager::statusMessage(10)));
        QCOMPARE(manager.rowError(0), std::nullopt);

        manager.suspend();
        QVERIFY(backend.bound.isEmpty());
        QCOMPARE(manager.rowError(1), std::nullopt); // nothing is registered on purpose
        manager.resume();
        manager.setError(ShortcutManager::unacceptableMessage());
        backend.answer();
        QCOMPARE(backend.bound.size(), 3);
        QCOMPARE(manager.rowError(1), std::optional(ShortcutManager::statusMessage(10)));
        QCOMPARE(manager.error(), std::optional(ShortcutManager::unacceptableMessage()));
        QVERIFY(store.contents().isEmpty());
    }
    void platformChoice_data()
    {
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QString>("qtPlatform");
        QTest::addColumn<SessionType>("session");
        QTest::addColumn<QString>("reason");
        const QString wayland = PlatformText::waylandWithoutShortcuts();
        QTest::newRow("Qt on XWayland") << QStringList{u"WAYLAND_DISPLAY=wayland-0"_s, u"DISPLAY=:0"_s}
                                        << u"xcb"_s << SessionType::Wayland << wayland;
        QTest::newRow("session type only")
            << QStringList{u"XDG_SESSION_TYPE=wayland"_s} << u"xcb"_s << SessionType::Wayland << wayland;
        QTest::newRow("native Wayland")
            << QStringList{u"WAYLAND_DISPLAY=wayland-1"_s} << u"wayland"_s << SessionType::Wayland << wayland;
        QTest::newRow("X11 session, Qt elsewhere") << QStringList{u"XDG_SESSION_TYPE=x11"_s} << u"offscreen"_s
                                                   << SessionType::X11 << PlatformText::noHotKeyService();
        QTest::newRow("no session") << QStringList() << u"offscreen"_s << SessionType::None
                                    << PlatformText::noHotKeyService();
    }
    void platformChoice()
    {
        QFETCH(QStringList, environment);
        QFETCH(QString, qtPlatform);
        QFETCH(SessionType, session);
        QFETCH(QString, reason);
        QProcessEnvironment env;
        for (const QString& variable : environment)
            env.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
        const Session detected = detectSession(env, qtPlatform);
        QCOMPARE(detected.type, session);
        const Platform platform = loadPlatform(detected);
        QCOMPARE(platform.hotKeys->unavailableReason(), reason);
        QCOMPARE(platform.hotKeys->capabilities(), HotKeyBackend::Capabilities());

        // An incomplete store gives the defaults, and the reason is the manager's error.
        MemoryDefaults store;
        store.set(ShortcutManager::storeKey, Shortcut::encode(custom.mid(0, 3)));
        ShortcutManager manager(store, *platform.hotKeys);
        QCOMPARE(manager.shortcuts(), Shortcut::defaults());
        QCOMPARE(manager.error(), std::optional(reason));
        manager.set(custom.at(0), ShortcutAction::CaptureRegion);
        QCOMPARE(manager.shortcuts(), Shortcut::defaults());
        QCOMPARE(store.data(ShortcutManager::storeKey), std::optional(Shortcut::encode(custom.mid(0, 3))));
    }
};

QTEST_MAIN(TestShortcutManager)
#include "test_shortcutmanager.moc"
