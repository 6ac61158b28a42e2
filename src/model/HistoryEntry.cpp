// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/HistoryEntry.h"

#include "core/Errors.h"

#include <QCoreApplication>
#include <QJsonValue>
#include <QTimeZone>

namespace vellumix {

namespace {

QJsonValue required(const QJsonObject& object, const QString& key, QJsonValue::Type type)
{
    const auto it = object.constFind(key);
    if (it == object.constEnd())
        throw PlatformError(
            QCoreApplication::translate("vellumix::HistoryEntry", "The entry has no \"%1\".").arg(key));
    if (it->type() != type)
        throw PlatformError(
            QCoreApplication::translate("vellumix::HistoryEntry", "The entry's \"%1\" has the wrong type.")
                .arg(key));
    return *it;
}

} // namespace

const QDateTime& HistoryEntry::referenceDate()
{
    static const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
    return reference;
}

double HistoryEntry::secondsSinceReference(const QDateTime& moment)
{
    return double(referenceDate().msecsTo(moment)) / 1000.0;
}

QDateTime HistoryEntry::createdDateTime() const
{
    return referenceDate().addMSecs(qint64(std::llround(created * 1000.0)));
}

QString HistoryEntry::idString(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

QJsonObject HistoryEntry::toJson() const
{
    QJsonObject object{
        {QStringLiteral("id"), idString(id)},
        {QStringLiteral("title"), title},
        {QStringLiteral("created"), created},
        {QStringLiteral("text"), text},
        {QStringLiteral("source"), source},
        {QStringLiteral("language"), language},
        {QStringLiteral("confidence"), double(confidence)},
        {QStringLiteral("status"), status},
    };
    if (imageName)
        object.insert(QStringLiteral("imageName"), *imageName);
    return object;
}

HistoryEntry HistoryEntry::fromJson(const QJsonObject& object)
{
    HistoryEntry entry;
    const QString id = required(object, QStringLiteral("id"), QJsonValue::String).toString();
    entry.id = QUuid::fromString(id);
    static const QString nil = QStringLiteral("00000000-0000-0000-0000-000000000000");
    if (id.size() != 36 || (entry.id.isNull() && id != nil))
        throw PlatformError(
            QCoreApplication::translate("vellumix::HistoryEntry", "The entry's \"id\" is not a valid UUID."));
    entry.title = required(object, QStringLiteral("title"), QJsonValue::String).toString();
    entry.created = required(object, QStringLiteral("created"), QJsonValue::Double).toDouble();
    entry.text = required(object, QStringLiteral("text"), QJsonValue::String).toString();
    entry.source = required(object, QStringLiteral("source"), QJsonValue::String).toString();
    entry.language = required(object, QStringLiteral("language"), QJsonValue::String).toString();
    entry.confidence = float(required(object, QStringLiteral("confidence"), QJsonValue::Double).toDouble());
    entry.status = required(object, QStringLiteral("status"), QJsonValue::String).toString();

    const QJsonValue image = object.value(QStringLiteral("imageName"));
    if (image.isString()) {
        const QString name = image.toString();
        // Image files are deleted by name: only the names the store writes may name one, never
        // history.json, a kept-aside file or anything else in the folder.
        const qsizetype idLength = 36;
        if (name.size() != idLength + 4 || !name.endsWith(QStringLiteral(".png")) ||
            QUuid::fromString(QStringView(name).left(idLength)).isNull())
            throw PlatformError(QCoreApplication::translate(
                "vellumix::HistoryEntry", "The entry's \"imageName\" is not an image name."));
        entry.imageName = name;
    } else if (!image.isUndefined() && !image.isNull()) {
        throw PlatformError(QCoreApplication::translate("vellumix::HistoryEntry",
                                                        "The entry's \"imageName\" has the wrong type."));
    }
    return entry;
}

} // namespace vellumix
