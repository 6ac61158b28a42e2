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

// Reads the page number from the grey square of the test PDFs and answers "page N W x H" with the
// size it was given; `onPage` may cancel or throw as a real engine would.
class FakeEngine final : public OCREngine
{
public:
    std::function<void(int page, const CancelToken&)> onPage;
    bool earlierPagesSlower = false; // so that later pages finish first when several run at once
    QMutex mutex;                    // the workers record, the test reads once recognition returned
    QList<int> pages;
    OCROptions options;

    Recognition recognize(const QImage& image, const OCROptions& given, const CancelToken& cancel) override
    {
        const int page = qRound(qRed(image.pixel(image.width() / 2, image.height() / 2)) / 20.0);
        {
            QMutexLocker lock(&mutex);
            pages.append(page);
            options = given;
        }
        if (earlierPagesSlower)
            QThread::msleep(std::max(0, 6 - page) * 15);
        if (onPage)
            onPage(page, cancel);
        cancel.throwIfCancelled();
        // Unpainted paper must have been flattened onto white.
        const bool white = image.pixel(image.width() - 1, image.height() / 2) == qRgb(255, 255, 255);
        const QString text = u"page %1 %2 x %3%4"_s.arg(page).arg(image.width()).arg(image.height());
        return {.blocks = {{.text = text.arg(white ? u""_s : u" on black"_s), .width = 0.5, .height = 0.1}},
                .codes = {u"code"_s}};
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
        pdftest::writePdf(path(u"locked.pdf"_s), {m_letter});
        QVERIFY(pdftest::lockWithPassword(path(u"locked.pdf"_s)));
        QVERIFY(pdftest::writeFile(path(u"garbage.pdf"_s), "%PDF-1.7\nthis is not a document\n"));
        pdftest::writePdf(path(u"poster.pdf"_s), {QSizeF(2000, 3000)});
        pdftest::writePdf(path(u"wide.pdf"_s), {QSizeF(5000, 1000)});
        for (const int rotation : {90, 270}) {
            pdftest::writePdf(path(u"turned%1.pdf"_s.arg(rotation)), {m_letter});
            QVERIFY(pdftest::qpdfRewrite(path(u"turned%1.pdf"_s.arg(rotation)),
                                         {u"--rotate=+%1"_s.arg(rotation)}));
        }
    }
    void recognizeRange_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("failingPage"); // the engine fails on it; negative: cancelled during it
        QTest::addColumn<int>("concurrentPages");
        QTest::addColumn<QList<double>>("progress");
        QTest::addColumn<QString>("outcome");
        const QString five = u"five.pdf"_s,
                      invalid = VellumixError(VellumixError::Kind::InvalidPages).message();
        const auto pages = [](int first, int last) {
            QString text; // each page kept its own image, in page order
            for (int page = first; page <= last; ++page)
                text += u"%1 page %2 1530 x 1980, 612 x 792|"_s.arg(page - 1).arg(page);
            return text;
        };
        // Pages render at up to 2.5 pixels a point, their long side at most 4000 pixels.
        QTest::newRow("poster scaled to the target")
            << u"poster.pdf"_s << 1 << 1 << 0 << 0 << QList<double>{1.0}
            << u"0 page 1 2667 x 4000, 2000 x 3000|"_s;
        QTest::newRow("wide page limited by its width")
            << u"wide.pdf"_s << 1 << 1 << 0 << 0 << QList<double>{1.0}
            << u"0 page 1 4000 x 800, 5000 x 1000|"_s;
        QTest::newRow("letter turned by 90") << u"turned90.pdf"_s << 1 << 1 << 0 << 0 << QList<double>{1.0}
                                             << u"0 page 1 1980 x 1530, 792 x 612|"_s;
        QTest::newRow("letter turned by 270") << u"turned270.pdf"_s << 1 << 1 << 0 << 0 << QList<double>{1.0}
                                              << u"0 page 1 1980 x 1530, 792 x 612|"_s;
        QTest::newRow("one page reports once")
            << five << 5 << 5 << 0 << 0 << QList<double>{1.0} << pages(5, 5);
        QTest::newRow("three pages") << five << 3 << 5 << 0 << 0 << QList<double>{1.0 / 3, 2.0 / 3, 1.0}
                                     << pages(3, 5);
        QTest::newRow("later pages finishing first")
            << five << 1 << 5 << 0 << 3 << QList<double>{0.2, 0.4, 0.6, 0.8, 1.0} << pages(1, 5);
        QTest::newRow("one page beyond the end") << five << 1 << 6 << 0 << 0 << QList<double>{} << invalid;
        QTest::newRow("page 0") << five << 0 << 2 << 0 << 0 << QList<double>{} << invalid;
        QTest::newRow("locked") << u"locked.pdf"_s << 1 << 1 << 0 << 0 << QList<double>{} << invalid;
        QTest::newRow("not a PDF") << u"garbage.pdf"_s << 1 << 1 << 0 << 0 << QList<double>{} << invalid;
        QTest::newRow("cancel during page 2 of 5")
            << five << 1 << 5 << -2 << 1 << QList<double>{0.2} << u"cancelled"_s;
        QTest::newRow("engine fails on page 3")
            << five << 1 << 5 << 3 << 1 << QList<double>{0.2, 0.4} << u"engine failed"_s;
        // With several pages at once the progress may stop earlier.
        QTest::newRow("cancel during page 2, three at once")
            << five << 1 << 5 << -2 << 3 << QList<double>{0.2} << u"cancelled"_s;
    }
    void recognizeRange()
    {
        QFETCH(QString, file);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(int, failingPage);
        QFETCH(int, concurrentPages);
        QFETCH(QList<double>, progress);
        QFETCH(QString, outcome);
        FakeEngine engine;
        engine.earlierPagesSlower = failingPage == 0;
        engine.onPage = [failingPage](int page, const CancelToken& token) {
            if (page == failingPage)
                throw PlatformError(u"engine failed"_s);
            if (page == -failingPage)
                token.cancel(); // the caller's token reaches the running recognition
        };
        QList<double> reported; // called from the worker only, read after the call returns
        const OCROptions options{.fast = true, .languages = {u"deu"_s}};
        QString result;
        try {
            for (const PDFPageResult& page : PDFService::recognize(
                     path(file), first, last, options, false, engine, {},
                     [&reported](double value) { reported.append(value); }, concurrentPages))
                result += u"%1 %2, %3 x %4|"_s.arg(page.index)
                              .arg(page.text)
                              .arg(page.size.width())
                              .arg(page.size.height());
        } catch (const Cancelled&) {
            result = u"cancelled"_s;
        } catch (const Error& error) {
            result = error.message();
        }
        QCOMPARE(result, outcome);
        // Exact: computed as (n - first + 1) / count.
        QCOMPARE(reported, concurrentPages > 1 && failingPage
                               ? progress.first(std::min(reported.size(), progress.size()))
                               : progress);
        if (progress.isEmpty() && failingPage == 0)
            QVERIFY(engine.pages.isEmpty()); // refused before anything was rendered
        else
            QCOMPARE(engine.options, options);
        if (failingPage != 0)
            QVERIFY(engine.pages.last() < std::abs(failingPage) + concurrentPages); // no later page started
    }

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    const QSizeF m_letter{612, 792};
};

QTEST_MAIN(TestPDFService)
#include "test_pdfservice.moc"
