// SPDX-License-Identifier: GPL-3.0-or-later
#include "PdfTestFiles.h"

#include "core/Errors.h"
#include "core/PDFService.h"

#include <QDir>
#include <QPdfDocument>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace vellumix;

namespace {

TextBlock line(const QString& text, QRectF box)
{
    return TextBlock{.text = text,
                     .confidence = 1.0f,
                     .x = box.x(),
                     .y = box.y(),
                     .width = box.width(),
                     .height = box.height()};
}

QString pageText(const QString& file, int page)
{
    const pdftest::ToolRun result = pdftest::run(
        QStringLiteral("pdftotext"),
        {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"), QString::number(page),
         QStringLiteral("-enc"), QStringLiteral("UTF-8"), file, QStringLiteral("-")});
    return result.exitCode == 0 ? result.output.trimmed() : QStringLiteral("<pdftotext failed>");
}

// Centre of the dark pixels of a page rendered at `pixels`, as fractions of the page.
QPointF darkCentre(const QString& file, int index, QSize pixels)
{
    QPdfDocument document;
    if (document.load(file) != QPdfDocument::Error::None)
        return {-1, -1};
    const QImage image = document.render(index, pixels).convertToFormat(QImage::Format_ARGB32);
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

QSizeF pageSize(const QString& file, int index)
{
    QPdfDocument document;
    document.load(file);
    return document.pagePointSize(index);
}

int pageCount(const QString& file)
{
    QPdfDocument document;
    document.load(file);
    return document.pageCount();
}

} // namespace

class TestSearchableExport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void rotatedPageStaysUpright_data();
    void rotatedPageStaysUpright();
    void croppedPageKeepsItsVisibleArea();
    void pagesFollowTheResults();
    void imagePageIsLossless_data();
    void imagePageIsLossless();
    void fallsBackToTheImage_data();
    void fallsBackToTheImage();
    void unicodeRoundTrip_data();
    void unicodeRoundTrip();
    void fontSizeRule_data();
    void fontSizeRule();
    void textSpansItsBox_data();
    void textSpansItsBox();
    void degenerateBlocksDrawNothing();
    void unwritableDestination_data();
    void unwritableDestination();

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString exportImage(const QString& name, const QList<TextBlock>& blocks, QSize size = {400, 200});

    QTemporaryDir m_dir;
};

void TestSearchableExport::initTestCase()
{
    QVERIFY(m_dir.isValid());
    pdftest::writePdf(path(QStringLiteral("three.pdf")), QList<QSizeF>(3, QSizeF(612, 792)));
}

QString TestSearchableExport::exportImage(const QString& name, const QList<TextBlock>& blocks, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    const QString out = path(name);
    PDFService::exportSearchable({}, {}, image, blocks, out);
    return out;
}

void TestSearchableExport::rotatedPageStaysUpright_data()
{
    QTest::addColumn<int>("rotation");
    QTest::newRow("90") << 90;
    QTest::newRow("270") << 270;
}

void TestSearchableExport::rotatedPageStaysUpright()
{
    QFETCH(int, rotation);
    const QString source = path(QStringLiteral("rotated-%1.pdf").arg(rotation));
    pdftest::writePdf(source, {QSizeF(612, 792)});
    QVERIFY(pdftest::qpdfRewrite(source, {QStringLiteral("--rotate=+%1").arg(rotation)}));
    QCOMPARE(pageSize(source, 0), QSizeF(792, 612));

    const PDFPageResult result{
        0, {line(QStringLiteral("landscape words"), {0.1, 0.8, 0.5, 0.05})}, {}, {792, 612}};
    const QString out = path(QStringLiteral("rotated-%1-out.pdf").arg(rotation));
    PDFService::exportSearchable(source, {result}, {}, {}, out);

    QVERIFY(pdftest::passesCheck(out));
    QCOMPARE(pageCount(out), 1);
    QCOMPARE(pageSize(out, 0), QSizeF(792, 612));
    // The black marker sits where a viewer shows it on the source page, so the page was drawn upright.
    const QPointF expected = darkCentre(source, 0, {396, 306});
    const QPointF actual = darkCentre(out, 0, {396, 306});
    QVERIFY2(expected.x() >= 0 && QLineF(expected, actual).length() < 0.01,
             qPrintable(QStringLiteral("marker at %1,%2, expected %3,%4")
                            .arg(actual.x())
                            .arg(actual.y())
                            .arg(expected.x())
                            .arg(expected.y())));
    QCOMPARE(pageText(out, 1), QStringLiteral("landscape words"));
}

