// SPDX-License-Identifier: GPL-3.0-or-later
// Builds the PDFs the tests need at run time and runs the command-line PDF tools on them.
#pragma once

#include <QColor>
#include <QFile>
#include <QList>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QTest>

namespace pdftest {

using namespace Qt::StringLiterals;

struct ToolRun
{
    int exitCode = -1;
    QString output;
};

inline ToolRun run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(),
            QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError())};
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Pages of the given sizes in points. Page n (from 1) carries a grey square in its centre whose
// level is 20 x n, so a fake engine can tell which page it was given, and a black marker in its
// top-left corner so that orientation can be checked after rendering.
inline void writePdf(const QString& path, const QList<QSizeF>& sizes)
{
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageMargins(QMarginsF());
    QPainter painter;
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        const QSizeF size = sizes[i];
        writer.setPageSize(QPageSize(size, QPageSize::Point));
        if (i == 0)
            painter.begin(&writer);
        else
            writer.newPage();
        const int level = int(20 * (i + 1));
        const double side = std::min(size.width(), size.height()) / 4;
        painter.fillRect(QRectF(size.width() / 2 - side / 2, size.height() / 2 - side / 2, side, side),
                         QColor(level, level, level));
        painter.fillRect(QRectF(0, 0, size.width() / 5, size.height() / 8), Qt::black);
    }
    painter.end();
}

// One page written by hand, for page boxes QPdfWriter cannot make: `pageKeys` go into the page
// dictionary, `content` is its content stream.
inline void writeRawPdf(const QString& path, const QByteArray& pageKeys, const QByteArray& content)
{
    const QList<QByteArray> objects{
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /Contents 4 0 R " + pageKeys + " >>",
        "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "\nendstream",
    };
    QByteArray pdf = "%PDF-1.7\n";
    QByteArray xref = "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype i = 0; i < objects.size(); ++i) {
        xref += QByteArray::number(pdf.size()).rightJustified(10, '0') + " 00000 n \n";
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const QByteArray start = QByteArray::number(pdf.size());
    pdf += xref + "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + start + "\n%%EOF\n";
    writeFile(path, pdf);
}

// Rewrites `path` with qpdf: extra arguments before the output (for example "--rotate=+90").
inline bool qpdfRewrite(const QString& path, const QStringList& options)
{
    const QString temporary = path + u".tmp"_s;
    const ToolRun result = run(u"qpdf"_s, QStringList{path} + options + QStringList{temporary});
    return result.exitCode == 0 && QFile::remove(path) && QFile::rename(temporary, path);
}

inline bool lockWithPassword(const QString& path)
{
    return qpdfRewrite(path, {u"--encrypt"_s, u"secret"_s, u"owner"_s, u"256"_s, u"--"_s});
}

// `qpdf --check` passes without a single warning.
inline bool passesCheck(const QString& path)
{
    const ToolRun result = run(u"qpdf"_s, {u"--check"_s, path});
    if (result.exitCode != 0 || result.output.contains(u"WARNING"_s, Qt::CaseInsensitive)) {
        qWarning().noquote() << result.output;
        return false;
    }
    return true;
}

} // namespace pdftest
