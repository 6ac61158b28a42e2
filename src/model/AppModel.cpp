// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/AppModel.h"

#include "capture/CaptureSource.h"
#include "core/OCREngine.h"
#include "core/TextProcessing.h"
#include "model/ClipboardService.h"
#include "model/HistoryStore.h"
#include "model/Preferences.h"
#include "model/SoundPlayer.h"

#include <QFutureWatcher>
#include <QImageReader>

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
        m_history->addEncoded(m_text, m_source, languages.isEmpty() ? QStringLiteral("Automatic") : languages,
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

void AppModel::processPDF() {}

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

// Placeholders until the document flows land.
void AppModel::importFile(bool) {}
void AppModel::load(const QUrl&) {}
void AppModel::pasteImage() {}
void AppModel::exportResult(const QString&) {}

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
        fail(PlatformError(QStringLiteral("An unexpected error occurred.")));
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
