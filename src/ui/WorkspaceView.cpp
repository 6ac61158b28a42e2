// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WorkspaceView.h"

#include "model/AppModel.h"
#include "model/ClipboardService.h"
#include "model/HistoryStore.h"
#include "ui/WorkspaceDetail.h"
#include "ui/WorkspaceHistory.h"
#include "ui/WorkspaceSymbols.h"

#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace vellumix {

namespace {

// The first dropped item when it is a local file; other items and other schemes are ignored.
QUrl droppedFile(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().isEmpty())
        return {};
    const QUrl first = data->urls().first();
    return first.isLocalFile() && !first.toLocalFile().isEmpty() ? first : QUrl();
}

QLabel* small(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

} // namespace

WorkspaceView::WorkspaceView(AppModel& model, HistoryStore& history, QWidget* parent)
    : QWidget(parent), m_model(model), m_history(history)
{
    setMinimumSize(minimumContent);
    setAcceptDrops(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_split = new QSplitter(Qt::Horizontal, this);
    m_split->setChildrenCollapsible(false);
    m_split->addWidget(buildSidebar());
    m_detail = new WorkspaceDetail(model, history, m_split);
    m_split->addWidget(m_detail);
    m_split->setStretchFactor(0, 0);
    m_split->setStretchFactor(1, 1);
    m_split->setSizes({260, 860});
    layout->addWidget(m_split);

    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, m_detail, &WorkspaceDetail::focusFind);
    auto* close = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this);
    connect(close, &QShortcut::activated, this, [this] { window()->close(); });

    // Children that take drops of their own (the editor, the search fields) would otherwise
    // keep dropped files from the window.
    for (QWidget* child : findChildren<QWidget*>()) {
        if (child->acceptDrops())
            child->installEventFilter(this);
    }

    setTabOrder(m_capture, m_search);
    setTabOrder(m_search, m_list);
    setTabOrder(m_list, m_clear);
}

