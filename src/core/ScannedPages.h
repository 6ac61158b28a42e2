// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>

#include <memory>

namespace vellumix {

// The pictures of scanned pages taken from the document itself: a page that shows one image and
// nothing else is recognised from that image at its own resolution, without rendering it.
class ScannedPages final
{
public:
    // A document that does not open has no scanned pages.
    explicit ScannedPages(const QString& path);
    ~ScannedPages();

    // Page `index` (from 0) upright and cropped to its visible box, when the page draws one
    // image covering that box, nothing else, and no visible annotation; a null image otherwise
    // (the page must then be rendered).
    QImage image(int index) const;

private:
    struct Document;
    std::unique_ptr<Document> m_document;
};

} // namespace vellumix
