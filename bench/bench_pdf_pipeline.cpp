// SPDX-License-Identifier: GPL-3.0-or-later
// Measures PDF page recognition against the same work done one step after the other (render
// every page, then recognise every page): with one page in the engine at a time (rendering
// overlapped only) and with one page per core. Usage:
//   bench_pdf_pipeline [pages=6]
// It writes its own text pages, recognises them with the application's engine and prints times,
// pages per minute and ratios.
//   bench_pdf_pipeline --profile FILE.pdf [pages]
// prints where the time of each page of FILE goes: taking its image (from a scan's own samples or
// rendered), reading it with the engine as PDF recognition does, with the engine's second plain
// reading, rendered as before, and writing the searchable PDF.
#include "core/BarcodeReader.h"
#include "core/PDFService.h"
#include "core/ScannedPages.h"
#include "core/ScreenImage.h"
#include "core/TesseractEngine.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QThread>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
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

// This thread's CPU time: on a machine others share, wall time says more about them than us.
struct CpuTimer
{
    double start = now();
    static double now()
    {
        timespec time{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
        return double(time.tv_sec) + double(time.tv_nsec) / 1e9;
    }
    void restart() { start = now(); }
};

double seconds(CpuTimer& timer)
{
    const double elapsed = CpuTimer::now() - timer.start;
    timer.restart();
    return elapsed;
}

int profile(const QString& path, int pages)
{
    QPdfDocument document;
    if (document.load(path) != QPdfDocument::Error::None)
        return 1;
    pages = std::min(pages, document.pageCount());
    TesseractEngine engine;
    OCROptions options;
    options.languages = QStringList{QStringLiteral("eng")};
    options.automaticLanguage = false;
    engine.recognize(QImage(64, 64, QImage::Format_RGB32), options, {}); // models loaded untimed

    CpuTimer timer;
    const ScannedPages scans(path);
    const double open = seconds(timer);
    std::printf("%s: %d pages, scan index opened in %.0f ms; CPU milliseconds per page, one thread:\n",
                qPrintable(path), pages, 1000 * open);
    const char* columns[] = {"take scan", "prepare scan", "render",         "codes",
                             "polarity",  "read as PDF",  "+plain reading", "read rendered"};
    std::printf("page  scan image   rendered   ");
    for (const char* column : columns)
        std::printf(" %14s", column);
    std::printf("\n");
    double totals[8] = {};
    QList<PDFPageResult> results;
    for (int page = 0; page < pages; ++page) {
        timer.restart();
        const QImage scan = scans.image(page);
        const double take = seconds(timer);
        const QImage rendered = PDFService::renderPage(document, page);
        const double render = seconds(timer);
        // As PDF recognition does: a scan read once, from 144 dpi as it is.
        const QSizeF size = document.pagePointSize(page);
        const QImage used = scan.isNull() ? rendered : PDFService::scanForReading(scan, size);
        const double scale = scan.isNull() ? 0.0 : seconds(timer);
        BarcodeReader::read(used);
        const double codes = seconds(timer);
        ScreenImage::normalizePolarity(ScreenImage::grey(used), 25);
        const double polarity = seconds(timer);
        OCROptions pageOptions = options;
        pageOptions.scanResolution = scan.isNull() ? 0 : int(std::lround(72.0 * used.width() / size.width()));
        const Recognition recognition = engine.recognize(used, pageOptions, {});
        const double read = seconds(timer);
        engine.recognize(used, options, {});
        const double twice = seconds(timer);
        engine.recognize(rendered, options, {});
        const double readRendered = seconds(timer);
        results.append({page, recognition.blocks, recognition.text(false), size});
        const double row[8] = {take, scale, render, codes, polarity, read, twice, readRendered};
        std::printf("%4d  %4d x %-4d %4d x %-4d", page + 1, scan.width(), scan.height(), rendered.width(),
                    rendered.height());
        for (int i = 0; i < 8; ++i) {
            totals[i] += row[i];
            std::printf(" %14.0f", 1000 * row[i]);
        }
        std::printf("\n");
    }
    QTemporaryDir dir;
    timer.restart();
    PDFService::exportSearchable(path, results, {}, {}, dir.filePath(QStringLiteral("out.pdf")));
    const double write = seconds(timer);
    std::printf("mean                            ");
    for (const double total : totals)
        std::printf(" %14.0f", 1000 * total / pages);
    std::printf("\nsearchable PDF written in %.0f ms (%.0f ms/page)\n", 1000 * write, 1000 * write / pages);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc > 2 && QByteArrayView(argv[1]) == "--profile")
        return profile(QString::fromLocal8Bit(argv[2]), argc > 3 ? std::max(1, std::atoi(argv[3])) : 1000);
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
