// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/RecognizedLine.h"
#include "core/TesseractLanguages.h"

#include <QTest>

using namespace vellumix;
using namespace Qt::StringLiterals;

class TestRecognizedLine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void filtering_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<float>("confidence");
        QTest::addColumn<int>("boxHeight");
        QTest::addColumn<QString>("kept"); // empty: dropped
        QTest::newRow("just below the floor") << u"a"_s << 14.9f << 20 << QString();
        QTest::newRow("exactly the floor") << u"a"_s << 15.0f << 20 << u"a"_s;
        QTest::newRow("confident") << u"Save"_s << 96.5f << 20 << u"Save"_s;
        QTest::newRow("trailing newlines trimmed") << u"File Edit\n\n"_s << 90.0f << 20 << u"File Edit"_s;
        QTest::newRow("blank line") << u" \n"_s << 90.0f << 20 << QString();
        // Image height 1000: 5 px is exactly the minimum text height, 4 px is below it.
        QTest::newRow("exactly the minimum height") << u"tiny"_s << 90.0f << 5 << u"tiny"_s;
        QTest::newRow("below the minimum height") << u"tiny"_s << 90.0f << 4 << QString();
    }
    void filtering()
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
    void boxIsNormalisedAndFlipped_data()
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
    void boxIsNormalisedAndFlipped()
    {
        QFETCH(QRect, box);
        QFETCH(QSize, image);
        QFETCH(QRectF, expected);
        const auto block = RecognizedLine{u"text"_s, 80.0f, box}.toBlock(image);
        QVERIFY(block.has_value());
        QCOMPARE(block->rect(), expected);
    }
    void languageCodes_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("tesseract");
        QTest::newRow("tesseract name") << u"eng"_s << u"eng"_s;
        QTest::newRow("tesseract name with script") << u"chi_sim"_s << u"chi_sim"_s;
        QTest::newRow("en-US") << u"en-US"_s << u"eng"_s;
        QTest::newRow("de") << u"de"_s << u"deu"_s;
        QTest::newRow("de_DE locale name") << u"de_DE"_s << u"deu"_s;
        QTest::newRow("zh-Hans") << u"zh-Hans"_s << u"chi_sim"_s;
        QTest::newRow("zh-Hant") << u"zh-Hant"_s << u"chi_tra"_s;
        QTest::newRow("zh-TW") << u"zh-TW"_s << u"chi_tra"_s;
        QTest::newRow("sr-Latn") << u"sr-Latn"_s << u"srp_latn"_s;
        QTest::newRow("nb") << u"nb"_s << u"nor"_s;
        QTest::newRow("fr-CA") << u"fr-CA"_s << u"fra"_s;
        QTest::newRow("blank") << u"  "_s << QString();
        QTest::newRow("no language") << u"xx-Nowhere"_s << QString();
    }
    void languageCodes()
    {
        QFETCH(QString, code);
        QFETCH(QString, tesseract);
        QCOMPARE(TesseractLanguages::fromCode(code), tesseract);
    }
};

QTEST_GUILESS_MAIN(TestRecognizedLine)
#include "test_recognizedline.moc"
