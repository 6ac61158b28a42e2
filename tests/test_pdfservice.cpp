// SPDX-License-Identifier: GPL-3.0-or-later
#include "PdfTestFiles.h"

#include "core/Errors.h"
#include "core/OCREngine.h"
#include "core/PDFService.h"

#include <QMutex>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <functional>

using namespace vellumix;
using namespace Qt::StringLiterals;

namespace {

// Reads the page number from the grey square the test PDFs carry and answers with one line
// naming it; `onPage` may cancel or throw to stand in for a real engine's behaviour.
class FakeEngine final : public OCREngine
{
public:
    std::function<void(int page, const CancelToken&)> onPage;
    bool earlierPagesSlower = false; // so that later pages finish first when several run at once
    // Written by the workers, read once recognition has returned.
    QMutex mutex;
    QList<int> pages;
    QList<QSize> sizes;
    QList<OCROptions> options;
    QList<bool> whiteEdges;

    Recognition recognize(const QImage& image, const OCROptions& given, const CancelToken& cancel) override
    {
        const int page = qRound(qRed(image.pixel(image.width() / 2, image.height() / 2)) / 20.0);
        {
            QMutexLocker lock(&mutex);
            pages.append(page);
            sizes.append(image.size());
            options.append(given);
            whiteEdges.append(image.pixel(image.width() - 1, image.height() / 2) == qRgb(255, 255, 255));
        }
        if (earlierPagesSlower)
            QThread::msleep(std::max(0, 6 - page) * 15);
        if (onPage)
            onPage(page, cancel);
        cancel.throwIfCancelled();
        Recognition recognition;
        recognition.blocks.append(
            TextBlock{.text = u"page %1"_s.arg(page), .confidence = 0.9f, .width = 0.5, .height = 0.1});
        recognition.codes.append(u"dropped"_s);
        return recognition;
    }
    QStringList languages() const override { return {}; }
};

} // namespace

