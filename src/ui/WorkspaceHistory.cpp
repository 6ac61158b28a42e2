// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WorkspaceHistory.h"

#include "model/HistoryStore.h"

#include <QApplication>
#include <QFutureWatcher>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace vellumix {

HistoryListModel::HistoryListModel(const HistoryStore& store, QObject* parent)
    : QAbstractListModel(parent), m_store(store)
{
    const auto reset = [this] {
        beginResetModel();
        m_folded = QList<bool>(m_store.entries().size(), false);
        m_foldedText = QList<QString>(m_store.entries().size());
        m_foldedTitle = QList<QString>(m_store.entries().size());
        endResetModel();
        foldInBackground();
    };
    connect(&store, &HistoryStore::entriesChanged, this, reset);
    reset();
}

int HistoryListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_store.entries().size());
}

const HistoryEntry* HistoryListModel::entry(int row) const
{
    const QList<HistoryEntry>& entries = m_store.entries();
    return row >= 0 && row < entries.size() ? &entries.at(row) : nullptr;
}

int HistoryListModel::rowOf(const QUuid& id) const
{
    const QList<HistoryEntry>& entries = m_store.entries();
    for (qsizetype row = 0; row < entries.size(); ++row) {
        if (entries.at(row).id == id)
            return int(row);
    }
    return -1;
}

// Upper-casing a full history takes longer than a frame, so it is done off the GUI thread as
// soon as the entries change; a search typed before it ends folds the rows it needs itself.
void HistoryListModel::foldInBackground()
{
    const int generation = ++m_generation;
    QStringList texts;
    QStringList titles;
    for (const HistoryEntry& entry : m_store.entries()) {
        texts.append(entry.text);
        titles.append(entry.title);
    }
    auto* watcher = new QFutureWatcher<std::pair<QStringList, QStringList>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        if (generation != m_generation || watcher->future().resultCount() == 0)
            return;
        const auto& [upperTexts, upperTitles] = watcher->future().result();
        for (qsizetype row = 0; row < m_folded.size() && row < upperTexts.size(); ++row) {
            if (m_folded.at(row))
                continue;
            m_foldedText[row] = upperTexts.at(row);
            m_foldedTitle[row] = upperTitles.at(row);
            m_folded[row] = true;
        }
    });
    watcher->setFuture(QtConcurrent::run([texts, titles, locale = QLocale()] {
        std::pair<QStringList, QStringList> folded;
        for (const QString& text : texts)
            folded.first.append(locale.toUpper(text));
        for (const QString& title : titles)
            folded.second.append(locale.toUpper(title));
        return folded;
    }));
}

QVariant HistoryListModel::data(const QModelIndex& index, int role) const
{
    const HistoryEntry* found = entry(index.row());
    if (!found || index.parent().isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return found->title;
    case Qt::AccessibleTextRole:
        return QString(found->title + u", " + data(index, DetailRole).toString());
    case IdRole:
        return found->id;
    case TextRole:
        return found->text;
    case DetailRole:
        return QString(
            found->source + u" · " +
            QLocale().toString(found->createdDateTime().toLocalTime().date(), QLocale::ShortFormat));
    default:
        return {};
    }
}

void HistoryListModel::fold(int row, const QLocale& locale) const
{
    if (m_folded.value(row, true))
        return;
    const HistoryEntry& found = m_store.entries().at(row);
    m_foldedText[row] = locale.toUpper(found.text);
    m_foldedTitle[row] = locale.toUpper(found.title);
    m_folded[row] = true;
}

const QString& HistoryListModel::foldedText(int row, const QLocale& locale) const
{
    fold(row, locale);
    return m_foldedText.at(row);
}

const QString& HistoryListModel::foldedTitle(int row, const QLocale& locale) const
{
    fold(row, locale);
    return m_foldedTitle.at(row);
}

HistoryFilter::HistoryFilter(HistoryListModel& source, QObject* parent)
    : QSortFilterProxyModel(parent), m_source(source)
{
    setSourceModel(&source);
}

void HistoryFilter::setQuery(const QString& query)
{
    if (query == m_query)
        return;
    m_query = query;
    m_folded = m_locale.toUpper(query);
    // One layout change instead of a signal per inserted or removed range: with matches
    // scattered over the history the view would otherwise lay itself out hundreds of times.
    invalidate();
}

// The same rule as HistoryStore::matches, over the folded forms the list model keeps.
bool HistoryFilter::filterAcceptsRow(int row, const QModelIndex&) const
{
    if (m_query.isEmpty())
        return true;
    return m_source.foldedText(row, m_locale).contains(m_folded, Qt::CaseInsensitive) ||
           m_source.foldedTitle(row, m_locale).contains(m_folded, Qt::CaseInsensitive);
}

namespace {

constexpr int padding = 8;
constexpr int titleLines = 2;

} // namespace

QFont HistoryRowDelegate::titleFont(const QFont& base)
{
    QFont font = base;
    font.setPointSize(13);
    font.setWeight(QFont::Medium);
    return font;
}

QFont HistoryRowDelegate::detailFont(const QFont& base)
{
    QFont font = base;
    font.setPointSizeF(qMax(7.0, base.pointSizeF() - 1.5));
    return font;
}

void HistoryRowDelegate::paint(QPainter* painter,
                               const QStyleOptionViewItem& option,
                               const QModelIndex& index) const
{
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, option.widget);

    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group =
        option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
    const QColor text = option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    QColor secondary = text;
    secondary.setAlphaF(0.65f);
    const QRect area = option.rect.adjusted(padding, padding / 2, -padding, -padding / 2);

    painter->save();
    const QFont title = titleFont(option.font);
    const QFontMetrics titleMetrics(title);
    painter->setFont(title);
    painter->setPen(text);
    // The title wraps at words and is cut with an ellipsis on its last line.
    QTextLayout layout(index.data(Qt::DisplayRole).toString(), title);
    QTextOption wrapping;
    wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(wrapping);
    layout.beginLayout();
    int y = area.top();
    for (int line = 0; line < titleLines; ++line) {
        QTextLine textLine = layout.createLine();
        if (!textLine.isValid())
            break;
        textLine.setLineWidth(area.width());
        const QString part = layout.text().mid(textLine.textStart(), textLine.textLength());
        const bool last =
            line == titleLines - 1 && textLine.textStart() + textLine.textLength() < layout.text().size();
        const QString shown = last ? titleMetrics.elidedText(layout.text().mid(textLine.textStart()),
                                                             Qt::ElideRight, area.width())
                                   : part;
        painter->drawText(QRect(area.left(), y, area.width(), titleMetrics.height()),
                          Qt::AlignLeft | Qt::AlignVCenter, shown.trimmed());
        y += titleMetrics.height();
    }
    layout.endLayout();

    const QFont detail = detailFont(option.font);
    painter->setFont(detail);
    painter->setPen(secondary);
    const QFontMetrics detailMetrics(detail);
    painter->drawText(QRect(area.left(), y + 2, area.width(), detailMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      detailMetrics.elidedText(index.data(HistoryListModel::DetailRole).toString(),
                                               Qt::ElideRight, area.width()));
    painter->restore();
}

// Every row has room for two title lines, so the list can treat its rows as uniform.
QSize HistoryRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    const QFontMetrics titleMetrics(titleFont(option.font));
    const QFontMetrics detailMetrics(detailFont(option.font));
    return {200, titleLines * titleMetrics.height() + detailMetrics.height() + 2 + padding};
}

} // namespace vellumix
