// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractListModel>
#include <QLocale>
#include <QSortFilterProxyModel>
#include <QStyledItemDelegate>
#include <QUuid>

namespace vellumix {

class HistoryStore;
struct HistoryEntry;

// The store's entries as list rows, reset whenever the store publishes a change. The display
// role is the title; the other roles carry what the row, its menu and the search need.
class HistoryListModel final : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role { IdRole = Qt::UserRole + 1, DetailRole, TextRole };

    explicit HistoryListModel(const HistoryStore& store, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    const HistoryEntry* entry(int row) const;
    int rowOf(const QUuid& id) const;
    // Upper-cased text and title under the locale, kept until the next change of the store:
    // a search then compares each keystroke without converting every entry again.
    const QString& foldedText(int row, const QLocale& locale) const;
    const QString& foldedTitle(int row, const QLocale& locale) const;

private:
    void fold(int row, const QLocale& locale) const;
    void foldInBackground();

    const HistoryStore& m_store;
    int m_generation = 0;
    mutable QList<QString> m_foldedText;
    mutable QList<QString> m_foldedTitle;
    mutable QList<bool> m_folded;
};

// The rows whose text or title contains the query, ignoring case under the user's locale; the
// store's order is kept.
class HistoryFilter final : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit HistoryFilter(HistoryListModel& source, QObject* parent = nullptr);

    const QString& query() const { return m_query; }
    void setQuery(const QString& query);

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override;

private:
    HistoryListModel& m_source;
    QString m_query;
    QString m_folded;
    QLocale m_locale;
};

// A row: the title on up to two lines, beneath it the source and the creation date.
class HistoryRowDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void
    paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override;

    static QFont titleFont(const QFont& base);
    static QFont detailFont(const QFont& base);
};

} // namespace vellumix
