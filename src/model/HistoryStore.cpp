// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/HistoryStore.h"

#include "core/Errors.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>
#include <QTextBoundaryFinder>

#include <cmath>
#include <filesystem>
#include <system_error>

namespace vellumix {

namespace {

constexpr QFile::Permissions ownerOnlyFile = QFile::ReadOwner | QFile::WriteOwner;

double systemNow()
{
    return HistoryEntry::secondsSinceReference(QDateTime::currentDateTimeUtc());
}

// Writes data through a temporary file that replaces the target only when complete. The
// temporary file already carries the final permissions, so the data is never readable by others.
std::optional<QString>
writeAtomically(const QString& path, const QByteArray& data, std::optional<QFile::Permissions> permissions)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (permissions && !file.setPermissions(*permissions)) {
        file.cancelWriting();
        return file.errorString();
    }
    if (file.write(data) != data.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

QList<HistoryEntry> decode(const QByteArray& data)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        throw PlatformError(QCoreApplication::translate("vellumix::HistoryStore", "%1 at offset %2.")
                                .arg(parseError.errorString())
                                .arg(parseError.offset));
    if (!document.isArray())
        throw PlatformError(QCoreApplication::translate("vellumix::HistoryStore",
                                                        "The file does not hold a list of entries."));
    const QJsonArray array = document.array();
    QList<HistoryEntry> entries;
    entries.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        if (!array.at(i).isObject())
            throw PlatformError(
                QCoreApplication::translate("vellumix::HistoryStore", "Entry %1 is not an object.")
                    .arg(i + 1));
        try {
            entries.append(HistoryEntry::fromJson(array.at(i).toObject()));
        } catch (const Error& error) {
            throw PlatformError(QCoreApplication::translate("vellumix::HistoryStore", "Entry %1: %2")
                                    .arg(i + 1)
                                    .arg(error.message()));
        }
    }
    return entries;
}

} // namespace

QString HistoryStore::defaultDirectory()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return base.isEmpty() ? QString() : QDir(base).filePath(QStringLiteral("Vellumix"));
}

HistoryStore::HistoryStore(const QString& directory, QObject* parent)
    : HistoryStore(directory, systemNow, parent)
{
}

HistoryStore::HistoryStore(const QString& directory, Clock clock, QObject* parent)
    : QObject(parent), m_directory(directory), m_clock(std::move(clock))
{
    load();
}

QString HistoryStore::imagePath(const HistoryEntry& entry) const
{
    return entry.imageName ? QDir(m_directory).filePath(*entry.imageName) : QString();
}

void HistoryStore::load()
{
    if (m_directory.isEmpty()) {
        setStorageError(tr(qUtf8Printable(loadPrefix)) + tr("No folder for application data was found."));
        m_writesBlocked = true;
        return;
    }
    const std::filesystem::path folder = m_directory.toStdString();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        setStorageError(tr(qUtf8Printable(loadPrefix)) + QString::fromStdString(error.message()));
        return;
    }
    // Also a folder made before, or by something else: kept screenshots are the user's alone.
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace, error);

    const QString path = QDir(m_directory).filePath(fileName);
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return;
    QFile file(path);
    try {
        if (!file.open(QIODevice::ReadOnly))
            throw PlatformError(file.errorString());
        const QByteArray data = file.readAll();
        if (file.error() != QFileDevice::NoError)
            throw PlatformError(file.errorString());
        file.close();
        setEntries(decode(data));
    } catch (const Error& failure) {
        keepUnreadableFile(failure.message());
    }
}

