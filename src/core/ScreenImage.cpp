// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ScreenImage.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>

#include <leptonica/allheaders.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numeric>
#include <utility>
#include <vector>

namespace vellumix::ScreenImage {

namespace {

// Levels between the lighter and the darker paper of an image beyond which it counts as uneven.
constexpr int unevenSpread = 64;

// How many levels a panel's paper steps up to the rest at its edge, at the least.
constexpr int panelEdge = 32;

// How far below the lightest level a caption's fill may be: closer than a picture's noise.
constexpr int outlinedFillMargin = 24;

// How far below its paper a level must lie to count as ink.
constexpr int inkContrast = 96;

// Below this level for half of its pixels, an image is a dark window.
constexpr int darkPaperLevel = 100;

// Text lines closer to level than this many degrees read as well as levelled.
constexpr double levelEnough = 0.4;

// A strong edge whose steepest one-pixel step is less than this share of its step over four
// pixels is soft: rendered screens measure 0.69 and up, text blurred by a pixel or more below.
constexpr double softEdge = 0.62;

// How far a channel may stray from the window's colour, JPEG's ringing and dithering included.
constexpr int windowColourSpread = 28;

// More chips than this are a texture.
constexpr std::size_t maximumChips = 32;

// Leptonica's objects, destroyed through the pointer to them that its functions take.
template <typename T, void (*destroy)(T**)> struct Destroyer
{
    void operator()(T* object) const { destroy(&object); }
};
using PixPtr = std::unique_ptr<PIX, Destroyer<PIX, pixDestroy>>;
using BoxPtr = std::unique_ptr<BOX, Destroyer<BOX, boxDestroy>>;
using BoxaPtr = std::unique_ptr<BOXA, Destroyer<BOXA, boxaDestroy>>;
using PixaPtr = std::unique_ptr<PIXA, Destroyer<PIXA, pixaDestroy>>;

// The darkest and the lightest level within area of grey, which lies inside it.
std::pair<int, int> extremes(const QImage& grey, const QRect& area)
{
    int lightest = 0, darkest = 255;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const uchar* row = grey.constScanLine(y);
        const auto [low, high] = std::minmax_element(row + area.left(), row + area.right() + 1);
        darkest = std::min(darkest, int(*low));
        lightest = std::max(lightest, int(*high));
    }
    return {darkest, lightest};
}

PixPtr toPix(const QImage& grey)
{
    PixPtr pix(pixCreate(grey.width(), grey.height(), 8));
    if (!pix)
        return nullptr;
    const int wpl = pixGetWpl(pix.get());
    l_uint32* data = pixGetData(pix.get());
    for (int y = 0; y < grey.height(); ++y) {
        l_uint32* line = data + qsizetype(y) * wpl;
        const uchar* source = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            SET_DATA_BYTE(line, x, source[x]);
    }
    return pix;
}

QImage fromPix(PIX* pix)
{
    QImage image(int(pixGetWidth(pix)), int(pixGetHeight(pix)), QImage::Format_Grayscale8);
    const int wpl = pixGetWpl(pix);
    const l_uint32* data = pixGetData(pix);
    for (int y = 0; y < image.height(); ++y) {
        const l_uint32* line = data + qsizetype(y) * wpl;
        uchar* target = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x)
            target[x] = uchar(GET_DATA_BYTE(line, x));
    }
    return image;
}

QImage fromMask(PIX* mask)
{
    QImage image(int(pixGetWidth(mask)), int(pixGetHeight(mask)), QImage::Format_Grayscale8);
    const int wpl = pixGetWpl(mask);
    const l_uint32* data = pixGetData(mask);
    for (int y = 0; y < image.height(); ++y) {
        const l_uint32* line = data + qsizetype(y) * wpl;
        uchar* target = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x)
            target[x] = GET_DATA_BIT(line, x) ? 255 : 0;
    }
    return image;
}

using Histogram = std::array<qsizetype, 256>;

Histogram levels(const QImage& grey)
{
    Histogram counts{};
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* row = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            ++counts[row[x]];
    }
    return counts;
}

// The level below which fewer than `pixels` of the image lie: with half of them, its paper,
// where paper covers most of it.
int levelHolding(const Histogram& histogram, qsizetype pixels)
{
    int level = 0;
    for (qsizetype seen = 0; level < 255 && (seen += histogram[std::size_t(level)]) < pixels;)
        ++level;
    return level;
}

// The level half of the grey lies below.
int middleLevel(const QImage& grey)
{
    return levelHolding(levels(grey), qsizetype(grey.width()) * grey.height() / 2);
}

// The lightest level of each whole area of the given size, row by row. Areas a little taller
// than a line of text each hold some paper, and so do low ones wide enough to reach between
// letters.
std::vector<int> lightestPerArea(const QImage& grey, QSize area)
{
    std::vector<int> lightest;
    if (grey.isNull() || grey.format() != QImage::Format_Grayscale8)
        return lightest;
    for (int top = 0; top + area.height() <= grey.height(); top += area.height()) {
        for (int left = 0; left + area.width() <= grey.width(); left += area.width()) {
            int most = 0;
            for (int y = top; y < top + area.height(); ++y) {
                const uchar* row = grey.constScanLine(y) + left;
                most = std::max(most, int(*std::max_element(row, row + area.width())));
            }
            lightest.push_back(most);
        }
    }
    return lightest;
}

} // namespace

