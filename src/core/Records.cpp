// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Records.h"

#include "core/Errors.h"
#include "core/TextProcessing.h"

#include <QCoreApplication>

namespace vellumix {

QJsonObject TextBlock::toJson() const
{
    return QJsonObject{
        {QStringLiteral("id"), id.toString(QUuid::WithoutBraces).toUpper()},
        {QStringLiteral("text"), text},
        {QStringLiteral("confidence"), double(confidence)},
        {QStringLiteral("x"), x},
        {QStringLiteral("y"), y},
        {QStringLiteral("width"), width},
        {QStringLiteral("height"), height},
    };
}

namespace {

QJsonValue required(const QJsonObject& object, const QString& key, QJsonValue::Type type)
{
    const QJsonValue value = object.value(key);
    if (value.type() != type)
        throw PlatformError(
            QCoreApplication::translate(
                "vellumix::Records",
                "The data couldn't be read because the value for \"%1\" is missing or of the wrong type.")
                .arg(key));
    return value;
}

} // namespace

TextBlock TextBlock::fromJson(const QJsonObject& object)
{
    const QString idText = required(object, QStringLiteral("id"), QJsonValue::String).toString();
    const QUuid id = QUuid::fromString(idText);
    if (id.isNull() && idText != QUuid().toString(QUuid::WithoutBraces))
        throw PlatformError(
            QCoreApplication::translate("vellumix::Records",
                                        "The data couldn't be read because \"%1\" is not a valid UUID.")
                .arg(idText));
    TextBlock block;
    block.id = id;
    block.text = required(object, QStringLiteral("text"), QJsonValue::String).toString();
    block.confidence = float(required(object, QStringLiteral("confidence"), QJsonValue::Double).toDouble());
    block.x = required(object, QStringLiteral("x"), QJsonValue::Double).toDouble();
    block.y = required(object, QStringLiteral("y"), QJsonValue::Double).toDouble();
    block.width = required(object, QStringLiteral("width"), QJsonValue::Double).toDouble();
    block.height = required(object, QStringLiteral("height"), QJsonValue::Double).toDouble();
    return block;
}

float Recognition::confidence() const
{
    if (blocks.isEmpty())
        return 0.0f;
    float sum = 0.0f;
    for (const TextBlock& block : blocks)
        sum += block.confidence;
    return sum / float(blocks.size());
}

QString Recognition::text(bool preserve) const
{
    return TextProcessing::compose(blocks, preserve);
}

} // namespace vellumix
