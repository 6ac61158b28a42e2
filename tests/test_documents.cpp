// SPDX-License-Identifier: GPL-3.0-or-later
#include "PdfTestFiles.h"
#include "capture/CaptureSource.h"
#include "core/OCREngine.h"
#include "core/PDFService.h"
#include "model/AppModel.h"
#include "model/HistoryStore.h"
#include "model/Preferences.h"
#include "model/SoundPlayer.h"
#include "model/UserDefaults.h"
#include "ui/FileDialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMimeData>
#include <QMutex>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <cerrno>
#include <cstring>

using namespace vellumix;

namespace {

// Image files are filled with their key; page n of a test PDF carries the grey level 20 x n in
// its centre. Either way the key is the red level in the middle.
int keyOf(const QImage& image)
{
    return qRound(qRed(image.pixel(image.width() / 2, image.height() / 2)) / 20.0) * 20;
}

QImage keyed(int key)
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(qRgb(key, key, key));
    return image;
}

// One block per line, top to bottom; an empty text has no blocks.
Recognition lines(const QString& text, float confidence = 1.0f)
{
    Recognition result;
    const QStringList parts = text.isEmpty() ? QStringList() : text.split(u'\n');
    for (qsizetype i = 0; i < parts.size(); ++i)
        result.blocks.append(
            {QUuid::createUuid(), parts.at(i), confidence, 0.1, 0.8 - 0.1 * double(i), 0.5, 0.05});
    return result;
}

class FakeEngine final : public OCREngine
{
public:
    Recognition recognize(const QImage& image, const OCROptions&, const CancelToken& cancel) override
    {
        const int key = keyOf(image);
        QMutexLocker lock(&mutex);
        keys.append(key);
        lock.unlock();
        ++calls;
        while (holdKey == key && !released) {
            if (cancel.isCancelled())
                throw Cancelled{};
            QThread::msleep(1);
        }
        if (key == failKey)
            throw PlatformError(QStringLiteral("The engine broke."));
        lock.relock();
        return results.value(key);
    }
    QStringList languages() const override { return {}; }

    QMutex mutex;
    QHash<int, Recognition> results; // by key
    QList<int> keys;
    std::atomic<int> calls{0};
    std::atomic<int> holdKey{-1};
    std::atomic<bool> released{false};
    int failKey = -1;
};

class NoCapture final : public CaptureSource
{
public:
    QFuture<QList<QImage>> region() override { return QtFuture::makeReadyFuture(QList<QImage>()); }
    QFuture<QList<QImage>> regions() override { return region(); }
    QFuture<QList<QImage>> fullScreen() override { return region(); }
    void cancel() override {}
};

class NoSound final : public SoundPlayer
{
public:
    void play(const QString&) override {}
};

struct Fixture
{
    Fixture()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        model.openWorkspace = [this] { ++workspaceOpened; };
        model.toast = [this](const QString& text) { toasts.append(text); };
        model.chooseSaveFile = [this](const QString& name, const QString& format,
                                      std::function<void(const QUrl&)> chosen) {
            suggested.append(name + u'|' + format);
            chosen(saveTo);
        };
    }

    QString path(const QString& name) const { return folder.filePath(name); }
    QUrl url(const QString& name) const { return QUrl::fromLocalFile(path(name)); }
    bool idle()
    {
        return QTest::qWaitFor([this] { return !model.busy(); }, 10000);
    }
    QString message() const { return model.message().value_or(QString()); }
    static QString clipboard() { return QGuiApplication::clipboard()->text(); }

    // Loads the document at `file` and recognises pages first..last.
    bool recognise(const QString& file, int first, int last)
    {
        model.load(QUrl::fromLocalFile(file));
        model.setPageStart(first);
        model.setPageEnd(last);
        model.processPDF();
        return idle();
    }

    QTemporaryDir folder;
    MemoryDefaults defaults;
    FakeEngine engine;
    NoCapture capture;
    NoSound sound;
    AppModel model{defaults, folder.path(), engine, capture, sound};
    int workspaceOpened = 0;
    QStringList toasts;
    QStringList suggested;
    QUrl saveTo;
};

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

} // namespace

class TestDocuments : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void load_data();
    void load();
    void pageRange_data();
    void pageRange();
    void pdfResult_data();
    void pdfResult();
    void pdfFailures_data();
    void pdfFailures();
    void pasteImage_data();
    void pasteImage();
    void exportText_data();
    void exportText();
    void unwritableExport_data();
    void unwritableExport();
    void exportSearchable();
    void exportBesideARunningFlow();
    void panelsAnswerLater();
    void fileDialogs_data();
    void fileDialogs();

