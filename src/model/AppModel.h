// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Errors.h"
#include "core/Records.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>

namespace vellumix {

class CaptureFlow;
class ClipboardWriter;
class CaptureSource;
class Documents;
class FlowRunner;
class HistoryStore;
class OCREngine;
class Preferences;
class SoundPlayer;
class UserDefaults;
struct HistoryEntry;

enum class CaptureKind { Region, Regions, FullScreen };
enum class ImportKind { Image, PDF };
enum class ExportFormat { PlainText, Markdown, PDF };
// Where a result came from; stored in the history by its label.
enum class Source { Screen, MultipleRegions, FullScreen, Image, ClipboardImage, PDF };

// The one model object: owns the preferences and the history, holds the current result and runs
// every flow through its flow runner (FlowRunner.h); the capture flow and the documents are inner
// parts with the same access. Each published member has a getter and a <name>Changed() signal
// emitted on every assignment. Everything here lives on the GUI thread, which never waits for a
// flow.
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

    static QString label(Source source);
    static QString suffix(ExportFormat format);

    // The history lives in historyDirectory (HistoryStore::defaultDirectory() for the real
    // application). The start-up retention cleanup runs here.
    AppModel(UserDefaults& defaults,
             const QString& historyDirectory,
             OCREngine& engine,
             CaptureSource& capture,
             SoundPlayer& sound,
             QObject* parent = nullptr);
    ~AppModel() override;

    // Where recognised text goes instead of Qt's clipboard (see ClipboardWriter); null for Qt's.
    void setClipboard(ClipboardWriter* clipboard) { m_clipboard = clipboard; }

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
    // Whether capture() would start one now.
    bool canCapture() const;
    double progress() const { return m_progress; }
    const std::optional<QString>& message() const { return m_message; }
    const std::optional<QUuid>& selectedHistory() const { return m_selectedHistory; }
    const QString& source() const { return m_source; }
    // Written by the workspace: dismissing the banner, choosing a history row.
    void setMessage(const std::optional<QString>& message);
    void setSelectedHistory(const std::optional<QUuid>& id);

    // Why a searchable export was refused: nothing recognised yet to place over the pages.
    static QString unrecognizedExportMessage();

    // Open and save panels, installed by the shell: they return at once and later call `chosen` on
    // the GUI thread with the location, or with an empty QUrl when the user cancelled.
    std::function<void(ImportKind kind, std::function<void(const QUrl&)> chosen)> chooseOpenFile;
    std::function<void(
        const QString& suggestedName, ExportFormat format, std::function<void(const QUrl&)> chosen)>
        chooseSaveFile;

    // Recognises the images one after another and ends in complete() or fail(). Returns at once;
    // ignored while busy or without images.
    void processImages(const QList<QImage>& images, Source source);
    // The common success step: clipboard, history, sound, toast, workspace.
    void complete(float confidence, const QImage& image);
    // The common failure step: busy cleared, the message shown in the workspace.
    void fail(const Error& error);
    void copy();
    void retry();
    void open(const HistoryEntry& entry);
    void cancel();
    QString transformed(const QString& text) const;

    // Capture: the kind that the defaultMode preference names, or the given kind. False when
    // refused: while busy, or while a capture is still under way.
    bool captureDefault();
    bool capture(CaptureKind kind);

    // Documents: choose a PDF or an image file and load it; load an image (recognised at once)
    // or a PDF (its page range prepared); recognise the clipboard's image; recognise the chosen
    // page range; export the result to a place the user chooses.
    void importFile(ImportKind kind);
    void load(const QUrl& location);
    void pasteImage();
    void processPDF();
    void exportResult(ExportFormat format);

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

    // What the model asks of the shell.
    void openWorkspace();
    void openSettings();
    void openHistory();
    void toast(const QString& message);

private:
    // Whether the text reached the clipboard; blank text is not copied.
    bool copyText();
    friend class CaptureFlow;
    friend class Documents;

    struct Recognised
    {
        QList<Recognition> results;
        std::optional<QByteArray> png; // the one image, encoded for the history
    };
    // The label as stored, which an opened history entry may carry from an older version.
    void processImages(const QList<QImage>& images, const QString& source);
    void endFlow(std::exception_ptr error, const std::function<void()>& cancelled);
    void finishRecognition(const Recognised& recognised, int imageCount);
    void completeWith(float confidence,
                      const QImage& image,
                      const std::optional<QByteArray>& png,
                      const QString& readWith = {});

    void setImage(const QImage& image);
    void setRecognition(const std::optional<Recognition>& recognition);
    void setPdfURL(const QUrl& url);
    void setPdfPages(const QList<PDFPageResult>& pages);
    void setPageCount(int count);
    void setBusy(bool busy);
    void setProgress(double progress);
    void setSource(const QString& source);

    OCREngine& m_engine;
    SoundPlayer& m_sound;
    ClipboardWriter* m_clipboard = nullptr;
    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<HistoryStore> m_history;

    QString m_text;
    QImage m_image;
    quint64 m_imageTicket = 0; // changes with every image shown, so a late decode is dropped
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

    std::unique_ptr<CaptureFlow> m_captureFlow;
    std::unique_ptr<Documents> m_documents;
    std::unique_ptr<FlowRunner> m_flows; // last: destroyed first, after the running flow was cancelled
};

} // namespace vellumix
