// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/RegionTool.h"

#include <QRegularExpression>
#include <QStandardPaths>

namespace vellumix {

namespace {

const QString filePlaceholder = QStringLiteral("{file}");

} // namespace

QStringList RegionTool::argumentsFor(const QString& outputPath) const
{
    QStringList result;
    result.reserve(arguments.size());
    for (const QString& argument : arguments)
        result.append(argument == filePlaceholder ? outputPath : argument);
    return result;
}

QString RegionTool::judgedError(const QString& standardError) const
{
    // GLib logs as "** Message: 10:46:03.123: text" or "(tool:42): Gtk-WARNING **: 10:46:03.123: text".
    static const QRegularExpression glibPrefix(QStringLiteral(
        R"(^(\(\S+:\d+\): )?([\w.-]+-)?(\*\* )?(Message|INFO|DEBUG|WARNING|CRITICAL)( \*\*)?: (\d+:\d+:\d+\.\d+: )?)"));
    QStringList kept;
    const QStringList lines = standardError.split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const QString text = line.trimmed();
        if (!noiseLines.contains(text) && !noiseLines.contains(QString(text).remove(glibPrefix)))
            kept.append(line);
    }
    return kept.join(QLatin1Char('\n')).trimmed();
}

RegionTool RegionTool::gnomeScreenshot()
{
    // Cancel: status 0, no file. Outside GNOME Shell it announces its own X11 selection first.
    return {QStringLiteral("gnome-screenshot"),
            {QStringLiteral("--area"), QStringLiteral("--file"), filePlaceholder},
            {QStringLiteral("Unable to select area using GNOME Shell's builtin screenshot interface, "
                            "resorting to fallback X11."),
             QStringLiteral("Unable to use GNOME Shell's builtin screenshot interface, resorting to "
                            "fallback X11.")}};
}

RegionTool RegionTool::spectacle()
{
    // Region, no window, no notification, straight into the file. Cancel: status 0, no file.
    return {QStringLiteral("spectacle"),
            {QStringLiteral("--region"), QStringLiteral("--background"), QStringLiteral("--nonotify"),
             QStringLiteral("--output"), filePlaceholder},
            {QStringLiteral("Screenshot capture canceled or failed")}};
}

RegionTool RegionTool::maim()
{
    // Cancel: status 1 with a fixed message. --quiet drops warnings but not errors.
    return {QStringLiteral("maim"),
            {QStringLiteral("--select"), QStringLiteral("--hidecursor"), QStringLiteral("--quiet"),
             QStringLiteral("--format=png"), filePlaceholder},
            {QStringLiteral("Selection was cancelled by keystroke or right-click.")}};
}

std::optional<RegionTool> RegionTool::choose(const QString& currentDesktop,
                                             const std::function<QString(const QString&)>& findExecutable)
{
    const QStringList desktops = currentDesktop.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    QList<RegionTool> candidates;
    if (desktops.contains(QStringLiteral("GNOME"), Qt::CaseInsensitive))
        candidates.append(gnomeScreenshot());
    if (desktops.contains(QStringLiteral("KDE"), Qt::CaseInsensitive))
        candidates.append(spectacle());
    candidates.append(maim());
    for (RegionTool& tool : candidates) {
        const QString path = findExecutable(tool.program);
        if (!path.isEmpty()) {
            tool.program = path;
            return tool;
        }
    }
    return std::nullopt;
}

std::optional<RegionTool> RegionTool::forSession()
{
    return choose(qEnvironmentVariable("XDG_CURRENT_DESKTOP"),
                  [](const QString& name) { return QStandardPaths::findExecutable(name); });
}

} // namespace vellumix