private:
    QTemporaryDir m_files;
    QString file(const QString& name) const { return m_files.filePath(name); }
};

void TestDocuments::initTestCase()
{
    QVERIFY(m_files.isValid());
    pdftest::writePdf(file(QStringLiteral("twelve.PDF")), QList<QSizeF>(12, QSizeF(100, 100)));
    pdftest::writePdf(file(QStringLiteral("three.pdf")), QList<QSizeF>(3, QSizeF(100, 100)));
    QVERIFY(QFile::copy(file(QStringLiteral("three.pdf")), file(QStringLiteral("pdf-inside.png"))));
    QVERIFY(QFile::copy(file(QStringLiteral("three.pdf")), file(QStringLiteral("locked.pdf"))));
    QVERIFY(pdftest::lockWithPassword(file(QStringLiteral("locked.pdf"))));
    QFile garbage(file(QStringLiteral("garbage.pdf")));
    QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write("not a document\n") > 0);
    garbage.close();
    QVERIFY(keyed(100).save(file(QStringLiteral("image.png"))));
    QVERIFY(keyed(100).save(file(QStringLiteral("image.data")), "PNG"));
    // Sparse files: the size check must refuse the larger one before anything is read.
    for (const auto& [name, size] : {std::pair(QStringLiteral("at-limit.png"), 262'144'000),
                                     std::pair(QStringLiteral("over-limit.png"), 262'144'001)}) {
        QFile big(file(name));
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(size));
    }
}

void TestDocuments::load_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message"); // empty: none
    QTest::addColumn<QString>("text");    // after the load ends
    QTest::addColumn<int>("pageCount");
    QTest::addColumn<int>("recognitions");
    const QString old = QStringLiteral("old");
    const QString invalidPages = QStringLiteral("Choose a valid page range within this document.");
    const QString invalidImage = QStringLiteral("This file could not be decoded as an image.");
    QTest::newRow("PDF in capitals") << QStringLiteral("twelve.PDF") << QString() << QString() << 12 << 0;
    QTest::newRow("PDF named as an image")
        << QStringLiteral("pdf-inside.png") << invalidImage << old << 0 << 0;
    QTest::newRow("not a PDF") << QStringLiteral("garbage.pdf") << invalidPages << old << 0 << 0;
    QTest::newRow("locked PDF") << QStringLiteral("locked.pdf") << invalidPages << old << 0 << 0;
    QTest::newRow("image") << QStringLiteral("image.png") << QString() << QStringLiteral("picture") << 0 << 1;
    QTest::newRow("image, any extension")
        << QStringLiteral("image.data") << QString() << QStringLiteral("picture") << 0 << 1;
    QTest::newRow("missing file") << QStringLiteral("absent.png")
                                  << QString::fromLocal8Bit(std::strerror(ENOENT)) << old << 0 << 0;
    QTest::newRow("one byte over the size limit")
        << QStringLiteral("over-limit.png")
        << QStringLiteral("This input exceeds the 250 MB file or 80 megapixel image safety limit.") << old
        << 0 << 0;
    QTest::newRow("exactly the size limit reaches the decoder")
        << QStringLiteral("at-limit.png") << invalidImage << old << 0 << 0;
}

void TestDocuments::load()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    QFETCH(QString, text);
    QFETCH(int, pageCount);
    QFETCH(int, recognitions);
    Fixture f;
    f.engine.results.insert(100, lines(QStringLiteral("picture")));
    f.engine.results.insert(60, lines(QStringLiteral("old")));
    f.model.processImages({keyed(60)}, AppModel::sourceScreen);
    QVERIFY(f.idle());
    f.engine.calls = 0;

    f.model.load(QUrl::fromLocalFile(file(name)));
    QVERIFY(f.idle());
    QCOMPARE(f.message(), message);
    QCOMPARE(f.model.text(), text);
    QCOMPARE(f.engine.calls.load(), recognitions);
    QCOMPARE(f.workspaceOpened, 1); // a document, an image's result and every failure show it
    QCOMPARE(f.model.pageCount(), pageCount);
    const bool document = pageCount > 0;
    QCOMPARE(f.model.pdfURL().isEmpty(), !document);
    if (document) {
        QCOMPARE(f.model.pageStart(), 1);
        QCOMPARE(f.model.pageEnd(), pageCount);
        QCOMPARE(f.model.source(), AppModel::sourcePDF);
        QVERIFY(f.model.image().isNull() && !f.model.recognition() && !f.model.selectedHistory());
        QCOMPARE(Fixture::clipboard(), QStringLiteral("old"));
    } else if (message.isEmpty()) {
        QCOMPARE(f.model.source(), AppModel::sourceImage);
        QCOMPARE(f.model.history().entries().first().source, AppModel::sourceImage);
    }
}

