// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/SmallTextPreparation.h"

#include <QImage>
#include <QPainter>
#include <QTest>

using namespace vellumix;

class TestSmallTextPreparation : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void scaleAndPrepare_data()
    {
        QTest::addColumn<QSize>("input");
        QTest::addColumn<double>("factor");
        QTest::addColumn<QSize>("output");
        QTest::newRow("800 x 300 doubles") << QSize(800, 300) << 2.0 << QSize(1600, 600);
        QTest::newRow("10 x 10 is capped at 3") << QSize(10, 10) << 3.0 << QSize(30, 30);
        QTest::newRow("1600 high passes through") << QSize(90, 1600) << 1.0 << QSize(90, 1600);
        QTest::newRow("1599 wide reaches 1600") << QSize(1599, 100) << 1600.0 / 1599.0 << QSize(1600, 100);
        QTest::newRow("zero width") << QSize(0, 500) << 1.0 << QSize(0, 0);
    }
    void scaleAndPrepare()
    {
        QFETCH(QSize, input);
        QFETCH(double, factor);
        QFETCH(QSize, output);
        QCOMPARE(SmallTextPreparation::scale(input.width(), input.height()), factor);
        // Dark top-right quarter: boxes found on the prepared image must describe the input.
        QImage image(input, QImage::Format_Grayscale8);
        image.fill(255);
        if (!image.isNull())
            QPainter(&image).fillRect(input.width() / 2, 0, input.width(), input.height() / 2, Qt::black);
        const QImage prepared = SmallTextPreparation::prepare(image);
        QCOMPARE(prepared.size(), output);
        if (output.isEmpty())
            return;
        const auto at = [&](double x, double y) {
            return qGray(prepared.pixel(int(x * output.width()), int(y * output.height())));
        };
        QCOMPARE((QList<int>{at(0.75, 0.25), at(0.25, 0.25), at(0.75, 0.75)}), (QList<int>{0, 255, 255}));
    }
};

QTEST_GUILESS_MAIN(TestSmallTextPreparation)
#include "test_smalltextpreparation.moc"
