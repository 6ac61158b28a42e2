// SPDX-License-Identifier: GPL-3.0-or-later
// The recognition benchmark's helper: writes the evaluation set, scores the outputs of
// vellumix-ocr and the tesseract command line, measures in-process latency and compares tunings.
#include "EvaluationSet.h"

#include "core/BarcodeReader.h"
#include "core/Cancellation.h"
#include "core/TesseractEngine.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QRegularExpression>
#include <QTextStream>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

using namespace vellumix;
using namespace vellumix::bench;

namespace {

QTextStream out(stdout);

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool writeText(const QString& path, const QString& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0;
}

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int writeImages(const QString& folder)
{
    for (const EvaluationImage& item : evaluationSet()) {
        const QString dir = folder + QLatin1Char('/') + item.category;
        QDir().mkpath(dir);
        const QString base = dir + QLatin1Char('/') + item.name;
        if (!item.image.save(base + QStringLiteral(".png")) ||
            !writeText(base + QStringLiteral(".txt"), item.expected) ||
            !writeText(base + QStringLiteral(".codes"), item.codes.join(QLatin1Char('\n'))) ||
            !writeText(base + QStringLiteral(".lang"), item.languages)) {
            QTextStream(stderr) << "cannot write " << base << '\n';
            return 1;
        }
    }
    return 0;
}

struct Timing
{
    double seconds = 0;
    long peakKb = 0;
};

// times.tsv: category, tool, seconds, peak kilobytes (one row per run; seconds add up).
QMap<QString, QMap<QString, Timing>> readTimes(const QString& path)
{
    QMap<QString, QMap<QString, Timing>> times;
    const QStringList rows = readText(path).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& row : rows) {
        const QStringList cells = row.split(QLatin1Char('\t'));
        if (cells.size() < 4)
            continue;
        Timing& timing = times[cells.at(0)][cells.at(1)];
        timing.seconds += cells.at(2).toDouble();
        timing.peakKb = std::max(timing.peakKb, cells.at(3).toLong());
    }
    return times;
}

QString fixed(double value, int decimals = 2)
{
    return QString::number(value, 'f', decimals);
}

QString ratio(double numerator, double denominator)
{
    return denominator > 0 ? fixed(numerator / denominator) : QStringLiteral("-");
}

// Reading order across columns is the composer's business, not the recogniser's: where
// columns sit side by side, lines are compared as a sorted list; in interface lists, where a
// value may come as a line of its own, as sorted words. A table's rows are compared as lines.
double scoreText(const QString& category, const QString& expected, const QString& actual)
{
    if (category == QLatin1String("ui")) {
        QStringList a = expected.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QStringList b = actual.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        a.sort();
        b.sort();
        return characterErrorRate(a.join(QLatin1Char(' ')), b.join(QLatin1Char(' ')));
    }
    // A table's rows must come out as lines: a row read as one line a cell is no copy of the table.
    if (category == QLatin1String("grid")) {
        auto rows = [](const QString& text) {
            QStringList lines;
            for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                lines.append(line.simplified());
            return lines.join(QChar(u'\u00b6'));
        };
        return characterErrorRate(rows(expected), rows(actual));
    }
    if (category != QLatin1String("sidebar"))
        return characterErrorRate(expected, actual);
    QStringList a = expected.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QStringList b = actual.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString& line : b)
        line = line.trimmed();
    a.sort();
    b.sort();
    return characterErrorRate(a.join(QLatin1Char('\n')), b.join(QLatin1Char('\n')));
}

