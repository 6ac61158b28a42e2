// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Preferences.h"
#include "model/UserDefaults.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace vellumix;
using Key = Preferences::Key;

class TestPreferences : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstLaunchWritesNothing();
    void defaults();
    void lastIconTurnsTheOtherOn_data();
    void lastIconTurnsTheOtherOn();
    void loadFallsBackPerKey_data();
    void loadFallsBackPerKey();
    void everyWriteSavesTheWholeDictionary();
    void resetWritesEveryDefault();
    void applierSeesEverySave();
    void options_data();
    void options();
    void accentColor_data();
    void accentColor();
    void settingsFileSurvivesRestart();
};

void TestPreferences::firstLaunchWritesNothing()
{
    MemoryDefaults store;
    Preferences preferences(store);
    QVERIFY(store.contents().isEmpty());
}

void TestPreferences::defaults()
{
    MemoryDefaults store;
    Preferences preferences(store);
    QCOMPARE(preferences.menuIcon(), true);
    QCOMPARE(preferences.startMinimized(), true);
    QCOMPARE(preferences.defaultMode(), QStringLiteral("Region"));
    QCOMPARE(preferences.accent(), QStringLiteral("Mint"));
    QCOMPARE(preferences.showResults(), false);
    QCOMPARE(preferences.retentionDays(), 30);
    QCOMPARE(preferences.appearance(), QStringLiteral("System"));
    QCOMPARE(preferences.separator(), QStringLiteral("\n\n"));
    QCOMPARE(preferences.options(), OCROptions());
}

void TestPreferences::lastIconTurnsTheOtherOn_data()
{
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<Key>("turnOff");
    QTest::addColumn<bool>("menuIcon");
    QTest::addColumn<bool>("showDock");
    QTest::newRow("menu icon off turns the taskbar on") << QVariantMap{} << Key::MenuIcon << false << true;
    QTest::newRow("taskbar off with menu icon off turns the menu icon on")
        << QVariantMap{{QStringLiteral("menuIcon"), false}, {QStringLiteral("showDock"), true}}
        << Key::ShowDock << true << false;
}

void TestPreferences::lastIconTurnsTheOtherOn()
{
    QFETCH(QVariantMap, stored);
    QFETCH(Key, turnOff);
    QFETCH(bool, menuIcon);
    QFETCH(bool, showDock);
    MemoryDefaults store;
    if (!stored.isEmpty())
        store.set(Preferences::storeKey, stored);
    Preferences preferences(store);
    preferences.setValue(turnOff, false);
    QCOMPARE(preferences.menuIcon(), menuIcon);
    QCOMPARE(preferences.showDock(), showDock);
    const QVariantMap saved = *store.dictionary(Preferences::storeKey);
    QCOMPARE(saved.value(QStringLiteral("menuIcon")).toBool(), menuIcon);
    QCOMPARE(saved.value(QStringLiteral("showDock")).toBool(), showDock);
}

void TestPreferences::loadFallsBackPerKey_data()
{
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<Key>("key");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("retentionDays as string")
        << QVariantMap{{QStringLiteral("retentionDays"), QStringLiteral("7")}} << Key::RetentionDays
        << QVariant(30);
    QTest::newRow("fast as string") << QVariantMap{{QStringLiteral("fast"), QStringLiteral("true")}}
                                    << Key::Fast << QVariant(false);
    QTest::newRow("retentionDays as 64-bit integer")
        << QVariantMap{{QStringLiteral("retentionDays"), qlonglong(7)}} << Key::RetentionDays << QVariant(7);
    QTest::newRow("accent as number")
        << QVariantMap{{QStringLiteral("accent"), 3}} << Key::Accent << QVariant(QStringLiteral("Mint"));
    QTest::newRow("unknown appearance kept")
        << QVariantMap{{QStringLiteral("appearance"), QStringLiteral("Sepia")}} << Key::Appearance
        << QVariant(QStringLiteral("Sepia"));
    QTest::newRow("both icons off loads the menu icon on")
        << QVariantMap{{QStringLiteral("menuIcon"), false}, {QStringLiteral("showDock"), false}}
        << Key::MenuIcon << QVariant(true);
    QTest::newRow("both icons off leaves the taskbar off")
        << QVariantMap{{QStringLiteral("menuIcon"), false}, {QStringLiteral("showDock"), false}}
        << Key::ShowDock << QVariant(false);
}

void TestPreferences::loadFallsBackPerKey()
{
    QFETCH(QVariantMap, stored);
    QFETCH(Key, key);
    QFETCH(QVariant, expected);
    MemoryDefaults store;
    store.set(Preferences::storeKey, stored);
    Preferences preferences(store);
    QCOMPARE(preferences.value(key), expected);
    // Loading rewrites the whole dictionary with what was taken.
    const QVariantMap saved = *store.dictionary(Preferences::storeKey);
    QCOMPARE(saved.size(), Preferences::keyCount);
    QCOMPARE(saved.value(Preferences::keyName(key)), expected);
}