void TestDocuments::pageRange_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::newRow("start 0") << 0 << 12;
    QTest::newRow("end 13 of 12") << 1 << 13;
    QTest::newRow("start after end") << 6 << 5;
}

// A range outside the document only sets the message: nothing runs, nothing opens.
void TestDocuments::pageRange()
{
    QFETCH(int, first);
    QFETCH(int, last);
    Fixture f;
    f.model.load(QUrl::fromLocalFile(file(QStringLiteral("twelve.PDF"))));
    f.model.setPageStart(first);
    f.model.setPageEnd(last);
    f.model.processPDF();
    QVERIFY(!f.model.busy());
    QCOMPARE(f.message(), QStringLiteral("Choose a valid page range within this document."));
    QCOMPARE(f.workspaceOpened, 1); // by the load only
    QCOMPARE(f.engine.calls.load(), 0);
}

void TestDocuments::pdfResult_data()
{
    QTest::addColumn<QStringList>("texts");        // per page, one block a line
    QTest::addColumn<QList<float>>("confidences"); // per page, for each of its blocks
    QTest::addColumn<QString>("rules");
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("confidence");
    QTest::newRow("an empty page keeps its line breaks")
        << QStringList{QStringLiteral("A"), QString(), QStringLiteral("B")} << QList<float>{0.5f, 0.0f, 1.0f}
        << QString() << QStringLiteral("A\n\n\n\nB") << 0.75f;
    QTest::newRow("every block weighs the same")
        << QStringList{QStringLiteral("x\ny\nz"), QStringLiteral("w"), QString()}
        << QList<float>{1.0f, 0.0f, 0.3f} << QString() << QStringLiteral("x\ny\nz\n\nw\n\n") << 0.75f;
    QTest::newRow("rules run on the joined pages")
        << QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}
        << QList<float>{1.0f, 1.0f, 1.0f} << QStringLiteral("B => b") << QStringLiteral("A\n\nb\n\nC")
        << 1.0f;
}

void TestDocuments::pdfResult()
{
    QFETCH(QStringList, texts);
    QFETCH(QList<float>, confidences);
    QFETCH(QString, rules);
    QFETCH(QString, text);
    QFETCH(float, confidence);
    Fixture f;
    f.model.preferences().setSeparator(QStringLiteral(" | ")); // not used between pages
    f.model.preferences().setRules(rules);
    for (qsizetype page = 0; page < texts.size(); ++page)
        f.engine.results.insert(20 * int(page + 1), lines(texts.at(page), confidences.at(page)));
    QList<double> progress;
    connect(&f.model, &AppModel::progressChanged, this, [&] { progress.append(f.model.progress()); });
    QVERIFY(f.recognise(file(QStringLiteral("three.pdf")), 1, 3));
    QCOMPARE(progress, (QList<double>{0.0, 1.0 / 3.0, 2.0 / 3.0, 1.0}));
    QCOMPARE(f.model.text(), text);
    QCOMPARE(Fixture::clipboard(), text);
    QCOMPARE(f.model.pdfPages().size(), 3);
    QCOMPARE(f.model.pdfPages().at(2).index, 2);
    QVERIFY(!f.model.message());
    QCOMPARE(f.workspaceOpened, 2); // on load, and after the result
    const HistoryEntry& entry = f.model.history().entries().first();
    QCOMPARE(entry.text, text);
    QCOMPARE(entry.source, AppModel::sourcePDF);
    QCOMPARE(entry.confidence, confidence);
    QVERIFY(!entry.imageName);
    QCOMPARE(f.model.pdfURL(), QUrl::fromLocalFile(file(QStringLiteral("three.pdf")))); // still a document
}

