// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPushButton;
class QSplitter;
class QToolButton;

namespace vellumix {

class AppModel;
class HistoryFilter;
class HistoryListModel;
class HistoryStore;
class WorkspaceDetail;

// The workspace window's content: the history sidebar beside the current result. It observes
// the model and the history store; what it keeps itself is what the user is typing or
// confirming (the search, a name being typed, an open confirmation).
class WorkspaceView final : public QWidget
{
    Q_OBJECT
public:
    static constexpr QSize minimumContent{880, 600};

    WorkspaceView(AppModel& model, HistoryStore& history, QWidget* parent = nullptr);

    WorkspaceDetail* detail() const { return m_detail; }
    QListView* list() const { return m_list; }
    QLineEdit* searchField() const { return m_search; }
    QLabel* count() const { return m_count; }
    QLabel* storageError() const { return m_storageError; }
    QPushButton* captureButton() const { return m_capture; }
    QToolButton* clearButton() const { return m_clear; }
    QDialog* renameDialog() const { return m_rename; }
    QMessageBox* confirmation() const { return m_confirm; }

    // The row menu of the entry, built on demand and deleted when closed.
    QMenu* rowMenu(const QUuid& id);
    void rename(const QUuid& id);
    void confirmDelete(const QUuid& id);
    void confirmClear();

public Q_SLOTS:
    // Edit › Paste when no text field has the focus: an image on the clipboard is recognised.
    void paste();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QWidget* buildSidebar();
    void selectCurrent();
    void chooseRow();
    void showCount();
    void showStorageError();
    void
    ask(const QString& title, const QString& text, const QString& action, std::function<void()> confirmed);

    AppModel& m_model;
    HistoryStore& m_history;
    HistoryListModel* m_rows = nullptr;
    HistoryFilter* m_filter = nullptr;
    QSplitter* m_split = nullptr;
    QListView* m_list = nullptr;
    QLineEdit* m_search = nullptr;
    QLabel* m_count = nullptr;
    QLabel* m_storageError = nullptr;
    QPushButton* m_capture = nullptr;
    QToolButton* m_clear = nullptr;
    WorkspaceDetail* m_detail = nullptr;
    QPointer<QDialog> m_rename;
    QPointer<QMessageBox> m_confirm;
    bool m_selecting = false;
};

} // namespace vellumix