void TestPreferences::everyWriteSavesTheWholeDictionary()
{
    MemoryDefaults store;
    Preferences preferences(store);
    QSignalSpy spy(&preferences, &Preferences::changed);
    preferences.setRules(QStringLiteral("a => b"));
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0).at(0).value<Key>(), Key::Rules);
    const QVariantMap saved = *store.dictionary(Preferences::storeKey);
    QCOMPARE(saved.size(), Preferences::keyCount);
    QCOMPARE(saved.value(QStringLiteral("rules")), QVariant(QStringLiteral("a => b")));
    QCOMPARE(saved.value(QStringLiteral("retentionDays")).typeId(), int(QMetaType::Int));

    // A value of the wrong type is refused and nothing is announced.
    preferences.setValue(Key::Sound, QStringLiteral("yes"));
    QCOMPARE(spy.size(), 1);
    QCOMPARE(preferences.sound(), false);
}

void TestPreferences::resetWritesEveryDefault()
{
    MemoryDefaults store;
    store.set(QStringLiteral("shortcuts"), QByteArray("[]"));
    Preferences preferences(store);
    preferences.setAccent(QStringLiteral("Blue"));
    preferences.setRetentionDays(3);
    preferences.reset();
    const QVariantMap saved = *store.dictionary(Preferences::storeKey);
    QCOMPARE(saved.size(), Preferences::keyCount);
    for (int i = 0; i < Preferences::keyCount; ++i)
        QCOMPARE(saved.value(Preferences::keyName(Key(i))), Preferences::defaultValue(Key(i)));
    QCOMPARE(store.data(QStringLiteral("shortcuts")), QByteArray("[]"));
}

void TestPreferences::applierSeesEverySave()
{
    MemoryDefaults store;
    Preferences preferences(store);
    QList<std::pair<bool, QString>> applied;
    preferences.setApplier([&](bool dock, const QString& appearance) { applied.append({dock, appearance}); });
    preferences.setAppearance(QStringLiteral("Dark"));
    preferences.setAppearance(QStringLiteral("System"));
    preferences.setMenuIcon(false);
    QCOMPARE(applied.first(), std::make_pair(false, QStringLiteral("Dark")));
    QCOMPARE(applied.at(1), std::make_pair(false, QStringLiteral("System")));
    QCOMPARE(applied.last(), std::make_pair(true, QStringLiteral("System")));
}

void TestPreferences::options_data()
{
    QTest::addColumn<QString>("languages");
    QTest::addColumn<QString>("vocabulary");
    QTest::addColumn<QStringList>("languageList");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("only commas") << QStringLiteral(",,,") << QString() << QStringList{} << QStringList{};
    QTest::newRow("only spaces") << QStringLiteral("  \t ") << QString() << QStringList{} << QStringList{};
    QTest::newRow("spaces around codes")
        << QStringLiteral(" en-US ,\tdeu ,,") << QString()
        << QStringList{QStringLiteral("en-US"), QStringLiteral("deu")} << QStringList{};
    QTest::newRow("blank line between words")
        << QString() << QStringLiteral("Vellumix\n\nTesseract") << QStringList{}
        << QStringList{QStringLiteral("Vellumix"), QStringLiteral("Tesseract")};
    QTest::newRow("line of spaces stays")
        << QString() << QStringLiteral("a\n  \r\nb ") << QStringList{}
        << QStringList{QStringLiteral("a"), QStringLiteral("  "), QStringLiteral("b ")};
}

void TestPreferences::options()
{
    QFETCH(QString, languages);
    QFETCH(QString, vocabulary);
    QFETCH(QStringList, languageList);
    QFETCH(QStringList, words);
    MemoryDefaults store;
    Preferences preferences(store);
    preferences.setLanguages(languages);
    preferences.setVocabulary(vocabulary);
    preferences.setFast(true);
    const OCROptions options = preferences.options();
    QCOMPARE(options.languages, languageList);
    QCOMPARE(options.vocabulary, words);
    QCOMPARE(options.fast, true);
}

void TestPreferences::accentColor_data()
{
    QTest::addColumn<QString>("accent");
    QTest::addColumn<QColor>("color");
    const QColor mint(0x00, 0xC7, 0xBE);
    QTest::newRow("blue") << QStringLiteral("Blue") << QColor(0x00, 0x7A, 0xFF);
    QTest::newRow("purple") << QStringLiteral("Purple") << QColor(0xAF, 0x52, 0xDE);
    QTest::newRow("mint") << QStringLiteral("Mint") << mint;
    QTest::newRow("case sensitive") << QStringLiteral("blue") << mint;
    QTest::newRow("unknown") << QStringLiteral("Teal") << mint;
}

void TestPreferences::accentColor()
{
    QFETCH(QString, accent);
    QFETCH(QColor, color);
    MemoryDefaults store;
    Preferences preferences(store);
    preferences.setAccent(accent);
    QCOMPARE(preferences.accentColor(), color);
}

void TestPreferences::settingsFileSurvivesRestart()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Vellumix.conf"));
    {
        SettingsDefaults store(path);
        Preferences preferences(store);
        preferences.setRetentionDays(12);
        preferences.setSeparator(QStringLiteral(" | "));
        store.set(QStringLiteral("onboarded"), true);
    }
    SettingsDefaults store(path);
    QVERIFY(store.boolean(QStringLiteral("onboarded")));
    QVERIFY(!store.boolean(QStringLiteral("missing")));
    Preferences preferences(store);
    QCOMPARE(preferences.retentionDays(), 12);
    QCOMPARE(preferences.separator(), QStringLiteral(" | "));
    QCOMPARE(preferences.menuIcon(), true);
}

QTEST_GUILESS_MAIN(TestPreferences)
#include "test_preferences.moc"
