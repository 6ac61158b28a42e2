// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file as found on disk, read into the preferences.
#include "FuzzTarget.h"

#include "model/Preferences.h"
#include "model/UserDefaults.h"

#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vellumix;
    fuzz::ensureApplication();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Vellumix.conf"));
    QFile file(path);
    fuzz::check(file.open(QIODevice::WriteOnly) &&
                file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    file.close();
    SettingsDefaults store(path);
    Preferences preferences(store);
    // The period reaches the history's pruning: never none or negative.
    fuzz::check(preferences.retentionDays() > 0);
    fuzz::check(preferences.menuIcon() || preferences.showDock());
    (void)store.data(QStringLiteral("shortcuts"));
    (void)preferences.options();
    return 0;
}
