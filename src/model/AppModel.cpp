// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/AppModel.h"

#include "capture/CaptureSource.h"
#include "core/ImageLoader.h"
#include "core/OCREngine.h"
#include "core/PDFService.h"
#include "core/TextProcessing.h"
#include "model/ClipboardService.h"
#include "model/HistoryStore.h"
#include "model/Preferences.h"
#include "model/SoundPlayer.h"

#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QImageReader>
#include <QPointer>
#include <QSaveFile>

#include <filesystem>
#include <system_error>

namespace vellumix {

AppModel::AppModel(UserDefaults& defaults,
                   const QString& historyDirectory,
                   OCREngine& engine,
                   CaptureSource& capture,
                   SoundPlayer& sound,
                   QObject* parent)
    : QObject(parent), m_engine(engine), m_capture(capture), m_sound(sound),
      m_preferences(std::make_unique<Preferences>(defaults)),
      m_history(std::make_unique<HistoryStore>(historyDirectory))
{
    m_history->cleanup(m_preferences->retentionDays());
}

AppModel::~AppModel()
{
    cancel();
    m_pool.waitForDone();
}

void AppModel::processImages(const QList<QImage>& images, const QString& source)
{
    if (m_busy || images.isEmpty())
        return;
    setBusy(true);
    setProgress(0.0);
    setMessage(std::nullopt);
    setSource(source);
    setPdfURL({});
    setPdfPages({});
    setSelectedHistory(std::nullopt);
    setImage(images.first());
    const OCROptions options = m_preferences->options();
    // Encoding a kept image can take longer than the recognition of a small region, so it is
    // done here, off the GUI thread, when the image is likely to be kept.
    const bool encode =
        images.size() == 1 && m_preferences->historyEnabled() && m_preferences->retainImages();

    startFlow(
        [this, images, options, encode](const CancelToken& token) {
            Recognised recognised;
            const qsizetype count = images.size();
            for (qsizetype i = 0; i < count; ++i) {
                token.throwIfCancelled();
                Recognition recognition = m_engine.recognize(images.at(i), options, token);
                token.throwIfCancelled();
                recognised.results.append(std::move(recognition));
                reportProgress(token, double(i + 1) / double(count));
            }
            if (encode)
                recognised.png = HistoryStore::encodeImage(images.first());
            return recognised;
        },
        [this, count = int(images.size())](const Recognised& recognised) {
            finishRecognition(recognised, count);
        });
}

void AppModel::finishRecognition(const Recognised& recognised, int imageCount)
{
    const QList<Recognition>& results = recognised.results;
    setRecognition(results.first());
    QStringList texts;
    const bool preserve = m_preferences->preserve();
    for (const Recognition& result : results) {
        QString text = result.text(preserve);
        if (!text.isEmpty())
            texts.append(std::move(text));
    }
    setText(transformed(texts.join(m_preferences->separator())));
    if (imageCount > 1) {
        setRecognition(std::nullopt);
        setImage({});
    }
    if (m_text.isEmpty()) {
        const auto withCodes = std::find_if(results.cbegin(), results.cend(),
                                            [](const Recognition& r) { return !r.codes.isEmpty(); });
        if (withCodes == results.cend())
            throw VellumixError(VellumixError::Kind::NoText);
        setRecognition(*withCodes);
        setBusy(false);
        call(openWorkspace);
        return;
    }
    float sum = 0.0f;
    for (const Recognition& result : results)
        sum += result.confidence();
    completeWith(sum / float(results.size()), imageCount == 1 ? m_image : QImage(), recognised.png);
}

void AppModel::complete(float confidence, const QImage& image)
{
    completeWith(confidence, image, std::nullopt);
}

void AppModel::completeWith(float confidence, const QImage& image, const std::optional<QByteArray>& png)
{
    setBusy(false);
    const Preferences& preferences = *m_preferences;
    if (preferences.autoCopy())
        ClipboardService::copy(m_text);
    if (preferences.historyEnabled()) {
        const QString languages = preferences.languages();
        const bool retain = preferences.retainImages();
        QByteArray encoded;
        if (retain)
            encoded = png ? *png : HistoryStore::encodeImage(image);
        m_history->addEncoded(m_text, m_source,
                              languages.isEmpty() ? QStringLiteral(QT_TR_NOOP("Automatic")) : languages,
                              confidence, encoded, retain, preferences.retentionDays());
        const QList<HistoryEntry>& entries = m_history->entries();
        setSelectedHistory(entries.isEmpty() ? std::nullopt : std::optional(entries.first().id));
    }
    if (preferences.sound())
        m_sound.play(completeSound);
    if (preferences.confirmations() && toast)
        toast(preferences.autoCopy() ? copiedToast : recognizedToast);
    if (preferences.showResults() || m_source == sourceImage || m_source == sourcePDF)
        call(openWorkspace);
}

void AppModel::fail(const Error& error)
{
    setBusy(false);
    setMessage(error.message());
    call(openWorkspace);
}

void AppModel::copy()
{
    ClipboardService::copy(m_text);
    if (!m_text.isEmpty() && toast)
        toast(copiedToast);
}

void AppModel::retry()
{
    if (!m_pdfURL.isEmpty()) {
        processPDF();
        return;
    }
    if (!m_image.isNull())
        processImages({m_image}, m_source);
}

void AppModel::importFile(bool pdf)
{
    if (!chooseOpenFile)
        return;
    chooseOpenFile(pdf, [self = QPointer<AppModel>(this)](const QUrl& location) {
        if (self && !location.isEmpty())
            self->load(location);
    });
}

void AppModel::load(const QUrl& location)
{
    if (m_busy)
        return;
    const QString path = location.toLocalFile();
    std::error_code sizeError;
    const std::uintmax_t size =
        std::filesystem::file_size(std::filesystem::path(QFile::encodeName(path).toStdString()), sizeError);
    if (sizeError) {
        fail(PlatformError(QString::fromLocal8Bit(sizeError.message())));
        return;
    }
    if (size > std::uintmax_t(ImageLoader::maximumFileBytes)) {
        fail(VellumixError(VellumixError::Kind::FileTooLarge));
        return;
    }
    if (QFileInfo(path).suffix().toLower() == QLatin1String("pdf")) {
        const int count = PDFService::pageCount(path);
        if (count <= 0) {
            fail(VellumixError(VellumixError::Kind::InvalidPages));
            return;
        }
        setPdfURL(location);
        setPageCount(count);
        setPageStart(1);
        setPageEnd(count);
        setText(QString());
        setImage({});
        setRecognition(std::nullopt);
        setPdfPages({});
        setSelectedHistory(std::nullopt);
        setSource(sourcePDF);
        call(openWorkspace);
        return;
    }
    setBusy(true);
    startFlow([path](const CancelToken&) { return ImageLoader::load(path); },
              [this](const QImage& image) {
                  setBusy(false);
                  processImages({image}, sourceImage);
              });
}

void AppModel::pasteImage()
{
    QImage image;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        image = QGuiApplication::clipboard()->image();
    if (image.isNull()) {
        setMessage(tr(qUtf8Printable(noClipboardImageMessage)));
        return;
    }
    processImages({image}, sourceClipboardImage);
}

void AppModel::processPDF()
{
    if (m_busy || m_pdfURL.isEmpty())
        return;
    if (m_pageStart < 1 || m_pageEnd < m_pageStart || m_pageCount < m_pageEnd) {
        setMessage(VellumixError(VellumixError::Kind::InvalidPages).message());
        return;
    }
    setBusy(true);
    setMessage(std::nullopt);
    setProgress(0.0);
    const OCROptions options = m_preferences->options();
    const bool preserve = m_preferences->preserve();
    startFlow(
        [this, path = m_pdfURL.toLocalFile(), first = m_pageStart, last = m_pageEnd, options,
         preserve](const CancelToken& token) {
            return PDFService::recognize(path, first, last, options, preserve, m_engine, token,
                                         [this, token](double fraction) { reportProgress(token, fraction); });
        },
        [this](const QList<PDFPageResult>& pages) {
            setPdfPages(pages);
            setText(transformed(PDFService::joinedText(pages)));
            // Pages without text still leave their line breaks, so blank counts as empty.
            if (m_text.trimmed().isEmpty())
                throw VellumixError(VellumixError::Kind::NoText);
            complete(PDFService::confidence(pages), QImage());
        },
        [this] { setMessage(tr(qUtf8Printable(pdfCancelledMessage))); });
}

void AppModel::exportResult(const QString& format)
{
    if (!chooseSaveFile)
        return;
    chooseSaveFile(QStringLiteral("Vellumix.") + format, format,
                   [self = QPointer<AppModel>(this), format](const QUrl& destination) {
                       if (!self || destination.isEmpty())
                           return;
                       if (format == QLatin1String("pdf"))
                           self->exportSearchable(destination);
                       else
                           self->writeText(destination);
                   });
}

// Runs beside any flow (an export is never refused) without taking its place as the current
// task, so cancel() still reaches that flow and busy stays set while it runs.
void AppModel::exportSearchable(const QUrl& destination)
{
    const bool beside = m_busy;
    setBusy(true);
    m_pool.start([this, beside, source = m_pdfURL.toLocalFile(), pages = m_pdfPages,
                  blocks = m_recognition ? m_recognition->blocks : QList<TextBlock>(), image = m_image,
                  to = destination.toLocalFile()] {
        std::exception_ptr error;
        try {
            PDFService::exportSearchable(source, pages, image, blocks, to);
        } catch (...) {
            error = std::current_exception();
        }
        // Posted like a flow's ending, so that it never runs inside this call.
        QMetaObject::invokeMethod(
            this,
            [this, beside, error] {
                const bool flowRunning = beside && m_busy;
                if (error) {
                    endFlow(error, {});
                } else {
                    setBusy(false);
                    if (toast)
                        toast(exportedToast);
                }
                if (flowRunning)
                    setBusy(true);
            },
            Qt::QueuedConnection);
    });
}

// Plain text and Markdown alike: the text as UTF-8, replacing the destination atomically.
void AppModel::writeText(const QUrl& destination)
{
    const QString path = destination.toLocalFile();
    QSaveFile file(path);
    const QByteArray bytes = m_text.toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return;
    fail(PlatformError(tr("The file \u201c%1\u201d couldn\u2019t be saved: %2")
                           .arg(QFileInfo(path).fileName(), file.errorString())));
}

void AppModel::open(const HistoryEntry& entry)
{
    setText(entry.text);
    setSource(entry.source);
    setSelectedHistory(entry.id);
    setPdfURL({});
    setPdfPages({});
    setRecognition(std::nullopt);
    QImage image;
    if (entry.imageName) {
        QImageReader reader(m_history->imagePath(entry));
        reader.setAutoTransform(false);
        image = reader.read();
    }
    setImage(image);
    call(openWorkspace);
}

void AppModel::cancel()
{
    if (m_task)
        m_task->cancel();
    m_capture.cancel();
}

void AppModel::captureDefault()
{
    const QString mode = m_preferences->defaultMode();
    capture(mode == QStringLiteral("Multiple"), mode == QStringLiteral("Full"));
}

void AppModel::capture(bool multiple, bool full)
{
    if (m_busy || m_capturing != Capturing::No)
        return;
    setBusy(true);
    setMessage(std::nullopt);
    const CancelToken token;
    m_task = token;
    m_capturing = Capturing::Waiting;

    QString source = sourceScreen;
    QFuture<QList<QImage>> future;
    if (full) {
        source = sourceFullScreen;
        future = m_capture.fullScreen();
    } else if (multiple) {
        source = sourceMultipleRegions;
        future = m_capture.regions();
    } else {
        future = m_capture.region();
    }
    // The frozen displays are taken inside regions(): a future still open is the overlay on the
    // screen, which waits for the user without holding busy, so its result can be recognised.
    if (multiple && !full && !future.isFinished()) {
        m_capturing = Capturing::Open;
        setBusy(false);
    }
    // A watcher rather than a continuation: it never calls back into a model that is gone, and
    // it also reports a future that ends cancelled without a result.
    auto* watcher = new QFutureWatcher<QList<QImage>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, token, source] {
        watcher->deleteLater();
        endCapture(watcher->future(), token, source);
    });
    watcher->setFuture(future);
}

