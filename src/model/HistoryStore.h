// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/HistoryEntry.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QLocale>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

class QImage;

namespace vellumix {

// The local history: history.json plus one PNG per kept image, in one owner-only folder.
// Every operation runs synchronously on the GUI thread, throws nothing and ends with one rewrite
// of history.json; failures are kept in storageError().
class HistoryStore final : public QObject
{
    Q_OBJECT
public:
    static constexpr int maximumEntries = 500;
    static constexpr std::int64_t imageBudget = 200LL * 1024 * 1024;
    static inline const QString fileName = QStringLiteral("history.json");
    static inline const QString loadPrefix = QStringLiteral(QT_TR_NOOP("History could not be loaded: "));

    // Seconds since 2001-01-01 UTC; replaceable so that tests can place entries in time.
    using Clock = std::function<double()>;

    // $XDG_DATA_HOME/Vellumix, or an empty string when the platform reports no data folder.
    static QString defaultDirectory();

    explicit HistoryStore(const QString& directory, QObject* parent = nullptr);
    HistoryStore(const QString& directory, Clock clock, QObject* parent = nullptr);

    const QList<HistoryEntry>& entries() const { return m_entries; }
    const std::optional<QString>& storageError() const { return m_storageError; }
    const QString& directory() const { return m_directory; }
    QString imagePath(const HistoryEntry& entry) const;

    void add(const QString& text,
             const QString& source,
             const QString& language,
             float confidence,
             const QImage& image,
             bool retain,
             int days);
    // The same with the image already encoded by encodeImage(), which may run on any thread:
    // encoding a large image takes far longer than a frame.
    void addEncoded(const QString& text,
                    const QString& source,
                    const QString& language,
                    float confidence,
                    const QByteArray& png,
                    bool retain,
                    int days);
    // PNG data of the image as it is kept; empty for a null image or when encoding fails.
    static QByteArray encodeImage(const QImage& image);
    void cleanup(int days);
    void purgeImages();
    void deleteEntry(const QUuid& id);
    void clear();
    void update(const QUuid& id, const std::optional<QString>& title, const std::optional<QString>& text);

    // Entries whose text or title contains the query, ignoring case under the given locale; all
    // entries for an empty query. List order is kept.
    QList<HistoryEntry> search(const QString& query, const QLocale& locale = QLocale()) const;
    static bool matches(const HistoryEntry& entry, const QString& query, const QLocale& locale);

    // The first 60 user-perceived characters with line feeds turned into spaces.
    static QString titleFor(const QString& text);

Q_SIGNALS:
    void entriesChanged();
    void storageErrorChanged();

private:
    void load();
    void keepUnreadableFile(const QString& description);
    void persist();
    std::int64_t imageSize(const HistoryEntry& entry) const;
    void removeImage(const HistoryEntry& entry) const;
    void setEntries(QList<HistoryEntry> entries);
    void setStorageError(const QString& message);

    QString m_directory;
    Clock m_clock;
    QList<HistoryEntry> m_entries;
    std::optional<QString> m_storageError;
    struct Encoded
    {
        HistoryEntry entry;
        QByteArray json;
    };
    QHash<QUuid, Encoded> m_encoded;
    qsizetype m_encodedSize = 0;
    // Set when an unreadable history.json could not be moved aside: it must not be overwritten.
    bool m_writesBlocked = false;
};

} // namespace vellumix
