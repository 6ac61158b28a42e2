// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file as found on disk, read into the preferences.
#include "FuzzTarget.h"

#include "model/Preferences.h"
#include "model/UserDefaults.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vellumix;
    fuzz::ensureApplication();
    QTemporaryDir dir;
    const QString path = fuzz::writeInput(dir, QStringLiteral("Vellumix.conf"), data, size);
    SettingsDefaults store(path);
    Preferences preferences(store);
    // The period reaches the history's pruning: never none or negative.
    fuzz::check(preferences.retentionDays() > 0);
    fuzz::check(preferences.menuIcon() || preferences.showDock());
    (void)store.data(QStringLiteral("shortcuts"));
    (void)preferences.options();
    return 0;
}
