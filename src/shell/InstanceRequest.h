// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace vellumix {

// What a launch of `vellumix` asks of the instance that runs (or of itself when none runs yet).
struct InstanceRequest
{
    enum class Verb {
        Reopen,          // plain launch: show the workspace of the running instance
        Open,            // vellumix FILE...: the first file is loaded
        Capture,         // vellumix capture: one region, as the first global shortcut
        CaptureMultiple, // vellumix capture --multiple
        CaptureFull,     // vellumix capture --full
        Workspace,       // vellumix workspace
    };

    Verb verb = Verb::Reopen;
    QString path; // absolute, for Open only

    friend bool operator==(const InstanceRequest&, const InstanceRequest&) = default;

    // The request that the command-line arguments (without the program name) make, relative
    // paths resolved against workingDirectory; nothing for arguments that make no sense.
    static std::optional<InstanceRequest> fromArguments(const QStringList& arguments,
                                                        const QString& workingDirectory);
    static QString usage();

    // One line on the instance socket.
    QByteArray encode() const;
    static std::optional<InstanceRequest> decode(const QByteArray& line);
};

} // namespace vellumix
