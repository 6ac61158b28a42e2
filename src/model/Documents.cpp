// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Documents.h"

#include "core/ImageLoader.h"
#include "core/PDFService.h"
#include "model/FlowRunner.h"
#include "model/Preferences.h"

#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <QSaveFile>

#include <filesystem>
#include <system_error>

namespace vellumix {

void Documents::importFile(ImportKind kind)
{
    if (!m_model.chooseOpenFile)
        return;
    m_model.chooseOpenFile(kind, [model = QPointer<AppModel>(&m_model)](const QUrl& location) {
        if (model && !location.isEmpty())
            model->load(location);
    });
}

void Documents::load(const QUrl& location)
{
    AppModel& model = m_model;
    if (model.m_busy)
        return;
    // A new document replaces whatever an earlier one reported.
    model.setMessage(std::nullopt);
    const QString path = location.toLocalFile();
    std::error_code sizeError;
    const std::uintmax_t size =
        std::filesystem::file_size(std::filesystem::path(QFile::encodeName(path).toStdString()), sizeError);
    if (sizeError) {
        model.fail(PlatformError(QString::fromLocal8Bit(sizeError.message())));
        return;
    }
    if (size > std::uintmax_t(ImageLoader::maximumFileBytes)) {
        model.fail(VellumixError(VellumixError::Kind::FileTooLarge));
        return;
    }
    model.setBusy(true);
    if (QFileInfo(path).suffix().toLower() == QLatin1String("pdf")) {
        // Opening a large or damaged document can take seconds: the window stays responsive.
        model.m_flows->start(
            [path](const CancelToken&) {
                const int count = PDFService::pageCount(path);
                if (count <= 0)
                    throw VellumixError(VellumixError::Kind::InvalidPages);
                return count;
            },
            [&model, location](int count) {
                model.setBusy(false);
                model.setPdfURL(location);
                model.setPageCount(count);
                model.setPageStart(1);
                model.setPageEnd(count);
                model.setText(QString());
                model.setImage({});
                model.setRecognition(std::nullopt);
                model.setPdfPages({});
                model.setSelectedHistory(std::nullopt);
                model.setSource(AppModel::sourcePDF);
                Q_EMIT model.openWorkspace();
            });
        return;
    }
    model.m_flows->start([path](const CancelToken&) { return ImageLoader::load(path); },
                         [&model](const QImage& image) {
                             model.setBusy(false);
                             model.processImages({image}, Source::Image);
                         });
}

void Documents::pasteImage()
{
    QImage image;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        image = QGuiApplication::clipboard()->image();
    if (image.isNull()) {
        m_model.setMessage(AppModel::tr(qUtf8Printable(AppModel::noClipboardImageMessage)));
        return;
    }
    m_model.processImages({image}, Source::ClipboardImage);
}

void Documents::processPDF()
{
    AppModel& model = m_model;
    if (model.m_busy || model.m_pdfURL.isEmpty())
        return;
    if (model.m_pageStart < 1 || model.m_pageEnd < model.m_pageStart || model.m_pageCount < model.m_pageEnd) {
        model.setMessage(VellumixError(VellumixError::Kind::InvalidPages).message());
        return;
    }
    model.setBusy(true);
    model.setMessage(std::nullopt);
    model.setProgress(0.0);
    const OCROptions options = model.m_preferences->options();
    const bool preserve = model.m_preferences->preserve();
    FlowRunner& flows = *model.m_flows;
    flows.start(
        [&model, &flows, path = model.m_pdfURL.toLocalFile(), first = model.m_pageStart,
         last = model.m_pageEnd, options, preserve](const CancelToken& token) {
            return PDFService::recognize(path, first, last, options, preserve, model.m_engine, token,
                                         [&model, &flows, token](double fraction) {
                                             flows.post(token,
                                                        [&model, fraction] { model.setProgress(fraction); });
                                         });
        },
        [&model](const QList<PDFPageResult>& pages) {
            model.setPdfPages(pages);
            model.setText(model.transformed(PDFService::joinedText(pages)));
            // Pages without text still leave their line breaks, so blank counts as empty.
            if (model.m_text.trimmed().isEmpty())
                throw VellumixError(VellumixError::Kind::NoText);
            model.complete(PDFService::confidence(pages), QImage());
        },
        [&model] { model.setMessage(AppModel::tr(qUtf8Printable(AppModel::pdfCancelledMessage))); });
}

void Documents::exportResult(ExportFormat format)
{
    if (!m_model.chooseSaveFile)
        return;
    // Without recognised pages or a recognition the layer would be empty: a PDF of no pages.
    if (format == ExportFormat::PDF && m_model.m_pdfPages.isEmpty() && !m_model.m_recognition) {
        m_model.setMessage(AppModel::unrecognizedExportMessage());
        return;
    }
    m_model.chooseSaveFile(QStringLiteral("Vellumix.") + AppModel::suffix(format), format,
                           [self = QPointer<AppModel>(&m_model), this, format](const QUrl& destination) {
                               if (!self || destination.isEmpty())
                                   return;
                               if (format == ExportFormat::PDF)
                                   exportSearchable(destination);
                               else
                                   writeText(destination);
                           });
}

// A flow of its own, so cancel() stops it; it is never refused, and it becomes the current task.
void Documents::exportSearchable(const QUrl& destination)
{
    AppModel& model = m_model;
    model.setBusy(true);
    model.m_flows->start(
        [source = model.m_pdfURL.toLocalFile(), pages = model.m_pdfPages,
         blocks = model.m_recognition ? model.m_recognition->blocks : QList<TextBlock>(),
         image = model.m_image, to = destination.toLocalFile()](const CancelToken& token) {
            PDFService::exportSearchable(source, pages, image, blocks, to, token);
            return true;
        },
        [&model](bool) {
            model.setBusy(false);
            Q_EMIT model.toast(AppModel::exportedToast);
        });
}

// Plain text and Markdown alike: the text as UTF-8, replacing the destination atomically.
void Documents::writeText(const QUrl& destination)
{
    const QString path = destination.toLocalFile();
    // A save file renames over whatever has the name, so a FIFO or a device would be replaced.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile()) {
        m_model.fail(PlatformError(
            AppModel::tr("The file \u201c%1\u201d couldn\u2019t be saved: %2")
                .arg(target.fileName(),
                     QCoreApplication::translate("vellumix::SearchablePDF", "It is not a regular file."))));
        return;
    }
    QSaveFile file(path);
    const QByteArray bytes = m_model.m_text.toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return;
    m_model.fail(PlatformError(AppModel::tr("The file \u201c%1\u201d couldn\u2019t be saved: %2")
                                   .arg(QFileInfo(path).fileName(), file.errorString())));
}

} // namespace vellumix
