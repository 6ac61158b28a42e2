// SPDX-License-Identifier: GPL-3.0-or-later
#include "PdfTestFiles.h"

#include "core/Errors.h"
#include "core/PDFService.h"
#include "core/TesseractEngine.h"

#include <QDir>
#include <QPdfDocument>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace vellumix;
using namespace Qt::StringLiterals;

namespace {

TextBlock line(const QString& text, QRectF box)
{
    return {.text = text, .x = box.x(), .y = box.y(), .width = box.width(), .height = box.height()};
}

QString pageText(const QString& file, int page)
{
    const auto result =
        pdftest::run(u"pdftotext"_s, {u"-f"_s, QString::number(page), u"-l"_s, QString::number(page),
                                      u"-enc"_s, u"UTF-8"_s, file, u"-"_s});
    return result.exitCode == 0 ? result.output.trimmed() : u"<pdftotext failed>"_s;
}

QList<QSizeF> pageSizes(const QString& file)
{
    QPdfDocument document;
    document.load(file);
    QList<QSizeF> sizes;
    for (int i = 0; i < document.pageCount(); ++i)
        sizes.append(document.pagePointSize(i));
    return sizes;
}

// Centre of the dark pixels of the first page rendered at `pixels`, as fractions of the page.
QPointF darkCentre(const QString& file, QSize pixels)
{
    QPdfDocument document;
    document.load(file);
    const QImage image = document.render(0, pixels).convertToFormat(QImage::Format_ARGB32);
    double sumX = 0, sumY = 0, count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 128 && qGray(image.pixel(x, y)) < 10) {
                sumX += x;
                sumY += y;
                ++count;
            }
    return count > 0 ? QPointF(sumX / count / image.width(), sumY / count / image.height()) : QPointF(-1, -1);
}

// A letter page whose only marking is an annotation with an appearance: `annotation` holds its
// other keys; the appearance writes `word` in Helvetica.
void writeAnnotatedPdf(const QString& path, const QByteArray& annotation, const QByteArray& word, bool form)
{
    const QByteArray appearance = "BT /Helv 28 Tf 12 14 Td (" + word + ") Tj ET";
    const QByteArrayList objects{
        "<< /Type /Catalog /Pages 2 0 R" +
            (form ? QByteArray(" /AcroForm << /Fields [5 0 R] /DA (/Helv 28 Tf 0 g) >>") : QByteArray()) +
            " >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Annots [5 0 R] >>",
        "<< /Length 0 >>\nstream\n\nendstream",
        "<< /Type /Annot /Rect [100 500 400 560] /F 4 /P 3 0 R /AP << /N 6 0 R >> " + annotation + " >>",
        "<< /Type /XObject /Subtype /Form /BBox [0 0 300 60] /Resources << /Font << /Helv 7 0 R >> >> "
        "/Length " +
            QByteArray::number(appearance.size()) + " >>\nstream\n" + appearance + "\nendstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"};
    pdftest::writeFile(path, pdftest::assemble(objects));
}

QString readPage(TesseractEngine& engine, const QString& path)
{
    const QList<PDFPageResult> pages =
        PDFService::recognize(path, 1, 1, {.languages = {u"eng"_s}}, false, engine, CancelToken());
    return pages.value(0).text;
}

QImage whiteImage(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

} // namespace