QImage grey(const QImage& image)
{
    if (image.isNull())
        return {};
    if (image.format() == QImage::Format_Grayscale8)
        return image;
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_Grayscale8);
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
    }
    return flat.convertToFormat(QImage::Format_Grayscale8);
}

// The window's mean stops short of a dark area's edge where the paper beside it is light: a
// panel's first letters, a button's corners stay light on dark. The mask grows over the dark
// pixels (its letters closed over) within a window's reach, to complete each area it mostly
// holds already. An area it holds only in part stays as it was: inverting part of it cuts
// through its text, and a large one inverted whole turns grey against the paper around it.
PixPtr completed(PIX* pix, PixPtr mask, int radius)
{
    const PixPtr dark(pixThresholdToBinary(pix, 128));
    const PixPtr reach(dark ? pixCloseSafeBrick(nullptr, dark.get(), 5, 5) : nullptr);
    const PixPtr near(pixDilateBrick(nullptr, mask.get(), 2 * radius + 1, 2 * radius + 1));
    if (!reach || !near)
        return mask;
    pixOr(reach.get(), reach.get(), mask.get());
    const PixPtr whole(pixSeedfillBinary(nullptr, mask.get(), reach.get(), 8));
    pixAnd(reach.get(), reach.get(), near.get());
    const PixPtr bounded(pixSeedfillBinary(nullptr, mask.get(), reach.get(), 8));
    const PixPtr beyond(whole && bounded ? pixSubtract(nullptr, whole.get(), bounded.get()) : nullptr);
    const PixPtr cut(beyond ? pixSeedfillBinary(nullptr, beyond.get(), whole.get(), 8) : nullptr);
    PixPtr grown(cut ? pixSubtract(nullptr, bounded.get(), cut.get()) : nullptr);
    if (!grown)
        return mask;
    pixOr(grown.get(), grown.get(), mask.get());
    PIXA* parts = nullptr;
    const BoxaPtr boxes(pixConnComp(grown.get(), &parts, 8));
    const PixaPtr areas(parts);
    if (!boxes || !areas)
        return mask;
    for (l_int32 i = 0; i < pixaGetCount(areas.get()); ++i) {
        const PixPtr area(pixaGetPix(areas.get(), i, L_CLONE));
        const BoxPtr box(pixaGetBox(areas.get(), i, L_CLONE));
        const PixPtr held(box ? pixClipRectangle(mask.get(), box.get(), nullptr) : nullptr);
        l_int32 x = 0, y = 0, w = 0, h = 0, all = 0, before = 0;
        if (!area || !held || boxGetGeometry(box.get(), &x, &y, &w, &h) != 0 ||
            pixAnd(held.get(), held.get(), area.get()) == nullptr ||
            pixCountPixels(area.get(), &all, nullptr) != 0 ||
            pixCountPixels(held.get(), &before, nullptr) != 0)
            return mask;
        if (4 * before < 3 * all) {
            pixRasterop(grown.get(), x, y, w, h, PIX_DST & PIX_NOT(PIX_SRC), area.get(), 0, 0);
            pixRasterop(grown.get(), x, y, w, h, PIX_SRC | PIX_DST, held.get(), 0, 0);
        }
    }
    return grown;
}

QImage normalizePolarity(const QImage& grey, int radius, QImage* darkRegions)
{
    if (grey.isNull() || grey.width() < 2 || grey.height() < 2)
        return grey;
    const PixPtr pix = toPix(grey);
    if (!pix)
        return grey;
    // Local mean over a window larger than text, so that only backgrounds decide.
    const int wc = std::min(radius, (grey.width() - 1) / 2);
    const int hc = std::min(radius, (grey.height() - 1) / 2);
    const PixPtr mean(pixBlockconv(pix.get(), std::max(wc, 1), std::max(hc, 1)));
    if (!mean)
        return grey;
    // On paper of a middle shade the letters alone darken the mean just below the threshold, in
    // specks that would invert pieces of them: a dark neighbourhood is clearly dark somewhere.
    const PixPtr below(pixThresholdToBinary(mean.get(), 128));
    const PixPtr clearlyDark(pixThresholdToBinary(mean.get(), 120));
    if (!below || !clearlyDark)
        return grey;
    PixPtr darkMask(pixSeedfillBinary(nullptr, clearlyDark.get(), below.get(), 8));
    if (!darkMask)
        return grey;
    l_int32 empty = 1;
    pixZero(darkMask.get(), &empty);
    if (empty)
        return grey;
    darkMask = completed(pix.get(), std::move(darkMask), radius);
    // pixThresholdToBinary sets pixels below the threshold: exactly the dark neighbourhoods.
    const PixPtr inverted(pixInvert(nullptr, pix.get()));
    if (!inverted || pixCombineMasked(pix.get(), inverted.get(), darkMask.get()) != 0)
        return grey;
    if (darkRegions)
        *darkRegions = fromMask(darkMask.get());
    return fromPix(pix.get());
}

QImage scale(const QImage& grey, double factor, bool sharpen)
{
    const PixPtr pix = toPix(grey);
    if (!pix)
        return {};
    PixPtr scaled(pixScaleGrayLI(pix.get(), float(factor), float(factor)));
    if (scaled && sharpen)
        scaled.reset(pixUnsharpMasking(scaled.get(), 1, 0.3f));
    return scaled ? fromPix(scaled.get()) : QImage();
}

