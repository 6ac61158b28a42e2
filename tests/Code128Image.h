// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared by the engine's tests and the recognition benchmark.

#include <QImage>
#include <QPainter>
#include <QString>

#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>

#include <algorithm>

// A Code 128 of whole modules, with bars of the full height and a quiet zone of ten modules.
inline QImage code128Image(const QString& payload, QSize size)
{
    const ZXing::BitMatrix matrix = ZXing::MultiFormatWriter(ZXing::BarcodeFormat::Code128)
                                        .setMargin(0)
                                        .encode(payload.toStdString(), 0, 0);
    const int module = std::max(1, size.width() / (matrix.width() + 20));
    QImage image((matrix.width() + 20) * module, size.height(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int x = 0; x < matrix.width(); ++x)
        if (matrix.get(x, 0))
            painter.fillRect((x + 10) * module, 0, module, size.height(), Qt::black);
    return image;
}
