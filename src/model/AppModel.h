// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Cancellation.h"
#include "core/Errors.h"
#include "core/Records.h"

#include <QFuture>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QUrl>
#include <QUuid>
#include <QtConcurrent/QtConcurrentRun>

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

namespace vellumix {

class CaptureSource;
class HistoryStore;
class OCREngine;
class Preferences;
class SoundPlayer;
class UserDefaults;
struct HistoryEntry;

// The one model object: owns the preferences and the history, holds the current result and runs
// every flow. Each published member has a getter and a <name>Changed() signal emitted on every
// assignment. Everything here lives on the GUI thread.
//
// Flows. A flow is started on the GUI thread by an operation that first checks and sets busy,
// then calls startFlow(work, done):
//   - work(token) runs on the model's thread pool; it may block (recognition, decoding, writing)
//     and should call token.throwIfCancelled() at its fixed points; it hands the token to the
//     engine so that cancel() reaches a running recognition;
//   - done(result) then runs on the GUI thread, posted to the model (never inside the operation
//     that started the flow, never after the model is gone); it ends through complete(), fail()
//     or its own end;
//   - the flow's token is the current task: cancel() cancels it. A flow that ends cancelled (a
//     Cancelled exception, or the token cancelled by the time done would run) ends silently with
//     busy cleared and nothing else changed; any other exception from work or done goes to fail();
//   - reportProgress(token, fraction) may be called from work: the value reaches `progress` on
//     the GUI thread unless the flow was cancelled meanwhile.
// The GUI thread never waits for a flow; a flow that wants another ending on cancellation passes
// it as the optional third argument of startFlow.
class AppModel final : public QObject
{
    Q_OBJECT
public:
    static inline const QString sourceScreen = QStringLiteral(QT_TR_NOOP("Screen"));
    static inline const QString sourceMultipleRegions = QStringLiteral(QT_TR_NOOP("Multiple regions"));
    static inline const QString sourceFullScreen = QStringLiteral(QT_TR_NOOP("Full screen"));
    static inline const QString sourceImage = QStringLiteral(QT_TR_NOOP("Image"));
    static inline const QString sourceClipboardImage = QStringLiteral(QT_TR_NOOP("Clipboard image"));
    static inline const QString sourcePDF = QStringLiteral("PDF");

    static inline const QString copiedToast = QStringLiteral(QT_TR_NOOP("Text copied to clipboard"));
    static inline const QString recognizedToast = QStringLiteral(QT_TR_NOOP("Text recognized"));
    static inline const QString completeSound = QStringLiteral("complete");
    static inline const QString exportedToast = QStringLiteral(QT_TR_NOOP("Searchable PDF exported"));
    static inline const QString noClipboardImageMessage =
        QStringLiteral(QT_TR_NOOP("The clipboard does not contain a supported image."));
    static inline const QString pdfCancelledMessage = QStringLiteral(QT_TR_NOOP("PDF processing cancelled."));

    // The history lives in historyDirectory (HistoryStore::defaultDirectory() for the real
    // application). The start-up retention cleanup runs here.
    AppModel(UserDefaults& defaults,
             const QString& historyDirectory,
             OCREngine& engine,
             CaptureSource& capture,
             SoundPlayer& sound,
             QObject* parent = nullptr);
    ~AppModel() override;

    Preferences& preferences() const { return *m_preferences; }
    HistoryStore& history() const { return *m_history; }
    OCREngine& engine() const { return m_engine; }

    const QString& text() const { return m_text; }
    void setText(const QString& text);
    const QImage& image() const { return m_image; }
    const std::optional<Recognition>& recognition() const { return m_recognition; }
    const QUrl& pdfURL() const { return m_pdfURL; }
    const QList<PDFPageResult>& pdfPages() const { return m_pdfPages; }
    int pageStart() const { return m_pageStart; }
    void setPageStart(int page);
    int pageEnd() const { return m_pageEnd; }
    void setPageEnd(int page);
    int pageCount() const { return m_pageCount; }
    bool busy() const { return m_busy; }
    double progress() const { return m_progress; }
    const std::optional<QString>& message() const { return m_message; }
    const std::optional<QUuid>& selectedHistory() const { return m_selectedHistory; }
    const QString& source() const { return m_source; }

    // Installed by the shell; each use checks that it is set.
    std::function<void()> openWorkspace;
    std::function<void()> openSettings;
    std::function<void()> openHistory;
    std::function<void(const QString&)> toast;
    // Open and save panels: they return at once and later call `chosen` on the GUI thread with the
    // location, or with an empty QUrl when the user cancelled.
    std::function<void(bool pdf, std::function<void(const QUrl&)> chosen)> chooseOpenFile;
    std::function<void(
        const QString& suggestedName, const QString& format, std::function<void(const QUrl&)> chosen)>
        chooseSaveFile;

