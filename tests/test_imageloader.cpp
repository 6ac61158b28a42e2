// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Errors.h"
#include "core/ImageLoader.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <QtEndian>

#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <optional>

using namespace vellumix;
using namespace Qt::StringLiterals;

namespace {

QByteArray encode(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// A 1 x 1 grey PNG signature and header, then one chunk claiming `length` with only `data` after it.
QByteArray pngWithChunk(const char* type, quint32 length, const QByteArray& data)
{
    QByteArray bytes = QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAAAAAA6fptV");
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.append(char((length >> shift) & 0xff));
    bytes.append(type).append(data);
    bytes.append(QByteArray(76 - bytes.size(), '\0'));
    return bytes;
}

QByteArray bigEndian(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray littleEndian(quint32 value, int size = 4)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes.left(size);
}

QByteArray pngChunk(const QByteArray& type, const QByteArray& data)
{
    const QByteArray body = type + data;
    return bigEndian(quint32(data.size())) + body +
           bigEndian(quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))));
}

// An EXIF block whose only entry is the orientation.
QByteArray exif(int orientation)
{
    return QByteArray("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 18) + char(orientation) +
           QByteArray(7, '\0');
}

// A white 40 x 20 image with a black left half: shown turned clockwise (6) or
// counter-clockwise (8), its black half is on top or at the bottom.
QImage halfBlack()
{
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter(&image).fillRect(0, 0, 20, 20, Qt::black);
    return image;
}

// The JPEG, with the EXIF block in an APP1 segment right after the start marker.
QByteArray turnedJpeg(int orientation)
{
    const QByteArray jpeg = encode(halfBlack(), "JPEG");
    return jpeg.left(2) +
           QByteArray("\xff\xe1\0\x22"
                      "Exif\0\0",
                      10) +
           exif(orientation) + jpeg.mid(2);
}

QByteArray turnedPng(int orientation)
{
    const QByteArray png = encode(halfBlack(), "PNG");
    const qsizetype idat = png.indexOf("IDAT") - 4; // eXIf goes before the pixels
    return png.left(idat) + pngChunk("eXIf", exif(orientation)) + png.mid(idat);
}

// The extended WebP layout, the only one that may carry EXIF: VP8X, the image, EXIF.
QByteArray turnedWebp(int orientation)
{
    const QByteArray simple = encode(halfBlack(), "WEBP");
    const QByteArray image = simple.mid(12); // the VP8L or VP8 chunk
    const QByteArray vp8x = QByteArray("VP8X") + littleEndian(10) + QByteArray("\x08\0\0\0", 4) +
                            littleEndian(39, 3) + littleEndian(19, 3);
    QByteArray metadata = exif(orientation);
    const QByteArray exifChunk = QByteArray("EXIF") + littleEndian(quint32(metadata.size())) + metadata;
    const QByteArray body = QByteArray("WEBP") + vp8x + image + exifChunk;
    return QByteArray("RIFF") + littleEndian(quint32(body.size())) + body;
}

// Uncompressed 24-bit TGA, rows from the top, of halfBlack().
QByteArray tga()
{
    const QImage image = halfBlack();
    QByteArray bytes(18, '\0');
    bytes[2] = 2; // true colour
    bytes[12] = char(image.width());
    bytes[14] = char(image.height());
    bytes[16] = 24;
    bytes[17] = 0x20; // top-left origin
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            bytes += char(qBlue(pixel));
            bytes += char(qGreen(pixel));
            bytes += char(qRed(pixel));
        }
    return bytes;
}

