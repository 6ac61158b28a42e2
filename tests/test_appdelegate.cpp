// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModelFixture.h"
#include "platform/toast/Toast.h"
#include "shell/AppDelegate.h"
#include "shell/ShortcutManager.h"
#include "ui/ResultEditor.h"
#include "ui/WorkspaceDetail.h"

#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QRegularExpression>
#include <QSystemTrayIcon>
#include <QTest>

using namespace vellumix;
using namespace vellumix::testing;
using namespace Qt::StringLiterals;

namespace {

// The shell over a model of fakes; each recognition of image 1 waits to be cancelled.
struct Fixture : ModelFixture
{
    explicit Fixture(const QList<Shortcut>& stored = {})
    {
        engine.holdKey = 1;
        if (!stored.isEmpty())
            defaults.set(ShortcutManager::storeKey, Shortcut::encode(stored));
        defaults.set(AppDelegate::onboardedKey, true);
        shortcuts = std::make_unique<ShortcutManager>(defaults, hotKeys);
        delegate = std::make_unique<AppDelegate>(model, *shortcuts, defaults, taskbar, toast);
        delegate->trayAvailable = [] { return true; };
        delegate->launch();
    }
    QStringList roads() const
    {
        QStringList names;
        for (const Road road : capture.calls)
            names.append(road == Road::Region    ? u"region"_s
                         : road == Road::Regions ? u"regions"_s
                                                 : u"fullScreen"_s);
        return names;
    }
    FakeHotKeyBackend hotKeys;
    FakeTaskbar taskbar;
    Toast toast;
    std::unique_ptr<ShortcutManager> shortcuts;
    std::unique_ptr<AppDelegate> delegate;
};

// The menu as text: "-" for a separator, a leading "!" for a disabled item.
QString describe(const QMenu& menu)
{
    QStringList items;
    for (const QAction* action : menu.actions())
        items.append(action->isSeparator() ? u"-"_s
                                           : (action->isEnabled() ? u""_s : u"!"_s) + action->text());
    return items.join(u'|');
}

QAction* findAction(const QMenu& menu, const QString& prefix)
{
    const QList<QAction*> actions = menu.actions();
    return *std::find_if(actions.begin(), actions.end(),
                         [&](QAction* a) { return a->text().startsWith(prefix); });
}

} // namespace

