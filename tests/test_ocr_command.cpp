// SPDX-License-Identifier: GPL-3.0-or-later
#include "PdfTestFiles.h"

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

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

struct Run
{
    int status = -1;
    QString out, err;
};

Run run(const QStringList& arguments, const QByteArray& input = {}, const char* program = VELLUMIX_OCR)
{
    QProcess process;
    process.start(QString::fromLocal8Bit(program), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000))
        qFatal("%s did not finish", program);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

const QString hello = u"Hello from the command line\n"_s;

// One page saying "Hello" whose page tree also lists itself: Qt PDF reads the page, qpdf refuses
// the document.
QByteArray pageTreeLoop()
{
    const QByteArray content = "BT /F1 24 Tf 10 20 Td (Hello) Tj ET";
    const QByteArrayList objects{
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R 2 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 50] /Contents 4 0 R "
        "/Resources << /Font << /F1 5 0 R >> >> >>",
        "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "\nendstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"};
    return pdftest::assemble(objects);
}

} // namespace

class TestOcrCommand : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_image = m_dir.filePath(u"hello.png"_s);
    QString m_pdf = m_dir.filePath(u"three-pages"_s); // found to be a PDF by its content

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QImage image(320, 40, QImage::Format_RGB32);
        image.fill(Qt::white);
        QFont font(u"DejaVu Sans"_s);
        font.setPixelSize(14);
        QPainter painter(&image);
        painter.setFont(font);
        painter.drawText(QPoint(8, 26), hello.trimmed());
        painter.end();
        QVERIFY(image.save(m_image));

        // Three pages of one line each, drawn as shapes so that the only text layer is one we add.
        QPdfWriter writer(m_pdf);
        writer.setResolution(72);
        writer.setPageSize(QPageSize(QSizeF(300, 60), QPageSize::Point));
        writer.setPageMargins(QMarginsF());
        painter.begin(&writer);
        font.setPixelSize(16);
        for (const QString& line :
             {u"Alpha on page one"_s, u"Bravo on page two"_s, u"Charlie on page three"_s}) {
            if (!line.startsWith(u'A'))
                writer.newPage();
            QPainterPath outline;
            outline.addText(QPointF(10, 36), font, line);
            painter.fillPath(outline, Qt::black);
        }
        painter.end();
    }

    void exitStatus_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err"); // a part of standard error; empty: nothing at all
        const QString missing = m_dir.filePath(u"absent.png"_s);
        QTest::newRow("one image") << QStringList{m_image} << 0 << hello << QString();
        QTest::newRow("standard input") << QStringList{u"-"_s} << 0 << hello << QString();
        QTest::newRow("missing language")
            << QStringList{u"--languages"_s, u"tlh"_s, m_image} << 2 << QString() << u"\u201ctlh\u201d"_s;
        QTest::newRow("a bad file before a good one, with the system's message")
            << QStringList{missing, m_image} << 1 << u"==> %1 <==\n"_s.arg(m_image) + hello
            << missing + u": "_s + QString::fromLocal8Bit(std::strerror(ENOENT));
        QTest::newRow("open range, an empty line between pages")
            << QStringList{u"--pages=2-"_s, m_pdf} << 0 << u"Bravo on page two\n\nCharlie on page three\n"_s
            << QString();
        QTest::newRow("not a range") << QStringList{u"--pages=two"_s, m_pdf} << 2 << QString()
                                     << u"invalid page range"_s;
        // Text in an SVG needs fonts, which a plain core application cannot give.
        const QString svg = m_dir.filePath(u"text.svg"_s);
        pdftest::writeFile(svg, "<svg xmlns='http://www.w3.org/2000/svg' width='200' height='40'>"
                                "<rect width='200' height='40' fill='white'/>"
                                "<text x='5' y='30' font-size='20' fill='white'>hidden</text></svg>");
        QTest::newRow("SVG with text, then an image")
            << QStringList{svg, m_image} << 0 << u"==> %1 <==\n\n==> %2 <==\n"_s.arg(svg, m_image) + hello
            << QString();
        QTest::newRow("no timeout") << QStringList{u"--timeout=0"_s, m_image} << 2 << QString()
                                    << u"invalid timeout"_s;
        // libpng reports a header of size 0 by itself unless kept quiet.
        const QString broken = m_dir.filePath(u"zero.png"_s);
        pdftest::writeFile(broken, QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAAAAAAACAAAAAAe4CPOAAAADE"
                                                          "lEQVR4nGNgoAwAAABAAAG3NHzvAAAAAElFTkSuQmCC"));
        QTest::newRow("undecodable file") << QStringList{m_image, broken} << 1
                                          << u"==> %1 <==\n"_s.arg(m_image) + hello << broken + u": "_s;
    }

    void exitStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFile image(m_image); // on standard input, read only where asked for
        QVERIFY(image.open(QIODevice::ReadOnly));
        const Run result = run(arguments, image.readAll());
        QCOMPARE(result.status, status);
        QCOMPARE(result.out, out);
        QVERIFY2(err.isEmpty() ? result.err.isEmpty()
                               : (result.err.startsWith(u"vellumix-ocr: "_s) && result.err.contains(err) &&
                                  result.err.count(u'\n') == 1), // one message, none from the decoders
                 qPrintable(result.err));
    }

    void json()
    {
        const QJsonObject object = QJsonDocument::fromJson(run({u"--json"_s, m_image}).out.toUtf8()).object();
        QCOMPARE(object.value(u"file"_s).toString(), m_image);
        QCOMPARE(object.value(u"text"_s).toString(), hello.trimmed());
        const QJsonArray blocks = object.value(u"blocks"_s).toArray();
        QCOMPARE(blocks.size(), 1);
        // The line fills most of the 40 px height: the box says so in lower-left terms.
        const double y = blocks.first()[u"y"_s].toDouble(), height = blocks.first()[u"height"_s].toDouble();
        QVERIFY(y > 0.0 && y < 0.5 && height > 0.2 && y + height <= 1.0);
    }

    void searchablePdf()
    {
        const QString out = m_dir.filePath(u"searchable.pdf"_s);
        const QString text = u"Alpha on page one Bravo on page two"_s;
        const Run result = run({u"--pages=1-2"_s, u"--searchable-pdf"_s, out, m_pdf});
        QCOMPARE(result.status, 0);
        QCOMPARE(result.out.simplified(), text);
        QCOMPARE(run({out, u"-"_s}, {}, "pdftotext").out.simplified(), text);
        QCOMPARE(run({u"--check"_s, out}, {}, "qpdf").status, 0);
    }
    void timeoutGivesUpOnEachFileAndGoesOn()
    {
        const Run result = run({u"--timeout=0.001"_s, m_pdf, m_image});
        QCOMPARE(result.status, 1);
        QCOMPARE(result.err.count(u"Gave up after 0.001 seconds."_s), 2);
    }
    void searchableTargetThatIsNoFile()
    {
        const QString fifo = m_dir.filePath(u"reader"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const Run result = run({u"--searchable-pdf"_s, fifo, m_image});
        QCOMPARE(result.status, 1);
        QCOMPARE(result.out, hello); // the text is not lost with the copy
        QVERIFY2(result.err.contains(u"not a regular file"_s), qPrintable(result.err));
        struct stat info = {};
        QVERIFY(::stat(QFile::encodeName(fifo).constData(), &info) == 0 && S_ISFIFO(info.st_mode));
    }
    void inputThatCannotBeRewritten()
    {
        const QString input = m_dir.filePath(u"loop.pdf"_s);
        QVERIFY(pdftest::writeFile(input, pageTreeLoop()));
        const QString out = m_dir.filePath(u"loop-searchable.pdf"_s);
        const Run result = run({u"--searchable-pdf"_s, out, input});
        QCOMPARE(result.status, 1);
        QCOMPARE(result.out, u"Hello\n"_s); // recognised before the copy failed
        QVERIFY2(result.err.contains(u"\u201cloop.pdf\u201d could not be rewritten"_s),
                 qPrintable(result.err));
        QVERIFY(!QFile::exists(out));
    }
    void progressOnATerminal()
    {
        const Run terminal =
            run({u"-qec"_s, u"'%1' '%2' 2>/dev/tty >/dev/null"_s.arg(QStringLiteral(VELLUMIX_OCR), m_pdf),
                 u"/dev/null"_s},
                {}, "script");
        QCOMPARE(terminal.status, 0);
        for (int page = 1; page <= 3; ++page)
            QVERIFY2(terminal.out.contains(u"three-pages: page %1 of 3"_s.arg(page)),
                     qPrintable(terminal.out));
        QVERIFY(terminal.out.endsWith(u"\r\033[K"_s)); // the line is cleared at the end
        QVERIFY(!terminal.out.contains(u"Alpha"_s));
    }
};

QTEST_MAIN(TestOcrCommand)
#include "test_ocr_command.moc"
