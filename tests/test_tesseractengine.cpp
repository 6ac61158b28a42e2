// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Errors.h"
#include "core/TesseractEngine.h"

#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <thread>

using namespace vellumix;
using namespace Qt::StringLiterals;

namespace {

const QColor light(0xff, 0xff, 0xff);
const QColor ink(0x1d, 0x1d, 0x1f);
const QColor darkBackground(0x1e, 0x1e, 0x1e);
const QColor darkInk(0xd4, 0xd4, 0xd4);

// Lines of text drawn from `at` onto `image`.
void draw(QImage& image, const QStringList& lines, QPoint at, int pixels, const QColor& colour)
{
    QPainter painter(&image);
    QFont font(u"DejaVu Sans"_s);
    font.setPixelSize(pixels);
    painter.setFont(font);
    painter.setPen(colour);
    const QFontMetrics metrics = painter.fontMetrics();
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(at + QPoint(0, metrics.ascent() + int(metrics.height() * 1.5) * i), lines.at(i));
}

QImage
textImage(QSize size, QColor paper, QColor colour, const QStringList& lines, int px = 14, QPoint at = {8, 8})
{
    QImage image(size, paper.alpha() == 255 ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    image.fill(paper);
    draw(image, lines, at, px, colour);
    return image;
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
        const QStringList lines = {u"Invoice 4521 is due on Friday"_s, u"Open Settings to change it"_s};
        const QImage lightImage = textImage({300, 70}, light, ink, lines, 12);
        QTest::newRow("light, accurate") << lightImage << false << lines << QStringList();
        QTest::newRow("light, fast") << lightImage << true << lines << QStringList();
        QTest::newRow("dark theme") << textImage({300, 70}, darkBackground, darkInk, lines, 12) << false
                                    << lines << QStringList();
        QTest::newRow("transparent background")
            << textImage({300, 70}, Qt::transparent, Qt::black, lines, 12) << false << lines << QStringList();
        QTest::newRow("9 px text is upscaled")
            << textImage({200, 50}, light, ink, lines, 9, {6, 6}) << false << lines << QStringList();
        // Global binarisation turns a dark panel into one black blob; its labels must survive.
        const QStringList right{u"Quarterly report is ready"_s, u"Shared with the team"_s};
        QImage window = textImage({520, 120}, light, ink, right, 13, {180, 12});
        QPainter(&window).fillRect(0, 0, 150, 120, darkBackground);
        draw(window, {u"Downloads"_s, u"Pictures"_s}, {12, 12}, 13, darkInk);
        QTest::newRow("dark sidebar in a light window")
            << window << false << QStringList{u"Downloads"_s, u"Pictures"_s} + right << QStringList();

        const QString payload = u"https://example.org/vellumix"_s;
        QImage inverted = qr(payload);
        inverted.invertPixels();
        QTest::newRow("QR only") << qr(payload) << false << QStringList() << QStringList{payload};
        QTest::newRow("light on dark QR") << inverted << false << QStringList() << QStringList{payload};
        // The bundled sample: lines level with a code, whose modules must not join them as text.
        QTest::newRow("QR beside text")
            << QImage(QStringLiteral(VELLUMIX_SOURCE_DIR "/docs/sample.png")) << false
            << QStringList{u"Everything stays on this computer: no network, ever."_s,
                           u"Invoice #4521 - total 1,280.50 EUR - due 2026-03-18"_s,
                           u"Vellumix reads the text on your screen."_s}
            << QStringList{payload};
        QTest::newRow("null image") << QImage() << false << QStringList() << QStringList();
        QTest::newRow("one pixel high strip")
            << textImage({2000, 1}, ink, ink, {}) << false << QStringList() << QStringList();
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
        QCOMPARE(recognition.codes, codes);
    }
    void boxesDescribeTheInput()
    {
        // One line in the lower-right quarter of an image small enough to be upscaled first.
        const Recognition recognition = m_engine.recognize(
            textImage({400, 200}, light, ink, {u"Lower right"_s}, 14, {220, 150}), {}, CancelToken());
        QCOMPARE(recognition.blocks.size(), 1);
        const QRectF box = recognition.blocks.first().rect();
        QVERIFY(box.left() > 0.5 && box.right() < 1.0 && box.top() > 0.0 && box.bottom() < 0.25);
        QVERIFY(box.height() > 0.03 && box.height() < 0.15);
    }
    void cancel()
    {
        CancelToken cancelled;
        cancelled.cancel();
        QVERIFY_THROWS_EXCEPTION(Cancelled, m_engine.recognize(qr(u"never read"_s), {}, cancelled));

        // A page long enough that recognition is still running when the cancel arrives.
        QStringList lines;
        for (int i = 0; i < 60; ++i)
            lines.append(u"Line %1 of a long page with enough words to keep Tesseract busy"_s.arg(i));
        const QImage page = textImage({1400, 1600}, light, ink, lines);
        CancelToken token;
        std::jthread canceller([token] { // joined even when the check fails
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            token.cancel();
        });
        QVERIFY_THROWS_EXCEPTION(Cancelled, m_engine.recognize(page, {}, token));

        // The instance that was interrupted goes back to work cleanly.
        const QImage image = textImage({260, 40}, light, ink, {u"Still working fine"_s});
        QCOMPARE(m_engine.recognize(image, {}, CancelToken()).text(true), u"Still working fine"_s);
    }
    void languageErrorsNameTheLanguage()
    {
        // Not a language at all, and a pack that is not installed.
        for (const QString& named : {u"xx-Nowhere"_s, u"tlh"_s}) {
            try {
                m_engine.recognize(textImage({50, 50}, light, ink, {}), {.languages = {u"eng"_s, named}}, {});
                QFAIL("recognised with a missing language");
            } catch (const PlatformError& error) {
                QVERIFY2(error.message().contains(named), qPrintable(error.message()));
            }
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

        const QStringList names = m_engine.languages();
        QVERIFY(names.contains(u"eng"_s) && !names.contains(u"osd"_s));
        QVERIFY(std::is_sorted(names.begin(), names.end()));
        // A folder without packs still offers English rather than nothing.
        QCOMPARE(TesseractEngine(u"/nonexistent"_s).languages(), QStringList{u"eng"_s});
    }

private:
    TesseractEngine m_engine;
};

QTEST_MAIN(TestTesseractEngine)
#include "test_tesseractengine.moc"
