// SPDX-License-Identifier: GPL-3.0-or-later
#include "Application.h"
#include "QuitSignals.h"
#include "shell/InstanceRequest.h"
#include "shell/SingleInstance.h"
#include "shell/Translations.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vellumix"));
    QApplication::setApplicationName(QStringLiteral("Vellumix"));
    QApplication::setApplicationVersion(QStringLiteral(VELLUMIX_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("io.github.vellumix.Vellumix"));
    vellumix::installTranslations(app);

    const QStringList arguments = QApplication::arguments().mid(1);
    if (arguments == QStringList{QStringLiteral("--help")} ||
        arguments == QStringList{QStringLiteral("-h")}) {
        QTextStream(stdout) << vellumix::InstanceRequest::usage();
        return 0;
    }
    const auto request = vellumix::InstanceRequest::fromArguments(arguments, QDir::currentPath());
    if (!request) {
        QTextStream(stderr) << vellumix::InstanceRequest::usage();
        return 2;
    }

    const QString socket = vellumix::SingleInstance::defaultSocketPath();
    using Reply = vellumix::SingleInstance::Reply;
    const auto answered = [&](Reply reply) {
        if (reply == Reply::Busy)
            QTextStream(stderr) << "vellumix: busy: a capture or recognition is already running\n";
        return reply != Reply::NoAnswer;
    };
    if (const Reply reply = vellumix::SingleInstance::send(socket, *request); answered(reply))
        return reply == Reply::Accepted ? 0 : 1;
    vellumix::SingleInstance instance(socket);
    vellumix::Application vellumix(vellumix::loadPlatform());
    if (!vellumix.start(instance, *request)) {
        // Another instance started at the same moment: it answers this request instead.
        if (const Reply reply = vellumix::SingleInstance::send(socket, *request); answered(reply))
            return reply == Reply::Accepted ? 0 : 1;
        QTextStream(stderr) << "vellumix: another instance holds " << socket << " but does not answer\n";
        return 1;
    }
    vellumix::quitOnSignals(app);
    return QApplication::exec();
}
