// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace vellumix {

// The desktop environment named first in XDG_CURRENT_DESKTOP that we know, which decides where
// its own settings live.
enum class Desktop { Other, Gnome, Kde };

Desktop desktopFrom(const QString& currentDesktop);

// A page of the desktop's own settings, opened as a program of its own.
struct SettingsPage
{
    QString program;
    QStringList arguments;

    bool open() const;
    bool operator==(const SettingsPage&) const = default;

    using Finder = std::function<QString(const QString&)>;
    // Where a Wayland session's desktop lets the user allow screen capture: GNOME's privacy
    // panel, KDE's application permissions. None where the program is not installed.
    static std::optional<SettingsPage> screenCapture(Desktop desktop, const Finder& find);
    // KDE's global shortcuts settings, where kglobalaccel's bindings are changed.
    static std::optional<SettingsPage> kdeShortcuts(const Finder& find);
};

} // namespace vellumix
