// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TextProcessing.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

using namespace vellumix;
using namespace Qt::StringLiterals;
namespace TP = vellumix::TextProcessing;

namespace {

TextBlock block(const QString& text, double x, double y, double height = 0.05)
{
    return TextBlock{.text = text, .x = x, .y = y, .width = 0.2, .height = height};
}

// Lines of two columns at the same heights, as a page of an article or paper is set.
QList<TextBlock> columns(const QStringList& left, const QStringList& right, double top)
{
    QList<TextBlock> blocks;
    for (qsizetype i = 0; i < left.size(); ++i)
        blocks.append(
            {.text = left[i], .x = 0.05, .y = top - 0.05 * double(i), .width = 0.4, .height = 0.04});
    for (qsizetype i = 0; i < right.size(); ++i)
        blocks.append(
            {.text = right[i], .x = 0.55, .y = top - 0.05 * double(i), .width = 0.4, .height = 0.04});
    return blocks;
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

        QTest::newRow("worked example")
            << QList<TextBlock>{block(u"A"_s, 0.1, 0.80), block(u" C "_s, 0.1, 0.60),
                                block(u"B"_s, 0.5, 0.81)}
            << u"A\nB\n C "_s << u"A B\n\nC"_s;
        // 0.45 * 0.04 = 0.018, exactly the difference: not the same line, so the higher block first
        // even though it lies to the right.
        QTest::newRow("tolerance is strict")
            << QList<TextBlock>{block(u"low"_s, 0.1, 0.0, 0.04), block(u"high"_s, 0.6, 0.45 * 0.04, 0.05)}
            << u"high\nlow"_s << u"high low"_s;
        QTest::newRow("just inside the tolerance is one line")
            << QList<TextBlock>{block(u"right"_s, 0.6, 0.517, 0.05), block(u"left"_s, 0.1, 0.5, 0.04)}
            << u"left\nright"_s << u"left right"_s;
        // Bottoms 0.012 apart, beyond 0.45 * 0.026; middles 0.005.
        QTest::newRow("a label reaching below the baseline beside its shortcut")
            << QList<TextBlock>{block(u"Ctrl+X"_s, 0.7, 0.512, 0.026), block(u"Keep below"_s, 0.1, 0.5, 0.04)}
            << u"Keep below\nCtrl+X"_s << u"Keep below Ctrl+X"_s;
        // Gap exactly 1.8 * 0.05 = 0.09 joins with a space; a little more breaks the paragraph.
        QTest::newRow("gap at the limit")
            << QList<TextBlock>{block(u"a"_s, 0, 1.8 * 0.05), block(u"b"_s, 0, 0.0)} << u"a\nb"_s << u"a b"_s;
        QTest::newRow("gap beyond the limit")
            << QList<TextBlock>{block(u"a"_s, 0, 1.8 * 0.05 + 1e-9), block(u"b"_s, 0, 0.0)} << u"a\nb"_s
            << u"a\n\nb"_s;
        QTest::newRow("whitespace block keeps its separator")
            << QList<TextBlock>{block(u"a"_s, 0, 0.9), block(u"   "_s, 0, 0.85), block(u"b"_s, 0, 0.8)}
            << u"a\n   \nb"_s << u"a  b"_s;
        QTest::newRow("empty text still a line")
            << QList<TextBlock>{block(QString(), 0, 0.9), block(u"b"_s, 0, 0.85)} << u"\nb"_s << u" b"_s;

        const QStringList left = {u"the first column starts here"_s, u"and it runs on for a while"_s,
                                  u"before it ends at the bottom"_s};
        const QStringList right = {u"then the second column starts"_s, u"and goes on in the same way"_s,
                                   u"until the page is done"_s};
        QTest::newRow("prose columns one after the other")
            << columns(left, right, 0.9) << (left + right).join(u'\n') << (left + right).join(u' ');
        QList<TextBlock> page = columns(left, right, 0.8);
        page.prepend(
            {.text = u"A heading over both columns"_s, .x = 0.05, .y = 0.9, .width = 0.9, .height = 0.06});
        page.append(
            {.text = u"A footnote across the page"_s, .x = 0.05, .y = 0.5, .width = 0.9, .height = 0.04});
        QTest::newRow("heading and footnote across columns")
            << page
            << (QStringList{page.first().text} + left + right + QStringList{page.last().text}).join(u'\n')
            << u"A heading over both columns "_s + (left + right).join(u' ') +
                   u"\n\nA footnote across the page"_s;
        // A column that runs on below the other's end, under a heading narrower than the two.
        const QStringList longer = left + QStringList{u"where it turns the page"_s, u"and runs on"_s};
        QList<TextBlock> uneven = columns(longer, right, 0.8);
        uneven.prepend({.text = u"A heading"_s, .x = 0.05, .y = 0.9, .width = 0.52, .height = 0.06});
        QTest::newRow("uneven columns under a heading")
            << uneven << (QStringList{u"A heading"_s} + longer + right).join(u'\n')
            << u"A heading "_s + (longer + right).join(u' ');
        // A heading as tall as the text, narrower than the two columns, across the gutter.
        QList<TextBlock> headed = columns(longer, right, 0.8);
        headed.prepend({.text = u"A heading as tall"_s, .x = 0.05, .y = 0.9, .width = 0.53, .height = 0.04});
        QTest::newRow("columns under a heading as tall as the text")
            << headed << (QStringList{u"A heading as tall"_s} + longer + right).join(u'\n')
            << u"A heading as tall\n\n"_s + (longer + right).join(u' ');
        // Three columns: the widest gutter parts the first from the other two, read in turn.
        QList<TextBlock> three = columns(left, right, 0.9);
        for (TextBlock& block : three)
            block.width = 0.25;
        const QStringList third = {u"and a third column follows"_s, u"as a newspaper sets its page"_s,
                                   u"with the last of the text"_s};
        for (qsizetype i = 0; i < third.size(); ++i)
            three.append(
                {.text = third[i], .x = 0.85, .y = 0.9 - 0.05 * double(i), .width = 0.12, .height = 0.04});
        QTest::newRow("three columns")
            << three << (left + right + third).join(u'\n') << (left + right + third).join(u' ');
        // A column whose text runs on for a line at the top of the next.
        QTest::newRow("a column running on for one line")
            << columns(longer, {right[0]}, 0.9) << (longer + QStringList{right[0]}).join(u'\n')
            << (longer + QStringList{right[0]}).join(u' ');
        // A narrow column of long words holds three of them to a line.
        const QStringList narrow = {u"centralizing the decision"_s, u"making process with"_s,
                                    u"access to privileged"_s};
        QTest::newRow("columns of long words")
            << columns(left, narrow, 0.9) << (left + narrow).join(u'\n') << (left + narrow).join(u' ');
        // Narrower still, two words to a line, but running on in lower case.
        const QStringList wrapped = {u"image compositing"_s, u"using masks"_s, u"and trapezoids"_s};
        QTest::newRow("columns of two words a line")
            << columns(left, wrapped, 0.9) << (left + wrapped).join(u'\n') << (left + wrapped).join(u' ');
        QTest::newRow("settings values stay beside their labels")
            << columns(left, {u"120 MB"_s, u"4 GB"_s, u"Off"_s}, 0.9)
            << u"the first column starts here\n120 MB\nand it runs on for a while\n4 GB\n"
               "before it ends at the bottom\nOff"_s
            << u"the first column starts here 120 MB and it runs on for a while 4 GB "
               "before it ends at the bottom Off"_s;
        // A package list's names and versions, four words a line, beside their descriptions.
        const QStringList packages = {u"ii xclip 0.13-2 amd64"_s, u"ii xdotool 1:3.20-5 amd64"_s,
                                      u"ii xkb-data 2.35.1-1 all"_s};
        const QStringList descriptions = {u"command line interface to X selections"_s,
                                          u"simulate keyboard and mouse input"_s,
                                          u"X Keyboard Extension configuration data"_s};
        QStringList rows;
        for (qsizetype i = 0; i < packages.size(); ++i)
            rows << packages[i] << descriptions[i];
        QTest::newRow("a table's cells stay in rows")
            << columns(packages, descriptions, 0.9) << rows.join(u'\n') << rows.join(u' ');
        // A sidebar's items beside wider prose, each on its own pitch.
        const QStringList items = {u"Modaliases"_s, u"Child"_s, u"Angle delta"_s, u"Strong"_s,
                                   u"Volume Down"_s};
        const QStringList prose = {u"These functions only provide type classification;"_s,
                                   u"they do not enforce type restrictions. Type"_s,
                                   u"enforcement may, of course, be built using these"_s,
                                   u"classification functions, but the attention of"_s,
                                   u"the reader is drawn to the validation module"_s,
                                   u"which does so for every parameter it is given"_s};
        // A sidebar's list on a pitch of 0.07 and the first `lines` of prose beside it.
        const auto besideList = [&prose](const QStringList& list, qsizetype lines, double step,
                                         double height) {
            QList<TextBlock> blocks;
            for (qsizetype i = 0; i < list.size(); ++i)
                blocks.append(
                    {.text = list[i], .x = 0.05, .y = 0.9 - 0.07 * double(i), .width = 0.15, .height = 0.04});
            for (qsizetype i = 0; i < lines; ++i)
                blocks.append({.text = prose[i],
                               .x = 0.3,
                               .y = 0.9 - step * double(i),
                               .width = 0.65,
                               .height = height});
            return blocks;
        };
        QList<TextBlock> sidebar = besideList(items, prose.size(), 0.05, 0.04);
        QTest::newRow("a sidebar's list before the prose beside it")
            << sidebar << (items + prose).join(u'\n') << (items + prose).join(u' ');
        // A list running on far below a short text beside it.
        const QStringList longList = items + QStringList{u"Binaries"_s, u"Fatal error"_s, u"Class"_s,
                                                         u"Preview text"_s, u"Basic setup"_s};
        QTest::newRow("a sidebar's list longer than the text")
            << besideList(longList, 4, 0.05, 0.04) << (longList + prose.first(4)).join(u'\n')
            << (longList + prose.first(4)).join(u' ');
        // Three lines of text, each level with an item, and the list running on below them:
        // a table's labels end with its values.
        QTest::newRow("a sidebar's list level with the text's few lines")
            << besideList(items, 3, 0.07, 0.04) << (items + prose.first(3)).join(u'\n')
            << (items + prose.first(3)).join(u' ');
        // On the prose's own pitch, but a paragraph break leaves half the items level with none
        // of its lines: a table's labels are all level with their values.
        QList<TextBlock> broken = besideList(longList.first(6), prose.size(), 0.07, 0.04);
        for (qsizetype i = 9; i < broken.size(); ++i)
            broken[i].y -= 0.035;
        QTest::newRow("a sidebar's list on the text's pitch, beside a paragraph break")
            << broken << (longList.first(6) + prose).join(u'\n')
            << (longList.first(6) + prose.first(3)).join(u' ') + u"\n\n"_s + prose.last(3).join(u' ');
        // A sentence or two in larger type beside a longer list: the list's height is the usual.
        QTest::newRow("a sentence or two beside a longer list")
            << besideList(longList, 2, 0.06, 0.06) << (longList + prose.first(2)).join(u'\n')
            << (longList + prose.first(2)).join(u' ');
        // Columns whose baselines do not line up: each line stands between two of the other's.
        // Spaced so wide, each line reflows as a paragraph of its own, the columns run on.
        const QStringList other = {u"Redistribution and use in source and binary forms,"_s,
                                   u"with or without modification, are permitted provided"_s,
                                   u"that the following conditions are met: copies of"_s,
                                   u"the source must retain the above copyright notice,"_s,
                                   u"this list of conditions and the disclaimer below,"_s,
                                   u"and the names of its authors may not be used."_s};
        QList<TextBlock> staggered = columns(prose, other, 0.9);
        for (qsizetype i = 0; i < staggered.size(); ++i) {
            staggered[i].height = 0.024;
            staggered[i].y = 0.9 - 0.06 * double(i % prose.size()) - (i < prose.size() ? 0.0 : 0.03);
        }
        QTest::newRow("columns on staggered baselines")
            << staggered << (prose + other).join(u'\n')
            << prose.join(u"\n\n"_s) + u' ' + other.join(u"\n\n"_s);
        // A toolbar over both reaches across the gutter.
        QList<TextBlock> toolbar = sidebar;
        toolbar.append(
            {.text = u"Extensions Navigate"_s, .x = 0.02, .y = 0.97, .width = 0.5, .height = 0.03});
        QTest::newRow("a sidebar's list under a toolbar")
            << toolbar << (QStringList{u"Extensions Navigate"_s} + items + prose).join(u'\n')
            << (QStringList{u"Extensions Navigate"_s} + items + prose).join(u' ');
        // And a title over the toolbar.
        QList<TextBlock> titled = sidebar;
        titled.append({.text = u"Tools"_s, .x = 0.02, .y = 0.95, .width = 0.5, .height = 0.025});
        titled.append({.text = u"Details"_s, .x = 0.45, .y = 0.98, .width = 0.1, .height = 0.02});
        QTest::newRow("a sidebar's list under a title and a toolbar")
            << titled << (QStringList{u"Details"_s, u"Tools"_s} + items + prose).join(u'\n')
            << (QStringList{u"Details"_s, u"Tools"_s} + items + prose).join(u' ');
        // A window button read as letters far right of shorter prose: no column of its own.
        QList<TextBlock> button = sidebar;
        for (qsizetype i = items.size(); i < button.size(); ++i)
            button[i].width = 0.3;
        button.append({.text = u"ohn"_s, .x = 0.93, .y = 0.97, .width = 0.04, .height = 0.03});
        QTest::newRow("a sidebar's list below a window button")
            << button << (items + QStringList{u"ohn"_s} + prose).join(u'\n')
            << (items + QStringList{u"ohn"_s} + prose).join(u' ');
        // The same list stepping as the prose's paragraphs, level with none of its lines.
        const double steps[] = {0.9, 0.825, 0.75, 0.7, 0.625, 0.55};
        for (qsizetype i = 0; i < sidebar.size(); ++i) {
            sidebar[i].height = 0.045;
            sidebar[i].y = i < items.size() ? 0.88 - 0.075 * double(i) : steps[i - items.size()];
        }
        QTest::newRow("a sidebar's list on the paragraphs' pitch")
            << sidebar << (items + prose).join(u'\n') << (items + prose).join(u' ');
        // Chat bubbles on both sides, one below the other: the conversation's order is the rows'.
        QList<TextBlock> chat = columns(left, right, 0.9);
        for (qsizetype i = 0; i < 3; ++i) {
            chat[i].y = 0.9 - 0.1 * double(i);
            chat[i + 3].y = 0.85 - 0.1 * double(i);
        }
        QTest::newRow("alternating bubbles stay in rows")
            << chat << QStringList{left[0], right[0], left[1], right[1], left[2], right[2]}.join(u'\n')
            << QStringList{left[0], right[0], left[1], right[1], left[2], right[2]}.join(u' ');
    }
    void compose()
    {
        QFETCH(QList<TextBlock>, blocks);
        QFETCH(QString, preserved);
        QFETCH(QString, reflowed);
        QCOMPARE(TP::compose(blocks, true), preserved);
        QCOMPARE(TP::compose(blocks, false), reflowed);
    }
    void stableOrderSurvivesAnyComparator()
    {
        QRandomGenerator random(7);
        for (int round = 0; round < 300; ++round) {
            const std::size_t count = random.bounded(0, 80);
            // Adversarial comparators: coin flips, and a chain of slightly offset blocks that are
            // pairwise on one line but not end to end.
            const bool coin = round % 2 == 0;
            QList<TextBlock> chain;
            for (std::size_t i = 0; i < count; ++i)
                chain.append(
                    block(QString::number(i), random.generateDouble(), 0.5 + 0.01 * double(i), 0.03));
            const auto before = [&](std::size_t a, std::size_t b) {
                return coin ? random.bounded(2) == 1
                            : TP::readsBefore(chain[qsizetype(a)], chain[qsizetype(b)]);
            };
            std::vector<std::size_t> order = TP::stableOrder(count, before);
            QCOMPARE(order.size(), count);
            std::sort(order.begin(), order.end());
            for (std::size_t i = 0; i < count; ++i)
                QCOMPARE(order[i], i);
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
        QTest::newRow("nfc before rules") << decomposed << true << false << u"\u00E9 => E"_s << u"cafE"_s;
        QTest::newRow("quotes") << u"\u201Cword\u201D isn\u2019t \u2018it\u2019 \u201E\u00AB"_s << false
                                << true << QString() << u"\"word\" isn't 'it' \u201E\u00AB"_s;
        QTest::newRow("two separators ignored")
            << u"a => b"_s << false << false << u"a => b => c"_s << u"a => b"_s;
        QTest::newRow("empty find ignored") << u"x"_s << false << false << u" => y"_s << u"x"_s;
        QTest::newRow("crlf rules") << u"ab"_s << false << false << u"a => x\r\nb => y\r\n"_s << u"xy"_s;
        QTest::newRow("case sensitive, non overlapping")
            << u"aaaA"_s << false << false << u"aa => b"_s << u"baA"_s;
        QTest::newRow("replacement not searched again")
            << u"a"_s << false << false << u"a => aa"_s << u"aa"_s;
        QTest::newRow("precomposed rule finds decomposed text")
            << decomposed + u" caf\u00E9"_s << false << false << u"caf\u00E9 => cafe"_s << u"cafe cafe"_s;
        QTest::newRow("base letter does not match an accented one")
            << decomposed << false << false << u"e => E"_s << decomposed;
        // Only the matched span changes form: a decomposed letter elsewhere stays decomposed.
        QTest::newRow("unmatched text keeps its form")
            << u"ne\u0301e x \u00E9"_s << false << false << u"\u00E9 => E"_s << u"nEe x E"_s;
        QTest::newRow("surrogate pairs")
            << u"\U0001F600a\U0001F600"_s << false << false << u"\U0001F600 => -"_s << u"-a-"_s;
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
};

QTEST_GUILESS_MAIN(TestTextProcessing)
#include "test_textprocessing.moc"
