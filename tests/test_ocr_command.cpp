// SPDX-License-Identifier: GPL-3.0-or-later
#include <QFile>
#include <QFont>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

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
    void initTestCase();
    void exitStatus_data();
    void exitStatus();
    void json();
    void standardInput();
    void searchablePdf_data();
    void searchablePdf();
    void progressOnATerminal();

private:
    QString m_pdf;
    QTemporaryDir m_dir;
    QString m_image;
    QString m_notImage;
    QString m_missing;
};

void TestOcrCommand::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QImage image(320, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(14);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QPoint(8, 26), QStringLiteral("Hello from the command line"));
    }
    m_image = m_dir.filePath(QStringLiteral("hello.png"));
    QVERIFY(image.save(m_image));
    m_notImage = m_dir.filePath(QStringLiteral("notes.png"));
    QFile notes(m_notImage);
    QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("plain text\n") > 0);
    m_missing = m_dir.filePath(QStringLiteral("absent.png"));

    // Three small pages with one line each, without a text layer, named without the extension to be found by
    // content.
    m_pdf = m_dir.filePath(QStringLiteral("three-pages"));
    QPdfWriter writer(m_pdf);
    writer.setResolution(72);
    writer.setPageSize(QPageSize(QSizeF(300, 60), QPageSize::Point));
    writer.setPageMargins(QMarginsF());
    QPainter painter(&writer);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(16);
    for (const char* line : {"Alpha on page one", "Bravo on page two", "Charlie on page three"}) {
        if (line[0] != 'A')
            writer.newPage();
        QPainterPath outline; // drawn as shapes, so that the only text layer is the one we add
        outline.addText(QPointF(10, 36), font, QString::fromLatin1(line));
        painter.fillPath(outline, Qt::black);
    }
    painter.end();
}

void TestOcrCommand::exitStatus_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err"); // a part of standard error; empty: nothing at all

    const QString text = QStringLiteral("Hello from the command line\n");
    const QString missing = QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(ENOENT));
    QTest::newRow("one image") << QStringList{m_image} << 0 << text << QString();
    QTest::newRow("fast") << QStringList{QStringLiteral("--fast"), m_image} << 0 << text << QString();
    QTest::newRow("languages as codes")
        << QStringList{QStringLiteral("-l"), QStringLiteral("en-US,de"), m_image} << 0 << text << QString();
    QTest::newRow("no file") << QStringList{} << 2 << QString() << QStringLiteral("no input file");
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--frobnicate"), m_image} << 2 << QString()
                                    << QStringLiteral("frobnicate");
    QTest::newRow("missing language")
        << QStringList{QStringLiteral("--languages"), QStringLiteral("tlh"), m_image} << 2 << QString()
        << QStringLiteral("“tlh”");
    QTest::newRow("missing file keeps the system's message")
        << QStringList{m_missing} << 1 << QString() << m_missing + missing;
    QTest::newRow("text named .png") << QStringList{m_notImage} << 1 << QString()
                                     << QStringLiteral(
                                            "notes.png: This file could not be decoded as an image.");
    QTest::newRow("one bad file among good ones")
        << QStringList{m_image, m_missing} << 1 << QStringLiteral("==> %1 <==\n").arg(m_image) + text
        << missing;
    const QString alpha = QStringLiteral("Alpha on page one\n");
    const QString bravo = QStringLiteral("Bravo on page two\n");
    const QString charlie = QStringLiteral("Charlie on page three\n");
    const QString invalidPages =
        QStringLiteral("three-pages: Choose a valid page range within this document.");
    QTest::newRow("every page, an empty line between")
        << QStringList{m_pdf} << 0 << alpha + u'\n' + bravo + u'\n' + charlie << QString();
    QTest::newRow("a range") << QStringList{QStringLiteral("--pages"), QStringLiteral("2-3"), m_pdf} << 0
                             << bravo + u'\n' + charlie << QString();
    QTest::newRow("one page") << QStringList{QStringLiteral("--pages=2"), m_pdf} << 0 << bravo << QString();
    QTest::newRow("open range") << QStringList{QStringLiteral("--pages=3-"), m_pdf} << 0 << charlie
                                << QString();
    QTest::newRow("page 0") << QStringList{QStringLiteral("--pages=0-2"), m_pdf} << 1 << QString()
                            << invalidPages;
    QTest::newRow("past the last page")
        << QStringList{QStringLiteral("--pages=2-4"), m_pdf} << 1 << QString() << invalidPages;
    QTest::newRow("start after end") << QStringList{QStringLiteral("--pages=3-2"), m_pdf} << 1 << QString()
                                     << invalidPages;
    QTest::newRow("missing PDF keeps the system's message")
        << QStringList{m_dir.filePath(QStringLiteral("absent.PDF"))} << 1 << QString() << missing;
    QTest::newRow("not a range") << QStringList{QStringLiteral("--pages=two"), m_pdf} << 2 << QString()
                                 << QStringLiteral("invalid page range");
    QTest::newRow("searchable output for two inputs")
        << QStringList{QStringLiteral("--searchable-pdf"), m_dir.filePath(QStringLiteral("x.pdf")), m_pdf,
                       m_image}
        << 2 << QString() << QStringLiteral("exactly one input");
    QTest::newRow("standard input only once") << QStringList{QStringLiteral("-"), QStringLiteral("-")} << 2
                                              << QString() << QStringLiteral("only once");
}

