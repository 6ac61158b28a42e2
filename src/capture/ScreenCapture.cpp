// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/ScreenCapture.h"

#include "capture/CaptureGeometry.h"
#include "capture/ScreenGrabber.h"
#include "core/Errors.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

namespace vellumix {

QImage QtScreenGrabber::grab(QScreen* screen)
{
    if (!screen)
        return {};
    // grabWindow(0) takes coordinates relative to the screen and returns native pixels.
    return screen->grabWindow(0).toImage();
}

namespace ScreenCapture {

QList<DisplaySnapshot> snapshots(ScreenGrabber& grabber)
{
    return snapshots(grabber, QGuiApplication::screens(), QGuiApplication::primaryScreen());
}

QList<DisplaySnapshot>
snapshots(ScreenGrabber& grabber, const QList<QScreen*>& screens, const QScreen* primary)
{
    QList<DisplaySnapshot> result;
    for (QScreen* screen : screens) {
        if (!screen)
            continue;
        QImage image = grabber.grab(screen);
        if (image.isNull())
            continue;
        const QRectF primaryGeometry = primary ? QRectF(primary->geometry()) : QRectF(screen->geometry());
        result.append({CaptureGeometry::desktopFrame(screen->geometry(), primaryGeometry), std::move(image)});
    }
    if (result.isEmpty())
        throw VellumixError(VellumixError::Kind::Capture);
    return result;
}

} // namespace ScreenCapture
} // namespace vellumix
