// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHotKeyBackend.h"
#include "capture/CaptureSource.h"
#include "core/OCREngine.h"
#include "model/AppModel.h"
#include "model/Preferences.h"
#include "model/SoundPlayer.h"
#include "model/UserDefaults.h"
#include "platform/TaskbarHints.h"
#include "shell/AppDelegate.h"
#include "shell/ShortcutManager.h"
#include "shell/ToastPanel.h"
#include "ui/ResultEditor.h"
#include "ui/ResultPane.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QWindow>

#include <atomic>
#include <memory>

using namespace vellumix;

namespace {

class HeldEngine final : public OCREngine
{
public:
    Recognition recognize(const QImage&, const OCROptions&, const CancelToken& cancel) override
    {
        ++calls;
        while (hold) {
            if (cancel.isCancelled())
                throw Cancelled{};
            QThread::msleep(1);
        }
        return {};
    }
    QStringList languages() const override { return {}; }
    std::atomic<bool> hold{false};
    std::atomic<int> calls{0};
};

// Records which road was asked for; every road ends as a selection the user gave up.
class RecordingCapture final : public CaptureSource
{
public:
    QFuture<QList<QImage>> region() override { return record(QStringLiteral("region")); }
    QFuture<QList<QImage>> regions() override { return record(QStringLiteral("regions")); }
    QFuture<QList<QImage>> fullScreen() override { return record(QStringLiteral("fullScreen")); }
    void cancel() override {}
    QStringList roads;

private:
    QFuture<QList<QImage>> record(const QString& road)
    {
        roads.append(road);
        return QtFuture::makeReadyFuture(QList<QImage>());
    }
};

class NoSound final : public SoundPlayer
{
public:
    void play(const QString&) override {}
};

class RecordingTaskbar final : public TaskbarHints
{
public:
    void setListed(QWindow& window, bool shown) override { listed[&window] = shown; }
    QHash<QWindow*, bool> listed;
};

struct Fixture
{
    explicit Fixture(const QList<Shortcut>& stored = {}, bool menuIcon = true, bool startMinimized = true)
    {
        if (!stored.isEmpty())
            defaults.set(ShortcutManager::storeKey, Shortcut::encode(stored));
        {
            Preferences preferences(defaults);
            preferences.setMenuIcon(menuIcon);
            preferences.setStartMinimized(startMinimized);
        }
        model = std::make_unique<AppModel>(defaults, folder.path(), engine, capture, sound);
        shortcuts = std::make_unique<ShortcutManager>(defaults, hotKeys);
        delegate = std::make_unique<AppDelegate>(*model, *shortcuts, defaults, taskbar);
        delegate->launch();
    }
    ~Fixture()
    {
        delegate.reset();
        model.reset();
    }

    QTemporaryDir folder;
    MemoryDefaults defaults;
    HeldEngine engine;
    RecordingCapture capture;
    NoSound sound;
    FakeHotKeyBackend hotKeys;
    RecordingTaskbar taskbar;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<ShortcutManager> shortcuts;
    std::unique_ptr<AppDelegate> delegate;
};

// The menu as text: "-" for a separator, a leading "!" for a disabled item.
QStringList describe(const QMenu& menu)
{
    QStringList items;
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator())
            items.append(QStringLiteral("-"));
        else
            items.append((action->isEnabled() ? QString() : QStringLiteral("!")) + action->text());
    }
    return items;
}

QAction* findAction(const QMenu& menu, const QString& prefix)
{
    for (QAction* action : menu.actions()) {
        if (!action->isSeparator() && action->text().startsWith(prefix))
            return action;
    }
    return nullptr;
}

} // namespace

class TestAppDelegate : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void statusMenu_data();
    void statusMenu();
    void statusMenuFollowsChangedShortcuts();
    void mainMenu();
    void trayFollowsMenuIcon_data();
    void trayFollowsMenuIcon();
    void startMinimized_data();
    void startMinimized();
    void requestsReachTheirTarget_data();
    void requestsReachTheirTarget();
    void workspaceIsKeptAcrossClosing();
    void taskbarPresenceFollowsShowDock();
    void modelCallbacksReachTheShell();
    void terminateCancelsTheFlowAndClosesTheToast();
    void aboutIsNonModalAndReused();
};

