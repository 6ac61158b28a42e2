// SPDX-License-Identifier: GPL-3.0-or-later
// Times HistoryStore::add on a full history: 500 entries and 200 MiB of kept images (sparse
// files, which the budget counts by their size). Every run starts from the same full state.
#include "model/HistoryStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <ctime>
#include <functional>

using namespace vellumix;

namespace {

constexpr int entries = 500;
constexpr int imageCount = 400;
constexpr qint64 imageSize = HistoryStore::imageBudget / imageCount; // exactly at the budget
constexpr int runs = 100;
constexpr double frameMs = 1000.0 / 60.0;

struct Seed
{
    QByteArray json;
    QStringList imageNames;
};

Seed makeSeed()
{
    Seed seed;
    const double now = HistoryEntry::secondsSinceReference(QDateTime::currentDateTimeUtc());
    const QString text = QStringLiteral("The quick brown fox jumps over the lazy dog. ").repeated(6);
    QJsonArray array;
    for (int i = 0; i < entries; ++i) {
        HistoryEntry entry;
        entry.id = QUuid::createUuid();
        entry.title = HistoryStore::titleFor(text);
        entry.created = now - i * 60.0;
        entry.text = text;
        entry.source = QStringLiteral("Screen");
        entry.language = QStringLiteral("Automatic");
        entry.confidence = 0.9f;
        if (i < imageCount) {
            entry.imageName = HistoryEntry::idString(entry.id) + QStringLiteral(".png");
            seed.imageNames.append(*entry.imageName);
        }
        array.append(entry.toJson());
    }
    seed.json = QJsonDocument(array).toJson(QJsonDocument::Compact);
    return seed;
}

void restore(const QString& folder, const Seed& seed)
{
    QFile json(QDir(folder).filePath(HistoryStore::fileName));
    json.open(QIODevice::WriteOnly | QIODevice::Truncate);
    json.write(seed.json);
    json.close();
    for (const QString& name : seed.imageNames) {
        QFile image(QDir(folder).filePath(name));
        if (image.size() != imageSize) {
            image.open(QIODevice::WriteOnly);
            image.resize(imageSize);
        }
    }
}

// CPU time of this thread: the wall-clock figures include waiting for the disk to confirm writes.
double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

QImage capture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int y = 10; y + 20 < height; y += 24)
        painter.drawText(10, y + 16, QStringLiteral("Recognised text on a line of a screenshot %1").arg(y));
    return image;
}

// Times one operation per run on a store restored to the seeded state.
void series(QTextStream& out,
            const QString& label,
            const QString& folder,
            const Seed& seed,
            const std::function<void(HistoryStore&)>& operation)
{
    QList<double> times;
    QList<double> cpuTimes;
    for (int run = 0; run < runs; ++run) {
        restore(folder, seed);
        HistoryStore store(folder);
        store.cleanup(30); // as the model does at start-up
        QElapsedTimer timer;
        const double cpuStart = threadCpuMs();
        timer.start();
        operation(store);
        times.append(double(timer.nsecsElapsed()) / 1e6);
        cpuTimes.append(threadCpuMs() - cpuStart);
        if (store.storageError() || store.entries().size() != entries) {
            out << "unexpected state: " << store.storageError().value_or(QString()) << '\n';
            return;
        }
        // Keep the folder at the seeded state: drop what this run added.
        for (const QString& name : QDir(folder).entryList({QStringLiteral("*.png")}))
            if (!seed.imageNames.contains(name))
                QFile::remove(QDir(folder).filePath(name));
    }
    std::sort(times.begin(), times.end());
    std::sort(cpuTimes.begin(), cpuTimes.end());
    const double median = times.at(times.size() / 2);
    const double p90 = times.at(times.size() * 9 / 10);
    out << qSetFieldWidth(44) << Qt::left << label << qSetFieldWidth(0)
        << QStringLiteral(" median %1 ms  p90 %2 ms  median/frame %3")
               .arg(median, 0, 'f', 2)
               .arg(p90, 0, 'f', 2)
               .arg(median / frameMs, 0, 'f', 3)
        << QStringLiteral("  (GUI-thread CPU median %1 ms)\n")
               .arg(cpuTimes.at(cpuTimes.size() / 2), 0, 'f', 2);
    out.flush();
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Vellumix"));
    QDir().mkpath(folder);
    const Seed seed = makeSeed();
    out << "HistoryStore::add on " << entries << " entries, " << imageCount << " images, "
        << HistoryStore::imageBudget << " bytes; " << runs << " runs each; frame "
        << QString::number(frameMs, 'f', 1) << " ms\n";
    const auto add = [](const QImage& image) {
        return [image](HistoryStore& store) {
            store.add(QStringLiteral("A new recognition"), QStringLiteral("Screen"),
                      QStringLiteral("Automatic"), 0.8f, image, !image.isNull(), 30);
        };
    };
    const auto addEncoded = [](const QImage& image) {
        return [png = HistoryStore::encodeImage(image)](HistoryStore& store) {
            store.addEncoded(QStringLiteral("A new recognition"), QStringLiteral("Screen"),
                             QStringLiteral("Automatic"), 0.8f, png, true, 30);
        };
    };
    const QImage region = capture(600, 200);
    const QImage screen = capture(1920, 1080);
    series(out, QStringLiteral("cleanup alone (sizes and rewrite)"), folder, seed,
           [](HistoryStore& store) { store.cleanup(30); });
    series(out, QStringLiteral("add, text only (retain off)"), folder, seed, add(QImage()));
    series(out, QStringLiteral("add, 600x200 region kept"), folder, seed, add(region));
    series(out, QStringLiteral("add, 1920x1080 screen kept"), folder, seed, add(screen));
    // What the GUI thread pays when the model encodes the image with the recognition.
    series(out, QStringLiteral("addEncoded, 600x200 region"), folder, seed, addEncoded(region));
    series(out, QStringLiteral("addEncoded, 1920x1080 screen"), folder, seed, addEncoded(screen));
    return 0;
}
