// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/DisplaySnapshot.h"

#include "capture/CaptureGeometry.h"

namespace vellumix {

QImage DisplaySnapshot::crop(const QRectF& rect) const
{
    const QRect pixels = CaptureGeometry::pixelRect(rect, frame, image.width(), image.height());
    if (pixels.isEmpty() || image.isNull())
        return {};
    QImage part = image.copy(pixels);
    // The crop is handed to recognition as plain pixels; a scale factor inherited from the
    // screen would make later painting shrink it.
    part.setDevicePixelRatio(1.0);
    return part;
}

} // namespace vellumix