int score(const QString& folder)
{
    // vellumix-ocr's JSON lines, keyed by image name.
    QMap<QString, QJsonObject> ours;
    const QStringList jsonFiles =
        QDir(folder + QStringLiteral("/out-vellumix")).entryList({QStringLiteral("*.jsonl")});
    for (const QString& name : jsonFiles) {
        const QStringList rows = readText(folder + QStringLiteral("/out-vellumix/") + name)
                                     .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString& row : rows) {
            const QJsonObject object = QJsonDocument::fromJson(row.toUtf8()).object();
            ours.insert(QFileInfo(object.value(QStringLiteral("file")).toString()).completeBaseName(),
                        object);
        }
    }
    const auto times = readTimes(folder + QStringLiteral("/times.tsv"));

    out << "| category | images | CER vellumix-ocr | CER tesseract | CER ratio | worst image (pp) | codes | "
           "time vellumix-ocr (s) | time tesseract (s) | time ratio | time tesseract, 1 OpenMP thread (s) | "
           "time ratio |\n";
    out << "|---|---|---|---|---|---|---|---|---|---|---|---|\n";
    double allOurs = 0, allTheirs = 0, allOursTime = 0, allTheirsTime = 0, allTheirs1Time = 0;
    int allCount = 0;
    long oursPeak = 0, theirsPeak = 0;
    const QStringList categories =
        QDir(folder + QStringLiteral("/images")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& category : categories) {
        const QString dir = folder + QStringLiteral("/images/") + category;
        const QStringList images = QDir(dir).entryList({QStringLiteral("*.png")});
        const Timing oursTime = times.value(category).value(QStringLiteral("vellumix-ocr"));
        const Timing theirsTime = times.value(category).value(QStringLiteral("tesseract"));
        const Timing theirs1Time = times.value(category).value(QStringLiteral("tesseract-omp1"));
        oursPeak = std::max(oursPeak, oursTime.peakKb);
        theirsPeak = std::max(theirsPeak, std::max(theirsTime.peakKb, theirs1Time.peakKb));
        if (category == QLatin1String("qr")) {
            int found = 0, expected = 0;
            for (const QString& image : images) {
                const QString base = QFileInfo(image).completeBaseName();
                const QStringList want = readText(dir + QLatin1Char('/') + base + QStringLiteral(".codes"))
                                             .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
                const QVariantList got =
                    ours.value(base).value(QStringLiteral("codes")).toArray().toVariantList();
                expected += int(want.size());
                for (const QString& payload : want)
                    found += got.contains(payload) ? 1 : 0;
            }
            out << "| qr (codes found) | " << images.size() << " | " << found << "/" << expected
                << " | n/a (no barcode reader) | - | - | - | " << fixed(oursTime.seconds)
                << " | - | - | - | - |\n";
            continue;
        }
        double oursSum = 0, theirsSum = 0, worst = -100;
        QString worstName;
        int found = 0, expectedCodes = 0;
        for (const QString& image : images) {
            const QString base = QFileInfo(image).completeBaseName();
            const QString expected = readText(dir + QLatin1Char('/') + base + QStringLiteral(".txt"));
            const double mine =
                scoreText(category, expected, ours.value(base).value(QStringLiteral("text")).toString());
            const double theirs = scoreText(
                category, expected,
                readText(folder + QStringLiteral("/out-tesseract/") + base + QStringLiteral(".txt")));
            oursSum += mine;
            theirsSum += theirs;
            if (100 * (mine - theirs) > worst) {
                worst = 100 * (mine - theirs);
                worstName = base;
            }
            const QStringList want = readText(dir + QLatin1Char('/') + base + QStringLiteral(".codes"))
                                         .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            const QVariantList got =
                ours.value(base).value(QStringLiteral("codes")).toArray().toVariantList();
            expectedCodes += int(want.size());
            for (const QString& payload : want)
                found += got.contains(payload) ? 1 : 0;
        }
        const double n = double(images.size());
        allOurs += oursSum;
        allTheirs += theirsSum;
        allCount += int(images.size());
        allOursTime += oursTime.seconds;
        allTheirsTime += theirsTime.seconds;
        allTheirs1Time += theirs1Time.seconds;
        out << "| " << category << " | " << images.size() << " | " << fixed(100 * oursSum / n) << " % | "
            << fixed(100 * theirsSum / n) << " % | " << ratio(oursSum, theirsSum) << " | " << fixed(worst)
            << " (" << worstName << ") | "
            << (expectedCodes ? QString::number(found) + QLatin1Char('/') + QString::number(expectedCodes)
                              : QStringLiteral("-"))
            << " | " << fixed(oursTime.seconds) << " | " << fixed(theirsTime.seconds) << " | "
            << ratio(oursTime.seconds, theirsTime.seconds) << " | " << fixed(theirs1Time.seconds) << " | "
            << ratio(oursTime.seconds, theirs1Time.seconds) << " |\n";
    }
    out << "| **all text** | " << allCount << " | " << fixed(100 * allOurs / allCount) << " % | "
        << fixed(100 * allTheirs / allCount) << " % | " << ratio(allOurs, allTheirs) << " | | | "
        << fixed(allOursTime) << " | " << fixed(allTheirsTime) << " | " << ratio(allOursTime, allTheirsTime)
        << " | " << fixed(allTheirs1Time) << " | " << ratio(allOursTime, allTheirs1Time) << " |\n\n";
    out << "Peak memory: vellumix-ocr " << oursPeak / 1024 << " MiB (one process per category), tesseract "
        << theirsPeak / 1024 << " MiB (one process per image)\n\n";
    return 0;
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const auto index =
        std::size_t(std::clamp(p * double(values.size() - 1) + 0.5, 0.0, double(values.size() - 1)));
    return values[index];
}

