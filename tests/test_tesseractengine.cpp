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

namespace {

const QColor light(0xff, 0xff, 0xff);
const QColor ink(0x1d, 0x1d, 0x1f);
const QColor darkBackground(0x1e, 0x1e, 0x1e);
const QColor darkInk(0xd4, 0xd4, 0xd4);

QFont font(int pixels)
{
    QFont f(QStringLiteral("DejaVu Sans"));
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
    void readsScreenText_data();
    void readsScreenText();
    void darkSidebarInLightWindow();
    void boxesAreNormalisedWithLowerLeftOrigin();
    void codes_data();
    void codes();
    void emptyAndTinyImages_data();
    void emptyAndTinyImages();
    void cancelBeforeStart();
    void cancelDuringRecognition();
    void languageErrorsNameTheLanguage_data();
    void languageErrorsNameTheLanguage();
    void languageChoice();
    void installedLanguages();

private:
    TesseractEngine m_engine;
};

void TestTesseractEngine::readsScreenText_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<bool>("fast");
    QTest::addColumn<QStringList>("vocabulary");
    const QStringList lines = {QStringLiteral("Invoice 4521 is due on Friday"),
                               QStringLiteral("Open Settings to change it")};
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
    QTest::newRow("dark theme, fast") << darkImage << true << QStringList();
    QTest::newRow("transparent background") << transparent << false << QStringList();
    QTest::newRow("9 px text is upscaled") << small << false << QStringList();
    QTest::newRow("custom words") << lightImage << false << QStringList{QStringLiteral("Vellumix")};
}

void TestTesseractEngine::readsScreenText()
{
    QFETCH(QImage, image);
    QFETCH(bool, fast);
    QFETCH(QStringList, vocabulary);
    OCROptions options;
    options.fast = fast;
    options.vocabulary = vocabulary;
    const Recognition recognition = m_engine.recognize(image, options, CancelToken());
    QCOMPARE(recognition.text(true),
             QStringLiteral("Invoice 4521 is due on Friday\nOpen Settings to change it"));
    for (const TextBlock& block : recognition.blocks)
        QVERIFY(block.confidence >= 0.15f && block.confidence <= 1.0f);
    QVERIFY(recognition.codes.isEmpty());
    QVERIFY(recognition.seconds > 0.0);
}

void TestTesseractEngine::darkSidebarInLightWindow()
{
    // Global binarisation turns a dark panel into one black blob; its labels must survive.
    QImage window = canvas({520, 120}, light);
    {
        QPainter painter(&window);
        painter.fillRect(0, 0, 150, 120, darkBackground);
    }
    draw(window, {QStringLiteral("Downloads"), QStringLiteral("Pictures")}, {12, 12}, 13, darkInk);
    draw(window, {QStringLiteral("Quarterly report is ready"), QStringLiteral("Shared with the team")},
         {180, 12}, 13, ink);
    const QStringList found = texts(m_engine.recognize(window, {}, CancelToken()));
    for (const QString& expected :
         {QStringLiteral("Downloads"), QStringLiteral("Pictures"),
          QStringLiteral("Quarterly report is ready"), QStringLiteral("Shared with the team")})
        QVERIFY2(found.contains(expected), qPrintable(found.join(QLatin1Char('|'))));
}

void TestTesseractEngine::boxesAreNormalisedWithLowerLeftOrigin()
{
    // One line in the lower-right quarter of the image.
    QImage image = canvas({400, 200}, light);
    draw(image, {QStringLiteral("Lower right")}, {220, 150}, 14, ink);
    const Recognition recognition = m_engine.recognize(image, {}, CancelToken());
    QCOMPARE(recognition.blocks.size(), 1);
    const QRectF box = recognition.blocks.first().rect();
    QVERIFY2(box.left() > 0.5 && box.right() < 1.0, qPrintable(QString::number(box.left())));
    QVERIFY2(box.top() > 0.0 && box.bottom() < 0.25, qPrintable(QString::number(box.top()))); // near y 0
    QVERIFY(box.height() > 0.03 && box.height() < 0.15);
}

void TestTesseractEngine::codes_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QStringList>("lines");
    const QString payload = QStringLiteral("https://example.org/vellumix");
    QImage inverted = qr(payload, 4);
    inverted.invertPixels();
    QImage withText = canvas({400, 160}, light);
    {
        QPainter painter(&withText);
        painter.drawImage(240, 0, qr(QStringLiteral("WIFI:S:Office;;"), 4));
    }
    draw(withText, {QStringLiteral("Scan to join")}, {10, 20}, 14, ink);
    QTest::newRow("QR only") << qr(payload, 4) << QStringList{payload} << QStringList();
    QTest::newRow("light on dark QR") << inverted << QStringList{payload} << QStringList();
    QTest::newRow("QR beside text") << withText << QStringList{QStringLiteral("WIFI:S:Office;;")}
                                    << QStringList{QStringLiteral("Scan to join")};
}

