// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/InstanceRequest.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <array>
#include <utility>

namespace vellumix {

namespace {

using Verb = InstanceRequest::Verb;

constexpr std::array<std::pair<Verb, const char*>, 6> verbNames{{
    {Verb::Reopen, "reopen"},
    {Verb::Open, "open"},
    {Verb::Capture, "capture"},
    {Verb::CaptureMultiple, "capture-multiple"},
    {Verb::CaptureFull, "capture-full"},
    {Verb::Workspace, "workspace"},
}};

} // namespace

std::optional<InstanceRequest> InstanceRequest::fromArguments(const QStringList& arguments,
                                                              const QString& workingDirectory)
{
    if (arguments.isEmpty())
        return InstanceRequest{};
    const QString& first = arguments.first();
    if (first == QLatin1String("capture")) {
        if (arguments.size() == 1)
            return InstanceRequest{Verb::Capture, {}};
        if (arguments.size() == 2 && arguments.at(1) == QLatin1String("--multiple"))
            return InstanceRequest{Verb::CaptureMultiple, {}};
        if (arguments.size() == 2 && arguments.at(1) == QLatin1String("--full"))
            return InstanceRequest{Verb::CaptureFull, {}};
        return std::nullopt;
    }
    if (first == QLatin1String("workspace"))
        return arguments.size() == 1 ? std::optional(InstanceRequest{Verb::Workspace, {}}) : std::nullopt;
    // Files: only the first one counts, as when a desktop opens several files with us. "--"
    // lets a file whose name looks like a verb or an option through.
    qsizetype index = 0;
    if (first == QLatin1String("--"))
        index = 1;
    else if (first.startsWith(u'-'))
        return std::nullopt;
    if (index >= arguments.size())
        return std::nullopt;
    const QString& file = arguments.at(index);
    // Desktop environments may pass file URLs (%U); other URLs cannot be opened locally.
    QString path = file;
    if (file.startsWith(QLatin1String("file:"))) {
        const QUrl url(file);
        if (!url.isLocalFile())
            return std::nullopt;
        path = url.toLocalFile();
    } else if (file.contains(QLatin1String("://"))) {
        return std::nullopt;
    }
    if (path.isEmpty())
        return std::nullopt;
    return InstanceRequest{Verb::Open, QDir::cleanPath(QDir(workingDirectory).absoluteFilePath(path))};
}

QString InstanceRequest::usage()
{
    return QCoreApplication::translate(
        "vellumix::InstanceRequest",
        "Usage: vellumix [FILE | capture [--multiple | --full] | workspace]\n"
        "  (no argument)        start Vellumix, or show the running one's workspace\n"
        "  FILE                 recognise an image file, or open a PDF\n"
        "  capture              capture one region of the screen\n"
        "  capture --multiple   capture several regions\n"
        "  capture --full       capture the full screen\n"
        "  workspace            show the workspace window\n");
}

QByteArray InstanceRequest::encode() const
{
    QJsonObject object;
    for (const auto& [value, name] : verbNames) {
        if (value == verb)
            object.insert(QStringLiteral("verb"), QLatin1String(name));
    }
    if (verb == Verb::Open)
        object.insert(QStringLiteral("path"), path);
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<InstanceRequest> InstanceRequest::decode(const QByteArray& line)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line.trimmed(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QString name = object.value(QStringLiteral("verb")).toString();
    for (const auto& [value, verbName] : verbNames) {
        if (name != QLatin1String(verbName))
            continue;
        if (value != Verb::Open)
            return InstanceRequest{value, {}};
        const QString path = object.value(QStringLiteral("path")).toString();
        // Only absolute paths: the sender resolved them against its own working directory.
        if (path.isEmpty() || !QDir::isAbsolutePath(path))
            return std::nullopt;
        return InstanceRequest{value, path};
    }
    return std::nullopt;
}

} // namespace vellumix
