// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/OCREngine.h"
#include "model/AppModel.h"
#include "model/HistoryStore.h"
#include "model/Preferences.h"
#include "model/SoundPlayer.h"
#include "model/UserDefaults.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>

using namespace vellumix;

namespace {

// Each test image carries its key in the red channel of its pixels.
QImage keyedImage(int key, int width = 8, int height = 6)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(key, 0, 0));
    return image;
}

// One block per line, top to bottom, so that composition keeps the lines in order.
Recognition recognition(const QString& text, float confidence = 1.0f, const QStringList& codes = {})
{
    Recognition result;
    const QStringList lines = text.isEmpty() ? QStringList() : text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        TextBlock block;
        block.text = lines.at(i);
        block.confidence = confidence;
        block.x = 0.1;
        block.y = 0.8 - 0.1 * double(i);
        block.width = 0.5;
        block.height = 0.05;
        result.blocks.append(block);
    }
    result.codes = codes;
    return result;
}

class FakeEngine final : public OCREngine
{
public:
    Recognition recognize(const QImage& image, const OCROptions& options, const CancelToken& cancel) override
    {
        const int key = qRed(image.pixel(0, 0));
        {
            QMutexLocker lock(&m_mutex);
            seenOptions.append(options);
            seenKeys.append(key);
        }
        ++calls;
        while (holdKey.load() == key && !released.load()) {
            if (honoursCancel.load() && cancel.isCancelled())
                throw Cancelled{};
            QThread::msleep(1);
        }
        if (key == failKey)
            throw PlatformError(QStringLiteral("The engine broke."));
        QMutexLocker lock(&m_mutex);
        return results.value(key);
    }
    QStringList languages() const override { return {QStringLiteral("eng")}; }

    QList<int> keys()
    {
        QMutexLocker lock(&m_mutex);
        return seenKeys;
    }

    QHash<int, Recognition> results;
    QList<OCROptions> seenOptions;
    QList<int> seenKeys;
    std::atomic<int> calls{0};
    std::atomic<int> holdKey{-1};
    std::atomic<bool> released{false};
    std::atomic<bool> honoursCancel{true};
    int failKey = -1;

private:
    QMutex m_mutex;
};

class FakeSound final : public SoundPlayer
{
public:
    void play(const QString& eventId) override { played.append(eventId); }
    QStringList played;
};

// One model with its fakes and a record of what it asked the shell to do.
struct Fixture
{
    Fixture()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        model = std::make_unique<AppModel>(defaults, folder.path(), engine, sound);
        model->openWorkspace = [this] { ++workspaceOpened; };
        model->toast = [this](const QString& text) { toasts.append(text); };
    }

    Preferences& preferences() { return model->preferences(); }

    // Starts a recognition and returns once the flow has ended.
    bool run(const QList<QImage>& images, const QString& source = AppModel::sourceScreen)
    {
        model->processImages(images, source);
        return QTest::qWaitFor([this] { return !model->busy(); }, 5000);
    }

    static QString clipboard() { return QGuiApplication::clipboard()->text(); }

    QTemporaryDir folder;
    MemoryDefaults defaults;
    FakeEngine engine;
    FakeSound sound;
    std::unique_ptr<AppModel> model;
    int workspaceOpened = 0;
    QStringList toasts;
};

} // namespace

class TestAppModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void joining_data();
    void joining();
    void singleImageResult();
    void multiImageResult();
    void language_data();
    void language();
    void codesOnlyEnding();
    void noTextFails();
    void engineErrorKeepsThePreviousResult();
    void successEnding_data();
    void successEnding();
    void whitespaceTextStillToasts();
    void completeKeepsTheGivenImage_data();
    void completeKeepsTheGivenImage();
    void cancel_data();
    void cancel();
    void busyRefusesNewFlows();
    void optionsAreReadOnceAndProgressAdvances();
    void copy_data();
    void copy();
    void retryAndOpen();
    void startupAppliesRetention();
};

