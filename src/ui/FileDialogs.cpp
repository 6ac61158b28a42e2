// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/FileDialogs.h"

#include "model/AppModel.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QImageReader>
#include <QStringList>
#include <QUrl>

namespace vellumix {

namespace {

// Name filters match case-sensitively on Linux, and cameras write "IMG_0001.JPG".
QString patterns(const QStringList& suffixes)
{
    QStringList all;
    for (const QString& suffix : suffixes)
        all << QStringLiteral("*.") + suffix.toLower() << QStringLiteral("*.") + suffix.toUpper();
    all.removeDuplicates();
    return all.join(u' ');
}

// The dialog deletes itself once closed; `chosen` is called exactly once.
void show(QFileDialog* dialog, std::function<void(const QUrl&)> chosen)
{
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, chosen = std::move(chosen)](int result) {
        const QList<QUrl> urls = dialog->selectedUrls();
        chosen(result == QDialog::Accepted && !urls.isEmpty() ? urls.first() : QUrl());
    });
    dialog->open();
}

} // namespace

QString imageNameFilter()
{
    QStringList suffixes;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        suffixes.append(QString::fromLatin1(format));
    return QCoreApplication::translate("vellumix::FileDialogs", "Images (%1)").arg(patterns(suffixes));
}

QString pdfNameFilter()
{
    return QCoreApplication::translate("vellumix::FileDialogs", "PDF documents (%1)")
        .arg(patterns({QStringLiteral("pdf")}));
}

QString documentNameFilter()
{
    QStringList suffixes{QStringLiteral("pdf")};
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        suffixes.append(QString::fromLatin1(format));
    return QObject::tr("Images and PDF documents (") + patterns(suffixes) + u')';
}

void chooseDocument(QWidget* parent, std::function<void(const QUrl&)> chosen)
{
    auto* dialog = new QFileDialog(parent, QObject::tr("Open Image or PDF"));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilter(documentNameFilter());
    show(dialog, std::move(chosen));
}

QString exportNameFilter(ExportFormat format)
{
    switch (format) {
    case ExportFormat::PDF:
        return pdfNameFilter();
    case ExportFormat::Markdown:
        return QCoreApplication::translate("vellumix::FileDialogs", "Markdown (%1)")
            .arg(patterns({QStringLiteral("md")}));
    case ExportFormat::PlainText:
        break;
    }
    return QCoreApplication::translate("vellumix::FileDialogs", "Plain text (%1)")
        .arg(patterns({QStringLiteral("txt")}));
}

void installFileDialogs(AppModel& model, std::function<QWidget*()> parent)
{
    model.chooseOpenFile = [parent](ImportKind kind, std::function<void(const QUrl&)> chosen) {
        const bool pdf = kind == ImportKind::PDF;
        auto* dialog =
            new QFileDialog(parent ? parent() : nullptr,
                            pdf ? QCoreApplication::translate("vellumix::FileDialogs", "Import PDF")
                                : QCoreApplication::translate("vellumix::FileDialogs", "Import Image"));
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::ExistingFile);
        dialog->setNameFilter(pdf ? pdfNameFilter() : imageNameFilter());
        show(dialog, std::move(chosen));
    };
    model.chooseSaveFile = [parent](const QString& suggestedName, ExportFormat format,
                                    std::function<void(const QUrl&)> chosen) {
        auto* dialog = new QFileDialog(parent ? parent() : nullptr,
                                       QCoreApplication::translate("vellumix::FileDialogs", "Export"));
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setNameFilter(exportNameFilter(format));
        dialog->setDefaultSuffix(AppModel::suffix(format));
        dialog->selectFile(suggestedName);
        show(dialog, std::move(chosen));
    };
}

} // namespace vellumix
