// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11ScreenGrabber.h"

#include <QPixmap>
#include <QScreen>

namespace vellumix {

QFuture<QList<QImage>> X11ScreenGrabber::grab(const QList<QScreen*>& screens)
{
    QList<QImage> images;
    images.reserve(screens.size());
    // grabWindow(0) takes coordinates relative to the screen and returns native pixels.
    for (QScreen* screen : screens)
        images.append(screen ? screen->grabWindow(0).toImage() : QImage());
    return QtFuture::makeReadyFuture(images);
}

} // namespace vellumix
