// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointF>
#include <QRect>
#include <QRectF>

namespace vellumix::CaptureGeometry {

// Three coordinate spaces meet in capture:
//
// * Qt screen geometry: QScreen::geometry(), device-independent pixels, origin at the top-left of
//   the virtual desktop, y downwards. On X11 with mixed scale factors Qt keeps every screen's
//   origin in native pixels while scaling its size, so these rectangles are not one continuous
//   space; nothing below relies on them being continuous, only on each screen's own rectangle.
// * Desktop points: origin at the lower-left corner of the primary screen, y upwards. A
//   DisplaySnapshot's frame and every selection handed to pixelRect live here.
// * Image pixels: a frozen image's own space, origin at the top-left pixel, y downwards.
//
// A view's own points (an overlay window's content, y upwards from its lower-left corner) are
// desktop points shifted by the display frame's origin.

// Converts a selection in desktop points into the pixel rectangle of an image of
// pixelWidth x pixelHeight that shows `display`. The scale comes from the real image size,
// the y axis is flipped, edges grow outwards to whole pixels and the result is clipped to the
// image. Gives the empty rectangle (0, 0, 0, 0) when the selection misses the display, the
// display has no area or nothing of the image remains.
[[nodiscard]] QRect
pixelRect(const QRectF& selection, const QRectF& display, int pixelWidth, int pixelHeight);

// Desktop-point frame of a screen from its Qt geometry and the primary screen's Qt geometry.
[[nodiscard]] QRectF desktopFrame(const QRectF& screenGeometry, const QRectF& primaryGeometry);

// The inverse: where a frame in desktop points sits in Qt's screen geometry.
[[nodiscard]] QRectF screenGeometry(const QRectF& desktopFrame, const QRectF& primaryGeometry);

// Between a widget position (y downwards from its top) and the view's own points (y upwards
// from its bottom) for a view of the given height. The mapping is its own inverse.
[[nodiscard]] QPointF viewPoint(const QPointF& widgetPosition, double viewHeight);
[[nodiscard]] QRectF flipRect(const QRectF& rect, double viewHeight);

} // namespace vellumix::CaptureGeometry
