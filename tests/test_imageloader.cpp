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
#include <functional>
#include <zlib.h>

using namespace vellumix;

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

} // namespace

class TestImageLoader : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void fileSizeLimit_data();
    void fileSizeLimit();
    void pixelLimit_data();
    void pixelLimit();
    void refusesHostileFiles_data();
    void refusesHostileFiles();
    void missingFileKeepsTheSystemMessage();
    void orientation_data();
    void orientation();
    void firstFrameOnly();
    void sixteenBitPng();
    void cmykJpeg();
    void standardInputBytes();

private:
    QString write(const QString& name, const QByteArray& bytes);
    QTemporaryDir m_dir;
};

void TestImageLoader::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

QString TestImageLoader::write(const QString& name, const QByteArray& bytes)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write fixture");
    return path;
}

void TestImageLoader::fileSizeLimit_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("exactly 250 MiB") << ImageLoader::maximumFileBytes << true;
    QTest::newRow("one byte more") << ImageLoader::maximumFileBytes + 1 << false;
}

void TestImageLoader::fileSizeLimit()
{
    QFETCH(qint64, size);
    QFETCH(bool, accepted);
    // A small valid PNG padded (sparsely) to the size under test; decoders ignore trailing bytes.
    const QString path = write(QStringLiteral("padded.png"), encode(halves(8, 4), "PNG"));
    QFile file(path);
    QVERIFY(file.resize(size));
    try {
        const QImage image = ImageLoader::load(path);
        QVERIFY(accepted);
        QCOMPARE(image.size(), QSize(8, 4));
    } catch (const VellumixError& error) {
        QVERIFY2(!accepted, qPrintable(error.message()));
        QCOMPARE(error.kind(), VellumixError::Kind::FileTooLarge);
    }
    QFile::remove(path);
}

void TestImageLoader::pixelLimit_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("exactly 80 megapixels") << 10000 << 8000 << true;
    QTest::newRow("one row more") << 10000 << 8001 << false;
}

void TestImageLoader::pixelLimit()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, accepted);
    // One bit a pixel keeps the fixture and its decoding small.
    QImage image(width, height, QImage::Format_Mono);
    image.fill(1);
    const QString path = write(QStringLiteral("large.png"), encode(image, "PNG"));
    try {
        const QImage loaded = ImageLoader::load(path);
        QVERIFY(accepted);
        QCOMPARE(loaded.size(), QSize(width, height));
    } catch (const VellumixError& error) {
        QVERIFY2(!accepted, qPrintable(error.message()));
        QCOMPARE(error.kind(), VellumixError::Kind::FileTooLarge);
    }
}

void TestImageLoader::refusesHostileFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<VellumixError::Kind>("kind");
    const QByteArray png = encode(halves(64, 64), "PNG");
    const auto invalid = VellumixError::Kind::InvalidImage;
    QTest::newRow("header claiming 100000 x 100000")
        << QStringLiteral("huge.png") << pngHeaderOnly(100000, 100000) << VellumixError::Kind::FileTooLarge;
    QTest::newRow("zero-size image") << QStringLiteral("zero.png") << pngHeaderOnly(0, 0) << invalid;
    QTest::newRow("truncated PNG") << QStringLiteral("cut.png") << png.left(png.size() / 2) << invalid;
    QTest::newRow("PNG cut inside its header") << QStringLiteral("cut2.png") << png.left(20) << invalid;
    QTest::newRow("pixel data missing") << QStringLiteral("nodata.png") << pngHeaderOnly(64, 64) << invalid;
    QTest::newRow("text named .png") << QStringLiteral("notes.png") << QByteArray("just some text\n")
                                     << invalid;
    QTest::newRow("empty file") << QStringLiteral("empty.jpg") << QByteArray() << invalid;
}

