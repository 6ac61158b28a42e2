// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PDFPreview.h"

#include <QFileInfo>
#include <QPdfDocument>

namespace vellumix {

PDFPreview::PDFPreview(QWidget* parent) : QPdfView(parent), m_document(new QPdfDocument(this))
{
    setPageMode(QPdfView::PageMode::MultiPage);
    setZoomMode(QPdfView::ZoomMode::FitToWidth);
    setDocument(m_document);
}

PDFPreview::~PDFPreview()
{
    // The view listens to its document: detach it before the view's own parts are gone.
    setDocument(nullptr);
    delete m_document;
}

void PDFPreview::setLocation(const QString& path)
{
    const QString location = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    if (location == m_location && m_document->status() != QPdfDocument::Status::Null)
        return;
    m_location = location;
    if (location.isEmpty()) {
        m_document->close();
        return;
    }
    if (m_document->load(location) != QPdfDocument::Error::None)
        m_document->close();
}

} // namespace vellumix