// The start-up cleanup rewrites history.json at once, so a file we cannot read is moved aside
// first: whatever it holds stays on disk for the user or a later version to recover.
void HistoryStore::keepUnreadableFile(const QString& description)
{
    const QDir folder(m_directory);
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name;
    for (int n = 1; n < 1000; ++n) {
        name = QStringLiteral("history-unreadable-%1%2.json")
                   .arg(stamp, n == 1 ? QString() : QStringLiteral("-%1").arg(n));
        if (!QFileInfo::exists(folder.filePath(name)) && !QFileInfo(folder.filePath(name)).isSymLink())
            break;
    }
    // rename() never replaces an existing file, so a name taken meanwhile only fails the move.
    if (QFile::rename(folder.filePath(fileName), folder.filePath(name))) {
        setStorageError(tr(qUtf8Printable(loadPrefix)) + description +
                        tr(" The unreadable file was kept as \"%1\".").arg(name));
    } else {
        m_writesBlocked = true;
        setStorageError(tr(qUtf8Printable(loadPrefix)) + description +
                        tr(" The file could not be moved aside, so it is left "
                           "untouched and history is not saved until restart."));
    }
}

QByteArray HistoryStore::encodeImage(const QImage& image)
{
    QByteArray png;
    if (image.isNull())
        return png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image))
        png.clear();
    return png;
}

void HistoryStore::add(const QString& text,
                       const QString& source,
                       const QString& language,
                       float confidence,
                       const QImage& image,
                       bool retain,
                       int days)
{
    addEncoded(text, source, language, confidence, retain ? encodeImage(image) : QByteArray(), retain, days);
}

void HistoryStore::addEncoded(const QString& text,
                              const QString& source,
                              const QString& language,
                              float confidence,
                              const QByteArray& png,
                              bool retain,
                              int days)
{
    HistoryEntry entry;
    entry.id = QUuid::createUuid();
    if (retain && !png.isEmpty()) {
        const QString name = HistoryEntry::idString(entry.id) + QStringLiteral(".png");
        if (const auto error = writeAtomically(QDir(m_directory).filePath(name), png, std::nullopt))
            setStorageError(*error);
        else
            entry.imageName = name;
    }
    entry.title = titleFor(text);
    entry.created = m_clock();
    entry.text = text;
    entry.source = source;
    entry.language = language;
    entry.confidence = confidence;

    QList<HistoryEntry> entries = m_entries;
    entries.prepend(std::move(entry));
    setEntries(std::move(entries));
    cleanup(days);
}

void HistoryStore::cleanup(int days)
{
    // A period of no days or fewer is no period: it must never empty the history.
    const double cutoff = days > 0 ? m_clock() - double(days) * 86400.0 : -HUGE_VAL;
    QList<HistoryEntry> expired;
    QList<HistoryEntry> overflow;
    QSet<QUuid> removal;
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const HistoryEntry& entry = m_entries.at(i);
        if (entry.created < cutoff) {
            expired.append(entry);
            removal.insert(entry.id);
        }
    }
    for (qsizetype i = maximumEntries; i < m_entries.size(); ++i) {
        overflow.append(m_entries.at(i));
        removal.insert(m_entries.at(i).id);
    }
    if (!removal.isEmpty()) {
        QList<HistoryEntry> kept;
        kept.reserve(m_entries.size());
        for (const HistoryEntry& entry : std::as_const(m_entries))
            if (!removal.contains(entry.id))
                kept.append(entry);
        setEntries(std::move(kept));
    }
    for (const HistoryEntry& entry : std::as_const(expired))
        removeImage(entry);
    for (const HistoryEntry& entry : std::as_const(overflow))
        removeImage(entry);

    std::int64_t total = 0;
    for (const HistoryEntry& entry : std::as_const(m_entries))
        total += imageSize(entry);
    if (total > imageBudget) {
        QList<HistoryEntry> entries = m_entries;
        for (qsizetype i = entries.size() - 1; i >= 0 && total > imageBudget; --i) {
            HistoryEntry& entry = entries[i];
            total -= imageSize(entry);
            removeImage(entry);
            entry.imageName.reset();
        }
        setEntries(std::move(entries));
    }
    persist();
}

void HistoryStore::purgeImages()
{
    QList<HistoryEntry> entries = m_entries;
    for (HistoryEntry& entry : entries) {
        removeImage(entry);
        entry.imageName.reset();
    }
    setEntries(std::move(entries));
    persist();
}

void HistoryStore::deleteEntry(const QUuid& id)
{
    QList<HistoryEntry> kept;
    for (const HistoryEntry& entry : std::as_const(m_entries)) {
        if (entry.id == id)
            removeImage(entry);
        else
            kept.append(entry);
    }
    if (kept.size() != m_entries.size())
        setEntries(std::move(kept));
    persist();
}

