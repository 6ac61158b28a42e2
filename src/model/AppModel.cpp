// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/AppModel.h"

#include "capture/CaptureSource.h"
#include "core/ImageLoader.h"
#include "core/OCREngine.h"
#include "core/TextProcessing.h"
#include "model/CaptureFlow.h"
#include "model/ClipboardService.h"
#include "model/Documents.h"
#include "model/FlowRunner.h"
#include "model/HistoryStore.h"
#include "model/Preferences.h"
#include "platform/ClipboardWriter.h"
#include "platform/SoundPlayer.h"

#include <QtConcurrent/QtConcurrentRun>

namespace vellumix {

QString AppModel::label(Source source)
{
    switch (source) {
    case Source::Screen:
        return sourceScreen;
    case Source::MultipleRegions:
        return sourceMultipleRegions;
    case Source::FullScreen:
        return sourceFullScreen;
    case Source::Image:
        return sourceImage;
    case Source::ClipboardImage:
        return sourceClipboardImage;
    case Source::PDF:
        return sourcePDF;
    }
    return sourceScreen;
}

QString AppModel::unrecognizedExportMessage()
{
    return tr("Recognize the pages before exporting a searchable PDF.");
}

QString AppModel::suffix(ExportFormat format)
{
    switch (format) {
    case ExportFormat::PDF:
        return QStringLiteral("pdf");
    case ExportFormat::Markdown:
        return QStringLiteral("md");
    case ExportFormat::PlainText:
        break;
    }
    return QStringLiteral("txt");
}

AppModel::AppModel(UserDefaults& defaults,
                   const QString& historyDirectory,
                   OCREngine& engine,
                   CaptureSource& capture,
                   SoundPlayer& sound,
                   QObject* parent)
    : QObject(parent), m_engine(engine), m_sound(sound),
      m_preferences(std::make_unique<Preferences>(defaults)),
      m_history(std::make_unique<HistoryStore>(historyDirectory)),
      m_captureFlow(std::make_unique<CaptureFlow>(*this, capture)),
      m_documents(std::make_unique<Documents>(*this)),
      m_flows(std::make_unique<FlowRunner>(
          *this, [this](std::exception_ptr error, const std::function<void()>& cancelled) {
              endFlow(std::move(error), cancelled);
          }))
{
    m_history->cleanup(m_preferences->retentionDays());
    // A result whose entry was deleted is no longer tied to it: "Save Edits" would write nowhere.
    connect(m_history.get(), &HistoryStore::entriesChanged, this, [this] {
        if (!m_selectedHistory)
            return;
        const QList<HistoryEntry>& entries = m_history->entries();
        if (std::none_of(entries.cbegin(), entries.cend(),
                         [this](const HistoryEntry& entry) { return entry.id == *m_selectedHistory; }))
            setSelectedHistory(std::nullopt);
    });
}

AppModel::~AppModel()
{
    cancel();
    m_flows.reset(); // waits for the pool while the parts it may call back are still whole
}

void AppModel::processImages(const QList<QImage>& images, Source source)
{
    processImages(images, label(source));
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

    m_flows->start(
        [this, images, options, encode](const CancelToken& token) {
            Recognised recognised;
            const qsizetype count = images.size();
            for (qsizetype i = 0; i < count; ++i) {
                token.throwIfCancelled();
                Recognition recognition = m_engine.recognize(images.at(i), options, token);
                token.throwIfCancelled();
                recognised.results.append(std::move(recognition));
                const double fraction = double(i + 1) / double(count);
                m_flows->post(token, [this, fraction] { setProgress(fraction); });
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
        Q_EMIT openWorkspace();
        return;
    }
    float sum = 0.0f;
    QString readWith; // what the engine chose when the user left the language to it
    for (const Recognition& result : results) {
        sum += result.confidence();
        if (readWith.isEmpty())
            readWith = result.language;
    }
    completeWith(sum / float(results.size()), imageCount == 1 ? m_image : QImage(), recognised.png, readWith);
}

void AppModel::complete(float confidence, const QImage& image)
{
    completeWith(confidence, image, std::nullopt);
}

void AppModel::completeWith(float confidence,
                            const QImage& image,
                            const std::optional<QByteArray>& png,
                            const QString& readWith)
{
    setBusy(false);
    const Preferences& preferences = *m_preferences;
    const bool copied = preferences.autoCopy() && copyText();
    if (preferences.historyEnabled()) {
        const QString languages = preferences.languages();
        const bool retain = preferences.retainImages();
        QByteArray encoded;
        if (retain)
            encoded = png ? *png : HistoryStore::encodeImage(image);
        const QString automatic = readWith.isEmpty() ? QStringLiteral(QT_TR_NOOP("Automatic")) : readWith;
        m_history->addEncoded(m_text, m_source, languages.isEmpty() ? automatic : languages, confidence,
                              encoded, retain, preferences.retentionDays());
        const QList<HistoryEntry>& entries = m_history->entries();
        setSelectedHistory(entries.isEmpty() ? std::nullopt : std::optional(entries.first().id));
    }
    if (preferences.sound())
        m_sound.play(completeSound);
    if (preferences.confirmations())
        Q_EMIT toast(copied ? copiedToast : recognizedToast);
    if (preferences.showResults() || m_source == sourceImage || m_source == sourcePDF)
        Q_EMIT openWorkspace();
}

void AppModel::fail(const Error& error)
{
    setBusy(false);
    setMessage(error.message());
    Q_EMIT openWorkspace();
}

void AppModel::copy()
{
    if (copyText())
        Q_EMIT toast(copiedToast);
}

bool AppModel::copyText()
{
    if (m_text.trimmed().isEmpty())
        return false;
    if (m_clipboard)
        return m_clipboard->setText(m_text);
    ClipboardService::copy(m_text);
    return true;
}

void AppModel::retry()
{
    if (!m_pdfURL.isEmpty()) {
        m_documents->processPDF();
        return;
    }
    if (!m_image.isNull())
        processImages({m_image}, m_source); // an entry's label as stored
}

void AppModel::open(const HistoryEntry& entry)
{
    setText(entry.text);
    setSource(entry.source);
    setSelectedHistory(entry.id);
    setPdfURL({});
    setPdfPages({});
    setRecognition(std::nullopt);
    setImage({});
    if (entry.imageName) {
        // Decoded on the pool: a kept full-screen capture takes long enough to stall the window.
        // The loader lifts Qt's allocation limit that plain readers stop at (about 33 megapixels).
        const quint64 ticket = m_imageTicket;
        QtConcurrent::run(&m_flows->pool(), [path = m_history->imagePath(entry)] {
            try {
                return ImageLoader::load(path);
            } catch (const Error&) {
                return QImage(); // a missing or damaged kept image shows the text alone
            }
        }).then(this, [this, ticket](const QImage& image) {
            if (ticket == m_imageTicket && !image.isNull())
                setImage(image); // nothing else was shown meanwhile
        });
    }
    Q_EMIT openWorkspace();
}

void AppModel::cancel()
{
    m_flows->cancel();
    m_captureFlow->cancel();
}

bool AppModel::captureDefault()
{
    const QString mode = m_preferences->defaultMode();
    if (mode == QStringLiteral("Multiple"))
        return capture(CaptureKind::Regions);
    if (mode == QStringLiteral("Full"))
        return capture(CaptureKind::FullScreen);
    return capture(CaptureKind::Region);
}

bool AppModel::canCapture() const
{
    return !m_busy && m_captureFlow->isIdle();
}

bool AppModel::capture(CaptureKind kind)
{
    return m_captureFlow->capture(kind);
}

void AppModel::importFile(ImportKind kind)
{
    m_documents->importFile(kind);
}

void AppModel::load(const QUrl& location)
{
    m_documents->load(location);
}

void AppModel::pasteImage()
{
    m_documents->pasteImage();
}

void AppModel::processPDF()
{
    m_documents->processPDF();
}

void AppModel::exportResult(ExportFormat format)
{
    m_documents->exportResult(format);
}

QString AppModel::transformed(const QString& text) const
{
    const Preferences& preferences = *m_preferences;
    return TextProcessing::transform(text, preferences.normalize(), preferences.quotes(),
                                     preferences.rules());
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

void AppModel::setText(const QString& text)
{
    m_text = text;
    Q_EMIT textChanged();
}

void AppModel::setImage(const QImage& image)
{
    ++m_imageTicket;
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
