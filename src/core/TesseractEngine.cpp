// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TesseractEngine.h"

#include "core/BarcodeReader.h"
#include "core/Errors.h"
#include "core/MonospaceText.h"
#include "core/RecognizedLine.h"
#include "core/ScreenImage.h"
#include "core/SmallTextPreparation.h"
#include "core/TesseractLanguages.h"
#include "core/TextProcessing.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QMutex>
#include <QPainter>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryFile>

#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <omp.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <numeric>
#include <vector>

namespace vellumix {

namespace {

constexpr int polarityRadius = 25;
constexpr std::size_t maximumIdleInstances = 6;
// Tesseract refuses images with a side above 32767 pixels; longer ones are read in tiles.
constexpr int maximumTile = 16000;
constexpr int tileOverlap = 400;
// Text drawn without anti-aliasing reads best at most doubled: smoothed further, its steps
// blur into shapes the model was not trained on.
constexpr double hardEdgedUpscale = 2.0;
// A capture this high or lower holds a line or two: a word, a button, a field.
constexpr int shortCapture = 160;
// The least sureness of a word read alone in such a capture, and the least reported for a line
// two readings agree on.
constexpr float loneWord = 25.0f;
constexpr float agreedLine = 50.0f;
// A word of signs alone below this confidence is all but made up.
constexpr float madeUpSign = 10.0f;
// Below this, a word far flatter than the text is specks read as letters.
constexpr float unsureSpeck = 50.0f;
// The share of the ink outside every line read beyond which layout analysis missed text.
constexpr double missedInk = 0.9;
// The share beyond which layout analysis may have dropped labels it took for pictures.
constexpr double strayInk = 0.3;
// How near a capture's side, in pixels, a bar ending a line is its frame's edge.
constexpr double atSide = 6.0;
// How much darker than the window a panel's paper is: clearly, or at the least. On a dim,
// low-contrast screen a bubble a few levels darker still turns solid under one threshold.
constexpr int darkPanel = 64;
constexpr int faintPanel = 14;
// Ink this much darker than the lightest paper around it is a faint word's.
constexpr int faintInk = 64;
// More faint areas than this are a texture's.
constexpr std::size_t maximumFaintAreas = 8;

// The share of a line that the chips it crosses must hold for their readings to replace it.
constexpr double chipHolds = 0.8;

// The language sample: the least known lines, until they hold a few words' letters.
constexpr std::size_t languageSampleLines = 3;
constexpr int languageSampleLetters = 24;
// Where a line or three cannot settle the script or the language, this many lines do.
constexpr std::size_t widerSampleLines = 12;
constexpr float unsureWord = 85.0f;
// Another language must read the sample this much better than the first guess to be chosen:
// names, numbers and addresses read alike in every language.
constexpr double languageMargin = 1.1;
constexpr double knownMargin = 0.15;
constexpr double mostKnown = 0.6;
// Of the best score on a sample, how far below it another language is still measured on more.
constexpr double contenderMargin = 0.1;
constexpr double sureKnown = 0.8;
// Below this share of characters in words of letters, a reading is not prose.
constexpr double prose = 0.4;
constexpr std::size_t remembered = 32;
// Tesseract's script detection below this confidence (the best script's lead over the next)
// leaves every pack in the running.
constexpr float sureScript = 2.0f;
const QString osd = QStringLiteral("osd");
const QString english = QStringLiteral("eng");

struct Configuration
{
    QString languages;
    bool dictionaries = true;
    QStringList vocabulary;

