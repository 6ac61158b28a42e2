// SPDX-License-Identifier: GPL-3.0-or-later
// KDE's global shortcut service as KWin itself serves it (tests/kwin-session.sh), on a bus
// without a portal: the loader falls back to it, and the settings rows show what it assigned.
#include "model/UserDefaults.h"
#include "platform/PlatformLoader.h"
#include "shell/ShortcutManager.h"

#include <QProcess>
#include <QTest>

using namespace vellumix;
using namespace Qt::StringLiterals;

class TestKWin : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Another program holds Ctrl+Alt+Shift+2 first: that one is refused, the others assigned.
    void shortcuts()
    {
        const QString other = u"['other','taken','Other','Taken']"_s;
        const QString key =
            u"[([%1,0,0,0],)]"_s.arg((Qt::CTRL | Qt::ALT | Qt::SHIFT | Qt::Key_2).toCombined());
        const QStringList call{
            u"call"_s,          u"--session"_s,     u"--dest"_s,  u"org.kde.kglobalaccel"_s,
            u"--object-path"_s, u"/kglobalaccel"_s, u"--method"_s};
        QCOMPARE(
            QProcess::execute(u"gdbus"_s, call + QStringList{u"org.kde.KGlobalAccel.doRegister"_s, other}),
            0);
        QCOMPARE(QProcess::execute(u"gdbus"_s, call + QStringList{u"org.kde.KGlobalAccel.setShortcutKeys"_s,
                                                                  other, key, u"2"_s}),
                 0);

        Platform platform = loadPlatform(Session{SessionType::Wayland, false, Desktop::Kde});
        MemoryDefaults store;
        ShortcutManager manager(store, *platform.hotKeys);
        QTRY_VERIFY_WITH_TIMEOUT(!manager.isRegistering(), 10000);
        QVERIFY(manager.capabilities().testFlag(HotKeyBackend::Capability::DesktopSettings));
        QStringList rows;
        for (int row = 0; row < 4; ++row)
            rows.append(manager.boundTrigger(row).value_or(manager.rowError(row).value_or(QString())));
        QCOMPARE(rows, (QStringList{u"Ctrl+Alt+Shift+1"_s, ShortcutManager::declinedMessage(),
                                    u"Ctrl+Alt+Shift+3"_s, u"Ctrl+Alt+Shift+4"_s}));
    }
};

QTEST_GUILESS_MAIN(TestKWin)
#include "test_kwin.moc"