void TestAppModel::joining_data()
{
    QTest::addColumn<QStringList>("texts"); // one per image; empty means no blocks
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("rules");
    QTest::addColumn<QString>("expected");
    QTest::newRow("default separator") << QStringList{QStringLiteral("A"), QStringLiteral("B")}
                                       << QStringLiteral("\n\n") << QString() << QStringLiteral("A\n\nB");
    QTest::newRow("custom separator") << QStringList{QStringLiteral("A"), QStringLiteral("B")}
                                      << QStringLiteral(" | ") << QString() << QStringLiteral("A | B");
    QTest::newRow("empty middle text adds no separator")
        << QStringList{QStringLiteral("A"), QString(), QStringLiteral("C")} << QStringLiteral("\n\n")
        << QString() << QStringLiteral("A\n\nC");
    QTest::newRow("one image keeps its lines")
        << QStringList{QStringLiteral("one\ntwo")} << QStringLiteral(" | ") << QString()
        << QStringLiteral("one\ntwo");
    QTest::newRow("rules run on the joined text")
        << QStringList{QStringLiteral("A"), QStringLiteral("B")} << QStringLiteral(" | ")
        << QStringLiteral("A | B => joined") << QStringLiteral("joined");
}

void TestAppModel::joining()
{
    QFETCH(QStringList, texts);
    QFETCH(QString, separator);
    QFETCH(QString, rules);
    QFETCH(QString, expected);
    Fixture f;
    f.preferences().setSeparator(separator);
    f.preferences().setRules(rules);
    QList<QImage> images;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        f.engine.results.insert(int(i), recognition(texts.at(i)));
        images.append(keyedImage(int(i)));
    }
    QVERIFY(f.run(images));
    QCOMPARE(f.engine.keys(), QList<int>({0, 1, 2}).mid(0, texts.size()));
    QCOMPARE(f.model->text(), expected);
    QCOMPARE(Fixture::clipboard(), expected);
    QCOMPARE(f.model->history().entries().first().text, expected);
    QVERIFY(!f.model->message());
}

void TestAppModel::singleImageResult()
{
    Fixture f;
    f.preferences().setRetainImages(true);
    f.engine.results.insert(7, recognition(QStringLiteral("hello"), 0.5f));
    const QImage image = keyedImage(7, 12, 9);
    QVERIFY(f.run({image}));
    QVERIFY(f.model->recognition());
    QCOMPARE(f.model->recognition()->blocks.first().text, QStringLiteral("hello"));
    QCOMPARE(f.model->image(), image);
    const HistoryEntry& entry = f.model->history().entries().first();
    QCOMPARE(f.model->selectedHistory(), std::optional(entry.id));
    QCOMPARE(entry.confidence, 0.5f);
    QCOMPARE(entry.source, AppModel::sourceScreen);
    QVERIFY(entry.imageName);
    QCOMPARE(QImage(f.model->history().imagePath(entry)).size(), QSize(12, 9));
}

void TestAppModel::multiImageResult()
{
    Fixture f;
    f.preferences().setRetainImages(true);
    f.engine.results.insert(0, recognition(QStringLiteral("a"), 1.0f));
    f.engine.results.insert(1, recognition(QString()));
    f.engine.results.insert(2, recognition(QStringLiteral("c"), 0.5f));
    QVERIFY(f.run({keyedImage(0), keyedImage(1), keyedImage(2)}, AppModel::sourceFullScreen));
    QVERIFY(!f.model->recognition());
    QVERIFY(f.model->image().isNull());
    const HistoryEntry& entry = f.model->history().entries().first();
    QVERIFY(!entry.imageName);
    QCOMPARE(entry.confidence, 0.5f); // the empty image counts as 0
    QCOMPARE(entry.source, AppModel::sourceFullScreen);
}

void TestAppModel::language_data()
{
    QTest::addColumn<QString>("languages");
    QTest::addColumn<QString>("stored");
    QTest::newRow("empty means automatic") << QString() << QStringLiteral("Automatic");
    QTest::newRow("stored as written") << QStringLiteral("de, en") << QStringLiteral("de, en");
}

