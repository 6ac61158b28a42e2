// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFrame>
#include <QWidget>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QSplitter;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;

namespace vellumix {

class AppModel;
class HistoryStore;
class PDFPreview;
class ResultEditor;

// The right side of the workspace: the current result with its source image or PDF, its codes
// and the actions on it. Everything shown is the model's; only the "Find in result" term is the
// pane's own.
class WorkspaceDetail final : public QWidget
{
    Q_OBJECT
public:
    WorkspaceDetail(AppModel& model, HistoryStore& history, QWidget* parent = nullptr);

    // User-perceived characters (grapheme clusters), as the header counts them.
    static int characterCount(const QString& text);
    // Literal, case-sensitive, non-overlapping occurrences, as the editor highlights them.
    static int matchCount(const QString& text, const QString& term);
    // The line under the actions: confidence, time and languages of a recognition.
    static QString statusText(float confidence, double seconds, const QString& languages);
    // Whether a code's value is a web address the desktop can open.
    static bool isWebAddress(const QString& value);

    void focusFind();

    QLabel* title() const { return m_title; }
    QLabel* subtitle() const { return m_subtitle; }
    QToolButton* importButton() const { return m_import; }
    QWidget* banner() const { return m_banner; }
    QLabel* bannerText() const { return m_message; }
    QToolButton* dismissButton() const { return m_dismiss; }
    QWidget* busyRow() const { return m_busyRow; }
    QProgressBar* progress() const { return m_progress; }
    QPushButton* cancelButton() const { return m_cancel; }
    QWidget* emptyState() const { return m_empty; }
    QPushButton* captureButton() const { return m_captureRegion; }
    QPushButton* openButton() const { return m_open; }
    QWidget* imageView() const { return m_image; }
    PDFPreview* preview() const { return m_preview; }
    QWidget* pageRow() const { return m_pageRow; }
    QSpinBox* firstPage() const { return m_first; }
    QSpinBox* lastPage() const { return m_last; }
    QLabel* pageCount() const { return m_of; }
    QPushButton* recognizeButton() const { return m_recognize; }
    QWidget* textPane() const { return m_textPane; }
    QWidget* codes() const { return m_codes; }
    QLabel* status() const { return m_status; }
    QPushButton* retryButton() const { return m_retry; }
    QToolButton* exportButton() const { return m_export; }
    QAction* exportAction(int format) const { return m_exports[format]; }
    QPushButton* copyButton() const { return m_copy; }
    QLineEdit* findField() const { return m_find; }
    QLabel* matches() const { return m_matches; }
    ResultEditor* editor() const { return m_editor; }
    QPushButton* preserveButton() const { return m_preserve; }
    QPushButton* cleanButton() const { return m_clean; }
    QPushButton* saveEditsButton() const { return m_saveEdits; }

private:
    QWidget* buildHeader();
    QWidget* buildBanner();
    QWidget* buildBusyRow();
    QWidget* buildEmptyState();
    QWidget* buildSource();
    QWidget* buildTextPane();
    QWidget* buildActions();
    void openDocument();
    void showText();
    void showState();
    void showSource();
    void showPages();
    void showCodes();
    void showMatches();

    AppModel& m_model;
    HistoryStore& m_history;

    QLabel* m_title = nullptr;
    QLabel* m_subtitle = nullptr;
    QToolButton* m_import = nullptr;
    QFrame* m_banner = nullptr;
    QLabel* m_message = nullptr;
    QToolButton* m_dismiss = nullptr;
    QWidget* m_busyRow = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cancel = nullptr;
    QStackedWidget* m_main = nullptr;
    QWidget* m_empty = nullptr;
    QPushButton* m_captureRegion = nullptr;
    QPushButton* m_open = nullptr;
    QSplitter* m_split = nullptr;
    QStackedWidget* m_source = nullptr;
    QWidget* m_image = nullptr;
    QWidget* m_pdf = nullptr;
    PDFPreview* m_preview = nullptr;
    QWidget* m_pageRow = nullptr;
    QSpinBox* m_first = nullptr;
    QSpinBox* m_last = nullptr;
    QLabel* m_of = nullptr;
    QPushButton* m_recognize = nullptr;
    QWidget* m_textPane = nullptr;
    QLabel* m_matches = nullptr;
    QLineEdit* m_find = nullptr;
    ResultEditor* m_editor = nullptr;
    QPushButton* m_preserve = nullptr;
    QPushButton* m_clean = nullptr;
    QPushButton* m_saveEdits = nullptr;
    QWidget* m_codes = nullptr;
    QVBoxLayout* m_codeRows = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_retry = nullptr;
    QToolButton* m_export = nullptr;
    QAction* m_exports[3] = {};
    QPushButton* m_copy = nullptr;
};

} // namespace vellumix
