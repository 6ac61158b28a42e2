// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/PDFService.h"

#include "core/Errors.h"
#include "core/OCREngine.h"
#include "core/ScannedPages.h"

#include <QPainter>
#include <QPdfDocument>
#include <QPdfDocumentRenderOptions>
#include <QStringList>
#include <QTemporaryFile>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <cmath>
#include <deque>
#include <future>

namespace vellumix::PDFService {

double renderScale(QSizeF displayedSize)
{
    const double longest = std::max(displayedSize.width(), displayedSize.height());
    return std::min(renderTarget / longest, maximumRenderScale);
}

QSizeF displayedSize(const QPdfDocument& document, int index)
{
    // Qt PDF already exchanges width and height for pages turned by 90 or 270 degrees.
    const QSizeF size = document.pagePointSize(index);
    return size.isValid() && !size.isEmpty() ? size : QSizeF();
}

namespace {

QSize renderedPixels(QSizeF displayedSize)
{
    const double scale = renderScale(displayedSize);
    return {int(std::max(1L, std::lround(displayedSize.width() * scale))),
            int(std::max(1L, std::lround(displayedSize.height() * scale)))};
}

} // namespace

QImage renderPage(QPdfDocument& document, int index)
{
    const QSizeF size = displayedSize(document, index);
    if (size.isEmpty())
        return {};
    const QSize pixels = renderedPixels(size);
    // Annotations and filled form fields are part of the page as a viewer shows it.
    QPdfDocumentRenderOptions renderOptions;
    renderOptions.setRenderFlags(QPdfDocumentRenderOptions::RenderFlag::Annotations);
    const QImage rendered = document.render(index, pixels, renderOptions);
    if (rendered.isNull())
        return {};
    // The renderer leaves unpainted paper transparent; recognition must see white paper.
    QImage page(rendered.size(), QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.drawImage(0, 0, rendered);
    painter.end();
    return page;
}

// At 150 dpi a scan read as it is, Tesseract told its resolution, reads as well as OCRmyPDF at
// less CPU than scaled up, and without the words scaled-up scans make of dot leaders
// (bench/pdf.sh, bench_pdf_pipeline --profile).
QImage scanForReading(const QImage& scan, QSizeF size)
{
    const double scale = scan.width() / size.width();
    if (scale >= minimumScanScale && scale <= renderScale(size) * 1.02)
        return scan;
    return scan.scaled(renderedPixels(size), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

namespace {

// About how long the engine will take over a page: the changes between dark and light along
// every fourth row, which follow the number of characters whatever their size or colour. The
// heaviest pages waiting go first, so the last page to start is a short one and no core idles
// while another finishes a long page (bench_pdf_pipeline --profile shows pages of one document
// taking from 0.1 to 1 s).
int textWeight(const QImage& page)
{
    int changes = 0;
    for (int y = 0; y < page.height(); y += 4) {
        const QImage row = page.copy(0, y, page.width(), 1).convertToFormat(QImage::Format_Grayscale8);
        const uchar* grey = row.constScanLine(0);
        for (int x = 1; x < row.width(); ++x)
            changes += (grey[x] < 128) != (grey[x - 1] < 128);
    }
    return changes;
}

struct PendingPage
{
    int number = 0;
    QSizeF size;
    std::future<Recognition> recognition;
};

} // namespace

QList<PDFPageResult> recognize(const QString& path,
                               int first,
                               int last,
                               const OCROptions& options,
                               bool preserve,
                               OCREngine& engine,
                               const CancelToken& cancel,
                               const Progress& progress,
                               int concurrentPages)
{
    QTemporaryFile flattened;
    const bool withForms = flattened.open() && flattenForms(path, flattened.fileName());
    QPdfDocument document;
    if (document.load(withForms ? flattened.fileName() : path) != QPdfDocument::Error::None)
        throw VellumixError(VellumixError::Kind::InvalidPages); // also a locked document
    if (first < 1 || last < first || document.pageCount() < last)
        throw VellumixError(VellumixError::Kind::InvalidPages);
    const ScannedPages scans(withForms ? flattened.fileName() : path);
    const qsizetype inFlight =
        concurrentPages > 0 ? concurrentPages : std::max(1, QThread::idealThreadCount());

    QList<PDFPageResult> results;
    const double count = double(last - first + 1);
    // Threads kept for the whole call rather than one per page. The pool outlives `pending` and
    // waits for every page still in the engine when it goes.
    QThreadPool workers;
    workers.setMaxThreadCount(int(inFlight));
    std::deque<PendingPage> pending;

    // Pages finish strictly in page order, whichever recognition ends first.
    auto finishOldest = [&] {
        PendingPage& page = pending.front();
        const Recognition recognition = page.recognition.get();
        results.append(
            PDFPageResult{page.number - 1, recognition.blocks, recognition.text(preserve), page.size});
        if (progress)
            progress(double(page.number - first + 1) / count);
        pending.pop_front();
    };
    // A cancel is noticed only after the pages that ended before it are reported, whatever the
    // timing of the threads.
    auto throwIfCancelled = [&] {
        while (!pending.empty() &&
               pending.front().recognition.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
            finishOldest();
        cancel.throwIfCancelled();
    };

    // Pages are rendered here while the engine recognises earlier ones on worker threads, one per
    // core, so every core stays busy. On failure or cancellation the pages still in the engine
    // are waited for (they see the same token) and everything is discarded.
    for (int number = first; number <= last; ++number) {
        throwIfCancelled();
        const QSizeF size = displayedSize(document, number - 1);
        if (size.isEmpty())
            continue; // a page the document cannot supply is skipped
        // A scan is read from its own samples, without rendering it.
        QImage image = scans.image(number - 1);
        const bool scanned = !image.isNull();
        if (!scanned)
            image = renderPage(document, number - 1);
        if (image.isNull()) {
            while (!pending.empty())
                finishOldest(); // an earlier page's failure wins over this one
            throw VellumixError(VellumixError::Kind::InvalidImage);
        }
        // A page waits in the pool's queue for whichever worker is free first, rather than for
        // the oldest page to end: pages take unequal time, and a core must not idle meanwhile.
        // Two pages queued for every worker let the heaviest of a short document start first.
        while (qsizetype(pending.size()) >= 3 * inFlight)
            finishOldest();
        throwIfCancelled(); // earlier pages may have taken a while
        auto promise = std::make_shared<std::promise<Recognition>>();
        pending.push_back(PendingPage{number, size, promise->get_future()});
        const int weight = textWeight(image);
        workers.start(
            [&engine, options, scanned, cancel, promise, size, image = std::move(image)] {
                try {
                    const QImage pixels = scanned ? scanForReading(image, size) : image;
                    OCROptions pageOptions = options;
                    if (scanned)
                        pageOptions.scanResolution = int(std::lround(72.0 * pixels.width() / size.width()));
                    Recognition recognition = engine.recognize(pixels, pageOptions, cancel);
                    cancel.throwIfCancelled(); // checked as the page ends, as if it were alone
                    promise->set_value(std::move(recognition));
                } catch (...) {
                    promise->set_exception(std::current_exception());
                }
            },
            weight);
    }
    while (!pending.empty())
        finishOldest();
    return results;
}

int pageCount(const QString& path)
{
    QPdfDocument document;
    if (document.load(path) != QPdfDocument::Error::None) // also a locked document
        return 0;
    return std::max(0, document.pageCount());
}

QString joinedText(const QList<PDFPageResult>& pages)
{
    QStringList texts;
    texts.reserve(pages.size());
    for (const PDFPageResult& page : pages)
        texts.append(page.text);
    return texts.join(QStringLiteral("\n\n"));
}

float confidence(const QList<PDFPageResult>& pages)
{
    float sum = 0.0f;
    qsizetype count = 0;
    for (const PDFPageResult& page : pages) {
        for (const TextBlock& block : page.blocks)
            sum += block.confidence;
        count += page.blocks.size();
    }
    return count > 0 ? sum / float(count) : 0.0f;
}

} // namespace vellumix::PDFService
