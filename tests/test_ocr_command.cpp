// SPDX-License-Identifier: GPL-3.0-or-later
#include <QFile>
#include <QFont>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

Run run(const QStringList& arguments, const QByteArray& input = {})
{
    QProcess process;
    process.start(QStringLiteral(VELLUMIX_OCR), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000))
        qFatal("vellumix-ocr did not finish");
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

class TestOcrCommand : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QImage image(320, 40, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            QFont font(u"DejaVu Sans"_s);
            font.setPixelSize(14);
            painter.setFont(font);
            painter.setPen(Qt::black);
            painter.drawText(QPoint(8, 26), u"Hello from the command line"_s);
        }
        m_image = m_dir.filePath(u"hello.png"_s);
        QVERIFY(image.save(m_image));
        m_notImage = m_dir.filePath(u"notes.png"_s);
        QFile notes(m_notImage);
        QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("plain text\n") > 0);
        m_missing = m_dir.filePath(u"absent.png"_s);
    }
    void exitStatus_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input"); // standard input
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err"); // a part of standard error; empty: nothing at all

        const QString text = u"Hello from the command line\n"_s;
        const QString missing = u": "_s + QString::fromLocal8Bit(std::strerror(ENOENT));
        const QString undecodable = u": This file could not be decoded as an image."_s;
        QFile image(m_image);
        QVERIFY(image.open(QIODevice::ReadOnly));
        const QByteArray png = image.readAll();
        QTest::newRow("one image") << QStringList{m_image} << QByteArray() << 0 << text << QString();
        QTest::newRow("fast") << QStringList{u"--fast"_s, m_image} << QByteArray() << 0 << text << QString();
        QTest::newRow("languages as codes")
            << QStringList{u"-l"_s, u"en-US,de"_s, m_image} << QByteArray() << 0 << text << QString();
        QTest::newRow("standard input") << QStringList{u"-"_s} << png << 0 << text << QString();
        QTest::newRow("no file") << QStringList{} << QByteArray() << 2 << QString() << u"no input file"_s;
        QTest::newRow("unknown option")
            << QStringList{u"--frobnicate"_s, m_image} << QByteArray() << 2 << QString() << u"frobnicate"_s;
        QTest::newRow("missing language") << QStringList{u"--languages"_s, u"tlh"_s, m_image} << QByteArray()
                                          << 2 << QString() << u"“tlh”"_s;
        QTest::newRow("missing file keeps the system's message")
            << QStringList{m_missing} << QByteArray() << 1 << QString() << m_missing + missing;
        QTest::newRow("text named .png")
            << QStringList{m_notImage} << QByteArray() << 1 << QString() << u"notes.png"_s + undecodable;
        QTest::newRow("empty standard input")
            << QStringList{u"-"_s} << QByteArray() << 1 << QString() << u"(standard input)"_s + undecodable;
        QTest::newRow("one bad file among good ones") << QStringList{m_image, m_missing} << QByteArray() << 1
                                                      << u"==> %1 <==\n"_s.arg(m_image) + text << missing;
        QTest::newRow("standard input only once")
            << QStringList{u"-"_s, u"-"_s} << QByteArray() << 2 << QString() << u"only once"_s;
    }
    void exitStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const Run result = run(arguments, input);
        QCOMPARE(result.status, status);
        QCOMPARE(result.out, out);
        if (err.isEmpty())
            QCOMPARE(result.err, QString());
        else
            QVERIFY2(result.err.startsWith(u"vellumix-ocr: "_s) && result.err.contains(err),
                     qPrintable(result.err));
    }
    void json()
    {
        const Run result = run({u"--json"_s, m_image});
        QCOMPARE(result.status, 0);
        QVERIFY(result.out.endsWith(u'\n'));
        QJsonParseError error{};
        const QJsonObject object = QJsonDocument::fromJson(result.out.toUtf8(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(object.value(u"file"_s).toString(), m_image);
        QCOMPARE(object.value(u"text"_s).toString(), u"Hello from the command line"_s);
        QVERIFY(object.value(u"codes"_s).toArray().isEmpty());
        QVERIFY(object.value(u"seconds"_s).toDouble() > 0.0);
        const QJsonArray blocks = object.value(u"blocks"_s).toArray();
        QCOMPARE(blocks.size(), 1);
        // The line fills most of the 40 px height, drawn left: the box says so in lower-left terms.
        const QJsonObject block = blocks.first().toObject();
        const double y = block.value(u"y"_s).toDouble(), height = block.value(u"height"_s).toDouble();
        QVERIFY(y > 0.0 && y < 0.5 && height > 0.2 && y + height <= 1.0 &&
                block.value(u"x"_s).toDouble() < 0.1);
        QVERIFY(block.value(u"confidence"_s).toDouble() >= 0.15);
    }

private:
    QTemporaryDir m_dir;
    QString m_image;
    QString m_notImage;
    QString m_missing;
};

QTEST_MAIN(TestOcrCommand)
#include "test_ocr_command.moc"
