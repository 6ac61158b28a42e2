// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/PDFService.h"

#include "core/Errors.h"
#include "core/OCREngine.h"

#include <QPainter>
#include <QPdfDocument>

#include <algorithm>
#include <cmath>
#include <future>
#include <optional>

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

QImage renderPage(QPdfDocument& document, int index)
{
    const QSizeF size = displayedSize(document, index);
    if (size.isEmpty())
        return {};
    const double scale = renderScale(size);
    const QSize pixels(std::max(1L, std::lround(size.width() * scale)),
                       std::max(1L, std::lround(size.height() * scale)));
    const QImage rendered = document.render(index, pixels);
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

namespace {

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
                               const Progress& progress)
{
    QPdfDocument document;
    if (document.load(path) != QPdfDocument::Error::None)
        throw VellumixError(VellumixError::Kind::InvalidPages); // also a locked document
    if (first < 1 || last < first || document.pageCount() < last)
        throw VellumixError(VellumixError::Kind::InvalidPages);

    QList<PDFPageResult> results;
    const double count = double(last - first + 1);
    std::optional<PendingPage> pending;

    auto finish = [&](PendingPage& page) {
        const Recognition recognition = page.recognition.get();
        cancel.throwIfCancelled();
        results.append(
            PDFPageResult{page.number - 1, recognition.blocks, recognition.text(preserve), page.size});
        if (progress)
            progress(double(page.number - first + 1) / count);
    };

    // The next page is rendered here while the engine works on the previous one on its own
    // thread, so both cores stay busy; results and progress still come strictly in page order.
    for (int number = first; number <= last; ++number) {
        cancel.throwIfCancelled();
        const QSizeF size = displayedSize(document, number - 1);
        if (size.isEmpty())
            continue; // a page the document cannot supply is skipped
        QImage image = renderPage(document, number - 1);
        if (pending) {
            finish(*pending); // an earlier page's failure wins over this page's
            pending.reset();
        }
        if (image.isNull())
            throw VellumixError(VellumixError::Kind::InvalidImage);
        cancel.throwIfCancelled(); // the previous page may have taken a while
        pending =
            PendingPage{number, size,
                        std::async(std::launch::async, [&engine, options, cancel, image = std::move(image)] {
                            return engine.recognize(image, options, cancel);
                        })};
    }
    if (pending)
        finish(*pending);
    return results;
}

} // namespace vellumix::PDFService
