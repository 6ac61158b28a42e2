// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModelFixture.h"
#include "PdfTestFiles.h"
#include "core/PDFService.h"
#include "ui/FileDialogs.h"

#include <QApplication>
#include <QFileDialog>

#include <sys/stat.h>

using namespace vellumix;
using namespace vellumix::testing;
using namespace Qt::StringLiterals;

namespace {

// Page n of a test PDF reads as key 20 x n.
struct DocumentFixture : ModelFixture
{
    DocumentFixture()
    {
        model.chooseSaveFile = [this](const QString&, ExportFormat, std::function<void(const QUrl&)> chosen) {
            chosen(saveTo);
        };
    }
    QString path(const QString& name) const { return folder.filePath(name); }
    QString message() const { return model.message().value_or(QString()); }
    // Writing below a regular file fails even for root.
    bool refusesToSave(const QString& name, ExportFormat format)
    {
        QFile plain(path(u"plain"_s));
        saveTo = QUrl::fromLocalFile(path(u"plain/"_s + name));
        if (!plain.open(QIODevice::WriteOnly))
            return false;
        model.exportResult(format);
        return idle() &&
               message().startsWith(u"The file \u201c"_s + name + u"\u201d couldn\u2019t be saved: "_s);
    }
    bool recognise(const QString& file, int first, int last)
    {
        model.load(QUrl::fromLocalFile(file));
        if (!idle())
            return false;
        model.setPageStart(first);
        model.setPageEnd(last);
        model.processPDF();
        return idle();
    }

    QUrl saveTo;
};

const QString invalidPages = u"Choose a valid page range within this document."_s;

} // namespace

class TestDocuments : public QObject
{
    Q_OBJECT
    QTemporaryDir m_files;
    QString file(const QString& name) const { return m_files.filePath(name); }

private Q_SLOTS:
    void initTestCase()
    {
        pdftest::writePdf(file(u"three.PDF"_s), QList<QSizeF>(3, QSizeF(100, 100)));
        QVERIFY(QFile::copy(file(u"three.PDF"_s), file(u"locked.pdf"_s)));
        QVERIFY(pdftest::lockWithPassword(file(u"locked.pdf"_s)));
        QVERIFY(keyed(100).save(file(u"image.png"_s)));
    }

    void load()
    {
        DocumentFixture f;
        QVERIFY(f.run({60}));
        f.model.load(QUrl::fromLocalFile(file(u"locked.pdf"_s)));
        QVERIFY(f.idle());
        QCOMPARE(f.message(), invalidPages);
        QCOMPARE(f.model.text(), u"text 60"_s);
        QVERIFY(f.model.pdfURL().isEmpty());
        // The next document replaces the failure of the last one.
        f.model.load(QUrl::fromLocalFile(file(u"three.PDF"_s)));
        QVERIFY(!f.model.message());
        QVERIFY(f.idle());
        QCOMPARE(f.model.pageCount(), 3);
        f.model.load(QUrl::fromLocalFile(file(u"image.png"_s)));
        QVERIFY(f.idle());
        QCOMPARE(f.model.text(), u"text 100"_s);
        QCOMPARE(f.history().first().source, AppModel::sourceImage);
    }

    void pdfResult()
    {
        DocumentFixture f;
        f.preferences().setSeparator(u" | "_s); // not used between pages
        Recognition first = recognition(u"x"_s, 1.0f);
        first.blocks += recognition(u"y"_s, 1.0f).blocks;
        f.engine.results.insert(20, first);
        f.engine.results.insert(40, Recognition());
        f.engine.results.insert(60, recognition(u"b"_s, 0.3f));
        QList<double> progress;
        connect(&f.model, &AppModel::progressChanged, this, [&] { progress.append(f.model.progress()); });
        QVERIFY(f.recognise(file(u"three.PDF"_s), 1, 3));
        QCOMPARE(progress, (QList<double>{0.0, 1.0 / 3.0, 2.0 / 3.0, 1.0}));
        const QString text = u"x\ny\n\n\n\nb"_s; // the empty page keeps its line breaks
        QCOMPARE(ModelFixture::clipboard(), text);
        QCOMPARE(f.history().first().text, text);
        QCOMPARE(f.history().first().confidence, 2.3f / 3); // every block weighs the same
        progress.clear();
        QVERIFY(f.recognise(file(u"three.PDF"_s), 2, 2));
        QCOMPARE(progress, (QList<double>{0.0, 1.0}));
    }