void TestSearchableExport::croppedPageKeepsItsVisibleArea()
{
    // A 400 x 300 media box cropped to 360 x 230 away from the origin and turned by 90 degrees;
    // viewers show the crop box, not the smaller trim box, and ink outside the crop box stays hidden.
    const QString source = path(QStringLiteral("cropped.pdf"));
    pdftest::writeRawPdf(
        source, "/MediaBox [0 0 400 300] /CropBox [20 10 380 240] /TrimBox [60 30 340 220] /Rotate 90",
        "0 0 0 rg 40 180 60 40 re f 0 0 5 5 re f 390 290 10 10 re f");
    QVERIFY(pdftest::passesCheck(source));
    QCOMPARE(pageSize(source, 0), QSizeF(230, 360));

    const QString out = path(QStringLiteral("cropped-out.pdf"));
    PDFService::exportSearchable(source, {PDFPageResult{0, {}, {}, {230, 360}}}, {}, {}, out);
    QVERIFY(pdftest::passesCheck(out));
    QCOMPARE(pageSize(out, 0), QSizeF(230, 360));
    const QPointF expected = darkCentre(source, 0, {230, 360});
    const QPointF actual = darkCentre(out, 0, {230, 360});
    QVERIFY2(expected.x() >= 0 && QLineF(expected, actual).length() < 0.01,
             qPrintable(QStringLiteral("marker at %1,%2, expected %3,%4")
                            .arg(actual.x())
                            .arg(actual.y())
                            .arg(expected.x())
                            .arg(expected.y())));
}

void TestSearchableExport::pagesFollowTheResults()
{
    const QSizeF letter(612, 792);
    const QList<PDFPageResult> pages{
        {2, {line(QStringLiteral("third page"), {0.1, 0.5, 0.5, 0.03})}, {}, letter},
        {7, {line(QStringLiteral("no such page"), {0.1, 0.5, 0.5, 0.03})}, {}, letter},
        {0, {line(QStringLiteral("first page"), {0.1, 0.5, 0.5, 0.03})}, {}, letter},
    };
    const QString out = path(QStringLiteral("pages.pdf"));
    PDFService::exportSearchable(path(QStringLiteral("three.pdf")), pages, {}, {}, out);
    QVERIFY(pdftest::passesCheck(out));
    QCOMPARE(pageCount(out), 2); // the page the source lacks is skipped
    QCOMPARE(pageText(out, 1), QStringLiteral("third page"));
    QCOMPARE(pageText(out, 2), QStringLiteral("first page"));
    // Vector content, not a picture of it: no image is embedded.
    const pdftest::ToolRun images = pdftest::run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), out});
    QCOMPARE(images.output.trimmed().count(QLatin1Char('\n')), 1); // the header lines only
}

void TestSearchableExport::imagePageIsLossless_data()
{
    QTest::addColumn<QImage::Format>("format");
    QTest::addColumn<bool>("translucent");
    QTest::newRow("colour") << QImage::Format_RGB32 << false;
    QTest::newRow("grey") << QImage::Format_Grayscale8 << false;
    QTest::newRow("translucent") << QImage::Format_ARGB32 << true;
}

void TestSearchableExport::imagePageIsLossless()
{
    QFETCH(QImage::Format, format);
    QFETCH(bool, translucent);
    QImage image(1200, 800, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgba(x % 256, y % 256, (x * y) % 256, translucent ? (x + y) % 256 : 255));
    image = image.convertToFormat(format);
    const QString out =
        path(QStringLiteral("image-%1.pdf").arg(QString::fromLatin1(QTest::currentDataTag())));
    PDFService::exportSearchable({}, {}, image, {line(QStringLiteral("pixels"), {0.1, 0.1, 0.2, 0.05})}, out);

    QVERIFY(pdftest::passesCheck(out));
    QCOMPARE(pageCount(out), 1);
    QCOMPARE(pageSize(out, 0), QSizeF(1200, 800));
    const QString prefix =
        path(QStringLiteral("extracted-%1").arg(QString::fromLatin1(QTest::currentDataTag())));
    QCOMPARE(pdftest::run(QStringLiteral("pdfimages"), {QStringLiteral("-png"), out, prefix}).exitCode, 0);
    const QImage colour(prefix + QStringLiteral("-000.png"));
    QCOMPARE(colour.size(), image.size());
    const QImage alpha(prefix + QStringLiteral("-001.png"));
    QCOMPARE(!alpha.isNull(), translucent);
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 5) {
            const QRgb want = image.pixel(x, y);
            const QRgb got = colour.pixel(x, y);
            if (qRed(got) != qRed(want) || qGreen(got) != qGreen(want) || qBlue(got) != qBlue(want) ||
                (translucent && qGray(alpha.pixel(x, y)) != qAlpha(want)))
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 changed").arg(x).arg(y)));
        }
}

