// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Errors.h"
#include "core/ImageLoader.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

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

// 40 x 20 with a black left half, stored with EXIF orientation 6: shown turned clockwise, black on top.
QByteArray turnedJpeg()
{
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter(&image).fillRect(0, 0, 20, 20, Qt::black);
    const QByteArray jpeg = encode(image, "JPEG");
    const QByteArray exif("\xff\xe1\0\x22"
                          "Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x06\0\0\0\0\0\0\0",
                          36);
    return jpeg.left(2) + exif + jpeg.mid(2);
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
    void decodes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QColor>("colour"); // near the top centre
        QTest::newRow("orientation 6") << turnedJpeg() << QSize(20, 40) << QColor(Qt::black);
        QTest::newRow("animated GIF: two 1 x 1 frames, white then black")
            << QByteArray::fromBase64(
                   "R0lGODlhAQABAIAAAAAAAP///yH/C05FVFNDQVBFMi4wAwEAAAAh+QQACgAAACwAAAAAAQABAAAC"
                   "AkwBACH5BAAKAAAALAAAAAABAAEAAAICRAEAOw==")
            << QSize(1, 1) << QColor(Qt::white);
        QImage deep(16, 8, QImage::Format_RGBA64);
        deep.fill(QColor::fromRgba64(0x1111, 0x8888, 0xeeee, 0xffff));
        QCOMPARE(quint8(encode(deep, "PNG").at(24)), quint8(16)); // bit depth in the header
        QTest::newRow("16-bit PNG") << encode(deep, "PNG") << QSize(16, 8) << QColor(0x11, 0x88, 0xee);
        // 8 x 8 Adobe CMYK, stored inverted (255: no ink), with cyan ink only.
        QTest::newRow("CMYK JPEG")
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
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, size);
        QFETCH(QColor, colour);
        const QImage image = ImageLoader::load(write(u"decoded"_s, bytes));
        QCOMPARE(image.size(), size);
        const QColor got = image.pixelColor(size.width() / 2, size.height() / 8).toRgb();
        const int off = std::max({qAbs(got.red() - colour.red()), qAbs(got.green() - colour.green()),
                                  qAbs(got.blue() - colour.blue())});
        QVERIFY2(off <= 40, qPrintable(got.name())); // JPEG blurs near edges
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