QImage outlinedInk(const QImage& grey)
{
    if (grey.isNull() || grey.format() != QImage::Format_Grayscale8)
        return {};
    const Histogram histogram = levels(grey);
    // The fill's level: what the lightest half percent of the image reaches.
    qsizetype above = 0;
    int fill = 255;
    const qsizetype share = qsizetype(grey.width()) * grey.height() / 200;
    while (fill > 0 && (above += histogram[std::size_t(fill)]) < share)
        --fill;
    if (fill < 128)
        return {};
    const PixPtr pix = toPix(grey);
    if (!pix)
        return {};
    const PixPtr below(pixThresholdToBinary(pix.get(), fill - outlinedFillMargin));
    if (!below)
        return {};
    const PixPtr light(pixInvert(nullptr, below.get()));
    if (!light)
        return {};
    const PixPtr enclosed(pixRemoveBorderConnComps(light.get(), 8));
    if (!enclosed)
        return {};
    // Letters lie within a stroke of their outline; specks of bright paper do not.
    const PixPtr outline(pixThresholdToBinary(pix.get(), std::max(1, fill / 3)));
    if (!outline)
        return {};
    const PixPtr near(pixDilateBrick(nullptr, outline.get(), 7, 7));
    if (!near)
        return {};
    const PixPtr letters(pixAnd(nullptr, enclosed.get(), near.get()));
    // Dark text on light paper closes off only its letters' counters; the paper around its
    // strokes, open to the edges, is the larger share.
    const PixPtr paper(pixSubtract(nullptr, light.get(), enclosed.get()));
    const PixPtr paperNear(paper ? pixAnd(nullptr, paper.get(), near.get()) : nullptr);
    l_int32 inside = 0, outside = 0;
    if (!letters || !paperNear || pixCountPixels(letters.get(), &inside, nullptr) != 0 ||
        pixCountPixels(paperNear.get(), &outside, nullptr) != 0 || inside == 0 || inside <= outside)
        return {};
    QImage ink = fromMask(letters.get());
    ink.invertPixels();
    return ink;
}

bool hardEdged(const QImage& grey)
{
    if (grey.isNull() || grey.format() != QImage::Format_Grayscale8)
        return false;
    const Histogram histogram = levels(grey);
    const qsizetype total = qsizetype(grey.width()) * grey.height();
    const int paper = int(std::max_element(histogram.begin(), histogram.end()) - histogram.begin());
    int ink = -1;
    for (int level = 0; level < 256; ++level)
        if (std::abs(level - paper) > 64 &&
            (ink < 0 || histogram[std::size_t(level)] > histogram[std::size_t(ink)]))
            ink = level;
    if (ink < 0)
        return false;
    auto count = [&histogram](int from, int to) {
        qsizetype sum = 0;
        for (int level = std::max(0, from); level <= std::min(255, to); ++level)
            sum += histogram[std::size_t(level)];
        return sum;
    };
    const qsizetype inked = count(ink - 12, ink + 12);
    const qsizetype between = count(std::min(paper, ink) + 13, std::max(paper, ink) - 13);
    return inked * 1000 >= total && between * 10 < inked;
}

namespace {

bool pictureLevels(const Histogram& histogram, qsizetype total)
{
    for (int level = 0; level < 256; ++level) {
        qsizetype near = 0;
        for (int other = std::max(0, level - 2); other <= std::min(255, level + 2); ++other)
            near += histogram[std::size_t(other)];
        if (near * 10 >= total)
            return false;
    }
    return true;
}

} // namespace

bool picture(const QImage& grey)
{
    return !grey.isNull() && grey.format() == QImage::Format_Grayscale8 &&
           pictureLevels(levels(grey), qsizetype(grey.width()) * grey.height());
}

QImage lightestInk(const QImage& grey)
{
    if (grey.isNull() || grey.format() != QImage::Format_Grayscale8)
        return {};
    const Histogram histogram = levels(grey);
    const qsizetype total = qsizetype(grey.width()) * grey.height();
    if (!pictureLevels(histogram, total))
        return {};
    const int threshold = std::max(levelHolding(histogram, total - total / 200) - 25,
                                   levelHolding(histogram, total - total / 10) + 20);
    if (threshold > 255)
        return {};
    QImage ink(grey.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* row = grey.constScanLine(y);
        uchar* target = ink.scanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            target[x] = row[x] >= threshold ? 0 : 255;
    }
    return ink;
}

bool solidShape(const QImage& grey, const QRect& box)
{
    const QRect area = box & grey.rect();
    if (area.isEmpty() || grey.format() != QImage::Format_Grayscale8)
        return false;
    const auto [darkest, lightest] = extremes(grey, area);
    if (lightest - darkest < inkContrast / 2)
        return false;
    const int middle = (lightest + darkest) / 2;
    qsizetype dark = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const uchar* row = grey.constScanLine(y);
        dark += std::count_if(row + area.left(), row + area.right() + 1,
                              [&](uchar level) { return level < middle; });
    }
    return dark * 20 >= qsizetype(area.width()) * area.height() * 11;
}

int contrast(const QImage& grey, const QRect& box)
{
    const QRect area = box & grey.rect();
    if (area.isEmpty() || grey.format() != QImage::Format_Grayscale8)
        return 0;
    const auto [darkest, lightest] = extremes(grey, area);
    return lightest - darkest;
}