void TestDocuments::pdfFailures_data()
{
    QTest::addColumn<QString>("ending"); // "cancel", "engine", "empty"
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("workspace");
    QTest::addColumn<int>("pages"); // pdfPages afterwards
    QTest::newRow("cancelled during page 2")
        << QStringLiteral("cancel") << QStringLiteral("PDF processing cancelled.") << false << 1;
    QTest::newRow("engine fails on page 2")
        << QStringLiteral("engine") << QStringLiteral("The engine broke.") << true << 1;
    QTest::newRow("no text on any page")
        << QStringLiteral("empty")
        << QStringLiteral("No readable text was found. Your clipboard has not changed.") << true << 3;
}

void TestDocuments::pdfFailures()
{
    QFETCH(QString, ending);
    QFETCH(QString, message);
    QFETCH(bool, workspace);
    QFETCH(int, pages);
    Fixture f;
    f.engine.results.insert(20, lines(QStringLiteral("first run")));
    QVERIFY(f.recognise(file(QStringLiteral("three.pdf")), 1, 1));
    QCOMPARE(f.model.pdfPages().size(), 1);
    f.workspaceOpened = 0;
    f.model.setPageEnd(3);
    if (ending == QLatin1String("empty"))
        f.engine.results.clear();
    else if (ending == QLatin1String("engine"))
        f.engine.failKey = 40;
    else
        f.engine.holdKey = 40;
    f.model.processPDF();
    if (ending == QLatin1String("cancel")) {
        QTRY_VERIFY(f.engine.keys.contains(40));
        f.model.cancel();
    }
    QVERIFY(f.idle());
    QCOMPARE(f.message(), message);
    QCOMPARE(f.workspaceOpened, workspace ? 1 : 0);
    QCOMPARE(f.model.pdfPages().size(), pages);
    QCOMPARE(Fixture::clipboard(), QStringLiteral("first run"));
    QCOMPARE(f.model.history().entries().size(), 1);
    QVERIFY(!f.model.pdfURL().isEmpty()); // the document stays loaded for another try
    f.engine.holdKey = -1;
    f.engine.failKey = -1;
    f.engine.results.insert(60, lines(QStringLiteral("third")));
    f.model.retry();
    QVERIFY(f.idle());
    QVERIFY(f.model.text().endsWith(QStringLiteral("third")));
}

void TestDocuments::pasteImage_data()
{
    QTest::addColumn<bool>("image"); // otherwise text only
    QTest::newRow("text only") << false;
    QTest::newRow("an image") << true;
}

void TestDocuments::pasteImage()
{
    QFETCH(bool, image);
    Fixture f;
    f.engine.results.insert(60, lines(QStringLiteral("on screen")));
    f.engine.results.insert(100, lines(QStringLiteral("pasted")));
    f.model.processImages({keyed(60)}, AppModel::sourceScreen);
    QVERIFY(f.idle());
    f.model.setText(QStringLiteral("edited"));
    if (image)
        QGuiApplication::clipboard()->setImage(keyed(100));
    else
        QGuiApplication::clipboard()->setText(QStringLiteral("words"));
    f.model.pasteImage();
    QVERIFY(f.idle());
    QCOMPARE(f.model.text(), image ? QStringLiteral("pasted") : QStringLiteral("edited"));
    QCOMPARE(f.message(),
             image ? QString() : QStringLiteral("The clipboard does not contain a supported image."));
    QCOMPARE(f.model.source(), image ? AppModel::sourceClipboardImage : AppModel::sourceScreen);
    QCOMPARE(f.workspaceOpened, 0);
    QCOMPARE(keyOf(f.model.image()), image ? 100 : 60); // the previous result stays on screen
}

void TestDocuments::exportText_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("suggested");
    QTest::newRow("txt") << QStringLiteral("txt") << QStringLiteral("Vellumix.txt");
    QTest::newRow("md") << QStringLiteral("md") << QStringLiteral("Vellumix.md");
    QTest::newRow("anything else is plain text") << QStringLiteral("text") << QStringLiteral("Vellumix.text");
}

