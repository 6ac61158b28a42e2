// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TextProcessing.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <numeric>

using namespace vellumix;
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
    void compose_data();
    void compose();
    void composeIgnoresInputOrder();
    void stableOrderSurvivesAnyComparator();
    void transform_data();
    void transform();
    void equivalentSearchLeavesOtherTextAlone();
};

void TestTextProcessing::compose_data()
{
    QTest::addColumn<QList<TextBlock>>("blocks");
    QTest::addColumn<QString>("preserved");
    QTest::addColumn<QString>("reflowed");

    const QList<TextBlock> worked{block(QStringLiteral("A"), 0.1, 0.80),
                                  block(QStringLiteral("C"), 0.1, 0.60),
                                  block(QStringLiteral("B"), 0.5, 0.81)};
    QList<TextBlock> spaced = worked;
    spaced[1].text = QStringLiteral(" C ");
    QTest::newRow("worked example") << spaced << QStringLiteral("A\nB\n C ") << QStringLiteral("A B\n\nC");
    QTest::newRow("empty") << QList<TextBlock>{} << QString() << QString();
    QTest::newRow("single block") << QList<TextBlock>{block(QStringLiteral("\t x "), 0, 0)}
                                  << QStringLiteral("\t x ") << QStringLiteral("x");
    // 0.45 * 0.04 = 0.018, exactly the difference: not the same line, so the higher block first
    // even though it lies to the right.
    QTest::newRow("tolerance is strict")
        << QList<TextBlock>{block(QStringLiteral("low"), 0.1, 0.0, 0.04),
                            block(QStringLiteral("high"), 0.6, 0.45 * 0.04, 0.05)}
        << QStringLiteral("high\nlow") << QStringLiteral("high low");
    QTest::newRow("just inside the tolerance is one line")
        << QList<TextBlock>{block(QStringLiteral("right"), 0.6, 0.517, 0.05),
                            block(QStringLiteral("left"), 0.1, 0.5, 0.04)}
        << QStringLiteral("left\nright") << QStringLiteral("left right");
    // Gap exactly 1.8 * 0.05 = 0.09 joins with a space; a little more breaks the paragraph.
    QTest::newRow("gap at the limit")
        << QList<TextBlock>{block(QStringLiteral("a"), 0, 1.8 * 0.05), block(QStringLiteral("b"), 0, 0.0)}
        << QStringLiteral("a\nb") << QStringLiteral("a b");
    QTest::newRow("gap beyond the limit")
        << QList<TextBlock>{block(QStringLiteral("a"), 0, 1.8 * 0.05 + 1e-9),
                            block(QStringLiteral("b"), 0, 0.0)}
        << QStringLiteral("a\nb") << QStringLiteral("a\n\nb");
    QTest::newRow("whitespace block keeps its separator")
        << QList<TextBlock>{block(QStringLiteral("a"), 0, 0.9), block(QStringLiteral("   "), 0, 0.85),
                            block(QStringLiteral("b"), 0, 0.8)}
        << QStringLiteral("a\n   \nb") << QStringLiteral("a  b");
    QTest::newRow("space after a paragraph break")
        << QList<TextBlock>{block(QStringLiteral("a"), 0, 0.9), block(QStringLiteral("\u00A0"), 0, 0.5),
                            block(QStringLiteral("b"), 0, 0.45)}
        << QStringLiteral("a\n\u00A0\nb") << QStringLiteral("a\n\n b");
    QTest::newRow("line feeds inside a block survive")
        << QList<TextBlock>{block(QStringLiteral(" one\ntwo\n "), 0, 0.9)} << QStringLiteral(" one\ntwo\n ")
        << QStringLiteral("one\ntwo\n");
    QTest::newRow("ties keep input order")
        << QList<TextBlock>{block(QStringLiteral("first"), 0.3, 0.5),
                            block(QStringLiteral("second"), 0.3, 0.5)}
        << QStringLiteral("first\nsecond") << QStringLiteral("first second");
    QTest::newRow("empty text still a line")
        << QList<TextBlock>{block(QString(), 0, 0.9), block(QStringLiteral("b"), 0, 0.85)}
        << QStringLiteral("\nb") << QStringLiteral(" b");
}

void TestTextProcessing::compose()
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

void TestTextProcessing::composeIgnoresInputOrder()
{
    // Three well separated lines of three overlapping blocks each: any input order reads the same.
    QList<TextBlock> blocks;
    QStringList expected;
    for (int line = 0; line < 3; ++line)
        for (int column = 0; column < 3; ++column) {
            const QString text = QStringLiteral("%1%2").arg(line).arg(column);
            blocks.append(block(text, 0.1 + 0.3 * column, 0.8 - 0.2 * line + 0.004 * ((column * 7) % 3)));
            expected.append(text);
        }
    QRandomGenerator random(42);
    for (int round = 0; round < 200; ++round) {
        std::shuffle(blocks.begin(), blocks.end(), random);
        QCOMPARE(TP::compose(blocks, true), expected.join(u'\n'));
    }
}

