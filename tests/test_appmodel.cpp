// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModelFixture.h"
#include "PdfTestFiles.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <climits>

using namespace vellumix;
using namespace vellumix::testing;
using namespace Qt::StringLiterals;
using Fixture = ModelFixture;

Q_DECLARE_METATYPE(vellumix::Source)

class TestAppModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void result_data()
    {
        QTest::addColumn<QList<int>>("keys"); // image 0 reads nothing
        QTest::addColumn<QString>("rules");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<float>("confidence");
        QTest::newRow("one image keeps image and boxes") << QList<int>{3} << QString() << u"text 3"_s << 0.9f;
        QTest::newRow("separator, in order") << QList<int>{2, 1} << QString() << u"text 2 | text 1"_s << 0.9f;
        QTest::newRow("empty text: no separator, counts as 0")
            << QList<int>{1, 0, 2} << QString() << u"text 1 | text 2"_s << 0.6f;
        QTest::newRow("rules run on the joined text")
            << QList<int>{1, 2} << u"1 | text 2 => joined"_s << u"text joined"_s << 0.9f;
    }
    void result()
    {
        QFETCH(QList<int>, keys);
        QFETCH(QString, rules);
        QFETCH(QString, expected);
        QFETCH(float, confidence);
        Fixture f;
        f.preferences().setSeparator(u" | "_s);
        f.preferences().setRules(rules);
        // The first language the engine reports choosing is what the history records.
        Recognition german = recognition(u"text 2"_s);
        german.language = u"deu+eng"_s;
        f.engine.results.insert(2, german);
        QVERIFY(f.run(keys));
        QCOMPARE(f.engine.keys, keys); // each once
        QCOMPARE(Fixture::clipboard(), expected);
        const HistoryEntry& entry = f.history().first();
        QCOMPARE(entry.text, expected);
        QCOMPARE(entry.confidence, confidence);
        QCOMPARE(entry.language, keys.contains(2) ? u"deu+eng"_s : u"Automatic"_s);
        QCOMPARE(f.model.recognition().has_value(), keys.size() == 1); // no boxes for several images
    }
    void endingsWithoutText_data()
    {
        QTest::addColumn<QStringList>("codes"); // of the second of two images
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("fails");
        QTest::newRow("codes only") << QStringList{u"https://example.org"_s} << QString() << false;
        QTest::newRow("nothing") << QStringList{}
                                 << u"No readable text was found. Your clipboard has not changed."_s << false;
        QTest::newRow("engine error") << QStringList{} << u"The engine broke."_s << true;
    }
    void endingsWithoutText()
    {
        QFETCH(QStringList, codes);
        QFETCH(QString, message);
        QFETCH(bool, fails);
        Fixture f;
        f.preferences().setSound(true);
        f.engine.results.insert(5, recognition(QString(), 0.0f, codes));
        f.engine.failKey = fails ? 5 : -1;
        QVERIFY(f.run({0, 5}));
        QCOMPARE(f.workspaceOpened, 1);
        QCOMPARE(f.model.message().value_or(QString()), message);
        QCOMPARE(f.model.recognition() ? f.model.recognition()->codes : QStringList(), codes);
        QCOMPARE(Fixture::clipboard(), u"before"_s);
        QVERIFY(f.history().isEmpty() && f.toasts.isEmpty() && f.sound.played.isEmpty());
    }
    void successEnding_data()
    {
        QTest::addColumn<bool>("autoCopy");
        QTest::addColumn<bool>("confirmations");
        QTest::addColumn<Source>("source");
        QTest::addColumn<QString>("toast"); // empty: none
        QTest::addColumn<bool>("workspace");
        const QString copied = AppModel::copiedToast;
        const Source screen = Source::Screen;
        QTest::newRow("no auto-copy") << false << true << screen << AppModel::recognizedToast << false;
        QTest::newRow("no confirmations") << true << false << screen << QString() << false;
        QTest::newRow("image opens the workspace") << true << true << Source::Image << copied << true;
        QTest::newRow("clipboard image stays behind")
            << true << true << Source::ClipboardImage << copied << false;
    }
    void successEnding()
    {
        QFETCH(bool, autoCopy);
        QFETCH(bool, confirmations);
        QFETCH(Source, source);
        QFETCH(QString, toast);
        QFETCH(bool, workspace);
        Fixture f;
        f.preferences().setAutoCopy(autoCopy);
        f.preferences().setConfirmations(confirmations);
        f.preferences().setSound(!autoCopy);
        f.preferences().setHistoryEnabled(!workspace);
        QVERIFY(f.run({1}, source));
        QCOMPARE(f.toasts, toast.isEmpty() ? QStringList() : QStringList{toast});
        QCOMPARE(f.workspaceOpened, workspace ? 1 : 0);
        QCOMPARE(Fixture::clipboard(), autoCopy ? u"text 1"_s : u"before"_s);
        QCOMPARE(f.sound.played, autoCopy ? QStringList() : QStringList{AppModel::completeSound});
        QCOMPARE(f.history().size(), workspace ? 0 : 1);
    }
    void cancel_data()
    {
        QTest::addColumn<int>("holdKey");        // the image whose recognition is held; 0 none
        QTest::addColumn<bool>("honoursCancel"); // whether the engine notices the token
        QTest::addColumn<int>("recognised");     // recognitions started; -1 any
        QTest::newRow("the engine stops") << 1 << true << 1;
        QTest::newRow("between images") << 2 << false << 2;
        QTest::newRow("before the result is shown") << 0 << true << -1;
    }
    void cancel()
    {
        QFETCH(int, holdKey);
        QFETCH(bool, honoursCancel);
        QFETCH(int, recognised);
        Fixture f;
        QVERIFY(f.run({7}));
        f.engine.calls = 0;
        f.engine.holdKey = holdKey;
        f.engine.honoursCancel = honoursCancel;
        f.model.processImages({keyed(1), keyed(2), keyed(3)}, Source::Image);
        if (holdKey > 0)
            QTRY_COMPARE(f.engine.calls.load(), holdKey);
        f.model.cancel();
        QVERIFY(f.model.busy()); // until the flow notices: the engine may still be running
        f.engine.released = !honoursCancel;
        QTRY_VERIFY(!f.model.busy());
        if (recognised >= 0)
            QCOMPARE(f.engine.calls.load(), recognised);
        QVERIFY(!f.model.message() && f.workspaceOpened == 0);
        QCOMPARE(f.toasts.size(), 1); // the first run's only
        QCOMPARE(Fixture::clipboard(), u"text 7"_s);
        QCOMPARE(f.history().size(), 1);
    }
    void busyRefusesNewFlows()
    {
        Fixture f;
        f.engine.holdKey = 1;
        f.model.processImages({keyed(1)}, Source::ClipboardImage);
        QTRY_COMPARE(f.engine.calls.load(), 1);
        f.model.processImages({keyed(5)}, Source::Image);
        f.model.retry();
        f.engine.released = true;
        QVERIFY(f.idle());
        QCOMPARE(f.engine.keys, QList<int>{1});
    }
    void copy_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<bool>("toast");
        QTest::newRow("only spaces") << u"   "_s << u"before"_s << false;
        QTest::newRow("text, untrimmed") << u" a "_s << u" a "_s << true;
    }
    void copy()
    {
        QFETCH(QString, text);
        QFETCH(QString, clipboard);
        QFETCH(bool, toast);
        Fixture f;
        f.preferences().setConfirmations(false); // applies to the success step only
        f.model.setText(text);
        f.model.copy();
        QCOMPARE(Fixture::clipboard(), clipboard);
        QCOMPARE(f.toasts, toast ? QStringList{AppModel::copiedToast} : QStringList());
    }
    // The stored period reaches the start-up pruning: one out of range acts as the default.
    void startUpPruningWithAStoredPeriod_data()
    {
        QTest::addColumn<QVariant>("days");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("7") << QVariant(7) << QStringList{u"1 day"_s};
        QTest::newRow("INT_MIN") << QVariant(qlonglong(INT_MIN) - 5) << QStringList{u"1 day"_s, u"10 days"_s};
    }
    void startUpPruningWithAStoredPeriod()
    {
        QFETCH(QVariant, days);
        QFETCH(QStringList, kept);
        QTemporaryDir folder;
        const double now = HistoryEntry::secondsSinceReference(QDateTime::currentDateTimeUtc());
        QJsonArray entries;
        for (int age : {1, 10, 40})
            entries.append(HistoryEntry{QUuid::createUuid(),
                                        {},
                                        now - age * 86400.0,
                                        QString::number(age) + (age == 1 ? u" day"_s : u" days"_s),
                                        AppModel::sourceScreen,
                                        u"Automatic"_s,
                                        0.5f,
                                        std::nullopt}
                               .toJson());
        QVERIFY(pdftest::writeFile(folder.filePath(HistoryStore::fileName), QJsonDocument(entries).toJson()));
        MemoryDefaults defaults;
        defaults.set(Preferences::storeKey, QVariantMap{{u"retentionDays"_s, days}});
        FakeEngine engine;
        FakeCapture capture;
        FakeSound sound;
        AppModel model(defaults, folder.path(), engine, capture, sound);
        QStringList texts;
        for (const HistoryEntry& entry : model.history().entries())
            texts.append(entry.text);
        QCOMPARE(texts, kept);
    }
    void retryAndOpen()
    {
        Fixture f;
        f.preferences().setRetainImages(true);
        QVERIFY(f.run({4}, Source::ClipboardImage));
        const HistoryEntry withImage = f.history().first();
        HistoryEntry missingImage = withImage;
        missingImage.imageName = u"missing.png"_s;
        f.model.open(missingImage);
        QVERIFY(f.model.image().isNull() && !f.model.recognition());
        QCOMPARE(f.workspaceOpened, 1);
        f.model.retry();
        QVERIFY(!f.model.busy());
        f.model.open(withImage);
        QTRY_VERIFY(!f.model.image().isNull()); // decoded off the GUI thread
        f.model.retry();
        QVERIFY(f.idle());
        QCOMPARE(f.engine.keys, (QList<int>{4, 4})); // the kept image, read back from disk
        QCOMPARE(f.history().first().source, AppModel::sourceClipboardImage);
    }
    void deletingTheSelectedEntryUntiesTheResult()
    {
        Fixture f;
        QVERIFY(f.run({4}));
        QVERIFY(f.run({5}));
        const QUuid older = f.history().last().id;
        f.model.history().deleteEntry(older);
        QCOMPARE(f.model.selectedHistory(), std::optional(f.history().first().id));
        f.model.history().deleteEntry(f.history().first().id);
        QVERIFY(!f.model.selectedHistory());
        QCOMPARE(f.model.text(), u"text 5"_s); // the result itself stays
    }
    // Past Qt's default allocation limit (128 MiB, about 33 megapixels in 32 bits) a plain
    // image reader refuses the kept image, and retrying would have nothing to recognise.
    void openShowsLargeKeptImages()
    {
        Fixture f;
        QImage large(6000, 6000, QImage::Format_RGB32);
        large.fill(qRgb(8, 0, 0));
        f.model.history().add(u"large"_s, AppModel::sourceFullScreen, u"Automatic"_s, 0.5f, large, true, 30);
        const HistoryEntry entry = f.history().first();
        // Opening another entry before the decode ends must not let the late image replace it.
        f.model.open(entry);
        f.model.open(HistoryEntry{QUuid::createUuid(), u"text only"_s, 0.0, u"text only"_s});
        QTest::qWait(1500);
        QVERIFY(f.model.image().isNull());
        f.model.open(entry);
        QTRY_COMPARE(f.model.image().size(), large.size());
        f.model.retry();
        QVERIFY(f.idle());
        QCOMPARE(f.engine.keys, QList<int>{8});
    }
};

QTEST_MAIN(TestAppModel)
#include "test_appmodel.moc"
