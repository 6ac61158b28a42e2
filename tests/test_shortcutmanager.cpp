// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHotKeyBackend.h"
#include "model/UserDefaults.h"
#include "shell/ShortcutManager.h"

#include <QTest>

using namespace vellumix;
using namespace Qt::StringLiterals;

namespace {

constexpr std::uint32_t defaultMask = Shortcut::Ctrl | Shortcut::Alt | Shortcut::Shift;

QMap<int, FakeHotKeyBackend::Combination> registrationsOf(const QList<Shortcut>& shortcuts)
{
    QMap<int, FakeHotKeyBackend::Combination> map;
    for (qsizetype i = 0; i < shortcuts.size(); ++i)
        map.insert(int(i) + 1, {shortcuts[i].key, shortcuts[i].modifiers});
    return map;
}

QList<Shortcut> custom()
{
    return {{38, Shortcut::Ctrl, u"Ctrl+A"_s},
            {56, Shortcut::Ctrl, u"Ctrl+B"_s},
            {54, Shortcut::Ctrl, u"Ctrl+C"_s},
            {40, Shortcut::Super, u"Super+D"_s}};
}

} // namespace

class TestShortcutManager : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void loading_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QList<Shortcut>>("expected");
        QTest::newRow("nothing stored") << QByteArray() << Shortcut::defaults();
        QTest::newRow("four valid entries") << Shortcut::encode(custom()) << custom();
        QTest::newRow("three entries") << Shortcut::encode(custom().mid(0, 3)) << Shortcut::defaults();
        QTest::newRow("malformed JSON") << QByteArray("[{") << Shortcut::defaults();
    }
    void loading()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QList<Shortcut>, expected);
        MemoryDefaults store;
        if (!stored.isEmpty())
            store.set(ShortcutManager::storeKey, stored);
        const QVariantMap before = store.contents();
        FakeHotKeyBackend backend;
        {
            ShortcutManager manager(store, backend);
            QCOMPARE(manager.shortcuts(), expected);
            QCOMPARE(backend.registered, registrationsOf(expected));
            QVERIFY(!manager.error());
            QCOMPARE(store.contents(), before);
        }
        QVERIFY2(backend.registered.isEmpty(), "destruction must release every hot key");
    }
    void refusalAtStartKeepsTheShortcut()
    {
        MemoryDefaults store;
        FakeHotKeyBackend backend;
        backend.refused.insert({11, defaultMask}, 10);
        ShortcutManager manager(store, backend);
        QCOMPARE(manager.shortcuts(), Shortcut::defaults());
        QCOMPARE(manager.error(),
                 std::optional(QStringLiteral("Shortcut Ctrl+Alt+Shift+2 could not be registered "
                                              "(10). Choose a different combination.")));
        QCOMPARE(backend.registered.keys(), (QList<int>{1, 3, 4}));

        // A hot key the mechanism drops later is reported the same way.
        backend.lose(3, 2);
        QCOMPARE(manager.error(), std::optional(ShortcutManager::refusedMessage(u"Ctrl+Alt+Shift+3"_s, 2)));
    }
    void change_data()
    {
        QTest::addColumn<Shortcut>("shortcut");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("error"); // empty: accepted, registered and stored
        const Shortcut ctrlAltU{30, Shortcut::Ctrl | Shortcut::Alt, u"Ctrl+Alt+U"_s};
        // Same key and modifiers as action 0; the label is not compared.
        QTest::newRow("duplicate") << Shortcut{38, Shortcut::Ctrl, u"other label"_s} << 1
                                   << ShortcutManager::alreadyAssignedMessage();
        QTest::newRow("refused by the mechanism")
            << ctrlAltU << 2 << ShortcutManager::refusedMessage(u"Ctrl+Alt+U"_s, 10);
        QTest::newRow("an action's own combination is no duplicate") << custom().at(2) << 2 << QString();
        QTest::newRow("accepted") << Shortcut{45, Shortcut::Super, u"Super+K"_s} << 3 << QString();
    }
    void change()
    {
        QFETCH(Shortcut, shortcut);
        QFETCH(int, action);
        QFETCH(QString, error);
        MemoryDefaults store;
        store.set(ShortcutManager::storeKey, Shortcut::encode(custom()));
        FakeHotKeyBackend backend;
        backend.refused.insert({30, Shortcut::Ctrl | Shortcut::Alt}, 10);
        ShortcutManager manager(store, backend);
        manager.setError(ShortcutManager::unacceptableMessage()); // an accepted change clears it
        store.set(ShortcutManager::storeKey, QByteArray("untouched"));

        manager.set(shortcut, action);
        QList<Shortcut> expected = custom();
        if (error.isEmpty())
            expected[action] = shortcut;
        QCOMPARE(manager.error(), error.isEmpty() ? std::nullopt : std::optional(error));
        QCOMPARE(manager.shortcuts(), expected);
        QCOMPARE(backend.registered, registrationsOf(expected));
        QCOMPARE(store.data(ShortcutManager::storeKey),
                 std::optional(error.isEmpty() ? Shortcut::encode(expected) : QByteArray("untouched")));
    }
    void resetRestoresDefaultsAndForgetsTheStore()
    {
        MemoryDefaults store;
        store.set(ShortcutManager::storeKey, Shortcut::encode(custom()));
        FakeHotKeyBackend backend;
        backend.refused.insert({13, defaultMask}, 10);
        ShortcutManager manager(store, backend);
        QVERIFY(!manager.error());

        manager.reset();
        QCOMPARE(manager.shortcuts(), Shortcut::defaults());
        QVERIFY(!store.data(ShortcutManager::storeKey));
        QCOMPARE(manager.error(), std::optional(ShortcutManager::refusedMessage(u"Ctrl+Alt+Shift+4"_s, 10)));
        QCOMPARE(backend.registered.keys(), (QList<int>{1, 2, 3}));
    }
    void actionRunsAfterTheHandlerReturns()
    {
        MemoryDefaults store;
        FakeHotKeyBackend backend;
        ShortcutManager manager(store, backend);
        QList<int> calls;
        manager.setAction([&calls](int index) { calls.append(index); });

        backend.press(2);
        QVERIFY2(calls.isEmpty(), "the action ran inside the hot-key handler");
        backend.press(9);
        backend.press(0);
        backend.press(4);
        QTRY_COMPARE(calls, (QList<int>{1, 3}));
    }
    void withoutX11TheMechanismExplainsWhy()
    {
        // Tests run on the offscreen platform, which has no hot-key service.
        const auto backend = HotKeyBackend::create();
        QVERIFY(!backend->unavailableReason().isEmpty());
        MemoryDefaults store;
        ShortcutManager manager(store, *backend);
        QCOMPARE(manager.error(), std::optional(backend->unavailableReason()));
        QCOMPARE(manager.shortcuts(), Shortcut::defaults());
    }
};

QTEST_MAIN(TestShortcutManager)
#include "test_shortcutmanager.moc"