void TestSearchableExport::fallsBackToTheImage_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("withImage");
    QTest::newRow("moved source, image given") << QStringLiteral("moved.pdf") << true;
    QTest::newRow("source not a PDF, image given") << QStringLiteral("garbage.pdf") << true;
    QTest::newRow("no source, image given") << QString() << true;
    QTest::newRow("moved source, no image") << QStringLiteral("moved.pdf") << false;
    QTest::newRow("nothing at all") << QString() << false;
}

void TestSearchableExport::fallsBackToTheImage()
{
    QFETCH(QString, source);
    QFETCH(bool, withImage);
    QFile garbage(path(QStringLiteral("garbage.pdf")));
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write("not a pdf at all");
    garbage.close();
    const QString sourcePath = source.isEmpty() ? QString() : path(source);
    const QList<PDFPageResult> pages{{0, {}, {}, {612, 792}}};
    QImage image;
    if (withImage) {
        image = QImage(300, 150, QImage::Format_RGB32);
        image.fill(Qt::white);
    }
    // An earlier file at the destination survives a failed export untouched.
    const QString out = path(QStringLiteral("fallback.pdf"));
    QFile earlier(out);
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier");
    earlier.close();

    const QList<TextBlock> blocks{line(QStringLiteral("from the image"), {0.1, 0.4, 0.6, 0.1})};
    if (withImage) {
        PDFService::exportSearchable(sourcePath, pages, image, blocks, out);
        QVERIFY(pdftest::passesCheck(out));
        QCOMPARE(pageCount(out), 1);
        QCOMPARE(pageSize(out, 0), QSizeF(300, 150));
        QCOMPARE(pageText(out, 1), QStringLiteral("from the image"));
    } else {
        try {
            PDFService::exportSearchable(sourcePath, pages, image, blocks, out);
            QFAIL("exported without a source or an image");
        } catch (const VellumixError& error) {
            QCOMPARE(error.kind(), VellumixError::Kind::InvalidImage);
        }
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), QByteArray("earlier"));
        QCOMPARE(QDir(m_dir.path())
                     .entryList({QStringLiteral("fallback.pdf*")}, QDir::Files | QDir::Hidden)
                     .size(),
                 1);
    }
}

void TestSearchableExport::unicodeRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("accents") << QStringLiteral("Grüße aus Köln, déjà vu");
    QTest::newRow("cyrillic") << QStringLiteral("Съешь же ещё этих булок");
    QTest::newRow("cjk") << QStringLiteral("日本語のテキスト 中文");
    QTest::newRow("outside the basic plane") << QStringLiteral("clef 𝄞 and 😀 here");
    QTest::newRow("tab becomes a space") << QStringLiteral("left\tright");
}

void TestSearchableExport::unicodeRoundTrip()
{
    QFETCH(QString, text);
    const QString out = exportImage(
        QStringLiteral("unicode.pdf"),
        {line(text, {0.05, 0.45, 0.9, 0.1}), line(QStringLiteral("second line"), {0.05, 0.2, 0.5, 0.1})});
    QVERIFY(pdftest::passesCheck(out));
    QString expected = text;
    expected.replace(QLatin1Char('\t'), QLatin1Char(' '));
    QCOMPARE(pageText(out, 1).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
             (QStringList{expected, QStringLiteral("second line")}));
    // A second, independent extractor (PDFium) reads the same layer.
    QPdfDocument document;
    QCOMPARE(document.load(out), QPdfDocument::Error::None);
    QVERIFY2(document.getAllText(0).text().contains(expected), qPrintable(document.getAllText(0).text()));
}

void TestSearchableExport::fontSizeRule_data()
{
    QTest::addColumn<double>("height"); // points, on a page 100 points high
    QTest::addColumn<double>("fontSize");
    QTest::newRow("two points") << 2.0 << 1.7;
    QTest::newRow("one point gets the minimum") << 1.0 << 1.0;
    QTest::newRow("zero height") << 0.0 << 1.0;
    QTest::newRow("twenty points") << 20.0 << 17.0;
}

