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
    // Answered before any display is opened, so that they work on a terminal without one.
    if (argc == 2) {
        const QLatin1StringView argument(argv[1]);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            QCoreApplication core(argc, argv); // for the user's language, without a display
            vellumix::installTranslations(core);
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
    QApplication::setDesktopFileName(QStringLiteral("io.github.vellumix.Vellumix"));
    vellumix::installTranslations(app);

    const QStringList arguments = QApplication::arguments().mid(1);
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
