// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Errors.h"
#include "core/TesseractEngine.h"

#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>

#include <QFont>
#include <QFontMetrics>
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

QFont font(int pixels)
{
    QFont f(u"DejaVu Sans"_s);
    f.setPixelSize(pixels);
    return f;
}

// Lines of text drawn at (x, y) in a canvas of the given size.
void draw(QImage& image, const QStringList& lines, QPoint at, int pixels, const QColor& colour)
{
    QPainter painter(&image);
    painter.setFont(font(pixels));
    painter.setPen(colour);
    const QFontMetrics metrics(font(pixels));
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(at + QPoint(0, metrics.ascent() + int(metrics.height() * 1.5) * i), lines.at(i));
}

QImage canvas(QSize size, const QColor& background, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(size, format);
    image.fill(background);
    return image;
}

QImage qr(const QString& payload, int module)
{
    const ZXing::BitMatrix matrix = ZXing::MultiFormatWriter(ZXing::BarcodeFormat::QRCode)
                                        .setMargin(4)
                                        .encode(payload.toStdString(), 0, 0);
    QImage image(matrix.width() * module, matrix.height() * module, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int y = 0; y < matrix.height(); ++y)
        for (int x = 0; x < matrix.width(); ++x)
            if (matrix.get(x, y))
                painter.fillRect(x * module, y * module, module, module, Qt::black);
    return image;
}

QStringList texts(const Recognition& recognition)
{
    QStringList result;
    for (const TextBlock& block : recognition.blocks)
        result.append(block.text);
    return result;
}

} // namespace

