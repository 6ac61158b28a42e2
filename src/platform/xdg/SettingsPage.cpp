// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/xdg/SettingsPage.h"

#include <QProcess>

namespace vellumix {
namespace {

// The first of `candidates` (program, arguments) that is installed.
std::optional<SettingsPage> firstInstalled(const QList<SettingsPage>& candidates,
                                           const SettingsPage::Finder& find)
{
    for (const SettingsPage& candidate : candidates) {
        if (const QString path = find(candidate.program); !path.isEmpty())
            return SettingsPage{path, candidate.arguments};
    }
    return std::nullopt;
}

} // namespace

Desktop desktopFrom(const QString& currentDesktop)
{
    for (const QString& name : currentDesktop.split(u':', Qt::SkipEmptyParts)) {
        if (name.compare(QLatin1String("GNOME"), Qt::CaseInsensitive) == 0)
            return Desktop::Gnome;
        if (name.compare(QLatin1String("KDE"), Qt::CaseInsensitive) == 0)
            return Desktop::Kde;
    }
    return Desktop::Other;
}

bool SettingsPage::open() const
{
    return QProcess::startDetached(program, arguments);
}

std::optional<SettingsPage> SettingsPage::screenCapture(Desktop desktop, const Finder& find)
{
    switch (desktop) {
    case Desktop::Gnome:
        return firstInstalled({{QStringLiteral("gnome-control-center"), {QStringLiteral("privacy")}}}, find);
    case Desktop::Kde:
        // Plasma 6 renamed its permissions module; Plasma 5.27 has the Flatpak one.
        return firstInstalled({{QStringLiteral("kcmshell6"), {QStringLiteral("kcm_app-permissions")}},
                               {QStringLiteral("kcmshell5"), {QStringLiteral("kcm_flatpak")}}},
                              find);
    case Desktop::Other:
        break;
    }
    return std::nullopt;
}

std::optional<SettingsPage> SettingsPage::kdeShortcuts(const Finder& find)
{
    return firstInstalled({{QStringLiteral("kcmshell6"), {QStringLiteral("kcm_keys")}},
                           {QStringLiteral("kcmshell5"), {QStringLiteral("kcm_keys")}},
                           {QStringLiteral("systemsettings"), {QStringLiteral("kcm_keys")}}},
                          find);
}

} // namespace vellumix
