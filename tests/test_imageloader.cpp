// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Errors.h"
#include "core/ImageLoader.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <zlib.h>

using namespace vellumix;
using namespace Qt::StringLiterals;

namespace {

QByteArray chunk(const char* type, const QByteArray& data)
{
    QByteArray body = QByteArray(type, 4) + data;
    QByteArray out(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), out.data());
    out += body;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(
        quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))), crc.data());
    return out + crc;
}

// A PNG whose header claims any size, followed by a few bytes of compressed pixel data.
QByteArray pngHeaderOnly(quint32 width, quint32 height)
{
    QByteArray ihdr(13, '\0');
    qToBigEndian<quint32>(width, ihdr.data());
    qToBigEndian<quint32>(height, ihdr.data() + 4);
    ihdr[8] = 8;                                                      // bit depth
    ihdr[9] = 0;                                                      // grey
    const QByteArray pixels = qCompress(QByteArray(64, '\0')).mid(4); // zlib stream without Qt's length
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) + chunk("IDAT", pixels) +
           chunk("IEND", {});
}

QByteArray encode(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage halves(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width / 2; ++x)
            image.setPixel(x, y, qRgb(0, 0, 0));
    return image;
}

// A JPEG with an EXIF block holding only the orientation tag.
QByteArray jpegWithOrientation(const QImage& image, quint16 orientation)
{
    const QByteArray jpeg = encode(image, "JPEG");
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    tiff += QByteArray("\x01\x00", 2);                   // one entry
    tiff += QByteArray("\x12\x01\x03\x00\x01\0\0\0", 8); // orientation, SHORT, count 1
    tiff += char(orientation) + QByteArray("\0\0\0", 3);
    tiff += QByteArray(4, '\0'); // no next directory
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xff\xe1", 2);
    QByteArray length(2, '\0');
    qToBigEndian<quint16>(quint16(payload.size() + 2), length.data());
    segment += length + payload;
    return jpeg.left(2) + segment + jpeg.mid(2);
}