class TestPDFService : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        pdftest::writePdf(path(u"five.pdf"_s), QList<QSizeF>(5, m_letter));
        QFile::copy(path(u"five.pdf"_s), path(u"locked.pdf"_s));
        QVERIFY(pdftest::lockWithPassword(path(u"locked.pdf"_s)));
        QVERIFY(pdftest::writeFile(path(u"garbage.pdf"_s), "%PDF-1.7\nthis is not a document\n"));
    }
    void renderSizes_data()
    {
        QTest::addColumn<QSizeF>("mediaBox");
        QTest::addColumn<int>("rotation");
        QTest::addColumn<QSizeF>("displayed");
        QTest::addColumn<QSize>("pixels");
        QTest::newRow("letter at the maximum scale") << m_letter << 0 << m_letter << QSize(1530, 1980);
        QTest::newRow("poster scaled to the target")
            << QSizeF(2000, 3000) << 0 << QSizeF(2000, 3000) << QSize(2667, 4000);
        QTest::newRow("wide page limited by its width")
            << QSizeF(5000, 1000) << 0 << QSizeF(5000, 1000) << QSize(4000, 800);
        QTest::newRow("letter turned by 90") << m_letter << 90 << QSizeF(792, 612) << QSize(1980, 1530);
        QTest::newRow("letter turned by 270") << m_letter << 270 << QSizeF(792, 612) << QSize(1980, 1530);
        QTest::newRow("letter turned by 180") << m_letter << 180 << m_letter << QSize(1530, 1980);
    }
    void renderSizes()
    {
        QFETCH(QSizeF, mediaBox);
        QFETCH(int, rotation);
        QFETCH(QSizeF, displayed);
        QFETCH(QSize, pixels);
        const QString file = path(u"render-%1.pdf"_s.arg(QString::fromLatin1(QTest::currentDataTag())));
        pdftest::writePdf(file, {mediaBox});
        if (rotation != 0)
            QVERIFY(pdftest::qpdfRewrite(file, {u"--rotate=+%1"_s.arg(rotation)}));

        FakeEngine engine;
        const QList<PDFPageResult> results = PDFService::recognize(file, 1, 1, {}, false, engine);
        QCOMPARE(results.size(), 1);
        QCOMPARE(results[0].size, displayed);
        QCOMPARE(engine.sizes, QList<QSize>{pixels});
        QCOMPARE(engine.whiteEdges, QList<bool>{true}); // unpainted paper was flattened onto white
    }
    void ranges_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("pages"); // -1: refused as an invalid range
        QTest::newRow("whole document") << u"five.pdf"_s << 1 << 5 << 5;
        QTest::newRow("ending at the page count") << u"five.pdf"_s << 4 << 5 << 2;
        QTest::newRow("one page beyond the end") << u"five.pdf"_s << 1 << 6 << -1;
        QTest::newRow("page 0") << u"five.pdf"_s << 0 << 2 << -1;
        QTest::newRow("reversed") << u"five.pdf"_s << 3 << 2 << -1;
        QTest::newRow("locked with a valid range") << u"locked.pdf"_s << 1 << 1 << -1;
        QTest::newRow("not a PDF") << u"garbage.pdf"_s << 1 << 1 << -1;
        QTest::newRow("missing file") << u"nowhere.pdf"_s << 1 << 1 << -1;
    }
    void ranges()
    {
        QFETCH(QString, file);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(int, pages);
        FakeEngine engine;
        if (pages < 0) {
            try {
                PDFService::recognize(path(file), first, last, {}, false, engine);
                QFAIL("the range was accepted");
            } catch (const VellumixError& error) {
                QCOMPARE(error.kind(), VellumixError::Kind::InvalidPages);
            }
            QVERIFY(engine.pages.isEmpty()); // refused before anything was rendered
        } else {
            QCOMPARE(PDFService::recognize(path(file), first, last, {}, false, engine).size(), pages);
        }
    }
    void progressAndOrder_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<QList<double>>("progress");
        QTest::addColumn<int>("concurrentPages");
        QTest::newRow("one page reports once") << 3 << 3 << QList<double>{1.0} << 0;
        QTest::newRow("three pages") << 2 << 4 << QList<double>{1.0 / 3.0, 2.0 / 3.0, 1.0} << 0;
        QTest::newRow("five pages, one at a time") << 1 << 5 << QList<double>{0.2, 0.4, 0.6, 0.8, 1.0} << 1;
        QTest::newRow("five pages, later ones finishing first")
            << 1 << 5 << QList<double>{0.2, 0.4, 0.6, 0.8, 1.0} << 3;
    }
    void progressAndOrder()
    {
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(QList<double>, progress);
        QFETCH(int, concurrentPages);
        FakeEngine engine;
        engine.earlierPagesSlower = true;
        QList<double> reported; // called from the worker only, read after the call returns
        OCROptions options{.fast = true, .languages = {u"deu"_s}, .automaticLanguage = false};
        const QList<PDFPageResult> results = PDFService::recognize(
            path(u"five.pdf"_s), first, last, options, false, engine, {},
            [&reported](double value) { reported.append(value); }, concurrentPages);

        QCOMPARE(reported, progress); // exact: computed as (n - first + 1) / count
        QCOMPARE(results.size(), last - first + 1);
        for (qsizetype i = 0; i < results.size(); ++i) {
            const int number = first + int(i);
            QCOMPARE(results[i].index, number - 1);
            QCOMPARE(results[i].text, u"page %1"_s.arg(number)); // each page kept its own image
            QCOMPARE(results[i].blocks.size(), 1);
            QCOMPARE(results[i].size, m_letter);
        }
        QCOMPARE(engine.options, QList<OCROptions>(results.size(), options));
    }
    void failureDiscardsPages_data()
    {
        QTest::addColumn<int>("failingPage");
        QTest::addColumn<bool>("cancel"); // otherwise the engine fails
        QTest::addColumn<QList<double>>("progress");
        QTest::addColumn<int>("concurrentPages"); // with several, the progress may stop earlier
        QTest::newRow("cancel during page 2 of 5") << 2 << true << QList<double>{0.2} << 1;
        QTest::newRow("cancel during the last page") << 5 << true << QList<double>{0.2, 0.4, 0.6, 0.8} << 1;
        QTest::newRow("engine fails on page 3") << 3 << false << QList<double>{0.2, 0.4} << 1;
        QTest::newRow("engine fails on page 1") << 1 << false << QList<double>{} << 1;
        QTest::newRow("cancel during page 2, three at once") << 2 << true << QList<double>{0.2} << 3;
        QTest::newRow("engine fails on page 3, three at once") << 3 << false << QList<double>{0.2, 0.4} << 3;
    }
    void failureDiscardsPages()
    {
        QFETCH(int, failingPage);
        QFETCH(bool, cancel);
        QFETCH(QList<double>, progress);
        QFETCH(int, concurrentPages);
        FakeEngine engine;
        engine.onPage = [failingPage, cancel](int page, const CancelToken& token) {
            if (page != failingPage)
                return;
            if (!cancel)
                throw PlatformError(u"engine failed"_s);
            token.cancel(); // the caller's token reaches the running recognition
        };
        QList<double> reported;
        QList<PDFPageResult> results{PDFPageResult{}};
        bool cancelled = false;
        QString failure;
        try {
            results = PDFService::recognize(
                path(u"five.pdf"_s), 1, 5, {}, false, engine, CancelToken(),
                [&reported](double value) { reported.append(value); }, concurrentPages);
        } catch (const Cancelled&) {
            cancelled = true;
        } catch (const Error& error) {
            failure = error.message();
        }
        QCOMPARE(cancelled, cancel);
        QCOMPARE(failure, cancel ? QString() : u"engine failed"_s);
        QCOMPARE(results.size(), 1); // untouched: nothing came back
        if (concurrentPages == 1) {
            QCOMPARE(reported, progress);
            QCOMPARE(engine.pages.last(), failingPage); // no later page reached the engine
        } else {
            QCOMPARE(reported, progress.first(std::min(reported.size(), progress.size())));
            QVERIFY(engine.pages.last() < failingPage + concurrentPages);
        }
    }

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    const QSizeF m_letter{612, 792};
};

QTEST_MAIN(TestPDFService)
#include "test_pdfservice.moc"
