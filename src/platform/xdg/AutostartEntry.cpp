// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/xdg/AutostartEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

namespace vellumix {

AutostartEntry::AutostartEntry(QString folder) : m_folder(std::move(folder)) {}

QString AutostartEntry::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart");
}

QString AutostartEntry::path() const
{
    return m_folder + QStringLiteral("/vellumix.desktop");
}

bool AutostartEntry::isEnabled() const
{
    const QFileInfo info(path());
    if (!info.isFile())
        return false;
    // QSettings reads the key file; its own escapes do not matter for these two booleans.
    const QSettings entry(path(), QSettings::IniFormat);
    const auto flag = [&](const char* key, const char* fallback) {
        return entry.value(QStringLiteral("Desktop Entry/") + QLatin1String(key), QLatin1String(fallback))
            .toString()
            .trimmed()
            .toLower();
    };
    return flag("Hidden", "false") != QLatin1String("true") &&
           flag("X-GNOME-Autostart-enabled", "true") != QLatin1String("false");
}

QString AutostartEntry::execLine(const QString& executable)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    // A literal percent sign would start a field code.
    QString path = executable;
    path.replace(u'%', QStringLiteral("%%"));
    const bool quote = std::any_of(path.begin(), path.end(), [](QChar c) { return reserved.contains(c); });
    if (!quote)
        return path;
    QString escaped;
    for (const QChar c : path) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            escaped += u'\\';
        escaped += c;
    }
    // Inside a string value a backslash is itself escaped once more.
    escaped.replace(u'\\', QStringLiteral("\\\\"));
    return u'"' + escaped + u'"';
}

std::optional<QString> AutostartEntry::setEnabled(bool enabled, const QString& executable) const
{
    if (!enabled) {
        QFile file(path());
        if (file.exists() && !file.remove())
            return tr("The autostart entry %1 could not be removed: %2").arg(path(), file.errorString());
        return std::nullopt;
    }
    if (!QDir().mkpath(m_folder))
        return tr("The autostart folder %1 could not be created.").arg(m_folder);
    QSaveFile file(path());
    if (!file.open(QIODevice::WriteOnly))
        return tr("The autostart entry %1 could not be written: %2").arg(path(), file.errorString());
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Vellumix\n"
                                        "Comment=Local OCR in the system tray\n"
                                        "Exec=%1\n"
                                        "Icon=vellumix\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(execLine(executable));
    file.write(text.toUtf8());
    if (!file.commit())
        return tr("The autostart entry %1 could not be written: %2").arg(path(), file.errorString());
    return std::nullopt;
}

} // namespace vellumix