    void pdfFailures_data()
    {
        QTest::addColumn<QString>("ending"); // "cancel", "empty" or none
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<QString>("message");
        QTest::newRow("cancelled during page 2") << u"cancel"_s << 1 << 3 << u"PDF processing cancelled."_s;
        QTest::newRow("no text on any page")
            << u"empty"_s << 1 << 3 << u"No readable text was found. Your clipboard has not changed."_s;
        QTest::newRow("start 0") << QString() << 0 << 3 << invalidPages;
        QTest::newRow("end 4 of 3") << QString() << 1 << 4 << invalidPages;
    }
    // A failed run keeps the previous result and the document, ready for another try.
    void pdfFailures()
    {
        QFETCH(QString, ending);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(QString, message);
        DocumentFixture f;
        QVERIFY(f.recognise(file(u"three.PDF"_s), 1, 1));
        f.model.setPageStart(first);
        f.model.setPageEnd(last);
        if (ending == "empty"_L1)
            for (int key : {20, 40, 60})
                f.engine.results.insert(key, Recognition());
        f.engine.holdKey = ending == "cancel"_L1 ? 40 : -1;
        f.model.processPDF();
        if (ending == "cancel"_L1) {
            QTRY_VERIFY([&] {
                QMutexLocker lock(&f.engine.mutex);
                return f.engine.keys.contains(40);
            }());
            f.model.cancel();
        }
        QVERIFY(f.idle());
        QCOMPARE(f.message(), message);
        QCOMPARE(ModelFixture::clipboard(), u"text 20"_s);
        QCOMPARE(f.history().size(), 1);
        QVERIFY(!f.model.pdfURL().isEmpty());
    }

    void pasteImage()
    {
        DocumentFixture f;
        QVERIFY(f.run({60}));
        f.model.pasteImage(); // the clipboard holds the result's text
        QVERIFY(f.idle());
        QCOMPARE(f.message(), u"The clipboard does not contain a supported image."_s);
        QCOMPARE(qRed(f.model.image().pixel(0, 0)), 60); // the previous result stays on screen
        QGuiApplication::clipboard()->setImage(keyed(100));
        f.model.pasteImage();
        QVERIFY(f.idle());
        QCOMPARE(f.model.text(), u"text 100"_s);
    }