void TestAppModel::language()
{
    QFETCH(QString, languages);
    QFETCH(QString, stored);
    Fixture f;
    f.preferences().setLanguages(languages);
    f.engine.results.insert(1, recognition(QStringLiteral("x")));
    QVERIFY(f.run({keyedImage(1)}));
    QCOMPARE(f.model->history().entries().first().language, stored);
}

void TestAppModel::codesOnlyEnding()
{
    Fixture f;
    f.preferences().setSound(true);
    f.engine.results.insert(0, recognition(QString()));
    f.engine.results.insert(1, recognition(QString(), 0.0f, {QStringLiteral("https://example.org")}));
    QVERIFY(f.run({keyedImage(0), keyedImage(1)}));
    QCOMPARE(f.workspaceOpened, 1);
    QVERIFY(!f.model->message());
    QVERIFY(f.model->recognition());
    QCOMPARE(f.model->recognition()->codes, QStringList{QStringLiteral("https://example.org")});
    QCOMPARE(Fixture::clipboard(), QStringLiteral("before"));
    QVERIFY(f.model->history().entries().isEmpty());
    QVERIFY(f.toasts.isEmpty());
    QVERIFY(f.sound.played.isEmpty());
}

void TestAppModel::noTextFails()
{
    Fixture f;
    f.engine.results.insert(0, recognition(QString()));
    QVERIFY(f.run({keyedImage(0)}));
    QCOMPARE(f.model->message(),
             std::optional(QStringLiteral("No readable text was found. Your clipboard has not changed.")));
    QCOMPARE(f.workspaceOpened, 1);
    QCOMPARE(f.model->text(), QString());
    QVERIFY(f.model->recognition());
    QCOMPARE(Fixture::clipboard(), QStringLiteral("before"));
    QVERIFY(f.model->history().entries().isEmpty());
    QVERIFY(f.toasts.isEmpty());
}

void TestAppModel::engineErrorKeepsThePreviousResult()
{
    Fixture f;
    f.engine.results.insert(0, recognition(QStringLiteral("first")));
    QVERIFY(f.run({keyedImage(0)}));
    f.engine.failKey = 1;
    QVERIFY(f.run({keyedImage(1)}));
    QCOMPARE(f.model->message(), std::optional(QStringLiteral("The engine broke.")));
    QCOMPARE(f.model->text(), QStringLiteral("first"));
    QCOMPARE(f.model->recognition()->blocks.first().text, QStringLiteral("first"));
    QCOMPARE(f.workspaceOpened, 1);
    QCOMPARE(f.model->history().entries().size(), 1);
}

void TestAppModel::successEnding_data()
{
    QTest::addColumn<bool>("autoCopy");
    QTest::addColumn<bool>("confirmations");
    QTest::addColumn<bool>("showResults");
    QTest::addColumn<bool>("sound");
    QTest::addColumn<bool>("historyEnabled");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("toast"); // empty: no toast
    QTest::addColumn<bool>("workspace");
    const QString copied = AppModel::copiedToast;
    QTest::newRow("defaults") << true << true << false << false << true << AppModel::sourceScreen << copied
                              << false;
    QTest::newRow("no auto-copy") << false << true << false << false << true << AppModel::sourceScreen
                                  << AppModel::recognizedToast << false;
    QTest::newRow("no confirmations")
        << true << false << false << true << true << AppModel::sourceMultipleRegions << QString() << false;
    QTest::newRow("no confirmations, no copy")
        << false << false << false << false << true << AppModel::sourceScreen << QString() << false;
    QTest::newRow("image opens the workspace")
        << true << true << false << false << false << AppModel::sourceImage << copied << true;
    QTest::newRow("pdf opens the workspace")
        << true << true << false << false << true << AppModel::sourcePDF << copied << true;
    QTest::newRow("clipboard image stays in the background")
        << true << true << false << false << true << AppModel::sourceClipboardImage << copied << false;
    QTest::newRow("show results") << true << true << true << false << true << AppModel::sourceScreen << copied
                                  << true;
}