    // Recognises the images one after another and ends in complete() or fail(). Returns at once;
    // ignored while busy or without images.
    void processImages(const QList<QImage>& images, const QString& source);
    // The common success step: clipboard, history, sound, toast, workspace.
    void complete(float confidence, const QImage& image);
    // The common failure step: busy cleared, the message shown in the workspace.
    void fail(const Error& error);
    void copy();
    void retry();
    void open(const HistoryEntry& entry);
    void cancel();
    QString transformed(const QString& text) const;

    // Capture: the kind that the defaultMode preference names, or the given kind (full wins).
    void captureDefault();
    void capture(bool multiple = false, bool full = false);

    // Documents: choose a PDF or an image file and load it; load an image (recognised at once)
    // or a PDF (its page range prepared); recognise the clipboard's image; recognise the chosen
    // page range; export the result as "pdf", "md" or plain text to a place the user chooses.
    void importFile(bool pdf);
    void load(const QUrl& location);
    void pasteImage();
    void processPDF();
    void exportResult(const QString& format);

Q_SIGNALS:
    void textChanged();
    void imageChanged();
    void recognitionChanged();
    void pdfURLChanged();
    void pdfPagesChanged();
    void pageStartChanged();
    void pageEndChanged();
    void pageCountChanged();
    void busyChanged();
    void progressChanged();
    void messageChanged();
    void selectedHistoryChanged();
    void sourceChanged();

private:
    template <typename Result> struct Outcome
    {
        std::optional<Result> value;
        std::exception_ptr error;
    };

    template <typename Work, typename Done>
    void startFlow(Work work, Done done, std::function<void()> cancelled = {});
    void reportProgress(const CancelToken& token, double fraction);
    void endFlow(std::exception_ptr error, const std::function<void()>& cancelled);
    void endCapture(QFuture<QList<QImage>> future, const CancelToken& token, const QString& source);
    struct Recognised
    {
        QList<Recognition> results;
        std::optional<QByteArray> png; // the one image, encoded for the history
    };
    void finishRecognition(const Recognised& recognised, int imageCount);
    void completeWith(float confidence, const QImage& image, const std::optional<QByteArray>& png);
    void call(const std::function<void()>& callback) const;
    void exportSearchable(const QUrl& destination);
    void writeText(const QUrl& destination);

    void setImage(const QImage& image);
    void setRecognition(const std::optional<Recognition>& recognition);
    void setPdfURL(const QUrl& url);
    void setPdfPages(const QList<PDFPageResult>& pages);
    void setPageCount(int count);
    void setBusy(bool busy);
    void setProgress(double progress);
    void setMessage(const std::optional<QString>& message);
    void setSelectedHistory(const std::optional<QUuid>& id);
    void setSource(const QString& source);

    OCREngine& m_engine;
    CaptureSource& m_capture;
    SoundPlayer& m_sound;
    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<HistoryStore> m_history;

    QString m_text;
    QImage m_image;
    std::optional<Recognition> m_recognition;
    QUrl m_pdfURL;
    QList<PDFPageResult> m_pdfPages;
    int m_pageStart = 1;
    int m_pageEnd = 1;
    int m_pageCount = 0;
    bool m_busy = false;
    double m_progress = 0.0;
    std::optional<QString> m_message;
    std::optional<QUuid> m_selectedHistory;
    QString m_source = sourceScreen;

    std::optional<CancelToken> m_task;
    // A capture whose images have not come back: waiting for them holds busy, an open overlay
    // does not; either refuses another capture.
    enum class Capturing { No, Waiting, Open };
    Capturing m_capturing = Capturing::No;
    QThreadPool m_pool; // last member: destroyed first, after the running flow was cancelled
};

template <typename Work, typename Done>
void AppModel::startFlow(Work work, Done done, std::function<void()> cancelled)
{
    using Result = std::invoke_result_t<Work&, const CancelToken&>;
    static_assert(!std::is_void_v<Result>, "a flow's work returns its result");
    const CancelToken token;
    m_task = token;
    // The ending is posted, never called: a continuation attached with then() runs at once, inside
    // the operation that started the flow, when the work has already finished by then. Posted
    // events for the model are dropped when it goes, and its destructor waits for the pool.
    m_pool.start([this, work = std::move(work), done = std::move(done), cancelled = std::move(cancelled),
                  token]() mutable {
        Outcome<Result> outcome;
        try {
            token.throwIfCancelled();
            outcome.value.emplace(work(token));
        } catch (...) {
            outcome.error = std::current_exception();
        }
        QMetaObject::invokeMethod(
            this,
            [this, token, done = std::move(done), cancelled = std::move(cancelled),
             outcome = std::move(outcome)]() mutable {
                try {
                    if (outcome.error)
                        std::rethrow_exception(outcome.error);
                    token.throwIfCancelled();
                    done(std::move(*outcome.value));
                } catch (...) {
                    endFlow(std::current_exception(), cancelled);
                }
            },
            Qt::QueuedConnection);
    });
}

} // namespace vellumix