bool raisedMarkFirst(const QImage& grey, const QRect& box, int baseline)
{
    // A mark the models took into the word can lie just before its box.
    const QRect area = box.adjusted(-box.height() / 2, 0, 0, 0) & grey.rect();
    const int raised = area.top() + 2 * (baseline - area.top()) / 3;
    if (area.height() < 6 || raised >= area.bottom())
        return true;
    const Histogram histogram = levels(grey.copy(area));
    const auto used = [](qsizetype count) { return count > 0; };
    const int darkest = int(std::find_if(histogram.begin(), histogram.end(), used) - histogram.begin());
    const int lightest =
        255 - int(std::find_if(histogram.rbegin(), histogram.rend(), used) - histogram.rbegin());
    if (lightest - darkest < 64)
        return true;
    // Ink is the rarer side of the middle level, whichever the polarity.
    const int middle = (darkest + lightest) / 2;
    const qsizetype dark = std::accumulate(histogram.begin(), histogram.begin() + middle, qsizetype(0));
    const bool darkInk = dark * 2 < qsizetype(area.width()) * area.height();
    auto lowestInk = [&](int x) {
        for (int y = area.bottom(); y >= area.top(); --y) {
            if ((grey.constScanLine(y)[x] < middle) == darkInk)
                return y;
        }
        return -1;
    };
    // Strokes that begin near the box's left side; one cut by the area's side is the word before.
    const int last = std::min(area.right(), box.left() + box.height() / 2);
    int x = area.left();
    while (x <= area.right() && lowestInk(x) >= 0)
        ++x;
    for (;;) {
        while (x <= last && lowestInk(x) < 0)
            ++x;
        if (x > last)
            return false;
        bool high = true;
        for (; x <= area.right(); ++x) {
            const int lowest = lowestInk(x);
            if (lowest < 0)
                break;
            high = high && lowest <= raised;
        }
        if (high)
            return true;
    }
}

bool unevenPaper(const QImage& grey)
{
    std::vector<int> lightest = lightestPerArea(grey, {24, 24});
    if (lightest.size() < 4)
        return false;
    std::sort(lightest.begin(), lightest.end());
    const std::size_t tenth = lightest.size() / 10;
    return lightest[lightest.size() - 1 - tenth] - lightest[tenth] > unevenSpread;
}

double inkOutside(const QImage& grey, const std::vector<QRect>& boxes)
{
    if (grey.isNull() || grey.format() != QImage::Format_Grayscale8)
        return 0.0;
    const int ink = middleLevel(grey) - inkContrast;
    QImage inside(grey.size(), QImage::Format_Grayscale8);
    inside.fill(0);
    {
        QPainter painter(&inside);
        for (const QRect& box : boxes)
            painter.fillRect(box, Qt::white);
    }
    qsizetype all = 0, outside = 0;
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* row = grey.constScanLine(y);
        const uchar* covered = inside.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x) {
            if (row[x] >= ink)
                continue;
            ++all;
            outside += covered[x] == 0 ? 1 : 0;
        }
    }
    return all == 0 ? 0.0 : double(outside) / double(all);
}

QImage stretchToPaper(const QImage& grey)
{
    if (grey.isNull() || grey.format() != QImage::Format_Grayscale8)
        return grey;
    // Light text on the panel: its ink is lighter than the paper. Told away from the sides,
    // where a rounded chip's corners show the darker window around it.
    const int paper = middleLevel(grey);
    const int margin = std::min(grey.width(), grey.height()) / 4;
    const QRect middle = grey.rect().adjusted(margin, margin, -margin, -margin);
    qsizetype lighter = 0, darker = 0;
    for (int y = middle.top(); y <= middle.bottom(); ++y) {
        const uchar* row = grey.constScanLine(y);
        for (int x = middle.left(); x <= middle.right(); ++x) {
            lighter += int(row[x]) > paper + 48;
            darker += int(row[x]) < paper - 48;
        }
    }
    QImage source = grey;
    if (lighter > darker)
        source.invertPixels();
    const Histogram histogram = levels(source);
    const qsizetype total = qsizetype(source.width()) * source.height();
    const int ink = levelHolding(histogram, total / 100), light = levelHolding(histogram, total / 2);
    if (light - ink < 16)
        return source;
    QImage stretched(source.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < source.height(); ++y) {
        const uchar* in = source.constScanLine(y);
        uchar* out = stretched.scanLine(y);
        for (int x = 0; x < source.width(); ++x)
            out[x] = uchar(std::clamp((int(in[x]) - ink) * 255 / (light - ink), 0, 255));
    }
    return stretched;
}

