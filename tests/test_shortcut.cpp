// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Shortcut.h"

#include <QKeyEvent>
#include <QTest>

using namespace vellumix;
using namespace Qt::StringLiterals;

constexpr std::uint32_t Ctrl = Shortcut::Ctrl, Alt = Shortcut::Alt, Shift = Shortcut::Shift,
                        Super = Shortcut::Super;

class TestShortcut : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void from_data()
    {
        QTest::addColumn<KeyPress>("press");
        QTest::addColumn<Shortcut>("expected"); // an empty label: refused
        const uint all = Ctrl | Alt | Shift | Super;
        QTest::newRow("default") << KeyPress{10, Ctrl | Alt | Shift, u"1"_s} << Shortcut::defaults().first();
        QTest::newRow("fixed label order, foreign state bits dropped")
            << KeyPress{45, Super | Shift | Alt | Ctrl | 0x10000u, u"k"_s}
            << Shortcut{45, all, u"Ctrl+Alt+Shift+Super+K"_s};
        QTest::newRow("Alt+Shift without Ctrl or Super") << KeyPress{45, Alt | Shift, u"k"_s} << Shortcut{};
        QTest::newRow("Ctrl+Return") << KeyPress{36, Ctrl, u"Return"_s} << Shortcut{};
        QTest::newRow("key without a name") << KeyPress{200, Ctrl, QString()} << Shortcut{};
        QTest::newRow("Ctrl+Alt+Shift+F12 switches consoles")
            << KeyPress{96, all ^ Super, u"F12"_s} << Shortcut{};
        QTest::newRow("Ctrl+F1 is free") << KeyPress{67, Ctrl, u"F1"_s} << Shortcut{67, Ctrl, u"Ctrl+F1"_s};
        QTest::newRow("Super+L locks the screen") << KeyPress{46, Super, u"l"_s} << Shortcut{};
        QTest::newRow("Super+Shift+L is free")
            << KeyPress{46, Super | Shift, u"l"_s} << Shortcut{46, Super | Shift, u"Shift+Super+L"_s};
    }
    void from()
    {
        QFETCH(KeyPress, press);
        QFETCH(Shortcut, expected);
        QCOMPARE(Shortcut::from(press), expected.label.isEmpty() ? std::nullopt : std::optional(expected));
    }
    void keyName()
    {
        QCOMPARE(Shortcut::keyName(46), u"L"_s);
        QCOMPARE(Shortcut::keyName(20), u"-"_s);
        QCOMPARE(Shortcut::keyName(65), u"SPACE"_s);
        QCOMPARE(Shortcut::keyName(37), QString()); // a modifier key
    }
    void fromEventUsesTheUnshiftedKeyName()
    {
        // With Shift held the event's text is "!", yet the shortcut names the key "1".
        const QKeyEvent event(QEvent::KeyPress, Qt::Key_Exclam,
                              Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier, 10, 0x21, 0, u"!"_s);
        QCOMPARE(Shortcut::from(KeyPress::fromEvent(event)), std::optional(Shortcut::defaults().first()));
    }
    void storedForm()
    {
        QVERIFY(Shortcut::encode(Shortcut::defaults())
                    .startsWith(R"([{"key":10,"label":"Ctrl+Alt+Shift+1","modifiers":2816},{"key":11,)"));
        const QList<Shortcut> extremes{{255, 0xFFFFFFFF, u"Ctrl+Ä"_s}, {0, 0, QString()}};
        QCOMPARE(Shortcut::decode(Shortcut::encode(extremes)), std::optional(extremes));
    }
    void decodeRefuses()
    {
        for (const char* data :
             {R"([{"key": 10,)", R"({"key":10,"modifiers":2816,"label":"x"})",
              R"([{"key":10,"modifiers":2816}])", R"([{"key":"10","modifiers":2816,"label":"x"}])",
              R"([{"key":10,"modifiers":0.5,"label":"x"}])",
              R"([{"key":10,"modifiers":4294967296,"label":"x"}])"})
            QVERIFY2(!Shortcut::decode(data), data);
    }
};

QTEST_MAIN(TestShortcut)
#include "test_shortcut.moc"