QWidget* WorkspaceView::buildSidebar()
{
    auto* sidebar = new QWidget(this);
    sidebar->setMinimumWidth(220);
    auto* column = new QVBoxLayout(sidebar);
    column->setContentsMargins(16, 16, 16, 12);

    auto* titleRow = new QHBoxLayout;
    auto* icon = new QLabel(sidebar);
    icon->setPixmap(workspaceSymbol(QStringLiteral("text.viewfinder")).pixmap(22, 22));
    titleRow->addWidget(icon);
    auto* title = new QLabel(QStringLiteral("Vellumix"), sidebar);
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.35);
    big.setWeight(QFont::Bold);
    title->setFont(big);
    titleRow->addWidget(title, 1);
    column->addLayout(titleRow);

    m_capture = new QPushButton(workspaceSymbol(QStringLiteral("viewfinder")), tr("Capture Text"), sidebar);
    m_capture->setAccessibleName(tr("Capture Text"));
    m_capture->setDefault(true);
    m_capture->setMinimumHeight(32);
    column->addWidget(m_capture);
    connect(m_capture, &QPushButton::clicked, &m_model, &AppModel::captureDefault);

    auto* heading = new QHBoxLayout;
    auto* historyLabel = small(tr("HISTORY"), sidebar);
    QFont semibold = historyLabel->font();
    semibold.setWeight(QFont::DemiBold);
    historyLabel->setFont(semibold);
    heading->addWidget(historyLabel, 1);
    m_count = small(QString(), sidebar);
    m_count->setAccessibleName(tr("Number of entries"));
    heading->addWidget(m_count);
    column->addLayout(heading);

    m_search = new QLineEdit(sidebar);
    m_search->setPlaceholderText(tr("Search history"));
    m_search->setAccessibleName(tr("Search history"));
    m_search->setClearButtonEnabled(true);
    column->addWidget(m_search);

    m_rows = new HistoryListModel(m_history, this);
    m_filter = new HistoryFilter(*m_rows, this);
    m_list = new QListView(sidebar);
    m_list->setModel(m_filter);
    m_list->setItemDelegate(new HistoryRowDelegate(m_list));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setUniformItemSizes(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->setAccessibleName(tr("History"));
    column->addWidget(m_list, 1);

    m_storageError = new QLabel(sidebar);
    m_storageError->setWordWrap(true);
    m_storageError->setTextFormat(Qt::PlainText);
    QFont errorFont = m_storageError->font();
    errorFont.setPointSizeF(errorFont.pointSizeF() * 0.85);
    m_storageError->setFont(errorFont);
    QPalette red = m_storageError->palette();
    red.setColor(QPalette::WindowText, QColor(0xd9, 0x30, 0x25));
    m_storageError->setPalette(red);
    column->addWidget(m_storageError);

    auto* footer = new QHBoxLayout;
    auto* lock = new QLabel(sidebar);
    lock->setPixmap(workspaceSymbol(QStringLiteral("lock.shield")).pixmap(14, 14));
    footer->addWidget(lock);
    footer->addWidget(small(tr("On-device OCR"), sidebar), 1);
    m_clear = new QToolButton(sidebar);
    m_clear->setIcon(workspaceSymbol(QStringLiteral("trash")));
    m_clear->setAutoRaise(true);
    m_clear->setToolTip(tr("Clear all history"));
    m_clear->setAccessibleName(tr("Clear all history"));
    footer->addWidget(m_clear);
    column->addLayout(footer);

    connect(m_search, &QLineEdit::textChanged, m_filter, &HistoryFilter::setQuery);
    connect(m_clear, &QToolButton::clicked, this, &WorkspaceView::confirmClear);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &WorkspaceView::chooseRow);
    connect(m_list, &QListView::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex index = m_list->indexAt(at);
        if (index.isValid())
            rowMenu(index.data(HistoryListModel::IdRole).toUuid())
                ->popup(m_list->viewport()->mapToGlobal(at));
    });
    auto* remove = new QShortcut(QKeySequence::Delete, m_list, nullptr, nullptr, Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, [this] {
        const QModelIndex index = m_list->currentIndex();
        if (index.isValid() && m_list->selectionModel()->isSelected(index))
            confirmDelete(index.data(HistoryListModel::IdRole).toUuid());
    });
    // Rows come and go with the store and the search; the model's selection stays shown.
    const auto refresh = [this] {
        selectCurrent();
        showCount();
    };
    connect(m_filter, &QAbstractItemModel::modelReset, this, refresh);
    connect(m_filter, &QAbstractItemModel::layoutChanged, this, refresh);
    connect(m_filter, &QAbstractItemModel::rowsInserted, this, [this] {
        selectCurrent();
        showCount();
    });
    connect(m_filter, &QAbstractItemModel::rowsRemoved, this, [this] { showCount(); });
    connect(&m_model, &AppModel::selectedHistoryChanged, this, &WorkspaceView::selectCurrent);
    connect(&m_history, &HistoryStore::storageErrorChanged, this, &WorkspaceView::showStorageError);
    selectCurrent();
    showCount();
    showStorageError();
    return sidebar;
}

void WorkspaceView::showCount()
{
    m_count->setText(QString::number(m_filter->rowCount()));
}

void WorkspaceView::showStorageError()
{
    const std::optional<QString>& error = m_history.storageError();
    m_storageError->setText(error.value_or(QString()));
    m_storageError->setVisible(error.has_value());
}

void WorkspaceView::selectCurrent()
{
    const std::optional<QUuid>& id = m_model.selectedHistory();
    const int row = id ? m_rows->rowOf(*id) : -1;
    const QModelIndex index = row < 0 ? QModelIndex() : m_filter->mapFromSource(m_rows->index(row));
    m_selecting = true;
    if (index.isValid()) {
        m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        m_list->scrollTo(index);
    } else {
        m_list->selectionModel()->clearSelection();
    }
    m_selecting = false;
}

// Choosing a row shows its entry, unless it is what the result already holds (the entry just
// recorded, for one): then it only becomes the selected entry, edits and all.
void WorkspaceView::chooseRow()
{
    if (m_selecting)
        return;
    const QModelIndexList chosen = m_list->selectionModel()->selectedIndexes();
    if (chosen.isEmpty())
        return; // a row hidden by the search leaves the result where it is
    const int row = m_rows->rowOf(chosen.first().data(HistoryListModel::IdRole).toUuid());
    const HistoryEntry* entry = m_rows->entry(row);
    if (!entry || m_model.selectedHistory() == entry->id)
        return;
    if (entry->text != m_model.text())
        m_model.open(HistoryEntry(*entry));
    else
        m_model.setSelectedHistory(entry->id);
}

