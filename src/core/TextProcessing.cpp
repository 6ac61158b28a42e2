// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TextProcessing.h"

#include <QRegularExpression>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace vellumix::TextProcessing {

namespace {

constexpr double lineToleranceFactor = 0.45;
constexpr double paragraphGapFactor = 1.8;

bool isHorizontalSpace(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

QString trimmedSpaces(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isHorizontalSpace(text.at(begin)))
        ++begin;
    while (end > begin && isHorizontalSpace(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

bool isLineBreak(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

std::vector<std::size_t> rowOrder(const QList<TextBlock>& blocks)
{
    return stableOrder(std::size_t(blocks.size()), [&blocks](std::size_t a, std::size_t b) {
        return readsBefore(blocks[qsizetype(a)], blocks[qsizetype(b)]);
    });
}

struct Gutter
{
    double left = 0.0;
    double right = 0.0;
};

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

double characterWidth(const QList<TextBlock>& blocks, const std::vector<std::size_t>& indices)
{
    std::vector<double> widths;
    for (std::size_t i : indices) {
        const TextBlock& b = blocks[qsizetype(i)];
        widths.push_back(b.width / double(std::max<qsizetype>(1, b.text.trimmed().size())));
    }
    return median(std::move(widths));
}

struct WordCount
{
    int words = 0;
    int numbers = 0; // words holding a digit
};

WordCount countWords(const QString& text)
{
    static const QRegularExpression space(QStringLiteral("\\s+")), digit(QStringLiteral("\\d"));
    const QStringList parts = text.split(space, Qt::SkipEmptyParts);
    return {int(parts.size()), int(std::count_if(parts.begin(), parts.end(),
                                                 [](const QString& part) { return part.contains(digit); }))};
}

bool overlapsVertically(const TextBlock& a, const TextBlock& b)
{
    return a.y < b.y + b.height && b.y < a.y + a.height;
}

// The widest vertical strip that no line narrower than most of the text's width crosses,
// at least a couple of characters wide: where columns could sit side by side.
std::optional<Gutter>
findGutter(const QList<TextBlock>& blocks, const std::vector<std::size_t>& indices, bool anyHeight = false)
{
    if (indices.size() < 6)
        return std::nullopt;
    double left = 1e300, right = -1e300;
    for (std::size_t i : indices) {
        left = std::min(left, blocks[qsizetype(i)].x);
        right = std::max(right, blocks[qsizetype(i)].x + blocks[qsizetype(i)].width);
    }
    // Headings are left out: one over both columns may be narrower than the two. The prose
    // beside a sidebar is not: it takes most of the width.
    std::vector<double> heights;
    for (std::size_t i : indices)
        heights.push_back(blocks[qsizetype(i)].height);
    const double usual = median(std::move(heights));
    std::vector<std::size_t> narrow;
    for (std::size_t i : indices)
        if (blocks[qsizetype(i)].width <= 0.75 * (right - left) &&
            (anyHeight || blocks[qsizetype(i)].height <= 1.3 * usual))
            narrow.push_back(i);
    if (narrow.size() < 6)
        return std::nullopt;
    const double minimum = 1.5 * characterWidth(blocks, narrow);
    // A heading no taller than the text, over both columns, is narrow too: the widest line, or
    // a tenth of the lines, may cross the gutter.
    std::sort(narrow.begin(), narrow.end(), [&blocks](std::size_t a, std::size_t b) {
        return blocks[qsizetype(a)].width > blocks[qsizetype(b)].width;
    });
    const std::size_t crossing = std::max<std::size_t>(1, narrow.size() / 10);
    // A column beside a gutter holds three lines or a line of a few words: a title bar's lone
    // icon beyond the end of short lines makes none.
    const auto column = [&](const Gutter& gutter, bool before) {
        std::size_t lines = 0;
        for (std::size_t i : indices) {
            const TextBlock& b = blocks[qsizetype(i)];
            if (before ? b.x + b.width <= gutter.left : b.x >= gutter.right) {
                if (++lines >= 3 || countWords(b.text).words >= 4)
                    return true;
            }
        }
        return false;
    };
    const auto widestGap = [&](std::vector<std::size_t> across) -> std::optional<Gutter> {
        if (across.empty())
            return std::nullopt;
        std::sort(across.begin(), across.end(), [&blocks](std::size_t a, std::size_t b) {
            return blocks[qsizetype(a)].x < blocks[qsizetype(b)].x;
        });
        std::optional<Gutter> widest;
        double reach = blocks[qsizetype(across.front())].x + blocks[qsizetype(across.front())].width;
        for (std::size_t i : across) {
            const TextBlock& b = blocks[qsizetype(i)];
            const Gutter gap{reach, b.x};
            if (b.x - reach >= minimum && (!widest || b.x - reach > widest->right - widest->left) &&
                column(gap, true) && column(gap, false))
                widest = gap;
            reach = std::max(reach, b.x + b.width);
        }
        return widest;
    };
    for (std::size_t skipped = 0; skipped <= crossing; ++skipped)
        if (auto gutter = widestGap({narrow.begin() + std::ptrdiff_t(skipped), narrow.end()}))
            return gutter;
    // Failing that, the top rows and the bottom row are left out: a title and a toolbar over
    // both columns, or a status bar under them, are no wider than they are.
    std::sort(narrow.begin(), narrow.end(), [&blocks](std::size_t a, std::size_t b) {
        return blocks[qsizetype(a)].y > blocks[qsizetype(b)].y;
    });
    const TextBlock bottomLine = blocks[qsizetype(narrow.back())];
    for (int rows = 0; rows < 2 && !narrow.empty(); ++rows) {
        const TextBlock topLine = blocks[qsizetype(narrow.front())];
        std::erase_if(narrow, [&](std::size_t i) {
            return overlapsVertically(blocks[qsizetype(i)], topLine) ||
                   overlapsVertically(blocks[qsizetype(i)], bottomLine);
        });
        if (auto gutter = widestGap(narrow))
            return gutter;
    }
    return std::nullopt;
}

// The lines that start at an edge two more lines share: a side may hold columns of its own.
std::size_t alignedLines(const QList<TextBlock>& blocks, const std::vector<std::size_t>& side)
{
    const double slack = 2.0 * characterWidth(blocks, side);
    return std::size_t(std::count_if(side.begin(), side.end(), [&](std::size_t i) {
        return std::count_if(side.begin(), side.end(), [&](std::size_t j) {
                   return std::abs(blocks[qsizetype(j)].x - blocks[qsizetype(i)].x) <= slack;
               }) >= 3;
    }));
}

// Prose on both sides, each side's lines mostly starting at shared edges, and the shorter side
// running beside the other line for line; or a sidebar's list beside prose. Settings lists and
// tables fail the first test (short values, numbers), chat bubbles the last (their lines
// alternate), so those stay in rows.
bool sideBySideProse(const QList<TextBlock>& blocks,
                     const std::vector<std::size_t>& a,
                     const std::vector<std::size_t>& b)
{
    auto prose = [&blocks](const std::vector<std::size_t>& side) {
        if (side.size() < 3)
            return false;
        std::vector<double> words, characters;
        int all = 0, numbers = 0;
        std::size_t runOn = 0; // lines that begin in lower case: a sentence wrapped onto them
        for (std::size_t i : side) {
            const QString text = blocks[qsizetype(i)].text.trimmed();
            const WordCount count = countWords(text);
            runOn += std::size_t(!text.isEmpty() && text.front().isLower());
            words.push_back(double(count.words));
            characters.push_back(double(text.size()));
            all += count.words;
            numbers += count.numbers;
        }
        // A table's cells of names, versions and sizes are no prose, however many a line.
        if (4 * numbers > all)
            return false;
        // A narrow column of long words (Russian, a serif face) wraps after three of them.
        const double perLine = median(std::move(words));
        // A narrower one wraps after two, but mostly within its sentences.
        const bool wrapped = perLine >= 4 || (perLine >= 3 && median(std::move(characters)) >= 14) ||
                             (perLine >= 2 && 2 * runOn >= side.size());
        return wrapped && 3 * alignedLines(blocks, side) >= 2 * side.size();
    };
    auto beside = [&blocks](const std::vector<std::size_t>& side, const std::vector<std::size_t>& other) {
        const auto paired = std::count_if(side.begin(), side.end(), [&](std::size_t i) {
            return std::any_of(other.begin(), other.end(), [&](std::size_t j) {
                return overlapsVertically(blocks[qsizetype(i)], blocks[qsizetype(j)]);
            });
        });
        return 5 * std::size_t(paired) >= 3 * side.size();
    };
    // A list of short items (a sidebar's, a panel's) beside prose runs on a pitch of its own:
    // its items stand beside the prose's lines without sharing their baselines, where a table's
    // label shares the baseline of its text's first line. Chat bubbles stand beside nothing.
    auto list = [&blocks](const std::vector<std::size_t>& side) {
        if (side.size() < 3)
            return false;
        std::vector<double> words;
        for (std::size_t i : side)
            words.push_back(countWords(blocks[qsizetype(i)].text).words);
        return median(std::move(words)) <= 3 && 3 * alignedLines(blocks, side) >= 2 * side.size();
    };
    // The distance from one line to the next, most often.
    auto pitch = [&blocks](const std::vector<std::size_t>& side) {
        std::vector<double> centres, steps;
        for (std::size_t i : side)
            centres.push_back(blocks[qsizetype(i)].y + blocks[qsizetype(i)].height / 2);
        std::sort(centres.begin(), centres.end());
        for (std::size_t i = 1; i < centres.size(); ++i)
            steps.push_back(centres[i] - centres[i - 1]);
        return median(std::move(steps));
    };
    auto ownPitch = [&](const std::vector<std::size_t>& items, const std::vector<std::size_t>& text) {
        // Or on the pitch of the prose's lines or paragraphs, but level with only some of them:
        // a table's labels are nearly all level with their values.
        const auto level = std::count_if(items.begin(), items.end(), [&](std::size_t i) {
            const TextBlock& item = blocks[qsizetype(i)];
            return std::any_of(text.begin(), text.end(), [&](std::size_t j) {
                const TextBlock& line = blocks[qsizetype(j)];
                return std::abs(item.y + item.height / 2 - line.y - line.height / 2) <=
                       0.25 * std::min(item.height, line.height);
            });
        });
        const double lines = pitch(text), ratio = lines > 0.0 ? pitch(items) / lines : 0.0;
        // Or running on below the prose's end, where a table's labels end with their values.
        double end = std::numeric_limits<double>::max();
        for (std::size_t j : text)
            end = std::min(end, blocks[qsizetype(j)].y);
        const auto below = std::count_if(items.begin(), items.end(), [&](std::size_t i) {
            return blocks[qsizetype(i)].y + blocks[qsizetype(i)].height < end;
        });
        // A list longer than the prose beside it stands beside most of the prose's lines.
        return (beside(items, text) || (items.size() > text.size() && beside(text, items))) &&
               (std::abs(ratio - std::round(ratio)) > 0.15 || 4 * std::size_t(level) < 3 * items.size() ||
                below >= 2);
    };
    if ((prose(a) && list(b) && ownPitch(b, a)) || (prose(b) && list(a) && ownPitch(a, b)))
        return true;
    // Or a line or two of sentences beside such a list: a page of little text beside a sidebar.
    auto sentences = [&blocks](const std::vector<std::size_t>& side) {
        if (side.empty() || side.size() > 2)
            return false;
        int all = 0, numbers = 0;
        for (std::size_t i : side) {
            const WordCount count = countWords(blocks[qsizetype(i)].text);
            if (count.words < 3)
                return false;
            all += count.words;
            numbers += count.numbers;
        }
        return all >= 8 && 4 * numbers <= all;
    };
    if ((sentences(a) && list(b) && ownPitch(b, a)) || (sentences(b) && list(a) && ownPitch(a, b)))
        return true;
    // A line or two of prose at the top beside a longer column: the text runs on from it.
    auto runsOn = [&](const std::vector<std::size_t>& side, const std::vector<std::size_t>& other) {
        const auto sentence = [&](std::size_t i) {
            const WordCount count = countWords(blocks[qsizetype(i)].text);
            return count.words >= 4 && 4 * count.numbers <= count.words;
        };
        const auto highest = [&](const std::vector<std::size_t>& lines) -> const TextBlock& {
            return blocks[qsizetype(
                *std::max_element(lines.begin(), lines.end(), [&](std::size_t x, std::size_t y) {
                    return blocks[qsizetype(x)].y < blocks[qsizetype(y)].y;
                }))];
        };
        return !side.empty() && side.size() <= 2 && std::all_of(side.begin(), side.end(), sentence) &&
               prose(other) && beside(side, other) && overlapsVertically(highest(side), highest(other));
    };
    if (runsOn(a, b) || runsOn(b, a))
        return true;
    // Columns spaced apart need not share baselines: a line between two of the other side's
    // lines, no further apart than a paragraph's break, stands beside them. A few chat bubbles
    // alternate just so; columns run on for more lines.
    auto alongside = [&](const std::vector<std::size_t>& side, const std::vector<std::size_t>& other) {
        if (side.size() < 5)
            return beside(side, other);
        const double step = pitch(other);
        std::vector<double> centres;
        for (std::size_t j : other)
            centres.push_back(blocks[qsizetype(j)].y + blocks[qsizetype(j)].height / 2);
        std::sort(centres.begin(), centres.end());
        const auto paired = std::count_if(side.begin(), side.end(), [&](std::size_t i) {
            const TextBlock& line = blocks[qsizetype(i)];
            const double centre = line.y + line.height / 2;
            const auto higher = std::upper_bound(centres.begin(), centres.end(), centre);
            return std::any_of(
                       other.begin(), other.end(),
                       [&](std::size_t j) { return overlapsVertically(line, blocks[qsizetype(j)]); }) ||
                   (higher != centres.begin() && higher != centres.end() &&
                    *higher - *(higher - 1) <= 2 * step);
        });
        return 5 * std::size_t(paired) >= 3 * side.size();
    };
    // A column may run on below the other's end, so the shorter one tells.
    return prose(a) && prose(b) && (a.size() <= b.size() ? alongside(a, b) : alongside(b, a));
}

// Appends `rows` (in row order) to `out`, reading side-by-side prose columns one after the
// other. Lines that cross the gutter, such as a heading over both columns, end a run of columns.
void arrange(const QList<TextBlock>& blocks,
             const std::vector<std::size_t>& rows,
             std::vector<std::size_t>& out)
{
    // Where the usual height is a sidebar's, its larger text beside it would count as headings.
    std::optional<Gutter> gutter = findGutter(blocks, rows);
    if (!gutter)
        gutter = findGutter(blocks, rows, true);
    if (!gutter) {
        out.insert(out.end(), rows.begin(), rows.end());
        return;
    }
    std::vector<std::size_t> section, left, right;
    auto flush = [&] {
        if (sideBySideProse(blocks, left, right)) {
            arrange(blocks, left, out);
            arrange(blocks, right, out);
        } else {
            out.insert(out.end(), section.begin(), section.end());
        }
        section.clear();
        left.clear();
        right.clear();
    };
    // A line crosses the gutter where it spans its middle: the gutter's edges come from the
    // narrow lines alone, and a heading's box may reach a little into it.
    const double middle = (gutter->left + gutter->right) / 2;
    for (std::size_t i : rows) {
        const TextBlock& b = blocks[qsizetype(i)];
        if (b.x + b.width > middle && b.x < middle) {
            flush();
            out.push_back(i);
            continue;
        }
        section.push_back(i);
        (b.x < middle ? left : right).push_back(i);
    }
    flush();
}

} // namespace

bool onOneLine(const TextBlock& a, const TextBlock& b)
{
    // Bottoms, or middles: a label that reaches below the baseline ("Keep below rule type")
    // still shares its row with a shortcut that does not.
    const double tolerance = lineToleranceFactor * std::min(a.height, b.height);
    return tolerance > std::abs(a.y - b.y) || tolerance > std::abs(a.y + a.height / 2 - b.y - b.height / 2);
}

bool readsBefore(const TextBlock& a, const TextBlock& b)
{
    if (onOneLine(a, b))
        return a.x < b.x;
    return a.y > b.y;
}

std::vector<std::vector<std::size_t>> rowsOfBlocks(const QList<TextBlock>& blocks)
{
    std::vector<std::size_t> order;
    order.reserve(std::size_t(blocks.size()));
    arrange(blocks, rowOrder(blocks), order);
    std::vector<std::vector<std::size_t>> rows;
    for (std::size_t index : order) {
        if (!rows.empty() && onOneLine(blocks[qsizetype(rows.back().back())], blocks[qsizetype(index)]))
            rows.back().push_back(index);
        else
            rows.push_back({index});
    }
    std::erase_if(rows, [](const std::vector<std::size_t>& row) { return row.size() < 2; });
    return rows;
}

std::vector<std::size_t> stableOrder(std::size_t count,
                                     const std::function<bool(std::size_t, std::size_t)>& before)
{
    std::vector<std::size_t> order(count);
    for (std::size_t i = 0; i < count; ++i)
        order[i] = i;
    std::vector<std::size_t> buffer(count);
    // Bottom-up merge: each pass reads every run exactly once, so the loop bounds alone decide
    // termination and no index can leave the sequence. Taking from the right run only when it is
    // strictly before the left keeps the sort stable.
    for (std::size_t width = 1; width < count; width *= 2) {
        for (std::size_t lo = 0; lo < count; lo += 2 * width) {
            const std::size_t mid = std::min(lo + width, count);
            const std::size_t hi = std::min(lo + 2 * width, count);
            std::size_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi)
                buffer[k++] = before(order[j], order[i]) ? order[j++] : order[i++];
            while (i < mid)
                buffer[k++] = order[i++];
            while (j < hi)
                buffer[k++] = order[j++];
        }
        order.swap(buffer);
    }
    return order;
}

QString compose(const QList<TextBlock>& blocks, bool preserve)
{
    std::vector<std::size_t> order;
    order.reserve(std::size_t(blocks.size()));
    arrange(blocks, rowOrder(blocks), order);

    QString result;
    if (preserve) {
        bool first = true;
        for (std::size_t index : order) {
            if (!first)
                result += u'\n';
            first = false;
            result += blocks[qsizetype(index)].text;
        }
        return result;
    }

    const TextBlock* previous = nullptr;
    for (std::size_t index : order) {
        const TextBlock& current = blocks[qsizetype(index)];
        if (previous) {
            const double gap = previous->y - current.y;
            const double limit = paragraphGapFactor * std::max(previous->height, current.height);
            result += gap > limit ? QStringLiteral("\n\n") : QStringLiteral(" ");
        }
        result += trimmedSpaces(current.text);
        previous = &current;
    }
    return result;
}

QString replaceEquivalent(const QString& text, const QString& find, const QString& replacement)
{
    if (find.isEmpty() || text.isEmpty())
        return text;

    // Compare whole grapheme clusters in decomposed form: clusters begin at starters, so the
    // concatenated decompositions of consecutive clusters are the decomposition of their span.
    const QString target = find.normalized(QString::NormalizationForm_D);
    QList<qsizetype> bounds{0};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    while (finder.toNextBoundary() != -1)
        bounds.append(finder.position());
    if (bounds.last() != text.size())
        bounds.append(text.size());

    QList<QString> decomposed;
    decomposed.reserve(bounds.size() - 1);
    for (qsizetype k = 0; k + 1 < bounds.size(); ++k)
        decomposed.append(
            text.mid(bounds[k], bounds[k + 1] - bounds[k]).normalized(QString::NormalizationForm_D));

    QString result;
    qsizetype copiedUpTo = 0;
    const qsizetype clusters = decomposed.size();
    for (qsizetype k = 0; k < clusters;) {
        qsizetype matched = 0;
        qsizetype m = k;
        while (m < clusters) {
            const QString& piece = decomposed[m];
            if (QStringView(target).mid(matched).startsWith(piece)) {
                matched += piece.size();
                ++m;
                if (matched == target.size())
                    break;
            } else {
                break;
            }
        }
        if (matched == target.size() && m > k) {
            result += QStringView(text).mid(copiedUpTo, bounds[k] - copiedUpTo);
            result += replacement;
            copiedUpTo = bounds[m];
            k = m;
        } else {
            ++k;
        }
    }
    if (copiedUpTo == 0)
        return text;
    result += QStringView(text).mid(copiedUpTo);
    return result;
}

QString transform(const QString& text, bool normalize, bool quotes, const QString& rules)
{
    QString result = normalize ? text.normalized(QString::NormalizationForm_C) : text;

    if (quotes) {
        static const std::pair<char16_t, char16_t> table[] = {
            {u'\u201C', u'"'}, {u'\u201D', u'"'}, {u'\u2018', u'\''}, {u'\u2019', u'\''}};
        for (const auto& [from, to] : table)
            result = replaceEquivalent(result, QString(QChar(from)), QString(QChar(to)));
    }

    const QString separator = QStringLiteral(" => ");
    qsizetype start = 0;
    while (start <= rules.size()) {
        qsizetype end = start;
        while (end < rules.size() && !isLineBreak(rules.at(end)))
            ++end;
        const QStringView line = QStringView(rules).mid(start, end - start);
        start = end + 1;

        const qsizetype at = line.indexOf(separator);
        if (at < 0 || line.indexOf(separator, at + separator.size()) >= 0)
            continue;
        const QString find = line.left(at).toString();
        if (find.isEmpty())
            continue;
        result = replaceEquivalent(result, find, line.mid(at + separator.size()).toString());
    }
    return result;
}

} // namespace vellumix::TextProcessing