int latency(int runs)
{
    TesseractEngine engine;
    const EvaluationImage region = latencyRegion();
    const CancelToken cancel;
    out << "| 600 x 120 region, warm | median (ms) | p90 (ms) | CER |\n|---|---|---|---|\n";
    double accurateMedian = 0;
    for (bool fast : {false, true}) {
        OCROptions options;
        options.fast = fast;
        Recognition last;
        for (int i = 0; i < 2; ++i)
            last = engine.recognize(region.image, options, cancel); // warm: instance created, caches hot
        std::vector<double> ms;
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer timer;
            timer.start();
            last = engine.recognize(region.image, options, cancel);
            ms.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        const double median = percentile(ms, 0.5);
        if (!fast)
            accurateMedian = median;
        out << "| " << (fast ? "fast" : "accurate") << " | " << fixed(median, 1) << " | "
            << fixed(percentile(ms, 0.9), 1) << " | "
            << fixed(100 * characterErrorRate(region.expected, last.text(true))) << " % |\n";
        if (fast)
            out << "\nfast / accurate median: " << ratio(median, accurateMedian) << "\n";
    }
    std::vector<double> barcodeMs;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        BarcodeReader::read(region.image);
        barcodeMs.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    out << "Barcode pass alone (included in both): median " << fixed(percentile(barcodeMs, 0.5), 1)
        << " ms\n";
    out << "Peak memory of the latency process: " << peakKilobytes() / 1024 << " MiB\n\n";
    return 0;
}

