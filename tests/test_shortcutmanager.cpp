// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHotKeyBackend.h"
#include "model/UserDefaults.h"
#include "shell/ShortcutManager.h"

#include <QTest>

using namespace vellumix;

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
    return {{38, Shortcut::Ctrl, QStringLiteral("Ctrl+A")},
            {56, Shortcut::Ctrl, QStringLiteral("Ctrl+B")},
            {54, Shortcut::Ctrl, QStringLiteral("Ctrl+C")},
            {40, Shortcut::Super, QStringLiteral("Super+D")}};
}

} // namespace

class TestShortcutManager : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void loading_data();
    void loading();
    void refusalAtStartKeepsTheShortcut();
    void duplicateChangesNothing();
    void refusedChangeRollsBack();
    void acceptedChangeIsStored();
    void resetRestoresDefaultsAndForgetsTheStore();
    void actionRunsAfterTheHandlerReturns();
    void withoutX11TheMechanismExplainsWhy();
};

void TestShortcutManager::loading_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QList<Shortcut>>("expected");
    QTest::newRow("nothing stored") << QByteArray() << Shortcut::defaults();
    QTest::newRow("four valid entries") << Shortcut::encode(custom()) << custom();
    QTest::newRow("three entries") << Shortcut::encode(custom().mid(0, 3)) << Shortcut::defaults();
    QTest::newRow("malformed JSON") << QByteArray("[{") << Shortcut::defaults();
}

void TestShortcutManager::loading()
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

void TestShortcutManager::refusalAtStartKeepsTheShortcut()
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
    QCOMPARE(manager.error(),
             std::optional(ShortcutManager::refusedMessage(QStringLiteral("Ctrl+Alt+Shift+3"), 2)));
}

void TestShortcutManager::duplicateChangesNothing()
{
    MemoryDefaults store;
    FakeHotKeyBackend backend;
    ShortcutManager manager(store, backend);
    // Same key and modifiers as action 0; the label is not compared.
    manager.set(Shortcut{10, defaultMask, QStringLiteral("other label")}, 1);
    QCOMPARE(manager.error(), std::optional(ShortcutManager::alreadyAssignedMessage()));
    QCOMPARE(manager.shortcuts(), Shortcut::defaults());
    QCOMPARE(backend.registered, registrationsOf(Shortcut::defaults()));
    QVERIFY(store.contents().isEmpty());

    // An action's own combination again is no duplicate: it is registered and stored.
    manager.set(Shortcut::defaults().at(2), 2);
    QVERIFY(!manager.error());
    QCOMPARE(store.data(ShortcutManager::storeKey), std::optional(Shortcut::encode(Shortcut::defaults())));
}

void TestShortcutManager::refusedChangeRollsBack()
{
    MemoryDefaults store;
    store.set(ShortcutManager::storeKey, Shortcut::encode(custom()));
    FakeHotKeyBackend backend;
    backend.refused.insert({30, Shortcut::Ctrl | Shortcut::Alt}, 10);
    ShortcutManager manager(store, backend);

    manager.set(Shortcut{30, Shortcut::Ctrl | Shortcut::Alt, QStringLiteral("Ctrl+Alt+U")}, 2);
    QCOMPARE(manager.error(),
             std::optional(ShortcutManager::refusedMessage(QStringLiteral("Ctrl+Alt+U"), 10)));
    QCOMPARE(manager.shortcuts(), custom());
    QCOMPARE(backend.registered, registrationsOf(custom()));
    QCOMPARE(store.data(ShortcutManager::storeKey), std::optional(Shortcut::encode(custom())));
}

void TestShortcutManager::acceptedChangeIsStored()
{
    MemoryDefaults store;
    FakeHotKeyBackend backend;
    ShortcutManager manager(store, backend);
    manager.setError(ShortcutManager::unacceptableMessage());

    const Shortcut shortcut{45, Shortcut::Super, QStringLiteral("Super+K")};
    manager.set(shortcut, 3);
    QList<Shortcut> expected = Shortcut::defaults();
    expected[3] = shortcut;
    QVERIFY(!manager.error());
    QCOMPARE(manager.shortcuts(), expected);
    QCOMPARE(backend.registered, registrationsOf(expected));
    QCOMPARE(store.data(ShortcutManager::storeKey), std::optional(Shortcut::encode(expected)));
}

void TestShortcutManager::resetRestoresDefaultsAndForgetsTheStore()
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
    QCOMPARE(manager.error(),
             std::optional(ShortcutManager::refusedMessage(QStringLiteral("Ctrl+Alt+Shift+4"), 10)));
    QCOMPARE(backend.registered.keys(), (QList<int>{1, 2, 3}));
}

void TestShortcutManager::actionRunsAfterTheHandlerReturns()
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

void TestShortcutManager::withoutX11TheMechanismExplainsWhy()
{
    // Tests run on the offscreen platform, which has no hot-key service.
    const auto backend = HotKeyBackend::create();
    QVERIFY(!backend->unavailableReason().isEmpty());
    MemoryDefaults store;
    ShortcutManager manager(store, *backend);
    QCOMPARE(manager.error(), std::optional(backend->unavailableReason()));
    QCOMPARE(manager.shortcuts(), Shortcut::defaults());
}

QTEST_MAIN(TestShortcutManager)
#include "test_shortcutmanager.moc"
