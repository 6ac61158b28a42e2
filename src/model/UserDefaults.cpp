// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/UserDefaults.h"

#include <QSettings>

namespace vellumix {

namespace {

std::optional<QVariantMap> asDictionary(const QVariant& value)
{
    if (value.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return value.toMap();
}

std::optional<QByteArray> asData(const QVariant& value)
{
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return value.toByteArray();
}

bool asBoolean(const QVariant& value)
{
    // The native format keeps top-level booleans as the words "true" and "false".
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (value.typeId() == QMetaType::QString)
        return value.toString() == QLatin1String("true");
    return false;
}

} // namespace

SettingsDefaults::SettingsDefaults()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat,
                                             QSettings::UserScope,
                                             QStringLiteral("Vellumix"),
                                             QStringLiteral("Vellumix")))
{
}

SettingsDefaults::SettingsDefaults(const QString& path)
    : m_settings(std::make_unique<QSettings>(path, QSettings::IniFormat))
{
}

SettingsDefaults::~SettingsDefaults() = default;

std::optional<QVariantMap> SettingsDefaults::dictionary(const QString& key) const
{
    return asDictionary(m_settings->value(key));
}

std::optional<QByteArray> SettingsDefaults::data(const QString& key) const
{
    return asData(m_settings->value(key));
}

bool SettingsDefaults::boolean(const QString& key) const
{
    return asBoolean(m_settings->value(key));
}

void SettingsDefaults::set(const QString& key, const QVariant& value)
{
    m_settings->setValue(key, value);
    m_settings->sync();
}

void SettingsDefaults::remove(const QString& key)
{
    m_settings->remove(key);
    m_settings->sync();
}

std::optional<QVariantMap> MemoryDefaults::dictionary(const QString& key) const
{
    return asDictionary(m_values.value(key));
}

std::optional<QByteArray> MemoryDefaults::data(const QString& key) const
{
    return asData(m_values.value(key));
}

bool MemoryDefaults::boolean(const QString& key) const
{
    return asBoolean(m_values.value(key));
}

void MemoryDefaults::set(const QString& key, const QVariant& value)
{
    m_values.insert(key, value);
}

void MemoryDefaults::remove(const QString& key)
{
    m_values.remove(key);
}

} // namespace vellumix
