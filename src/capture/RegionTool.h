// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace vellumix {

// The desktop's interactive region tool: run once, it lets the user drag a rectangle and writes
// it as PNG to the path given on its command line.
struct RegionTool
{
    QString program;
    QStringList arguments;  // "{file}" stands for the output path
    QStringList noiseLines; // stderr lines that mean nothing (a cancel, a fallback notice)

    QStringList argumentsFor(const QString& outputPath) const;
    // The tool's error output with its known harmless lines removed, trimmed.
    QString judgedError(const QString& standardError) const;

    static RegionTool gnomeScreenshot();
    static RegionTool spectacle();
    static RegionTool maim();

    // The tool for this desktop: gnome-screenshot on GNOME, spectacle on KDE, otherwise maim,
    // each only when installed (per `findExecutable`, which returns an empty path when it is
    // not). Nothing when none is: single-region capture then uses the own overlay.
    // `currentDesktop` is XDG_CURRENT_DESKTOP, a colon-separated list.
    static std::optional<RegionTool> choose(const QString& currentDesktop,
                                            const std::function<QString(const QString&)>& findExecutable);
    // The same for this session.
    static std::optional<RegionTool> forSession();
};

} // namespace vellumix