// A 16-bit RGB PNG of one colour, compressed a row at a time so that the fixture stays small.
QByteArray deepPng(QSize size, QRgba64 colour)
{
    QByteArray header = bigEndian(quint32(size.width())) + bigEndian(quint32(size.height()));
    header += QByteArray("\x10\x02\0\0\0", 5); // 16 bits, RGB
    QByteArray row(1 + 6 * qsizetype(size.width()), '\0');
    for (int x = 0; x < size.width(); ++x)
        for (int c = 0; c < 3; ++c)
            qToBigEndian(quint16(c == 0   ? colour.red()
                                 : c == 1 ? colour.green()
                                          : colour.blue()),
                         row.data() + 1 + 6 * x + 2 * c);
    z_stream stream{};
    deflateInit(&stream, 1);
    QByteArray compressed;
    QByteArray buffer(1 << 16, '\0');
    for (int y = 0; y <= size.height(); ++y) {
        const bool last = y == size.height();
        stream.next_in = reinterpret_cast<Bytef*>(last ? nullptr : row.data());
        stream.avail_in = last ? 0 : uInt(row.size());
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
            stream.avail_out = uInt(buffer.size());
            deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
            compressed.append(buffer.constData(), buffer.size() - qsizetype(stream.avail_out));
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + pngChunk("IDAT", compressed) +
           pngChunk("IEND", {});
}

// The kind of error a load fails with; none when it succeeds.
template <typename Load> std::optional<VellumixError::Kind> refusal(Load load)
{
    try {
        load();
        return std::nullopt;
    } catch (const VellumixError& error) {
        return error.kind();
    }
}

} // namespace

