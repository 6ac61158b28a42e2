// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Cancellation.h"
#include "core/Records.h"

#include <QImage>
#include <QList>
#include <QSizeF>
#include <QString>

#include <functional>

class QPdfDocument;

namespace vellumix {

class OCREngine;

// Page recognition of PDF documents and the searchable-PDF writer. Stateless.
namespace PDFService {

// Receives the fraction of the range done; called from a worker thread.
using Progress = std::function<void(double)>;

inline constexpr double renderTarget = 4000.0;    // longest rendered side in pixels
inline constexpr double maximumRenderScale = 2.5; // pixels per point

// Pixels per point at which a page of the given displayed size is rendered.
double renderScale(QSizeF displayedSize);

// Displayed size of a page in points (rotation applied); empty when the document cannot supply it.
QSizeF displayedSize(const QPdfDocument& document, int index);

// The page rendered upright at renderScale() onto white paper, as Format_RGB32; a null image
// when the renderer produced nothing.
QImage renderPage(QPdfDocument& document, int index);

inline constexpr double minimumScanScale = 2.0; // pixels per point: 144 dpi

// A scanned page's image as recognition reads it: as it is from minimumScanScale up to
// renderScale(), otherwise scaled to the size a rendered page would have.
QImage scanForReading(const QImage& scan, QSizeF displayedSize);

// Writes to `to` a copy of the document at `path` with its filled form fields and other
// annotations drawn into the pages, when it has form fields: the renderer leaves fields to a
// form environment it does not set up. False, writing nothing, when there are none or the
// document does not open.
bool flattenForms(const QString& path, const QString& to);

// Number of pages of the document at `path`; 0 when it cannot be opened, is locked or has none.
int pageCount(const QString& path);

// The pages' texts in page order with two line breaks between consecutive pages. Pages without
// text stay in, so each leaves an extra pair of line breaks.
QString joinedText(const QList<PDFPageResult>& pages);

// Mean confidence of all blocks of all pages, each block weighing the same whatever its page;
// 0 without blocks.
float confidence(const QList<PDFPageResult>& pages);

// Recognises pages first..last (counted from 1, both included) in page order. Blocks, call it off
// the GUI thread. Throws VellumixError::InvalidPages for an unopenable or locked document or a
// range outside it, InvalidImage for a page that renders to nothing, Cancelled when `cancel` fires
// (noticed before each page and inside a running recognition), and whatever the engine throws.
// Nothing is returned unless every page went through. A page that is one scanned image is read
// from that image instead of being rendered. Up to `concurrentPages` pages
// (default: one per core) are in the engine at once; results and progress still come in page order.
QList<PDFPageResult> recognize(const QString& path,
                               int first,
                               int last,
                               const OCROptions& options,
                               bool preserve,
                               OCREngine& engine,
                               const CancelToken& cancel = {},
                               const Progress& progress = {},
                               int concurrentPages = 0);

// Writes `to` as a searchable PDF: the pages of `source` named by `pages` (drawn upright as vector
// content at each result's displayed size) or, when the source is empty or does not open, one
// page of `image` at one point per pixel; each with `blocks` as an invisible text layer. The file
// is replaced atomically. Throws VellumixError::InvalidImage without a usable source or image,
// PlatformError when the file cannot be written, Cancelled when `cancel` fires before the file is
// in place (the destination is then left as it was).
void exportSearchable(const QString& source,
                      const QList<PDFPageResult>& pages,
                      const QImage& image,
                      const QList<TextBlock>& blocks,
                      const QString& to,
                      const CancelToken& cancel = {});

} // namespace PDFService
} // namespace vellumix
