// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11KeyMasks.h"

#include <QTest>

using namespace vellumix;
using U16List = QList<std::uint16_t>;
using U8List = QList<std::uint8_t>;

class TestX11KeyMasks : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lockVariants_data()
    {
        QTest::addColumn<uint>("caps");
        QTest::addColumn<uint>("num");
        QTest::addColumn<uint>("scroll");
        QTest::addColumn<U16List>("variants");
        QTest::newRow("caps only") << 2u << 0u << 0u << U16List{0, 2};
        QTest::newRow("caps and NumLock on Mod2") << 2u << 16u << 0u << U16List{0, 2, 16, 18};
        QTest::newRow("all three locks") << 2u << 16u << 128u << U16List{0, 2, 16, 18, 128, 130, 144, 146};
        QTest::newRow("NumLock and ScrollLock share a bit") << 2u << 16u << 16u << U16List{0, 2, 16, 18};
        QTest::newRow("no lock keys") << 0u << 0u << 0u << U16List{0};
    }
    void lockVariants()
    {
        QFETCH(uint, caps);
        QFETCH(uint, num);
        QFETCH(uint, scroll);
        QFETCH(U16List, variants);
        U16List actual =
            X11KeyMasks::lockVariants(std::uint16_t(caps), std::uint16_t(num), std::uint16_t(scroll));
        std::sort(actual.begin(), actual.end());
        QCOMPARE(actual, variants);
    }
    void maskOf_data()
    {
        // Two keycodes per modifier: Shift, Lock, Control, Mod1, Mod2, Mod3, Mod4, Mod5.
        const U8List map{50, 62, 66, 0, 37, 105, 64, 108, 77, 0, 0, 0, 133, 134, 92, 0};
        QTest::addColumn<U8List>("map");
        QTest::addColumn<U8List>("keycodes");
        QTest::addColumn<uint>("mask");
        QTest::newRow("NumLock on Mod2") << map << U8List{77} << 16u;
        QTest::newRow("second column of Mod5") << map << U8List{200, 92} << 128u;
        QTest::newRow("absent keycode") << map << U8List{78} << 0u;
        QTest::newRow("empty slots never match") << map << U8List{0} << 0u;
    }
    void maskOf()
    {
        QFETCH(U8List, map);
        QFETCH(U8List, keycodes);
        QFETCH(uint, mask);
        QCOMPARE(uint(X11KeyMasks::maskOf(map, 2, keycodes)), mask);
    }
    void keycodesOf()
    {
        // Three keysyms per keycode from keycode 8; NumLock (0xff7f) on keycodes 9 and 11.
        const QList<std::uint32_t> keysyms{0x31, 0x21, 0, 0xff7f, 0, 0, 0x32, 0x40, 0, 0, 0, 0xff7f};
        QCOMPARE(X11KeyMasks::keycodesOf(keysyms, 3, 8, 0xff7f), (U8List{9, 11}));
        QCOMPARE(X11KeyMasks::keycodesOf(keysyms, 3, 8, 0xff14), U8List{});
    }
};

QTEST_MAIN(TestX11KeyMasks)
#include "test_x11keymasks.moc"