class TestTesseractEngine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsScreenText_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<bool>("fast");
        QTest::addColumn<QStringList>("vocabulary");
        const QStringList lines = {u"Invoice 4521 is due on Friday"_s, u"Open Settings to change it"_s};
        QImage lightImage = canvas({300, 70}, light);
        draw(lightImage, lines, {8, 8}, 12, ink);
        QImage darkImage = canvas({300, 70}, darkBackground);
        draw(darkImage, lines, {8, 8}, 12, darkInk);
        QImage transparent = canvas({300, 70}, Qt::transparent, QImage::Format_ARGB32_Premultiplied);
        draw(transparent, lines, {8, 8}, 12, Qt::black);
        QImage small = canvas({200, 50}, light);
        draw(small, lines, {6, 6}, 9, ink);
        QTest::newRow("light, accurate") << lightImage << false << QStringList();
        QTest::newRow("light, fast") << lightImage << true << QStringList();
        QTest::newRow("dark theme") << darkImage << false << QStringList();
        QTest::newRow("transparent background") << transparent << false << QStringList();
        QTest::newRow("9 px text is upscaled") << small << false << QStringList();
        QTest::newRow("custom words") << lightImage << false << QStringList{u"Vellumix"_s};
    }
    void readsScreenText()
    {
        QFETCH(QImage, image);
        QFETCH(bool, fast);
        QFETCH(QStringList, vocabulary);
        OCROptions options;
        options.fast = fast;
        options.vocabulary = vocabulary;
        const Recognition recognition = m_engine.recognize(image, options, CancelToken());
        QCOMPARE(recognition.text(true), u"Invoice 4521 is due on Friday\nOpen Settings to change it"_s);
        for (const TextBlock& block : recognition.blocks)
            QVERIFY(block.confidence >= 0.15f && block.confidence <= 1.0f);
        QVERIFY(recognition.codes.isEmpty());
        QVERIFY(recognition.seconds > 0.0);
    }
    void darkSidebarInLightWindow()
    {
        // Global binarisation turns a dark panel into one black blob; its labels must survive.
        QImage window = canvas({520, 120}, light);
        {
            QPainter painter(&window);
            painter.fillRect(0, 0, 150, 120, darkBackground);
        }
        draw(window, {u"Downloads"_s, u"Pictures"_s}, {12, 12}, 13, darkInk);
        draw(window, {u"Quarterly report is ready"_s, u"Shared with the team"_s}, {180, 12}, 13, ink);
        const QStringList found = texts(m_engine.recognize(window, {}, CancelToken()));
        for (const QString& expected :
             {u"Downloads"_s, u"Pictures"_s, u"Quarterly report is ready"_s, u"Shared with the team"_s})
            QVERIFY2(found.contains(expected), qPrintable(found.join(u'|')));
    }
    void boxesAreNormalisedWithLowerLeftOrigin()
    {
        // One line in the lower-right quarter of the image.
        QImage image = canvas({400, 200}, light);
        draw(image, {u"Lower right"_s}, {220, 150}, 14, ink);
        const Recognition recognition = m_engine.recognize(image, {}, CancelToken());
        QCOMPARE(recognition.blocks.size(), 1);
        const QRectF box = recognition.blocks.first().rect();
        QVERIFY2(box.left() > 0.5 && box.right() < 1.0, qPrintable(QString::number(box.left())));
        QVERIFY2(box.top() > 0.0 && box.bottom() < 0.25, qPrintable(QString::number(box.top()))); // near y 0
        QVERIFY(box.height() > 0.03 && box.height() < 0.15);
    }
    void codes_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<QStringList>("lines");
        const QString payload = u"https://example.org/vellumix"_s;
        QImage inverted = qr(payload, 4);
        inverted.invertPixels();
        QImage withText = canvas({400, 160}, light);
        {
            QPainter painter(&withText);
            painter.drawImage(240, 0, qr(u"WIFI:S:Office;;"_s, 4));
        }
        draw(withText, {u"Scan to join"_s}, {10, 20}, 14, ink);
        QTest::newRow("QR only") << qr(payload, 4) << QStringList{payload} << QStringList();
        QTest::newRow("light on dark QR") << inverted << QStringList{payload} << QStringList();
        QTest::newRow("QR beside text")
            << withText << QStringList{u"WIFI:S:Office;;"_s} << QStringList{u"Scan to join"_s};
    }
    void codes()
    {
        QFETCH(QImage, image);
        QFETCH(QStringList, codes);
        QFETCH(QStringList, lines);
        const Recognition recognition = m_engine.recognize(image, {}, CancelToken());
        QCOMPARE(recognition.codes, codes);
        // The code's modules are not text.
        QCOMPARE(texts(recognition), lines);
    }
    void emptyAndTinyImages_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::newRow("null image") << QImage();
        QTest::newRow("1 x 1") << canvas({1, 1}, light);
        QTest::newRow("10 x 10 blank") << canvas({10, 10}, light);
        QTest::newRow("one pixel high strip") << canvas({2000, 1}, ink);
    }
    void emptyAndTinyImages()
    {
        QFETCH(QImage, image);
        const Recognition recognition = m_engine.recognize(image, {}, CancelToken());
        QVERIFY(recognition.blocks.isEmpty());
        QVERIFY(recognition.codes.isEmpty());
    }
    void cancelBeforeStart()
    {
        CancelToken token;
        token.cancel();
        QImage image = canvas({200, 40}, light);
        draw(image, {u"never read"_s}, {5, 5}, 14, ink);
        QVERIFY_THROWS_EXCEPTION(Cancelled, m_engine.recognize(image, {}, token));
    }
    void cancelDuringRecognition()
    {
        // A page long enough that recognition is still running when the cancel arrives.
        QImage page = canvas({1400, 1600}, light);
        QStringList lines;
        for (int i = 0; i < 60; ++i)
            lines.append(u"Line %1 of a long page with enough words to keep Tesseract busy"_s.arg(i));
        draw(page, lines, {10, 10}, 14, ink);

        CancelToken token;
        std::thread canceller([token] {
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            token.cancel();
        });
        bool cancelled = false;
        try {
            m_engine.recognize(page, {}, token);
        } catch (const Cancelled&) {
            cancelled = true;
        }
        canceller.join();
        QVERIFY(cancelled);

        // The instance that was interrupted goes back to work cleanly.
        QImage image = canvas({260, 40}, light);
        draw(image, {u"Still working fine"_s}, {8, 8}, 14, ink);
        QCOMPARE(m_engine.recognize(image, {}, CancelToken()).text(true), u"Still working fine"_s);
    }
    void languageErrorsNameTheLanguage_data()
    {
        QTest::addColumn<QStringList>("languages");
        QTest::addColumn<QString>("named");
        QTest::newRow("not a language") << QStringList{u"xx-Nowhere"_s} << u"xx-Nowhere"_s;
        QTest::newRow("pack not installed") << QStringList{u"eng"_s, u"tlh"_s} << u"tlh"_s;
        QTest::newRow("code of a missing pack") << QStringList{u"sr-Latn"_s} << u"sr-Latn"_s;
    }
    void languageErrorsNameTheLanguage()
    {
        QFETCH(QStringList, languages);
        QFETCH(QString, named);
        OCROptions options;
        options.languages = languages;
        try {
            m_engine.recognize(canvas({50, 50}, light), options, CancelToken());
            QFAIL("recognised with a missing language");
        } catch (const PlatformError& error) {
            QVERIFY2(error.message().contains(named), qPrintable(error.message()));
        }
    }
    void languageChoice()
    {
        OCROptions options;
        options.languages = {u"de-DE"_s, u"en"_s, u"deu"_s};
        QCOMPARE(m_engine.languageString(options), u"deu+eng"_s); // given order, no repeats
        options.languages.clear();
        options.automaticLanguage = false;
        QCOMPARE(m_engine.languageString(options), u"eng"_s);

        // German text with umlauts, read with German first.
        QImage image = canvas({420, 40}, light);
        draw(image, {u"Größere Änderungen für Straße"_s}, {8, 8}, 14, ink);
        options.languages = {u"de"_s};
        QCOMPARE(m_engine.recognize(image, options, CancelToken()).text(true),
                 u"Größere Änderungen für Straße"_s);
    }
    void installedLanguages()
    {
        const QStringList names = m_engine.languages();
        QVERIFY(names.contains(u"eng"_s));
        QVERIFY(!names.contains(u"osd"_s));
        QStringList sorted = names;
        sorted.sort();
        QCOMPARE(names, sorted);
        // A folder without packs still offers English rather than nothing.
        QCOMPARE(TesseractEngine(u"/nonexistent"_s).languages(), QStringList{u"eng"_s});
    }

private:
    TesseractEngine m_engine;
};

QTEST_MAIN(TestTesseractEngine)
#include "test_tesseractengine.moc"