void TestAppModel::successEnding()
{
    QFETCH(bool, autoCopy);
    QFETCH(bool, confirmations);
    QFETCH(bool, showResults);
    QFETCH(bool, sound);
    QFETCH(bool, historyEnabled);
    QFETCH(QString, source);
    QFETCH(QString, toast);
    QFETCH(bool, workspace);
    Fixture f;
    f.preferences().setAutoCopy(autoCopy);
    f.preferences().setConfirmations(confirmations);
    f.preferences().setShowResults(showResults);
    f.preferences().setSound(sound);
    f.preferences().setHistoryEnabled(historyEnabled);
    f.engine.results.insert(3, recognition(QStringLiteral("text")));
    QVERIFY(f.run({keyedImage(3)}, source));
    QCOMPARE(f.toasts, toast.isEmpty() ? QStringList() : QStringList{toast});
    QCOMPARE(f.workspaceOpened, workspace ? 1 : 0);
    QCOMPARE(Fixture::clipboard(), autoCopy ? QStringLiteral("text") : QStringLiteral("before"));
    QCOMPARE(f.sound.played, sound ? QStringList{AppModel::completeSound} : QStringList());
    QCOMPARE(f.model->history().entries().size(), historyEnabled ? 1 : 0);
    QCOMPARE(f.model->selectedHistory().has_value(), historyEnabled);
    QCOMPARE(f.model->source(), source);
    QVERIFY(!f.model->busy());
}

void TestAppModel::whitespaceTextStillToasts()
{
    Fixture f;
    f.model->setText(QStringLiteral(" \n "));
    f.model->complete(1.0f, QImage());
    QCOMPARE(Fixture::clipboard(), QStringLiteral("before"));
    QCOMPARE(f.toasts, QStringList{AppModel::copiedToast});
}

void TestAppModel::completeKeepsTheGivenImage_data()
{
    QTest::addColumn<bool>("retain");
    QTest::addColumn<bool>("withImage");
    QTest::addColumn<bool>("kept");
    QTest::newRow("kept") << true << true << true;
    QTest::newRow("retain off") << false << true << false;
    QTest::newRow("no image") << true << false << false;
}

// The document flow ends here directly, without the recognition's encoded image.
void TestAppModel::completeKeepsTheGivenImage()
{
    QFETCH(bool, retain);
    QFETCH(bool, withImage);
    QFETCH(bool, kept);
    Fixture f;
    f.preferences().setRetainImages(retain);
    f.model->setText(QStringLiteral("page text"));
    f.model->complete(0.25f, withImage ? keyedImage(9, 5, 4) : QImage());
    const HistoryEntry& entry = f.model->history().entries().first();
    QCOMPARE(entry.confidence, 0.25f);
    QCOMPARE(entry.imageName.has_value(), kept);
    if (kept)
        QCOMPARE(QImage(f.model->history().imagePath(entry)).size(), QSize(5, 4));
}

void TestAppModel::cancel_data()
{
    QTest::addColumn<int>("holdKey");        // the image whose recognition is held; -1 none
    QTest::addColumn<bool>("honoursCancel"); // whether the engine notices the token
    QTest::addColumn<int>("recognised");     // how many recognitions started
    QTest::newRow("during a recognition the engine stops") << 0 << true << 1;
    QTest::newRow("after an engine that finishes anyway") << 0 << false << 1;
    QTest::newRow("between images") << 1 << false << 2;
    QTest::newRow("before the result is shown") << -1 << true << -1;
}