    QString key() const
    {
        return languages + QLatin1Char('\x1f') + (dictionaries ? QLatin1Char('1') : QLatin1Char('0')) +
               QLatin1Char('\x1f') + vocabulary.join(QLatin1Char('\n'));
    }
};

bool cancelRequested(void* token, int /*words*/)
{
    return static_cast<const CancelToken*>(token)->isCancelled();
}

using Line = TesseractEngine::TextLine;

// A word's worth: positive when Tesseract is surer than a coin toss, so that an empty reading
// beats garbage and a longer sure reading beats a shorter one.
double wordScore(const QString& word, float confidence)
{
    return double(word.size()) * (double(confidence) / 100.0 - 0.5);
}

bool overlaps(const QRectF& a, const QRectF& b)
{
    const QRectF common = a & b;
    return !common.isEmpty() &&
           common.width() * common.height() > 0.3 * std::min(a.width() * a.height(), b.width() * b.height());
}

// Side by side on one baseline, close enough to be one line of text.
bool sameTextLine(const QRectF& a, const QRectF& b)
{
    const double overlap = std::min(a.bottom(), b.bottom()) - std::max(a.top(), b.top());
    const double gap = std::max(a.left(), b.left()) - std::min(a.right(), b.right());
    const double height = std::max(a.height(), b.height());
    return overlap > 0.5 * std::min(a.height(), b.height()) && gap < 2.0 * height;
}

bool hasLetterOrDigit(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

// Two letters or digits in a row: more than a stray sign read from a frame or an icon.
bool hasWord(const QString& text)
{
    static const QRegularExpression word(QStringLiteral("[\\p{L}\\p{N}]{2}"));
    return text.contains(word);
}

// Per area, the better of two readings: lines that overlap form a group, and each group is
// taken whole from the reading that scores higher there (a margin for the first measured no
// better).
std::vector<Line> better(std::vector<Line> first, std::vector<Line> second)
{
    // Two readings of differently prepared images that agree on a line of a few letters or
    // digits are right, however unsure Tesseract is of it: it marks hashes and identifiers it
    // reads perfectly as barely possible, and such a line would be dropped.
    static const QRegularExpression someCharacters(QStringLiteral("(?:[\\p{L}\\p{N}].*){4}"));
    for (Line& a : first) {
        for (Line& b : second) {
            if (!overlaps(a.box, b.box) || a.text.simplified() != b.text.simplified() ||
                !a.text.contains(someCharacters))
                continue;
            a.confidence = b.confidence = std::max({a.confidence, b.confidence, agreedLine});
        }
    }
    const std::size_t n = first.size(), count = n + second.size();
    std::vector<std::size_t> parent(count);
    std::iota(parent.begin(), parent.end(), 0);
    std::function<std::size_t(std::size_t)> root = [&](std::size_t i) {
        return parent[i] == i ? i : parent[i] = root(parent[i]);
    };
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < second.size(); ++j)
            if (overlaps(first[i].box, second[j].box))
                parent[root(i)] = root(n + j);
    std::map<std::size_t, std::pair<double, double>> scores; // group: first's and second's
    for (std::size_t i = 0; i < count; ++i) {
        auto& score = scores[root(i)];
        (i < n ? score.first : score.second) += i < n ? first[i].score : second[i - n].score;
    }
    // Where the second reading read nothing, the first keeps a line that holds a word, however
    // unsure: the light text of a selected row is still text. Strokes read as runs of short
    // signs ("He HOH", "FF F") are no words.
    static const QRegularExpression word(QStringLiteral("\\p{L}{4,}"));
    std::vector<bool> readBySecond(count, false);
    for (std::size_t i = n; i < count; ++i)
        readBySecond[root(i)] = true;
    std::vector<std::pair<std::size_t, Line>> kept; // with its group
    for (std::size_t i = 0; i < count; ++i) {
        const auto& [mine, theirs] = scores[root(i)];
        const bool alone = i < n && !readBySecond[root(i)] && first[i].text.contains(word);
        if (alone || (theirs <= mine) == (i < n))
            kept.emplace_back(root(i), std::move(i < n ? first[i] : second[i - n]));
    }
    // A line of prose whose left edge two other lines share begins a column: the reading that
    // ran it into the line beside it lost this area.
    auto column = [&](const Line& line) {
        return std::count_if(kept.begin(), kept.end(), [&](const auto& other) {
                   return !sameTextLine(other.second.box, line.box) &&
                          std::abs(other.second.box.left() - line.box.left()) < line.box.height() / 2;
               }) >= 2;
    };
    // Pieces of one text line that a reading split (at punctuation it could not read) are
    // joined again, left to right, or the composer would stack them by height.
    std::vector<std::pair<std::size_t, Line>> taken;
    for (auto& [group, line] : kept) {
        auto piece = std::find_if(taken.begin(), taken.end(), [&](const auto& other) {
            return other.first == group && sameTextLine(other.second.box, line.box);
        });
        // Not pieces: lines either side of a gutter, nor lines one above the other that a tall
        // box put on one text line, which overlap by more than their height.
        const auto apart = [&](const Line& other) {
            const bool columns = line.words >= 4 && other.words >= 4 &&
                                 column(line.box.left() > other.box.left() ? line : other);
            return columns || std::min(line.box.right(), other.box.right()) -
                                      std::max(line.box.left(), other.box.left()) >
                                  std::min(line.box.height(), other.box.height());
        };
        if (piece == taken.end() || apart(piece->second)) {
            taken.emplace_back(group, std::move(line));
            continue;
        }
        Line& joined = piece->second;
        const bool before = line.box.center().x() < joined.box.center().x();
        joined.text =
            before ? line.text + QLatin1Char(' ') + joined.text : joined.text + QLatin1Char(' ') + line.text;
        joined.box |= line.box;
        joined.confidence = (joined.confidence * float(joined.words) + line.confidence * float(line.words)) /
                            float(std::max(1, joined.words + line.words));
        joined.weakest = std::min(joined.weakest, line.weakest);
        joined.score += line.score;
        joined.words += line.words;
        joined.letters += line.letters;
        joined.unknown += line.unknown;
    }
    std::vector<Line> lines;
    for (auto& [group, line] : taken)
        lines.push_back(std::move(line));
    return lines;
}

// The middle one of values.
int median(std::vector<int> values)
{
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// A word of a reading, in the pixels of the image read.
struct Word
{
    QString text;
    QRect box;
    float confidence = 0.0f;
    bool known = false; // in the language's dictionary
    int baseline = 0;
};

// Tesseract runs two columns of prose into one line where their gutter is narrow. A gap far
// wider than the line's spaces, at the same place in three lines or more (in two, where both
// end near it as wrapped prose does), with a few words on either side, is a gutter: the lines
// are split there, and the composer reads the columns. Returns whether any line was split.
bool splitAtGutters(std::vector<std::vector<Word>>& lines)
{
    struct Gap
    {
        std::size_t line, after, next; // the gap lies between words[after] and words[next]
        int left, right, height;
        bool strong; // with a few words either side, spaced like the line's own
        bool wide;   // after a sidebar's item, with text the dictionary knows beyond it
    };
    static const QRegularExpression letters(QStringLiteral("\\p{L}{2}"));
    std::vector<Gap> gaps;
    for (std::size_t l = 0; l < lines.size(); ++l) {
        const std::vector<Word>& words = lines[l];
        // A sign Tesseract all but made up (an underscore in the gutter) does not bridge it.
        std::vector<std::size_t> solid;
        for (std::size_t w = 0; w < words.size(); ++w)
            if (words[w].confidence >= madeUpSign || hasLetterOrDigit(words[w].text))
                solid.push_back(w);
        if (solid.size() < 2)
            continue;
        std::vector<int> spaces, heights;
        for (std::size_t i = 0; i < solid.size(); ++i) {
            heights.push_back(words[solid[i]].box.height());
            if (i + 1 < solid.size())
                spaces.push_back(words[solid[i + 1]].box.left() - words[solid[i]].box.right());
        }
        const int height = median(std::move(heights)), space = std::max(1, median(spaces));
        for (std::size_t i = 0; i + 1 < solid.size(); ++i) {
            if (spaces[i] < height)
                continue;
            const bool strong = i >= 2 && i + 3 < solid.size() && spaces[i] * 2 >= space * 5;
            // A sidebar's item of a word or two run into the prose beside it: the gap is wide and
            // the prose beyond it has no gaps of its own, unlike a table's row.
            // A line number's column is no item, nor are a few letters read from its digits.
            const auto before = solid.begin() + std::ptrdiff_t(i) + 1;
            const bool wide =
                spaces[i] >= 3 * height && i + 3 < solid.size() &&
                std::all_of(spaces.begin() + std::ptrdiff_t(i) + 1, spaces.end(),
                            [&](int other) { return other < height; }) &&
                std::any_of(solid.begin(), before,
                            [&](std::size_t w) { return words[w].text.contains(letters); }) &&
                std::count_if(before, solid.end(), [&](std::size_t w) { return words[w].known; }) >= 3;
            gaps.push_back({l, solid[i], solid[i + 1], words[solid[i]].box.right(),
                            words[solid[i + 1]].box.left(), height, strong, wide});
        }
    }
    const auto aligned = [](const Gap& a, const Gap& b) {
        return std::min(a.right, b.right) - std::max(a.left, b.left) >= a.height / 2;
    };
    // Code with comments aligned after it is no pair of columns: the comments begin with their
    // marker, and the code before them ends anywhere, where a column's lines end near its gutter.
    static const QRegularExpression comment(QStringLiteral("^(//|/\\*|#|--|;)"));
    std::vector<const Gap*> cuts;
    for (const Gap& gap : gaps) {
        if (!gap.strong && !gap.wide)
            continue;
        int count = 0, comments = 0, latest = gap.left;
        int start = lines[gap.line].front().box.left();
        std::vector<int> ends; // of the lines before their gaps
        for (const Gap& other : gaps) {
            if (!other.strong || !aligned(gap, other))
                continue;
            ++count;
            comments += int(lines[other.line][other.next].text.contains(comment));
            ends.push_back(other.left);
            latest = std::max(latest, other.left);
            start = std::min(start, lines[other.line].front().box.left());
        }
        // Wrapped prose ends within a long word or so of its gutter, however wide the column,
        // but for a paragraph's last line.
        const int ragged = std::max(8 * gap.height, (latest - start) / 4);
        const auto full =
            std::count_if(ends.begin(), ends.end(), [&](int end) { return latest - end <= ragged; });
        // Or the gap ends where three lines begin, read on their own or after a gap of their
        // own, this one's included: a column beside a longer one, whose few lines beside it
        // Tesseract ran into its own, or beside a sidebar's items.
        int starts = 0;
        for (const std::vector<Word>& line : lines) {
            if (line.empty() || std::abs(line.front().box.left() - gap.right) > gap.height / 2)
                continue;
            ++(line.front().text.contains(comment) ? comments : starts);
        }
        for (const Gap& other : gaps) {
            if ((other.line == gap.line && &other != &gap) ||
                std::abs(other.right - gap.right) > gap.height / 2)
                continue;
            ++(lines[other.line][other.next].text.contains(comment) ? comments : starts);
        }
        if ((gap.strong && count >= 2 && 2 * comments < count && full >= std::min(count, 3) &&
             3 * full >= 2 * count) ||
            (starts >= 3 && 2 * comments < count + starts))
            cuts.push_back(&gap);
    }
    // Once the gutter is known, the lines with a word or two on one side of it, or with the
    // column between two gutters empty, are split there too, where the column's text begins: a
    // toolbar's buttons across the gutter stay one row.
    const std::size_t sure = cuts.size();
    for (const Gap& gap : gaps) {
        if (std::find(cuts.begin(), cuts.end(), &gap) == cuts.end() &&
            std::any_of(cuts.begin(), cuts.begin() + std::ptrdiff_t(sure), [&](const Gap* cut) {
                return aligned(*cut, gap) && std::abs(gap.right - cut->right) <= gap.height;
            }))
            cuts.push_back(&gap);
    }
    // From the last, so that earlier positions stay valid.
    std::sort(cuts.begin(), cuts.end(), [](const Gap* x, const Gap* y) {
        return std::tie(x->line, x->after) > std::tie(y->line, y->after);
    });
    for (const Gap* cut : cuts) {
        std::vector<Word>& line = lines[cut->line];
        std::vector<Word> right(line.begin() + std::ptrdiff_t(cut->next), line.end());
        line.erase(line.begin() + std::ptrdiff_t(cut->after + 1), line.end());
        lines.push_back(std::move(right));
    }
    return !cuts.empty();
}

// Codes read as stray characters and their inverted quiet zones upset layout analysis: paint
// each over with the colour around it.
QImage withoutCodes(const QImage& image, const QList<BarcodeReader::Code>& codes)
{
    if (codes.isEmpty())
        return image;
    QImage result = image.convertToFormat(QImage::Format_RGB32);
    QPainter painter(&result);
    for (const BarcodeReader::Code& code : codes) {
        const int margin = std::max(4, std::min(code.box.width(), code.box.height()) / 8);
        const QRect area = code.box.adjusted(-margin, -margin, margin, margin) & result.rect();
        // The most common colour on the ring just outside the area is its background.
        std::map<QRgb, int> counts;
        const QRect ring = area.adjusted(-2, -2, 2, 2) & result.rect();
        for (int x = ring.left(); x <= ring.right(); ++x)
            for (int y : {ring.top(), ring.bottom()})
                ++counts[result.pixel(x, y)];
        for (int y = ring.top(); y <= ring.bottom(); ++y)
            for (int x : {ring.left(), ring.right()})
                ++counts[result.pixel(x, y)];
        const auto most = std::max_element(counts.begin(), counts.end(),
                                           [](const auto& a, const auto& b) { return a.second < b.second; });
        painter.fillRect(area, QColor(most == counts.end() ? qRgb(255, 255, 255) : most->first));
    }
    painter.end();
    return result;
}

// Adds region to regions, merged with those it overlaps, so that no area is read twice.
void addMerged(std::vector<QRect>& regions, QRect region)
{
    for (auto it = regions.begin(); it != regions.end();) {
        if (it->intersects(region)) {
            region |= *it;
            it = regions.erase(it);
        } else {
            ++it;
        }
    }
    regions.push_back(region);
}

QByteArray contentKey(const QImage& image)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    const QImage pixels = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
                              ? image
                              : image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < pixels.height(); ++y)
        hash.addData(
            QByteArrayView(reinterpret_cast<const char*>(pixels.constScanLine(y)), pixels.width() * 4));
    return hash.result();
}

// Whether a point lies in an area that polarity normalisation inverted (mask of 255 there).
bool inDarkRegion(const QImage& darkRegions, QPoint point)
{
    return darkRegions.valid(point) && darkRegions.constScanLine(point.y())[point.x()] != 0;
}

// Tesseract reads the cells of a table row, a setting and its value, as lines of their own. Where
// reading order takes them left to right, they are one line of text, but not across a light and
// a dark area: a dark sidebar's labels stand beside a window's text.
QList<TextBlock> joinedRows(const QList<TextBlock>& blocks, const std::vector<bool>& dark)
{
    std::vector<std::optional<TextBlock>> kept(blocks.begin(), blocks.end());
    for (const std::vector<std::size_t>& row : TextProcessing::rowsOfBlocks(blocks)) {
        std::size_t first = row.front();
        for (std::size_t i = 1; i < row.size(); ++i) {
            if (dark[row[i]] != dark[first]) {
                first = row[i];
                continue;
            }
            TextBlock& joined = *kept[first];
            const TextBlock& next = blocks[qsizetype(row[i])];
            const double right = std::max(joined.x + joined.width, next.x + next.width);
            const double top = std::max(joined.y + joined.height, next.y + next.height);
            joined.confidence =
                (joined.confidence * float(joined.text.size()) + next.confidence * float(next.text.size())) /
                float(joined.text.size() + next.text.size());
            joined.text += QLatin1Char(' ') + next.text;
            joined.x = std::min(joined.x, next.x);
            joined.y = std::min(joined.y, next.y);
            joined.width = right - joined.x;
            joined.height = top - joined.y;
            kept[row[i]].reset();
        }
    }
    QList<TextBlock> result;
    for (std::optional<TextBlock>& block : kept)
        if (block)
            result.append(std::move(*block));
    return result;
}

} // namespace

class TesseractEngine::Pool
{
public:
    using Api = std::unique_ptr<tesseract::TessBaseAPI>;

    Api acquire(const QString& key)
    {
        const QMutexLocker lock(&m_mutex);
        for (auto it = m_idle.begin(); it != m_idle.end(); ++it) {
            if (it->first == key) {
                Api api = std::move(it->second);
                m_idle.erase(it);
                return api;
            }
        }
        return nullptr;
    }

    void release(const QString& key, Api api)
    {
        const QMutexLocker lock(&m_mutex);
        m_idle.emplace_back(key, std::move(api));
        // Each instance holds a model of tens of megabytes: keep only the recent ones.
        while (m_idle.size() > maximumIdleInstances)
            m_idle.erase(m_idle.begin());
    }

    // Languages chosen automatically, by image content, so that a repeated capture is not
    // measured again.
    std::optional<QString> chosen(const QByteArray& image)
    {
        const QMutexLocker lock(&m_mutex);
        for (const auto& [key, languages] : m_chosen)
            if (key == image)
                return languages;
        return std::nullopt;
    }

