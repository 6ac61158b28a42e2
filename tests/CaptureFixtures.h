// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/ScreenGrabber.h"

#include <QImage>
#include <QScreen>
#include <QStringList>

namespace vellumix::test {

// A frame whose pixels tell where they came from: red = x, green = y (native pixels, mod 256),
// blue = the 256-blocks of both.
inline QImage coordinateImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb(x % 256, y % 256, (x / 256) * 16 + y / 256);
    }
    return image;
}

// Returns each screen's content at native size, except for the screens it is told to refuse.
class FakeGrabber final : public ScreenGrabber
{
public:
    QStringList refused;
    QImage grab(QScreen* screen) override
    {
        if (refused.contains(screen->name()))
            return {};
        const QSize size = screen->geometry().size() * screen->devicePixelRatio();
        QImage image = coordinateImage(size.width(), size.height());
        image.setDevicePixelRatio(screen->devicePixelRatio());
        return image;
    }
};

} // namespace vellumix::test
