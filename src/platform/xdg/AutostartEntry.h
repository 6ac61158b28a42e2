// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QString>

#include <optional>

namespace vellumix {

// Launch at login as an XDG autostart entry: $XDG_CONFIG_HOME/autostart/vellumix.desktop.
// Enabled means the file exists and is marked neither Hidden nor disabled for GNOME.
class AutostartEntry final
{
    Q_DECLARE_TR_FUNCTIONS(AutostartEntry)
public:
    // The user's autostart folder, or another one (tests).
    explicit AutostartEntry(QString folder = defaultFolder());

    static QString defaultFolder();
    QString path() const;

    bool isEnabled() const;
    // Writes or deletes the entry; the failure's text, or nothing when it worked.
    std::optional<QString> setEnabled(bool enabled, const QString& executable) const;

    // The Exec value for a program path, quoted as the desktop entry format wants it.
    static QString execLine(const QString& executable);

private:
    QString m_folder;
};

} // namespace vellumix
