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

} // namespace

QString
withUnderscores(const QImage& grey, const QRect& line, int baseline, double pitch, const QString& text)
{
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
    // measure finds nothing to mend, a fainter one is tried.
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

        const Grid grid = fitGrid(columns.upper, line.left() - x0, line.right() - x0, pitch);
        if (!grid.fits())
            return text; // proportional: fainter ink only cuts more
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
        // The cells the words cover, and any underscores that Tesseract left out at either end.
        int first = int(std::floor((line.left() - x0 + 0.2 * grid.pitch - grid.origin) / grid.pitch));
        int last = int(std::floor((line.right() - x0 - 0.2 * grid.pitch - grid.origin) / grid.pitch));
        while (cellAt(first - 1) == Cell::Underscore)
            --first;
        while (cellAt(last + 1) == Cell::Underscore)
            ++last;

        QString glyphs = text;
        glyphs.remove(QLatin1Char(' ')).remove(QLatin1Char('_'));
        QString rebuilt;
        qsizetype next = 0;
        for (int k = first; k <= last; ++k) {
            switch (cellAt(k)) {
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
                (!grid.sure() &&
                 ((spaced && after[i].isEmpty()) || (!spaced && after[i].contains(QLatin1Char(' '))))))
                return std::nullopt;
        }
        return rebuilt;
    };
    for (const int percent : {45, 30})
        if (const std::optional<QString> rebuilt = attempt(percent))
            return *rebuilt;
    return text;
}

} // namespace vellumix::MonospaceText
