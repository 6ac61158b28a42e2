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
    void lockVariants()
    {
        const auto sorted = [](std::uint16_t caps, std::uint16_t num, std::uint16_t scroll) {
            U16List variants = X11KeyMasks::lockVariants(caps, num, scroll);
            std::sort(variants.begin(), variants.end());
            return variants;
        };
        QCOMPARE(sorted(2, 16, 128), (U16List{0, 2, 16, 18, 128, 130, 144, 146}));
        QCOMPARE(sorted(2, 16, 16), (U16List{0, 2, 16, 18})); // NumLock and ScrollLock share a bit
        QCOMPARE(sorted(0, 0, 0), U16List{0});
    }
    void maskOf()
    {
        // Two keycodes per modifier: Shift, Lock, Control, Mod1, Mod2, Mod3, Mod4, Mod5.
        const U8List map{50, 62, 66, 0, 37, 105, 64, 108, 77, 0, 0, 0, 133, 134, 92, 0};
        QCOMPARE(X11KeyMasks::maskOf(map, 2, U8List{200, 92}), 128); // second column of Mod5
        QCOMPARE(X11KeyMasks::maskOf(map, 2, U8List{78}), 0);
        QCOMPARE(X11KeyMasks::maskOf(map, 2, U8List{0}), 0); // empty slots never match
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
