// SPDX-License-Identifier: GPL-3.0-or-later
// The settings window, the shortcut recorder, onboarding and the launch sequence on a private
// Xvfb with openbox: real key presses through XTEST, real keyboard and key grabs, real hints.
#include "ModelFixture.h"
#include "WidgetFinders.h"
#include "XClients.h"
#include "model/HistoryStore.h"
#include "platform/null/NullHotKeyBackend.h"
#include "platform/x11/X11HotKeyBackend.h"
#include "platform/x11/X11TaskbarHints.h"
#include "shell/AppDelegate.h"
#include "shell/ShortcutManager.h"
#include "ui/OnboardingView.h"
#include "ui/SettingsView.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QWindow>

#include <unistd.h>

using namespace vellumix;
using namespace vellumix::testing;
using namespace Qt::StringLiterals;

namespace {

// Whether the window keeps out of the taskbar, as xprop sees it; nothing when xprop failed.
std::optional<bool> skipsTaskbar(const QWidget& window)
{
    QProcess xprop;
    xprop.start(u"xprop"_s, {u"-id"_s, QString::number(window.winId()), u"_NET_WM_STATE"_s});
    if (!xprop.waitForFinished() || xprop.exitCode() != 0)
        return std::nullopt;
    return xprop.readAllStandardOutput().contains("_NET_WM_STATE_SKIP_TASKBAR");
}

// The settings view in a window of its own over a model of fakes and the real X11 hot keys.
struct Settings : ModelFixture
{
    explicit Settings(const QString& autostart = QString())
        : backend(X11HotKeyBackend::create()), shortcuts(defaults, *backend),
          view(new SettingsView(
              model, shortcuts, autostart.isEmpty() ? AutostartEntry() : AutostartEntry(autostart)))
    {
        window.setCentralWidget(view);
        // Stands for the main menu's Quit and Undo: recording must keep them from firing.
        for (const QKeySequence& key :
             {QKeySequence(Qt::CTRL | Qt::Key_Q), QKeySequence(Qt::CTRL | Qt::Key_Z)}) {
            auto* action = new QAction(&window);
            action->setShortcut(key);
            QObject::connect(action, &QAction::triggered, [this] { ++menuActions; });
            window.addAction(action);
        }
        QObject::connect(&shortcuts, &ShortcutManager::triggered,
                         [this](ShortcutAction action) { triggered.append(int(action)); });
        window.show();
        window.activateWindow();
    }
    QVariant stored(Preferences::Key key) const
    {
        return defaults.dictionary(Preferences::storeKey)
            .value_or(QVariantMap())
            .value(Preferences::keyName(key));
    }
    template <typename T> T* find(const QString& name) const { return view->findChild<T*>(name); }

