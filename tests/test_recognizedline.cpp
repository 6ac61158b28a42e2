// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/RecognizedLine.h"
#include "core/TesseractLanguages.h"

#include <QTest>

using namespace vellumix;

class TestRecognizedLine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void filtering_data();
    void filtering();
    void boxIsNormalisedAndFlipped_data();
    void boxIsNormalisedAndFlipped();
    void languageCodes_data();
    void languageCodes();
};

void TestRecognizedLine::filtering_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("confidence");
    QTest::addColumn<int>("boxHeight");
    QTest::addColumn<QString>("kept"); // empty: dropped
    QTest::newRow("just below the floor") << QStringLiteral("a") << 14.9f << 20 << QString();
    QTest::newRow("exactly the floor") << QStringLiteral("a") << 15.0f << 20 << QStringLiteral("a");
    QTest::newRow("confident") << QStringLiteral("Save") << 96.5f << 20 << QStringLiteral("Save");
    QTest::newRow("trailing newlines trimmed")
        << QStringLiteral("File Edit\n\n") << 90.0f << 20 << QStringLiteral("File Edit");
    QTest::newRow("blank line") << QStringLiteral(" \n") << 90.0f << 20 << QString();
    // Image height 1000: 5 px is exactly the minimum text height, 4 px is below it.
    QTest::newRow("exactly the minimum height")
        << QStringLiteral("tiny") << 90.0f << 5 << QStringLiteral("tiny");
    QTest::newRow("below the minimum height") << QStringLiteral("tiny") << 90.0f << 4 << QString();
}

void TestRecognizedLine::filtering()
{
    QFETCH(QString, text);
    QFETCH(float, confidence);
    QFETCH(int, boxHeight);
    QFETCH(QString, kept);
    const RecognizedLine line{text, confidence, QRect(10, 100, 200, boxHeight)};
    const auto block = line.toBlock(QSize(800, 1000));
    QCOMPARE(block.has_value(), !kept.isEmpty());
    if (block) {
        QCOMPARE(block->text, kept);
        QCOMPARE(block->confidence, confidence / 100.0f);
    }
}

void TestRecognizedLine::boxIsNormalisedAndFlipped_data()
{
    QTest::addColumn<QRect>("box");
    QTest::addColumn<QSize>("image");
    QTest::addColumn<QRectF>("expected");
    QTest::newRow("top-left line is high up")
        << QRect(0, 0, 50, 10) << QSize(200, 100) << QRectF(0, 0.9, 0.25, 0.1);
    QTest::newRow("bottom-right line sits at y 0")
        << QRect(150, 80, 50, 20) << QSize(200, 100) << QRectF(0.75, 0.0, 0.25, 0.2);
    QTest::newRow("middle") << QRect(20, 40, 60, 20) << QSize(200, 100) << QRectF(0.1, 0.4, 0.3, 0.2);
}

void TestRecognizedLine::boxIsNormalisedAndFlipped()
{
    QFETCH(QRect, box);
    QFETCH(QSize, image);
    QFETCH(QRectF, expected);
    const auto block = RecognizedLine{QStringLiteral("text"), 80.0f, box}.toBlock(image);
    QVERIFY(block.has_value());
    QCOMPARE(block->rect(), expected);
}

void TestRecognizedLine::languageCodes_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("tesseract");
    QTest::newRow("tesseract name") << QStringLiteral("eng") << QStringLiteral("eng");
    QTest::newRow("tesseract name with script") << QStringLiteral("chi_sim") << QStringLiteral("chi_sim");
    QTest::newRow("en-US") << QStringLiteral("en-US") << QStringLiteral("eng");
    QTest::newRow("de") << QStringLiteral("de") << QStringLiteral("deu");
    QTest::newRow("de_DE locale name") << QStringLiteral("de_DE") << QStringLiteral("deu");
    QTest::newRow("zh-Hans") << QStringLiteral("zh-Hans") << QStringLiteral("chi_sim");
    QTest::newRow("zh-Hant") << QStringLiteral("zh-Hant") << QStringLiteral("chi_tra");
    QTest::newRow("zh-TW") << QStringLiteral("zh-TW") << QStringLiteral("chi_tra");
    QTest::newRow("sr-Latn") << QStringLiteral("sr-Latn") << QStringLiteral("srp_latn");
    QTest::newRow("nb") << QStringLiteral("nb") << QStringLiteral("nor");
    QTest::newRow("fr-CA") << QStringLiteral("fr-CA") << QStringLiteral("fra");
    QTest::newRow("blank") << QStringLiteral("  ") << QString();
    QTest::newRow("no language") << QStringLiteral("xx-Nowhere") << QString();
}

void TestRecognizedLine::languageCodes()
{
    QFETCH(QString, code);
    QFETCH(QString, tesseract);
    QCOMPARE(TesseractLanguages::fromCode(code), tesseract);
}

QTEST_GUILESS_MAIN(TestRecognizedLine)
#include "test_recognizedline.moc"