QMenu* WorkspaceView::rowMenu(const QUuid& id)
{
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const auto find = [this](const QUuid& wanted) { return m_rows->entry(m_rows->rowOf(wanted)); };
    menu->addAction(tr("Copy Text"), this, [find, id] {
        if (const HistoryEntry* entry = find(id))
            ClipboardService::copy(entry->text);
    });
    menu->addAction(tr("Export Text…"), this, [this, find, id] {
        if (const HistoryEntry* entry = find(id)) {
            m_model.open(HistoryEntry(*entry));
            m_model.exportResult(ExportFormat::PlainText);
        }
    });
    menu->addAction(tr("Rename…"), this, [this, id] { rename(id); });
    menu->addAction(tr("Delete"), this, [this, id] { m_history.deleteEntry(id); });
    return menu;
}

void WorkspaceView::rename(const QUuid& id)
{
    const HistoryEntry* entry = m_rows->entry(m_rows->rowOf(id));
    if (!entry)
        return;
    delete m_rename;
    auto* dialog = new QDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(tr("Rename entry"));
    dialog->setWindowModality(Qt::WindowModal);
    auto* form = new QFormLayout(dialog);
    auto* name = new QLineEdit(entry->title, dialog);
    name->setAccessibleName(tr("Name"));
    name->setMinimumWidth(280);
    form->addRow(tr("Name"), name);
    auto* buttons = new QDialogButtonBox(dialog);
    buttons->addButton(tr("Save"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    // Stored as typed, an empty name included.
    connect(dialog, &QDialog::accepted, this,
            [this, id, name] { m_history.update(id, name->text(), std::nullopt); });
    m_rename = dialog;
    dialog->open();
    name->selectAll();
    name->setFocus();
}

void WorkspaceView::ask(const QString& title,
                        const QString& text,
                        const QString& action,
                        std::function<void()> confirmed)
{
    delete m_confirm;
    auto* box = new QMessageBox(QMessageBox::Warning, title, title, QMessageBox::NoButton, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setInformativeText(text);
    QPushButton* yes = box->addButton(action, QMessageBox::DestructiveRole);
    box->setDefaultButton(box->addButton(tr("Cancel"), QMessageBox::RejectRole));
    connect(box, &QMessageBox::buttonClicked, this,
            [yes, confirmed = std::move(confirmed)](QAbstractButton* clicked) {
                if (clicked == yes)
                    confirmed();
            });
    m_confirm = box;
    box->open();
}

void WorkspaceView::confirmClear()
{
    ask(tr("Delete all OCR history?"),
        tr("This removes stored text and retained screenshots from this computer."), tr("Delete All"),
        [this] { m_history.clear(); });
}

void WorkspaceView::confirmDelete(const QUuid& id)
{
    const HistoryEntry* entry = m_rows->entry(m_rows->rowOf(id));
    if (!entry)
        return;
    ask(tr("Delete this entry?"), entry->title, tr("Delete"), [this, id] { m_history.deleteEntry(id); });
}

void WorkspaceView::paste()
{
    const QMimeData* held = QGuiApplication::clipboard()->mimeData();
    if (held && held->hasImage())
        m_model.pasteImage();
}

bool WorkspaceView::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (droppedFile(drop->mimeData()).isEmpty())
            break;
        if (event->type() == QEvent::Drop)
            dropEvent(drop);
        else
            drop->acceptProposedAction();
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void WorkspaceView::dragEnterEvent(QDragEnterEvent* event)
{
    if (droppedFile(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void WorkspaceView::dragMoveEvent(QDragMoveEvent* event)
{
    if (droppedFile(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void WorkspaceView::dropEvent(QDropEvent* event)
{
    const QUrl file = droppedFile(event->mimeData());
    if (file.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Loaded after the drop has ended, so the source application is not kept waiting.
    QTimer::singleShot(0, &m_model, [model = &m_model, file] { model->load(file); });
}

} // namespace vellumix
