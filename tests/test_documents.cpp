// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModelFixture.h"
#include "PdfTestFiles.h"
#include "core/PDFService.h"
#include "ui/FileDialogs.h"

#include <QApplication>
#include <QFileDialog>

using namespace vellumix;
using namespace vellumix::testing;
using namespace Qt::StringLiterals;

namespace {

// Page n of a test PDF reads as key 20 x n.
struct Documents : ModelFixture
{
    Documents()
    {
        model.chooseSaveFile = [this](const QString& name, const QString& format,
                                      std::function<void(const QUrl&)> chosen) {
            suggested.append(name + u'|' + format);
            chosen(saveTo);
        };
    }
    QString path(const QString& name) const { return folder.filePath(name); }
    QString message() const { return model.message().value_or(QString()); }
    // Writing below a regular file fails even for root.
    bool saveBelowAFile(const QString& name)
    {
        QFile plain(path(u"plain"_s));
        saveTo = QUrl::fromLocalFile(path(u"plain/"_s + name));
        return plain.open(QIODevice::WriteOnly);
    }
    bool refusedToSave(const QString& name) const
    {
        return message().startsWith(u"The file \u201c"_s + name + u"\u201d couldn\u2019t be saved: "_s);
    }
    bool recognise(const QString& file, int first, int last)
    {
        model.load(QUrl::fromLocalFile(file));
        model.setPageStart(first);
        model.setPageEnd(last);
        model.processPDF();
        return idle();
    }