void TestSearchableExport::fontSizeRule()
{
    QFETCH(double, height);
    QFETCH(double, fontSize);
    const QString out = exportImage(QStringLiteral("size.pdf"),
                                    {line(QStringLiteral("x"), {0.1, 0.5, 0.5, height / 100})}, {100, 100});
    const pdftest::ToolRun plain = pdftest::run(
        QStringLiteral("qpdf"),
        {QStringLiteral("--qdf"), QStringLiteral("--object-streams=disable"), out, QStringLiteral("-")});
    QCOMPARE(plain.exitCode, 0);
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("/F0 ([0-9.]+) Tf")).match(plain.output);
    QVERIFY(match.hasMatch());
    QCOMPARE(match.captured(1).toDouble(), fontSize);
}

void TestSearchableExport::textSpansItsBox_data()
{
    QTest::addColumn<double>("right"); // points; the line starts at 100
    QTest::newRow("about its natural width") << 330.0;
    QTest::newRow("stretched twice") << 600.0;
    QTest::newRow("stretched far beyond") << 950.0;
    QTest::newRow("squeezed") << 150.0;
}

void TestSearchableExport::textSpansItsBox()
{
    QFETCH(double, right);
    // A 1000 x 500 page; the line runs from x = 100 and spans y 200..250 (from the bottom).
    const QString out =
        exportImage(QStringLiteral("geometry.pdf"),
                    {line(QStringLiteral("alpha beta"), {0.1, 0.4, (right - 100) / 1000, 0.1})}, {1000, 500});
    const pdftest::ToolRun tsv =
        pdftest::run(QStringLiteral("pdftotext"), {QStringLiteral("-tsv"), out, QStringLiteral("-")});
    QCOMPARE(tsv.exitCode, 0);
    QStringList words;
    double left = 1e9, end = -1e9, top = 1e9, bottom = -1e9;
    for (const QString& row : tsv.output.split(QLatin1Char('\n'))) {
        const QStringList cells = row.split(QLatin1Char('\t'));
        if (cells.size() < 12 || cells[0] != QStringLiteral("5"))
            continue; // word rows only
        words.append(cells[11]);
        left = std::min(left, cells[6].toDouble());
        top = std::min(top, cells[7].toDouble());
        end = std::max(end, cells[6].toDouble() + cells[8].toDouble());
        bottom = std::max(bottom, cells[7].toDouble() + cells[9].toDouble());
    }
    QCOMPARE(words, (QStringList{QStringLiteral("alpha"), QStringLiteral("beta")})); // a real space
    QCOMPARE(pageText(out, 1), QStringLiteral("alpha beta")); // one line, not two columns
    QVERIFY2(qAbs(left - 100) < 1 && qAbs(end - right) < 1,
             qPrintable(QStringLiteral("%1..%2").arg(left).arg(end)));
    // Top-left origin: the box runs from 250 to 300; the glyphs sit inside it, above its bottom.
    const double middle = (top + bottom) / 2;
    QVERIFY2(middle > 250 && middle < 300, qPrintable(QStringLiteral("%1..%2").arg(top).arg(bottom)));
}

void TestSearchableExport::degenerateBlocksDrawNothing()
{
    const QString out =
        exportImage(QStringLiteral("degenerate.pdf"),
                    {line(QString(), {0.1, 0.8, 0.5, 0.1}), line(QStringLiteral("flat"), {0.1, 0.6, 0, 0.1}),
                     line(QStringLiteral("kept"), {0.1, 0.2, 0.5, 0.1})});
    QVERIFY(pdftest::passesCheck(out));
    QCOMPARE(pageText(out, 1), QStringLiteral("kept"));
}

void TestSearchableExport::unwritableDestination_data()
{
    QTest::addColumn<QString>("destination");
    // Writing inside a regular file fails even for root.
    QTest::newRow("parent is a file") << QStringLiteral("plain-file/out.pdf");
    QTest::newRow("destination is a folder") << QStringLiteral("folder");
}

void TestSearchableExport::unwritableDestination()
{
    QFETCH(QString, destination);
    QFile plain(path(QStringLiteral("plain-file")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("folder")));
    const QStringList before =
        QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QImage image(50, 50, QImage::Format_RGB32);
    image.fill(Qt::white);
    try {
        PDFService::exportSearchable({}, {}, image, {}, path(destination));
        QFAIL("the export claimed success");
    } catch (const PlatformError& error) {
        QVERIFY2(error.message().contains(QFileInfo(destination).fileName()), qPrintable(error.message()));
    }
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
    QVERIFY(QFileInfo(path(QStringLiteral("folder"))).isDir());
}

QTEST_MAIN(TestSearchableExport)
#include "test_searchableexport.moc"
