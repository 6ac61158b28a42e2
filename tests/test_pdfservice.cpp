// SPDX-License-Identifier: GPL-3.0-or-later
#include "PdfTestFiles.h"

#include "core/Errors.h"
#include "core/OCREngine.h"
#include "core/PDFService.h"

#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>

using namespace vellumix;
using namespace Qt::StringLiterals;

namespace {

// Reads the page number from the grey square of the test PDFs and answers "page N W x H" with the
// size it was given; fails on `failingPage`, or cancels during page -`failingPage`.
class FakeEngine final : public OCREngine
{
public:
    int failingPage = 0;
    std::atomic<int> highest{0};

    Recognition recognize(const QImage& image, const OCROptions&, const CancelToken& cancel) override
    {
        const int page = qRound(qRed(image.pixel(image.width() / 2, image.height() / 2)) / 20.0);
        highest = std::max(highest.load(), page); // exact when pages run one at a time
        if (failingPage == 0)                     // later pages finish first when several run at once
            QThread::msleep(std::max(0, 6 - page) * 15);
        if (page == failingPage)
            throw PlatformError(u"engine failed"_s);
        if (page == -failingPage)
            cancel.cancel();       // the caller's token reaches the running recognition
        cancel.throwIfCancelled(); // and then: unpainted paper must have been flattened onto white
        const bool white = image.pixel(image.width() - 1, image.height() / 2) == qRgb(255, 255, 255);
        const QString text = u"page %1 %2 x %3%4"_s.arg(page).arg(image.width()).arg(image.height());
        return {.blocks = {{.text = text.arg(white ? u""_s : u" on black"_s), .width = 0.5, .height = 0.1}}};
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
        pdftest::writePdf(path(u"poster.pdf"_s), {QSizeF(2000, 3000)});
        pdftest::writePdf(path(u"wide.pdf"_s), {QSizeF(5000, 1000)});
        for (const int rotation : {90, 270}) {
            const QString turned = path(u"turned%1.pdf"_s.arg(rotation));
            pdftest::writePdf(turned, {m_letter});
            QVERIFY(pdftest::qpdfRewrite(turned, {u"--rotate=+%1"_s.arg(rotation)}));
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
        const QList<double> one{1.0}, none;
        // Pages render at up to 2.5 pixels a point, their long side at most 4000 pixels.
        QTest::newRow("poster") << u"poster.pdf"_s << 1 << 1 << 0 << 0 << one
                                << u"0 page 1 2667 x 4000, 2000 x 3000|"_s;
        QTest::newRow("wide page") << u"wide.pdf"_s << 1 << 1 << 0 << 0 << one
                                   << u"0 page 1 4000 x 800, 5000 x 1000|"_s;
        for (const int turn : {90, 270})
            QTest::addRow("turned by %d", turn) << u"turned%1.pdf"_s.arg(turn) << 1 << 1 << 0 << 0 << one
                                                << u"0 page 1 1980 x 1530, 792 x 612|"_s;
        QTest::newRow("three") << five << 3 << 5 << 0 << 0 << QList{1.0 / 3, 2.0 / 3, 1.0} << pages(3, 5);
        QTest::newRow("later pages finishing first")
            << five << 1 << 5 << 0 << 3 << QList{0.2, 0.4, 0.6, 0.8, 1.0} << pages(1, 5);
        QTest::newRow("one page beyond the end") << five << 1 << 6 << 0 << 0 << none << invalid;
        QTest::newRow("page 0") << five << 0 << 2 << 0 << 0 << none << invalid;
        QTest::newRow("locked") << u"locked.pdf"_s << 1 << 1 << 0 << 0 << none << invalid;
        QTest::newRow("cancel during page 2 of 5")
            << five << 1 << 5 << -2 << 1 << QList{0.2} << u"cancelled"_s;
        QTest::newRow("engine fails on page 3")
            << five << 1 << 5 << 3 << 1 << QList{0.2, 0.4} << u"engine failed"_s;
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
        engine.failingPage = failingPage;
        QList<double> reported; // called from the worker only, read after the call returns
        QString result;
        try {
            for (const PDFPageResult& page : PDFService::recognize(
                     path(file), first, last, {}, false, engine, {},
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
        QCOMPARE(reported, progress); // exact: computed as (n - first + 1) / count
        if (failingPage == 0)
            QCOMPARE(engine.highest > 0, !progress.isEmpty()); // refusals render nothing
        else
            QVERIFY(engine.highest < std::abs(failingPage) + concurrentPages); // no later page started
    }

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    const QSizeF m_letter{612, 792};
};

QTEST_MAIN(TestPDFService)
#include "test_pdfservice.moc"
