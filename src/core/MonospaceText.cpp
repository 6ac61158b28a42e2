// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/MonospaceText.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace vellumix::MonospaceText {

namespace {

enum class Cell { Empty, Glyph, Underscore, Unclear };

// Ink per column of the line: above the baseline (letters, digits, signs) and below it alone.
struct Columns
{
    std::vector<int> upper, lower;
};

// The line's cells, as a cell's left edge and the pitch, found where the cell edges run
// between the characters. In proportional text many edges cut through letters.
struct Grid
{
    double origin = 0.0, pitch = 0.0;
    int cuts = 0;
    double cells = 0.0;

    bool fits() const { return pitch > 0.0 && cuts * 15 <= int(cells); }
    // So sure that Tesseract's spaces count for less than the image's.
    bool sure() const { return pitch > 0.0 && cuts == 0 && cells >= 20.0; }
};

Grid fitGrid(const std::vector<int>& upper, int from, int to, double pitch)
{
    const double cells = (to - from) / pitch;
    if (cells < 6.0)
        return {};
    const double pitchStep = 0.04 * pitch / cells;
    Grid best;
    int bestCuts = 0, bestPlateau = 0;
    for (int step = 0; step * pitchStep <= 0.3 * pitch; ++step) {
        const double p = 0.9 * pitch + step * pitchStep;
        const double offsetStep = std::max(0.25, p / 16.0);
        const int offsets = int(p / offsetStep);
        // Cuts for each offset; the middle of the longest run of fewest cuts is the surest fit.
        // Counting stops where a grid can no longer fit or beat the best: in proportional text
        // that is after a few edges.
        const int enough = std::min(int(cells) / 15, best.pitch == 0.0 ? int(cells) : bestCuts) + 1;
        std::vector<int> cuts(std::size_t(offsets), 0);
        for (int i = 0; i < offsets; ++i) {
            int& cut = cuts[std::size_t(i)];
            for (double edge = from + i * offsetStep; edge <= to && cut < enough; edge += p)
                cut += upper[std::size_t(std::lround(edge))] > 0 ? 1 : 0;
        }
        const int fewest = *std::min_element(cuts.begin(), cuts.end());
        int plateau = 0, run = 0, runEnd = 0;
        for (int i = 0; i < 2 * offsets; ++i) { // twice round: the offsets wrap
            run = cuts[std::size_t(i % offsets)] == fewest ? run + 1 : 0;
            if (run > plateau && run <= offsets) {
                plateau = run;
                runEnd = i;
            }
        }
        if (best.pitch == 0.0 || fewest < bestCuts || (fewest == bestCuts && plateau > bestPlateau)) {
            bestCuts = fewest;
            bestPlateau = plateau;
            best = Grid{from + std::fmod((runEnd - (plateau - 1) / 2.0) * offsetStep, p), p};
        }
    }
    best.cuts = bestCuts;
    best.cells = cells;
    return best;
}

// What stands before, between and after the characters of text other than spaces and underscores.
QList<QStringView> separators(const QString& text)
{
    QList<QStringView> result;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char(' ') && text.at(i) != QLatin1Char('_')) {
            result.append(QStringView(text).mid(start, i - start));
            start = i + 1;
        }
    }
    result.append(QStringView(text).mid(start));
    return result;
}

// The line rebuilt from its cells alone: a glyph cell takes the next character of text, a cell
// with only a low stroke is an underscore, an empty one a space. None where the cells do not
// match the characters.
std::optional<QString> rebuiltWhole(const std::vector<Cell>& cells, const QString& text, bool sureGrid)
{
    QString glyphs = text;
    glyphs.remove(QLatin1Char(' ')).remove(QLatin1Char('_'));
    QString rebuilt;
    qsizetype next = 0;
    for (const Cell cell : cells) {
        switch (cell) {
        case Cell::Glyph:
            if (next == glyphs.size())
                return std::nullopt;
            rebuilt += glyphs.at(next++);
            break;
        case Cell::Underscore:
            rebuilt += QLatin1Char('_');
            break;
        case Cell::Empty:
            if (!rebuilt.isEmpty() && !rebuilt.endsWith(QLatin1Char(' ')))
                rebuilt += QLatin1Char(' ');
            break;
        case Cell::Unclear:
            return std::nullopt;
        }
    }
    rebuilt = rebuilt.trimmed();
    if (next != glyphs.size())
        return std::nullopt;
    // Underscores are only ever added: between any two characters, an underscore stays and a
    // space may become one, but unless the grid is sure no space appears or goes. Where one
    // would, the cells may not be the characters' (short proportional text that fit a grid).
    const QList<QStringView> before = separators(text), after = separators(rebuilt);
    for (qsizetype i = 0; i < before.size(); ++i) {
        const bool spaced = before[i].contains(QLatin1Char(' '));
        if (after[i].count(QLatin1Char('_')) < before[i].count(QLatin1Char('_')) ||
            (!sureGrid &&
             ((spaced && after[i].isEmpty()) || (!spaced && after[i].contains(QLatin1Char(' '))))))
            return std::nullopt;
    }
    return rebuilt;
}