class TestAppDelegate : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void statusMenuShowsTheCurrentShortcuts()
    {
        const QString menu =
            u"!Vellumix · Local OCR|-|Capture Text    %1|Capture Multiple Regions    %2|"
            u"Capture Full Screen|Extract Text from Image…|Extract Text from PDF…|-|"
            u"OCR History    %3|Open Workspace    %4|-|Settings…|About Vellumix|-|Quit Vellumix"_s;
        QList<Shortcut> stored = Shortcut::defaults();
        stored[0].label.clear();       // the gap stays
        stored[3].label = u"Ctrl+&"_s; // not a mnemonic
        Fixture f(stored);
        QMenu& status = *f.delegate->statusMenu();
        QCOMPARE(f.delegate->trayIcon()->contextMenu(), &status);
        QCOMPARE(describe(status),
                 menu.arg(QString(), u"Ctrl+Alt+Shift+2"_s, u"Ctrl+Alt+Shift+3"_s, u"Ctrl+&&"_s));

        f.shortcuts->set(Shortcut{19, Shortcut::Ctrl | Shortcut::Super, u"Ctrl+Super+0"_s},
                         ShortcutAction::CaptureRegion);
        Q_EMIT status.aboutToShow();
        QCOMPARE(describe(status),
                 menu.arg(u"Ctrl+Super+0"_s, u"Ctrl+Alt+Shift+2"_s, u"Ctrl+Alt+Shift+3"_s, u"Ctrl+&&"_s));
        f.model.preferences().setMenuIcon(false);
        QVERIFY(!f.delegate->trayIcon()->isVisible());
    }
    // Triggers: "menu:<title>", "shortcut:<index>", "request:<arguments>"; targets: a road or "workspace".
    void requestsReachTheirTarget_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<QString>("target");
        const QString rows[][2] = {
            {u"shortcut:0"_s, u"region"_s},
            {u"shortcut:2"_s, u"workspace"_s},
            {u"menu:Capture Text"_s, u"fullScreen"_s}, // the default mode, set to full screen below
            {u"menu:OCR History"_s, u"workspace"_s},
            {u"request:capture --multiple"_s, u"regions"_s},
            {u"request:"_s, u"workspace"_s},
        };
        for (const auto& row : rows)
            QTest::newRow(qPrintable(row[0])) << row[0] << row[1];
    }

    void requestsReachTheirTarget()
    {
        QFETCH(QString, trigger);
        QFETCH(QString, target);
        Fixture f;
        // The default capture mode must not change what a shortcut or a verb does.
        f.model.preferences().setDefaultMode(u"Full"_s);

        const QString kind = trigger.section(u':', 0, 0);
        const QString argument = trigger.section(u':', 1);
        if (kind == "shortcut"_L1) {
            f.hotKeys.press(argument.toInt() + 1);
            QVERIFY2(f.roads().isEmpty(), "the action ran inside the hot-key handler");
        } else if (kind == "menu"_L1) {
            // Still open when the action fires: the snapshot must wait until it has gone.
            QMenu* menu = f.delegate->statusMenu();
            menu->popup({10, 10});
            QVERIFY(QTest::qWaitForWindowExposed(menu));
            findAction(*menu, argument)->trigger();
            QTest::qWait(400);
            QCOMPARE(f.roads(), QStringList());
            menu->hide();
        } else {
            const auto request =
                InstanceRequest::fromArguments(argument.isEmpty() ? QStringList() : argument.split(u' '), {});
            f.delegate->handle(*request);
        }

        const bool toWorkspace = target == "workspace"_L1;
        QTRY_COMPARE_WITH_TIMEOUT(f.delegate->workspaceWindow() && f.delegate->workspaceWindow()->isVisible(),
                                  toWorkspace, 2000);
        QTRY_COMPARE_WITH_TIMEOUT(f.roads(), toWorkspace ? QStringList() : QStringList{target}, 2000);
        QCOMPARE(f.delegate->workspaceWindow() != nullptr, toWorkspace);
    }

    void workspaceIsKeptAcrossClosing()
    {
        Fixture f;
        f.delegate->showWorkspace();
        QMainWindow* first = f.delegate->workspaceWindow();
        QVERIFY(QTest::qWaitForWindowExposed(first));
        auto* pane = first->findChild<WorkspaceDetail*>();
        f.model.setText(u"kept text"_s);
        first->close();
        QVERIFY(!QApplication::quitOnLastWindowClosed()); // the tray application keeps running
        f.delegate->showWorkspace();
        QCOMPARE(f.delegate->workspaceWindow(), first);
        QVERIFY(first->isVisible());
        QCOMPARE(pane->editor()->toPlainText(), u"kept text"_s);
    }

    // Edit commands go to the focused widget or the nearest enclosing one that has them: a
    // label has no selectAll, a list no paste, but the workspace pastes a clipboard image.
    void editCommandsReachTheNearestWidgetThatHasThem()
    {
        Fixture f;
        f.delegate->showWorkspace();
        QMainWindow* window = f.delegate->workspaceWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        const auto edit = [&f](const QString& title) {
            for (QAction* menu : f.delegate->mainMenu()->actions()) {
                if (menu->text() == u"Edit"_s)
                    findAction(*menu->menu(), title)->trigger();
            }
        };
        QTest::failOnWarning(QRegularExpression(u".*"_s));
        f.model.setMessage(u"a failure"_s);
        QLabel* label = window->findChild<WorkspaceDetail*>()->bannerText();
        label->setFocus();
        QCOMPARE(QApplication::focusWidget(), label);
        edit(u"Select All"_s);
        QCOMPARE(label->selectedText(), QString());

        QGuiApplication::clipboard()->setImage(keyed(1));
        window->findChild<QListView*>()->setFocus();
        edit(u"Paste"_s);
        QTRY_COMPARE_WITH_TIMEOUT(f.engine.calls.load(), 1, 2000);
        QCOMPARE(f.model.source(), AppModel::sourceClipboardImage);
        f.model.cancel();
        QTRY_VERIFY_WITH_TIMEOUT(!f.model.busy(), 2000);
    }

    void terminateCancelsTheFlowAndClosesTheToast()
    {
        Fixture f;
        f.model.processImages({keyed(1)}, Source::Screen);
        QTRY_COMPARE_WITH_TIMEOUT(f.engine.calls.load(), 1, 2000);
        f.delegate->showToast(u"shown"_s);
        QPointer<ToastPanel> panel = f.toast.panel();

        f.delegate->terminate();
        QVERIFY(!panel || !panel->isVisible());
        // Cancelled, not failed: no message, and the engine was let go.
        QTRY_VERIFY_WITH_TIMEOUT(!f.model.busy(), 2000);
        QVERIFY(!f.model.message());

        // Once the shell is gone, the model and the hot keys have nothing left to call.
        f.delegate.reset();
        Q_EMIT f.model.openWorkspace();
        Q_EMIT f.model.toast(u"after"_s);
        QVERIFY(!f.toast.panel() || !f.toast.panel()->isVisible()); // no new toast either
        f.hotKeys.press(4);
        QTest::qWait(20);
    }
};

QTEST_MAIN(TestAppDelegate)
#include "test_appdelegate.moc"