int tune(const QString& only)
{
    struct Variant
    {
        const char* name;
        TesseractEngine::Tuning tuning;
        bool keywords = false; // the C++ keywords as Tesseract user words
    };
    using SmallTextPreparation::Upscaler;
    const QStringList keywords =
        QStringLiteral(
            "alignas alignof auto bool break case catch char class const constexpr continue decltype "
            "default delete do double else enum explicit extern false float for friend if inline int "
            "long mutable namespace new noexcept nullptr operator private protected public return short "
            "signed sizeof static struct switch template this throw true try typedef typename union "
            "unsigned using virtual void volatile while")
            .split(QLatin1Char(' '));
    const QList<Variant> variants = {
        {"chosen (defaults)", {}},
        {"no plain reading", {.judge = false}},
        {"plain reading for lines under 90, words under 75", {.sureLine = 90.0f, .sureWord = 75.0f}},
        {"plain reading for lines under 80 only", {.sureWord = 0.0f}},
        {"psm 11", {.pageSegmentation = 11}},
        {"no inverted retry", {.retryInverted = false}},
        {"psm 3 (auto)", {.pageSegmentation = 3}},
        {"psm 6 (single block)", {.pageSegmentation = 6}},
        {"psm 3, no polarity normalisation", {.pageSegmentation = 3, .normalizePolarity = false}},
        {"psm 11, no polarity normalisation", {.pageSegmentation = 11, .normalizePolarity = false}},
        {"psm 3, no upscaling", {.pageSegmentation = 3, .upscale = false}},
        {"psm 3, declared 96 dpi", {.pageSegmentation = 3, .resolution = 96}},
        {"psm 3, declared 300 dpi", {.pageSegmentation = 3, .resolution = 300}},
        {"upscaler: Leptonica linear", {.upscaler = Upscaler::LeptonicaLinear}},
        {"upscaler: Leptonica linear, unsharp masking", {.upscaler = Upscaler::LeptonicaSharpened}},
        {"upscale at most 2x", {.maximumUpscale = 2.0}},
        {"upscale at most 4x", {.maximumUpscale = 4.0}},
        {"C++ keywords as user words", {}, true},
    };
    QList<EvaluationImage> set = evaluationSet();
    // ONLY, as for recognition.sh, limits the categories.
    const QRegularExpression categoryFilter(qEnvironmentVariable("ONLY"));
    set.removeIf(
        [&](const EvaluationImage& item) { return !categoryFilter.match(item.category).hasMatch(); });
    QStringList categories;
    for (const EvaluationImage& item : set)
        if (!item.expected.isEmpty() && !categories.contains(item.category))
            categories.append(item.category);
    out << "| tuning | " << categories.join(QStringLiteral(" | ")) << " | all | seconds |\n|---|";
    for (qsizetype i = 0; i <= categories.size() + 1; ++i)
        out << "---|";
    out << "\n";
    for (const Variant& variant : variants) {
        if (!only.isEmpty() && !QLatin1String(variant.name).contains(only))
            continue;
        TesseractEngine engine({}, variant.tuning);
        QMap<QString, QPair<double, int>> sums;
        double seconds = 0;
        for (const EvaluationImage& item : set) {
            if (item.expected.isEmpty())
                continue;
            OCROptions options;
            if (!item.languages.isEmpty())
                options.languages = {item.languages};
            if (variant.keywords)
                options.vocabulary = keywords;
            const Recognition recognition = engine.recognize(item.image, options, CancelToken());
            seconds += recognition.seconds;
            auto& sum = sums[item.category];
            const double error = scoreText(item.category, item.expected, recognition.text(true));
            sum.first += error;
            // Per image on stderr, to see which images a choice helps or hurts.
            if (qEnvironmentVariableIsSet("TUNE_IMAGES"))
                QTextStream(stderr) << variant.name << '\t' << item.name << '\t' << fixed(100 * error)
                                    << '\n';
            sum.second += 1;
        }
        double all = 0;
        int count = 0;
        out << "| " << variant.name << " | ";
        for (const QString& category : categories) {
            const auto sum = sums.value(category);
            all += sum.first;
            count += sum.second;
            out << fixed(100 * sum.first / sum.second) << " % | ";
        }
        out << fixed(100 * all / count) << " % | " << fixed(seconds) << " |\n";
        out.flush();
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    // Rendering needs fonts, not a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const QString command = args.value(0);
    int status = 2;
    if (command == QLatin1String("images") && args.size() == 2)
        status = writeImages(args.at(1));
    else if (command == QLatin1String("sample") && args.size() == 2)
        status = sampleImage().save(args.at(1)) ? 0 : 1;
    else if (command == QLatin1String("score") && args.size() == 2)
        status = score(args.at(1));
    else if (command == QLatin1String("latency"))
        status = latency(args.value(1, QStringLiteral("20")).toInt());
    else if (command == QLatin1String("tune"))
        status = tune(args.value(1));
    else
        QTextStream(stderr) << "usage: vellumix-bench images DIR | sample FILE | score DIR | latency [RUNS] "
                               "| tune [VARIANT]\n";
    out.flush();
    return status;
}