// Underscores taken from the image piece by piece must stand where an identifier has them:
// before a letter ("__restrict", "_M_get"), or between letters and digits ("png_uint_32").
// Blur below a glyph and whatever lies between a terminal's columns stand elsewhere.
bool inIdentifier(QChar before, const QString& separator, QChar after)
{
    if (!separator.contains(QLatin1Char('_')))
        return true;
    const bool joined = !separator.contains(QLatin1Char(' '));
    const bool leading = separator.startsWith(QLatin1Char(' ')) && separator.count(QLatin1Char(' ')) == 1;
    return after.isLetter() ? joined || leading
                            : joined && before.isLetterOrNumber() && after.isLetterOrNumber();
}

// Where the whole line does not match its cells, Tesseract read a character too many or too few
// somewhere, or an editor's line number lies off the grid. The runs of glyph cells between
// underscores and spaces are matched to the words' pieces between underscores, from the left
// and then from the right, each way up to the first that does not match; what lies between
// stays as read. spans: each word's first and last cell. None where nothing changes, or where
// most pieces do not match: then the cells are no characters' (a photo's grain).
std::optional<QString> mendedByPieces(const std::vector<Cell>& cells,
                                      const std::vector<Word>& words,
                                      const std::vector<std::pair<int, int>>& spans,
                                      const QString& text)
{
    struct Run
    {
        int start = 0; // cell
        qsizetype glyphs = 0;
        QString after; // underscores, and one space for any empty cells
    };
    QString seenLead;
    std::vector<Run> runs;
    for (int k = 0; k < int(cells.size()); ++k) {
        const Cell cell = cells[std::size_t(k)];
        if (cell == Cell::Glyph || cell == Cell::Unclear) {
            if (runs.empty() || !runs.back().after.isEmpty())
                runs.push_back({k, 0, {}});
            ++runs.back().glyphs;
        } else {
            QString& separator = runs.empty() ? seenLead : runs.back().after;
            if (cell == Cell::Underscore)
                separator += QLatin1Char('_');
            else if (!separator.endsWith(QLatin1Char(' ')))
                separator += QLatin1Char(' ');
        }
    }
    struct Piece
    {
        QString glyphs, after;
        std::size_t word = 0;
    };
    QString readLead;
    std::vector<Piece> pieces;
    for (std::size_t w = 0; w < words.size(); ++w) {
        if (w > 0 && !words[w].joined)
            (pieces.empty() ? readLead : pieces.back().after) += QLatin1Char(' ');
        for (const QChar c : words[w].text) {
            if (c == QLatin1Char('_')) {
                (pieces.empty() ? readLead : pieces.back().after) += c;
            } else {
                if (pieces.empty() || !pieces.back().after.isEmpty())
                    pieces.push_back({{}, {}, w});
                pieces.back().glyphs += c;
            }
        }
    }

    // A piece over the runs lo to hi: they must begin within its word's cells and add up to its
    // glyphs, with only underscores between them.
    auto spell = [&](const Piece& piece, std::size_t lo, std::size_t hi) -> std::optional<QString> {
        const auto [from, to] = spans[piece.word];
        if (runs[lo].start < from - 1 || runs[lo].start > to + 1)
            return std::nullopt;
        QString spelt;
        qsizetype at = 0;
        for (std::size_t r = lo; r <= hi; ++r) {
            const qsizetype end = at + runs[r].glyphs;
            if (end > piece.glyphs.size() ||
                (r < hi && (runs[r].after.contains(QLatin1Char(' ')) ||
                            !inIdentifier(piece.glyphs.at(end - 1), runs[r].after, piece.glyphs.at(end)))))
                return std::nullopt;
            spelt += piece.glyphs.mid(at, runs[r].glyphs) + (r < hi ? runs[r].after : QString());
            at = end;
        }
        if (at != piece.glyphs.size())
            return std::nullopt;
        return spelt;
    };
    struct Match
    {
        QString spelt;
        std::size_t lo = 0, hi = 0;
    };
    std::vector<std::optional<Match>> found(pieces.size());
    std::size_t left = 0, right = runs.size(); // runs not yet matched: [left, right)
    std::size_t p = 0;
    for (; p < pieces.size() && left < right; ++p) {
        std::size_t hi = left;
        for (qsizetype sum = runs[hi].glyphs; sum < pieces[p].glyphs.size() && hi + 1 < right;)
            sum += runs[++hi].glyphs;
        const std::optional<QString> spelt = spell(pieces[p], left, hi);
        if (!spelt)
            break;
        found[p] = Match{*spelt, left, hi};
        left = hi + 1;
    }
    for (std::size_t q = pieces.size(); q > p && left < right; --q) {
        std::size_t lo = right - 1;
        for (qsizetype sum = runs[lo].glyphs; sum < pieces[q - 1].glyphs.size() && lo > left;)
            sum += runs[--lo].glyphs;
        const std::optional<QString> spelt = spell(pieces[q - 1], lo, right - 1);
        if (!spelt)
            break;
        found[q - 1] = Match{*spelt, lo, right - 1};
        right = lo;
    }
    if (2 * std::count_if(found.begin(), found.end(), [](const auto& match) { return match.has_value(); }) <
        std::ptrdiff_t(found.size()))
        return std::nullopt;

    // A separator is the image's where the pieces either side of it matched the runs either side
    // of the same cells.
    auto agrees = [](QChar before, const QString& read, const QString& seen, QChar after) {
        return seen.count(QLatin1Char('_')) >= read.count(QLatin1Char('_')) &&
               (read.contains(QLatin1Char(' ')) ? !seen.isEmpty() : !seen.contains(QLatin1Char(' '))) &&
               inIdentifier(before, seen, after);
    };
    auto spelt = [&](std::size_t i) { return found[i] ? found[i]->spelt : pieces[i].glyphs; };
    QString mended =
        found.front() && found.front()->lo == 0 && agrees({}, readLead, seenLead, spelt(0).front())
            ? seenLead
            : readLead;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const std::optional<Match>& match = found[i];
        mended += spelt(i);
        const bool final = i + 1 == pieces.size();
        const bool bothSides = match && (final ? match->hi + 1 == runs.size()
                                               : found[i + 1] && found[i + 1]->lo == match->hi + 1);
        const QString seen = match ? runs[match->hi].after : QString();
        mended +=
            bothSides && agrees(mended.back(), pieces[i].after, seen, final ? QChar() : spelt(i + 1).front())
                ? seen
                : pieces[i].after;
    }
    mended = mended.trimmed();
    if (mended == text)
        return std::nullopt;
    return mended;
}

} // namespace

