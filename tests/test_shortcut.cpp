// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Shortcut.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QTest>

using namespace vellumix;
using namespace Qt::StringLiterals;

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
    void from_data()
    {
        QTest::addColumn<uint>("keycode");
        QTest::addColumn<uint>("modifiers");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<uint>("expectedModifiers");
        QTest::addColumn<QString>("expectedLabel");

        QTest::newRow("default combination")
            << 10u << (Ctrl | Alt | Shift) << u"1"_s << true << (Ctrl | Alt | Shift) << u"Ctrl+Alt+Shift+1"_s;
        QTest::newRow("Ctrl+K") << 45u << Ctrl << u"k"_s << true << Ctrl << u"Ctrl+K"_s;
        QTest::newRow("Super alone is enough") << 45u << Super << u"k"_s << true << Super << u"Super+K"_s;
        QTest::newRow("label order is fixed") << 45u << (Super | Shift | Alt | Ctrl) << u"k"_s << true
                                              << (Ctrl | Alt | Shift | Super) << u"Ctrl+Alt+Shift+Super+K"_s;
        QTest::newRow("other state bits are ignored")
            << 45u << (Ctrl | 0x10000u | 0x2u) << u"k"_s << true << Ctrl << u"Ctrl+K"_s;
        QTest::newRow("Alt+Shift without Ctrl or Super")
            << 45u << (Alt | Shift) << u"k"_s << false << 0u << QString();
        QTest::newRow("Ctrl+Return") << 36u << Ctrl << u"Return"_s << false << 0u << QString();
        QTest::newRow("Ctrl+Escape") << 9u << Ctrl << u"Escape"_s << false << 0u << QString();
        QTest::newRow("Ctrl+Delete") << 119u << Ctrl << u"Delete"_s << false << 0u << QString();
        QTest::newRow("key without a name") << 200u << Ctrl << QString() << false << 0u << QString();
        QTest::newRow("Ctrl+Alt+F1 switches consoles")
            << 67u << (Ctrl | Alt) << u"F1"_s << false << 0u << QString();
        QTest::newRow("Ctrl+Alt+Shift+F12 too")
            << 96u << (Ctrl | Alt | Shift) << u"F12"_s << false << 0u << QString();
        QTest::newRow("Ctrl+F1 is free") << 67u << Ctrl << u"F1"_s << true << Ctrl << u"Ctrl+F1"_s;
        QTest::newRow("Super+L locks the screen") << 46u << Super << u"l"_s << false << 0u << QString();
        QTest::newRow("Super+Shift+L is free")
            << 46u << (Super | Shift) << u"l"_s << true << (Shift | Super) << u"Shift+Super+L"_s;
    }
    void from()
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
    void keyName_data()
    {
        QTest::addColumn<uint>("keycode");
        QTest::addColumn<QString>("name");
        QTest::newRow("digit") << 10u << u"1"_s;
        QTest::newRow("letter in upper case") << 46u << u"L"_s;
        QTest::newRow("punctuation") << 20u << u"-"_s;
        QTest::newRow("function key") << 67u << u"F1"_s;
        QTest::newRow("space has a word") << 65u << u"SPACE"_s;
        QTest::newRow("a modifier key has none") << 37u << QString();
    }
    void keyName()
    {
        QFETCH(uint, keycode);
        QFETCH(QString, name);
        QCOMPARE(Shortcut::keyName(keycode), name);
    }
    void fromEventUsesTheUnshiftedKeyName()
    {
        // With Shift held the event's text is "!", yet the shortcut names the key "1".
        const QKeyEvent event(QEvent::KeyPress, Qt::Key_Exclam,
                              Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier, 10, 0x21, 0, u"!"_s);
        const auto shortcut = Shortcut::from(KeyPress::fromEvent(event));
        QVERIFY(shortcut);
        QCOMPARE(*shortcut, Shortcut::defaults().first());
    }
    void storedFormOfTheDefaults()
    {
        const QJsonDocument document = QJsonDocument::fromJson(Shortcut::encode(Shortcut::defaults()));
        QVERIFY(document.isArray());
        QCOMPARE(document.array().size(), 4);
        const QJsonObject first = document.array().first().toObject();
        QCOMPARE(first.size(), 3);
        QCOMPARE(first.value(u"key"_s).toInt(), 10);
        QCOMPARE(first.value(u"modifiers"_s).toInt(), 2816);
        QCOMPARE(first.value(u"label"_s).toString(), u"Ctrl+Alt+Shift+1"_s);

        const QList<Shortcut> extremes{{255, 0xFFFFFFFF, u"Ctrl+Ä"_s}, {0, 0, QString()}};
        QCOMPARE(Shortcut::decode(Shortcut::encode(extremes)), std::optional(extremes));
    }
    void decodeRefuses_data()
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
    void decodeRefuses()
    {
        QFETCH(QByteArray, data);
        QVERIFY(!Shortcut::decode(data).has_value());
    }
};

QTEST_MAIN(TestShortcut)
#include "test_shortcut.moc"
