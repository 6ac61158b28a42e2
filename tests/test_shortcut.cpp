// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Shortcut.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QTest>

using namespace vellumix;

namespace {
constexpr std::uint32_t Ctrl = Shortcut::Ctrl;
constexpr std::uint32_t Alt = Shortcut::Alt;
constexpr std::uint32_t Shift = Shortcut::Shift;
constexpr std::uint32_t Super = Shortcut::Super;
} // namespace

class TestShortcut : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void from_data();
    void from();
    void keyName_data();
    void keyName();
    void fromEventUsesTheUnshiftedKeyName();
    void storedFormOfTheDefaults();
    void decodeRefuses_data();
    void decodeRefuses();
};

void TestShortcut::from_data()
{
    QTest::addColumn<uint>("keycode");
    QTest::addColumn<uint>("modifiers");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<uint>("expectedModifiers");
    QTest::addColumn<QString>("expectedLabel");

    QTest::newRow("default combination") << 10u << (Ctrl | Alt | Shift) << QStringLiteral("1") << true
                                         << (Ctrl | Alt | Shift) << QStringLiteral("Ctrl+Alt+Shift+1");
    QTest::newRow("Ctrl+K") << 45u << Ctrl << QStringLiteral("k") << true << Ctrl << QStringLiteral("Ctrl+K");
    QTest::newRow("Super alone is enough")
        << 45u << Super << QStringLiteral("k") << true << Super << QStringLiteral("Super+K");
    QTest::newRow("label order is fixed")
        << 45u << (Super | Shift | Alt | Ctrl) << QStringLiteral("k") << true << (Ctrl | Alt | Shift | Super)
        << QStringLiteral("Ctrl+Alt+Shift+Super+K");
    QTest::newRow("other state bits are ignored")
        << 45u << (Ctrl | 0x10000u | 0x2u) << QStringLiteral("k") << true << Ctrl << QStringLiteral("Ctrl+K");
    QTest::newRow("Alt+Shift without Ctrl or Super")
        << 45u << (Alt | Shift) << QStringLiteral("k") << false << 0u << QString();
    QTest::newRow("Ctrl+Return") << 36u << Ctrl << QStringLiteral("Return") << false << 0u << QString();
    QTest::newRow("Ctrl+Escape") << 9u << Ctrl << QStringLiteral("Escape") << false << 0u << QString();
    QTest::newRow("Ctrl+Delete") << 119u << Ctrl << QStringLiteral("Delete") << false << 0u << QString();
    QTest::newRow("key without a name") << 200u << Ctrl << QString() << false << 0u << QString();
    QTest::newRow("Ctrl+Alt+F1 switches consoles")
        << 67u << (Ctrl | Alt) << QStringLiteral("F1") << false << 0u << QString();
    QTest::newRow("Ctrl+Alt+Shift+F12 too")
        << 96u << (Ctrl | Alt | Shift) << QStringLiteral("F12") << false << 0u << QString();
    QTest::newRow("Ctrl+F1 is free") << 67u << Ctrl << QStringLiteral("F1") << true << Ctrl
                                     << QStringLiteral("Ctrl+F1");
    QTest::newRow("Super+L locks the screen")
        << 46u << Super << QStringLiteral("l") << false << 0u << QString();
    QTest::newRow("Super+Shift+L is free") << 46u << (Super | Shift) << QStringLiteral("l") << true
                                           << (Shift | Super) << QStringLiteral("Shift+Super+L");
}

void TestShortcut::from()
{
    QFETCH(uint, keycode);
    QFETCH(uint, modifiers);
    QFETCH(QString, name);
    QFETCH(bool, accepted);
    QFETCH(uint, expectedModifiers);
    QFETCH(QString, expectedLabel);

    const auto shortcut = Shortcut::from(KeyPress{keycode, modifiers, name});
    QCOMPARE(shortcut.has_value(), accepted);
    if (accepted)
        QCOMPARE(*shortcut, (Shortcut{keycode, expectedModifiers, expectedLabel}));
}

void TestShortcut::keyName_data()
{
    QTest::addColumn<uint>("keycode");
    QTest::addColumn<QString>("name");
    QTest::newRow("digit") << 10u << QStringLiteral("1");
    QTest::newRow("letter in upper case") << 46u << QStringLiteral("L");
    QTest::newRow("punctuation") << 20u << QStringLiteral("-");
    QTest::newRow("function key") << 67u << QStringLiteral("F1");
    QTest::newRow("space has a word") << 65u << QStringLiteral("SPACE");
    QTest::newRow("a modifier key has none") << 37u << QString();
}

void TestShortcut::keyName()
{
    QFETCH(uint, keycode);
    QFETCH(QString, name);
    QCOMPARE(Shortcut::keyName(keycode), name);
}

void TestShortcut::fromEventUsesTheUnshiftedKeyName()
{
    // With Shift held the event's text is "!", yet the shortcut names the key "1".
    const QKeyEvent event(QEvent::KeyPress, Qt::Key_Exclam,
                          Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier, 10, 0x21, 0,
                          QStringLiteral("!"));
    const auto shortcut = Shortcut::from(KeyPress::fromEvent(event));
    QVERIFY(shortcut);
    QCOMPARE(*shortcut, Shortcut::defaults().first());
}

void TestShortcut::storedFormOfTheDefaults()
{
    const QJsonDocument document = QJsonDocument::fromJson(Shortcut::encode(Shortcut::defaults()));
    QVERIFY(document.isArray());
    QCOMPARE(document.array().size(), 4);
    const QJsonObject first = document.array().first().toObject();
    QCOMPARE(first.size(), 3);
    QCOMPARE(first.value(QLatin1String("key")).toInt(), 10);
    QCOMPARE(first.value(QLatin1String("modifiers")).toInt(), 2816);
    QCOMPARE(first.value(QLatin1String("label")).toString(), QStringLiteral("Ctrl+Alt+Shift+1"));

    const QList<Shortcut> extremes{{255, 0xFFFFFFFF, QStringLiteral("Ctrl+Ä")}, {0, 0, QString()}};
    QCOMPARE(Shortcut::decode(Shortcut::encode(extremes)), std::optional(extremes));
}

void TestShortcut::decodeRefuses_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("malformed JSON") << QByteArray("[{\"key\": 10,");
    QTest::newRow("not an array") << QByteArray(R"({"key":10,"modifiers":2816,"label":"x"})");
    QTest::newRow("label missing") << QByteArray(R"([{"key":10,"modifiers":2816}])");
    QTest::newRow("key as text") << QByteArray(R"([{"key":"10","modifiers":2816,"label":"x"}])");
    QTest::newRow("fractional modifiers") << QByteArray(R"([{"key":10,"modifiers":0.5,"label":"x"}])");
    QTest::newRow("modifiers beyond 32 bits")
        << QByteArray(R"([{"key":10,"modifiers":4294967296,"label":"x"}])");
}

void TestShortcut::decodeRefuses()
{
    QFETCH(QByteArray, data);
    QVERIFY(!Shortcut::decode(data).has_value());
}

QTEST_MAIN(TestShortcut)
#include "test_shortcut.moc"
