// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHotKeyBackend.h"
#include "model/UserDefaults.h"
#include "shell/ShortcutManager.h"

#include <QTest>

using namespace vellumix;
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
        MemoryDefaults store;
        store.set(ShortcutManager::storeKey, Shortcut::encode(custom));
        FakeHotKeyBackend backend;
        backend.refused.insert({30, Shortcut::Ctrl | Shortcut::Alt}, 10);
        ShortcutManager manager(store, backend);
        manager.setError(ShortcutManager::unacceptableMessage()); // an accepted change clears it
        store.set(ShortcutManager::storeKey, QByteArray("untouched"));

        manager.set(shortcut, action);
        QList<Shortcut> expected = custom;
        if (error.isEmpty())
            expected[action] = shortcut;
        QCOMPARE(manager.error(), error.isEmpty() ? std::nullopt : std::optional(error));
        QCOMPARE(manager.shortcuts(), expected);
        QCOMPARE(backend.registered, registrationsOf(expected));
        QCOMPARE(store.data(ShortcutManager::storeKey),
                 std::optional(error.isEmpty() ? Shortcut::encode(expected) : QByteArray("untouched")));
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
        QCOMPARE(backend.registered.keys(), (QList<int>{1, 2, 3}));
        backend.lose(2, 2);
        QCOMPARE(manager.error(), std::optional(ShortcutManager::refusedMessage(u"Ctrl+Alt+Shift+2"_s, 2)));
    }
    void offscreenHasNoHotKeysAndAnIncompleteStoreGivesTheDefaults()
    {
        const auto backend = HotKeyBackend::create();
        MemoryDefaults store;
        store.set(ShortcutManager::storeKey, Shortcut::encode(custom.mid(0, 3)));
        ShortcutManager manager(store, *backend);
        QCOMPARE(manager.shortcuts(), Shortcut::defaults());
        QCOMPARE(store.data(ShortcutManager::storeKey), std::optional(Shortcut::encode(custom.mid(0, 3))));
        QVERIFY(!backend->unavailableReason().isEmpty());
        QCOMPARE(manager.error(), std::optional(backend->unavailableReason()));
    }
};

QTEST_MAIN(TestShortcutManager)
#include "test_shortcutmanager.moc"
