// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CaptureSource.h"
#include "core/OCREngine.h"
#include "model/AppModel.h"
#include "model/HistoryStore.h"
#include "model/Preferences.h"
#include "model/SoundPlayer.h"
#include "model/UserDefaults.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMutex>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>

using namespace vellumix;
using namespace Qt::StringLiterals;

namespace {

// Each test image carries its key in the red channel.
QImage keyed(int key, int width = 8, int height = 6)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(key, 0, 0));
    return image;
}

// One block per line, top to bottom.
Recognition recognition(const QString& text, float confidence = 1.0f, const QStringList& codes = {})
{
    Recognition result;
    const QStringList lines = text.isEmpty() ? QStringList() : text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i)
        result.blocks.append(
            {QUuid::createUuid(), lines.at(i), confidence, 0.1, 0.8 - 0.1 * double(i), 0.5, 0.05});
    result.codes = codes;
    return result;
}

class FakeEngine final : public OCREngine
{
public:
    Recognition recognize(const QImage& image, const OCROptions& options, const CancelToken& cancel) override
    {
        const int key = qRed(image.pixel(0, 0));
        QMutexLocker lock(&mutex);
        keys.append(key);
        seenLanguages.append(options.languages.join(u','));
        lock.unlock();
        ++calls;
        while (holdKey == key && !released) {
            if (honoursCancel && cancel.isCancelled())
                throw Cancelled{};
            QThread::msleep(1);
        }
        if (key == failKey)
            throw PlatformError(u"The engine broke."_s);
        lock.relock();
        return results.value(key);
    }
    QStringList languages() const override { return {}; }

    QMutex mutex;
    QHash<int, Recognition> results;
    QList<int> keys;
    QStringList seenLanguages;
    std::atomic<int> calls{0};
    std::atomic<int> holdKey{-1};
    std::atomic<bool> released{false};
    std::atomic<bool> honoursCancel{true};
    int failKey = -1;
};

// Captures nothing; the capture flow has its own tests.
class NoCapture final : public CaptureSource
{
public:
    QFuture<QList<QImage>> region() override { return QtFuture::makeReadyFuture(QList<QImage>()); }
    QFuture<QList<QImage>> regions() override { return region(); }
    QFuture<QList<QImage>> fullScreen() override { return region(); }
    void cancel() override {}
};

class FakeSound final : public SoundPlayer
{
public:
    void play(const QString& eventId) override { played.append(eventId); }
    QStringList played;
};

struct Fixture
{
    Fixture()
    {
        QGuiApplication::clipboard()->setText(u"before"_s);
        model.openWorkspace = [this] { ++workspaceOpened; };
        model.toast = [this](const QString& text) { toasts.append(text); };
    }

    Preferences& preferences() { return model.preferences(); }
    const QList<HistoryEntry>& history() { return model.history().entries(); }
    static QString clipboard() { return QGuiApplication::clipboard()->text(); }

    // Recognises images keyed 0, 1, ... with these texts and waits for the flow to end.
    bool run(const QStringList& texts, const QString& source = AppModel::sourceScreen)
    {
        QList<QImage> images;
        for (qsizetype i = 0; i < texts.size(); ++i) {
            engine.results.insert(int(i), recognition(texts.at(i)));
            images.append(keyed(int(i)));
        }
        return run(images, source);
    }
    bool run(const QList<QImage>& images, const QString& source = AppModel::sourceScreen)
    {
        model.processImages(images, source);
        return QTest::qWaitFor([this] { return !model.busy(); }, 5000);
    }

    QTemporaryDir folder;
    MemoryDefaults defaults;
    FakeEngine engine;
    NoCapture capture;
    FakeSound sound;
    AppModel model{defaults, folder.path(), engine, capture, sound};
    int workspaceOpened = 0;
    QStringList toasts;
};

} // namespace

class TestAppModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void joining_data()
    {
        QTest::addColumn<QStringList>("texts"); // one per image; empty means no blocks
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("rules");
        QTest::addColumn<QString>("expected");
        const QStringList ab{u"A"_s, u"B"_s};
        QTest::newRow("default separator") << ab << u"\n\n"_s << QString() << u"A\n\nB"_s;
        QTest::newRow("empty middle text adds no separator")
            << QStringList{u"A"_s, QString(), u"C"_s} << u"\n\n"_s << QString() << u"A\n\nC"_s;
        QTest::newRow("one image unchanged")
            << QStringList{u"one\ntwo"_s} << u" | "_s << QString() << u"one\ntwo"_s;
        QTest::newRow("rules run on the joined text")
            << ab << u" | "_s << u"A | B => joined"_s << u"joined"_s;
    }
    void joining()
    {
        QFETCH(QStringList, texts);
        QFETCH(QString, separator);
        QFETCH(QString, rules);
        QFETCH(QString, expected);
        Fixture f;
        f.preferences().setSeparator(separator);
        f.preferences().setRules(rules);
        QVERIFY(f.run(texts));
        QCOMPARE(f.engine.keys, QList<int>({0, 1, 2}).mid(0, texts.size())); // in order, each once
        QCOMPARE(f.model.text(), expected);
        QCOMPARE(Fixture::clipboard(), expected);
        QCOMPARE(f.history().first().text, expected);
    }
    void resultOfOneOrSeveralImages_data()
    {
        QTest::addColumn<QList<float>>("confidences"); // per image; 0 means no blocks
        QTest::addColumn<float>("mean");
        QTest::newRow("one image") << QList<float>{0.5f} << 0.5f;
        QTest::newRow("three images, an empty one counts as 0") << QList<float>{1.0f, 0.0f, 0.5f} << 0.5f;
    }
    void resultOfOneOrSeveralImages()
    {
        QFETCH(QList<float>, confidences);
        QFETCH(float, mean);
        Fixture f;
        f.preferences().setRetainImages(true);
        QList<QImage> images;
        for (qsizetype i = 0; i < confidences.size(); ++i) {
            const float confidence = confidences.at(i);
            f.engine.results.insert(int(i), recognition(confidence > 0 ? u"t"_s : QString(), confidence));
            images.append(keyed(int(i), 12, 9));
        }
        QVERIFY(f.run(images, AppModel::sourceFullScreen));
        const bool one = images.size() == 1;
        QCOMPARE(f.model.recognition().has_value(), one);
        QCOMPARE(f.model.image(), one ? images.first() : QImage());
        const HistoryEntry& entry = f.history().first();
        QCOMPARE(f.model.selectedHistory(), std::optional(entry.id));
        QCOMPARE(entry.confidence, mean);
        QCOMPARE(entry.source, AppModel::sourceFullScreen);
        QCOMPARE(entry.language, u"Automatic"_s);
        QCOMPARE(entry.imageName.has_value(), one);
        if (one)
            QCOMPARE(QImage(f.model.history().imagePath(entry)).size(), QSize(12, 9));
    }
    void endingsWithoutText_data()
    {
        QTest::addColumn<QStringList>("codes"); // of the second of two images
        QTest::addColumn<QString>("message");
        QTest::newRow("codes only") << QStringList{u"https://example.org"_s} << QString();
        QTest::newRow("nothing") << QStringList{}
                                 << u"No readable text was found. Your clipboard has not changed."_s;
    }
    void endingsWithoutText()
    {
        QFETCH(QStringList, codes);
        QFETCH(QString, message);
        Fixture f;
        f.preferences().setSound(true);
        f.engine.results.insert(1, recognition(QString(), 0.0f, codes));
        QVERIFY(f.run({keyed(0), keyed(1)}));
        QCOMPARE(f.workspaceOpened, 1);
        QCOMPARE(f.model.message().value_or(QString()), message);
        QCOMPARE(f.model.text(), QString());
        QCOMPARE(f.model.recognition().has_value(), !codes.isEmpty()); // the one with codes
        if (!codes.isEmpty())
            QCOMPARE(f.model.recognition()->codes, codes);
        QCOMPARE(Fixture::clipboard(), u"before"_s);
        QVERIFY(f.history().isEmpty());
        QVERIFY(f.toasts.isEmpty() && f.sound.played.isEmpty());
    }
    void engineErrorKeepsThePreviousResult()
    {
        Fixture f;
        QVERIFY(f.run({u"first"_s}));
        f.engine.failKey = 0;
        QVERIFY(f.run({keyed(0)}));
        QCOMPARE(f.model.message(), std::optional(u"The engine broke."_s));
        QCOMPARE(f.model.text(), u"first"_s);
        QCOMPARE(f.model.recognition()->blocks.first().text, u"first"_s);
        QCOMPARE(f.workspaceOpened, 1);
        QCOMPARE(f.history().size(), 1);
    }
    void successEnding_data()
    {
        QTest::addColumn<bool>("autoCopy");
        QTest::addColumn<bool>("confirmations");
        QTest::addColumn<bool>("showResults");
        QTest::addColumn<bool>("historyEnabled");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("toast"); // empty: none
        QTest::addColumn<bool>("workspace");
        const QString copied = AppModel::copiedToast;
        const QString screen = AppModel::sourceScreen;
        QTest::newRow("defaults") << true << true << false << true << screen << copied << false;
        QTest::newRow("no auto-copy")
            << false << true << false << true << screen << AppModel::recognizedToast << false;
        QTest::newRow("no confirmations") << true << false << false << true << screen << QString() << false;
        QTest::newRow("neither") << false << false << false << true << screen << QString() << false;
        QTest::newRow("image opens the workspace")
            << true << true << false << false << AppModel::sourceImage << copied << true;
        QTest::newRow("pdf opens the workspace")
            << true << true << false << true << AppModel::sourcePDF << copied << true;
        QTest::newRow("clipboard image stays behind")
            << true << true << false << true << AppModel::sourceClipboardImage << copied << false;
        QTest::newRow("show results") << true << true << true << true << screen << copied << true;
    }
    void successEnding()
    {
        QFETCH(bool, autoCopy);
        QFETCH(bool, confirmations);
        QFETCH(bool, showResults);
        QFETCH(bool, historyEnabled);
        QFETCH(QString, source);
        QFETCH(QString, toast);
        QFETCH(bool, workspace);
        Fixture f;
        f.preferences().setAutoCopy(autoCopy);
        f.preferences().setConfirmations(confirmations);
        f.preferences().setShowResults(showResults);
        f.preferences().setHistoryEnabled(historyEnabled);
        f.preferences().setSound(!autoCopy);
        f.preferences().setLanguages(u"de, en"_s);
        QVERIFY(f.run({u"text"_s}, source));
        QCOMPARE(f.toasts, toast.isEmpty() ? QStringList() : QStringList{toast});
        QCOMPARE(f.workspaceOpened, workspace ? 1 : 0);
        QCOMPARE(Fixture::clipboard(), autoCopy ? u"text"_s : u"before"_s);
        QCOMPARE(f.sound.played, autoCopy ? QStringList() : QStringList{AppModel::completeSound});
        QCOMPARE(f.history().size(), historyEnabled ? 1 : 0);
        QCOMPARE(f.model.selectedHistory().has_value(), historyEnabled);
        if (historyEnabled)
            QCOMPARE(f.history().first().language, u"de, en"_s);
        QVERIFY(!f.model.message());
    }
    void cancel_data()
    {
        QTest::addColumn<int>("holdKey");        // the image whose recognition is held; -1 none
        QTest::addColumn<bool>("honoursCancel"); // whether the engine notices the token
        QTest::addColumn<int>("recognised");     // recognitions started; -1 any
        QTest::newRow("the engine stops") << 0 << true << 1;
        QTest::newRow("an engine that finishes anyway") << 0 << false << 1;
        QTest::newRow("between images") << 1 << false << 2;
        QTest::newRow("before the result is shown") << -1 << true << -1;
    }
    void cancel()
    {
        QFETCH(int, holdKey);
        QFETCH(bool, honoursCancel);
        QFETCH(int, recognised);
        Fixture f;
        QVERIFY(f.run({u"old"_s}));
        f.toasts.clear();
        f.engine.calls = 0;
        for (int key = 0; key < 3; ++key)
            f.engine.results.insert(key, recognition(u"new"_s));
        f.engine.holdKey = holdKey;
        f.engine.honoursCancel = honoursCancel;
        f.model.processImages({keyed(0), keyed(1), keyed(2)}, AppModel::sourceImage);
        if (holdKey >= 0)
            QTRY_COMPARE(f.engine.calls.load(), holdKey + 1);
        f.model.cancel();
        QVERIFY(f.model.busy()); // the flow clears it when it notices
        f.engine.released = !honoursCancel;
        QTRY_VERIFY(!f.model.busy());
        if (recognised >= 0)
            QCOMPARE(f.engine.calls.load(), recognised);
        QVERIFY(!f.model.message());
        QCOMPARE(f.workspaceOpened, 0);
        QCOMPARE(f.model.text(), u"old"_s);
        QCOMPARE(Fixture::clipboard(), u"old"_s);
        QCOMPARE(f.history().size(), 1);
        QVERIFY(f.toasts.isEmpty());

        f.engine.holdKey = -1;
        QVERIFY(f.run({keyed(2)})); // idle again
        QCOMPARE(f.model.text(), u"new"_s);
    }
    void busyRefusesNewFlows()
    {
        Fixture f;
        f.model.processImages({}, AppModel::sourceImage);
        QVERIFY(!f.model.busy());
        QCOMPARE(f.model.source(), AppModel::sourceScreen);

        f.engine.results.insert(0, recognition(u"first"_s));
        f.engine.holdKey = 0;
        f.model.processImages({keyed(0)}, AppModel::sourceClipboardImage);
        QTRY_COMPARE(f.engine.calls.load(), 1);
        f.model.processImages({keyed(5)}, AppModel::sourceImage);
        f.model.retry();
        QCOMPARE(f.model.source(), AppModel::sourceClipboardImage);
        f.engine.released = true;
        QTRY_VERIFY(!f.model.busy());
        QCOMPARE(f.engine.keys, QList<int>{0});
        QCOMPARE(f.model.text(), u"first"_s);
    }
    void optionsAreReadOnceAndProgressAdvances()
    {
        Fixture f;
        f.preferences().setLanguages(u"deu"_s);
        QList<double> values;
        connect(&f.model, &AppModel::progressChanged, this, [&] { values.append(f.model.progress()); });
        f.engine.holdKey = 1;
        f.model.processImages({keyed(0), keyed(1), keyed(2)}, AppModel::sourceScreen);
        QTRY_COMPARE(f.engine.calls.load(), 2);
        f.preferences().setLanguages(u"eng"_s);
        f.engine.released = true;
        QTRY_VERIFY(!f.model.busy());
        QCOMPARE(f.engine.seenLanguages, QStringList(3, u"deu"_s));
        QCOMPARE(values, (QList<double>{0.0, 1.0 / 3.0, 2.0 / 3.0, 1.0}));
    }
    void copy_data()
    {
        QTest::addColumn<bool>("explicitCopy"); // copy() rather than the success step
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<bool>("toast");
        QTest::newRow("empty text") << true << QString() << u"before"_s << false;
        QTest::newRow("only spaces") << true << u"   "_s << u"before"_s << true;
        QTest::newRow("text, untrimmed") << true << u" a "_s << u" a "_s << true;
        QTest::newRow("success step with only spaces") << false << u" \n "_s << u"before"_s << true;
    }
    void copy()
    {
        QFETCH(bool, explicitCopy);
        QFETCH(QString, text);
        QFETCH(QString, clipboard);
        QFETCH(bool, toast);
        Fixture f;
        f.preferences().setConfirmations(!explicitCopy); // applies to the success step only
        f.model.setText(text);
        explicitCopy ? f.model.copy() : f.model.complete(1.0f, QImage());
        QCOMPARE(Fixture::clipboard(), clipboard);
        QCOMPARE(f.toasts, toast ? QStringList{AppModel::copiedToast} : QStringList());
    }
    void retryAndOpen()
    {
        Fixture f;
        f.preferences().setRetainImages(true);
        QVERIFY(f.run({u"zero"_s, u"one"_s}));
        f.model.retry(); // several images keep no image: nothing to retry
        QVERIFY(!f.model.busy());

        f.engine.results.insert(4, recognition(u"kept"_s));
        QVERIFY(f.run({keyed(4)}, AppModel::sourceClipboardImage));
        const HistoryEntry withImage = f.history().first();
        HistoryEntry missingImage = withImage;
        missingImage.imageName = u"missing.png"_s;
        missingImage.text = u"no image"_s;
        missingImage.source = AppModel::sourceFullScreen;

        f.model.open(missingImage);
        QCOMPARE(f.model.text(), u"no image"_s);
        QCOMPARE(f.model.source(), AppModel::sourceFullScreen);
        QCOMPARE(f.model.selectedHistory(), std::optional(withImage.id));
        QVERIFY(f.model.image().isNull() && !f.model.recognition());
        QCOMPARE(f.workspaceOpened, 1);
        f.model.retry();
        QVERIFY(!f.model.busy());
        QCOMPARE(f.engine.calls.load(), 3);

        f.model.open(withImage);
        QCOMPARE(f.model.image().size(), QSize(8, 6));
        f.model.retry();
        QVERIFY(f.model.busy());
        QTRY_VERIFY(!f.model.busy());
        QCOMPARE(f.engine.keys.last(), 4); // the kept image, read back from the history folder
        QCOMPARE(f.history().first().source, AppModel::sourceClipboardImage);
        QCOMPARE(f.history().size(), 3);
    }
    void startupAppliesRetention()
    {
        QTemporaryDir folder;
        const double now = HistoryEntry::secondsSinceReference(QDateTime::currentDateTimeUtc());
        for (const double age : {31.0, 29.0}) {
            HistoryStore past(folder.path(), [&] { return now - age * 86400.0; });
            past.add(QString::number(age), AppModel::sourceScreen, QString(), 1.0f, QImage(), false, 60);
        }
        MemoryDefaults defaults;
        FakeEngine engine;
        NoCapture capture;
        FakeSound sound;
        AppModel model(defaults, folder.path(), engine, capture, sound);
        QCOMPARE(model.history().entries().size(), 1);
        QCOMPARE(model.history().entries().first().text, u"29"_s);
        QCOMPARE(HistoryStore(folder.path()).entries().size(), 1); // written at once
    }
};

QTEST_MAIN(TestAppModel)
#include "test_appmodel.moc"
