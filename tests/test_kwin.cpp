// SPDX-License-Identifier: GPL-3.0-or-later
// KDE's global shortcut service as KWin itself serves it (tests/kwin-session.sh), on a bus
// without a portal: the loader falls back to it, and the settings rows show what it assigned.
// And KWin's clipboard as wl-paste reads it, set with and without a focused window of ours.
#include "model/UserDefaults.h"
#include "platform/PlatformLoader.h"
#include "platform/wayland/DataControlClipboard.h"
#include "platform/wayland/FocusedClipboard.h"
#include "shell/ShortcutManager.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QRasterWindow>
#include <QTest>

using namespace vellumix;
using namespace Qt::StringLiterals;

class TestKWin : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void clipboard_data()
    {
        QTest::addColumn<bool>("dataControl");
        QTest::addColumn<bool>("focused");
        QTest::newRow("data control, no window") << true << false;
        QTest::newRow("Qt, no window") << false << false;
        QTest::newRow("Qt, focused window") << false << true;
    }
    void clipboard()
    {
        QFETCH(bool, dataControl);
        QFETCH(bool, focused);
        // More than a pipe holds: wl-paste reads while the writer serves. (Qt writes in one
        // blocking call, which would wait here for the wl-paste output this thread reads.)
        const QString text =
            QString::fromUtf8(QTest::currentDataTag()).repeated(dataControl ? 20000 : 1) + u"ß"_s;
        QRasterWindow window;
        window.setVisible(focused);
        QTRY_COMPARE(window.isActive(), focused);
        std::unique_ptr<ClipboardWriter> writer = DataControlClipboard::create();
        if (!dataControl)
            writer = std::make_unique<FocusedClipboard>(QGuiApplication::clipboard());
        QVERIFY(writer);
        // KWin answers no paste while the clipboard is empty: a refused text leaves this one.
        QCOMPARE(QProcess::execute(u"wl-copy"_s, {u"before"_s}), 0);
        const bool copied = writer->setText(text);
        QProcess paste;
        paste.start(u"wl-paste"_s, {u"--no-newline"_s});
        QTRY_COMPARE(paste.state(), QProcess::NotRunning);
        QCOMPARE(copied, dataControl || focused);
        QCOMPARE(QString::fromUtf8(paste.readAllStandardOutput()) == text, copied);
    }

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

QTEST_MAIN(TestKWin)
#include "test_kwin.moc"