QImage withoutCorners(const QImage& grey)
{
    if (grey.isNull() || grey.format() != QImage::Format_Grayscale8)
        return grey;
    const PixPtr pix = toPix(grey);
    const PixPtr ink(pix ? pixThresholdToBinary(pix.get(), 128) : nullptr);
    PIXA* pieces = nullptr;
    const BoxaPtr boxes(ink ? pixConnComp(ink.get(), &pieces, 8) : nullptr);
    const PixaPtr components(pieces);
    if (!boxes || !components)
        return grey;
    // In a corner, and no larger than a quarter of the panel's height: a letter its side cuts
    // through stays.
    const int most = std::max(2, grey.height() / 4);
    QImage cleared = grey;
    for (l_int32 i = 0; i < boxaGetCount(boxes.get()); ++i) {
        l_int32 x = 0, y = 0, w = 0, h = 0;
        if (boxaGetBoxGeometry(boxes.get(), i, &x, &y, &w, &h) != 0)
            continue;
        const bool atSide = x == 0 || x + w == grey.width(), atEdge = y == 0 || y + h == grey.height();
        // All round the text (the window about a round chip, a button's outline): its own
        // pixels, with the grey rim that smooths them, as the text lies inside.
        const auto holdsAnother = [&] {
            for (l_int32 j = 0; j < boxaGetCount(boxes.get()); ++j) {
                l_int32 jx = 0, jy = 0, jw = 0, jh = 0;
                if (j != i && boxaGetBoxGeometry(boxes.get(), j, &jx, &jy, &jw, &jh) == 0 && jx > x &&
                    jy > y && jx + jw < x + w && jy + jh < y + h)
                    return true;
            }
            return false;
        };
        if (5 * w >= 4 * grey.width() && 5 * h >= 4 * grey.height() && holdsAnother()) {
            const PixPtr piece(pixaGetPix(components.get(), i, L_CLONE));
            if (!piece)
                continue;
            const int wpl = pixGetWpl(piece.get());
            const l_uint32* data = pixGetData(piece.get());
            for (int row = 0; row < h; ++row) {
                for (int column = 0; column < w; ++column) {
                    if (!GET_DATA_BIT(data + qsizetype(row) * wpl, column))
                        continue;
                    const QRect around = QRect(x + column - 1, y + row - 1, 3, 3) & cleared.rect();
                    for (int r = around.top(); r <= around.bottom(); ++r)
                        std::fill_n(cleared.scanLine(r) + around.left(), around.width(), uchar(255));
                }
            }
            continue;
        }
        if (w > most || h > most || !atSide || !atEdge)
            continue;
        // With the rim of grey that smooths it.
        const QRect corner = QRect(x, y, w, h).adjusted(-1, -1, 1, 1) & cleared.rect();
        for (int row = corner.top(); row <= corner.bottom(); ++row)
            std::fill_n(cleared.scanLine(row) + corner.left(), corner.width(), uchar(255));
    }
    return cleared;
}

namespace {

// The set pixels of a binary pix within box; -1 where Leptonica fails.
l_int32 setPixelsWithin(PIX* pix, BOX* box)
{
    const PixPtr clipped(pixClipRectangle(pix, box, nullptr));
    l_int32 pixels = 0;
    return clipped && pixCountPixels(clipped.get(), &pixels, nullptr) == 0 ? pixels : -1;
}

// Ink closed into words, of about the given height, outside the lines read.
std::vector<QRect> wordsOfInk(PIX* mask, const QRect& bounds, const std::vector<QRect>& lines, int height)
{
    std::vector<QRect> found;
    for (const QRect& line : lines) {
        const QRect around = line.adjusted(-height / 4, -height / 4, height / 4, height / 4) & bounds;
        const BoxPtr box(boxCreate(around.x(), around.y(), around.width(), around.height()));
        if (box)
            pixClearInRect(mask, box.get());
    }
    // Letters closed into words.
    const PixPtr words(pixCloseSafeBrick(nullptr, mask, std::max(3, height / 2), 1));
    const BoxaPtr boxes(words ? pixConnCompBB(words.get(), 8) : nullptr);
    if (!boxes)
        return found;
    for (l_int32 i = 0; i < boxaGetCount(boxes.get()); ++i) {
        const BoxPtr box(boxaGetBox(boxes.get(), i, L_CLONE));
        l_int32 x = 0, y = 0, w = 0, h = 0;
        if (!box || boxGetGeometry(box.get(), &x, &y, &w, &h) != 0 || 2 * h < height || h > 2 * height ||
            w < height)
            continue;
        // Strokes, not a filled shape: an icon dropped from before its label is no word.
        const l_int32 pixels = setPixelsWithin(mask, box.get());
        if (pixels >= 0 && 2 * pixels < w * h)
            found.emplace_back(x, y, w, h);
    }
    return found;
}

} // namespace

std::vector<QRect> lostWords(const QImage& grey, const std::vector<QRect>& lines, int height)
{
    if (grey.isNull() || grey.format() != QImage::Format_Grayscale8 || height < 4)
        return {};
    const int ink = middleLevel(grey) - inkContrast;
    const PixPtr pix = toPix(grey);
    const PixPtr mask(pix && ink > 0 ? pixThresholdToBinary(pix.get(), ink) : nullptr);
    return mask ? wordsOfInk(mask.get(), grey.rect(), lines, height) : std::vector<QRect>{};
}

std::vector<QRect> faintWords(const QImage& grey, const std::vector<QRect>& lines, int height, int contrast)
{
    std::vector<QRect> found;
    if (grey.isNull() || grey.format() != QImage::Format_Grayscale8 || height < 4)
        return found;
    // The lightest level around each pixel, a little over a line's height either way, is its
    // paper.
    const PixPtr pix = toPix(grey);
    const int size = 2 * height + 1;
    const PixPtr paper(pix ? pixDilateGray(pix.get(), size, size) : nullptr);
    const PixPtr depth(paper ? pixSubtractGray(nullptr, paper.get(), pix.get()) : nullptr);
    const PixPtr faint(depth ? pixThresholdToBinary(depth.get(), contrast) : nullptr);
    if (!faint)
        return found;
    pixInvert(faint.get(), faint.get());
    return wordsOfInk(faint.get(), grey.rect(), lines, height);
}

