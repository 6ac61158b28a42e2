// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Errors.h"
#include "core/Records.h"

#include <QJsonDocument>
#include <QTest>

using namespace vellumix;
using namespace Qt::StringLiterals;

class TestRecords : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void confidenceMean_data()
    {
        QTest::addColumn<QList<float>>("confidences");
        QTest::addColumn<float>("mean");
        QTest::newRow("no blocks is zero, not a division by zero") << QList<float>{} << 0.0f;
        QTest::newRow("half and one") << QList<float>{0.5f, 1.0f} << 0.75f;
        // 2^24 + 1 cannot be held by a float: a double sum would keep the 1s that a float sum drops.
        QTest::newRow("summed as floats") << QList<float>{16777216.0f, 1.0f, 1.0f, 1.0f} << 4194304.0f;
    }
    void confidenceMean()
    {
        QFETCH(QList<float>, confidences);
        QFETCH(float, mean);
        Recognition recognition;
        for (float c : confidences)
            recognition.blocks.append(TextBlock{.text = u"x"_s, .confidence = c});
        QCOMPARE(recognition.confidence(), mean);
    }
    void jsonRoundTripAndStrictDecoding()
    {
        const TextBlock block{QUuid::createUuid(), u" Grüße\n"_s, 0.8125f, 0.1, 0.2, 0.3, 0.4};
        const QJsonObject json = block.toJson();
        QCOMPARE(json.value(u"id"_s).toString(), block.id.toString(QUuid::WithoutBraces).toUpper());
        QCOMPARE(TextBlock::fromJson(QJsonDocument::fromJson(QJsonDocument(json).toJson()).object()), block);
        for (const auto& [key, value] : {std::pair(u"height"_s, QJsonValue(u"0.4"_s)),
                                         std::pair(u"confidence"_s, QJsonValue(QJsonValue::Null)),
                                         std::pair(u"id"_s, QJsonValue(u"nope"_s)),
                                         std::pair(u"text"_s, QJsonValue(QJsonValue::Undefined))}) {
            QJsonObject broken = json;
            broken.insert(key, value); // an undefined value removes the key
            QVERIFY_THROWS_EXCEPTION(PlatformError, TextBlock::fromJson(broken));
        }
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "test_records.moc"
