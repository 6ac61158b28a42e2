// SPDX-License-Identifier: GPL-3.0-or-later
#include "Application.h"
#include "shell/InstanceRequest.h"
#include "shell/SingleInstance.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char* argv[])
{
    // Answered before any display is opened, so that they work on a terminal without one.
    if (argc == 2) {
        const QLatin1StringView argument(argv[1]);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            QTextStream(stdout) << vellumix::InstanceRequest::usage();
            return 0;
        }
        if (argument == QLatin1String("--version")) {
            QTextStream(stdout) << "vellumix " << VELLUMIX_VERSION << '\n';
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vellumix"));
    QApplication::setApplicationName(QStringLiteral("Vellumix"));
    QApplication::setApplicationVersion(QStringLiteral(VELLUMIX_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("vellumix"));

    const QStringList arguments = QApplication::arguments().mid(1);
    const auto request = vellumix::InstanceRequest::fromArguments(arguments, QDir::currentPath());
    if (!request) {
        QTextStream(stderr) << vellumix::InstanceRequest::usage();
        return 2;
    }

    const QString socket = vellumix::SingleInstance::defaultSocketPath();
    if (vellumix::SingleInstance::send(socket, *request))
        return 0;
    vellumix::SingleInstance instance(socket);
    vellumix::Application vellumix(vellumix::loadPlatform());
    if (!vellumix.start(instance, *request)) {
        // Another instance started at the same moment: it answers this request instead.
        if (vellumix::SingleInstance::send(socket, *request))
            return 0;
        QTextStream(stderr) << "vellumix: another instance holds " << socket << " but does not answer\n";
        return 1;
    }
    return QApplication::exec();
}
