// SPDX-License-Identifier: GPL-3.0-or-later
#include "Code128Image.h"
#include "PictureImage.h"
#include "core/Errors.h"
#include "core/TesseractEngine.h"

#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QTest>

#include <thread>

using namespace vellumix;
using namespace Qt::StringLiterals;

namespace {

const QColor light(Qt::white), ink(0x1d, 0x1d, 0x1f), dark(0x1e, 0x1e, 0x1e), pale(0xd4, 0xd4, 0xd4);

QFont pixelFont(const QString& family, int px, QFont::StyleStrategy strategy = QFont::PreferDefault)
{
    QFont font(family);
    font.setPixelSize(px);
    font.setStyleStrategy(strategy);
    return font;
}

// Lines of text drawn from `at`, one and a half lines apart.
QImage textImage(
    QSize size, QColor paper, QColor colour, const QStringList& lines, const QFont& font, QPoint at = {8, 8})
{
    QImage image(size, paper.alpha() == 255 ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    image.fill(paper);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(colour);
    const QFontMetrics metrics = painter.fontMetrics();
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(at + QPoint(0, metrics.ascent() + int(metrics.height() * 1.5) * i), lines.at(i));
    return image;
}

QImage
textImage(QSize size, QColor paper, QColor colour, const QStringList& lines, int px = 14, QPoint at = {8, 8})
{
    return textImage(size, paper, colour, lines, pixelFont(u"DejaVu Sans"_s, px), at);
}

QImage qr(const QString& payload)
{
    const auto matrix = ZXing::ToMatrix<uint8_t>(ZXing::MultiFormatWriter(ZXing::BarcodeFormat::QRCode)
                                                     .setMargin(4)
                                                     .encode(payload.toStdString(), 0, 0));
    const QImage modules(matrix.data(), matrix.width(), matrix.height(), matrix.width(),
                         QImage::Format_Grayscale8);
    return modules.scaled(modules.size() * 4).convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestTesseractEngine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void recognises_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<bool>("fast");
        QTest::addColumn<QStringList>("lines"); // sorted
        QTest::addColumn<QStringList>("codes");
        const QStringList none;
        const QStringList lines = {u"Invoice 4521 is due on Friday"_s, u"Open Settings to change it"_s};
        const QImage lightImage = textImage({300, 70}, light, ink, lines, 12);
        QTest::newRow("light, accurate") << lightImage << false << lines << none;
        QTest::newRow("light, fast") << lightImage << true << lines << none;
        QTest::newRow("transparent background")
            << textImage({300, 70}, Qt::transparent, Qt::black, lines, 12) << false << lines << none;
        QTest::newRow("9 px text is upscaled")
            << textImage({200, 50}, light, ink, lines, 9, {6, 6}) << false << lines << none;
        // Global binarisation turns a dark panel into one black blob; its labels must survive.
        const QStringList right{u"Quarterly report is ready"_s, u"Shared with the team"_s};
        QImage window = textImage({520, 120}, light, ink, right, 13, {180, 12});
        QPainter(&window).drawImage(
            0, 0, textImage({150, 120}, dark, pale, {u"Downloads"_s, u"Pictures"_s}, 13, {12, 12}));
        QTest::newRow("dark sidebar in a light window")
            << window << false << QStringList{u"Downloads"_s, u"Pictures"_s} + right << none;

        const QString payload = u"https://example.org/vellumix"_s;
        QTest::newRow("QR only") << qr(payload) << false << none << QStringList{payload};
        // The bundled sample: lines level with a code, whose modules must not join them as text.
        QTest::newRow("QR beside text")
            << QImage(QStringLiteral(VELLUMIX_SOURCE_DIR "/docs/sample.png")) << false
            << QStringList{u"Everything stays on this computer: no network, ever."_s,
                           u"Invoice #4521 - total 1,280.50 EUR - due 2026-03-18"_s,
                           u"Vellumix reads the text on your screen."_s}
            << QStringList{payload};
        // A quote opened on one line and closed on the next is no letter's arm.
        const QStringList quoted = {u"is licensed under these terms.\u201d"_s,
                                    u"\u201cAny Work you submit"_s};
        QTest::newRow("quote over two lines")
            << textImage({300, 70}, light, ink, {quoted[1], quoted[0]}, 12) << false << quoted << none;
        QTest::newRow("1 px strip") << textImage({2000, 1}, ink, ink, {}) << false << none << none;

        // White text on saturated mid-tones: selected rows, buttons, notices.
        const QStringList notice = {u"Sync finished at noon"_s, u"Your changes were saved"_s};
        for (const char* colour : {"#2f6fd6", "#28a745", "#dc3545", "#8e44ad"})
            QTest::addRow("white on %s", colour)
                << textImage({320, 70}, QColor(QLatin1String(colour)), Qt::white, notice, 15) << false
                << notice << none;

        // Dark text on a banner's gradient: the side where the paper darkens must not be lost.
        const QStringList banner = {u"and that is suitable for input to text formatters or"_s,
                                    u"for automatic translation to a variety of formats"_s};
        QImage gradient = textImage({470, 70}, Qt::white, ink, banner, 15);
        {
            QImage paper(gradient.size(), QImage::Format_RGB32);
            QLinearGradient fill(0, 0, paper.width(), paper.height());
            fill.setColorAt(0, QColor::fromHsv(150, 90, 250));
            fill.setColorAt(1, QColor::fromHsv(320, 140, 200));
            QPainter painter(&paper);
            painter.fillRect(paper.rect(), fill);
            painter.setCompositionMode(QPainter::CompositionMode_Multiply);
            painter.drawImage(0, 0, gradient);
            painter.end();
            gradient = paper;
        }
        QTest::newRow("dark text on a gradient") << gradient << false << banner << none;

        // Text drawn without anti-aliasing, as some terminals and older toolkits do.
        const QStringList stepped = {u"The licenses for most software and other practical works"_s,
                                     u"are designed to take away your freedom to share and change"_s,
                                     u"the works. By contrast, the GNU General Public License is"_s};
        const QImage aliased =
            textImage({400, 60}, dark, pale, stepped, pixelFont(u"DejaVu Sans"_s, 10, QFont::NoAntialias));
        QTest::newRow("aliased 10 px text on dark") << aliased << false << stepped << none;

        // A terminal's code: Tesseract drops underscores or splits them from their word, and a
        // leading operator is no icon. In sorted order.
        const QStringList code = {u"&& std::equal(__x.begin(), __x.end(), __y.begin())); }"_s,
                                  u"if (__last - __first > int(_S_threshold))"_s,
                                  u"std::__insertion_sort(__first, __last, __comp);"_s};
        const QImage terminal = textImage({520, 76}, Qt::black, QColor(0x4e, 0xe0, 0x6a), code,
                                          pixelFont(u"DejaVu Sans Mono"_s, 13));
        QTest::newRow("underscores in code on black") << terminal << false << code << none;

        // Zeros in code that the models read as the letter.
        const QStringList zeros = {u"for (int i = 0; i < count; ++i)"_s, u"mask = flags & 0x7f;"_s};
        const QImage numbers = textImage({360, 64}, light, ink, zeros, pixelFont(u"Nimbus Mono PS"_s, 15));
        QTest::newRow("zeros in code") << numbers << false << zeros << none;

        // Words cropped tight, as a user drags round a name, which layout analysis dropped as noise.
        const QFont mono = pixelFont(u"DejaVu Sans Mono"_s, 15);
        QTest::newRow("tight crop of a word on dark")
            << textImage({65, 18}, dark, pale, {u"xclip"_s}, mono, {5, -1}) << false
            << QStringList{u"xclip"_s} << none;
        // Cropped to its ink, a name the models read less surely than in a line.
        const QFont nimbus = pixelFont(u"Nimbus Sans"_s, 16);
        const QFontMetrics nimbusMetrics(nimbus);
        const QRect bounds = nimbusMetrics.tightBoundingRect(u"libnsl2"_s);
        QTest::newRow("word cropped to its ink")
            << textImage(bounds.size() + QSize(1, 1), light, ink, {u"libnsl2"_s}, nimbus,
                         {-bounds.left(), -bounds.top() - nimbusMetrics.ascent()})
            << false << QStringList{u"libnsl2"_s} << none;
        for (const QString& glyph : {u"X"_s, u"9"_s, u"b"_s}) {
            const QRect glyphBounds = nimbusMetrics.tightBoundingRect(glyph);
            QTest::addRow("letter %s cropped to its ink", qPrintable(glyph))
                << textImage(glyphBounds.size() + QSize(1, 1), light, ink, {glyph}, nimbus,
                             {-glyphBounds.left(), -glyphBounds.top() - nimbusMetrics.ascent()})
                << false << QStringList{glyph} << none;
        }
        QTest::newRow("tight crop of a price") << textImage({55, 19}, light, ink, {u"$8083"_s}, 15, {4, 0})
                                               << false << QStringList{u"$8083"_s} << none;

        // A dark list with its selected row in an accent colour, the row only a little taller
        // than its text.
        const QStringList rows = {u"Not enough free disk space"_s, u"Unable to fetch some archives"_s,
                                  u"The following packages will be upgraded"_s};
        QImage list = textImage({400, 80}, dark, pale, rows, 13, {12, 6});
        {
            QImage selected =
                textImage({400, 20}, QColor(0xe9, 0x54, 0x20), Qt::white, {rows.at(1)}, 13, {12, 2});
            QPainter painter(&list);
            painter.drawImage(0, 25, selected);
        }
        QTest::newRow("selected row in a dark list")
            << list << false << QStringList{rows.at(0), rows.at(2), rows.at(1)} << none;

        // Drawn icons before labels are no text; a prompt before a command is.
        const QStringList labels = {u"Search in all documents"_s, u"Open the main menu"_s,
                                    u"$ git commit --amend"_s};
        QImage toolbar = textImage({300, 90}, light, ink, labels, 13, {34, 8});
        {
            QPainter painter(&toolbar);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(QPen(ink, 1.6));
            painter.drawEllipse(QRectF(10, 8, 11, 11)); // a magnifier
            painter.drawLine(QPointF(19, 17), QPointF(24, 22));
            for (int l = 0; l < 3; ++l) // a menu
                painter.drawLine(QPointF(10, 30 + 4.5 * l), QPointF(24, 30 + 4.5 * l));
        }
        QTest::newRow("icons before labels")
            << toolbar << false << QStringList{labels.at(2), labels.at(1), labels.at(0)} << none;

        // A caption over a picture: a white fill in a black outline, on soft blobs of colour
        // with grain, where every threshold of the whole image cuts through some letters.
        const QStringList caption = {u"wrong number of fields on Expires line"_s,
                                     u"Type dpkg-trigger --help for help about this utility."_s};
        QRandomGenerator random(3);
        QImage picture = pictureImage(random, {960, 300}, QColor::fromHsv(150, 80, 110));
        {
            QPainter painter(&picture);
            QFont font(u"DejaVu Sans"_s);
            font.setPixelSize(28);
            font.setBold(true);
            painter.setRenderHint(QPainter::Antialiasing);
            for (int l = 0; l < caption.size(); ++l) {
                QPainterPath path;
                path.addText(80, 180 + 40 * l, font, caption.at(l));
                painter.strokePath(path, QPen(Qt::black, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                painter.fillPath(path, Qt::white);
            }
        }
        QTest::newRow("outlined caption over a picture")
            << picture << false << QStringList{caption.at(1), caption.at(0)} << none;

        // White letters over a grainy photograph, without an outline: any threshold of the
        // whole picture cuts through them.
        const QStringList white = {u"You may copy and distribute a Modified Version"_s,
                                   u"of the Document under the conditions of"_s};
        QRandomGenerator grain(3);
        QImage photo = pictureImage(grain, {900, 200}, QColor::fromHsv(280, 120, 90));
        for (int y = 0; y < photo.height(); ++y) {
            QRgb* row = reinterpret_cast<QRgb*>(photo.scanLine(y));
            for (int x = 0; x < photo.width(); ++x) {
                auto noisy = [&grain](int level) {
                    return std::clamp(level + int(grain.bounded(41)) - 20, 0, 255);
                };
                const int r = noisy(qRed(row[x])), g = noisy(qGreen(row[x]));
                row[x] = qRgb(r, g, noisy(qBlue(row[x])));
            }
        }
        {
            QPainter painter(&photo);
            painter.setFont(pixelFont(u"DejaVu Sans"_s, 24));
            painter.setPen(Qt::white);
            for (int l = 0; l < white.size(); ++l)
                painter.drawText(30, 80 + 40 * l, white.at(l));
        }
        QTest::newRow("white letters over a photograph") << photo << false << white << none;

        // Text under a barcode beside a QR code, a layout where the inverted code areas once
        // dropped every line: the codes are blanked out before text recognition.
        QImage label(1000, 400, QImage::Format_RGB32);
        label.fill(Qt::white);
        const QStringList below = {u"of its terms. However,"_s, u"if You become compliant,"_s};
        {
            QPainter painter(&label);
            painter.drawImage(673, 93, qr(u"https://example.org/item/1001"_s).scaled(300, 300));
            painter.drawImage(26, 40, code128Image(u"VX-482917"_s, {400, 112}));
            QFont font(u"DejaVu Sans"_s);
            font.setPixelSize(26);
            painter.setFont(font);
            painter.setPen(ink);
            painter.drawText(26, 219, below.at(0));
            painter.drawText(26, 258, below.at(1));
        }
        QTest::newRow("text under a barcode beside a QR code")
            << label << false << QStringList{below.at(1), below.at(0)}
            << QStringList{u"https://example.org/item/1001"_s, u"VX-482917"_s};
    }
    void recognises()
    {
        QFETCH(QImage, image);
        QFETCH(bool, fast);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, codes);
        const Recognition recognition = m_engine.recognize(image, {.fast = fast}, CancelToken());
        QStringList found;
        for (const TextBlock& block : recognition.blocks) {
            found.append(block.text);
            QVERIFY(block.confidence >= 0.15f && block.confidence <= 1.0f);
        }
        found.sort();
        QCOMPARE(found, lines); // a code's modules are not text
        QStringList payloads = recognition.codes;
        payloads.sort();
        QStringList expectedCodes = codes;
        expectedCodes.sort();
        QCOMPARE(payloads, expectedCodes);
    }
    // An editor's code beside its line numbers, which stand off the code's grid: every
    // underscore the models drop is found again in the image.
    void mendsUnderscoresBesideLineNumbers_data()
    {
        QTest::addColumn<QColor>("paper");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("light theme") << light << ink;
        QTest::newRow("dark theme") << QColor(0x2b, 0x2b, 0x2b) << QColor(0xa9, 0xb7, 0xc6);
    }
    void mendsUnderscoresBesideLineNumbers()
    {
        QFETCH(QColor, paper);
        QFETCH(QColor, colour);
        const QStringList code = {u"#define PNG_IMAGE_FLAG_FAST 0x02"_s,
                                  u"#define PNG_IMAGE_FLAG_16BIT_sRGB 0x04"_s,
                                  u"extern int pthread_condattr_getclock (const pthread_condattr_t *"_s};
        const QFont font = pixelFont(u"DejaVu Sans Mono"_s, 15);
        const QFontMetricsF metrics(font);
        QImage editor(640, 90, QImage::Format_RGB32);
        editor.fill(paper);
        QPainter painter(&editor);
        painter.setFont(font);
        for (int i = 0; i < code.size(); ++i) {
            const int baseline = 20 + 26 * i;
            painter.setPen(QColor(0x80, 0x80, 0x80));
            painter.drawText(QRectF(0, baseline - 18, 30, 24), Qt::AlignRight | Qt::AlignBottom,
                             QString::number(85 + i));
            painter.setPen(colour);
            painter.drawText(QPointF(30 + 1.6 * metrics.horizontalAdvance(u'x'), baseline), code.at(i));
        }
        painter.end();
        const QString text = m_engine.recognize(editor, {}, CancelToken()).text(true);
        for (const QString& line : code)
            QVERIFY2(text.contains(line), qPrintable(text));
    }
    void readsTextOnPanels()
    {
        // A chat in a dark window: white text on blue bubbles, whose shade a global threshold
        // once turned solid, text and all. The bubbles' rounded ends may read as a bracket.
        const QStringList said = {u"cannot read invalidate ACK"_s, u"unknown binary-files type"_s,
                                  u"multiple -i options specified"_s, u"Object with same name exists"_s};
        QImage chat(720, 230, QImage::Format_RGB32);
        chat.fill(QColor(0x12, 0x12, 0x14));
        QPainter painter(&chat);
        painter.setRenderHint(QPainter::Antialiasing);
        QFont font(u"DejaVu Sans"_s);
        font.setPixelSize(14);
        painter.setFont(font);
        for (int m = 0; m < said.size(); ++m) {
            const int width = painter.fontMetrics().horizontalAdvance(said.at(m)) + 28;
            const QRect bubble(m % 2 ? 12 : chat.width() - width - 12, 12 + 52 * m, width, 40);
            painter.setPen(Qt::NoPen);
            painter.setBrush(m % 2 ? QColor(0x2c, 0x2c, 0x2e) : QColor(0x00, 0x7a, 0xff));
            painter.drawRoundedRect(bubble, 14, 14);
            painter.setPen(Qt::white);
            painter.drawText(bubble, Qt::AlignCenter, said.at(m));
        }
        painter.end();
        const Recognition recognition = m_engine.recognize(chat, {}, CancelToken());
        QCOMPARE(recognition.blocks.size(), said.size());
        for (const QString& message : said)
            QVERIFY2(std::any_of(recognition.blocks.begin(), recognition.blocks.end(),
                                 [&](const TextBlock& block) { return block.text.contains(message); }),
                     qPrintable(message));
    }
    void readingOrder_data()
    {
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<QStringList>("right");
        QTest::addColumn<int>("gutter");
        QTest::addColumn<QString>("expected");
        // Two columns of prose a little apart, which Tesseract runs into single lines.
        const QStringList caps = {
            u"BY APPLICABLE LAW OR AGREED TO IN WRITING"_s, u"WILL ANY COPYRIGHT HOLDER, OR ANY OTHER"_s,
            u"PARTY WHO MODIFIES AND/OR CONVEYS THE"_s, u"PROGRAM AS PERMITTED ABOVE, BE LIABLE"_s};
        const QStringList prose = {
            u"of warranty and limitation of liability"_s, u"provided above cannot be given local"_s,
            u"legal effect according to their terms,"_s, u"reviewing courts shall apply local law"_s};
        QTest::newRow("narrow gutter") << caps << prose << 28 << (caps + prose).join(u'\n');
        // Comments aligned after code belong to their lines.
        const QStringList code = {u"int width = 0;"_s, u"const auto path = home();"_s,
                                  u"bool done = false;"_s, u"auto it = names.begin();"_s};
        const QStringList comments = {
            u"// in pixels of the image read"_s, u"// where the settings are kept"_s,
            u"// set once the last page is in"_s, u"// the first name not yet seen"_s};
        QStringList joined;
        for (qsizetype i = 0; i < code.size(); ++i)
            joined.append(code.at(i) + u' ' + comments.at(i));
        QTest::newRow("aligned comments") << code << comments << 12 << joined.join(u'\n');
    }
    void readingOrder()
    {
        QFETCH(QStringList, left);
        QFETCH(QStringList, right);
        QFETCH(int, gutter);
        QFETCH(QString, expected);
        QFont font(u"DejaVu Sans"_s);
        font.setPixelSize(13);
        const QFontMetrics metrics(font);
        auto widest = [&metrics](const QStringList& lines) {
            int width = 0;
            for (const QString& line : lines)
                width = std::max(width, metrics.horizontalAdvance(line));
            return width;
        };
        const int leftWidth = widest(left), rightWidth = widest(right);
        QImage page(8 + leftWidth + gutter + rightWidth + 8, 90, QImage::Format_RGB32);
        page.fill(light);
        QPainter painter(&page);
        painter.drawImage(0, 0, textImage({8 + leftWidth, 90}, light, ink, left, 13));
        painter.drawImage(8 + leftWidth + gutter, 0,
                          textImage({rightWidth + 8, 90}, light, ink, right, 13, {0, 8}));
        painter.end();
        // The order of the lines is the point, not every character: each ends as expected.
        const QStringList lines = m_engine.recognize(page, {}, CancelToken()).text(true).split(u'\n');
        const QStringList wanted = expected.split(u'\n');
        QCOMPARE(lines.size(), wanted.size());
        for (qsizetype i = 0; i < lines.size(); ++i)
            QVERIFY2(lines.at(i).endsWith(wanted.at(i).right(12)), qPrintable(lines.at(i)));
    }
    void boxesDescribeTheInput()
    {
        const Recognition recognition = m_engine.recognize(
            textImage({400, 200}, light, ink, {u"Lower right"_s}, 14, {220, 150}), {}, CancelToken());
        QCOMPARE(recognition.blocks.size(), 1); // in the lower-right quarter, upscaled first
        const QRectF box = recognition.blocks.first().rect();
        QVERIFY(box.left() > 0.5 && box.right() < 1.0 && box.top() > 0.0 && box.bottom() < 0.25 &&
                box.height() > 0.03 && box.height() < 0.15);
    }
    void cancel()
    {
        // A page long enough that recognition is still running when the cancel arrives.
        QStringList lines;
        for (int i = 0; i < 60; ++i)
            lines.append(u"Line %1 of a long page with enough words to keep Tesseract busy"_s.arg(i));
        CancelToken token;
        std::jthread canceller([token] { // joined even when the check fails
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            token.cancel();
        });
        QVERIFY_THROWS_EXCEPTION(Cancelled,
                                 m_engine.recognize(textImage({1400, 1600}, light, ink, lines), {}, token));
        // The interrupted instance goes back to work cleanly.
        const QImage image = textImage({260, 40}, light, ink, {u"Still working fine"_s});
        QCOMPARE(m_engine.recognize(image, {}, CancelToken()).text(true), u"Still working fine"_s);
    }
    void languageErrorsNameTheLanguage()
    {
        try { // a pack that is not installed
            m_engine.recognize(textImage({50, 50}, light, ink, {}), {.languages = {u"eng"_s, u"tlh"_s}}, {});
            QFAIL("recognised with a missing language");
        } catch (const PlatformError& error) {
            QVERIFY2(error.message().contains(u"tlh"_s), qPrintable(error.message()));
        }
    }
    void languages()
    {
        // Given order, no repeats; German text with umlauts read with German first.
        const OCROptions options{.languages = {u"de-DE"_s, u"en"_s, u"deu"_s}};
        QCOMPARE(m_engine.languageString(options), u"deu+eng"_s);
        const QImage image = textImage({420, 40}, light, ink, {u"Größere Änderungen für Straße"_s});
        QCOMPARE(m_engine.recognize(image, options, CancelToken()).text(true),
                 u"Größere Änderungen für Straße"_s);
        QVERIFY(m_engine.languages().contains(u"deu"_s) && !m_engine.languages().contains(u"osd"_s));
    }

    // With no language given, the installed pack that reads the text best is chosen, whatever
    // the locale, and reported.
    void automaticLanguage_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QStringList>("before"); // read first by the same engine
        QTest::addColumn<int>("px");
        const QStringList german = {u"Größere Änderungen für Straße und Brücke"_s,
                                    u"Bitte prüfen Sie die Hausnummer"_s};
        const QStringList english = {u"Open the settings to change your password"_s, u"Check for updates"_s};
        QTest::newRow("German, C locale") << u"C"_s << german << u"deu+eng"_s << QStringList() << 14;
        QTest::newRow("German, French locale") << u"fr_FR"_s << german << u"deu+eng"_s << QStringList() << 14;
        // The least known line, which the sample takes, reads alike in every language.
        QTest::newRow("German, sample without umlauts")
            << u"C"_s
            << QStringList{u"Verdoppeln des Dateibezeichners nicht"_s, u"Bitte drücken Sie für Größeres"_s}
            << u"deu+eng"_s << QStringList() << 14;
        QTest::newRow("English stays English") << u"en_US"_s << english << u"eng"_s << QStringList() << 14;
        // The earlier choice is only a first guess.
        QTest::newRow("English after German") << u"C"_s << english << u"eng"_s << german << 14;
        // Identifiers are no language's words: code once came out as Spanish.
        QTest::newRow("code after German")
            << u"C"_s
            << QStringList{u"if (count > limit) return nullptr;"_s, u"auto value = table.at(key);"_s}
            << u"eng"_s << german << 14;
        // Another script than the usual language's: the usual one is no baseline to beat.
        const QStringList russian = {u"Адрес не отображается в объект"_s, u"Требуется блочное устройство"_s};
        QTest::newRow("Russian, C locale") << u"C"_s << russian << u"rus+eng"_s << QStringList() << 14;
        QTest::newRow("Russian, English locale")
            << u"en_US"_s << russian << u"rus+eng"_s << QStringList() << 14;
        // Small Cyrillic read by the English model looks sure enough to need no other language.
        QTest::newRow("Russian, 11 px") << u"C"_s << russian << u"rus+eng"_s << QStringList() << 11;
        QTest::newRow("Russian capitals, 11 px")
            << u"en_US"_s << QStringList{u"Поиск ШАБЛОНОВ в каждом ФАЙЛЕ."_s} << u"rus+eng"_s << QStringList()
            << 11;
        QTest::newRow("English after Russian") << u"en_US"_s << english << u"eng"_s << russian << 14;
    }
    void automaticLanguage()
    {
        QFETCH(QString, locale);
        QFETCH(QStringList, lines);
        QFETCH(QString, language);
        QFETCH(QStringList, before);
        QFETCH(int, px);
        TesseractEngine engine; // no choice remembered from other rows
        if (!engine.languages().contains(language.section(u'+', 0, 0)))
            QSKIP("The language's Tesseract pack is not installed.");
        const QLocale previous;
        QLocale::setDefault(QLocale(locale));
        if (!before.isEmpty())
            engine.recognize(textImage({460, 70}, light, ink, before, px), {}, CancelToken());
        const QImage image = textImage({460, 70}, light, ink, lines, px);
        const Recognition recognition = engine.recognize(image, {}, CancelToken());
        QLocale::setDefault(previous);
        QCOMPARE(recognition.text(true), lines.join(u'\n'));
        QCOMPARE(recognition.language, language);
        // Again, as a warm capture: the remembered choice, the same reading.
        QCOMPARE(engine.recognize(image, {}, CancelToken()).language, language);
    }
    // Screens once read wrong: the automatic language, where the packs of several scripts are
    // installed, code, columns, dialogs, names, chats and hashes.
    void screens_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("line");
        // Script detection on a few short labels named Cyrillic.
        QTest::newRow("English labels")
            << u"english-labels.png"_s << u"eng"_s << u"meeting Favorites database April"_s;
        // The German model reads English tab labels surer, letter for letter the same.
        QTest::newRow("English tabs") << u"tab-labels.png"_s << u"eng"_s << u"$19.99 30 ticket customer"_s;
        // The English dictionary holds many French words.
        QTest::newRow("French messages")
            << u"french-messages.png"_s << u"fra+eng"_s << u"Erreur inattendue, fichier"_s;
        // French knew every word of the sample, English half, and French read only as surely.
        QTest::newRow("French options")
            << u"french-options.png"_s << u"fra+eng"_s << u"Construire un paquet Debian implique"_s;
        // Layout analysis dropped labels beside check boxes and the rows of a form as pictures.
        QTest::newRow("labels beside check boxes") << u"dialog-check-boxes.png"_s << u"eng"_s << u"Common"_s;
        // Layout analysis dropped a dialog's bold headings and a button; read as one block of
        // text, they come back.
        QTest::newRow("dialog headings") << u"dialog-check-boxes.png"_s << u"eng"_s << u"DEVELOPMENT"_s;
        QTest::newRow("form in 9 px")
            << u"settings-form-9px.png"_s << u"eng"_s << u"Apache Geronimo Common:"_s;
        // White letters in a dark outline over a photograph: inverting its dark areas cut every
        // letter in two, and nothing read at all.
        QTest::newRow("caption over a photograph")
            << u"caption-over-photo.jpg"_s << u"eng"_s
            << u"contains a notice stating that it is governed by this"_s;
        // Empty parentheses read as "({)".
        QTest::newRow("code, light theme")
            << u"code-light-theme.png"_s << u"eng"_s << u"{ return const_reverse_iterator(this->end()); }"_s;
        // Underscores just under the letters, where this font draws them.
        QTest::newRow("code, solarized theme")
            << u"code-solarized-theme.png"_s << u"eng"_s << u"{ return _M_dataplus; }"_s;
        // Two columns, the unsure lines of each read again together, ran into one another.
        QTest::newRow("blurred columns")
            << u"blurred-columns.png"_s << u"eng"_s << u"roles in the\nFor example, on rare occasions"_s;
        // Lines run across the gutter, their left parts ending far apart in a wide column.
        // Fields read unsure in a dialog whose buttons are panels: only the panels' lines
        // compete with the panels' reading.
        QTest::newRow("dark dialog") << u"dark-dialog.png"_s << u"eng"_s << u"Utility libraries"_s;
        // A bubble whose line of text left no darker cell across it was two panels, the first
        // cutting through the letters.
        QTest::newRow("chat bubbles") << u"chat-bubbles.png"_s << u"eng"_s << u"Changehat AppArmor"_s;
        // A light bubble's dark text in a dark window: inverting the window cut through it, and
        // its time was lost.
        QTest::newRow("light bubble in a dark window")
            << u"light-bubble.png"_s << u"eng"_s << u"from an old archive.\n09:14"_s;
        // Grey bubbles a few levels darker than a grey window, under dim text: one threshold
        // for the whole capture turned them solid.
        QTest::newRow("dim bubbles in a grey window")
            << u"dim-bubbles.png"_s << u"eng"_s
            << u"The ferry leaves at half past seven, so\nbring the maps and a warm coat along."_s;
        // A photographed table a little off level: each row's right end stood above its left.
        QTest::newRow("photographed table off level")
            << u"tilted-table.jpg"_s << u"eng"_s
            << u"ii gawk 1:5.2.1-2 amd64 GNU awk, a pattern scanning tool"_s;
        // A photographed chat under uneven light: polarity normalisation inverted the window
        // about its orange bubbles and left them lighter, so none was read as a panel.
        QTest::newRow("photographed bubbles")
            << u"photographed-chat.jpg"_s << u"eng"_s << u"Parking is free after six on weekdays."_s;
        // Grey on grey: the menu bar's labels were no darker than the capture's middle grey by
        // enough to count as ink, only than the bar around them.
        QTest::newRow("faint menu bar")
            << u"low-contrast-menu.png"_s << u"eng"_s << u"Archive Edit View Tools Settings"_s;
        // Chips of many colours on a dark window: no grey threshold suits them all, and the
        // outlined ones were lost. Read each on its own, a filled chip's rounded corners showed
        // the window, read as signs at the ends of its label.
        QTest::newRow("chips on a dark window")
            << u"chips-dark-window.png"_s << u"eng"_s << u"Apple harvest Quiet morning Lantern"_s;
        QTest::newRow("outlined chip on a dark window")
            << u"chips-dark-window.png"_s << u"eng"_s << u"River stones Copper kettle Open window"_s;
        // Outlined buttons on white, saved as a JPEG: layout analysis took labels for pictures,
        // and ringing widened the outlines by speckled pixels.
        QTest::newRow("outlined chips in a JPEG") << u"outlined-chips.png"_s << u"eng"_s
                                                  << u"Marble steps Quiet harbour\nLamp oil Northern ridge"_s;
        // A dialog's title over a dark backdrop, with two lines read: the taller, a row of
        // buttons, set the size of the words looked for, and the title was too small.
        QTest::newRow("dialog title with few lines")
            << u"dialog-title-backdrop.png"_s << u"eng"_s << u"Rename"_s;
        // A menu blurred by a pixel: its strokes ran together under every threshold until the
        // capture was also read sharpened.
        QTest::newRow("blurred menu")
            << u"blurred-menu.png"_s << u"eng"_s << u"Redo Merge Layers\nFade Last"_s;
        // White on an orange chip in a dark window: the window in the chip's corners outweighed
        // the letters, which were taken for a rim lighter than the paper and whitened.
        QTest::newRow("chip in a dark window") << u"archived-chip.png"_s << u"eng"_s << u"Archived"_s;
        // A capture of one word on a round chip and in an outlined button: the window about the
        // chip, inverted, and the outline each made the word a picture.
        QTest::newRow("round chip") << u"round-chip.png"_s << u"eng"_s << u"both"_s;
        QTest::newRow("outlined button") << u"outlined-button.png"_s << u"eng"_s << u"Export"_s;
        // A rounded button read as a panel: the dialog's paper in its corners, dark once the
        // button is inverted, drew the text line from corner to corner and the label was lost.
        QTest::newRow("rounded button") << u"rounded-button.png"_s << u"eng"_s << u"Cancel Apply"_s;
        // Lines of light text across a bubble left only its top and bottom as panels.
        QTest::newRow("long bubble") << u"long-bubble.png"_s << u"eng"_s
                                     << u"disponible para compatibilidad con otros"_s;
        // A hash both readings agree on, which Tesseract marks as barely possible.
        QTest::newRow("hashes") << u"hashes.png"_s << u"eng"_s << u"2c49e6d824a734b9a79181c0"_s;
        // A grey button's label read in one line with the coloured button's beside it.
        QTest::newRow("dialog buttons") << u"dialog-buttons.png"_s << u"eng"_s << u"Cancel"_s;
        // A short name first in a line, a little taller than the words after it, is no icon.
        QTest::newRow("name first") << u"name-first.png"_s << u"eng"_s << u"Qt 6 SQL module"_s;
        // A paragraph's last line ends far from the gutter the other lines end near.
        QTest::newRow("German columns") << u"german-columns.png"_s << u"deu+eng"_s
                                        << u"Annahme von xz hat, sowie\nAlle im Multi-Thread-Modus"_s;
        // Tesseract read an underscore into the gutter, which joined the columns either side.
        QTest::newRow("underscore in a gutter")
            << u"gutter-underscore.png"_s << u"eng"_s
            << u"alternate expression. Precedence\nRepetition takes precedence"_s;
        // A rule drawn down the gutter read as a tall bar at the end of a left-hand line.
        QTest::newRow("rule in a gutter")
            << u"spanish-rule.png"_s << u"spa+eng"_s << u"Dese cuenta que dentro de un\nentorno fakeroot"_s;
        // Small Cyrillic that script detection could not name, whose sample line held words
        // no dictionary knows; and English names in a Russian chat's dark bubbles.
        QTest::newRow("Russian columns")
            << u"russian-columns.png"_s << u"rus+eng"_s << u"Корнем дерева является pid или init,"_s;
        QTest::newRow("Russian chat")
            << u"russian-chat.png"_s << u"rus+eng"_s << u"vim - Vi IMproved (Улучшенный Vi)"_s;
        QTest::newRow("aliased columns")
            << u"aliased-columns.png"_s << u"eng"_s << u"Package\nProject zonal metadata values propagate"_s;
        // Tesseract ran a sidebar's items into the prose beside them; the toolbar over both
        // must not be cut where the prose begins.
        QTest::newRow("sidebar items run into prose under a toolbar")
            << u"sidebar-window.png"_s << u"eng"_s << u"Graphics\nNetwork\nLibraries"_s;
        QTest::newRow("toolbar over a sidebar")
            << u"sidebar-window.png"_s << u"eng"_s << u"Install Remove Show files\nGraphics"_s;
        // Columns of three lines and of two, each line run into the one beside it.
        QTest::newRow("short columns")
            << u"short-columns.png"_s << u"eng"_s << u"distributed on an AS IS BASIS.\nLicensed under"_s;
        QTest::newRow("two lines beside four")
            << u"two-line-column.png"_s << u"eng"_s << u"the License.\nYou must give"_s;
        // Shortcuts in small type read "Ctri+R", "Cctri+Q", "Ctrl+w".
        QTest::newRow("menu shortcuts")
            << u"menu-shortcuts.png"_s << u"eng"_s << u"Open Recent Ctrl+R\nSave a Copy Ctrl+Shift+S"_s;
        QTest::newRow("menu shortcut keys")
            << u"menu-shortcuts.png"_s << u"eng"_s << u"Close Window Ctrl+W\nQuit Ctrl+Q"_s;
        // A dark pane's small light label that layout analysis left out read garbled as given.
        QTest::newRow("label on a dark sidebar")
            << u"dark-sidebar.png"_s << u"eng"_s << u"Kernel\nScanners"_s;
        // Tesseract read each cell of a row as a line of its own.
        QTest::newRow("table rows") << u"package-table.png"_s << u"eng"_s
                                    << u"libkf5bookmarks5 5.103.0-1 347 11/25/2017 $6,491.40"_s;
        // The left end of a T's bar read as an opening quote.
        QTest::newRow("word after a tab stop") << u"tab-stops.png"_s << u"eng"_s << u"3.14 Tuesday"_s;
        // On paper of a middle shade, the letters alone darkened a speck of the neighbourhood
        // enough to be inverted, half a letter with it.
        QTest::newRow("gradient paper") << u"gradient-paper.png"_s << u"eng"_s << u"complements the GNU"_s;
        // Columns of small text either side of a rule: the plain reading ran them into one
        // line, which once joined the prepared reading's lines either side of the gutter.
        QTest::newRow("columns beside a rule")
            << u"ruled-columns.png"_s << u"eng"_s << u"matching lines for each\ninput"_s;
        // The light text of a selected row read unsure, and nothing where the plain reading
        // looked: the row was dropped.
        QTest::newRow("selected menu row") << u"olive-menu-row.png"_s << u"eng"_s << u"utility to convert"_s;
        // A translucent panel over a photograph: the global threshold lost a line where the
        // photograph is light.
        QTest::newRow("panel over a photograph")
            << u"panel-over-photo.jpg"_s << u"eng"_s << u"discovered, and\nsuppresses"_s;
        // A dark panel on a light photograph: polarity normalisation stopped short of the
        // panel's edge, and the first letters of each line were lost.
        QTest::newRow("dark panel's edge")
            << u"dark-panel-edge.jpg"_s << u"eng"_s
            << u"libraries for the PipeWire multimedia server -\nmodules\nlibgcrypt"_s;
        // Two lines of a short column run into the longer one beside it, line for line.
        QTest::newRow("short column beside a longer one")
            << u"uneven-columns.png"_s << u"eng"_s << u"covered by this License.\nIf, pursuant"_s;
        // Icons before labels in two columns, which Tesseract ran into one line each.
        QTest::newRow("icons in two columns")
            << u"icon-list.png"_s << u"eng"_s << u"Under Mouse Align\nSwap External commands"_s;
        // A red button too small to be inverted, its white label dropped.
        QTest::newRow("red button") << u"red-button.png"_s << u"eng"_s << u"Minimum Y"_s;
        // Three columns, the middle one short: lines ran from the first column into the third,
        // across the empty middle, and hid the second gutter.
        QTest::newRow("three columns")
            << u"three-columns.png"_s << u"eng"_s << u"ItemModels, such as grouping\ninto categories"_s;
        // A sidebar's list beside prose, on a pitch of its own, its filled icons close to the
        // labels: read first, without the icons.
        QTest::newRow("sidebar beside prose")
            << u"sidebar-list.png"_s << u"eng"_s << u"Testing Mirrors\nSort indicator"_s;
        // Tesseract ran each item into the prose beside it, where a column's lines begin.
        QTest::newRow("sidebar run into prose")
            << u"sidebar-icons.png"_s << u"eng"_s << u"Strong\nVolume Down\nGeneric font"_s;
        // A row cut at the gutter before its description left an icon and a label alone,
        // without spaces of their own to measure the icon's distance by.
        QTest::newRow("icon and label cut from a row")
            << u"icon-label-table.png"_s << u"eng"_s << u"file support\nlibec1-0"_s;
        // A Russian menu whose few least known lines script detection took for Latin.
        QTest::newRow("Russian menu") << u"russian-menu.png"_s << u"rus+eng"_s << u"Фокус при отображении"_s;
        // Folder icons far fainter than their labels, read as signs before them.
        QTest::newRow("faint icons") << u"faint-icons.png"_s << u"eng"_s << u"Wayanad\nSa'ban"_s;
        // A title bar's round window buttons, read as letters after the title.
        QTest::newRow("window buttons") << u"title-buttons.png"_s << u"eng"_s << u"FOUND TOC\nMeroitic"_s;
        // Layout analysis left out a table's column of short cells.
        QTest::newRow("column of short cells")
            << u"package-list.png"_s << u"eng"_s << u"fonts-hack 3.003-3 all Typeface designed for source"_s;
    }
    void screens()
    {
        QFETCH(QString, fixture);
        QFETCH(QString, language);
        QFETCH(QString, line);
        TesseractEngine engine;
        if (!engine.languages().contains(language.section(u'+', 0, 0)))
            QSKIP("The language's Tesseract pack is not installed.");
        const QImage image(QFINDTESTDATA(u"fixtures/"_s + fixture));
        QVERIFY(!image.isNull());
        const Recognition recognition = engine.recognize(image, {}, CancelToken());
        QCOMPARE(recognition.language, language);
        QVERIFY2(recognition.text(true).contains(line), qPrintable(recognition.text(true)));
    }
    // Shapes read as text: a chip's or a button's edge, a filled pill.
    void shapeIsNoText_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("text");
        // The chip's rounded end read as a line of its own.
        QTest::newRow("chip's end") << u"deployed-chip.png"_s << u"Deployed"_s;
        // The outline read after the label, at the side of the capture.
        QTest::newRow("button's outline") << u"upload-button.png"_s << u"Upload"_s;
        // A pill just before a line, read as two capitals.
        QTest::newRow("pill before a line")
            << u"pill-before-line.png"_s
            << u"Keep the spare keys in the drawer\nunder the kettle, not by the door.\n"
               "The bins go out on Thursday nights."_s;
    }
    void shapeIsNoText()
    {
        QFETCH(QString, fixture);
        QFETCH(QString, text);
        const QImage image(QFINDTESTDATA(u"fixtures/"_s + fixture));
        QCOMPARE(m_engine.recognize(image, {.languages = {u"eng"_s}}, CancelToken()).text(true), text);
    }
    // Chat bubbles whose text was lost while the rest read sure.
    void bubbles_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("line");
        // Layout analysis took light text in dark blue bubbles for pictures.
        QTest::newRow("blue bubbles") << u"blue-bubbles.png"_s << u"prefijo.NofM.deb, siendo N el"_s;
        // Grey bubbles a little lighter than a dark window: Tesseract's threshold turned them
        // solid, and they were too faint to be read as panels.
        QTest::newRow("grey bubbles")
            << u"grey-bubbles.png"_s << u"quiere enviar el mensaje. . .gpg.keygen.valid Introduzca el"_s;
    }
    void bubbles()
    {
        QFETCH(QString, fixture);
        QFETCH(QString, line);
        const QImage image(QFINDTESTDATA(u"fixtures/"_s + fixture));
        QVERIFY(!image.isNull());
        const QString text = m_engine.recognize(image, {.languages = {u"eng"_s}}, CancelToken()).text(true);
        QVERIFY2(text.contains(line), qPrintable(text));
    }
    // Tesseract refuses a side above 32767 pixels: a long scrolling screenshot is read in tiles,
    // each line once, including one across a seam.
    void tallImage()
    {
        QImage image(500, 34000, QImage::Format_RGB32);
        image.fill(light);
        const QStringList lines = {u"First line at the top"_s, u"Across the first seam"_s,
                                   u"Last line below"_s};
        const QList<int> at = {20, 15590, 33900};
        {
            QPainter painter(&image);
            QFont font(u"DejaVu Sans"_s);
            font.setPixelSize(20);
            painter.setFont(font);
            painter.setPen(ink);
            for (int i = 0; i < lines.size(); ++i)
                painter.drawText(10, at.at(i) + 20, lines.at(i));
        }
        const Recognition recognition = m_engine.recognize(image, {}, CancelToken());
        QCOMPARE(recognition.text(true), lines.join(u'\n'));
        // Boxes in the whole image: the last line near the bottom.
        QVERIFY(recognition.blocks.size() == 3);
        for (const TextBlock& block : recognition.blocks)
            if (block.text == lines.last())
                QVERIFY(block.y < 0.01);
    }

private:
    TesseractEngine m_engine;
};

QTEST_MAIN(TestTesseractEngine)
#include "test_tesseractengine.moc"