void AppModel::endCapture(QFuture<QList<QImage>> future, const CancelToken& token, const QString& source)
{
    const bool heldBusy = m_capturing == Capturing::Waiting;
    m_capturing = Capturing::No;
    // With the overlay open another flow may have started; it owns busy and the result now.
    if (!heldBusy && m_busy)
        return;
    QList<QImage> images;
    try {
        token.throwIfCancelled();
        if (future.isCanceled() && future.resultCount() == 0) {
            future.waitForFinished(); // rethrows the capture's failure, if it had one
            throw Cancelled{};
        }
        images = future.result();
    } catch (...) {
        endFlow(std::current_exception(), {});
        return;
    }
    if (heldBusy)
        setBusy(false);
    processImages(images, source);
}

QString AppModel::transformed(const QString& text) const
{
    const Preferences& preferences = *m_preferences;
    return TextProcessing::transform(text, preferences.normalize(), preferences.quotes(),
                                     preferences.rules());
}

void AppModel::reportProgress(const CancelToken& token, double fraction)
{
    QMetaObject::invokeMethod(
        this,
        [this, token, fraction] {
            if (!token.isCancelled())
                setProgress(fraction);
        },
        Qt::QueuedConnection);
}

void AppModel::endFlow(std::exception_ptr error, const std::function<void()>& cancelled)
{
    try {
        std::rethrow_exception(error);
    } catch (const Cancelled&) {
        setBusy(false);
        if (cancelled)
            cancelled();
    } catch (const Error& failure) {
        fail(failure);
    } catch (const std::exception& failure) {
        fail(PlatformError(QString::fromLocal8Bit(failure.what())));
    } catch (...) {
        fail(PlatformError(tr("An unexpected error occurred.")));
    }
}