    std::unique_ptr<X11HotKeyBackend> backend;
    ShortcutManager shortcuts;
    QMainWindow window;
    SettingsView* view;
    int menuActions = 0;
    QList<int> triggered;
};

// The shell over a model of fakes, launched by the test; `onboarded` as if a run had finished
// onboarding, `refused` the combinations the hot keys refuse.
struct Launch : ModelFixture
{
    explicit Launch(bool onboarded,
                    const QMap<FakeHotKeyBackend::Combination, int>& refused = {},
                    const QString& noService = {})
        : noShortcuts(noService)
    {
        if (onboarded)
            defaults.set(AppDelegate::onboardedKey, true);
        hotKeys.refused = refused;
        shortcuts = std::make_unique<ShortcutManager>(
            defaults, noService.isEmpty() ? static_cast<HotKeyBackend&>(hotKeys) : noShortcuts);
        delegate = std::make_unique<AppDelegate>(model, *shortcuts, defaults, *taskbar, notifier);
        delegate->trayAvailable = [this] { return tray; };
    }
    FakeHotKeyBackend hotKeys;
    NullHotKeyBackend noShortcuts;
    FakeNotifier notifier;
    std::unique_ptr<X11TaskbarHints> taskbar = X11TaskbarHints::create();
    std::unique_ptr<ShortcutManager> shortcuts;
    std::unique_ptr<AppDelegate> delegate;
    bool tray = true;
};

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QCOMPARE(QGuiApplication::platformName(), u"xcb"_s); }

    // Control, how it is set ("check", "uncheck", "choose:<title>", "type:<text>", "edit:<text>"),
    // and the value that must reach the store. Every control of a kind shares one binding, so a
    // row per kind and per value type is enough.
    void controlsSaveAtOnce_data()
    {
        QTest::addColumn<Preferences::Key>("key");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QVariant>("expected");
        using K = Preferences::Key;
        const struct
        {
            K key;
            const char* action;
            QVariant expected;
        } rows[] = {
            {K::MenuIcon, "uncheck", false},
            {K::DefaultMode, "choose:Multiple regions", u"Multiple"_s},
            {K::Languages, "type:deu, eng", u"deu, eng"_s},
            {K::Vocabulary, "edit:Vellumix\nqpdf", u"Vellumix\nqpdf"_s},
            {K::RetentionDays, "choose:1 year", 365},
        };
        for (const auto& row : rows)
            QTest::addRow("%s %s", qPrintable(Preferences::keyName(row.key)), row.action)
                << row.key << QString::fromUtf8(row.action) << row.expected;
    }
    void controlsSaveAtOnce()
    {
        QFETCH(Preferences::Key, key);
        QFETCH(QString, action);
        QFETCH(QVariant, expected);
        Settings s;
        QVERIFY(!s.defaults.dictionary(Preferences::storeKey)); // opening the window writes nothing
        const QString verb = action.section(u':', 0, 0);
        const QString argument = action.section(u':', 1);
        QWidget* control = s.find<QWidget>(Preferences::keyName(key));
        QVERIFY(control);
        // What the control shows, as the preferences would hold it.
        const auto shown = [control]() -> QVariant {
            if (auto* box = qobject_cast<QCheckBox*>(control))
                return box->isChecked();
            if (auto* combo = qobject_cast<QComboBox*>(control))
                return combo->currentData();
            if (auto* edit = qobject_cast<QLineEdit*>(control))
                return edit->text();
            return static_cast<QPlainTextEdit*>(control)->toPlainText();
        };
        QCOMPARE(shown(), Preferences::defaultValue(key));
        if (auto* box = qobject_cast<QCheckBox*>(control)) {
            box->click();
        } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
            const int index = combo->findText(argument);
            QVERIFY(index >= 0);
            combo->setCurrentIndex(index);
            Q_EMIT combo->activated(index);
        } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            edit->selectAll();
            QTest::keyClicks(edit, argument);
        } else {
            static_cast<QPlainTextEdit*>(control)->setPlainText(argument);
        }
        QCOMPARE(s.stored(key), expected);
        QCOMPARE(shown(), expected);

        // And back: a change made elsewhere (a reset) shows in the control.
        s.preferences().reset();
        QCOMPARE(shown(), Preferences::defaultValue(key));
    }

    void historyActions()
    {
        Settings s;
        s.preferences().setRetainImages(true);
        QImage image(40, 20, QImage::Format_RGB32);
        image.fill(Qt::white);
        s.model.history().add(u"kept"_s, u"Screen"_s, u"en"_s, 0.9f, image, true, 30);
        const HistoryEntry entry = s.model.history().entries().first();
        QVERIFY(QFile::exists(s.model.history().imagePath(entry)));

        // Retention off deletes the images at once; the entries stay.
        s.find<QCheckBox>(u"retainImages"_s)->click();
        QVERIFY(!QFile::exists(s.model.history().imagePath(entry)));
        QCOMPARE(s.model.history().entries().size(), 1);
        QVERIFY(!s.model.history().entries().first().imageName);

        // "Clear All History…" asks first; Cancel keeps, Delete All removes.
        s.view->setSection(u"History"_s);
        s.find<QPushButton>(u"clearHistory"_s)->click();
        QMessageBox* box = openedWindow<QMessageBox>();
        QVERIFY(box);
        buttonTitled(box, u"Cancel"_s)->click();
        QCOMPARE(s.model.history().entries().size(), 1);
        s.find<QPushButton>(u"clearHistory"_s)->click();
        box = openedWindow<QMessageBox>();
        QVERIFY(box);
        buttonTitled(box, u"Delete All"_s)->click();
        QVERIFY(s.model.history().entries().isEmpty());
    }

    void resetKeepsHistory()
    {
        Settings s;
        s.model.history().add(u"kept"_s, u"Screen"_s, u"en"_s, 0.9f, QImage(), false, 30);
        s.preferences().setAccent(u"Blue"_s);
        s.shortcuts.set(Shortcut{33, Shortcut::Ctrl | Shortcut::Alt, u"Ctrl+Alt+P"_s},
                        ShortcutAction::OpenWorkspace);
        s.find<QPushButton>(u"resetPreferences"_s)->click();
        QCOMPARE(s.preferences().accent(), u"Mint"_s);
        QCOMPARE(s.shortcuts.shortcuts(), Shortcut::defaults());
        QCOMPARE(s.find<QPushButton>(u"shortcut3"_s)->text(), u"Ctrl+Alt+Shift+4"_s);
        QCOMPARE(s.model.history().entries().size(), 1);
    }

    void sectionFallbackAndLanguageNames()
    {
        Settings s;
        s.view->setSection(u"Elsewhere"_s);
        QCOMPARE(s.view->section(), u"Advanced"_s);
        QVERIFY(!s.find<QPushButton>(u"captureSettings"_s)); // X11 has nothing to allow
        QCOMPARE(SettingsView::humanLanguages({u"eng"_s, u"deu"_s, u"chi_sim"_s, u"xyzzy"_s}),
                 u"English (eng), German (deu), Chinese, Simplified (chi_sim), xyzzy"_s);
    }

    // Keys pressed while row 0 records (xdotool names); the label recorded, or empty for none.
    void recorder_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("label");
        QTest::newRow("Ctrl+Alt+P") << u"ctrl+alt+p"_s << u"Ctrl+Alt+P"_s;
        QTest::newRow("P alone") << u"p"_s << QString();
        QTest::newRow("a lone Ctrl does not end it") << u"Control_L ctrl+alt+p"_s << u"Ctrl+Alt+P"_s;
        QTest::newRow("Ctrl+Q is recorded, not quit") << u"ctrl+q"_s << u"Ctrl+Q"_s;
        // Our own capture shortcut, grabbed on the root window until the recording starts.
        QTest::newRow("our own Ctrl+Alt+Shift+1") << u"ctrl+alt+shift+1"_s << u"Ctrl+Alt+Shift+1"_s;
    }
    void recorder()
    {
        QFETCH(QString, keys);
        QFETCH(QString, label);
        Settings s;
        QVERIFY(QTest::qWaitForWindowActive(&s.window, 20000));
        s.view->setSection(u"Shortcuts"_s);
        auto* button = s.find<QPushButton>(u"shortcut0"_s);
        button->click();
        QCOMPARE(s.view->recording(), std::optional(0));
        QVERIFY(s.shortcuts.holdsKeyboard());
        QVERIFY(press(keys));
        QTRY_VERIFY_WITH_TIMEOUT(!s.view->recording(), 3000);
        QVERIFY(!s.shortcuts.holdsKeyboard());
        if (label.isEmpty()) {
            QCOMPARE(s.shortcuts.error(), std::optional(ShortcutManager::unacceptableMessage()));
            QCOMPARE(s.shortcuts.shortcuts()[0], Shortcut::defaults()[0]);
            QVERIFY(s.find<QLabel>(u"shortcutError"_s)->isVisible());
        } else {
            QCOMPARE(s.shortcuts.error(), std::nullopt);
            QCOMPARE(s.shortcuts.shortcuts()[0].label, label);
            QCOMPARE(button->text(), label);
        }
        QTest::qWait(100);
        QCOMPARE(s.menuActions, 0);
        QCOMPARE(s.triggered, QList<int>());
        // Afterwards the registered shortcuts work again.
        QVERIFY(press(u"ctrl+alt+shift+2"_s));
        QTRY_COMPARE_WITH_TIMEOUT(s.triggered, QList<int>{1}, 3000);
    }

    void recordingEndsOnEveryWayOut_data()
    {
        QTest::addColumn<QString>("way");
        QTest::newRow("click elsewhere") << u"click"_s;
        QTest::newRow("window closed") << u"close"_s;
        QTest::newRow("view destroyed") << u"destroy"_s;
    }
    void recordingEndsOnEveryWayOut()
    {
        QFETCH(QString, way);
        Settings s;
        QVERIFY(QTest::qWaitForWindowActive(&s.window, 20000));
        s.view->setSection(u"Shortcuts"_s);
        s.find<QPushButton>(u"shortcut1"_s)->click();
        QVERIFY(s.shortcuts.holdsKeyboard());
        QVERIFY(s.shortcuts.isSuspended());
        if (way == "click"_L1) {
            auto* other = s.find<QPushButton>(u"shortcut2"_s);
            QTest::mouseClick(other, Qt::LeftButton);
            QCOMPARE(s.view->recording(), std::optional(2)); // the click started the other row
            QTest::mouseClick(s.find<QCheckBox>(u"menuIcon"_s), Qt::LeftButton);
            QTRY_VERIFY(!s.view->recording());
        } else if (way == "close"_L1) {
            s.window.close();
        } else {
            delete s.view;
        }
        QTRY_VERIFY(!s.shortcuts.holdsKeyboard());
        QVERIFY(!s.shortcuts.isSuspended());
        QVERIFY(press(u"ctrl+alt+shift+4"_s));
        QTRY_COMPARE_WITH_TIMEOUT(s.triggered, QList<int>{3}, 3000);
    }

    void heldCombinationShowsInItsRow()
    {
        OtherClient other;
        QCOMPARE(other.grab(11, 4 | 8 | 1), 0); // Ctrl+Alt+Shift+2
        Settings s;
        s.view->setSection(u"Shortcuts"_s);
        QLabel* row = s.find<QLabel>(u"shortcutError1"_s);
        QTRY_VERIFY(row->isVisible());
        QCOMPARE(row->text(), ShortcutManager::statusMessage(10));
        QVERIFY(!s.find<QLabel>(u"shortcutError0"_s)->isVisible());
        QVERIFY(!s.find<QWidget>(u"commands"_s)->isVisible()); // X11 registers its own keys
    }

    // Without a shortcut service each row shows its command and copies it; the reason shows once.
    void desktopWithoutShortcutService()
    {
        ModelFixture m;
        NullHotKeyBackend backend(u"This Wayland desktop offers no global shortcuts service."_s);
        ShortcutManager shortcuts(m.defaults, backend);
        SettingsView view(m.model, shortcuts, AutostartEntry(), SettingsPage{u"true"_s, {}});
        view.setSection(u"Shortcuts"_s);
        view.show();
        for (int row = 0; row < 4; ++row) {
            auto* button = view.findChild<QPushButton*>(u"shortcut%1"_s.arg(row));
            button->click();
            QVERIFY(!view.recording());
            QVERIFY(button->text().startsWith(u"vellumix "_s));
            QCOMPARE(QGuiApplication::clipboard()->text(), button->text());
            QVERIFY(!view.findChild<QLabel*>(u"shortcutError%1"_s.arg(row))->isVisible());
        }
        QCOMPARE(view.findChild<QLabel*>(u"shortcutError"_s)->text(), backend.unavailableReason());
        auto* commands = view.findChild<QPlainTextEdit*>(u"commands"_s);
        QVERIFY(commands && commands->isVisible());
        QVERIFY(commands->toPlainText().contains(u"vellumix capture --multiple"_s));
        view.findChild<QPushButton*>(u"copyCommands"_s)->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), commands->toPlainText());
        view.setSection(u"Capture"_s);
        QVERIFY(view.findChild<QPushButton*>(u"captureSettings"_s)->isVisible());
    }

    void launchAtLogin_data()
    {
        QTest::addColumn<QString>("blocker"); // what stands in the way of the entry
        QTest::newRow("writable") << QString();
        QTest::newRow("autostart is a file") << u"file"_s;
        QTest::newRow("read-only autostart folder") << u"read-only"_s;
    }
    void launchAtLogin()
    {
        QFETCH(QString, blocker);
        QTemporaryDir config;
        const QString folder = config.filePath(u"autostart"_s);
        if (blocker == "file"_L1) {
            QFile file(folder);
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else if (blocker == "read-only"_L1) {
            if (geteuid() == 0)
                QSKIP("root writes into read-only folders");
            QVERIFY(QDir().mkpath(folder));
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        }
        Settings s(folder);
        auto* toggle = s.find<QCheckBox>(u"login"_s);
        auto* error = s.find<QLabel>(u"loginError"_s);
        QVERIFY(!toggle->isChecked());
        toggle->click();
        const QString path = folder + u"/vellumix.desktop"_s;
        if (!blocker.isEmpty()) {
            QVERIFY(error->isVisible());
            QVERIFY(error->text().contains(u"autostart"_s));
            QVERIFY(!toggle->isChecked()); // the file's state, not the click
            QVERIFY(!QFile::exists(path) || !QFileInfo(path).isFile());
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            return;
        }
        QVERIFY(toggle->isChecked());
        QVERIFY(!error->isVisible());
        const QSettings entry(path, QSettings::IniFormat);
        QCOMPARE(entry.value(u"Desktop Entry/Exec"_s).toString(), QCoreApplication::applicationFilePath());
        QCOMPARE(entry.value(u"Desktop Entry/X-GNOME-Autostart-enabled"_s).toString(), u"true"_s);
        toggle->click();
        QVERIFY(!QFile::exists(path));
        QVERIFY(!toggle->isChecked());
        // A desktop that hides the entry has switched it off.
        QVERIFY(!AutostartEntry(folder).setEnabled(true, u"/usr/bin/vellumix"_s));
        QSettings(path, QSettings::IniFormat).setValue(u"Desktop Entry/Hidden"_s, true);
        QVERIFY(!AutostartEntry(folder).isEnabled());
    }

    void execLine_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("exec"); // as written in the file
        QTest::newRow("plain") << u"/usr/bin/vellumix"_s << u"/usr/bin/vellumix"_s;
        QTest::newRow("space") << u"/opt/My Apps/vellumix"_s << u"\"/opt/My Apps/vellumix\""_s;
        QTest::newRow("dollar") << u"/home/a$b/vellumix"_s << u"\"/home/a\\\\$b/vellumix\""_s;
        QTest::newRow("backslash") << u"/tmp/x\\y"_s << u"\"/tmp/x\\\\\\\\y\""_s;
        QTest::newRow("percent") << u"/tmp/100%/vellumix"_s << u"/tmp/100%%/vellumix"_s;
    }
    void execLine()
    {
        QFETCH(QString, path);
        QFETCH(QString, exec);
        QCOMPARE(AutostartEntry::execLine(path), exec);
    }

    void onboardingFlow()
    {
        Launch l(false);
        QTemporaryDir config;
        QFile blocker(config.filePath(u"autostart"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // enabling launch at login fails
        l.delegate->setAutostart(AutostartEntry(blocker.fileName()));
        l.delegate->launch();

        QMainWindow* window = l.delegate->onboardingWindow();
        QVERIFY(window && window->isVisible());
        QVERIFY(!l.delegate->workspaceWindow());
        auto* view = window->findChild<OnboardingView*>();
        const auto child = [&](const QString& name) { return view->findChild<QWidget*>(name); };
        const auto counter = [&] { return view->findChild<QLabel*>(u"counter"_s)->text(); };
        const auto next = [&] { return view->findChild<QPushButton*>(u"next"_s); };
        QCOMPARE(counter(), u"1 of 6"_s);
        QVERIFY(!child(u"back"_s)->isVisible());
        QVERIFY(child(u"systemSettings"_s)->isHidden()); // X11 has no capture permission
        for (int step = 1; step < 4; ++step)
            next()->click();
        static_cast<QPushButton*>(child(u"enableLogin"_s))->click();
        auto* loginError = view->findChild<QLabel*>(u"loginError"_s);
        QVERIFY(loginError->isVisible());
        static_cast<QPushButton*>(child(u"back"_s))->click();
        QCOMPARE(counter(), u"3 of 6"_s);
        QCOMPARE(view->text(),
                 u"Use Ctrl+Alt+Shift+1 from any app. You can record a different shortcut in Settings."_s);
        l.shortcuts->set(Shortcut{33, Shortcut::Ctrl | Shortcut::Alt, u"Ctrl+Alt+P"_s},
                         ShortcutAction::CaptureRegion);
        QVERIFY(view->findChild<QLabel*>(u"text"_s)->text().startsWith(u"Use Ctrl+Alt+P from"_s));
        static_cast<QPushButton*>(child(u"configureShortcuts"_s))->click();
        QVERIFY(l.delegate->settingsWindow() && l.delegate->settingsWindow()->isVisible());
        next()->click();
        QVERIFY(loginError->isVisible()); // coming back shows it again
        next()->click();
        QVERIFY(!loginError->isVisible());

        // Closing on page 5 does not finish it; the next launch's window starts over.
        window->close();
        QVERIFY(!l.defaults.boolean(AppDelegate::onboardedKey));
        l.delegate->showOnboarding();
        view = l.delegate->onboardingWindow()->findChild<OnboardingView*>();
        QCOMPARE(view->step(), 0);
        for (int step = 1; step < 6; ++step)
            view->findChild<QPushButton*>(u"next"_s)->click();
        view->findChild<QPushButton*>(u"next"_s)->click();
        QVERIFY(l.defaults.boolean(AppDelegate::onboardedKey));
        QVERIFY(!l.delegate->onboardingWindow()->isVisible());
    }

    // Tray present, missing at launch or gone later; what a plain first launch shows, lists and
    // writes.
    void firstLaunch_data()
    {
        QTest::addColumn<bool>("tray");
        QTest::addColumn<bool>("goneLater");
        QTest::newRow("with a tray") << true << false;
        QTest::newRow("without a tray") << false << false;
        QTest::newRow("tray gone later") << false << true;
    }
    void firstLaunch()
    {
        QFETCH(bool, tray);
        QFETCH(bool, goneLater);
        Launch l(false, {{{11, 0xB00}, 10}});
        l.tray = tray || goneLater;
        l.delegate->launch();
        QVERIFY(l.delegate->onboardingWindow()->isVisible());
        if (goneLater) {
            QVERIFY(!l.delegate->workspaceWindow());
            l.tray = false; // the panel holding the tray quit
        }
        QTRY_COMPARE_WITH_TIMEOUT(l.delegate->workspaceWindow() && l.delegate->workspaceWindow()->isVisible(),
                                  !tray, 5000);
        if (!tray) {
            QMainWindow* workspace = l.delegate->workspaceWindow();
            QVERIFY(QTest::qWaitForWindowExposed(workspace));
            QCOMPARE(skipsTaskbar(*workspace), std::optional(false)); // listed though showDock is off
        }
        // The refused shortcut is announced once, pointing to Settings; the tray's absence too.
        const QStringList expected{ShortcutManager::refusedMessage(u"Ctrl+Alt+Shift+2"_s, 10) +
                                   u" See Shortcuts in Settings."_s};
        QCOMPARE(l.notifier.shown.mid(0, 1), expected);
        QCOMPARE(l.notifier.shown.size(), tray ? 1 : 2);
        // Nothing was written: no preferences, no shortcuts, no onboarding flag.
        QCOMPARE(l.defaults.contents().keys(), QStringList());
    }

    // A refused combination is told at every launch; a desktop without a shortcut service stays so,
    // and is told once, before the onboarding is done.
    void shortcutProblemsAtLaunch_data()
    {
        QTest::addColumn<bool>("onboarded");
        QTest::addColumn<bool>("serviceMissing");
        QTest::addColumn<bool>("told");
        QTest::newRow("refused, later launch") << true << false << true;
        QTest::newRow("no service, first launch") << false << true << true;
        QTest::newRow("no service, later launch") << true << true << false;
    }
    void shortcutProblemsAtLaunch()
    {
        QFETCH(bool, onboarded);
        QFETCH(bool, serviceMissing);
        QFETCH(bool, told);
        Launch l(onboarded, {{{11, 0xB00}, 10}}, serviceMissing ? u"No service here."_s : QString());
        l.delegate->launch();
        QTRY_VERIFY(!l.shortcuts->isRegistering());
        QCOMPARE(l.notifier.shown.filter(u"See Shortcuts in Settings."_s).size(), told ? 1 : 0);
        if (!onboarded) { // the onboarding's shortcut page says the same
            auto* view = l.delegate->onboardingWindow()->findChild<OnboardingView*>();
            view->setStep(2);
            QCOMPARE(view->text().startsWith(u"No service here."_s), serviceMissing);
        }
    }

    void taskbarHintsSurviveClosing()
    {
        Launch l(true);
        l.delegate->launch();
        for (int round = 0; round < 2; ++round) {
            l.delegate->showSettings();
            QMainWindow* window = l.delegate->settingsWindow();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            QCOMPARE(skipsTaskbar(*window), std::optional(true));
            l.delegate->about();
            QVERIFY(QTest::qWaitForWindowExposed(l.delegate->aboutWindow()));
            QCOMPARE(skipsTaskbar(*l.delegate->aboutWindow()), std::optional(true));
            window->close();
            l.delegate->aboutWindow()->close();
            QTRY_VERIFY(!window->isVisible());
        }
    }

    void helpAndVersionNeedNoDisplay_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("start");
        QTest::newRow("--help") << u"--help"_s << u"Usage: vellumix"_s;
        QTest::newRow("--version") << u"--version"_s << u"vellumix "_s;
    }
    void helpAndVersionNeedNoDisplay()
    {
        QFETCH(QString, argument);
        QFETCH(QString, start);
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(u"DISPLAY"_s);
        environment.remove(u"WAYLAND_DISPLAY"_s);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(VELLUMIX_BINARY), {argument});
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(QString::fromUtf8(process.readAllStandardOutput()).startsWith(start));
    }
};

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