void TestTesseractEngine::codes()
{
    QFETCH(QImage, image);
    QFETCH(QStringList, codes);
    QFETCH(QStringList, lines);
    const Recognition recognition = m_engine.recognize(image, {}, CancelToken());
    QCOMPARE(recognition.codes, codes);
    // The code's modules are not text.
    QCOMPARE(texts(recognition), lines);
}

void TestTesseractEngine::emptyAndTinyImages_data()
{
    QTest::addColumn<QImage>("image");
    QTest::newRow("null image") << QImage();
    QTest::newRow("1 x 1") << canvas({1, 1}, light);
    QTest::newRow("10 x 10 blank") << canvas({10, 10}, light);
    QTest::newRow("one pixel high strip") << canvas({2000, 1}, ink);
}

void TestTesseractEngine::emptyAndTinyImages()
{
    QFETCH(QImage, image);
    const Recognition recognition = m_engine.recognize(image, {}, CancelToken());
    QVERIFY(recognition.blocks.isEmpty());
    QVERIFY(recognition.codes.isEmpty());
}

void TestTesseractEngine::cancelBeforeStart()
{
    CancelToken token;
    token.cancel();
    QImage image = canvas({200, 40}, light);
    draw(image, {QStringLiteral("never read")}, {5, 5}, 14, ink);
    QVERIFY_THROWS_EXCEPTION(Cancelled, m_engine.recognize(image, {}, token));
}

void TestTesseractEngine::cancelDuringRecognition()
{
    // A page long enough that recognition is still running when the cancel arrives.
    QImage page = canvas({1400, 1600}, light);
    QStringList lines;
    for (int i = 0; i < 60; ++i)
        lines.append(
            QStringLiteral("Line %1 of a long page with enough words to keep Tesseract busy").arg(i));
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
    draw(image, {QStringLiteral("Still working fine")}, {8, 8}, 14, ink);
    QCOMPARE(m_engine.recognize(image, {}, CancelToken()).text(true), QStringLiteral("Still working fine"));
}

void TestTesseractEngine::languageErrorsNameTheLanguage_data()
{
    QTest::addColumn<QStringList>("languages");
    QTest::addColumn<QString>("named");
    QTest::newRow("not a language") << QStringList{QStringLiteral("xx-Nowhere")}
                                    << QStringLiteral("xx-Nowhere");
    QTest::newRow("pack not installed")
        << QStringList{QStringLiteral("eng"), QStringLiteral("tlh")} << QStringLiteral("tlh");
    QTest::newRow("code of a missing pack")
        << QStringList{QStringLiteral("sr-Latn")} << QStringLiteral("sr-Latn");
}

void TestTesseractEngine::languageErrorsNameTheLanguage()
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

void TestTesseractEngine::languageChoice()
{
    OCROptions options;
    options.languages = {QStringLiteral("de-DE"), QStringLiteral("en"), QStringLiteral("deu")};
    QCOMPARE(m_engine.languageString(options), QStringLiteral("deu+eng")); // given order, no repeats
    options.languages.clear();
    options.automaticLanguage = false;
    QCOMPARE(m_engine.languageString(options), QStringLiteral("eng"));

    // German text with umlauts, read with German first.
    QImage image = canvas({420, 40}, light);
    draw(image, {QStringLiteral("Größere Änderungen für Straße")}, {8, 8}, 14, ink);
    options.languages = {QStringLiteral("de")};
    QCOMPARE(m_engine.recognize(image, options, CancelToken()).text(true),
             QStringLiteral("Größere Änderungen für Straße"));
}

void TestTesseractEngine::installedLanguages()
{
    const QStringList names = m_engine.languages();
    QVERIFY(names.contains(QStringLiteral("eng")));
    QVERIFY(!names.contains(QStringLiteral("osd")));
    QStringList sorted = names;
    sorted.sort();
    QCOMPARE(names, sorted);
    // A folder without packs still offers English rather than nothing.
    QCOMPARE(TesseractEngine(QStringLiteral("/nonexistent")).languages(), QStringList{QStringLiteral("eng")});
}

QTEST_MAIN(TestTesseractEngine)
#include "test_tesseractengine.moc"
