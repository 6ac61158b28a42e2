// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPdfView>
#include <QString>

class QPdfDocument;

namespace vellumix {

// The loaded PDF beside the result: every page, scaled to the view's width. A document that
// cannot be opened leaves the preview empty; the model reports unreadable files.
class PDFPreview final : public QPdfView
{
    Q_OBJECT
public:
    explicit PDFPreview(QWidget* parent = nullptr);
    ~PDFPreview() override;

    QString location() const { return m_location; }
    // Opens the file only when the location changes, so the page position and zoom survive
    // repeated updates with the same document.
    void setLocation(const QString& path);

private:
    QPdfDocument* m_document;
    QString m_location;
};

} // namespace vellumix