void TestTextProcessing::stableOrderSurvivesAnyComparator()
{
    QRandomGenerator random(7);
    for (int round = 0; round < 300; ++round) {
        const std::size_t count = random.bounded(0, 80);
        // Adversarial comparators: coin flips, always true, and a chain of slightly offset blocks
        // that are pairwise on one line but not end to end.
        const int mode = round % 3;
        QList<TextBlock> chain;
        for (std::size_t i = 0; i < count; ++i)
            chain.append(block(QString::number(i), random.generateDouble(), 0.5 + 0.01 * double(i), 0.03));
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

void TestTextProcessing::transform_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("normalize");
    QTest::addColumn<bool>("quotes");
    QTest::addColumn<QString>("rules");
    QTest::addColumn<QString>("expected");

    const QString decomposed = QStringLiteral("caf") + QStringLiteral("e\u0301");
    QTest::newRow("all off") << decomposed << false << false << QString() << decomposed;
    QTest::newRow("nfc") << decomposed << true << false << QString() << QStringLiteral("caf\u00E9");
    QTest::newRow("nfc before rules")
        << decomposed << true << false << QStringLiteral("\u00E9 => E") << QStringLiteral("cafE");
    QTest::newRow("quotes") << QStringLiteral("\u201Cword\u201D isn\u2019t \u2018it\u2019 \u201E\u00AB")
                            << false << true << QString()
                            << QStringLiteral("\"word\" isn't 'it' \u201E\u00AB");
    QTest::newRow("two separators ignored") << QStringLiteral("a => b") << false << false
                                            << QStringLiteral("a => b => c") << QStringLiteral("a => b");
    QTest::newRow("empty find ignored")
        << QStringLiteral("x") << false << false << QStringLiteral(" => y") << QStringLiteral("x");
    QTest::newRow("empty replacement deletes")
        << QStringLiteral("a-b-c") << false << false << QStringLiteral("- => ") << QStringLiteral("abc");
    QTest::newRow("arrow without spaces")
        << QStringLiteral("a") << false << false << QStringLiteral("a=>b") << QStringLiteral("a");
    QTest::newRow("rules chain") << QStringLiteral("ab") << false << false << QStringLiteral("a => b\nb => c")
                                 << QStringLiteral("cc");
    QTest::newRow("crlf rules") << QStringLiteral("ab") << false << false
                                << QStringLiteral("a => x\r\nb => y\r\n") << QStringLiteral("xy");
    QTest::newRow("unicode line separator") << QStringLiteral("ab") << false << false
                                            << QStringLiteral("a => x\u2028b => y") << QStringLiteral("xy");
    QTest::newRow("spaces are part of the rule")
        << QStringLiteral("a b  c") << false << false << QStringLiteral("   =>  ") << QStringLiteral("a b c");
    QTest::newRow("case sensitive, non overlapping")
        << QStringLiteral("aaaA") << false << false << QStringLiteral("aa => b") << QStringLiteral("baA");
    QTest::newRow("replacement not searched again")
        << QStringLiteral("a") << false << false << QStringLiteral("a => aa") << QStringLiteral("aa");
    // Rules run after the region texts are joined, so they can rewrite the separator too.
    QTest::newRow("rule rewrites a separator") << QStringLiteral("one | two") << false << false
                                               << QStringLiteral(" | => \t") << QStringLiteral("one\t two");
    QTest::newRow("precomposed rule finds decomposed text")
        << decomposed + QStringLiteral(" caf\u00E9") << false << false << QStringLiteral("caf\u00E9 => cafe")
        << QStringLiteral("cafe cafe");
    QTest::newRow("decomposed rule finds precomposed text")
        << QStringLiteral("\u00C5ngstr\u00F6m") << false << false << QStringLiteral("A\u030A => A")
        << QStringLiteral("Angstr\u00F6m");
    QTest::newRow("base letter does not match an accented one")
        << decomposed << false << false << QStringLiteral("e => E") << decomposed;
}

void TestTextProcessing::transform()
{
    QFETCH(QString, text);
    QFETCH(bool, normalize);
    QFETCH(bool, quotes);
    QFETCH(QString, rules);
    QFETCH(QString, expected);
    QCOMPARE(TP::transform(text, normalize, quotes, rules), expected);
}

void TestTextProcessing::equivalentSearchLeavesOtherTextAlone()
{
    // Only the matched span changes form: the decomposed letter elsewhere is kept decomposed.
    const QString text = QStringLiteral("ne\u0301e x \u00E9");
    QCOMPARE(TP::replaceEquivalent(text, QStringLiteral("x"), QStringLiteral("y")),
             QStringLiteral("ne\u0301e y \u00E9"));
    QCOMPARE(TP::replaceEquivalent(text, QStringLiteral("\u00E9"), QStringLiteral("E")),
             QStringLiteral("nEe x E"));
    QCOMPARE(TP::replaceEquivalent(QStringLiteral("\U0001F600a\U0001F600"), QStringLiteral("\U0001F600"),
                                   QStringLiteral("-")),
             QStringLiteral("-a-"));
}

QTEST_GUILESS_MAIN(TestTextProcessing)
#include "test_textprocessing.moc"
