// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QRectF>

namespace vellumix {

// One display frozen at capture time: its frame in desktop points and its whole content in
// native pixels. QImage is implicitly shared, so copies are cheap.
struct DisplaySnapshot
{
    QRectF frame;
    QImage image;

    // The part of the image under `rect` (desktop points), or a null image when nothing of the
    // display lies under it.
    [[nodiscard]] QImage crop(const QRectF& rect) const;
};

} // namespace vellumix