    // measured: the languages were chosen by reading a sample, and become the first guess for
    // the next capture, most often of the same window.
    void remember(const QByteArray& image, const QString& languages, bool measured)
    {
        const QMutexLocker lock(&m_mutex);
        if (measured)
            m_last = languages;
        m_chosen.emplace_back(image, languages);
        if (m_chosen.size() > remembered)
            m_chosen.erase(m_chosen.begin());
    }

    QString lastMeasured()
    {
        const QMutexLocker lock(&m_mutex);
        return m_last;
    }

private:
    QMutex m_mutex;
    QString m_last;
    std::vector<std::pair<QString, Api>> m_idle; // oldest first
    std::vector<std::pair<QByteArray, QString>> m_chosen;
};

// One Tesseract instance lent for one configuration, returned to the pool on every path.
class TesseractEngine::Session
{
public:
    Session(TesseractEngine& engine, const Configuration& configuration, const CancelToken& cancel)
        : m_engine(engine), m_key(configuration.key()), m_cancel(cancel)
    {
        m_api = engine.m_pool->acquire(m_key);
        if (m_api)
            return;
        m_api = std::make_unique<tesseract::TessBaseAPI>();
        std::vector<std::string> names;
        std::vector<std::string> values;
        if (!configuration.dictionaries) {
            for (const char* name : {"load_system_dawg", "load_freq_dawg"}) {
                names.emplace_back(name);
                values.emplace_back("0");
            }
        }
        // User words are read while the model loads, so they go in with Init.
        QTemporaryFile words;
        if (!configuration.vocabulary.isEmpty()) {
            if (!words.open())
                throw PlatformError(words.errorString());
            words.write(configuration.vocabulary.join(QLatin1Char('\n')).toUtf8() + '\n');
            words.flush();
            names.emplace_back("user_words_file");
            values.emplace_back(words.fileName().toStdString());
        }
        const QByteArray path = engine.m_dataPath.toLocal8Bit();
        const QByteArray languages = configuration.languages.toUtf8();
        // The script detection data holds only the legacy engine's model.
        const tesseract::OcrEngineMode mode =
            configuration.languages == osd ? tesseract::OEM_TESSERACT_ONLY : tesseract::OEM_LSTM_ONLY;
        if (m_api->Init(path.constData(), languages.constData(), mode, nullptr, 0, &names, &values, false) !=
            0)
            throw PlatformError(
                QCoreApplication::translate("vellumix::TesseractEngine",
                                            "Tesseract could not load the language data “%1” from %2.")
                    .arg(configuration.languages, engine.m_dataPath));
        m_api->SetVariable("debug_file", "/dev/null");
    }

    ~Session()
    {
        m_api->Clear();
        m_engine.m_pool->release(m_key, std::move(m_api));
    }