class TestSearchableExport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        pdftest::writePdf(path(u"three.pdf"_s), QList<QSizeF>(3, QSizeF(612, 792)));
    }
    void pageIsDrawnAsViewersShowIt_data()
    {
        QTest::addColumn<int>("rotation");
        QTest::newRow("turned by 90") << 90;
        QTest::newRow("turned by 270") << 270;
    }
    void pageIsDrawnAsViewersShowIt()
    {
        QFETCH(int, rotation);
        const QSizeF shown(792, 612);
        const QString source = path(u"source-%1.pdf"_s.arg(rotation));
        pdftest::writePdf(source, {QSizeF(612, 792)});
        QVERIFY(pdftest::qpdfRewrite(source, {u"--rotate=+%1"_s.arg(rotation)}));

        const PDFPageResult result{0, {line(u"landscape words"_s, {0.1, 0.8, 0.5, 0.05})}, {}, shown};
        const QString out = path(u"upright-%1.pdf"_s.arg(rotation));
        PDFService::exportSearchable(source, {result}, {}, {}, out);
        QCOMPARE(pageSizes(out), QList<QSizeF>{shown});
        // The black marker sits where a viewer shows it on the source page: the page was drawn upright.
        const QPointF expected = darkCentre(source, (shown / 2).toSize());
        QVERIFY(expected.x() >= 0 && QLineF(expected, darkCentre(out, (shown / 2).toSize())).length() < 0.01);
        QCOMPARE(pageText(out, 1), u"landscape words"_s);
    }
    void pagesFollowTheResults()
    {
        const QSizeF letter(612, 792);
        const QList<PDFPageResult> pages{{2, {line(u"third page"_s, {0.1, 0.5, 0.5, 0.03})}, {}, letter},
                                         {7, {line(u"no such page"_s, {0.1, 0.5, 0.5, 0.03})}, {}, letter},
                                         {0, {line(u"first page"_s, {0.1, 0.5, 0.5, 0.03})}, {}, letter}};
        const QString out = path(u"pages.pdf"_s);
        PDFService::exportSearchable(path(u"three.pdf"_s), pages, {}, {}, out);
        QVERIFY(pdftest::passesCheck(out));
        QCOMPARE(pageSizes(out).size(), 2); // the page the source lacks is skipped
        QCOMPARE(pageText(out, 1), u"third page"_s);
        QCOMPARE(pageText(out, 2), u"first page"_s);
        // Vector content, not a picture of it: no image is embedded (pdfimages prints its header only).
        QCOMPARE(pdftest::run(u"pdfimages"_s, {u"-list"_s, out}).output.trimmed().count(u'\n'), 1);
    }
    void imagePageIsLossless()
    {
        QImage image(1200, 800, QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgba(x % 256, y % 256, (x * y) % 256, (x + y) % 256));
        const QString out = path(u"image.pdf"_s);
        PDFService::exportSearchable({}, {}, image, {line(u"pixels"_s, {0.1, 0.1, 0.2, 0.05})}, out);
        QCOMPARE(pdftest::run(u"pdfimages"_s, {u"-png"_s, out, path(u"x"_s)}).exitCode, 0);
        const QImage colour(path(u"x-000.png"_s)), alpha(path(u"x-001.png"_s));
        for (int y = 0; y < image.height(); y += 7)
            for (int x = 0; x < image.width(); x += 5)
                if ((colour.pixel(x, y) & 0xffffff) != (image.pixel(x, y) & 0xffffff) ||
                    qGray(alpha.pixel(x, y)) != qAlpha(image.pixel(x, y)))
                    QFAIL(qPrintable(u"pixel %1,%2 changed"_s.arg(x).arg(y)));
    }
    void fallsBackToTheImage()
    {
        const QString out = path(u"fallback.pdf"_s);
        const QList<PDFPageResult> pages{{0, {}, {}, {612, 792}}};
        const QList<TextBlock> blocks{line(u"from the image"_s, {0.1, 0.4, 0.6, 0.1})};
        PDFService::exportSearchable(path(u"moved.pdf"_s), pages, whiteImage({300, 150}), blocks, out);
        QCOMPARE(pageSizes(out), QList<QSizeF>{QSizeF(300, 150)});
        QCOMPARE(pageText(out, 1), u"from the image"_s);
    }
    void textLayer_data()
    {
        QTest::addColumn<QList<TextBlock>>("blocks"); // on a 100 x 100 point page
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("fontSize"); // of the first block drawn
        const QRectF box(0.05, 0.45, 0.9, 0.1);
        const QString unicode = u"Grüße aus Köln, 日本語のテキスト 中文, 𝄞 😀"_s;
        QTest::newRow("unicode") << QList{line(unicode, box)} << unicode << 8.5;
        QTest::newRow("two points") << QList{line(u"x"_s, {0.1, 0.5, 0.5, 0.02})} << u"x"_s << 1.7;
        QTest::newRow("one point gets the minimum")
            << QList{line(u"x"_s, {0.1, 0.5, 0.5, 0.01})} << u"x"_s << 1.0;
        QTest::newRow("empty and flat blocks draw nothing")
            << QList{line(QString(), box), line(u"flat"_s, {0.1, 0.6, 0, 0.1}), line(u"kept"_s, box)}
            << u"kept"_s << 8.5;
    }
    void textLayer()
    {
        QFETCH(QList<TextBlock>, blocks);
        QFETCH(QString, text);
        QFETCH(double, fontSize);
        const QString out = path(u"layer.pdf"_s);
        PDFService::exportSearchable({}, {}, whiteImage({100, 100}), blocks, out);
        QVERIFY(pdftest::passesCheck(out));
        QCOMPARE(pageText(out, 1), text);
        const auto plain = pdftest::run(u"qpdf"_s, {u"--qdf"_s, u"--object-streams=disable"_s, out, u"-"_s});
        QCOMPARE(QRegularExpression(u"/F0 ([0-9.]+) Tf"_s).match(plain.output).captured(1).toDouble(),
                 fontSize);
    }
    void textSpansItsBox()
    {
        // A 1000 x 500 page; the line runs from x = 100 to 950, y 200..250 from the bottom.
        const QString out = path(u"geometry.pdf"_s);
        PDFService::exportSearchable({}, {}, whiteImage({1000, 500}),
                                     {line(u"alpha beta"_s, {0.1, 0.4, 0.85, 0.1})}, out);
        const auto tsv = pdftest::run(u"pdftotext"_s, {u"-tsv"_s, out, u"-"_s});
        QStringList words;
        double left = 1e9, end = -1e9, top = 1e9, bottom = -1e9;
        for (const QString& row : tsv.output.split(u'\n')) {
            const QStringList cells = row.split(u'\t');
            if (cells.size() < 12 || cells[0] != u"5"_s)
                continue; // word rows only
            words.append(cells[11]);
            left = std::min(left, cells[6].toDouble());
            top = std::min(top, cells[7].toDouble());
            end = std::max(end, cells[6].toDouble() + cells[8].toDouble());
            bottom = std::max(bottom, cells[7].toDouble() + cells[9].toDouble());
        }
        QCOMPARE(words, (QStringList{u"alpha"_s, u"beta"_s})); // a real space
        QVERIFY(qAbs(left - 100) < 1 && qAbs(end - 950) < 1);
        QVERIFY((top + bottom) / 2 > 250 && (top + bottom) / 2 < 300); // top-left origin in the viewer
    }
    // A stamp and a filled form field are read with the page and kept, as they look, in the export.
    void annotationsAreReadAndKept_data()
    {
        QTest::addColumn<QByteArray>("annotation");
        QTest::addColumn<bool>("form");
        QTest::newRow("stamp") << QByteArray("/Subtype /Stamp /Name /Approved") << false;
        QTest::newRow("filled text field")
            << QByteArray("/Subtype /Widget /FT /Tx /T (status) /V (APPROVED)") << true;
    }
    void annotationsAreReadAndKept()
    {
        QFETCH(QByteArray, annotation);
        QFETCH(bool, form);
        const QString source = path(u"annotated.pdf"_s);
        writeAnnotatedPdf(source, annotation, "APPROVED", form);
        TesseractEngine engine;
        QCOMPARE(readPage(engine, source), u"APPROVED"_s);

        const QString out = path(u"annotated-out.pdf"_s);
        PDFService::exportSearchable(
            source, {{0, {line(u"APPROVED"_s, {0.16, 0.7, 0.5, 0.08})}, {}, {612, 792}}}, {}, {}, out);
        QVERIFY(pdftest::passesCheck(out));
        QCOMPARE(readPage(engine, out), u"APPROVED"_s);
    }
    void unwritableDestination()
    {
        // Writing inside a regular file fails even for root.
        QVERIFY(pdftest::writeFile(path(u"plain-file"_s), {}));
        const auto entries = [this] { return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden); };
        const QStringList before = entries();
        try {
            PDFService::exportSearchable({}, {}, whiteImage({50, 50}), {}, path(u"plain-file/out.pdf"_s));
            QFAIL("the export claimed success");
        } catch (const PlatformError& error) {
            QVERIFY2(error.message().contains(u"out.pdf"_s), qPrintable(error.message()));
        }
        QCOMPARE(entries(), before);
    }

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

QTEST_MAIN(TestSearchableExport)
#include "test_searchableexport.moc"