void TestAppDelegate::statusMenu_data()
{
    QTest::addColumn<QList<Shortcut>>("stored");
    QTest::addColumn<QStringList>("expected");
    const QStringList tail{QStringLiteral("Capture Full Screen"), QStringLiteral("Extract Text from Image…"),
                           QStringLiteral("Extract Text from PDF…"), QStringLiteral("-")};
    const QStringList end{QStringLiteral("-"), QStringLiteral("!Settings…"), QStringLiteral("About Vellumix"),
                          QStringLiteral("-"), QStringLiteral("Quit Vellumix")};
    const QStringList head{QStringLiteral("!Vellumix · Local OCR"), QStringLiteral("-")};

    QTest::newRow("default shortcuts")
        << QList<Shortcut>()
        << head +
               QStringList{QStringLiteral("Capture Text    Ctrl+Alt+Shift+1"),
                           QStringLiteral("Capture Multiple Regions    Ctrl+Alt+Shift+2")} +
               tail +
               QStringList{QStringLiteral("OCR History    Ctrl+Alt+Shift+3"),
                           QStringLiteral("Open Workspace    Ctrl+Alt+Shift+4")} +
               end;

    QList<Shortcut> odd = Shortcut::defaults();
    odd[0].label.clear();
    odd[3].label = QStringLiteral("Ctrl+&");
    QTest::newRow("empty label keeps the gap, ampersand is not a mnemonic")
        << odd
        << head +
               QStringList{QStringLiteral("Capture Text    "),
                           QStringLiteral("Capture Multiple Regions    Ctrl+Alt+Shift+2")} +
               tail +
               QStringList{QStringLiteral("OCR History    Ctrl+Alt+Shift+3"),
                           QStringLiteral("Open Workspace    Ctrl+&&")} +
               end;
}

void TestAppDelegate::statusMenu()
{
    QFETCH(QList<Shortcut>, stored);
    QFETCH(QStringList, expected);
    Fixture f(stored);
    QCOMPARE(f.delegate->trayIcon()->contextMenu(), f.delegate->statusMenu());
    QCOMPARE(describe(*f.delegate->statusMenu()), expected);
    // Rows carry an icon; the header does not need one.
    QVERIFY(!findAction(*f.delegate->statusMenu(), QStringLiteral("Capture Text"))->icon().isNull());
}

void TestAppDelegate::statusMenuFollowsChangedShortcuts()
{
    Fixture f;
    QMenu& menu = *f.delegate->statusMenu();
    f.shortcuts->set(Shortcut{19, Shortcut::Ctrl | Shortcut::Super, QStringLiteral("Ctrl+Super+0")}, 0);
    QVERIFY(!f.shortcuts->error());
    Q_EMIT menu.aboutToShow();
    QCOMPARE(describe(menu).at(2), QStringLiteral("Capture Text    Ctrl+Super+0"));
    // Rebuilt, not appended to.
    QCOMPARE(describe(menu).size(), 15);
}

void TestAppDelegate::mainMenu()
{
    Fixture f;
    QMenuBar* bar = f.delegate->mainMenu();
    QVERIFY(bar);
    QStringList menus;
    QStringList items;
    for (QAction* action : bar->actions()) {
        menus.append(action->text());
        for (const QAction* item : action->menu()->actions()) {
            if (item->isSeparator()) {
                items.append(QStringLiteral("-"));
                continue;
            }
            QString text = (item->isEnabled() ? QString() : QStringLiteral("!")) + item->text();
            if (!item->shortcut().isEmpty())
                text += u'\t' + item->shortcut().toString();
            items.append(text);
        }
    }
    QCOMPARE(menus, (QStringList{QStringLiteral("Vellumix"), QStringLiteral("File"), QStringLiteral("Edit"),
                                 QStringLiteral("Window")}));
    QCOMPARE(items, (QStringList{QStringLiteral("About Vellumix"), QStringLiteral("!Settings…\tCtrl+,"),
                                 QStringLiteral("-"), QStringLiteral("Quit Vellumix\tCtrl+Q"),
                                 QStringLiteral("Open Workspace"), QStringLiteral("Capture Text"),
                                 QStringLiteral("Import Image…"), QStringLiteral("Import PDF…"),
                                 QStringLiteral("Undo\tCtrl+Z"), QStringLiteral("Cut\tCtrl+X"),
                                 QStringLiteral("Copy\tCtrl+C"), QStringLiteral("Paste\tCtrl+V"),
                                 QStringLiteral("Select All\tCtrl+A"), QStringLiteral("Minimize\tCtrl+M")}));

    // The main menu lives on the workspace window, and its Edit items act on the focused editor.
    f.delegate->showWorkspace();
    QMainWindow* workspace = f.delegate->workspaceWindow();
    QCOMPARE(workspace->menuBar(), bar);
    QVERIFY(QTest::qWaitForWindowActive(workspace));
    auto* editor = workspace->findChild<ResultEditor*>();
    editor->setFocus();
    editor->setPlainText(QStringLiteral("select me"));
    QMenu* edit = bar->actions().at(2)->menu();
    findAction(*edit, QStringLiteral("Select All"))->trigger();
    QCOMPARE(editor->textCursor().selectedText(), QStringLiteral("select me"));
}