void TestAppModel::cancel()
{
    QFETCH(int, holdKey);
    QFETCH(bool, honoursCancel);
    QFETCH(int, recognised);
    Fixture f;
    f.engine.results.insert(0, recognition(QStringLiteral("old")));
    QVERIFY(f.run({keyedImage(0)}));
    const QUuid previous = *f.model->selectedHistory();
    f.toasts.clear();
    f.engine.calls = 0;

    f.engine.results.insert(0, recognition(QStringLiteral("new")));
    f.engine.results.insert(1, recognition(QStringLiteral("new")));
    f.engine.results.insert(2, recognition(QStringLiteral("new")));
    f.engine.holdKey = holdKey;
    f.engine.honoursCancel = honoursCancel;
    f.model->processImages({keyedImage(0), keyedImage(1), keyedImage(2)}, AppModel::sourceImage);
    QVERIFY(f.model->busy());
    if (holdKey >= 0)
        QTRY_COMPARE(f.engine.calls.load(), holdKey + 1);
    f.model->cancel();
    QVERIFY(f.model->busy()); // cleared by the flow itself, not by cancel()
    if (!honoursCancel)
        f.engine.released = true;
    QTRY_VERIFY(!f.model->busy());

    if (recognised >= 0)
        QCOMPARE(f.engine.calls.load(), recognised);
    QVERIFY(!f.model->message());
    QCOMPARE(f.workspaceOpened, 0);
    QCOMPARE(f.model->text(), QStringLiteral("old"));
    QCOMPARE(Fixture::clipboard(), QStringLiteral("old"));
    QCOMPARE(f.model->history().entries().size(), 1);
    QCOMPARE(f.model->selectedHistory(), std::nullopt);
    QVERIFY(f.toasts.isEmpty());
    QVERIFY(f.model->history().entries().first().id == previous);

    // The model is idle again and runs the next flow.
    f.engine.holdKey = -1;
    QVERIFY(f.run({keyedImage(2)}));
    QCOMPARE(f.model->text(), QStringLiteral("new"));
}

void TestAppModel::busyRefusesNewFlows()
{
    Fixture f;
    QSignalSpy busy(f.model.get(), &AppModel::busyChanged);
    f.model->processImages({}, AppModel::sourceImage);
    QCOMPARE(busy.count(), 0);

    f.engine.results.insert(0, recognition(QStringLiteral("first")));
    f.engine.holdKey = 0;
    f.model->processImages({keyedImage(0)}, AppModel::sourceScreen);
    QTRY_COMPARE(f.engine.calls.load(), 1);
    f.model->processImages({keyedImage(5)}, AppModel::sourceImage);
    QCOMPARE(f.model->source(), AppModel::sourceScreen);
    f.engine.released = true;
    QTRY_VERIFY(!f.model->busy());
    QCOMPARE(f.engine.keys(), QList<int>{0});
    QCOMPARE(f.model->text(), QStringLiteral("first"));
}

void TestAppModel::optionsAreReadOnceAndProgressAdvances()
{
    Fixture f;
    f.preferences().setLanguages(QStringLiteral("deu"));
    for (int key = 0; key < 3; ++key)
        f.engine.results.insert(key, recognition(QString::number(key)));
    QSignalSpy progress(f.model.get(), &AppModel::progressChanged);
    QList<double> values;
    connect(f.model.get(), &AppModel::progressChanged, this, [&] { values.append(f.model->progress()); });
    f.engine.holdKey = 1;
    f.model->processImages({keyedImage(0), keyedImage(1), keyedImage(2)}, AppModel::sourceScreen);
    QTRY_COMPARE(f.engine.calls.load(), 2);
    f.preferences().setLanguages(QStringLiteral("eng"));
    f.engine.released = true;
    QTRY_VERIFY(!f.model->busy());
    QCOMPARE(f.engine.seenOptions.size(), 3);
    for (const OCROptions& options : std::as_const(f.engine.seenOptions))
        QCOMPARE(options.languages, QStringList{QStringLiteral("deu")});
    QCOMPARE(values, (QList<double>{0.0, 1.0 / 3.0, 2.0 / 3.0, 1.0}));
}

void TestAppModel::copy_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<bool>("toast");
    QTest::newRow("empty text") << QString() << QStringLiteral("before") << false;
    QTest::newRow("only spaces") << QStringLiteral("   ") << QStringLiteral("before") << true;
    QTest::newRow("text") << QStringLiteral(" a ") << QStringLiteral(" a ") << true;
}