void AppModel::call(const std::function<void()>& callback) const
{
    if (callback)
        callback();
}

void AppModel::setText(const QString& text)
{
    m_text = text;
    Q_EMIT textChanged();
}

void AppModel::setImage(const QImage& image)
{
    m_image = image;
    Q_EMIT imageChanged();
}

void AppModel::setRecognition(const std::optional<Recognition>& recognition)
{
    m_recognition = recognition;
    Q_EMIT recognitionChanged();
}

void AppModel::setPdfURL(const QUrl& url)
{
    m_pdfURL = url;
    Q_EMIT pdfURLChanged();
}

void AppModel::setPdfPages(const QList<PDFPageResult>& pages)
{
    m_pdfPages = pages;
    Q_EMIT pdfPagesChanged();
}

void AppModel::setPageStart(int page)
{
    m_pageStart = page;
    Q_EMIT pageStartChanged();
}

void AppModel::setPageEnd(int page)
{
    m_pageEnd = page;
    Q_EMIT pageEndChanged();
}

void AppModel::setPageCount(int count)
{
    m_pageCount = count;
    Q_EMIT pageCountChanged();
}

void AppModel::setBusy(bool busy)
{
    m_busy = busy;
    Q_EMIT busyChanged();
}

void AppModel::setProgress(double progress)
{
    m_progress = progress;
    Q_EMIT progressChanged();
}

void AppModel::setMessage(const std::optional<QString>& message)
{
    m_message = message;
    Q_EMIT messageChanged();
}

void AppModel::setSelectedHistory(const std::optional<QUuid>& id)
{
    m_selectedHistory = id;
    Q_EMIT selectedHistoryChanged();
}

void AppModel::setSource(const QString& source)
{
    m_source = source;
    Q_EMIT sourceChanged();
}

} // namespace vellumix
