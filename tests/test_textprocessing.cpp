// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TextProcessing.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <numeric>

using namespace vellumix;
using namespace Qt::StringLiterals;
namespace TP = vellumix::TextProcessing;

namespace {

TextBlock block(const QString& text, double x, double y, double height = 0.05)
{
    return TextBlock{.text = text, .x = x, .y = y, .width = 0.2, .height = height};
}

} // namespace

class TestTextProcessing : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void compose_data()
    {
        QTest::addColumn<QList<TextBlock>>("blocks");
        QTest::addColumn<QString>("preserved");
        QTest::addColumn<QString>("reflowed");

        const QList<TextBlock> worked{block(u"A"_s, 0.1, 0.80), block(u"C"_s, 0.1, 0.60),
                                      block(u"B"_s, 0.5, 0.81)};
        QList<TextBlock> spaced = worked;
        spaced[1].text = u" C "_s;
        QTest::newRow("worked example") << spaced << u"A\nB\n C "_s << u"A B\n\nC"_s;
        QTest::newRow("empty") << QList<TextBlock>{} << QString() << QString();
        QTest::newRow("single block") << QList<TextBlock>{block(u"\t x "_s, 0, 0)} << u"\t x "_s << u"x"_s;
        // 0.45 * 0.04 = 0.018, exactly the difference: not the same line, so the higher block first
        // even though it lies to the right.
        QTest::newRow("tolerance is strict")
            << QList<TextBlock>{block(u"low"_s, 0.1, 0.0, 0.04), block(u"high"_s, 0.6, 0.45 * 0.04, 0.05)}
            << u"high\nlow"_s << u"high low"_s;
        QTest::newRow("just inside the tolerance is one line")
            << QList<TextBlock>{block(u"right"_s, 0.6, 0.517, 0.05), block(u"left"_s, 0.1, 0.5, 0.04)}
            << u"left\nright"_s << u"left right"_s;
        // Gap exactly 1.8 * 0.05 = 0.09 joins with a space; a little more breaks the paragraph.
        QTest::newRow("gap at the limit")
            << QList<TextBlock>{block(u"a"_s, 0, 1.8 * 0.05), block(u"b"_s, 0, 0.0)} << u"a\nb"_s << u"a b"_s;
        QTest::newRow("gap beyond the limit")
            << QList<TextBlock>{block(u"a"_s, 0, 1.8 * 0.05 + 1e-9), block(u"b"_s, 0, 0.0)} << u"a\nb"_s
            << u"a\n\nb"_s;
        QTest::newRow("whitespace block keeps its separator")
            << QList<TextBlock>{block(u"a"_s, 0, 0.9), block(u"   "_s, 0, 0.85), block(u"b"_s, 0, 0.8)}
            << u"a\n   \nb"_s << u"a  b"_s;
        QTest::newRow("space after a paragraph break")
            << QList<TextBlock>{block(u"a"_s, 0, 0.9), block(u"\u00A0"_s, 0, 0.5), block(u"b"_s, 0, 0.45)}
            << u"a\n\u00A0\nb"_s << u"a\n\n b"_s;
        QTest::newRow("line feeds inside a block survive")
            << QList<TextBlock>{block(u" one\ntwo\n "_s, 0, 0.9)} << u" one\ntwo\n "_s << u"one\ntwo\n"_s;
        QTest::newRow("ties keep input order")
            << QList<TextBlock>{block(u"first"_s, 0.3, 0.5), block(u"second"_s, 0.3, 0.5)}
            << u"first\nsecond"_s << u"first second"_s;
        QTest::newRow("empty text still a line")
            << QList<TextBlock>{block(QString(), 0, 0.9), block(u"b"_s, 0, 0.85)} << u"\nb"_s << u" b"_s;
    }
    void compose()
    {
        QFETCH(QList<TextBlock>, blocks);
        QFETCH(QString, preserved);
        QFETCH(QString, reflowed);
        const QList<TextBlock> before = blocks;
        QCOMPARE(TP::compose(blocks, true), preserved);
        QCOMPARE(TP::compose(blocks, false), reflowed);
        QCOMPARE(blocks, before);
        const Recognition recognition{blocks, {}, 0};
        QCOMPARE(recognition.text(false), reflowed);
    }
    void composeIgnoresInputOrder()
    {
        // Three well separated lines of three overlapping blocks each: any input order reads the same.
        QList<TextBlock> blocks;
        QStringList expected;
        for (int line = 0; line < 3; ++line)
            for (int column = 0; column < 3; ++column) {
                const QString text = u"%1%2"_s.arg(line).arg(column);
                blocks.append(block(text, 0.1 + 0.3 * column, 0.8 - 0.2 * line + 0.004 * ((column * 7) % 3)));
                expected.append(text);
            }
        QRandomGenerator random(42);
        for (int round = 0; round < 200; ++round) {
            std::shuffle(blocks.begin(), blocks.end(), random);
            QCOMPARE(TP::compose(blocks, true), expected.join(u'\n'));
        }
    }
    void stableOrderSurvivesAnyComparator()
    {
        QRandomGenerator random(7);
        for (int round = 0; round < 300; ++round) {
            const std::size_t count = random.bounded(0, 80);
            // Adversarial comparators: coin flips, always true, and a chain of slightly offset blocks
            // that are pairwise on one line but not end to end.
            const int mode = round % 3;
            QList<TextBlock> chain;
            for (std::size_t i = 0; i < count; ++i)
                chain.append(
                    block(QString::number(i), random.generateDouble(), 0.5 + 0.01 * double(i), 0.03));
            const auto before = [&](std::size_t a, std::size_t b) {
                if (mode == 0)
                    return random.bounded(2) == 1;
                if (mode == 1)
                    return true;
                return TP::readsBefore(chain[qsizetype(a)], chain[qsizetype(b)]);
            };
            std::vector<std::size_t> order = TP::stableOrder(count, before);
            QCOMPARE(order.size(), count);
            std::sort(order.begin(), order.end());
            std::vector<std::size_t> identity(count);
            std::iota(identity.begin(), identity.end(), 0);
            QVERIFY(order == identity);
        }
        // Always-false keeps the input order (stability).
        const auto order = TP::stableOrder(9, [](std::size_t, std::size_t) { return false; });
        QCOMPARE(order, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    }
    void transform_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("normalize");
        QTest::addColumn<bool>("quotes");
        QTest::addColumn<QString>("rules");
        QTest::addColumn<QString>("expected");

        const QString decomposed = u"caf"_s + u"e\u0301"_s;
        QTest::newRow("all off") << decomposed << false << false << QString() << decomposed;
        QTest::newRow("nfc") << decomposed << true << false << QString() << u"caf\u00E9"_s;
        QTest::newRow("nfc before rules") << decomposed << true << false << u"\u00E9 => E"_s << u"cafE"_s;
        QTest::newRow("quotes") << u"\u201Cword\u201D isn\u2019t \u2018it\u2019 \u201E\u00AB"_s << false
                                << true << QString() << u"\"word\" isn't 'it' \u201E\u00AB"_s;
        QTest::newRow("two separators ignored")
            << u"a => b"_s << false << false << u"a => b => c"_s << u"a => b"_s;
        QTest::newRow("empty find ignored") << u"x"_s << false << false << u" => y"_s << u"x"_s;
        QTest::newRow("empty replacement deletes") << u"a-b-c"_s << false << false << u"- => "_s << u"abc"_s;
        QTest::newRow("arrow without spaces") << u"a"_s << false << false << u"a=>b"_s << u"a"_s;
        QTest::newRow("rules chain") << u"ab"_s << false << false << u"a => b\nb => c"_s << u"cc"_s;
        QTest::newRow("crlf rules") << u"ab"_s << false << false << u"a => x\r\nb => y\r\n"_s << u"xy"_s;
        QTest::newRow("unicode line separator")
            << u"ab"_s << false << false << u"a => x\u2028b => y"_s << u"xy"_s;
        QTest::newRow("spaces are part of the rule")
            << u"a b  c"_s << false << false << u"   =>  "_s << u"a b c"_s;
        QTest::newRow("case sensitive, non overlapping")
            << u"aaaA"_s << false << false << u"aa => b"_s << u"baA"_s;
        QTest::newRow("replacement not searched again")
            << u"a"_s << false << false << u"a => aa"_s << u"aa"_s;
        // Rules run after the region texts are joined, so they can rewrite the separator too.
        QTest::newRow("rule rewrites a separator")
            << u"one | two"_s << false << false << u" | => \t"_s << u"one\t two"_s;
        QTest::newRow("precomposed rule finds decomposed text")
            << decomposed + u" caf\u00E9"_s << false << false << u"caf\u00E9 => cafe"_s << u"cafe cafe"_s;
        QTest::newRow("decomposed rule finds precomposed text")
            << u"\u00C5ngstr\u00F6m"_s << false << false << u"A\u030A => A"_s << u"Angstr\u00F6m"_s;
        QTest::newRow("base letter does not match an accented one")
            << decomposed << false << false << u"e => E"_s << decomposed;
    }
    void transform()
    {
        QFETCH(QString, text);
        QFETCH(bool, normalize);
        QFETCH(bool, quotes);
        QFETCH(QString, rules);
        QFETCH(QString, expected);
        QCOMPARE(TP::transform(text, normalize, quotes, rules), expected);
    }
    void equivalentSearchLeavesOtherTextAlone()
    {
        // Only the matched span changes form: the decomposed letter elsewhere is kept decomposed.
        const QString text = u"ne\u0301e x \u00E9"_s;
        QCOMPARE(TP::replaceEquivalent(text, u"x"_s, u"y"_s), u"ne\u0301e y \u00E9"_s);
        QCOMPARE(TP::replaceEquivalent(text, u"\u00E9"_s, u"E"_s), u"nEe x E"_s);
        QCOMPARE(TP::replaceEquivalent(u"\U0001F600a\U0001F600"_s, u"\U0001F600"_s, u"-"_s), u"-a-"_s);
    }
};

QTEST_GUILESS_MAIN(TestTextProcessing)
#include "test_textprocessing.moc"