void TestAppModel::copy()
{
    QFETCH(QString, text);
    QFETCH(QString, clipboard);
    QFETCH(bool, toast);
    Fixture f;
    f.preferences().setConfirmations(false); // does not apply to an explicit copy
    f.model->setText(text);
    f.model->copy();
    QCOMPARE(Fixture::clipboard(), clipboard);
    QCOMPARE(f.toasts, toast ? QStringList{AppModel::copiedToast} : QStringList());
}

void TestAppModel::retryAndOpen()
{
    Fixture f;
    f.preferences().setRetainImages(true);
    f.engine.results.insert(0, recognition(QStringLiteral("zero")));
    f.engine.results.insert(1, recognition(QStringLiteral("one")));
    f.engine.results.insert(4, recognition(QStringLiteral("kept")));

    // A multi-image result keeps no image, so there is nothing to retry.
    QVERIFY(f.run({keyedImage(0), keyedImage(1)}));
    f.engine.calls = 0;
    f.model->retry();
    QVERIFY(!f.model->busy());
    QCOMPARE(f.engine.calls.load(), 0);

    QVERIFY(f.run({keyedImage(4)}, AppModel::sourceClipboardImage));
    const HistoryEntry withImage = f.model->history().entries().first();
    QVERIFY(withImage.imageName);
    HistoryEntry withoutImage = withImage;
    withoutImage.imageName = QStringLiteral("missing.png");
    withoutImage.text = QStringLiteral("no image");
    withoutImage.source = AppModel::sourceFullScreen;

    f.workspaceOpened = 0;
    f.model->open(withoutImage);
    QCOMPARE(f.model->text(), QStringLiteral("no image"));
    QCOMPARE(f.model->source(), AppModel::sourceFullScreen);
    QCOMPARE(f.model->selectedHistory(), std::optional(withoutImage.id));
    QVERIFY(f.model->image().isNull());
    QVERIFY(!f.model->recognition());
    QCOMPARE(f.workspaceOpened, 1);
    f.engine.calls = 0;
    f.model->retry();
    QVERIFY(!f.model->busy());
    QCOMPARE(f.engine.calls.load(), 0);

    f.model->open(withImage);
    QCOMPARE(f.model->image().size(), keyedImage(4).size());
    QCOMPARE(f.model->source(), AppModel::sourceClipboardImage);
    f.engine.calls = 0;
    f.model->retry();
    QVERIFY(f.model->busy());
    QTRY_VERIFY(!f.model->busy());
    QCOMPARE(f.engine.keys().last(), 4);
    QCOMPARE(f.engine.calls.load(), 1);
    QCOMPARE(f.model->text(), QStringLiteral("kept"));
    QCOMPARE(f.model->history().entries().first().source, AppModel::sourceClipboardImage);
}

void TestAppModel::startupAppliesRetention()
{
    QTemporaryDir folder;
    const auto entry = [](const QString& text, double age) {
        return QJsonObject{{QStringLiteral("id"), HistoryEntry::idString(QUuid::createUuid())},
                           {QStringLiteral("title"), text},
                           {QStringLiteral("created"),
                            HistoryEntry::secondsSinceReference(QDateTime::currentDateTimeUtc()) - age},
                           {QStringLiteral("text"), text},
                           {QStringLiteral("source"), QStringLiteral("Screen")},
                           {QStringLiteral("language"), QStringLiteral("Automatic")},
                           {QStringLiteral("confidence"), 1.0},
                           {QStringLiteral("status"), QStringLiteral("Recognized")}};
    };
    QFile file(QDir(folder.path()).filePath(HistoryStore::fileName));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(QJsonArray{entry(QStringLiteral("recent"), 86400.0),
                                        entry(QStringLiteral("expired"), 31 * 86400.0)})
                   .toJson());
    file.close();
    MemoryDefaults defaults;
    FakeEngine engine;
    FakeSound sound;
    AppModel model(defaults, folder.path(), engine, sound);
    QCOMPARE(model.history().entries().size(), 1);
    QCOMPARE(model.history().entries().first().text, QStringLiteral("recent"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QJsonDocument::fromJson(file.readAll()).array().size(), 1);
}

QTEST_MAIN(TestAppModel)
#include "test_appmodel.moc"