QString withUnderscores(const QImage& grey, const std::vector<Word>& words, int baseline, double pitch)
{
    QString text;
    QRect line;
    for (const Word& word : words) {
        text += (text.isEmpty() || word.joined ? QString() : QStringLiteral(" ")) + word.text;
        line |= word.box;
    }
    if (grey.format() != QImage::Format_Grayscale8 || pitch < 3.0 || !line.isValid())
        return text;
    const int above = baseline - line.top();
    if (above < 6)
        return text;
    // Every character but the underscore and the punctuation that sits on the baseline has ink
    // well above it. The underscore lies on the baseline or below it: just under the letters in
    // some fonts, as deep as the descenders in others.
    const int top = std::max(0, line.top());
    const int split = baseline - std::max(1, int(std::lround(0.12 * above)));
    const int bottom =
        std::min(grey.height() - 1, std::max(line.bottom(), baseline + int(std::lround(0.4 * above))));
    const int reach = int(std::ceil(3 * pitch));
    const int x0 = std::max(0, line.left() - reach);
    const int x1 = std::min(grey.width() - 1, line.right() + reach);
    if (split >= bottom || top >= split)
        return text;

    std::vector<int> histogram(256, 0);
    for (int y = top; y <= bottom; ++y) {
        const uchar* row = grey.constScanLine(y);
        for (int x = x0; x <= x1; ++x)
            ++histogram[row[x]];
    }
    const int pixels = (bottom - top + 1) * (x1 - x0 + 1);
    int paper = 0;
    for (int seen = 0; seen + histogram[std::size_t(paper)] <= pixels / 2; ++paper)
        seen += histogram[std::size_t(paper)];
    int far = 0;
    for (int level = 0; level < 256; ++level)
        if (histogram[std::size_t(level)] > 0)
            far = std::max(far, std::abs(level - paper));
    if (far < 48)
        return text;

    // Syntax colours give some words far less contrast than others: where the strongest ink's
    // measure finds nothing to mend, a fainter one is tried. Only where neither matches the
    // whole line is it mended piece by piece, at the strongest measure: fainter ink finds strokes
    // in blur.
    const int strongest = 45, fainter = 30;
    // The strongest measure's cells, and each word's first and last of them, kept for mending.
    std::vector<Cell> strongCells;
    std::vector<std::pair<int, int>> strongSpans;
    auto attempt = [&](int percent) -> std::optional<QString> {
        Columns columns{std::vector<int>(std::size_t(x1 - x0 + 1), 0),
                        std::vector<int>(std::size_t(x1 - x0 + 1), 0)};
        for (int y = top; y <= bottom; ++y) {
            const uchar* row = grey.constScanLine(y);
            std::vector<int>& counts = y <= split ? columns.upper : columns.lower;
            for (int x = x0; x <= x1; ++x)
                if (std::abs(row[x] - paper) * 100 >= far * percent)
                    ++counts[std::size_t(x - x0)];
        }
        // Nothing below the line alone: no underscore can be missing.
        bool lowAlone = false;
        for (std::size_t i = 0; i < columns.lower.size() && !lowAlone; ++i)
            lowAlone = columns.lower[i] > 0 && columns.upper[i] == 0;
        if (!lowAlone)
            return std::nullopt;

        // An editor's line number stands in a gutter of its own, off the code's grid.
        const bool numbered =
            words.size() >= 2 && std::all_of(words.front().text.begin(), words.front().text.end(),
                                             [](QChar c) { return c.isDigit(); });
        Grid grid = fitGrid(columns.upper, line.left() - x0, line.right() - x0, pitch);
        if (!grid.fits() && numbered)
            grid = fitGrid(columns.upper, words[1].box.left() - x0, line.right() - x0, pitch);
        // Proportional where the strongest ink does not fit: fainter ink only cuts more. Where
        // fainter ink does not fit, the strongest may still mend the line piece by piece.
        if (!grid.fits())
            return percent == strongest ? std::optional<QString>(text) : std::nullopt;
        const int width = x1 - x0 + 1;
        auto cellAt = [&](int k) {
            const double start = grid.origin + k * grid.pitch;
            const int from = int(std::ceil(start + 0.2 * grid.pitch));
            const int to = int(std::floor(start + 0.8 * grid.pitch));
            if (start < 0 || start + grid.pitch > width || to < from)
                return Cell::Unclear;
            int low = 0;
            for (int c = from; c <= to; ++c) {
                if (columns.upper[std::size_t(c)] > 0)
                    return Cell::Glyph;
                low += columns.lower[std::size_t(c)] > 0 ? 1 : 0;
            }
            if (low == 0)
                return Cell::Empty;
            // A stroke across the cell, or a period or comma.
            return low * 5 >= (to - from + 1) * 3 ? Cell::Underscore : Cell::Glyph;
        };
        auto cellOf = [&](double x) { return int(std::floor((x - x0 - grid.origin) / grid.pitch)); };
        // The cells the words cover, and any underscores that Tesseract left out at either end.
        int first = cellOf(line.left() + 0.2 * grid.pitch);
        int last = cellOf(line.right() - 0.2 * grid.pitch);
        while (cellAt(first - 1) == Cell::Underscore)
            --first;
        while (cellAt(last + 1) == Cell::Underscore)
            ++last;

        std::vector<Cell> cells;
        for (int k = first; k <= last; ++k)
            cells.push_back(cellAt(k));
        if (percent == strongest) {
            for (const Word& word : words)
                strongSpans.emplace_back(cellOf(word.box.left()) - first, cellOf(word.box.right()) - first);
            strongCells = cells;
        }
        return rebuiltWhole(cells, text, grid.sure());
    };
    for (const int percent : {strongest, fainter})
        if (const std::optional<QString> rebuilt = attempt(percent))
            return *rebuilt;
    if (strongCells.empty())
        return text;
    return mendedByPieces(strongCells, words, strongSpans, text).value_or(text);
}

} // namespace vellumix::MonospaceText