class TestImageLoader : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void limits_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<qint64>("fileSize"); // the encoded file padded (sparsely) to this; 0: as encoded
        QTest::addColumn<bool>("accepted");
        const qint64 limit = ImageLoader::maximumFileBytes;
        QTest::newRow("exactly 250 MiB") << QSize(8, 4) << limit << true;
        QTest::newRow("one byte more") << QSize(8, 4) << limit + 1 << false;
        QTest::newRow("exactly 80 megapixels") << QSize(10000, 8000) << qint64(0) << true;
        QTest::newRow("one row more") << QSize(10000, 8001) << qint64(0) << false;
    }
    void limits()
    {
        QFETCH(QSize, size);
        QFETCH(qint64, fileSize);
        QFETCH(bool, accepted);
        // One bit a pixel keeps the fixture and its decoding small; decoders ignore trailing bytes.
        QImage image(size, QImage::Format_Mono);
        image.fill(1);
        const QString path = write(u"limit.png"_s, encode(image, "PNG"));
        if (fileSize > 0)
            QVERIFY(QFile(path).resize(fileSize));
        QSize loaded;
        const auto kind = refusal([&] { loaded = ImageLoader::load(path).size(); });
        QCOMPARE(loaded, accepted ? size : QSize());
        QVERIFY(accepted ? !kind : kind == VellumixError::Kind::FileTooLarge);
    }
    void refusesHostileFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<VellumixError::Kind>("kind");
        QImage image(64, 64, QImage::Format_RGB32);
        image.fill(Qt::gray);
        const QByteArray png = encode(image, "PNG");
        const auto invalid = VellumixError::Kind::InvalidImage;
        // Grey PNG headers claiming a size, followed by a few bytes of pixel data.
        QTest::newRow("header claiming 100000 x 100000")
            << QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgABhqAAAYagCAAAAACNOVQUAAAADElEQVR4nGNgoAwAAABAAA"
                                      "G3NHzvAAAAAElFTkSuQmCC")
            << VellumixError::Kind::FileTooLarge;
        QTest::newRow("zero-size image")
            << QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAAAAAAACAAAAAAe4CPOAAAADElEQVR4nGNgoAwAAABAAA"
                                      "G3NHzvAAAAAElFTkSuQmCC")
            << invalid;
        QTest::newRow("truncated PNG") << png.left(png.size() / 2) << invalid;
        QTest::newRow("text named .png") << QByteArray("just some text\n") << invalid;
        // 76 bytes whose tEXt chunk claims 2 GiB, which libpng would allocate before reading.
        QTest::newRow("chunk longer than the file")
            << pngWithChunk("tEXt", 0x7ffffff0, "Comment\0x") << invalid;
        QTest::newRow("chunk length with the high bit") << pngWithChunk("zTXt", 0xfffffff0, "a") << invalid;
    }
    void refusesHostileFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(VellumixError::Kind, kind);
        const QString path = write(u"hostile.png"_s, bytes);
        QCOMPARE(refusal([&] { ImageLoader::load(path); }), kind);
        QCOMPARE(refusal([&] { ImageLoader::loadData(bytes); }), kind);
    }
    void refusedBeforeDecoding()
    {
        const QByteArray huge(ImageLoader::maximumFileBytes + 1, '\0'); // standard input is limited too
        QCOMPARE(refusal([&] { ImageLoader::loadData(huge); }), VellumixError::Kind::FileTooLarge);
        try {
            ImageLoader::load(m_dir.filePath(u"absent.png"_s));
            QFAIL("loaded a missing file");
        } catch (const PlatformError& error) {
            QCOMPARE(error.message(), QString::fromLocal8Bit(std::strerror(ENOENT)));
        }
    }
    // What Qt's readers alone get wrong: orientation in every format that carries it, TGA's
    // missing signature, 16-bit colour near the pixel limit; formats found by content too.
    void decodes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QColor>("top"); // near the top, a quarter in
        QTest::newRow("JPEG, orientation 6")
            << u"decoded"_s << turnedJpeg(6) << QSize(20, 40) << QColor(Qt::black);
        QTest::newRow("PNG, orientation 6")
            << u"turned.png"_s << turnedPng(6) << QSize(20, 40) << QColor(Qt::black);
        QTest::newRow("PNG, orientation 3")
            << u"turned.png"_s << turnedPng(3) << QSize(40, 20) << QColor(Qt::white);
        QTest::newRow("WebP, orientation 6")
            << u"turned.webp"_s << turnedWebp(6) << QSize(20, 40) << QColor(Qt::black);
        QTest::newRow("TGA by its extension")
            << u"image.TGA"_s << tga() << QSize(40, 20) << QColor(Qt::black);
        // Eight bytes a pixel once decoded: 45 megapixels exceed four bytes times the pixel limit.
        QTest::newRow("16-bit colour PNG of 45 megapixels")
            << u"deep.png"_s << deepPng({7500, 6000}, QRgba64::fromRgba64(0x1111, 0x8888, 0xeeee, 0xffff))
            << QSize(7500, 6000) << QColor(0x11, 0x88, 0xee);
        QTest::newRow("animated GIF: two 1 x 1 frames, white then black")
            << u"decoded"_s
            << QByteArray::fromBase64(
                   "R0lGODlhAQABAIAAAAAAAP///yH/C05FVFNDQVBFMi4wAwEAAAAh+QQACgAAACwAAAAAAQABAAAC"
                   "AkwBACH5BAAKAAAALAAAAAABAAEAAAICRAEAOw==")
            << QSize(1, 1) << QColor(Qt::white);
        // 8 x 8 Adobe CMYK, stored inverted (255: no ink), with cyan ink only.
        QTest::newRow("CMYK JPEG")
            << u"decoded"_s
            << QByteArray::fromBase64(
                   "/9j/7gAOQWRvYmUAZAAAAAAA/"
                   "9sAQwABAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQ"
                   "EBAQEBAQEBAQEBAQEBAQEBAQEB/8AAFAgACAAIBAERAAIRAAMRAAQRAP/"
                   "EAB8AAAAADAAAAAAAAAAAAAAAAAABAgME"
                   "BQYHCAkKC//EABQQAQAAAAAAAAAAAAAAAAAAAAD/2gAOBAEAAgADAAQAAD8At/6v4V/Cv4f/2Q==")
            << QSize(8, 8) << QColor(0, 255, 255);
    }
    void decodes()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, size);
        QFETCH(QColor, top);
        const QImage image = ImageLoader::load(write(name, bytes));
        QCOMPARE(image.size(), size);
        const QColor got = image.pixelColor(size.width() / 4, size.height() / 8).toRgb();
        QVERIFY2(qAbs(got.red() - top.red()) + qAbs(got.green() - top.green()) +
                         qAbs(got.blue() - top.blue()) <
                     10,
                 qPrintable(got.name())); // JPEG and WebP are stored lossily
        QVERIFY(image.depth() <= 32);
    }

private:
    QString write(const QString& name, const QByteArray& bytes)
    {
        QFile file(m_dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? file.fileName()
                                                                                    : QString();
    }
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestImageLoader)
#include "test_imageloader.moc"
