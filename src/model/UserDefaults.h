// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>

class QSettings;

namespace vellumix {

// The small per-user key-value store behind "preferences", "shortcuts" and "onboarded".
// Reads of absent or mistyped keys give nothing (or false); writes never report failure.
class UserDefaults
{
public:
    virtual ~UserDefaults() = default;

    virtual std::optional<QVariantMap> dictionary(const QString& key) const = 0;
    virtual std::optional<QByteArray> data(const QString& key) const = 0;
    virtual bool boolean(const QString& key) const = 0;
    virtual void set(const QString& key, const QVariant& value) = 0;
    virtual void remove(const QString& key) = 0;
};

// The real store: QSettings in its native format (~/.config/Vellumix/Vellumix.conf), or a file
// of the caller's choice.
class SettingsDefaults final : public UserDefaults
{
public:
    SettingsDefaults();
    explicit SettingsDefaults(const QString& path);
    ~SettingsDefaults() override;

    std::optional<QVariantMap> dictionary(const QString& key) const override;
    std::optional<QByteArray> data(const QString& key) const override;
    bool boolean(const QString& key) const override;
    void set(const QString& key, const QVariant& value) override;
    void remove(const QString& key) override;

private:
    std::unique_ptr<QSettings> m_settings;
};

// A store that lives only in memory, for tests and the command-line tool.
class MemoryDefaults final : public UserDefaults
{
public:
    std::optional<QVariantMap> dictionary(const QString& key) const override;
    std::optional<QByteArray> data(const QString& key) const override;
    bool boolean(const QString& key) const override;
    void set(const QString& key, const QVariant& value) override;
    void remove(const QString& key) override;

    const QVariantMap& contents() const { return m_values; }

private:
    QVariantMap m_values;
};

} // namespace vellumix