void TestOcrCommand::exitStatus()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const Run result = run(arguments);
    QCOMPARE(result.status, status);
    QCOMPARE(result.out, out);
    if (err.isEmpty())
        QCOMPARE(result.err, QString());
    else
        QVERIFY2(result.err.startsWith(QStringLiteral("vellumix-ocr: ")) && result.err.contains(err),
                 qPrintable(result.err));
}

void TestOcrCommand::json()
{
    const Run result = run({QStringLiteral("--json"), m_image});
    QCOMPARE(result.status, 0);
    QVERIFY(result.out.endsWith(QLatin1Char('\n')));
    QJsonParseError error{};
    const QJsonObject object = QJsonDocument::fromJson(result.out.toUtf8(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(object.value(QStringLiteral("file")).toString(), m_image);
    QCOMPARE(object.value(QStringLiteral("text")).toString(), QStringLiteral("Hello from the command line"));
    QVERIFY(object.value(QStringLiteral("codes")).toArray().isEmpty());
    QVERIFY(object.value(QStringLiteral("seconds")).toDouble() > 0.0);
    const QJsonArray blocks = object.value(QStringLiteral("blocks")).toArray();
    QCOMPARE(blocks.size(), 1);
    const QJsonObject block = blocks.first().toObject();
    QVERIFY(block.value(QStringLiteral("confidence")).toDouble() >= 0.15);
    // The line fills most of the 40 px height, drawn left: the box says so in lower-left terms.
    const double y = block.value(QStringLiteral("y")).toDouble();
    const double height = block.value(QStringLiteral("height")).toDouble();
    QVERIFY(y > 0.0 && y < 0.5 && height > 0.2 && y + height <= 1.0);
    QVERIFY(block.value(QStringLiteral("x")).toDouble() < 0.1);
}

void TestOcrCommand::standardInput()
{
    QFile file(m_image);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const Run image = run({QStringLiteral("-")}, file.readAll());
    QCOMPARE(image.status, 0);
    QCOMPARE(image.out, QStringLiteral("Hello from the command line\n"));

    const Run empty = run({QStringLiteral("-")});
    QCOMPARE(empty.status, 1);
    QVERIFY2(
        empty.err.contains(QStringLiteral("(standard input): This file could not be decoded as an image.")),
        qPrintable(empty.err));
}

void TestOcrCommand::searchablePdf_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("text"); // of the written PDF
    QTest::newRow("PDF range") << m_pdf << QStringList{QStringLiteral("--pages=1-2")}
                               << QStringLiteral("Alpha on page one Bravo on page two");
    QTest::newRow("image") << m_image << QStringList{} << QStringLiteral("Hello from the command line");
}

void TestOcrCommand::searchablePdf()
{
    QFETCH(QString, input);
    QFETCH(QStringList, options);
    QFETCH(QString, text);
    const QString out = m_dir.filePath(QStringLiteral("searchable.pdf"));
    QFile::remove(out);
    const Run result = run(options + QStringList{QStringLiteral("--searchable-pdf"), out, input});
    QCOMPARE(result.status, 0);
    QCOMPARE(result.out.simplified(), text);
    QProcess extract;
    extract.start(QStringLiteral("pdftotext"), {out, QStringLiteral("-")});
    QVERIFY(extract.waitForFinished(60000));
    QCOMPARE(QString::fromUtf8(extract.readAllStandardOutput()).simplified(), text);
    QProcess check;
    check.start(QStringLiteral("qpdf"), {QStringLiteral("--check"), out});
    QVERIFY(check.waitForFinished(60000));
    QCOMPARE(check.exitCode(), 0);
}

// A terminal on standard error shows which page is being read; the text still goes to standard
// output alone (the redirected runs above check that standard error stays empty).
void TestOcrCommand::progressOnATerminal()
{
    QProcess terminal; // util-linux script(1) gives the command a pseudo-terminal
    terminal.start(
        QStringLiteral("script"),
        {QStringLiteral("-qec"),
         QStringLiteral("'%1' '%2' 2>/dev/tty >/dev/null").arg(QStringLiteral(VELLUMIX_OCR), m_pdf),
         QStringLiteral("/dev/null")});
    QVERIFY(terminal.waitForFinished(60000));
    QCOMPARE(terminal.exitCode(), 0);
    const QString shown = QString::fromUtf8(terminal.readAllStandardOutput());
    for (int page = 1; page <= 3; ++page)
        QVERIFY2(shown.contains(QStringLiteral("three-pages: page %1 of 3").arg(page)), qPrintable(shown));
    QVERIFY(shown.endsWith(QStringLiteral("\r\033[K"))); // the line is cleared at the end
    QVERIFY(!shown.contains(QStringLiteral("Alpha")));
}

QTEST_MAIN(TestOcrCommand)
#include "test_ocr_command.moc"