    // Reads image (8-bit grey or 32-bit colour) and returns its lines with boxes divided by
    // scale. darkRegions, when not null, splits lines where a dark area meets a light one.
    // cropped: the image is a piece cut from a larger one, whose sides cut through whatever
    // lay beyond them.
    std::vector<Line> read(const QImage& image,
                           tesseract::PageSegMode mode,
                           bool invertedRetry,
                           double scale,
                           const QImage& darkRegions,
                           bool cropped = false)
    {
        m_api->SetPageSegMode(mode);
        m_api->SetVariable("tessedit_do_invert", invertedRetry ? "1" : "0");
        m_api->SetVariable("thresholding_method", m_localThreshold ? "2" : "0");
        if (image.format() == QImage::Format_Grayscale8) {
            // Grey keeps the anti-aliasing Tesseract was trained on.
            m_api->SetImage(image.constBits(), image.width(), image.height(), 1, int(image.bytesPerLine()));
        } else {
            // Tesseract reads R,G,B byte order.
            const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
            m_api->SetImage(rgb.constBits(), rgb.width(), rgb.height(), 3, int(rgb.bytesPerLine()));
        }
        const int resolution =
            m_scanResolution > 0 ? int(std::lround(m_scanResolution * scale)) : m_engine.m_tuning.resolution;
        if (resolution > 0)
            m_api->SetSourceResolution(resolution);

        tesseract::ETEXT_DESC monitor;
        monitor.cancel = &cancelRequested;
        monitor.cancel_this = const_cast<CancelToken*>(&m_cancel);
        const int status = m_api->Recognize(&monitor);
        // Whatever Tesseract kept after a cancel is padded with blanks: never let it out.
        if (m_cancel.isCancelled())
            throw Cancelled{};
        if (status != 0)
            throw PlatformError(QCoreApplication::translate("vellumix::TesseractEngine",
                                                            "Tesseract could not recognise this image."));

        const double toMask = darkRegions.isNull() ? 0.0 : double(darkRegions.width()) / image.width();
        auto isDark = [&](const QRect& box) {
            return !darkRegions.isNull() && inDarkRegion(darkRegions, box.center() * toMask);
        };
        // Lines are assembled from words so that a line never spans a light and a dark area:
        // once a dark panel is inverted, Tesseract would otherwise run a sidebar label into
        // the text beside it.
        std::vector<Line> lines;
        QImage grey; // of image, for what Tesseract left out; made once asked for
        const auto greyImage = [&]() -> const QImage& {
            if (grey.isNull())
                grey = ScreenImage::grey(image);
            return grey;
        };
        double characterWidth = 0.0;
        auto build = [&](std::vector<Word> words) {
            // A drawn icon before a label reads as a sign or a letter of its own: taller than
            // the words beside it, and further from them than a space. Prompts, bullets, quotes,
            // numbers and the operators that begin a line of code are no icons.
            static const QString leaders = QStringLiteral("$#>%*+-/&|\u2022\u00b7\u2013\u2014\"'([{<");
            // The usual height of the words after the first, which an icon stands out from.
            int following = 0;
            if (words.size() >= 2) {
                std::vector<int> heights;
                for (auto word = words.begin() + 1; word != words.end(); ++word)
                    heights.push_back(word->box.height());
                following = median(std::move(heights));
            }
            // A filled shape clearly taller than the text, read as no word the language knows,
            // is an icon however close the label beside it.
            const auto filledIcon = [&] {
                if (words.size() < 2 || words.front().text.size() > 2 || words.front().known)
                    return false;
                const QRect& box = words.front().box;
                if (std::max(box.width(), box.height()) * 10 < following * 12 ||
                    std::min(box.width(), box.height()) * 10 < following * 9 ||
                    box.right() >= words[1].box.left())
                    return false;
                return ScreenImage::solidShape(greyImage(), box);
            };
            // An icon drawn far fainter than the text beside it reads as a letter or a sign.
            const auto faintIcon = [&] {
                if (words.size() < 2 || words.front().text.size() > 2 ||
                    std::any_of(words.front().text.begin(), words.front().text.end(),
                                [](QChar c) { return c.isDigit(); }))
                    return false;
                // Not a keyword of code in a colour of its own ("if (", "do {").
                static const QRegularExpression syntax(QStringLiteral("[(){}\\[\\];=]"));
                if (std::all_of(words.front().text.begin(), words.front().text.end(),
                                [](QChar c) { return c.isLetter(); }) &&
                    std::any_of(words.begin() + 1, words.end(),
                                [](const Word& word) { return word.text.contains(syntax); }))
                    return false;
                std::vector<int> levels;
                for (auto word = words.begin() + 1; word != words.end(); ++word)
                    levels.push_back(ScreenImage::contrast(greyImage(), word->box));
                return 2 * ScreenImage::contrast(greyImage(), words.front().box) < median(std::move(levels));
            };
            if (filledIcon() || faintIcon()) {
                words.erase(words.begin());
            } else if (words.size() >= 2 && words.front().text.size() <= 2 &&
                       !std::all_of(words.front().text.begin(), words.front().text.end(),
                                    [](QChar c) { return c.isDigit() || leaders.contains(c); })) {
                // Read as signs, a wide icon (a menu's three bars) is as telling as a tall one.
                const Word& icon = words.front();
                const bool sign =
                    std::none_of(icon.text.begin(), icon.text.end(), [](QChar c) { return c.isLetter(); });
                const int size = sign ? std::max(icon.box.width(), icon.box.height()) : icon.box.height();
                // Letters no further from the next word than the words are from each other are
                // a word of the line (a name such as "Qt").
                int space = std::numeric_limits<int>::max();
                for (std::size_t w = 2; w < words.size(); ++w)
                    space = std::min(space, words[w].box.left() - words[w - 1].box.right());
                const int gap = words[1].box.left() - icon.box.right();
                const bool apart = sign || words.size() < 3 || gap * 2 > space * 3;
                if (size * 10 >= following * 11 && gap * 5 >= following * 4 && apart)
                    words.erase(words.begin());
            }
            // Icons beside the labels of a list, in the middle of a line too where Tesseract ran
            // two columns of them into one: as large as the text, far from the word before and
            // apart from the word after. Read as letters, an icon is a solid shape, unlike a word.
            if (words.size() >= 2) {
                std::vector<int> heights;
                int space = std::numeric_limits<int>::max();
                for (std::size_t w = 0; w < words.size(); ++w) {
                    heights.push_back(words[w].box.height());
                    if (w > 0)
                        space = std::min(space, words[w].box.left() - words[w - 1].box.right());
                }
                const int usual = median(std::move(heights));
                // An icon and its label alone, cut from a line at a gutter, show no space of
                // their own: a space is about a quarter of the text's height.
                if (words.size() == 2)
                    space = std::min(space, usual / 4);
                for (std::size_t i = 0; i + 1 < words.size();) {
                    const Word& icon = words[i];
                    const bool sign = std::none_of(icon.text.begin(), icon.text.end(),
                                                   [](QChar c) { return c.isLetterOrNumber(); });
                    const bool leader = std::all_of(icon.text.begin(), icon.text.end(), [](QChar c) {
                        return c.isDigit() || leaders.contains(c);
                    });
                    const int before =
                        i == 0 ? std::numeric_limits<int>::max() : icon.box.left() - words[i - 1].box.right();
                    const int after = words[i + 1].box.left() - icon.box.right();
                    const bool shaped = [&] {
                        if (sign)
                            return std::max(icon.box.width(), icon.box.height()) >= usual;
                        if (std::min(icon.box.width(), icon.box.height()) * 5 < usual * 4)
                            return false;
                        return ScreenImage::solidShape(greyImage(), icon.box);
                    }();
                    if (icon.text.size() <= 2 && !leader && shaped && before >= 2 * usual &&
                        after * 5 >= usual * 2 && after * 2 >= space * 3)
                        words.erase(words.begin() + std::ptrdiff_t(i));
                    else
                        ++i;
                }
                // A title bar's window buttons, round shapes read as "eee" or "e0e", far right of
                // its title.
                static const QRegularExpression buttons(QStringLiteral("^[eoc0O@\u00a9\u00ae]{2,4}$"));
                if (words.size() >= 2 && words.back().text.contains(buttons) &&
                    words.back().box.left() - words[words.size() - 2].box.right() >= 2 * usual)
                    words.pop_back();
                // And marks all but made up far right of the text (a pane's border, a selected
                // row's edge), or specks there (accents, dots and commas of larger text beside
                // it, read as signs or as flat, unsure words), which would carry a sidebar's item
                // across the gutter. Specks can outnumber the words: the first tells the height.
                const auto straying = [&](const Word& word, int text) {
                    // Not a size or a version: Tesseract boxes unsure digits a pixel high.
                    if (3 * word.box.height() < text && word.confidence < unsureSpeck &&
                        std::none_of(word.text.begin(), word.text.end(), [](QChar c) { return c.isDigit(); }))
                        return true;
                    return word.text.size() <= 2 &&
                           (word.confidence < madeUpSign ||
                            (!hasLetterOrDigit(word.text) &&
                             2 * std::max(word.box.width(), word.box.height()) <= text));
                };
                const int text = std::max(usual, words.front().box.height());
                std::size_t stray = words.size();
                while (stray > 1 && straying(words[stray - 1], text))
                    --stray;
                if (stray < words.size() &&
                    words[stray].box.left() - words[stray - 1].box.right() >= 2 * text)
                    words.erase(words.begin() + std::ptrdiff_t(stray), words.end());
                // The same far left of a longer line, where the gutter lies to its left.
                std::size_t lead = 0;
                while (lead + 2 < words.size() && straying(words[lead], usual))
                    ++lead;
                if (lead > 0 && words[lead].box.left() - words[lead - 1].box.right() >= 2 * usual)
                    words.erase(words.begin(), words.begin() + std::ptrdiff_t(lead));
            }
            // The models read the arm of a letter that begins a word as an opening quote ("‘The",
            // "‘Auto"). A quote that nothing after it closes stays only where its ink stands high.
            static const QString opening = QStringLiteral("\u2018\u201c'\""),
                                 closing = QStringLiteral("\u2019\u201d'\"");
            const auto closes = [](QStringView text) {
                return std::any_of(text.begin(), text.end(), [](QChar c) { return closing.contains(c); });
            };
            for (std::size_t i = 0; i < words.size(); ++i) {
                QString& text = words[i].text;
                if (text.size() < 2 || !opening.contains(text.front()) || !text.at(1).isLetterOrNumber() ||
                    closes(QStringView(text).mid(1)) ||
                    std::any_of(words.begin() + std::ptrdiff_t(i + 1), words.end(),
                                [&](const Word& later) { return closes(later.text); }))
                    continue;
                if (!ScreenImage::raisedMarkFirst(greyImage(), words[i].box, words[i].baseline))
                    text.remove(0, 1);
            }
            // For runs of underscores: the width of a character in the line's longer words.
            double pitch = 0.0;
            int pitchWords = 0;
            Line line;
            std::vector<MonospaceText::Word> pieces;
            for (std::size_t i = 0; i < words.size(); ++i) {
                Word& word = words[i];
                // Tesseract reads a run of underscores (an identifier's "__first") as one, often
                // split from its word: in evenly spaced text its width tells how many there are,
                // and a gap narrower than a character is no space.
                const auto isRun = [](const QString& text) {
                    return std::all_of(text.begin(), text.end(), [](QChar c) { return c == u'_'; });
                };
                const bool run = isRun(word.text);
                const double cell = pitchWords > 0 ? pitch / pitchWords : 0.0;
                if (run && cell > 0.0)
                    word.text = QString(
                        std::max(word.text.size(), qsizetype(std::lround(word.box.width() / cell))), u'_');
                const bool joined = i > 0 && cell > 0.0 && (run || isRun(words[i - 1].text)) &&
                                    word.box.left() - words[i - 1].box.right() < 0.5 * cell;
                if (!run && word.text.size() >= 4) {
                    pitch += double(word.box.width()) / double(word.text.size());
                    ++pitchWords;
                }
                line.text += (i > 0 && !joined ? QStringLiteral(" ") : QString()) + word.text;
                pieces.push_back({word.text, word.box, joined});
                line.box |= QRectF(word.box);
                line.confidence += word.confidence;
                line.weakest = std::min(line.weakest, word.confidence);
                line.score += wordScore(word.text, word.confidence);
                if (word.text.size() >= 3 &&
                    std::all_of(word.text.begin(), word.text.end(), [](QChar c) { return c.isLetter(); })) {
                    line.letters += int(word.text.size());
                    if (!word.known || word.confidence < unsureWord)
                        line.unknown += int(word.text.size());
                }
            }
            if (characterWidth > 0.0) {
                std::vector<int> baselines;
                for (const Word& word : words)
                    baselines.push_back(word.baseline);
                line.text =
                    MonospaceText::withUnderscores(greyImage(), pieces, median(baselines), characterWidth);
            }
            // The models read a zero in code as the letter: a hexadecimal number's ("Ox7f") and
            // one alone between an operator and a terminator ("i = O;").
            static const QRegularExpression zero(
                QStringLiteral("(?<![\\p{L}\\p{N}_])[Oo](?=x[0-9A-Fa-f]+(?![\\p{L}\\p{N}_]))|"
                               "(?:(?<=[=(\\[,] )|(?<=[=(\\[,]))O(?=[;,)\\]])"));
            line.text.replace(zero, QStringLiteral("0"));
            // The models read the modifier of a menu's shortcut in small type as "Ctri", "Ctril"
            // or "Cctri", and the key after it in lower case ("Ctrl+w"), which menus never write.
            static const QRegularExpression control(
                QStringLiteral("(?<![\\p{L}\\p{N}])C[Cc]?tr[il1I|]{1,2}(?=\\+)")),
                key(QStringLiteral("(?<=Ctrl\\+|Shift\\+|Alt\\+)[a-z](?![\\p{L}\\p{N}])"));
            line.text.replace(control, QStringLiteral("Ctrl"));
            for (QRegularExpressionMatch match = key.match(line.text); match.hasMatch();
                 match = key.match(line.text, match.capturedEnd()))
                line.text[match.capturedStart()] = line.text[match.capturedStart()].toUpper();
            // And an empty pair of parentheses as "({)" or "{)", which no language writes.
            static const QRegularExpression parentheses(QStringLiteral("\\(\\{\\)|(?<=\\w)\\{\\)"));
            line.text.replace(parentheses, QStringLiteral("()"));
            if (!words.empty()) {
                line.words = int(words.size());
                line.confidence /= float(line.words);
                line.box = QRectF(line.box.topLeft() / scale, line.box.size() / scale);
                lines.push_back(line);
            }
        };
        std::vector<std::vector<Word>> read;
        std::vector<Word> words; // of the line being read
        bool dark = false;
        auto flush = [&] {
            if (!words.empty())
                read.push_back(std::move(words));
            words.clear();
        };
        std::unique_ptr<tesseract::ResultIterator> it(m_api->GetIterator());
        if (it && !it->Empty(tesseract::RIL_WORD)) {
            do {
                const std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_WORD));
                int left = 0, top = 0, right = 0, bottom = 0;
                if (!text || !it->BoundingBox(tesseract::RIL_WORD, &left, &top, &right, &bottom))
                    continue;
                const QString word = QString::fromUtf8(text.get()).trimmed();
                if (word.isEmpty())
                    continue;
                const QRect box(QPoint(left, top), QPoint(right - 1, bottom - 1));
                // A piece of a neighbour's letter at a side of a crop reads as a sign.
                if (cropped && (left <= 1 || right >= image.width() - 1) && !hasLetterOrDigit(word))
                    continue;
                // Now and then Tesseract gives a word again, boxed from a piece of the first
                // (a frame's label read twice): it is kept once.
                const auto again = [&](const Word& other) {
                    const QRect common = other.box & box;
                    return other.text == word && !common.isEmpty() &&
                           2 * qint64(common.width()) * common.height() >=
                               std::min(qint64(box.width()) * box.height(),
                                        qint64(other.box.width()) * other.box.height());
                };
                if (std::any_of(words.begin(), words.end(), again) ||
                    std::any_of(read.begin(), read.end(), [&](const std::vector<Word>& line) {
                        return std::any_of(line.begin(), line.end(), again);
                    }))
                    continue;
                const bool wordIsDark = isDark(box);
                if (!words.empty() && (it->IsAtBeginningOf(tesseract::RIL_TEXTLINE) || wordIsDark != dark))
                    flush();
                dark = wordIsDark;
                int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
                const int baseline =
                    it->Baseline(tesseract::RIL_WORD, &x1, &y1, &x2, &y2) ? (y1 + y2) / 2 : box.bottom();
                words.push_back(
                    {word, box, it->Confidence(tesseract::RIL_WORD), it->WordIsFromDictionary(), baseline});
            } while (it->Next(tesseract::RIL_WORD));
        }
        flush();
        // Tesseract now and then gives a line's first word a box from the image's corner, which
        // would carry the line across a gutter: it is sized from the word after it.
        for (std::vector<Word>& line : read) {
            if (line.size() < 2 || line[0].box.topLeft() != QPoint(0, 0))
                continue;
            Word& first = line[0];
            const Word& next = line[1];
            const int width = int(
                std::lround(double(next.box.width()) / double(next.text.size()) * double(first.text.size())));
            if (2 * first.box.width() > 3 * width) {
                first.box = QRect(first.box.right() - width + 1, next.box.top(), width, next.box.height());
                first.baseline = next.baseline;
            }
        }
        // A rule drawn between columns or beside a line reads as a bar, far taller than the
        // letters beside it: it would join the columns, or reach across the gutter.
        for (std::vector<Word>& line : read) {
            std::vector<int> heights;
            for (const Word& word : line)
                if (hasLetterOrDigit(word.text))
                    heights.push_back(word.box.height());
            if (heights.empty())
                continue;
            const int usual = median(std::move(heights));
            std::erase_if(line, [&](const Word& word) {
                return std::all_of(word.text.begin(), word.text.end(),
                                   [](QChar c) { return c == u'|' || c == u'\u2502' || c == u'\u00a6'; }) &&
                       word.box.height() * 5 > usual * 9 && word.box.width() * 3 < word.box.height();
            });
        }
        // A filled shape (a selected row whose label was lost, a toggle) reads as a letter or
        // two far wider than any letter is.
        for (std::vector<Word>& line : read) {
            std::erase_if(line, [](const Word& word) {
                return word.text.size() <= 2 &&
                       std::all_of(word.text.begin(), word.text.end(),
                                   [](QChar c) { return c.isLetter(); }) &&
                       word.box.width() > 2 * word.box.height() * int(word.text.size());
            });
        }
        std::erase_if(read, [](const std::vector<Word>& line) { return line.empty(); });
        // A gutter cut may bare the next one: a line that ran across a short middle column
        // hid the gutter beside it.
        for (int pass = 0; pass < 3 && splitAtGutters(read); ++pass) {
        }
        // The width of a character, were the text evenly spaced: words that lost an underscore
        // are wider than their letters, so the narrower words tell.
        std::vector<double> widths;
        for (const std::vector<Word>& line : read)
            for (const Word& word : line)
                if (word.text.size() >= 4 && !word.text.contains(u'_'))
                    widths.push_back(double(word.box.width()) / double(word.text.size()));
        std::sort(widths.begin(), widths.end());
        characterWidth = widths.empty() ? 0.0 : widths[widths.size() / 4];
        for (std::vector<Word>& line : read)
            build(std::move(line));
        return lines;
    }

    // Letters of the words of three letters or more in lines, and of those the letters of words
    // the language's dictionary holds. Tesseract's own mark on a word read is no help here: its
    // models mark most words they read sure, whatever the language.
    std::pair<int, int> dictionaryLetters(const std::vector<Line>& lines)
    {
        static const QRegularExpression word(QStringLiteral("\\p{L}{3,}"));
        int letters = 0, known = 0;
        for (const Line& line : lines) {
            for (const QRegularExpressionMatch& match : word.globalMatch(line.text)) {
                const qsizetype size = match.capturedLength();
                letters += int(size);
                if (m_api->IsValidWord(match.captured().toUtf8().constData()))
                    known += int(size);
            }
        }
        return {letters, known};
    }

    // The script of an image as the osd data names it, empty when unsure; on a session of
    // the osd data.
    QString script(const QImage& image)
    {
        const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
        m_api->SetPageSegMode(tesseract::PSM_OSD_ONLY);
        // The sample holds a line or three; the default asks for 50 characters.
        m_api->SetVariable("min_characters_to_try", "12");
        m_api->SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
        int degrees = 0;
        float orientationConfidence = 0.0f, scriptConfidence = 0.0f;
        const char* name = nullptr;
        if (!m_api->DetectOrientationScript(&degrees, &orientationConfidence, &name, &scriptConfidence) ||
            !name || scriptConfidence < sureScript)
            return {};
        const QString script = QString::fromLatin1(name);
        // Pieces of a script the packs name as a whole.
        if (script == QLatin1String("Hangul"))
            return QStringLiteral("Korean");
        if (script == QLatin1String("Hiragana") || script == QLatin1String("Katakana"))
            return QStringLiteral("Japanese");
        if (script == QLatin1String("Fraktur"))
            return QStringLiteral("Latin");
        return script;
    }

    void setScanResolution(int dotsPerInch) { m_scanResolution = dotsPerInch; }

    // Sauvola's threshold, of each pixel's neighbourhood, instead of Otsu's for the image.
    void setLocalThreshold(bool local) { m_localThreshold = local; }

