// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QRect>
#include <QString>

class QImage;

namespace vellumix {

// Barcode and QR payloads in an image, every format ZXing knows, light-on-dark codes too.
namespace BarcodeReader {

struct Code
{
    QString payload;
    QRect box; // pixels of the image read, origin top-left
};

QList<Code> read(const QImage& image);

} // namespace BarcodeReader

} // namespace vellumix