    QStringList suggested;
    QUrl saveTo;
};

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

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
        QVERIFY(m_files.isValid());
        pdftest::writePdf(file(u"three.PDF"_s), QList<QSizeF>(3, QSizeF(100, 100)));
        QVERIFY(QFile::copy(file(u"three.PDF"_s), file(u"locked.pdf"_s)));
        QVERIFY(pdftest::lockWithPassword(file(u"locked.pdf"_s)));
        QVERIFY(keyed(100).save(file(u"image.png"_s)));
    }

    void load_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message"); // empty: none
        QTest::addColumn<QString>("text");    // after the load ends
        QTest::addColumn<int>("pageCount");
        const QString old = u"text 60"_s;
        QTest::newRow("PDF in capitals") << u"three.PDF"_s << QString() << QString() << 3;
        QTest::newRow("locked PDF") << u"locked.pdf"_s << invalidPages << old << 0;
        QTest::newRow("image") << u"image.png"_s << QString() << u"text 100"_s << 0;
    }

    void load()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        QFETCH(QString, text);
        QFETCH(int, pageCount);
        Documents f;
        QVERIFY(f.run({60}));
        f.model.load(QUrl::fromLocalFile(file(name)));
        QVERIFY(f.idle());
        QCOMPARE(f.message(), message);
        QCOMPARE(f.model.text(), text);
        QCOMPARE(f.workspaceOpened, 1); // a document, an image's result and every failure show it
        QCOMPARE(f.model.pageCount(), pageCount);
        QCOMPARE(f.model.pdfURL().isEmpty(), pageCount == 0);
        if (pageCount > 0) {
            QCOMPARE(f.model.pageEnd(), pageCount);
            QCOMPARE(ModelFixture::clipboard(), u"text 60"_s);
        } else if (message.isEmpty()) {
            QCOMPARE(f.history().first().source, AppModel::sourceImage);
        }
    }

    void pdfResult()
    {
        Documents f;
        f.preferences().setSeparator(u" | "_s); // not used between pages
        f.preferences().setRules(u"B => b"_s);
        Recognition first = recognition(u"x"_s, 1.0f);
        first.blocks += recognition(u"y"_s, 1.0f).blocks;
        f.engine.results.insert(20, first);
        f.engine.results.insert(40, Recognition());
        f.engine.results.insert(60, recognition(u"B"_s, 0.3f));
        QList<double> progress;
        connect(&f.model, &AppModel::progressChanged, this, [&] { progress.append(f.model.progress()); });
        QVERIFY(f.recognise(file(u"three.PDF"_s), 1, 3));
        QCOMPARE(progress, (QList<double>{0.0, 1.0 / 3.0, 2.0 / 3.0, 1.0}));
        const QString text = u"x\ny\n\n\n\nb"_s; // the empty page keeps its line breaks
        QCOMPARE(f.model.text(), text);
        QCOMPARE(ModelFixture::clipboard(), text);
        QCOMPARE(f.workspaceOpened, 2); // on load, and after the result
        const HistoryEntry& entry = f.history().first();
        QCOMPARE(entry.text, text);
        QCOMPARE(entry.source, AppModel::sourcePDF);
        QCOMPARE(entry.confidence, 2.3f / 3); // every block weighs the same, whatever its page
        QVERIFY(!entry.imageName);
    }

    void pdfFailures_data()
    {
        QTest::addColumn<QString>("ending"); // "cancel", "engine", "empty" or none
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("workspace");
        QTest::addColumn<int>("pages"); // pdfPages afterwards
        QTest::newRow("cancelled during page 2")
            << u"cancel"_s << 1 << 3 << u"PDF processing cancelled."_s << false << 1;
        QTest::newRow("engine fails on page 2")
            << u"engine"_s << 1 << 3 << u"The engine broke."_s << true << 1;
        QTest::newRow("no text on any page")
            << u"empty"_s << 1 << 3 << u"No readable text was found. Your clipboard has not changed."_s
            << true << 3;
        // Outside the document nothing runs and nothing opens.
        QTest::newRow("start 0") << QString() << 0 << 3 << invalidPages << false << 1;
        QTest::newRow("end 4 of 3") << QString() << 1 << 4 << invalidPages << false << 1;
    }

    // A failed run keeps the previous result and the document, ready for another try.
    void pdfFailures()
    {
        QFETCH(QString, ending);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(QString, message);
        QFETCH(bool, workspace);
        QFETCH(int, pages);
        Documents f;
        QVERIFY(f.recognise(file(u"three.PDF"_s), 1, 1));
        f.workspaceOpened = 0;
        f.model.setPageStart(first);
        f.model.setPageEnd(last);
        if (ending == "empty"_L1)
            for (int key : {20, 40, 60})
                f.engine.results.insert(key, Recognition());
        else if (ending == "engine"_L1)
            f.engine.failKey = 40;
        else if (ending == "cancel"_L1)
            f.engine.holdKey = 40;
        f.model.processPDF();
        if (ending == "cancel"_L1) {
            QTRY_VERIFY(f.engine.saw(40));
            f.model.cancel();
        }
        QVERIFY(f.idle());
        QCOMPARE(f.message(), message);
        QCOMPARE(f.workspaceOpened, workspace ? 1 : 0);
        QCOMPARE(f.model.pdfPages().size(), pages);
        QCOMPARE(ModelFixture::clipboard(), u"text 20"_s);
        QCOMPARE(f.history().size(), 1);
        QVERIFY(!f.model.pdfURL().isEmpty());
    }

    void pasteImage()
    {
        Documents f;
        QVERIFY(f.run({60}));
        f.model.setText(u"edited"_s);
        f.model.pasteImage(); // the clipboard holds the result's text
        QVERIFY(f.idle());
        QCOMPARE(f.model.text(), u"edited"_s);
        QCOMPARE(f.message(), u"The clipboard does not contain a supported image."_s);
        QCOMPARE(qRed(f.model.image().pixel(0, 0)), 60); // the previous result stays on screen
        QGuiApplication::clipboard()->setImage(keyed(100));
        f.model.pasteImage();
        QVERIFY(f.idle());
        QCOMPARE(f.model.text(), u"text 100"_s);
        QCOMPARE(f.model.source(), AppModel::sourceClipboardImage);
        QVERIFY(!f.model.message());
    }

    void exportText()
    {
        Documents f;
        const QString text = u"# not a heading\nGr\u00fc\u00dfe \u2014 \u6771\u4eac\n"_s;
        f.model.setText(text);
        const QString out = f.path(u"out"_s);
        QFile existing(out);
        QVERIFY(existing.open(QIODevice::WriteOnly) && existing.write(QByteArray(4096, 'x')) > 0);
        existing.close();
        f.model.exportResult(u"md"_s); // the user cancels: nothing changes
        QCOMPARE(contents(out), QByteArray(4096, 'x'));
        f.saveTo = QUrl::fromLocalFile(out);
        f.model.exportResult(u"md"_s);
        QCOMPARE(f.suggested, QStringList(2, u"Vellumix.md|md"_s));
        QCOMPARE(contents(out), text.toUtf8()); // replaced, not appended to, and no markup added
        QVERIFY(!f.model.busy() && !f.model.message() && f.toasts.isEmpty());
        QVERIFY(f.saveBelowAFile(u"Vellumix.txt"_s));
        f.model.exportResult(u"txt"_s);
        QVERIFY2(f.refusedToSave(u"Vellumix.txt"_s), qPrintable(f.message()));
        QCOMPARE(f.model.text(), text);
    }

    void exportSearchable()
    {
        Documents f;
        f.preferences().setConfirmations(false); // the export's toast is shown regardless
        QVERIFY(f.recognise(file(u"three.PDF"_s), 2, 3));
        const QString out = f.path(u"searchable.pdf"_s);
        f.saveTo = QUrl::fromLocalFile(out);
        f.model.exportResult(u"pdf"_s);
        QVERIFY(f.idle());
        QCOMPARE(f.toasts, QStringList{AppModel::exportedToast});
        QCOMPARE(PDFService::pageCount(out), 2); // the recognised range, not the whole document
        QCOMPARE(pdftest::run(u"pdftotext"_s, {out, u"-"_s}).output.simplified(), u"text 40 text 60"_s);
        QVERIFY(f.saveBelowAFile(u"Vellumix.pdf"_s));
        f.model.exportResult(u"pdf"_s);
        QVERIFY(f.idle());
        QVERIFY2(f.refusedToSave(u"Vellumix.pdf"_s), qPrintable(f.message()));
        QCOMPARE(f.toasts.size(), 1); // none for the failure
    }

    // The dialog answers after the call returns, possibly after the model has gone.
    void panelsAnswerLater()
    {
        ModelFixture parts;
        QTemporaryDir folder;
        auto model = std::make_unique<AppModel>(parts.defaults, folder.path(), parts.engine, parts.capture,
                                                parts.sound);
        std::function<void(const QUrl&)> answer;
        model->chooseOpenFile = [&](bool, std::function<void(const QUrl&)> chosen) {
            answer = std::move(chosen);
        };
        model->importFile(true);
        answer(QUrl()); // cancelled
        QVERIFY(model->pdfURL().isEmpty() && !model->message());
        model->importFile(true);
        answer(QUrl::fromLocalFile(file(u"three.PDF"_s)));
        QCOMPARE(model->pageCount(), 3);
        model->importFile(true);
        model.reset();
        answer(QUrl::fromLocalFile(file(u"three.PDF"_s))); // must not reach the deleted model
    }

    void fileDialogs_data()
    {
        QTest::addColumn<QString>("kind"); // "open" or the export format
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("accept");
        QTest::newRow("open pdf") << u"open"_s << u"*.PDF"_s << true;
        QTest::newRow("save md") << u"md"_s << u"*.md"_s << true;
        QTest::newRow("save pdf, cancelled") << u"pdf"_s << u"*.pdf"_s << false;
    }

    void fileDialogs()
    {
        QFETCH(QString, kind);
        QFETCH(QString, pattern);
        QFETCH(bool, accept);
        Documents f;
        QWidget window;
        installFileDialogs(f.model, [&window] { return &window; });
        QList<QUrl> answers;
        const auto chosen = [&answers](const QUrl& url) { answers.append(url); };
        const bool open = kind == "open"_L1;
        const QString name = open ? file(u"three.PDF"_s) : f.path(u"Vellumix."_s + kind);
        if (open)
            f.model.chooseOpenFile(true, chosen);
        else
            f.model.chooseSaveFile(u"Vellumix."_s + kind, kind, chosen);
        QVERIFY(answers.isEmpty()); // shown, not waited for
        auto* dialog = window.findChild<QFileDialog*>();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->defaultSuffix(), open ? QString() : kind);
        QVERIFY2(dialog->nameFilters().join(u' ').contains(pattern),
                 qPrintable(dialog->nameFilters().join(u' ')));
        if (!open)
            QCOMPARE(QFileInfo(dialog->selectedFiles().value(0)).fileName(), QFileInfo(name).fileName());
        dialog->setDirectory(QFileInfo(name).path());
        dialog->selectFile(QFileInfo(name).fileName());
        QPointer<QFileDialog> watched(dialog);
        QDialog* asDialog = dialog; // QFileDialog::accept() is protected; QDialog's is public
        accept ? asDialog->accept() : asDialog->reject();
        QCOMPARE(answers, QList<QUrl>{accept ? QUrl::fromLocalFile(name) : QUrl()});
        QTRY_VERIFY(watched.isNull()); // the dialog goes once answered
    }
};

QTEST_MAIN(TestDocuments)
#include "test_documents.moc"
