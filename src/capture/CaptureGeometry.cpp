// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CaptureGeometry.h"

#include <algorithm>
#include <cmath>

namespace vellumix::CaptureGeometry {

QRect pixelRect(const QRectF& selection, const QRectF& display, int pixelWidth, int pixelHeight)
{
    // Plain arithmetic on edges: QRectF's own helpers normalise and treat empty rectangles
    // specially, which would blur the rules here.
    const double left = std::max(selection.left(), display.left());
    const double right = std::min(selection.left() + selection.width(), display.left() + display.width());
    const double bottom = std::max(selection.top(), display.top());
    const double top = std::min(selection.top() + selection.height(), display.top() + display.height());
    if (right < left || top < bottom)
        return {};
    if (!(display.width() > 0.0) || !(display.height() > 0.0))
        return {};

    const double sx = double(pixelWidth) / display.width();
    const double sy = double(pixelHeight) / display.height();
    const double x = (left - display.left()) * sx;
    const double y = (display.top() + display.height() - top) * sy;
    const double x2 = x + (right - left) * sx;
    const double y2 = y + (top - bottom) * sy;

    const double ix = std::max(std::floor(x), 0.0);
    const double iy = std::max(std::floor(y), 0.0);
    const double ix2 = std::min(std::ceil(x2), double(pixelWidth));
    const double iy2 = std::min(std::ceil(y2), double(pixelHeight));
    if (!(ix2 > ix) || !(iy2 > iy))
        return {};
    return QRect(int(ix), int(iy), int(ix2 - ix), int(iy2 - iy));
}

QRectF desktopFrame(const QRectF& screenGeometry, const QRectF& primaryGeometry)
{
    return {screenGeometry.x() - primaryGeometry.x(),
            (primaryGeometry.y() + primaryGeometry.height()) - (screenGeometry.y() + screenGeometry.height()),
            screenGeometry.width(), screenGeometry.height()};
}

QRectF screenGeometry(const QRectF& desktopFrame, const QRectF& primaryGeometry)
{
    return {desktopFrame.x() + primaryGeometry.x(),
            primaryGeometry.y() + primaryGeometry.height() - desktopFrame.y() - desktopFrame.height(),
            desktopFrame.width(), desktopFrame.height()};
}

QPointF viewPoint(const QPointF& widgetPosition, double viewHeight)
{
    return {widgetPosition.x(), viewHeight - widgetPosition.y()};
}

QRectF flipRect(const QRectF& rect, double viewHeight)
{
    return {rect.x(), viewHeight - rect.y() - rect.height(), rect.width(), rect.height()};
}

} // namespace vellumix::CaptureGeometry