void TestDocuments::exportText()
{
    QFETCH(QString, format);
    QFETCH(QString, suggested);
    Fixture f;
    const QString text = QStringLiteral("# not a heading\nGr\u00fc\u00dfe \u2014 \u6771\u4eac\n");
    f.model.setText(text);
    const QString out = f.path(QStringLiteral("out"));
    QFile existing(out);
    QVERIFY(existing.open(QIODevice::WriteOnly) && existing.write(QByteArray(4096, 'x')) > 0);
    existing.close();

    f.saveTo = QUrl(); // the user cancels: nothing changes
    f.model.exportResult(format);
    QCOMPARE(contents(out), QByteArray(4096, 'x'));

    f.saveTo = QUrl::fromLocalFile(out);
    f.model.exportResult(format);
    QCOMPARE(f.suggested, QStringList(2, suggested + u'|' + format));
    QCOMPARE(contents(out), text.toUtf8()); // replaced, not appended to, and no markup added
    QVERIFY(!f.model.busy() && !f.model.message() && f.toasts.isEmpty());
    QCOMPARE(f.workspaceOpened, 0);
    QCOMPARE(QDir(f.folder.path()).entryList({QStringLiteral("*out*")}, QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("out")});
}

void TestDocuments::unwritableExport_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("text") << QStringLiteral("txt");
    QTest::newRow("searchable PDF") << QStringLiteral("pdf");
}