void TestAppDelegate::trayFollowsMenuIcon_data()
{
    QTest::addColumn<bool>("atLaunch");
    QTest::newRow("shown at launch") << true;
    QTest::newRow("hidden at launch") << false;
}

void TestAppDelegate::trayFollowsMenuIcon()
{
    QFETCH(bool, atLaunch);
    Fixture f({}, atLaunch);
    QSystemTrayIcon* tray = f.delegate->trayIcon();
    QVERIFY(tray);
    QCOMPARE(tray->isVisible(), atLaunch);
    f.model->preferences().setMenuIcon(!atLaunch);
    QCOMPARE(f.delegate->trayIcon(), tray); // the same item, shown or hidden
    QCOMPARE(tray->isVisible(), !atLaunch);
}

void TestAppDelegate::startMinimized_data()
{
    QTest::addColumn<bool>("startMinimized");
    QTest::newRow("workspace opens") << false;
    QTest::newRow("no window") << true;
}

void TestAppDelegate::startMinimized()
{
    QFETCH(bool, startMinimized);
    Fixture f({}, true, startMinimized);
    QMainWindow* workspace = f.delegate->workspaceWindow();
    QCOMPARE(workspace != nullptr && workspace->isVisible(), !startMinimized);
    if (workspace) {
        QCOMPARE(workspace->windowTitle(), QStringLiteral("Vellumix"));
        QCOMPARE(workspace->size(), AppDelegate::workspaceSize);
    }
    QVERIFY(!QApplication::quitOnLastWindowClosed());
}

// A trigger is "menu:<title>", "shortcut:<index>" or "request:<arguments>"; the expected target
// is a capture road or "workspace".
void TestAppDelegate::requestsReachTheirTarget_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QString>("target");
    QTest::newRow("first shortcut, one region") << "shortcut:0"
                                                << "region";
    QTest::newRow("second shortcut") << "shortcut:1"
                                     << "regions";
    QTest::newRow("history shortcut") << "shortcut:2"
                                      << "workspace";
    QTest::newRow("workspace shortcut") << "shortcut:3"
                                        << "workspace";
    QTest::newRow("menu full screen") << "menu:Capture Full Screen"
                                      << "fullScreen";
    QTest::newRow("menu multiple") << "menu:Capture Multiple Regions"
                                   << "regions";
    QTest::newRow("menu history") << "menu:OCR History"
                                  << "workspace";
    QTest::newRow("menu workspace") << "menu:Open Workspace"
                                    << "workspace";
    QTest::newRow("capture verb") << "request:capture"
                                  << "region";
    QTest::newRow("capture --multiple") << "request:capture --multiple"
                                        << "regions";
    QTest::newRow("capture --full") << "request:capture --full"
                                    << "fullScreen";
    QTest::newRow("workspace verb") << "request:workspace"
                                    << "workspace";
    QTest::newRow("plain relaunch") << "request:"
                                    << "workspace";
}

void TestAppDelegate::requestsReachTheirTarget()
{
    QFETCH(QString, trigger);
    QFETCH(QString, target);
    Fixture f;
    QVERIFY(!f.delegate->workspaceWindow());
    const bool capture = target != QLatin1String("workspace");
    // The default capture mode must not change what a shortcut or a verb does.
    f.model->preferences().setDefaultMode(QStringLiteral("Full"));

    const QString kind = trigger.section(u':', 0, 0);
    const QString argument = trigger.section(u':', 1);
    if (kind == QLatin1String("shortcut")) {
        f.hotKeys.press(argument.toInt() + 1);
    } else if (kind == QLatin1String("menu")) {
        QAction* action = findAction(*f.delegate->statusMenu(), argument);
        QVERIFY(action);
        action->trigger();
    } else {
        const auto request = InstanceRequest::fromArguments(
            argument.isEmpty() ? QStringList() : argument.split(u' '), QDir::tempPath());
        QVERIFY(request);
        f.delegate->handle(*request);
    }

    if (capture) {
        QTRY_COMPARE_WITH_TIMEOUT(f.capture.roads, QStringList{target}, 2000);
        QVERIFY(!f.delegate->workspaceWindow() || !f.delegate->workspaceWindow()->isVisible());
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(f.delegate->workspaceWindow() && f.delegate->workspaceWindow()->isVisible(),
                                 2000);
        QVERIFY(f.capture.roads.isEmpty());
    }
}

