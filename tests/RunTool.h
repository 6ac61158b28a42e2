// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <optional>

namespace testtools {

// The output of a helper tool, or nothing when it failed or hung.
inline std::optional<QString> run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    return process.exitCode() == 0 ? std::optional(QString::fromUtf8(process.readAllStandardOutput()))
                                   : std::nullopt;
}

} // namespace testtools