private:
    TesseractEngine& m_engine;
    int m_scanResolution = 0;
    bool m_localThreshold = false;
    QString m_key;
    const CancelToken& m_cancel;
    Pool::Api m_api;
};

TesseractEngine::TesseractEngine(QString tessdataPath) : TesseractEngine(std::move(tessdataPath), Tuning{}) {}

TesseractEngine::TesseractEngine(QString tessdataPath, Tuning tuning)
    : m_dataPath(tessdataPath.isEmpty() ? TesseractLanguages::defaultDataPath() : std::move(tessdataPath)),
      m_tuning(tuning), m_pool(std::make_unique<Pool>())
{
}

TesseractEngine::~TesseractEngine() = default;

QString TesseractEngine::dataPath() const
{
    return m_dataPath;
}

QStringList TesseractEngine::languages() const
{
    QStringList names = TesseractLanguages::installed(m_dataPath);
    if (names.isEmpty())
        names.append(english);
    return names;
}

QString TesseractEngine::languageString(const OCROptions& options) const
{
    const QStringList installed = TesseractLanguages::installed(m_dataPath);
    QStringList chosen;
    for (const QString& code : options.languages) {
        if (code.trimmed().isEmpty())
            continue;
        const QString name = TesseractLanguages::fromCode(code);
        if (name.isEmpty())
            throw PlatformError(QCoreApplication::translate("vellumix::TesseractEngine",
                                                            "“%1” is not a recognition language.")
                                    .arg(code.trimmed()));
        if (!installed.contains(name))
            throw PlatformError(
                QCoreApplication::translate("vellumix::TesseractEngine",
                                            "The recognition language “%1” is not installed (Debian package "
                                            "tesseract-ocr-%2).")
                    .arg(code.trimmed(), name.toLower().replace(QLatin1Char('_'), QLatin1Char('-'))));
        if (!chosen.contains(name))
            chosen.append(name);
    }
    if (!chosen.isEmpty())
        return chosen.join(QLatin1Char('+'));
    if (installed.isEmpty())
        throw PlatformError(QCoreApplication::translate("vellumix::TesseractEngine",
                                                        "No Tesseract language data was found in %1.")
                                .arg(m_dataPath));

    // No explicit choice: English, and with automatic language the user's own language first,
    // when its pack is installed. A second language costs little: Tesseract only consults it
    // for words the first one reads poorly.
    if (options.automaticLanguage) {
        const QString own = TesseractLanguages::fromCode(QLocale().name());
        if (!own.isEmpty() && own != english && installed.contains(own))
            chosen.append(own);
    }
    chosen.append(installed.contains(english) ? english : installed.first());
    return chosen.join(QLatin1Char('+'));
}

bool TesseractEngine::tiled(const QImage& image)
{
    return image.height() > 2 * maximumTile || image.width() > 2 * maximumTile;
}

TesseractEngine::Greys TesseractEngine::greysOf(const QImage& image) const
{
    Greys greys;
    greys.greyscale = greys.normalised = ScreenImage::grey(image);
    if (m_tuning.normalizePolarity)
        greys.normalised =
            ScreenImage::normalizePolarity(greys.greyscale, polarityRadius, &greys.darkRegions);
    greys.unevenPaper = ScreenImage::unevenPaper(greys.normalised);
    greys.darkPaper = ScreenImage::darkPaper(greys.greyscale);
    greys.photographed = ScreenImage::photographed(greys.greyscale);
    greys.blurred = !greys.photographed && ScreenImage::blurred(greys.greyscale);
    return greys;
}

