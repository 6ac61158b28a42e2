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
    void load_data()
    {
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<Key>("key");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("mistyped value falls back")
            << QVariantMap{{u"retentionDays"_s, u"7"_s}} << Key::RetentionDays << QVariant(30);
        QTest::newRow("both icons off loads the menu icon on")
            << QVariantMap{{u"menuIcon"_s, false}, {u"showDock"_s, false}} << Key::MenuIcon << QVariant(true);
    }
    void load()
    {
        QFETCH(QVariantMap, stored);
        QFETCH(Key, key);
        QFETCH(QVariant, expected);
        MemoryDefaults store;
        store.set(Preferences::storeKey, stored);
        Preferences preferences(store);
        QCOMPARE(preferences.value(key), expected);
        QCOMPARE(store.dictionary(Preferences::storeKey)->value(Preferences::keyName(key)), expected);
    }
    void everyChangeIsSavedAndAnnounced()
    {
        MemoryDefaults store;
        store.set(u"shortcuts"_s, QByteArray("[]"));
        Preferences preferences(store);
        QCOMPARE(store.contents().size(), 1); // the first launch writes nothing
        QSignalSpy spy(&preferences, &Preferences::changed);
        preferences.setAppearance(u"Dark"_s);
        QCOMPARE(spy.size(), 1);
        QCOMPARE(store.dictionary(Preferences::storeKey)->size(), Preferences::keyCount);
        preferences.setValue(Key::Sound, u"yes"_s); // the wrong type is refused silently
        QCOMPARE(spy.size(), 1);

        preferences.setMenuIcon(false); // the last icon turns the other one on
        QVERIFY(preferences.showDock());
        preferences.setShowDock(false);
        QVERIFY(preferences.menuIcon() && !preferences.showDock());
        QVERIFY(store.dictionary(Preferences::storeKey)->value(u"menuIcon"_s).toBool());
        preferences.setRetentionDays(3);
        preferences.reset();
        const QVariantMap saved = *store.dictionary(Preferences::storeKey);
        for (int i = 0; i < Preferences::keyCount; ++i)
            QCOMPARE(saved.value(Preferences::keyName(Key(i))), Preferences::defaultValue(Key(i)));
        QCOMPARE(store.data(u"shortcuts"_s), QByteArray("[]"));
    }
    void options_data()
    {
        QTest::addColumn<QString>("languages");
        QTest::addColumn<QString>("vocabulary");
        QTest::addColumn<QStringList>("languageList");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("spaces around codes, blank word lines")
            << u" en-US ,\tdeu ,,"_s << u"Vellumix\n\nTesseract"_s << QStringList{u"en-US"_s, u"deu"_s}
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
        QCOMPARE(preferences.options().languages, languageList);
        QCOMPARE(preferences.options().vocabulary, words);
    }
    void accentColor()
    {
        MemoryDefaults store;
        Preferences preferences(store);
        const QColor mint = preferences.accentColor(); // the default
        preferences.setAccent(u"Blue"_s);
        QVERIFY(preferences.accentColor() != mint);
        preferences.setAccent(u"blue"_s); // names are case-sensitive; unknown ones are mint
        QCOMPARE(preferences.accentColor(), mint);
    }
    void settingsFileSurvivesRestart()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Vellumix.conf"_s);
        {
            SettingsDefaults store(path);
            Preferences preferences(store);
            preferences.setSeparator(u" | "_s);
            preferences.setRetentionDays(12); // stored as text in the file
            store.set(u"onboarded"_s, true);
        }
        SettingsDefaults store(path);
        QVERIFY(store.boolean(u"onboarded"_s) && !store.boolean(u"missing"_s));
        Preferences preferences(store);
        QCOMPARE(preferences.separator(), u" | "_s);
        QCOMPARE(preferences.retentionDays(), 12);
    }
};

QTEST_GUILESS_MAIN(TestPreferences)
#include "test_preferences.moc"
