// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ImageLoader.h"

#include "core/Errors.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QtEndian>

#include <cmath>

namespace vellumix::ImageLoader {

namespace {

[[noreturn]] void refuse(VellumixError::Kind kind)
{
    throw VellumixError(kind);
}

// Qt decodes 16-bit colour at eight bytes a pixel: the budget is our pixel limit at that width,
// and each image is held to it by the format it decodes to.
constexpr double maximumDecodedBytes = maximumPixels * 8.0;

void raiseAllocationLimit()
{
    // Qt's default limit (256 MiB) would refuse some images within our budget.
    static const bool once = [] {
        QImageReader::setAllocationLimit(int(std::ceil(maximumDecodedBytes / (1024.0 * 1024.0))));
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

// The EXIF orientation (1 to 8) in a TIFF-structured EXIF block, 0 when there is none.
int exifOrientation(const QByteArray& exif)
{
    const qsizetype base = exif.startsWith("Exif") ? 6 : 0;
    if (exif.size() < base + 8)
        return 0;
    const bool little = exif.mid(base, 2) == "II";
    auto read = [&](qsizetype at, int bytes) -> quint32 {
        if (at < 0 || at + bytes > exif.size())
            return 0;
        const uchar* p = reinterpret_cast<const uchar*>(exif.constData()) + at;
        if (bytes == 2)
            return little ? qFromLittleEndian<quint16>(p) : qFromBigEndian<quint16>(p);
        return little ? qFromLittleEndian<quint32>(p) : qFromBigEndian<quint32>(p);
    };
    const qsizetype ifd = base + read(base + 4, 4);
    const quint32 entries = read(ifd, 2);
    for (quint32 i = 0; i < entries && i < 256; ++i) {
        const qsizetype entry = ifd + 2 + 12 * qsizetype(i);
        if (read(entry, 2) == 0x0112) {
            const quint32 value = read(entry + 8, 2);
            return value >= 1 && value <= 8 ? int(value) : 0;
        }
    }
    return 0;
}

// Qt applies EXIF orientation for JPEG and TIFF only: PNG (eXIf chunk) and WebP (EXIF chunk)
// carry it too. Reads the chunk headers only, then rewinds.
int containerOrientation(QIODevice* device)
{
    const qint64 start = device->pos(); // where the header reads left it
    int orientation = 0;
    device->seek(0);
    const QByteArray head = device->peek(12);
    const bool png = head.startsWith("\x89PNG\r\n\x1a\n");
    const bool webp = head.startsWith("RIFF") && head.mid(8, 4) == "WEBP";
    if (png || webp) {
        device->seek(png ? 8 : 12);
        for (int chunk = 0; chunk < 10000; ++chunk) {
            const QByteArray header = device->read(8);
            if (header.size() < 8)
                break;
            const uchar* p = reinterpret_cast<const uchar*>(header.constData());
            const quint32 length = png ? qFromBigEndian<quint32>(p) : qFromLittleEndian<quint32>(p + 4);
            const QByteArray type = png ? header.mid(4, 4) : header.left(4);
            if (type == (png ? "eXIf" : "EXIF")) {
                if (length < 1024 * 1024)
                    orientation = exifOrientation(device->read(length));
                break;
            }
            if ((png && type == "IEND") || length > quint32(device->size()))
                break;
            // PNG chunks end with a checksum; RIFF chunks are padded to even lengths.
            if (!device->seek(device->pos() + qint64(length) + (png ? 4 : (length & 1))))
                break;
        }
    }
    device->seek(start);
    return orientation;
}

QImage oriented(const QImage& image, int orientation)
{
    // EXIF values 2 to 8 as mirrorings and quarter turns, mirroring first.
    QImage result = image;
    if (orientation == 2 || orientation == 3 || orientation == 5 || orientation == 8)
        result = result.mirrored(true, false);
    if (orientation == 3 || orientation == 4 || orientation == 7 || orientation == 8)
        result = result.mirrored(false, true);
    if (orientation >= 5)
        result = result.transformed(QTransform().rotate(90));
    return result;
}

QImage decode(QIODevice* device, const QByteArray& formatHint, bool contentDecides = true)
{
    raiseAllocationLimit();
    if (!pngChunksFit(device))
        refuse(VellumixError::Kind::InvalidImage);
    const QByteArray detected = contentDecides ? QImageReader::imageFormat(device) : QByteArray();
    if (contentDecides && formatHint == "tga" && (detected.isEmpty() || detected == "ico")) {
        // TGA has no signature, so only the extension names it (a true-colour header even looks
        // like a Windows cursor), and Qt reads only TGA 2.0, told apart by a footer that older
        // files lack and need not have.
        device->seek(0);
        QByteArray bytes = device->readAll();
        const QByteArray footer("\0\0\0\0\0\0\0\0TRUEVISION-XFILE.\0", 26);
        if (!bytes.endsWith(footer))
            bytes += footer;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        return decode(&buffer, formatHint, false);
    }
    QImageReader reader(device, formatHint);
    reader.setDecideFormatFromContent(contentDecides);
    if (!reader.canRead())
        refuse(VellumixError::Kind::InvalidImage);

    // The header's size, before any pixel is decoded.
    const QSize stored = reader.size();
    if (!stored.isValid() || stored.isEmpty())
        refuse(VellumixError::Kind::InvalidImage);
    const double pixels = double(stored.width()) * double(stored.height());
    const int depth = reader.imageFormat() == QImage::Format_Invalid
                          ? 32
                          : int(QImage::toPixelFormat(reader.imageFormat()).bitsPerPixel());
    if (pixels > maximumPixels || pixels * std::max(depth, 32) / 8.0 > maximumDecodedBytes)
        refuse(VellumixError::Kind::FileTooLarge);

    const int orientation =
        reader.supportsOption(QImageIOHandler::ImageTransformation) ? 0 : containerOrientation(device);
    // read() decodes the first frame only; the EXIF orientation is applied while decoding.
    reader.setAutoTransform(true);
    QImage image;
    if (!reader.read(&image) || image.isNull())
        refuse(VellumixError::Kind::InvalidImage);
    // Recognition works on eight bits a channel: halve what a 16-bit image keeps in memory.
    if (image.depth() > 32)
        image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    return orientation > 1 ? oriented(image, orientation) : image;
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