std::vector<TesseractEngine::TextLine>
TesseractEngine::readText(const QImage& image,
                          const Greys& greys,
                          const QString& languages,
                          const OCROptions& options,
                          const CancelToken& cancel,
                          bool judge,
                          std::optional<std::vector<TextLine>> prepared)
{
    // Tesseract refuses a side above 32767 pixels: long screenshots are read in overlapping
    // tiles, each line kept by the tile that holds its centre away from the seams.
    if (tiled(image)) {
        const bool tall = image.height() >= image.width();
        const int length = tall ? image.height() : image.width();
        std::vector<TextLine> lines;
        for (int start = 0; start < length; start += maximumTile - tileOverlap) {
            const int end = std::min(length, start + maximumTile);
            const QRect tile = tall ? QRect(0, start, image.width(), end - start)
                                    : QRect(start, 0, end - start, image.height());
            const int keepFrom = start == 0 ? 0 : start + tileOverlap / 2;
            const int keepTo = end == length ? length : end - tileOverlap / 2;
            const QImage part = image.copy(tile);
            for (TextLine line : readText(part, greysOf(part), languages, options, cancel)) {
                line.box.translate(tile.topLeft());
                const double centre = tall ? line.box.center().y() : line.box.center().x();
                if (centre >= keepFrom && centre < keepTo)
                    lines.push_back(line);
            }
            if (end == length)
                break;
        }
        return lines;
    }

    const Configuration configuration{languages, !options.fast, options.vocabulary};
    Session session(*this, configuration, cancel);
    session.setScanResolution(options.scanResolution);

    std::vector<Line> lines;
    const auto& [greyscale, normalised, darkRegions, uneven, darkWindow, photographed, blurred] = greys;
    const bool unevenPaper = judge && uneven;
    QImage preparedImage; // normalised and upscaled, once asked for
    auto upscaled = [&]() -> const QImage& {
        if (preparedImage.isNull())
            preparedImage =
                options.fast || !m_tuning.upscale
                    ? normalised
                    : SmallTextPreparation::prepare(normalised, m_tuning.upscaler,
                                                    ScreenImage::hardEdged(normalised)
                                                        ? std::min(hardEdgedUpscale, m_tuning.maximumUpscale)
                                                        : m_tuning.maximumUpscale);
        return preparedImage;
    };
    if (prepared) {
        lines = std::move(*prepared);
    } else {
        const QImage& grey = upscaled();
        const double scale = double(grey.width()) / image.width();
        // Fast mode reads the region as one block of text, without the inverted second look at
        // unsure lines: those are most of the time.
        lines = session.read(grey,
                             options.fast ? tesseract::PSM_SINGLE_BLOCK
                                          : tesseract::PageSegMode(m_tuning.pageSegmentation),
                             m_tuning.retryInverted && !options.fast, scale, darkRegions);
    }

    // Every preparation must earn its place: where a line is unsure, the image is also read as
    // given, as the tesseract command line would, and each area keeps the better reading. On a
    // page with most lines sure, only the unsure ones are read again, each with a little of its
    // surroundings, so that it pays for its few doubtful lines and not for a second pass.
    if (judge && m_tuning.judge && !options.fast && options.scanResolution <= 0) {
        auto inkOutsideLines = [&] {
            std::vector<QRect> boxes;
            for (const Line& line : lines)
                boxes.push_back(line.box.toAlignedRect());
            return ScreenImage::inkOutside(normalised, boxes);
        };
        // Another reading's sure lines where nothing was read; what was read stays.
        auto addWhereNothingRead = [&](std::vector<Line> more) {
            for (Line& line : more) {
                if (line.score > 0.0 && line.weakest >= m_tuning.sureWord && hasWord(line.text) &&
                    std::none_of(lines.begin(), lines.end(),
                                 [&](const Line& other) { return overlaps(line.box, other.box); }))
                    lines.push_back(std::move(line));
            }
        };
        // Each region of the image as given, as a block of text, in the image's pixels.
        auto readAsGiven = [&](const std::vector<QRect>& regions) {
            std::vector<Line> read;
            for (const QRect& region : regions) {
                for (Line line :
                     session.read(image.copy(region), tesseract::PSM_SINGLE_BLOCK, true, 1.0, {}, true)) {
                    line.box.translate(region.topLeft());
                    read.push_back(line);
                }
            }
            return read;
        };
        // A region as the panels are read: stretched to paper and enlarged, in the image's pixels.
        auto readPrepared = [&](const QImage& source, const QRect& region, bool invertedRetry, bool cropped) {
            const QImage paper = ScreenImage::stretchToPaper(source.copy(region));
            const QImage large =
                SmallTextPreparation::prepare(cropped ? paper : ScreenImage::withoutCorners(paper),
                                              m_tuning.upscaler, m_tuning.maximumUpscale);
            std::vector<Line> read = session.read(large, tesseract::PSM_SINGLE_BLOCK, invertedRetry,
                                                  double(large.width()) / region.width(), {}, cropped);
            for (Line& line : read)
                line.box.translate(region.topLeft());
            return read;
        };
        std::vector<QRect> regions;
        for (const Line& line : lines) {
            if (line.confidence >= m_tuning.sureLine && line.weakest >= m_tuning.sureWord)
                continue;
            const int h = int(std::ceil(line.box.height()));
            addMerged(regions,
                      line.box.toAlignedRect().adjusted(-2 * h, -h / 4, 2 * h, h / 4) & image.rect());
        }
        // Read as one block, a region that holds prose side by side, columns, runs their lines
        // into one: the whole image then goes to Tesseract's own layout analysis. Not so the
        // cells of a table, whose rows a block keeps.
        const auto inProse = [&](const Line& line, const QRect& region) {
            const auto letters =
                std::count_if(line.text.begin(), line.text.end(), [](QChar c) { return c.isLetter(); });
            return line.words >= 4 && 2 * letters >= line.text.size() &&
                   region.contains(line.box.center().toPoint());
        };
        const bool columns = std::any_of(regions.begin(), regions.end(), [&](const QRect& region) {
            return std::any_of(lines.begin(), lines.end(), [&](const Line& a) {
                return inProse(a, region) && std::any_of(lines.begin(), lines.end(), [&](const Line& b) {
                           return inProse(b, region) && a.box.right() < b.box.left() &&
                                  a.box.bottom() > b.box.top() && b.box.bottom() > a.box.top() &&
                                  std::max(a.box.height(), b.box.height()) <
                                      2 * std::min(a.box.height(), b.box.height());
                       });
            });
        });
        // A capture of a few lines costs little to read whole, and reads better whole. On uneven
        // paper the prepared reading can lose the text on the darker side while what it kept
        // reads sure, and Tesseract's own reading of the colours does not.
        if ((!regions.empty() && (lines.size() < 12 || regions.size() * 2 > lines.size() || columns)) ||
            unevenPaper) {
            lines = better(std::move(lines), session.read(image, tesseract::PSM_AUTO, true, 1.0, {}));
        } else if (lines.empty()) {
            lines = session.read(image, tesseract::PSM_AUTO, true, 1.0, {});
        } else {
            if (!regions.empty())
                lines = better(std::move(lines), readAsGiven(regions));
            // Where most of the ink lies outside every line read, Tesseract's layout took text
            // for a picture (light text in dark bubbles): the plain reading's sure lines where
            // nothing was read are added, and what was read stays.
            if (inkOutsideLines() > missedInk)
                addWhereNothingRead(session.read(image, tesseract::PSM_AUTO, true, 1.0, {}));
        }
        // Layout analysis also drops as pictures a dialog's headings, its labels beside check
        // boxes and in buttons, and whole columns of a table. Where much of the ink lies outside
        // every line read, the prepared image is also read as one block of text, each area
        // keeping the better reading; and what is still left out, as sparse text.
        if (!lines.empty() && inkOutsideLines() > strayInk) {
            const QImage& grey = upscaled();
            const double scale = double(grey.width()) / image.width();
            lines = better(std::move(lines), session.read(grey, tesseract::PSM_SINGLE_BLOCK,
                                                          m_tuning.retryInverted, scale, darkRegions));
            if (inkOutsideLines() > strayInk)
                addWhereNothingRead(session.read(grey, tesseract::PSM_SPARSE_TEXT, m_tuning.retryInverted,
                                                 scale, darkRegions));
        }
        // Captions over a picture, a light fill inside a dark outline, read best as the fill
        // alone: any threshold of the whole picture cuts through the letters somewhere. A
        // picture need not look uneven once its dark areas are inverted: where nothing read
        // sure, the fill is tried too. Short captures have a second look of their own below.
        const bool nothingSure =
            image.height() > shortCapture &&
            std::none_of(lines.begin(), lines.end(), [](const Line& line) { return line.score > 0.0; });
        // And white letters over a picture, without an outline, as its lightest pixels alone.
        for (const QImage& ink : {unevenPaper || nothingSure ? ScreenImage::outlinedInk(greyscale) : QImage(),
                                  ScreenImage::lightestInk(greyscale)}) {
            if (ink.isNull())
                continue;
            const QImage large =
                SmallTextPreparation::prepare(ink, m_tuning.upscaler, m_tuning.maximumUpscale);
            lines = better(std::move(lines), session.read(large, tesseract::PSM_AUTO, false,
                                                          double(large.width()) / image.width(), {}));
        }
        // Tesseract's one threshold for a whole photograph behind the text (a translucent panel
        // over it) takes letters for picture where the photograph is light; a threshold that
        // follows the picture keeps them.
        if (ScreenImage::picture(greyscale)) {
            const QImage& grey = upscaled();
            session.setLocalThreshold(true);
            lines = better(std::move(lines), session.read(grey, tesseract::PSM_AUTO, false,
                                                          double(grey.width()) / image.width(), darkRegions));
            session.setLocalThreshold(false);
        }
        // Bubbles and selected rows in a shade of their own: Tesseract's one threshold turns
        // some of them solid, text and all, so each is also read on its own.
        std::vector<Line> panelLines;
        // Bubbles only a little darker than the window can still turn solid, where nothing
        // darker draws the threshold down; on a picture such patches are everywhere. On a
        // photographed screen, polarity normalisation can invert the window around its bubbles
        // and leave them lighter: they are still darker panels in the grey as given.
        std::vector<QRect> panels = ScreenImage::panels(normalised, darkPanel);
        if (panels.empty())
            panels = greys.unevenPaper ? ScreenImage::panels(greyscale, darkPanel)
                                       : ScreenImage::panels(normalised, faintPanel);
        // In a dark window, polarity normalisation cuts through a light bubble's dark text (an
        // accent-coloured one of mid shade); in the inverted grey it is a darker panel as any.
        if (darkWindow) {
            QImage inverted = greyscale;
            inverted.invertPixels();
            for (const QRect& panel : ScreenImage::panels(inverted, darkPanel)) {
                if (std::any_of(panels.begin(), panels.end(),
                                [&](const QRect& other) { return other.contains(panel); }))
                    continue;
                std::erase_if(panels, [&](const QRect& other) { return panel.contains(other); });
                panels.push_back(panel);
            }
        }
        // A dark button too small for polarity normalisation to invert is a panel of its own,
        // in place of any part of it found as one; unless its text read sure already, as a
        // bubble's rim would read as stray signs.
        for (const QRect& widget : ScreenImage::darkWidgets(normalised)) {
            if (std::any_of(lines.begin(), lines.end(), [&](const Line& line) {
                    return line.score > 0.0 && line.weakest >= m_tuning.sureWord &&
                           QRectF(widget).contains(line.box.center());
                }))
                continue;
            std::erase_if(panels, [&](const QRect& panel) { return panel.intersects(widget); });
            panels.push_back(widget);
        }
        // Chips, buttons and cards of every colour, which a grey threshold can miss or cut,
        // are read too, each on its own shade; where a panel holds one already, the better
        // reading of each line stays. Grain and noise make no rims.
        QImage chipGrey = greyscale;
        const std::vector<QRect> chips =
            photographed || blurred ? std::vector<QRect>{} : ScreenImage::chips(image, &chipGrey);
        const auto firstChip = qsizetype(panels.size());
        panels.insert(panels.end(), chips.begin(), chips.end());
        for (qsizetype p = 0; p < qsizetype(panels.size()); ++p) {
            const QRect& panel = panels[std::size_t(p)];
            // A panel's rounded rim can read as a stray sign; a line needs a word. Panels found
            // in a noisy image may overlap: a line two of them read is kept once, as read best.
            for (Line& line :
                 readPrepared(p >= firstChip ? chipGrey : greyscale, panel, m_tuning.retryInverted, false)) {
                if (!hasWord(line.text))
                    continue;
                const auto same = std::find_if(panelLines.begin(), panelLines.end(), [&](const Line& other) {
                    return overlaps(line.box, other.box);
                });
                if (same == panelLines.end())
                    panelLines.push_back(std::move(line));
                else if (line.score > same->score)
                    *same = std::move(line);
            }
        }
        // Only the lines on panels compete with the panels' own: elsewhere that reading is no
        // empty one, it never looked, and a line read unsure there must stay. A line that only
        // reaches onto a panel (a grey button's label run into the coloured one's) stays whole.
        if (!panelLines.empty()) {
            std::vector<Line> onPanels, elsewhere;
            // A line runs on past the chips it crosses (a toolbar's buttons and a label after
            // them) unless they hold nearly all of it; and a sure line across a row of buttons
            // stays whole, as the row it is.
            const auto onChips = [&](const Line& line) {
                double held = 0.0;
                int crossed = 0;
                for (auto chip = panels.begin() + firstChip; chip != panels.end(); ++chip) {
                    const QRectF box(*chip);
                    const double common =
                        std::min(box.right(), line.box.right()) - std::max(box.left(), line.box.left());
                    if (common > 0.0 && box.top() <= line.box.center().y() &&
                        line.box.center().y() <= box.bottom()) {
                        held += common;
                        ++crossed;
                    }
                }
                return held >= chipHolds * line.box.width() &&
                       (crossed == 1 || line.weakest < m_tuning.sureWord);
            };
            for (Line& line : lines) {
                const bool on = std::any_of(panels.begin(), panels.begin() + firstChip,
                                            [&](const QRect& panel) {
                                                return QRectF(panel).contains(line.box.center());
                                            }) ||
                                onChips(line);
                (on ? onPanels : elsewhere).push_back(std::move(line));
            }
            std::erase_if(panelLines, [&](const Line& line) {
                return std::any_of(elsewhere.begin(), elsewhere.end(),
                                   [&](const Line& other) { return overlaps(line.box, other.box); });
            });
            lines = better(std::move(onPanels), std::move(panelLines));
            lines.insert(lines.end(), elsewhere.begin(), elsewhere.end());
        }
        // Layout analysis takes a lone short word for noise at some resolutions, the more so
        // without a margin around it: where nothing read sure, a short capture is also read as
        // one block, with paper around it and without the button or chip around the text.
        if (image.height() <= shortCapture &&
            std::none_of(lines.begin(), lines.end(), [](const Line& line) { return line.score > 0.0; })) {
            const QImage paper = ScreenImage::withoutCorners(ScreenImage::stretchToPaper(greyscale));
            const int margin = std::max(4, paper.height() / 2);
            QImage padded(paper.width() + 2 * margin, paper.height() + 2 * margin, QImage::Format_Grayscale8);
            padded.fill(255);
            QPainter(&padded).drawImage(margin, margin, paper);
            const QImage large =
                SmallTextPreparation::prepare(padded, m_tuning.upscaler, m_tuning.maximumUpscale);
            const double factor = double(large.width()) / padded.width();
            // Models read a tight crop's word less surely than the same word in a line; the user
            // dragged round it, so a word read better than at random is kept. A capture no wider
            // than a glyph or two (a key cap, a drive letter) may hold a single letter or digit,
            // which must then read sure.
            const bool glyph = image.width() <= 2 * image.height();
            std::vector<Line> block;
            for (Line& line : session.read(large, tesseract::PSM_SINGLE_BLOCK, true, factor, {})) {
                line.box.translate(-margin, -margin);
                const bool character = glyph && line.text.size() == 1 &&
                                       line.text.front().isLetterOrNumber() &&
                                       line.weakest >= m_tuning.sureWord;
                if (line.weakest >= loneWord && (hasWord(line.text) || character))
                    block.push_back(std::move(line));
            }
            lines = lines.empty() ? std::move(block) : better(std::move(lines), std::move(block));
        }
        // A table's column of short cells ("all", "amd64") that layout analysis left out:
        // ink the size of words where no line was read is read on its own, as given and
        // prepared, each area keeping the better reading: a sidebar's small light labels on a
        // dark pane come out garbled as given.
        if (!lines.empty()) {
            std::vector<QRect> boxes;
            std::vector<int> heights;
            for (const Line& line : lines) {
                boxes.push_back(line.box.toAlignedRect());
                heights.push_back(int(line.box.height()));
            }
            // The lower middle: of a few lines, one may be a row of buttons, taller than the text,
            // and words of the text's height would not count.
            std::sort(heights.begin(), heights.end());
            const int h = heights[(heights.size() - 1) / 2];
            std::vector<QRect> areas;
            for (const QRect& word : ScreenImage::lostWords(normalised, boxes, h))
                addMerged(areas, word.adjusted(-h, -h, h, h) & image.rect());
            // Beyond a few areas it is a picture's texture, not a table's cells.
            if (areas.size() <= 16) {
                std::vector<Line> enlarged;
                for (const QRect& area : areas)
                    std::ranges::move(readPrepared(greyscale, area, true, true),
                                      std::back_inserter(enlarged));
                addWhereNothingRead(better(readAsGiven(areas), std::move(enlarged)));
            }
            // Faint words (a disabled item, a light button's label over a dark backdrop) are
            // dark only against their own surroundings. On a photograph or a blurred capture,
            // so are grain and smudges.
            if (!photographed && !blurred) {
                boxes.clear();
                for (const Line& line : lines)
                    boxes.push_back(line.box.toAlignedRect());
                std::vector<QRect> faint;
                for (const QRect& word : ScreenImage::faintWords(normalised, boxes, h, faintInk)) {
                    if (std::none_of(areas.begin(), areas.end(),
                                     [&](const QRect& area) { return area.intersects(word); }))
                        addMerged(faint, word.adjusted(-h, -h, h, h) & image.rect());
                }
                if (faint.size() <= maximumFaintAreas) {
                    std::vector<Line> enlarged;
                    for (const QRect& area : faint)
                        std::ranges::move(readPrepared(greyscale, area, true, true),
                                          std::back_inserter(enlarged));
                    addWhereNothingRead(std::move(enlarged));
                }
            }
        }
    }
    return lines;
}

