// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/ScreenCapture.h"

#include "capture/CaptureGeometry.h"
#include "core/Errors.h"
#include "platform/ScreenGrabber.h"

#include <QGuiApplication>
#include <QScreen>

namespace vellumix::ScreenCapture {

QFuture<QList<DisplaySnapshot>> snapshots(ScreenGrabber& grabber)
{
    return snapshots(grabber, QGuiApplication::screens(), QGuiApplication::primaryScreen());
}

QFuture<QList<DisplaySnapshot>>
snapshots(ScreenGrabber& grabber, const QList<QScreen*>& screens, const QScreen* primary)
{
    // The frames are read now: a screen may be gone by the time a slow grabber answers.
    QList<QScreen*> asked;
    QList<QRectF> frames;
    for (QScreen* screen : screens) {
        if (!screen)
            continue;
        const QRectF primaryGeometry = primary ? QRectF(primary->geometry()) : QRectF(screen->geometry());
        asked.append(screen);
        frames.append(CaptureGeometry::desktopFrame(screen->geometry(), primaryGeometry));
    }
    return grabber.grab(asked).then(QtFuture::Launch::Sync, [frames](const QList<QImage>& images) {
        QList<DisplaySnapshot> result;
        for (qsizetype i = 0; i < frames.size() && i < images.size(); ++i) {
            if (!images.at(i).isNull())
                result.append({frames.at(i), images.at(i)});
        }
        if (result.isEmpty())
            throw VellumixError(VellumixError::Kind::Capture);
        return result;
    });
}

} // namespace vellumix::ScreenCapture