void TestDocuments::unwritableExport()
{
    QFETCH(QString, format);
    Fixture f;
    f.engine.results.insert(100, lines(QStringLiteral("kept")));
    f.model.processImages({keyed(100)}, AppModel::sourceScreen);
    QVERIFY(f.idle());
    // Writing below a regular file fails even for root.
    QFile plain(f.path(QStringLiteral("plain")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    f.saveTo = f.url(QStringLiteral("plain/Vellumix.") + format);
    f.model.exportResult(format);
    QVERIFY(f.idle());
    QVERIFY2(f.message().startsWith(QStringLiteral("The file \u201cVellumix.") + format +
                                    QStringLiteral("\u201d couldn\u2019t be saved: ")),
             qPrintable(f.message()));
    QCOMPARE(f.workspaceOpened, 1);
    QCOMPARE(f.toasts, QStringList{AppModel::copiedToast}); // the recognition's, none for the export
    QCOMPARE(contents(f.path(QStringLiteral("plain"))), QByteArray());
    QCOMPARE(f.model.text(), QStringLiteral("kept"));
}

void TestDocuments::exportSearchable()
{
    Fixture f;
    f.model.preferences().setConfirmations(false); // the export's toast is shown regardless
    for (int page = 1; page <= 3; ++page)
        f.engine.results.insert(20 * page, lines(QStringLiteral("page%1").arg(page)));
    QVERIFY(f.recognise(file(QStringLiteral("three.pdf")), 2, 3));
    f.saveTo = f.url(QStringLiteral("searchable.pdf"));
    f.model.exportResult(QStringLiteral("pdf"));
    QVERIFY(f.model.busy());
    QVERIFY(f.idle());
    QCOMPARE(f.suggested, QStringList{QStringLiteral("Vellumix.pdf|pdf")});
    QCOMPARE(f.toasts, QStringList{AppModel::exportedToast});
    QVERIFY(!f.model.message());
    const QString out = f.path(QStringLiteral("searchable.pdf"));
    QCOMPARE(PDFService::pageCount(out), 2); // the recognised range, not the whole document
    const pdftest::ToolRun text = pdftest::run(QStringLiteral("pdftotext"), {out, QStringLiteral("-")});
    QCOMPARE(text.output.simplified(), QStringLiteral("page2 page3"));

    // After an image flow the image itself becomes the page.
    f.model.processImages({keyed(100)}, AppModel::sourceScreen);
    QVERIFY(f.idle());
    f.model.exportResult(QStringLiteral("pdf"));
    QVERIFY(f.idle());
    QCOMPARE(PDFService::pageCount(out), 1);
    QCOMPARE(f.toasts.size(), 2);
}

void TestDocuments::exportBesideARunningFlow()
{
    Fixture f;
    f.engine.results.insert(100, lines(QStringLiteral("new")));
    f.model.setText(QStringLiteral("old"));
    f.engine.holdKey = 100;
    QGuiApplication::clipboard()->setImage(keyed(100));
    f.model.pasteImage();
    QTRY_COMPARE(f.engine.calls.load(), 1);
    f.saveTo = f.url(QStringLiteral("beside.pdf"));
    f.model.exportResult(QStringLiteral("pdf"));
    QTRY_COMPARE(f.toasts, QStringList{AppModel::exportedToast});
    QCOMPARE(PDFService::pageCount(f.path(QStringLiteral("beside.pdf"))), 1);
    QVERIFY(f.model.busy()); // the recognition still runs
    f.model.cancel();        // and can still be cancelled
    QVERIFY(f.idle());
    QCOMPARE(f.model.text(), QStringLiteral("old"));
    QVERIFY(!f.model.message());
}

void TestDocuments::panelsAnswerLater()
{
    QTemporaryDir folder;
    MemoryDefaults defaults;
    FakeEngine engine;
    NoCapture capture;
    NoSound sound;
    auto model = std::make_unique<AppModel>(defaults, folder.path(), engine, capture, sound);
    QList<bool> asked;
    std::function<void(const QUrl&)> answer;
    model->chooseOpenFile = [&](bool pdf, std::function<void(const QUrl&)> chosen) {
        asked.append(pdf);
        answer = std::move(chosen);
    };
    model->importFile(true);
    answer(QUrl()); // cancelled
    QVERIFY(model->pdfURL().isEmpty() && !model->message());
    model->importFile(false);
    QCOMPARE(asked, (QList<bool>{true, false}));
    answer(QUrl::fromLocalFile(file(QStringLiteral("three.pdf"))));
    QCOMPARE(model->pageCount(), 3);

    model->importFile(true);
    model.reset();
    answer(QUrl::fromLocalFile(file(QStringLiteral("twelve.PDF")))); // the model is gone: nothing happens
    QCOMPARE(asked.size(), 3);
}

void TestDocuments::fileDialogs_data()
{
    QTest::addColumn<QString>("kind"); // "open pdf", "open image" or the export format
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<bool>("accept");
    QTest::newRow("open pdf") << QStringLiteral("open pdf") << QStringLiteral("*.PDF") << QString() << true;
    QTest::newRow("open image") << QStringLiteral("open image") << QStringLiteral("*.JPG") << QString()
                                << true;
    QTest::newRow("save md") << QStringLiteral("md") << QStringLiteral("*.md") << QStringLiteral("md")
                             << true;
    QTest::newRow("save pdf, cancelled")
        << QStringLiteral("pdf") << QStringLiteral("*.pdf") << QStringLiteral("pdf") << false;
    QTest::newRow("save plain text") << QStringLiteral("txt") << QStringLiteral("*.txt")
                                     << QStringLiteral("txt") << true;
}

void TestDocuments::fileDialogs()
{
    QFETCH(QString, kind);
    QFETCH(QString, pattern);
    QFETCH(QString, suffix);
    QFETCH(bool, accept);
    Fixture f;
    QWidget window;
    installFileDialogs(f.model, [&window] { return &window; });
    QList<QUrl> answers;
    const auto chosen = [&answers](const QUrl& url) { answers.append(url); };
    const bool open = kind.startsWith(QLatin1String("open"));
    if (open)
        f.model.chooseOpenFile(kind.endsWith(QLatin1String("pdf")), chosen);
    else
        f.model.chooseSaveFile(QStringLiteral("Vellumix.") + kind, kind, chosen);
    QVERIFY(answers.isEmpty()); // shown, not waited for
    auto* dialog = window.findChild<QFileDialog*>();
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(dialog->acceptMode(), open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    QCOMPARE(dialog->defaultSuffix(), suffix);
    QVERIFY2(dialog->nameFilters().join(u' ').contains(pattern),
             qPrintable(dialog->nameFilters().join(u' ')));
    QString target;
    if (open) {
        QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
        target = file(kind.endsWith(QLatin1String("pdf")) ? QStringLiteral("three.pdf")
                                                          : QStringLiteral("image.png"));
        dialog->setDirectory(m_files.path());
        dialog->selectFile(target);
    } else {
        QCOMPARE(QFileInfo(dialog->selectedFiles().value(0)).fileName(), QStringLiteral("Vellumix.") + kind);
        dialog->setDirectory(f.folder.path());
        dialog->selectFile(QStringLiteral("Vellumix.") + kind);
        target = f.path(QStringLiteral("Vellumix.") + kind);
    }
    QPointer<QFileDialog> watched(dialog);
    QDialog* asDialog = dialog; // QFileDialog::accept() is protected; QDialog's is public
    accept ? asDialog->accept() : asDialog->reject();
    QCOMPARE(answers, QList<QUrl>{accept ? QUrl::fromLocalFile(target) : QUrl()});
    QTRY_VERIFY(watched.isNull()); // the dialog goes once answered
}

QTEST_MAIN(TestDocuments)
#include "test_documents.moc"