std::vector<QRect> darkWidgets(const QImage& grey)
{
    std::vector<QRect> found;
    const PixPtr pix = toPix(grey);
    const PixPtr dark(pix ? pixThresholdToBinary(pix.get(), 128) : nullptr);
    // Closed over the light letters inside.
    const PixPtr solid(dark ? pixCloseSafeBrick(nullptr, dark.get(), 7, 7) : nullptr);
    const BoxaPtr boxes(solid ? pixConnCompBB(solid.get(), 8) : nullptr);
    if (!boxes)
        return found;
    for (l_int32 i = 0; i < boxaGetCount(boxes.get()); ++i) {
        const BoxPtr box(boxaGetBox(boxes.get(), i, L_CLONE));
        l_int32 x = 0, y = 0, w = 0, h = 0;
        if (!box || boxGetGeometry(box.get(), &x, &y, &w, &h) != 0 || h < 12 || h > 96 || w < 2 * h)
            continue;
        const l_int32 filledPixels = setPixelsWithin(solid.get(), box.get()),
                      darkPixels = setPixelsWithin(dark.get(), box.get());
        if (filledPixels < 0 || darkPixels < 0)
            continue;
        // Solid, and mostly dark: a line of dark text closes into a solid bar too, but has more
        // paper than ink between its strokes.
        const double area = double(w) * h;
        if (filledPixels >= 0.9 * area && darkPixels >= 0.5 * area && darkPixels <= 0.97 * area)
            found.emplace_back(x, y, w, h);
    }
    return found;
}

bool photographed(const QImage& grey)
{
    if (grey.isNull() || grey.format() != QImage::Format_Grayscale8)
        return false;
    const Histogram histogram = levels(grey);
    return 5 * *std::max_element(histogram.begin(), histogram.end()) <
           qsizetype(grey.width()) * grey.height();
}

bool blurred(const QImage& grey)
{
    if (grey.isNull() || grey.format() != QImage::Format_Grayscale8 || grey.width() < 8)
        return false;
    const Histogram histogram = levels(grey);
    const qsizetype pixels = qsizetype(grey.width()) * grey.height();
    const int contrast =
        levelHolding(histogram, pixels - pixels / 100) - levelHolding(histogram, pixels / 100);
    const int strong = std::max(16, contrast / 2);
    // Along each row, every step of half the contrast over four pixels, and how much of it
    // its steepest pixel takes.
    std::vector<double> shares;
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* row = grey.constScanLine(y);
        for (int x = 2; x + 2 < grey.width(); ++x) {
            const int step = std::abs(int(row[x + 2]) - int(row[x - 2]));
            if (step < strong)
                continue;
            int steepest = 0;
            for (int i = x - 2; i < x + 2; ++i)
                steepest = std::max(steepest, std::abs(int(row[i + 1]) - int(row[i])));
            shares.push_back(double(steepest) / step);
        }
    }
    // A few edges (a frame, an icon) say nothing of the text.
    if (shares.size() < 50)
        return false;
    const auto middle = shares.begin() + std::ptrdiff_t(shares.size() / 2);
    std::nth_element(shares.begin(), middle, shares.end());
    return *middle < softEdge;
}

QImage sharpened(const QImage& grey)
{
    const PixPtr pix = toPix(grey);
    if (!pix)
        return {};
    PixPtr scaled(pixScaleGrayLI(pix.get(), 2.0f, 2.0f));
    if (scaled)
        scaled.reset(pixUnsharpMaskingGray(scaled.get(), 5, 3.0f));
    return scaled ? fromPix(scaled.get()) : QImage();
}

double skew(const QImage& grey)
{
    if (grey.isNull() || grey.format() != QImage::Format_Grayscale8)
        return 0.0;
    const PixPtr pix = toPix(grey);
    const PixPtr ink(pix ? pixThresholdToBinary(pix.get(), 128) : nullptr);
    l_float32 angle = 0.0f, confidence = 0.0f;
    // Leptonica's confidence stays 0 for photographed screens whose angle it finds right.
    if (!ink || pixFindSkew(ink.get(), &angle, &confidence) != 0)
        return 0.0;
    return std::abs(angle) >= levelEnough ? double(angle) : 0.0;
}

QImage levelled(const QImage& image, double degrees)
{
    const QImage source = image.convertToFormat(QImage::Format_RGB32);
    const int middle = middleLevel(grey(source));
    QImage turned(source.size(), QImage::Format_RGB32);
    turned.fill(QColor(middle, middle, middle));
    QPainter painter(&turned);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(source.width() / 2.0, source.height() / 2.0);
    painter.rotate(degrees);
    painter.translate(-source.width() / 2.0, -source.height() / 2.0);
    painter.drawImage(0, 0, source);
    return turned;
}

bool darkPaper(const QImage& grey)
{
    if (grey.isNull() || grey.format() != QImage::Format_Grayscale8)
        return false;
    return middleLevel(grey) < darkPaperLevel;
}

