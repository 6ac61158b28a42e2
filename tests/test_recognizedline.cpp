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
    void toBlock_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<float>("confidence");
        QTest::addColumn<QRect>("box");    // in a 200 x 1000 image
        QTest::addColumn<QString>("kept"); // empty: dropped
        QTest::addColumn<QRectF>("normalised");
        const QRect line(0, 0, 50, 20);
        QTest::newRow("below the floor") << u"a"_s << 14.9f << line << QString() << QRectF();
        QTest::newRow("floor, top left") << u"a"_s << 15.0f << line << u"a"_s << QRectF(0, 0.98, 0.25, 0.02);
        QTest::newRow("bottom right")
            << u"B\n\n"_s << 90.0f << QRect(150, 980, 50, 20) << u"B"_s << QRectF(0.75, 0, 0.25, 0.02);
        QTest::newRow("blank line") << u" \n"_s << 90.0f << line << QString() << QRectF();
        QTest::newRow("minimum height")
            << u"tiny"_s << 90.0f << QRect(20, 400, 60, 5) << u"tiny"_s << QRectF(0.1, 0.595, 0.3, 0.005);
        QTest::newRow("below it") << u"tiny"_s << 90.0f << QRect(0, 0, 50, 4) << QString() << QRectF();
    }
    void toBlock()
    {
        QFETCH(QString, text);
        QFETCH(float, confidence);
        QFETCH(QRect, box);
        QFETCH(QString, kept);
        QFETCH(QRectF, normalised);
        const auto block = RecognizedLine{text, confidence, box}.toBlock(QSize(200, 1000));
        QCOMPARE(block ? block->text : QString(), kept);
        QCOMPARE(block ? block->rect() : QRectF(), normalised);
    }
    void languageCodes()
    {
        QStringList names;
        for (const QString& code : {u"chi_sim"_s, u"zh-TW"_s, u"sr-Latn"_s, u"nb"_s, u"xx-Nowhere"_s, u" "_s})
            names.append(TesseractLanguages::fromCode(code));
        QCOMPARE(names, (QStringList{u"chi_sim"_s, u"chi_tra"_s, u"srp_latn"_s, u"nor"_s, {}, {}}));
    }
};

QTEST_GUILESS_MAIN(TestRecognizedLine)
#include "test_recognizedline.moc"
