// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/SmallTextPreparation.h"

#include <QImage>
#include <QTest>

using namespace vellumix;

class TestSmallTextPreparation : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void scale_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<double>("factor");
        QTest::newRow("800 x 300 doubles") << 800 << 300 << 2.0;
        QTest::newRow("400 x 100 is capped at 3") << 400 << 100 << 3.0;
        QTest::newRow("10 x 10 is capped at 3") << 10 << 10 << 3.0;
        QTest::newRow("1600 wide stays") << 1600 << 900 << 1.0;
        QTest::newRow("larger stays") << 3840 << 2160 << 1.0;
        QTest::newRow("1599 wide grows slightly") << 1599 << 100 << 1600.0 / 1599.0;
        QTest::newRow("tall side decides") << 100 << 1000 << 1.6;
        QTest::newRow("zero width") << 0 << 500 << 1.0;
        QTest::newRow("negative height") << 500 << -1 << 1.0;
    }
    void scale()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(double, factor);
        QCOMPARE(SmallTextPreparation::scale(width, height), factor);
    }
    void prepare_data()
    {
        QTest::addColumn<QSize>("input");
        QTest::addColumn<QSize>("output");
        QTest::newRow("10 x 10 triples") << QSize(10, 10) << QSize(30, 30);
        QTest::newRow("1599 wide reaches 1600") << QSize(1599, 50) << QSize(1600, 50);
        QTest::newRow("1600 wide unchanged") << QSize(1600, 40) << QSize(1600, 40);
    }
    void prepare()
    {
        QFETCH(QSize, input);
        QFETCH(QSize, output);
        QImage image(input, QImage::Format_Grayscale8);
        image.fill(200);
        const QImage prepared = SmallTextPreparation::prepare(image);
        QCOMPARE(prepared.size(), output);
        QCOMPARE(prepared.format(), image.format());
        if (input == output)
            QCOMPARE(prepared.cacheKey(), image.cacheKey()); // passed through, not copied
        QCOMPARE(SmallTextPreparation::prepare(QImage()).isNull(), true);
    }
    void upscaledContentStaysInPlace()
    {
        // Normalised boxes found on the prepared image must describe the input: no shift, no flip.
        QImage image(100, 50, QImage::Format_RGB32);
        image.fill(Qt::white);
        for (int y = 10; y < 20; ++y)
            for (int x = 60; x < 80; ++x)
                image.setPixel(x, y, qRgb(0, 0, 0));
        const QImage prepared = SmallTextPreparation::prepare(image);
        QCOMPARE(prepared.size(), QSize(300, 150));
        QCOMPARE(qGray(prepared.pixel(210, 45)), 0);
        QCOMPARE(qGray(prepared.pixel(90, 45)), 255);
        QCOMPARE(qGray(prepared.pixel(210, 100)), 255);
    }
};

QTEST_GUILESS_MAIN(TestSmallTextPreparation)
#include "test_smalltextpreparation.moc"
