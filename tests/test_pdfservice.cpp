// SPDX-License-Identifier: GPL-3.0-or-later
#include "PdfTestFiles.h"

#include "core/Errors.h"
#include "core/OCREngine.h"
#include "core/PDFService.h"

#include <QBuffer>
#include <QRegularExpression>
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

// Reports the dark pixels of the image it is given as one block.
class MarkerEngine final : public OCREngine
{
public:
    int dotsPerInch = 0;

    Recognition recognize(const QImage& image, const OCROptions& options, const CancelToken&) override
    {
        dotsPerInch = options.scanResolution;
        QRect dark;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 128)
                    dark |= QRect(x, y, 1, 1);
        const double w = image.width(), h = image.height();
        return {.blocks = {{.text = u"marker"_s,
                            .x = dark.x() / w,
                            .y = 1 - (dark.bottom() + 1) / h,
                            .width = dark.width() / w,
                            .height = dark.height() / h}}};
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
            QVERIFY(engine.highest < std::abs(failingPage) + 3 * concurrentPages); // read-ahead is bounded
    }

    // A page of one 420 x 210 grey JPEG image, black in its top left quarter, on a 200 x 100 point page.
    void scannedPage_data()
    {
        QTest::addColumn<QByteArray>("pageKeys");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("dotsPerInch"); // of the samples read; 0: the page was rendered
        QTest::addColumn<QRectF>("expected"); // the marker's word in the export, points from top left
        const QByteArray fill = "200 0 0 100 0 0 cm /Im0 Do";
        QTest::newRow("upright") << QByteArray() << fill << 151 << QRectF(0, 0, 50, 25);
        QTest::newRow("drawn mirrored")
            << QByteArray() << "q 200 0 0 -100 0 100 cm /Im0 Do Q"_ba << 151 << QRectF(0, 75, 50, 25);
        QTest::newRow("page turned") << "/Rotate 90"_ba << fill << 151 << QRectF(75, 0, 25, 50);
        QTest::newRow("cropped") << "/CropBox [0 0 100 100]"_ba << fill << 151 << QRectF(0, 0, 50, 25);
        QTest::newRow("image and text")
            << QByteArray() << fill + " BT /F0 1 Tf ET" << 0 << QRectF(0, 0, 50, 25);
        QTest::newRow("image not covering the page")
            << QByteArray() << "100 0 0 50 0 50 cm /Im0 Do"_ba << 0 << QRectF(0, 0, 25, 12.5);
        QTest::newRow("stamped") << "/Annots [<< /Type /Annot /Subtype /Stamp /Rect [150 0 200 20] >>]"_ba
                                 << fill << 0 << QRectF(0, 0, 50, 25);
    }
    void scannedPage()
    {
        QFETCH(QByteArray, pageKeys);
        QFETCH(QByteArray, content);
        QFETCH(int, dotsPerInch);
        QFETCH(QRectF, expected);
        QImage image(420, 210, QImage::Format_Grayscale8); // scanners mostly write JPEG
        image.fill(200);
        for (int y = 0; y < 52; ++y)
            std::fill_n(image.scanLine(y), 105, uchar(0));
        QByteArray samples;
        QBuffer buffer(&samples);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "JPEG", 95));
        const QString file = path(u"scan.pdf"_s), out = path(u"scan-out.pdf"_s);
        QVERIFY(pdftest::writeFile(
            file, pdftest::assemble(
                      {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                       "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents 4 0 R /Resources << "
                       "/XObject << /Im0 5 0 R >> >> " +
                           pageKeys + " >>",
                       "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content +
                           "\nendstream",
                       "<< /Type /XObject /Subtype /Image /Width 420 /Height 210 /ColorSpace /DeviceGray "
                       "/BitsPerComponent 8 /Filter /DCTDecode /Length " +
                           QByteArray::number(samples.size()) + " >>\nstream\n" + samples + "\nendstream"})));
        MarkerEngine engine;
        PDFService::exportSearchable(file, PDFService::recognize(file, 1, 1, {}, false, engine), {}, {}, out);
        QCOMPARE(engine.dotsPerInch, dotsPerInch);
        const QString words = pdftest::run(u"pdftotext"_s, {u"-bbox"_s, out, u"-"_s}).output;
        static const QRegularExpression box(
            uR"re(xMin="(-?[\d.]+)" yMin="(-?[\d.]+)" xMax="(-?[\d.]+)" yMax="(-?[\d.]+)">marker)re"_s);
        const auto word = box.match(words);
        QVERIFY2(word.hasMatch(), qPrintable(words));
        const QRectF found(QPointF(word.captured(1).toDouble(), word.captured(2).toDouble()),
                           QPointF(word.captured(3).toDouble(), word.captured(4).toDouble()));
        // Across, the word spans the marker; up and down, the layer's font box is a little taller.
        QVERIFY(std::abs(found.left() - expected.left()) < 2 &&
                std::abs(found.right() - expected.right()) < 2 && expected.contains(found.center()));
    }

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    const QSizeF m_letter{612, 792};
};

QTEST_MAIN(TestPDFService)
#include "test_pdfservice.moc"
