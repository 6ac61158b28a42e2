// SPDX-License-Identifier: GPL-3.0-or-later
// A document as opened for recognition (Qt PDF) and for the searchable copy (qpdf).
#include "FuzzTarget.h"

#include "core/Errors.h"
#include "core/PDFService.h"

#include <QPdfDocument>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vellumix;
    fuzz::ensureApplication();
    QTemporaryDir dir;
    const QString path = fuzz::writeInput(dir, QStringLiteral("in.pdf"), data, size);
    const int pages = PDFService::pageCount(path);
    if (pages <= 0)
        return 0;
    QPdfDocument document;
    document.load(path);
    const QSizeF displayed = PDFService::displayedSize(document, 0);
    fuzz::check(displayed.isEmpty() || PDFService::renderScale(displayed) > 0.0);
    PDFPageResult page;
    page.size = displayed.isEmpty() ? QSizeF(100, 100) : displayed;
    page.text = QStringLiteral("text");
    page.blocks.append({QUuid(), page.text, 0.9f, 0.1, 0.1, 0.5, 0.1});
    try {
        PDFService::exportSearchable(path, {page}, {}, {}, dir.filePath(QStringLiteral("out.pdf")));
    } catch (const Error&) {
    }
    return 0;
}