    void exportText()
    {
        DocumentFixture f;
        const QString text = u"# not a heading\nGr\u00fc\u00dfe \u2014 \u6771\u4eac\n"_s;
        f.model.setText(text);
        const QString out = f.path(u"out"_s);
        QVERIFY(pdftest::writeFile(out, QByteArray(4096, 'x')));
        f.model.exportResult(ExportFormat::Markdown); // the user cancels: nothing changes
        QCOMPARE(pdftest::readFile(out), QByteArray(4096, 'x'));
        f.saveTo = QUrl::fromLocalFile(out);
        f.model.exportResult(ExportFormat::Markdown);
        QCOMPARE(pdftest::readFile(out), text.toUtf8()); // replaced, not appended to, and no markup added
        QVERIFY(f.refusesToSave(u"Vellumix.txt"_s, ExportFormat::PlainText));
        // A FIFO's reader must not be left with nothing while the node is replaced.
        const QString fifo = f.path(u"fifo"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        f.saveTo = QUrl::fromLocalFile(fifo);
        f.model.exportResult(ExportFormat::PlainText);
        QVERIFY(f.message().endsWith(u"It is not a regular file."_s));
        QVERIFY(!QFileInfo(fifo).isFile() && QFileInfo::exists(fifo));
    }

    void exportSearchable()
    {
        DocumentFixture f;
        f.preferences().setConfirmations(false); // the export's toast is shown regardless
        QVERIFY(f.recognise(file(u"three.PDF"_s), 2, 3));
        const QString out = f.path(u"searchable.pdf"_s);
        f.saveTo = QUrl::fromLocalFile(out);
        f.model.exportResult(ExportFormat::PDF);
        QVERIFY(f.idle());
        QCOMPARE(f.toasts, QStringList{AppModel::exportedToast});
        // the recognised range, not the whole document
        QCOMPARE(pdftest::run(u"pdftotext"_s, {out, u"-"_s}).output.simplified(), u"text 40 text 60"_s);
        QVERIFY(f.refusesToSave(u"Vellumix.pdf"_s, ExportFormat::PDF));
        QCOMPARE(f.toasts.size(), 1); // none for the failure
    }

    // Pages not recognised yet would give a file of no pages reported as exported.
    void exportSearchableRefusedBeforeRecognition()
    {
        DocumentFixture f;
        const QString out = f.path(u"empty.pdf"_s);
        f.saveTo = QUrl::fromLocalFile(out);
        f.model.load(QUrl::fromLocalFile(file(u"three.PDF"_s)));
        QVERIFY(f.idle());
        f.model.exportResult(ExportFormat::PDF);
        QVERIFY(f.idle());
        QCOMPARE(f.message(), AppModel::unrecognizedExportMessage());
        QVERIFY(!QFile::exists(out));
        QVERIFY(f.toasts.isEmpty());
    }

    // The export is a flow like any other: cancel() stops it before the file is in place.
    void exportSearchableCancelled()
    {
        DocumentFixture f;
        QImage large(3000, 3000, QImage::Format_RGB32); // noise, so that writing takes its time
        for (int y = 0; y < large.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(large.scanLine(y));
            for (int x = 0; x < large.width(); ++x)
                line[x] = qRgb(60, (x * 7919 + y * 104729) % 251, (x ^ y) % 253);
        }
        f.model.processImages({large}, Source::Image);
        QVERIFY(f.idle());
        QCOMPARE(f.model.text(), u"text 60"_s);
        f.toasts.clear();
        const QString out = f.path(u"cancelled.pdf"_s);
        f.saveTo = QUrl::fromLocalFile(out);
        f.model.exportResult(ExportFormat::PDF);
        QVERIFY(f.model.busy());
        f.model.cancel();
        QVERIFY(f.idle());
        QVERIFY(!f.model.message());
        QVERIFY(f.toasts.isEmpty());
        QVERIFY(!QFile::exists(out));
    }

    // The dialog answers after the call returns, possibly after the model has gone.
    void panelsAnswerLater()
    {
        ModelFixture parts;
        auto model = std::make_unique<AppModel>(parts.defaults, m_files.path(), parts.engine, parts.capture,
                                                parts.sound);
        std::function<void(const QUrl&)> answer;
        model->chooseOpenFile = [&](ImportKind, std::function<void(const QUrl&)> chosen) {
            answer = std::move(chosen);
        };
        model->importFile(ImportKind::PDF);
        answer(QUrl::fromLocalFile(file(u"three.PDF"_s)));
        QTRY_COMPARE(model->pageCount(), 3);
        model->importFile(ImportKind::PDF);
        model.reset();
        answer(QUrl::fromLocalFile(file(u"three.PDF"_s))); // must not reach the deleted model
    }

    void fileDialog()
    {
        DocumentFixture f;
        QWidget window;
        installFileDialogs(f.model, [&window] { return &window; });
        QList<QUrl> answers;
        f.model.chooseOpenFile(ImportKind::PDF, [&answers](const QUrl& url) { answers.append(url); });
        QVERIFY(answers.isEmpty()); // shown, not waited for
        QPointer<QFileDialog> dialog = window.findChild<QFileDialog*>();
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(dialog->nameFilters().join(u' ').contains(u"*.PDF"_s));
        dialog->setDirectory(m_files.path());
        dialog->selectFile(u"three.PDF"_s);
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog's accept() is protected
        QCOMPARE(answers, QList<QUrl>{QUrl::fromLocalFile(file(u"three.PDF"_s))});
        QTRY_VERIFY(dialog.isNull()); // the dialog goes once answered
    }
};

QTEST_MAIN(TestDocuments)
#include "test_documents.moc"