void HistoryStore::clear()
{
    for (const HistoryEntry& entry : std::as_const(m_entries))
        removeImage(entry);
    setEntries({});
    persist();
}

void HistoryStore::update(const QUuid& id,
                          const std::optional<QString>& title,
                          const std::optional<QString>& text)
{
    const auto it = std::find_if(m_entries.cbegin(), m_entries.cend(),
                                 [&](const HistoryEntry& entry) { return entry.id == id; });
    if (it == m_entries.cend())
        return;
    QList<HistoryEntry> entries = m_entries;
    HistoryEntry& entry = entries[it - m_entries.cbegin()];
    if (title)
        entry.title = *title;
    if (text)
        entry.text = *text;
    setEntries(std::move(entries));
    persist();
}

QList<HistoryEntry> HistoryStore::search(const QString& query, const QLocale& locale) const
{
    if (query.isEmpty())
        return m_entries;
    QList<HistoryEntry> found;
    for (const HistoryEntry& entry : m_entries)
        if (matches(entry, query, locale))
            found.append(entry);
    return found;
}

bool HistoryStore::matches(const HistoryEntry& entry, const QString& query, const QLocale& locale)
{
    if (query.isEmpty())
        return true;
    // The locale's upper-casing settles language rules (Turkish dotted I, German sharp s
    // against SS); the comparison then ignores what case differences remain.
    const QString needle = locale.toUpper(query);
    return locale.toUpper(entry.text).contains(needle, Qt::CaseInsensitive) ||
           locale.toUpper(entry.title).contains(needle, Qt::CaseInsensitive);
}

QString HistoryStore::titleFor(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = text.size();
    for (int count = 0; count < 60; ++count) {
        if (finder.toNextBoundary() < 0)
            break;
    }
    if (finder.position() >= 0)
        end = finder.position();
    QString title = text.left(end);
    title.replace(u'\n', u' ');
    return title;
}

void HistoryStore::persist()
{
    if (m_writesBlocked)
        return;
    // Encoding 500 entries through QJsonObject takes several milliseconds, so each entry's
    // compact form is kept while the entry stays the same; the array is joined from them.
    QHash<QUuid, Encoded> encoded;
    encoded.reserve(m_entries.size());
    QByteArray data;
    data.reserve(m_encodedSize + 2);
    data.append('[');
    for (const HistoryEntry& entry : std::as_const(m_entries)) {
        auto cached = m_encoded.constFind(entry.id);
        Encoded item = cached != m_encoded.constEnd() && cached->entry == entry
                           ? *cached
                           : Encoded{entry, QJsonDocument(entry.toJson()).toJson(QJsonDocument::Compact)};
        if (data.size() > 1)
            data.append(',');
        data.append(item.json);
        encoded.insert(entry.id, std::move(item));
    }
    data.append(']');
    m_encoded = std::move(encoded);
    m_encodedSize = data.size();
    const QString path = QDir(m_directory).filePath(fileName);
    if (auto error = writeAtomically(path, data, ownerOnlyFile)) {
        setStorageError(*error);
        return;
    }
    QFile written(path);
    if (!written.setPermissions(ownerOnlyFile))
        setStorageError(written.errorString());
}

std::int64_t HistoryStore::imageSize(const HistoryEntry& entry) const
{
    if (!entry.imageName)
        return 0;
    std::error_code error;
    const auto size = std::filesystem::file_size(imagePath(entry).toStdString(), error);
    return error ? 0 : std::int64_t(size);
}

void HistoryStore::removeImage(const HistoryEntry& entry) const
{
    if (entry.imageName)
        QFile::remove(imagePath(entry));
}

void HistoryStore::setEntries(QList<HistoryEntry> entries)
{
    m_entries = std::move(entries);
    Q_EMIT entriesChanged();
}

void HistoryStore::setStorageError(const QString& message)
{
    m_storageError = message;
    Q_EMIT storageErrorChanged();
}

} // namespace vellumix