std::vector<QRect> panels(const QImage& grey, int shade)
{
    std::vector<QRect> found;
    if (grey.isNull() || grey.format() != QImage::Format_Grayscale8)
        return found;
    // Low, wide cells: each reaches between the letters of a line to its paper, and fits inside
    // a selected row.
    const QSize cell(16, 4);
    const int columns = grey.width() / cell.width(), rows = grey.height() / cell.height();
    if (columns < 3 || rows < 3)
        return found;
    const std::vector<int> lightest = lightestPerArea(grey, cell);
    auto at = [&](int r, int c) { return lightest[std::size_t(r) * std::size_t(columns) + std::size_t(c)]; };
    std::vector<int> sorted = lightest;
    const auto tenth = sorted.end() - 1 - std::ptrdiff_t(sorted.size() / 10);
    std::nth_element(sorted.begin(), tenth, sorted.end());
    const int paper = *tenth;
    const PixPtr mask(pixCreate(columns, rows, 1));
    if (!mask)
        return found;
    const int wpl = pixGetWpl(mask.get());
    l_uint32* data = pixGetData(mask.get());
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            if (at(r, c) < paper - shade)
                SET_DATA_BIT(data + qsizetype(r) * wpl, c);
    const BoxaPtr boxes(pixConnCompBB(mask.get(), 4));
    if (!boxes)
        return found;
    for (l_int32 i = 0; i < boxaGetCount(boxes.get()); ++i) {
        l_int32 x = 0, y = 0, w = 0, h = 0;
        if (boxaGetBoxGeometry(boxes.get(), i, &x, &y, &w, &h) != 0 || w < 3 || h < 3 ||
            2 * w * h > columns * rows)
            continue;
        // A panel has an edge: its paper steps up to the rest at once, where a picture's darker
        // patches shade into it.
        std::vector<int> steps;
        for (int r = y; r < y + h; ++r) {
            for (int c = x; c < x + w; ++c) {
                if (at(r, c) >= paper - shade)
                    continue;
                for (const auto& [dr, dc] : {std::pair{0, 1}, {0, -1}, {1, 0}, {-1, 0}}) {
                    const int nr = r + dr, nc = c + dc;
                    if (nr >= 0 && nr < rows && nc >= 0 && nc < columns && at(nr, nc) >= paper - shade)
                        steps.push_back(at(nr, nc) - at(r, c));
                }
            }
        }
        const auto middle = steps.begin() + std::ptrdiff_t(steps.size() / 2);
        std::nth_element(steps.begin(), middle, steps.end());
        if (steps.empty() || *middle < std::min(panelEdge, shade))
            continue;
        found.emplace_back(x * cell.width(), y * cell.height(), w * cell.width(), h * cell.height());
    }
    // Lines of light text across a bubble can leave no darker cell in their rows, which splits
    // the bubble into strips; strips one below the other, as wide, and joined by the bubble's
    // shade down both sides, are one.
    // The strips stop short of the bubble's sides, which the cells do not fit in: its edges are
    // found along a strip's top row, above any text.
    auto sides = [&](const QRect& strip) {
        const uchar* row = grey.constScanLine(strip.top() + 1);
        int left = strip.left(), right = strip.right();
        while (left > 0 && row[left - 1] < paper - shade)
            --left;
        while (right + 1 < grey.width() && row[right + 1] < paper - shade)
            ++right;
        return std::pair{left, right};
    };
    auto joined = [&](const QRect& above, const QRect& below) {
        const int gap = below.top() - above.bottom() - 1;
        if (gap <= 2 * cell.height())
            return true;
        const auto [left, right] = sides(above);
        int shaded = 0;
        for (int y = above.bottom() + 1; y < below.top(); ++y) {
            const uchar* row = grey.constScanLine(y);
            shaded += int(row[left + 2] < paper - shade) + int(row[right - 2] < paper - shade);
        }
        return 10 * shaded >= 9 * 2 * gap;
    };
    for (bool merged = true; merged;) {
        merged = false;
        for (auto a = found.begin(); a != found.end() && !merged; ++a) {
            for (auto b = found.begin(); b != found.end(); ++b) {
                const int common = std::min(a->right(), b->right()) - std::max(a->left(), b->left());
                if (a == b || b->top() <= a->bottom() || 10 * common < 9 * std::max(a->width(), b->width()) ||
                    !joined(*a, *b))
                    continue;
                // Out to the sides, short of the rim, which reads as a stroke.
                const auto [left, right] = sides(*a);
                *a |= *b;
                a->setLeft(std::min(a->left(), left + 4));
                a->setRight(std::max(a->right(), right - 4));
                found.erase(b);
                merged = true;
                break;
            }
        }
    }
    // A strip inside a bubble found whole is read with it.
    std::erase_if(found, [&](const QRect& panel) {
        return std::any_of(found.begin(), found.end(), [&](const QRect& other) {
            const QRect common = panel & other;
            return other != panel && other.width() * other.height() > panel.width() * panel.height() &&
                   5 * common.width() * common.height() >= 4 * panel.width() * panel.height();
        });
    });
    // Many patches of darker paper make a picture, not a few panels.
    if (found.size() > 16)
        found.clear();
    return found;
}

namespace {

// The pixels of the chip at box whose membership of mask differs from `inside`, reached from its
// sides without crossing the rest: what lies outside a filled chip, or a drawn chip's outline.
std::vector<QPoint> outsideChip(const std::vector<bool>& mask, int width, const QRect& box, bool inside)
{
    std::vector<bool> seen(std::size_t(box.width()) * std::size_t(box.height()), false);
    std::vector<QPoint> todo, reached;
    auto visit = [&](int x, int y) {
        if (!box.contains(x, y) || mask[std::size_t(y) * std::size_t(width) + std::size_t(x)] == inside)
            return;
        const std::size_t at =
            std::size_t(y - box.top()) * std::size_t(box.width()) + std::size_t(x - box.left());
        if (!seen[at]) {
            seen[at] = true;
            todo.emplace_back(x, y);
        }
    };
    for (int x = box.left(); x <= box.right(); ++x) {
        visit(x, box.top());
        visit(x, box.bottom());
    }
    for (int y = box.top(); y <= box.bottom(); ++y) {
        visit(box.left(), y);
        visit(box.right(), y);
    }
    while (!todo.empty()) {
        const QPoint point = todo.back();
        todo.pop_back();
        reached.push_back(point);
        visit(point.x() + 1, point.y());
        visit(point.x() - 1, point.y());
        visit(point.x(), point.y() + 1);
        visit(point.x(), point.y() - 1);
    }
    return reached;
}

} // namespace

