// SPDX-License-Identifier: GPL-3.0-or-later
// Measures PDF page recognition against the same work done one step after the other (render
// every page, then recognise every page): with one page in the engine at a time (rendering
// overlapped only) and with one page per core. Usage:
//   bench_pdf_pipeline [pages=6]
// It writes its own text pages, recognises them with the application's engine and prints times,
// pages per minute and ratios.
#include "core/PDFService.h"
#include "core/TesseractEngine.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

using namespace vellumix;

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void writeDocument(const QString& path, int pages)
{
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageSize(QPageSize(QPageSize::Letter));
    writer.setPageMargins(QMarginsF());
    QPainter painter(&writer);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        for (int line = 0; line < 40; ++line)
            painter.drawText(
                QPointF(60, 80 + line * 16),
                QStringLiteral("Page %1, line %2: the quick brown fox jumps over the lazy dog 0123456789.")
                    .arg(page + 1)
                    .arg(line + 1));
    }
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int pages = argc > 1 ? std::max(1, std::atoi(argv[1])) : 6;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.pdf"));
    writeDocument(path, pages);
    TesseractEngine engine;
    // Load the models outside the timings.
    PDFService::recognize(path, 1, std::min(pages, QThread::idealThreadCount()), {}, false, engine);

    QElapsedTimer timer;
    timer.start();
    const double cpuStart = cpuSeconds();
    QList<QImage> images;
    {
        QPdfDocument document;
        document.load(path);
        for (int page = 0; page < pages; ++page)
            images.append(PDFService::renderPage(document, page));
    }
    const double render = double(timer.nsecsElapsed()) / 1e9;
    timer.restart();
    for (const QImage& image : images)
        engine.recognize(image, {}, {});
    const double recognise = double(timer.nsecsElapsed()) / 1e9;
    const double sequentialCpu = cpuSeconds() - cpuStart;
    images.clear();

    double cpu = 0;
    auto timed = [&](int concurrentPages) {
        const double before = cpuSeconds();
        timer.restart();
        const QList<PDFPageResult> results =
            PDFService::recognize(path, 1, pages, {}, false, engine, {}, {}, concurrentPages);
        if (results.size() != pages)
            std::exit(1);
        const double wall = double(timer.nsecsElapsed()) / 1e9;
        cpu = cpuSeconds() - before;
        return wall;
    };
    const double overlapped = timed(1);
    const double overlappedCpu = cpu;
    const double perCore = timed(0);
    const double perCoreCpu = cpu;

    const double sequential = render + recognise;
    std::printf("pages                     %d (Letter, 1530 x 1980 px each), %d cores\n", pages,
                QThread::idealThreadCount());
    std::printf("render only               %.2f s (%.0f ms/page)\n", render, 1000 * render / pages);
    std::printf("recognise only            %.2f s (%.0f ms/page)\n", recognise, 1000 * recognise / pages);
    // CPU seconds show how much of the wall time was this process's own work on a shared machine.
    std::printf("one after the other       %6.2f s  %5.1f pages/min          CPU %.2f s\n", sequential,
                60 * pages / sequential, sequentialCpu);
    std::printf("rendering overlapped      %6.2f s  %5.1f pages/min  %.2fx   CPU %.2f s\n", overlapped,
                60 * pages / overlapped, sequential / overlapped, overlappedCpu);
    std::printf("one page per core         %6.2f s  %5.1f pages/min  %.2fx   CPU %.2f s\n", perCore,
                60 * pages / perCore, sequential / perCore, perCoreCpu);
    return 0;
}
