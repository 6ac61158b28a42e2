// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QUuid>

#include <optional>

namespace vellumix {

// One recorded recognition as the history keeps it and as history.json stores it.
struct HistoryEntry
{
    QUuid id;
    QString title;
    // Seconds since 2001-01-01 00:00:00 UTC. Kept as the stored double so that a value read from
    // history.json is written back unchanged, fractions included.
    double created = 0.0;
    QString text;
    QString source;
    QString language;
    float confidence = 0.0f;
    std::optional<QString> imageName;
    QString status = QStringLiteral("Recognized");

    static const QDateTime& referenceDate();
    static double secondsSinceReference(const QDateTime& moment);
    QDateTime createdDateTime() const;

    // The canonical upper-case form, 36 characters.
    static QString idString(const QUuid& id);

    QJsonObject toJson() const;
    // Strict: a missing required key, a wrong type, an invalid id or an image name that is not a
    // plain file name throws PlatformError with a description of the fault.
    static HistoryEntry fromJson(const QJsonObject& object);

    friend bool operator==(const HistoryEntry&, const HistoryEntry&) = default;
};

} // namespace vellumix
