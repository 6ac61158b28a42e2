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
        QTest::newRow("single") << QList<float>{0.3f} << 0.3f;
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
    void confidenceSumsAsFloat()
    {
        // 2^24 + 1 cannot be held by a float: a double sum would keep the 1s that a float sum drops.
        Recognition recognition;
        recognition.blocks.append(TextBlock{.confidence = 16777216.0f});
        for (int i = 0; i < 3; ++i)
            recognition.blocks.append(TextBlock{.confidence = 1.0f});
        QCOMPARE(recognition.confidence(), 16777216.0f / 4.0f);
    }
    void errorMessages_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty detail")
            << 1 << QString() << u"Screenshot capture failed (1): No image was produced."_s;
        QTest::newRow("detail replaces the sentence")
            << 2 << u"could not open display"_s << u"Screenshot capture failed (2): could not open display"_s;
        QTest::newRow("negative status keeps its sign")
            << -15 << QString() << u"Screenshot capture failed (-15): No image was produced."_s;
    }
    void errorMessages()
    {
        QFETCH(int, status);
        QFETCH(QString, detail);
        QFETCH(QString, message);
        QCOMPARE(VellumixError::systemCapture(status, detail).message(), message);
        QCOMPARE(QString::fromUtf8(VellumixError::systemCapture(status, detail).what()), message);
    }
    void jsonRoundTrip()
    {
        const TextBlock block{QUuid::createUuid(), u" Grüße\n"_s, 0.8125f, 0.1, 0.2, 0.3, 0.4};
        const QJsonObject json = block.toJson();
        QCOMPARE(json.value(u"id"_s).toString(), block.id.toString(QUuid::WithoutBraces).toUpper());
        const TextBlock back =
            TextBlock::fromJson(QJsonDocument::fromJson(QJsonDocument(json).toJson()).object());
        QCOMPARE(back, block);
        QCOMPARE(back.rect(), QRectF(0.1, 0.2, 0.3, 0.4));
    }
    void jsonDecodingIsStrict_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("replacement");
        QTest::newRow("missing text") << u"text"_s << QJsonValue(QJsonValue::Undefined);
        QTest::newRow("height as string") << u"height"_s << QJsonValue(u"0.4"_s);
        QTest::newRow("confidence null") << u"confidence"_s << QJsonValue(QJsonValue::Null);
        QTest::newRow("id not a uuid") << u"id"_s << QJsonValue(u"nope"_s);
    }
    void jsonDecodingIsStrict()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, replacement);
        QJsonObject json = TextBlock{.text = u"a"_s}.toJson();
        if (replacement.isUndefined())
            json.remove(key);
        else
            json.insert(key, replacement);
        QVERIFY_THROWS_EXCEPTION(PlatformError, TextBlock::fromJson(json));
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "test_records.moc"
