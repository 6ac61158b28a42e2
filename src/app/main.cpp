// SPDX-License-Identifier: GPL-3.0-or-later
#include "Application.h"
#include "capture/ScreenCaptureSource.h"
#include "platform/x11/X11WindowActivator.h"
#include "shell/InstanceRequest.h"
#include "shell/SingleInstance.h"
#include "shell/Translations.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

namespace {

// The focus goes back to the window that had it before the overlay, where the window system
// lets us ask; elsewhere the compositor restores it.
std::unique_ptr<vellumix::WindowActivator> windowActivator()
{
    if (auto x11 = vellumix::X11WindowActivator::create())
        return x11;
    return std::make_unique<vellumix::NullWindowActivator>();
}

} // namespace

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
    if (vellumix::SingleInstance::send(socket, *request))
        return 0;
    vellumix::SingleInstance instance(socket);
    const auto activator = windowActivator();
    vellumix::ScreenCaptureSource capture(*activator);
    vellumix::Application vellumix(capture);
    if (!vellumix.start(instance, *request)) {
        // Another instance started at the same moment: it answers this request instead.
        if (vellumix::SingleInstance::send(socket, *request))
            return 0;
        QTextStream(stderr) << "vellumix: another instance holds " << socket << " but does not answer\n";
        return 1;
    }
    return QApplication::exec();
}