void TestAppDelegate::workspaceIsKeptAcrossClosing()
{
    Fixture f;
    f.delegate->showWorkspace();
    QMainWindow* first = f.delegate->workspaceWindow();
    QVERIFY(QTest::qWaitForWindowExposed(first));
    auto* pane = first->findChild<ResultPane*>();
    QVERIFY(pane);
    f.model->setText(QStringLiteral("kept text"));
    QCOMPARE(pane->editor()->text(), QStringLiteral("kept text"));
    QVERIFY(!pane->messageLabel()->isVisible());
    f.model->fail(VellumixError(VellumixError::Kind::NoText));
    QVERIFY(pane->messageLabel()->isVisible());
    QCOMPARE(pane->messageLabel()->text(), VellumixError(VellumixError::Kind::NoText).message());

    const QRect frame(120, 90, 900, 600);
    first->setGeometry(frame);
    first->close();
    QVERIFY(!first->isVisible());
    QVERIFY(f.defaults.data(AppDelegate::workspaceFrameKey));
    // Typing in the editor reaches the model while the window is open.
    f.delegate->showWorkspace();
    QCOMPARE(f.delegate->workspaceWindow(), first);
    QVERIFY(first->isVisible());
    QCOMPARE(pane->editor()->text(), QStringLiteral("kept text"));
    pane->editor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(pane->editor(), QStringLiteral("!"));
    QCOMPARE(f.model->text(), QStringLiteral("kept text!"));

    // A new shell over the same store puts the workspace where the user left it.
    first->close();
    Fixture later;
    later.defaults.set(AppDelegate::workspaceFrameKey, *f.defaults.data(AppDelegate::workspaceFrameKey));
    later.delegate->showWorkspace();
    QCOMPARE(later.delegate->workspaceWindow()->size(), frame.size());
}

void TestAppDelegate::taskbarPresenceFollowsShowDock()
{
    Fixture f;
    Preferences& preferences = f.model->preferences();
    preferences.setShowDock(false);
    f.delegate->showWorkspace();
    f.delegate->about();
    QWindow* workspace = f.delegate->workspaceWindow()->windowHandle();
    QWindow* about = f.delegate->aboutWindow()->windowHandle();
    QCOMPARE(f.taskbar.listed.value(workspace, true), false);
    QCOMPARE(f.taskbar.listed.value(about, true), false);
    preferences.setShowDock(true);
    QCOMPARE(f.taskbar.listed.value(workspace, false), true);
    QCOMPARE(f.taskbar.listed.value(about, false), true);
    // Appearance travels through the same applier.
    preferences.setAppearance(QStringLiteral("Dark"));
    QCOMPARE(QApplication::palette().color(QPalette::Window),
             Appearance::darkPalette().color(QPalette::Window));
    preferences.setAppearance(QStringLiteral("System"));
}

void TestAppDelegate::modelCallbacksReachTheShell()
{
    Fixture f;
    QVERIFY(f.model->toast && f.model->openWorkspace && f.model->openHistory);
    f.model->toast(QStringLiteral("Text copied to clipboard"));
    QVERIFY(f.delegate->toast().panel());
    QCOMPARE(f.delegate->toast().panel()->message(), QStringLiteral("Text copied to clipboard"));
    f.model->openHistory();
    QVERIFY(f.delegate->workspaceWindow() && f.delegate->workspaceWindow()->isVisible());

    // Once the shell is gone, the model has nothing left to call.
    f.delegate.reset();
    QVERIFY(!f.model->toast && !f.model->openWorkspace);
    f.hotKeys.press(4);
}

void TestAppDelegate::terminateCancelsTheFlowAndClosesTheToast()
{
    Fixture f;
    f.engine.hold = true;
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::white);
    f.model->processImages({image}, AppModel::sourceScreen);
    QVERIFY(f.model->busy());
    QTRY_COMPARE_WITH_TIMEOUT(f.engine.calls.load(), 1, 2000);
    f.delegate->showToast(QStringLiteral("shown"));
    QPointer<ToastPanel> panel = f.delegate->toast().panel();
    QVERIFY(panel && panel->isVisible());

    f.delegate->terminate();
    QVERIFY(!panel || !panel->isVisible());
    // Cancelled, not failed: no message, and the engine was let go.
    QTRY_VERIFY_WITH_TIMEOUT(!f.model->busy(), 2000);
    QVERIFY(!f.model->message());
    f.engine.hold = false;
}

void TestAppDelegate::aboutIsNonModalAndReused()
{
    Fixture f;
    f.delegate->about();
    QWidget* about = f.delegate->aboutWindow();
    QVERIFY(about && about->isVisible());
    QVERIFY(!about->isModal());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    auto* credits = about->findChild<QLabel*>(QStringLiteral("credits"));
    QVERIFY(credits);
    QCOMPARE(credits->text(),
             QStringLiteral("Private, on-device text recognition.\nBuilt with Tesseract OCR."));
    about->close();
    f.delegate->about();
    QCOMPARE(f.delegate->aboutWindow(), about);
    QVERIFY(about->isVisible());
}

QTEST_MAIN(TestAppDelegate)
#include "test_appdelegate.moc"