void TestImageLoader::refusesHostileFiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(VellumixError::Kind, kind);
    const QString path = write(name, bytes);
    for (const auto& load : {std::function<QImage()>([&] { return ImageLoader::load(path); }),
                             std::function<QImage()>([&] { return ImageLoader::loadData(bytes); })}) {
        try {
            load();
            QFAIL("accepted a hostile file");
        } catch (const VellumixError& error) {
            QCOMPARE(error.kind(), kind);
        }
    }
}

void TestImageLoader::missingFileKeepsTheSystemMessage()
{
    try {
        ImageLoader::load(m_dir.filePath(QStringLiteral("absent.png")));
        QFAIL("loaded a missing file");
    } catch (const PlatformError& error) {
        QCOMPARE(error.message(), QString::fromLocal8Bit(std::strerror(ENOENT)));
    }
}

void TestImageLoader::orientation_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("darkPixel");
    QTest::addColumn<QPoint>("lightPixel");
    // Stored: 40 x 20, left half dark.
    QTest::newRow("no orientation") << encode(halves(40, 20), "JPEG") << QSize(40, 20) << QPoint(5, 10)
                                    << QPoint(35, 10);
    QTest::newRow("orientation 1") << jpegWithOrientation(halves(40, 20), 1) << QSize(40, 20) << QPoint(5, 10)
                                   << QPoint(35, 10);
    // Orientation 6: shown turned 90 degrees clockwise, so the stored left half is on top.
    QTest::newRow("orientation 6") << jpegWithOrientation(halves(40, 20), 6) << QSize(20, 40) << QPoint(10, 5)
                                   << QPoint(10, 35);
}

void TestImageLoader::orientation()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    QFETCH(QPoint, darkPixel);
    QFETCH(QPoint, lightPixel);
    const QImage image = ImageLoader::load(write(QStringLiteral("photo.jpg"), bytes));
    QCOMPARE(image.size(), size);
    QVERIFY(qGray(image.pixel(darkPixel)) < 64);
    QVERIFY(qGray(image.pixel(lightPixel)) > 192);
}

void TestImageLoader::firstFrameOnly()
{
    const QImage image = ImageLoader::load(write(QStringLiteral("anim.gif"), animatedGif()));
    QCOMPARE(image.size(), QSize(1, 1));
    QCOMPARE(qGray(image.pixel(0, 0)), 255);
}

void TestImageLoader::sixteenBitPng()
{
    QImage deep(16, 8, QImage::Format_RGBA64);
    deep.fill(QColor::fromRgba64(0x1111, 0x8888, 0xeeee, 0xffff));
    const QByteArray bytes = encode(deep, "PNG");
    QCOMPARE(quint8(bytes.at(24)), quint8(16)); // bit depth in the header
    const QImage image = ImageLoader::load(write(QStringLiteral("deep.png"), bytes));
    QCOMPARE(image.size(), QSize(16, 8));
    QCOMPARE(image.pixelColor(3, 3).toRgb().name(), QStringLiteral("#1188ee"));
}

void TestImageLoader::cmykJpeg()
{
    // Adobe CMYK is stored inverted: 255 means no ink. Cyan ink only gives cyan.
    const QImage image = ImageLoader::load(write(QStringLiteral("cmyk.jpg"), ::cmykJpeg({0, 255, 255, 255})));
    QCOMPARE(image.size(), QSize(8, 8));
    const QColor colour = image.pixelColor(4, 4);
    QVERIFY2(colour.red() < 8 && colour.green() > 247 && colour.blue() > 247, qPrintable(colour.name()));
}

void TestImageLoader::standardInputBytes()
{
    const QImage image = ImageLoader::loadData(encode(halves(12, 6), "PNG"));
    QCOMPARE(image.size(), QSize(12, 6));
    try {
        ImageLoader::loadData(QByteArray(ImageLoader::maximumFileBytes + 1, '\0'));
        QFAIL("accepted oversized data");
    } catch (const VellumixError& error) {
        QCOMPARE(error.kind(), VellumixError::Kind::FileTooLarge);
    }
}

QTEST_GUILESS_MAIN(TestImageLoader)
#include "test_imageloader.moc"
