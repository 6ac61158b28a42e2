// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ImageLoader.h"

#include "core/Errors.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageReader>

#include <cmath>

namespace vellumix::ImageLoader {

namespace {

[[noreturn]] void refuse(VellumixError::Kind kind)
{
    throw VellumixError(kind);
}

void raiseAllocationLimit()
{
    // Qt's default limit (256 MiB) would refuse some images within our pixel limit; raise it
    // just enough for 80 megapixels at four bytes each, and no further.
    static const bool once = [] {
        const double bytes = maximumPixels * 4.0;
        QImageReader::setAllocationLimit(int(std::ceil(bytes / (1024.0 * 1024.0))));
        return true;
    }();
    Q_UNUSED(once);
}

// libpng allocates a chunk's claimed length before reading it (a 76-byte file asked for 2 GiB),
// so every chunk must fit in the bytes that follow it.
bool pngChunksFit(QIODevice* device)
{
    static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    if (device->peek(8) != signature)
        return true; // not PNG: nothing to walk
    const qint64 start = device->pos();
    const qint64 size = device->size();
    qint64 at = start + 8;
    bool fits = true;
    // One stored image rarely has more than thousands of chunks; millions only cost time.
    for (int count = 0; fits && count < 1'000'000; ++count) {
        if (at + 12 > size || !device->seek(at)) {
            fits = false;
            break;
        }
        const QByteArray header = device->read(8);
        if (header.size() != 8) {
            fits = false;
            break;
        }
        const auto* bytes = reinterpret_cast<const uchar*>(header.constData());
        const qint64 length = qint64(bytes[0]) << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3];
        fits = length <= size - (at + 12);
        if (header.mid(4) == "IEND")
            break;
        at += 12 + length;
    }
    device->seek(start);
    return fits;
}

QImage decode(QIODevice* device, const QByteArray& formatHint)
{
    raiseAllocationLimit();
    if (!pngChunksFit(device))
        refuse(VellumixError::Kind::InvalidImage);
    QImageReader reader(device, formatHint);
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead())
        refuse(VellumixError::Kind::InvalidImage);

    // The header's size, before any pixel is decoded.
    const QSize stored = reader.size();
    if (!stored.isValid() || stored.isEmpty())
        refuse(VellumixError::Kind::InvalidImage);
    if (double(stored.width()) * double(stored.height()) > maximumPixels)
        refuse(VellumixError::Kind::FileTooLarge);

    // read() decodes the first frame only; the EXIF orientation is applied while decoding.
    reader.setAutoTransform(true);
    QImage image;
    if (!reader.read(&image) || image.isNull())
        refuse(VellumixError::Kind::InvalidImage);
    return image;
}

} // namespace

QImage load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw PlatformError(file.errorString());
    if (file.size() > maximumFileBytes)
        refuse(VellumixError::Kind::FileTooLarge);
    // The extension only hints: content decides, so a text file named .png is refused cleanly.
    const QByteArray suffix = path.section(QLatin1Char('.'), -1).toLower().toLatin1();
    return decode(&file, path.contains(QLatin1Char('.')) ? suffix : QByteArray());
}

QImage loadData(const QByteArray& data)
{
    if (data.size() > maximumFileBytes)
        refuse(VellumixError::Kind::FileTooLarge);
    QByteArray copy = data;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return decode(&buffer, {});
}

} // namespace vellumix::ImageLoader