std::vector<QRect> chips(const QImage& image, QImage* painted)
{
    std::vector<QRect> found;
    if (image.isNull() || image.width() < 8 || image.height() < 8)
        return found;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const int width = rgb.width(), height = rgb.height();
    // The window's colour: the commonest, in steps of eight levels a channel.
    std::vector<qsizetype> counts(std::size_t(1) << 15, 0);
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < width; ++x)
            ++counts[std::size_t((qRed(row[x]) >> 3) << 10 | (qGreen(row[x]) >> 3) << 5 |
                                 qBlue(row[x]) >> 3)];
    }
    const int window = int(std::max_element(counts.begin(), counts.end()) - counts.begin());
    const int red = (window >> 10 & 31) * 8 + 4, green = (window >> 5 & 31) * 8 + 4,
              blue = (window & 31) * 8 + 4;
    std::vector<bool> mask(std::size_t(width) * std::size_t(height), false);
    const PixPtr pix(pixCreate(width, height, 1));
    if (!pix)
        return found;
    const int wpl = pixGetWpl(pix.get());
    l_uint32* data = pixGetData(pix.get());
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb c = row[x];
            if (std::max({std::abs(qRed(c) - red), std::abs(qGreen(c) - green), std::abs(qBlue(c) - blue)}) >
                windowColourSpread) {
                mask[std::size_t(y) * std::size_t(width) + std::size_t(x)] = true;
                SET_DATA_BIT(data + qsizetype(y) * wpl, x);
            }
        }
    }
    const BoxaPtr boxes(pixConnCompBB(pix.get(), 8));
    if (!boxes)
        return found;
    auto set = [&](int x, int y) { return bool(mask[std::size_t(y) * std::size_t(width) + std::size_t(x)]); };
    // Nine in ten points from (x0, y0) to (x1, y1), a straight run, on the chip or up to two
    // pixels in (inwards by (dx, dy)): JPEG's ringing can widen a chip by a speckled pixel.
    auto rim = [&](int x0, int y0, int x1, int y1, int dx, int dy) {
        const int steps = std::max({1, std::abs(x1 - x0), std::abs(y1 - y0)});
        int on = 0;
        for (int k = 0; k <= steps; ++k) {
            const int x = x0 + (x1 - x0) * k / steps, y = y0 + (y1 - y0) * k / steps;
            on += int(set(x, y) || set(x + dx, y + dy) || set(x + 2 * dx, y + 2 * dy));
        }
        return 10 * on >= 9 * (steps + 1);
    };
    for (l_int32 i = 0; i < boxaGetCount(boxes.get()); ++i) {
        l_int32 x = 0, y = 0, w = 0, h = 0;
        // Lower than a line of text with some room round it, or narrower than a word, is no chip;
        // nor is a window's frame.
        if (boxaGetBoxGeometry(boxes.get(), i, &x, &y, &w, &h) != 0 || h < 14 || 4 * w < 5 * h ||
            2 * w * h > width * height)
            continue;
        // The middle of each side: a word's ink has gaps there, a chip's rim none.
        const int bottom = y + h - 1, right = x + w - 1;
        if (!rim(x + w / 4, y, x + 3 * w / 4, y, 0, 1) ||
            !rim(x + w / 4, bottom, x + 3 * w / 4, bottom, 0, -1) ||
            !rim(x, y + h / 3, x, y + 2 * h / 3, 1, 0) || !rim(right, y + h / 3, right, y + 2 * h / 3, -1, 0))
            continue;
        const QRect box(x, y, w, h);
        found.push_back(box);
        if (!painted)
            continue;
        int filled = 0;
        for (int yy = y; yy < y + h; ++yy)
            for (int xx = x; xx < x + w; ++xx)
                filled += int(set(xx, yy));
        const bool solid = 10 * filled >= 6 * w * h;
        std::vector<int> shades;
        for (int yy = y + h / 4; yy < y + 3 * h / 4; ++yy)
            for (int xx = x + 2; xx < x + w - 2; ++xx)
                if (set(xx, yy) == solid)
                    shades.push_back(painted->constScanLine(yy)[xx]);
        if (shades.empty())
            continue;
        const auto middle = shades.begin() + std::ptrdiff_t(shades.size() / 2);
        std::nth_element(shades.begin(), middle, shades.end());
        const uchar shade = uchar(*middle);
        // And a pixel beyond, which blends the two.
        for (const QPoint& point : outsideChip(mask, width, box, solid))
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (box.contains(point.x() + dx, point.y() + dy))
                        painted->scanLine(point.y() + dy)[point.x() + dx] = shade;
    }
    if (found.size() > maximumChips)
        found.clear();
    return found;
}

} // namespace vellumix::ScreenImage
