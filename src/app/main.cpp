// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Preferences.h"
#include "model/UserDefaults.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vellumix"));
    QApplication::setApplicationName(QStringLiteral("Vellumix"));
    QApplication::setApplicationVersion(QStringLiteral(VELLUMIX_VERSION));

    vellumix::SettingsDefaults store;
    vellumix::Preferences preferences(store);
    QTextStream(stdout) << "Vellumix " << QApplication::applicationVersion() << '\n';
    return 0;
}