// Two 1 x 1 frames: white, then black.
QByteArray animatedGif()
{
    QByteArray gif("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13);
    gif += QByteArray("\x00\x00\x00\xff\xff\xff", 6); // palette: black, white
    gif += QByteArray("\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    const QByteArray control("\x21\xf9\x04\x00\x0a\x00\x00\x00", 8);
    const QByteArray descriptor("\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00", 10);
    gif += control + descriptor + QByteArray("\x02\x02\x4c\x01\x00", 5); // index 1
    gif += control + descriptor + QByteArray("\x02\x02\x44\x01\x00", 5); // index 0
    return gif + ';';
}

// A baseline JPEG with four components (Adobe CMYK, stored inverted) of one flat 8 x 8 colour.
QByteArray cmykJpeg(const std::array<int, 4>& values)
{
    QByteArray out("\xff\xd8", 2);
    auto segment = [&out](quint8 marker, const QByteArray& body) {
        out += char(0xff);
        out += char(marker);
        QByteArray length(2, '\0');
        qToBigEndian<quint16>(quint16(body.size() + 2), length.data());
        out += length + body;
    };
    segment(0xee, QByteArray("Adobe\x00\x64\x00\x00\x00\x00\x00", 12)); // transform 0: plain CMYK
    segment(0xdb, QByteArray(1, '\0') + QByteArray(64, '\x01'));        // all-ones quantisation
    QByteArray frame("\x08\x00\x08\x00\x08\x04", 6);
    for (char id = 1; id <= 4; ++id)
        frame += QByteArray(1, id) + QByteArray("\x11\x00", 2);
    segment(0xc0, frame);
    // DC table: categories 0..11, each a 4-bit code. AC table: only end-of-block, code "0".
    QByteArray dc(1, '\x00');
    dc += QByteArray("\x00\x00\x00\x0c", 4) + QByteArray(12, '\0');
    for (char s = 0; s < 12; ++s)
        dc += s;
    segment(0xc4, dc);
    segment(0xc4, QByteArray("\x10\x01", 2) + QByteArray(15, '\0') + QByteArray(1, '\0'));
    QByteArray scan("\x04", 1);
    for (char id = 1; id <= 4; ++id)
        scan += QByteArray(1, id) + QByteArray(1, '\0');
    scan += QByteArray("\x00\x3f\x00", 3);
    segment(0xda, scan);

    QList<bool> bits;
    auto put = [&bits](int value, int count) {
        for (int i = count - 1; i >= 0; --i)
            bits.append((value >> i) & 1);
    };
    for (int v : values) {
        const int diff = 8 * (v - 128);
        int category = 0;
        while ((std::abs(diff) >> category) != 0)
            ++category;
        put(category, 4);
        put(diff >= 0 ? diff : diff + (1 << category) - 1, category);
        put(0, 1); // end of block
    }
    while (bits.size() % 8)
        bits.append(true);
    for (qsizetype i = 0; i < bits.size(); i += 8) {
        int byte = 0;
        for (int b = 0; b < 8; ++b)
            byte = (byte << 1) | int(bits[i + b]);
        out += char(byte);
        if (byte == 0xff)
            out += '\0';
    }
    return out + QByteArray("\xff\xd9", 2);
}

// Loads `bytes` from a file and from memory; both must fail with `kind`.
void expectRefusal(const QString& path, const QByteArray& bytes, VellumixError::Kind kind)
{
    for (const bool fromFile : {true, false}) {
        try {
            fromFile ? ImageLoader::load(path) : ImageLoader::loadData(bytes);
            QFAIL("accepted a hostile file");
        } catch (const VellumixError& error) {
            QCOMPARE(error.kind(), kind);
        }
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
        try {
            QCOMPARE(ImageLoader::load(path).size(), size);
            QVERIFY(accepted);
        } catch (const VellumixError& error) {
            QVERIFY2(!accepted, qPrintable(error.message()));
            QCOMPARE(error.kind(), VellumixError::Kind::FileTooLarge);
        }
        QFile::remove(path);
    }
    void refusesHostileFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<VellumixError::Kind>("kind");
        const QByteArray png = encode(halves(64, 64), "PNG");
        const auto invalid = VellumixError::Kind::InvalidImage;
        QTest::newRow("header claiming 100000 x 100000")
            << pngHeaderOnly(100000, 100000) << VellumixError::Kind::FileTooLarge;
        QTest::newRow("zero-size image") << pngHeaderOnly(0, 0) << invalid;
        QTest::newRow("truncated PNG") << png.left(png.size() / 2) << invalid;
        QTest::newRow("PNG cut inside its header") << png.left(20) << invalid;
        QTest::newRow("pixel data missing") << pngHeaderOnly(64, 64) << invalid;
        QTest::newRow("text named .png") << QByteArray("just some text\n") << invalid;
        QTest::newRow("empty file") << QByteArray() << invalid;
    }
    void refusesHostileFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(VellumixError::Kind, kind);
        expectRefusal(write(u"hostile.png"_s, bytes), bytes, kind);
    }
    void oversizedStandardInput()
    {
        QCOMPARE(ImageLoader::loadData(encode(halves(12, 6), "PNG")).size(), QSize(12, 6));
        const QByteArray huge(ImageLoader::maximumFileBytes + 1, '\0');
        expectRefusal(write(u"huge.bin"_s, huge), huge, VellumixError::Kind::FileTooLarge);
    }
    void missingFileKeepsTheSystemMessage()
    {
        try {
            ImageLoader::load(m_dir.filePath(u"absent.png"_s));
            QFAIL("loaded a missing file");
        } catch (const PlatformError& error) {
            QCOMPARE(error.message(), QString::fromLocal8Bit(std::strerror(ENOENT)));
        }
    }
    void decodes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("probe");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<int>("tolerance"); // per channel
        const QColor black(0, 0, 0);
        // Stored: 40 x 20, left half dark.
        QTest::newRow("no orientation")
            << encode(halves(40, 20), "JPEG") << QSize(40, 20) << QPoint(5, 10) << black << 60;
        QTest::newRow("orientation 1")
            << jpegWithOrientation(halves(40, 20), 1) << QSize(40, 20) << QPoint(5, 10) << black << 60;
        // Orientation 6: shown turned 90 degrees clockwise, so the stored left half is on top.
        QTest::newRow("orientation 6")
            << jpegWithOrientation(halves(40, 20), 6) << QSize(20, 40) << QPoint(10, 5) << black << 60;
        QTest::newRow("animated GIF gives its first frame")
            << animatedGif() << QSize(1, 1) << QPoint(0, 0) << QColor(Qt::white) << 0;
        QImage deep(16, 8, QImage::Format_RGBA64);
        deep.fill(QColor::fromRgba64(0x1111, 0x8888, 0xeeee, 0xffff));
        QCOMPARE(quint8(encode(deep, "PNG").at(24)), quint8(16)); // bit depth in the header
        QTest::newRow("16-bit PNG") << encode(deep, "PNG") << QSize(16, 8) << QPoint(3, 3)
                                    << QColor(0x11, 0x88, 0xee) << 0;
        // Adobe CMYK is stored inverted: 255 means no ink. Cyan ink only gives cyan.
        QTest::newRow("CMYK JPEG") << cmykJpeg({0, 255, 255, 255}) << QSize(8, 8) << QPoint(4, 4)
                                   << QColor(0, 255, 255) << 8;
    }
    void decodes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, size);
        QFETCH(QPoint, probe);
        QFETCH(QColor, colour);
        QFETCH(int, tolerance);
        const QImage image = ImageLoader::load(write(u"decoded"_s, bytes));
        QCOMPARE(image.size(), size);
        const QColor got = image.pixelColor(probe).toRgb();
        QVERIFY2(qAbs(got.red() - colour.red()) <= tolerance &&
                     qAbs(got.green() - colour.green()) <= tolerance &&
                     qAbs(got.blue() - colour.blue()) <= tolerance,
                 qPrintable(got.name()));
    }

private:
    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write fixture");
        return path;
    }
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestImageLoader)
#include "test_imageloader.moc"
