// SPDX-License-Identifier: GPL-3.0-or-later
// Builds the PDFs the tests need at run time and runs the command-line PDF tools on them; reads
// and writes plain files.
#pragma once

#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>

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

// The file's bytes; "(unreadable)" when it cannot be read.
inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// Pages of the given sizes in points. Page n (from 1) has a grey square of level 20 x n in its centre,
// so a fake engine can tell pages apart, and a black marker top left to show the orientation.
inline void writePdf(const QString& path, const QList<QSizeF>& sizes)
{
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageMargins(QMarginsF());
    QPainter painter;
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        const QSizeF size = sizes[i];
        writer.setPageSize(QPageSize(size, QPageSize::Point));
        i == 0 ? painter.begin(&writer) : writer.newPage();
        const int level = int(20 * (i + 1));
        const double side = std::min(size.width(), size.height()) / 4;
        painter.fillRect(QRectF(size.width() / 2 - side / 2, size.height() / 2 - side / 2, side, side),
                         QColor(level, level, level));
        painter.fillRect(QRectF(0, 0, size.width() / 5, size.height() / 8), Qt::black);
    }
    painter.end();
}

// A hand-written PDF of the given objects, numbered from 1; the first is the catalogue.
inline QByteArray assemble(const QByteArrayList& objects)
{
    QByteArray pdf = "%PDF-1.7\n",
               xref = "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype i = 0; i < objects.size(); ++i) {
        xref += QByteArray::number(pdf.size()).rightJustified(10, '0') + " 00000 n \n";
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    return pdf + xref + "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(pdf.size()) + "\n%%EOF\n";
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
    return result.exitCode == 0 && !result.output.contains(u"WARNING"_s, Qt::CaseInsensitive);
}

} // namespace pdftest
