// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/BarcodeReader.h"

#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>

#include "core/ScreenImage.h"

#include <QImage>

namespace vellumix::BarcodeReader {

namespace {

QList<Code> decode(const QImage& grey)
{
    // Debian's ZXing 1.4 keeps its assertions, and de-duplicating linear codes found on
    // several downscaled layers can abort the process; without downscaling that path never runs.
    const auto hints = ZXing::DecodeHints().setTryDownscale(false).setFormats(ZXing::BarcodeFormat::Any);
    const ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
                                int(grey.bytesPerLine()));
    QList<Code> payloads;
    for (const ZXing::Result& result : ZXing::ReadBarcodes(view, hints)) {
        // Binary content has no string payload to report.
        if (!result.isValid() || result.contentType() == ZXing::ContentType::Binary)
            continue;
        QRect box;
        for (const auto& corner : result.position())
            box |= QRect(corner.x, corner.y, 1, 1);
        payloads.append({QString::fromStdString(result.text()), box});
    }
    return payloads;
}

} // namespace

QList<Code> read(const QImage& image)
{
    if (image.isNull() || image.width() < 1 || image.height() < 1)
        return {};
    QImage grey = ScreenImage::grey(image);
    QList<Code> payloads = decode(grey);
    if (!payloads.isEmpty())
        return payloads;
    // ZXing 1.4 cannot invert by itself: a second pass finds light-on-dark codes.
    grey.invertPixels();
    return decode(grey);
}

} // namespace vellumix::BarcodeReader
