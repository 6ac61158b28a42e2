// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Preferences.h"
#include "model/UserDefaults.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace vellumix;
using namespace Qt::StringLiterals;
using Key = Preferences::Key;

class TestPreferences : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lastIconTurnsTheOtherOn_data()
    {
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<Key>("turnOff");
        QTest::addColumn<bool>("menuIcon");
        QTest::addColumn<bool>("showDock");
        QTest::newRow("menu icon off turns the taskbar on")
            << QVariantMap{} << Key::MenuIcon << false << true;
        QTest::newRow("taskbar off with menu icon off turns the menu icon on")
            << QVariantMap{{u"menuIcon"_s, false}, {u"showDock"_s, true}} << Key::ShowDock << true << false;
    }
    void lastIconTurnsTheOtherOn()
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
        QCOMPARE(saved.value(u"menuIcon"_s).toBool(), menuIcon);
        QCOMPARE(saved.value(u"showDock"_s).toBool(), showDock);
    }
    void loadFallsBackPerKey_data()
    {
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<Key>("key");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("retentionDays as string")
            << QVariantMap{{u"retentionDays"_s, u"7"_s}} << Key::RetentionDays << QVariant(30);
        QTest::newRow("fast as string")
            << QVariantMap{{u"fast"_s, u"true"_s}} << Key::Fast << QVariant(false);
        QTest::newRow("retentionDays as 64-bit integer")
            << QVariantMap{{u"retentionDays"_s, qlonglong(7)}} << Key::RetentionDays << QVariant(7);
        QTest::newRow("accent as number")
            << QVariantMap{{u"accent"_s, 3}} << Key::Accent << QVariant(u"Mint"_s);
        QTest::newRow("unknown appearance kept")
            << QVariantMap{{u"appearance"_s, u"Sepia"_s}} << Key::Appearance << QVariant(u"Sepia"_s);
        QTest::newRow("both icons off loads the menu icon on")
            << QVariantMap{{u"menuIcon"_s, false}, {u"showDock"_s, false}} << Key::MenuIcon << QVariant(true);
        QTest::newRow("both icons off leaves the taskbar off")
            << QVariantMap{{u"menuIcon"_s, false}, {u"showDock"_s, false}} << Key::ShowDock
            << QVariant(false);
    }
    void loadFallsBackPerKey()
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
    void everyWriteSavesTheWholeDictionary()
    {
        MemoryDefaults store;
        Preferences preferences(store);
        QSignalSpy spy(&preferences, &Preferences::changed);
        preferences.setRules(u"a => b"_s);
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).value<Key>(), Key::Rules);
        const QVariantMap saved = *store.dictionary(Preferences::storeKey);
        QCOMPARE(saved.size(), Preferences::keyCount);
        QCOMPARE(saved.value(u"rules"_s), QVariant(u"a => b"_s));
        QCOMPARE(saved.value(u"retentionDays"_s).typeId(), int(QMetaType::Int));

        // A value of the wrong type is refused and nothing is announced.
        preferences.setValue(Key::Sound, u"yes"_s);
        QCOMPARE(spy.size(), 1);
        QCOMPARE(preferences.sound(), false);
    }
    void resetWritesEveryDefault()
    {
        MemoryDefaults store;
        store.set(u"shortcuts"_s, QByteArray("[]"));
        Preferences preferences(store);
        QCOMPARE(store.contents().size(), 1); // the first launch writes nothing
        preferences.setAccent(u"Blue"_s);
        preferences.setRetentionDays(3);
        preferences.reset();
        const QVariantMap saved = *store.dictionary(Preferences::storeKey);
        QCOMPARE(saved.size(), Preferences::keyCount);
        for (int i = 0; i < Preferences::keyCount; ++i)
            QCOMPARE(saved.value(Preferences::keyName(Key(i))), Preferences::defaultValue(Key(i)));
        QCOMPARE(store.data(u"shortcuts"_s), QByteArray("[]"));
    }
    void applierSeesEverySave()
    {
        MemoryDefaults store;
        Preferences preferences(store);
        QList<std::pair<bool, QString>> applied;
        preferences.setApplier([&](bool dock, const QString& appearance) {
            applied.append({dock, appearance});
        });
        preferences.setAppearance(u"Dark"_s);
        preferences.setAppearance(u"System"_s);
        preferences.setMenuIcon(false);
        QCOMPARE(applied.first(), std::make_pair(false, u"Dark"_s));
        QCOMPARE(applied.at(1), std::make_pair(false, u"System"_s));
        QCOMPARE(applied.last(), std::make_pair(true, u"System"_s));
    }
    void options_data()
    {
        QTest::addColumn<QString>("languages");
        QTest::addColumn<QString>("vocabulary");
        QTest::addColumn<QStringList>("languageList");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("only commas") << u",,,"_s << QString() << QStringList{} << QStringList{};
        QTest::newRow("only spaces") << u"  \t "_s << QString() << QStringList{} << QStringList{};
        QTest::newRow("spaces around codes")
            << u" en-US ,\tdeu ,,"_s << QString() << QStringList{u"en-US"_s, u"deu"_s} << QStringList{};
        QTest::newRow("blank line between words") << QString() << u"Vellumix\n\nTesseract"_s << QStringList{}
                                                  << QStringList{u"Vellumix"_s, u"Tesseract"_s};
        QTest::newRow("line of spaces stays")
            << QString() << u"a\n  \r\nb "_s << QStringList{} << QStringList{u"a"_s, u"  "_s, u"b "_s};
    }
    void options()
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
    void accentColor_data()
    {
        QTest::addColumn<QString>("accent");
        QTest::addColumn<QColor>("color");
        const QColor mint(0x00, 0xC7, 0xBE);
        QTest::newRow("blue") << u"Blue"_s << QColor(0x00, 0x7A, 0xFF);
        QTest::newRow("case sensitive") << u"blue"_s << mint;
        QTest::newRow("unknown") << u"Teal"_s << mint;
    }
    void accentColor()
    {
        QFETCH(QString, accent);
        QFETCH(QColor, color);
        MemoryDefaults store;
        Preferences preferences(store);
        preferences.setAccent(accent);
        QCOMPARE(preferences.accentColor(), color);
    }
    void settingsFileSurvivesRestart()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Vellumix.conf"_s);
        {
            SettingsDefaults store(path);
            Preferences preferences(store);
            preferences.setRetentionDays(12);
            preferences.setSeparator(u" | "_s);
            store.set(u"onboarded"_s, true);
        }
        SettingsDefaults store(path);
        QVERIFY(store.boolean(u"onboarded"_s));
        QVERIFY(!store.boolean(u"missing"_s));
        Preferences preferences(store);
        QCOMPARE(preferences.retentionDays(), 12);
        QCOMPARE(preferences.separator(), u" | "_s);
        QCOMPARE(preferences.menuIcon(), true);
    }
};

QTEST_GUILESS_MAIN(TestPreferences)
#include "test_preferences.moc"