QString TesseractEngine::chooseLanguages(const Greys& greys,
                                         const QString& first,
                                         const QString& usual,
                                         const std::vector<TextLine>& lines,
                                         const OCROptions& options,
                                         const CancelToken& cancel)
{
    const QStringList installed = TesseractLanguages::installed(m_dataPath);
    QStringList candidates = installed;
    if (candidates.size() < 2)
        return {};
    int allLetters = 0;
    qsizetype characters = 0;
    QStringList texts;
    for (const TextLine& line : lines) {
        allLetters += line.letters;
        characters += line.text.size() - line.text.count(QLatin1Char(' '));
        texts.append(line.text);
    }
    const bool words = allLetters > 0 && allLetters >= prose * double(characters);
    // English has next to no accented letters, while the English model reads them well and its
    // dictionary knows many French words: a few of them are a reason to measure.
    auto accentedEnglish = [](const QString& language, const QString& text) {
        return language.section(QLatin1Char('+'), 0, 0) == QLatin1String("eng") &&
               std::count_if(text.begin(), text.end(),
                             [](QChar c) { return c.isLetter() && c.unicode() > 0x7f; }) >= 2;
    };
    // A reading whose words the first guess's dictionary mostly holds.
    const auto [dictionaryLetters, listed] =
        Session(*this, {first, true, options.vocabulary}, cancel).dictionaryLetters(lines);
    const bool sure = dictionaryLetters > 0 && listed * 4 >= dictionaryLetters * 3 &&
                      !accentedEnglish(first, texts.join(QLatin1Char(' ')));
    // The language another must beat: with a guess from an earlier capture, the usual one, as a
    // dictionary knows many foreign words; text that is not prose goes back to the usual one.
    const QString baseline = (usual.isEmpty() ? first : usual).section(QLatin1Char('+'), 0, 0);
    // The sample: the lines with the most unknown words, stacked into one block.
    std::vector<TextLine> ranked = lines;
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const TextLine& a, const TextLine& b) { return a.unknown > b.unknown; });
    std::size_t count = 0;
    for (int letters = 0;
         count < std::min(ranked.size(), languageSampleLines) && letters < languageSampleLetters; ++count)
        letters += ranked[count].letters;
    const std::vector<TextLine> sample(ranked.begin(), ranked.begin() + std::ptrdiff_t(count));
    // Lines stacked into one block of paper. A line from a bubble keeps the bubble's shade,
    // which Tesseract's one threshold can turn solid, so it is stretched to its own paper.
    QImage grey;
    auto blockOf = [&](const std::vector<TextLine>& of) {
        if (grey.isNull())
            grey = m_tuning.normalizePolarity
                       ? greys.normalised
                       : ScreenImage::normalizePolarity(greys.greyscale, polarityRadius);
        const int gap = 12;
        int width = 0, height = gap;
        for (const TextLine& line : of) {
            width = std::max(width, int(std::ceil(line.box.width())) + 2 * gap + 4);
            height += int(std::ceil(line.box.height())) + 4 + gap;
        }
        QImage stack(width, height, QImage::Format_Grayscale8);
        stack.fill(255);
        {
            QPainter painter(&stack);
            int y = gap;
            for (const TextLine& line : of) {
                const QRect box = line.box.toAlignedRect().adjusted(-2, -2, 2, 2) & grey.rect();
                painter.drawImage(QPoint(gap, y), ScreenImage::stretchToPaper(grey.copy(box)));
                y += box.height() + gap;
            }
        }
        return SmallTextPreparation::prepare(stack, m_tuning.upscaler, m_tuning.maximumUpscale);
    };
    QImage block;
    auto makeBlock = [&] {
        if (block.isNull())
            block = blockOf(sample);
    };
    // More lines, for what a line or three cannot settle.
    QImage wide;
    auto wideBlock = [&]() -> const QImage& {
        if (wide.isNull())
            wide = blockOf(
                {ranked.begin(), ranked.begin() + std::ptrdiff_t(std::min(ranked.size(), widerSampleLines))});
        return wide;
    };

    // Where the packs span several scripts, the text's script rules out the packs of the others,
    // even for a reading that is not like prose: a Russian text read with an English model comes
    // out as confident Latin garbage. And a usual language of another script is no baseline to
    // beat. Prose that the dictionary holds is in the first guess's script. Script detection
    // looks at the wider sample: on a menu's few least known lines it named Latin for Cyrillic,
    // or nothing.
    QSet<QString> scripts;
    for (const QString& candidate : std::as_const(candidates))
        scripts.insert(TesseractLanguages::script(candidate));
    QString script;
    if (scripts.size() > 1 && !sample.empty() && !(words && sure) &&
        QFileInfo::exists(m_dataPath + QLatin1String("/osd.traineddata"))) {
        cancel.throwIfCancelled();
        script = Session(*this, {osd, true, {}}, cancel).script(wideBlock());
    }
    auto ofScript = [&](const QStringList& packs) {
        QStringList same;
        for (const QString& pack : packs) {
            const QString own = TesseractLanguages::script(pack);
            if (!script.isEmpty() && (own.isEmpty() || own == script))
                same.append(pack);
        }
        return same.isEmpty() ? packs : same;
    };
    const QString baseScript = TesseractLanguages::script(baseline);
    const bool baselineOut = !script.isEmpty() && !baseScript.isEmpty() && baseScript != script &&
                             ofScript(candidates) != candidates;
    if (baselineOut) {
        // Detection on a line or three can name the wrong script (English or Spanish taken for
        // Cyrillic): the usual language stays the one to beat, measured against the packs of
        // both scripts.
        QStringList both = ofScript(candidates);
        for (const QString& pack : std::as_const(candidates))
            if (TesseractLanguages::script(pack) == baseScript && !both.contains(pack))
                both.append(pack);
        candidates = both;
        candidates.prepend(baseline);
    } else {
        if (!usual.isEmpty()) {
            if (!words)
                return usual;
            if (sure) {
                // The earlier guess's dictionary holds the words it read, the usual one's clearly
                // fewer of them: the guess stands, measured on all of the text and not a sample.
                const int usualListed = Session(*this, {baseline, true, options.vocabulary}, cancel)
                                            .dictionaryLetters(lines)
                                            .second;
                if (listed >= usualListed + std::max(6.0, knownMargin * dictionaryLetters))
                    return first;
                candidates = QStringList{baseline, first};
            }
        } else if (!words || sure) {
            // A reading whose words the dictionary mostly knows has nothing to gain from another
            // language, nor has one that is mostly not words (program code, numbers, addresses).
            return {};
        }
        candidates = ofScript(candidates);
    }
    makeBlock();

    // The baseline is measured first, then the first guess, so that a clear winner can end the
    // search early.
    QStringList order = candidates;
    for (const QString& early : {first, baseline})
        if (order.removeAll(early) > 0)
            order.prepend(early);
    QString best = baseline;
    double baseScore = 0.0, bestScore = 0.0;
    int baseKnown = 0, bestKnown = 0, sampleLetters = 0;
    auto farSurer = [&] { return bestScore >= baseScore * languageMargin + 1.0; };
    auto clearlyBetter = [&] {
        // Sureness alone can favour any language on identifiers; the language must also know
        // clearly more of the words. One that knows nearly all of them need only read as surely.
        const bool surer = farSurer() || (bestScore >= baseScore && bestKnown >= sureKnown * sampleLetters);
        return best != baseline && surer &&
               bestKnown >= baseKnown + std::max(6.0, knownMargin * sampleLetters);
    };
    struct Measure
    {
        double score = 0.0; // sure words, and letters in words the language's dictionary holds
        int known = 0, letters = 0;
        QString text;
    };
    auto measure = [&](const QString& language, const QImage& image, bool inPlace) {
        Session session(*this, {language, true, options.vocabulary}, cancel);
        std::vector<std::vector<Line>> readings{
            session.read(image, tesseract::PSM_SINGLE_BLOCK, false, 1.0, {})};
        if (inPlace)
            readings.push_back(sample);
        Measure result;
        for (const std::vector<Line>& read : readings) {
            double score = 0.0;
            QStringList text;
            for (const Line& line : read) {
                score += line.score + line.letters - line.unknown;
                text.append(line.text.simplified());
            }
            if (result.text.isNull() || score > result.score) {
                result.score = score;
                std::tie(result.letters, result.known) = session.dictionaryLetters(read);
                result.text = text.join(QLatin1Char(' '));
            }
        }
        return result;
    };
    std::vector<std::pair<QString, double>> measured; // on the sample
    for (const QString& language : std::as_const(order)) {
        cancel.throwIfCancelled();
        // Every language reads the same block of sample lines. The first guess has also read
        // them in place, where the whole pipeline may have read them better, and keeps the
        // better of the two.
        const auto [score, known, letters, text] = measure(language, block, language == first);
        measured.emplace_back(language, score);
        sampleLetters = std::max(sampleLetters, letters);
        if (language == baseline) {
            baseScore = score;
            baseKnown = known;
        }
        if (score > bestScore) {
            best = language;
            bestScore = score;
            bestKnown = known;
        }
        // A language that knows most words of the sample will not be beaten: wrong languages
        // measured well under half. The one to beat, measured first, must know nearly all: the
        // English dictionary holds two thirds of many a French line.
        if (language == best &&
            ((known >= mostKnown * letters && clearlyBetter()) ||
             (language == baseline && known >= sureKnown * letters && !accentedEnglish(language, text))))
            break;
    }
    // A line or three may settle nothing: read alike in every language, with no letter of its
    // own ("Verdoppeln des Dateibezeichners nicht"), or far surer in another script yet with none
    // of its words known (rare words, not a wrong script, as often as not). More lines decide,
    // among the languages that read the sample about as surely as the best.
    if (!clearlyBetter() && ranked.size() > sample.size()) {
        const double top = std::max(bestScore, baseScore);
        const double reach = top - contenderMargin * std::abs(top);
        const Measure base = measure(baseline, wideBlock(), false);
        best = baseline;
        baseScore = bestScore = base.score;
        baseKnown = bestKnown = base.known;
        sampleLetters = base.letters;
        for (const auto& [language, score] : measured) {
            if (language == baseline || score < reach)
                continue;
            cancel.throwIfCancelled();
            const Measure other = measure(language, wideBlock(), false);
            sampleLetters = std::max(sampleLetters, other.letters);
            if (other.score > bestScore) {
                best = language;
                bestScore = other.score;
                bestKnown = other.known;
            }
        }
    }
    if (!clearlyBetter())
        return usual.isEmpty() ? first : usual;
    // English second: a Spanish chat or a Russian manual page names its people, programs and
    // options in English, which a model of another language reads as garbage.
    if (!best.split(QLatin1Char('+')).contains(english) && installed.contains(english))
        return best + QLatin1Char('+') + english;
    return best;
}

