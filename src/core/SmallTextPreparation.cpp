// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/SmallTextPreparation.h"

#include "core/ScreenImage.h"

#include <QImage>

#include <algorithm>
#include <cmath>

namespace vellumix::SmallTextPreparation {

double scale(int width, int height, double maximum)
{
    if (width < 1 || height < 1)
        return 1.0;
    const double s = targetSide / double(std::max(width, height));
    return std::clamp(s, 1.0, std::max(1.0, maximum));
}

QImage prepare(const QImage& image, Upscaler upscaler, double maximum)
{
    const double s = scale(image.width(), image.height(), maximum);
    if (!(s > 1.0))
        return image;
    if (upscaler != Upscaler::QtSmooth && image.format() == QImage::Format_Grayscale8) {
        const QImage scaled = ScreenImage::scale(image, s, upscaler == Upscaler::LeptonicaSharpened);
        if (!scaled.isNull())
            return scaled;
    }
    const int width = int(std::lround(image.width() * s));
    const int height = int(std::lround(image.height() * s));
    // Qt's smooth scaler interpolates; nearest-neighbour measured clearly worse for OCR.
    QImage scaled = image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull())
        return image;
    if (scaled.format() != image.format())
        scaled.convertTo(image.format());
    return scaled;
}

} // namespace vellumix::SmallTextPreparation
