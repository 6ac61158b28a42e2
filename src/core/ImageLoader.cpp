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

QImage decode(QIODevice* device, const QByteArray& formatHint)
{
    raiseAllocationLimit();
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