Recognition
TesseractEngine::recognize(const QImage& image, const OCROptions& options, const CancelToken& cancel)
{
    cancel.throwIfCancelled();
    QElapsedTimer timer;
    timer.start();

    // libgomp's default spends most of its time spinning on two cores; the setting is per thread.
    omp_set_max_active_levels(0);

    const QString usual = languageString(options);
    QString languages = usual;
    Recognition recognition;

    // Codes first, on the image as given (upscaling only blurs modules); they are then painted
    // over, as Tesseract reads their modules as stray characters.
    const QList<BarcodeReader::Code> codes = BarcodeReader::read(image);
    for (const BarcodeReader::Code& code : codes)
        recognition.codes.append(code.payload);
    cancel.throwIfCancelled();

    if (!image.isNull() && image.width() >= 3 && image.height() >= 3) {
        const QImage text = withoutCodes(image, codes);
        const bool automatic = options.automaticLanguage && !options.fast &&
                               std::none_of(options.languages.begin(), options.languages.end(),
                                            [](const QString& code) { return !code.trimmed().isEmpty(); });
        QByteArray key;
        std::optional<QString> known;
        if (automatic) {
            key = contentKey(text);
            known = m_pool->chosen(key);
            if (known)
                languages = *known;
            else if (const QString last = m_pool->lastMeasured(); !last.isEmpty())
                languages = last;
        }
        // The plain reading that judges the prepared one waits until the language is settled;
        // but the prepared reading of captions over a picture (uneven paper) is too garbled to
        // tell the language by, and every language would be measured for nothing.
        const Greys greys = tiled(text) ? Greys{} : greysOf(text);
        const bool choosing = automatic && !known;
        const bool defer = choosing && !tiled(text) && !greys.unevenPaper;
        std::vector<TextLine> lines = readText(text, greys, languages, options, cancel, !defer);
        if (choosing) {
            const QString chosen =
                chooseLanguages(tiled(text) ? greysOf(text) : greys, languages,
                                languages == usual ? QString() : usual, lines, options, cancel);
            if (!chosen.isEmpty() && chosen != languages) {
                languages = chosen;
                lines = readText(text, greys, languages, options, cancel, !defer);
            }
            m_pool->remember(key, languages, !chosen.isEmpty());
        }
        if (defer)
            lines = readText(text, greys, languages, options, cancel, true, std::move(lines));
        // Another whole reading of the capture prepared, kept where its lines are surer in all.
        const auto total = [](const std::vector<TextLine>& reading) {
            return std::accumulate(reading.begin(), reading.end(), 0.0,
                                   [](double sum, const TextLine& line) { return sum + line.score; });
        };
        const bool another = !tiled(text) && !options.fast && options.scanResolution <= 0;
        // A photograph of a screen is seldom level: its rows of text climb or fall across it,
        // and the composer would take a row's right end for the next line. It is also read
        // levelled, and the surer reading kept: turning blurs what was sharp. Its lines keep
        // the levelled positions, a scanned page's must match the page.
        Greys read = greys;
        if (another && greys.photographed) {
            if (const double angle = ScreenImage::skew(greys.normalised); angle != 0.0) {
                const QImage level = ScreenImage::levelled(text, angle);
                Greys levelGreys = greysOf(level);
                std::vector<TextLine> levelLines =
                    readText(level, levelGreys, languages, options, cancel, true);
                if (total(levelLines) > total(lines)) {
                    lines = std::move(levelLines);
                    read = std::move(levelGreys);
                }
            }
        } else if (another && greys.blurred) {
            // Letters blurred by a pixel or more lose their strokes under any threshold; they
            // are also read sharpened. Not so a photograph: sharpening its noise reads worse.
            const QImage sharp = ScreenImage::sharpened(greys.greyscale);
            Greys sharpGreys = sharp.isNull() ? Greys{} : greysOf(sharp);
            sharpGreys.blurred = true; // its grain sharpened too
            std::vector<TextLine> sharpLines =
                sharp.isNull() ? std::vector<TextLine>{}
                               : readText(sharp, sharpGreys, languages, options, cancel, true);
            if (total(sharpLines) > total(lines)) {
                const double back = double(text.width()) / sharp.width();
                for (TextLine& line : sharpLines)
                    line.box = QRectF(line.box.topLeft() * back, line.box.size() * back);
                lines = std::move(sharpLines);
            }
        }
        // A bar read alone is a chip's rim, a frame's edge or a field's caret, not text; and so is
        // one that ends a line at the capture's side (a button's outline after its label).
        static const QRegularExpression bar(QStringLiteral("^[|\u00a6]+$"));
        std::erase_if(lines, [](const TextLine& line) { return line.text.trimmed().contains(bar); });
        for (TextLine& line : lines) {
            if (line.text.endsWith(QLatin1String(" |")) && line.box.right() >= text.width() - atSide)
                line.text.chop(2);
            if (line.text.startsWith(QLatin1String("| ")) && line.box.left() <= atSide)
                line.text.remove(0, 2);
        }
        std::vector<bool> dark;
        for (const TextLine& line : lines) {
            const RecognizedLine recognized{line.text, line.confidence, line.box.toAlignedRect()};
            if (auto block = recognized.toBlock(image.size())) {
                recognition.blocks.append(*block);
                dark.push_back(inDarkRegion(read.darkRegions, line.box.center().toPoint()));
            }
        }
        recognition.blocks = joinedRows(recognition.blocks, dark);
    }
    recognition.language = languages;

    cancel.throwIfCancelled();
    recognition.seconds = double(timer.nsecsElapsed()) / 1e9;
    return recognition;
}

} // namespace vellumix
