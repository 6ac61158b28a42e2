// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/xdg/AutostartEntry.h"
#include "platform/xdg/SettingsPage.h"
#include "shell/InstanceRequest.h"
#include "shell/Shortcut.h"
#include "ui/Appearance.h"

#include <QHash>
#include <QIcon>
#include <QMainWindow>
#include <QMenuBar>
#include <QObject>
#include <QPointer>
#include <QSize>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace vellumix {

class AppModel;
class Notifier;
class ShortcutManager;
class TaskbarHints;
class UserDefaults;

// The application's shell: the tray icon and its menu, the main menu, the windows, the toast,
// About, and what the global shortcuts and later launches ask for. Every action ends in an
// operation of the model or in showing a window; it holds no application data of its own.
class AppDelegate final : public QObject
{
    Q_OBJECT
public:
    static inline const QString onboardedKey = QStringLiteral("onboarded");
    static inline const QString workspaceFrameKey = QStringLiteral("Workspace");
    static inline const QString menuHeader = QStringLiteral(QT_TR_NOOP("Vellumix · Local OCR"));
    static inline const QString labelGap = QStringLiteral("    ");
    static constexpr QSize workspaceSize{1120, 720};
    static constexpr QSize settingsSize{740, 590};
    static constexpr QSize onboardingSize{550, 440};

    AppDelegate(AppModel& model,
                ShortcutManager& shortcuts,
                UserDefaults& defaults,
                TaskbarHints& taskbar,
                Notifier& notifier,
                QObject* parent = nullptr);
    // Where launch at login writes its entry (tests choose a folder of their own).
    void setAutostart(AutostartEntry autostart) { m_autostart = std::move(autostart); }
    // Where the desktop lets the user allow screen capture, for the views' button.
    void setCaptureSettings(std::optional<SettingsPage> page) { m_captureSettings = std::move(page); }
    // Whether the desktop shows a system tray now; asked at launch and every few seconds.
    std::function<bool()> trayAvailable;
    ~AppDelegate() override;

    // The launch sequence, once, after construction.
    void launch();
    // What a later launch of vellumix asked for.
    void handle(const InstanceRequest& request);
    // At termination: the running flow is cancelled and the toast closed.
    void terminate();

    // Actions of the menus.
    void capture();
    void multiple();
    void full();
    void image();
    void pdf();
    void showWorkspace();
    void showSettings();
    void showOnboarding();
    void about();
    void quit();

    void showToast(const QString& message);
    void handleShortcut(ShortcutAction action);
    void buildMenu(QMenu& menu);

    QSystemTrayIcon* trayIcon() const { return m_status; }
    QMenu* statusMenu() const { return m_statusMenu.get(); }
    QMenuBar* mainMenu() const { return m_mainMenu; }
    QMainWindow* workspaceWindow() const { return m_workspace; }
    QWidget* aboutWindow() const { return m_about; }
    QMainWindow* settingsWindow() const { return m_settings; }
    QMainWindow* onboardingWindow() const { return m_onboarding; }
    // Whether the windows stay in the taskbar because there is no tray to come back through.
    bool withoutTray() const { return m_withoutTray; }
    Notifier& notifier() const { return m_notifier; }

    static QIcon symbol(const QString& name);

private:
    // Every command of the two menus, built once and shared by both.
    enum class Command { Capture, Multiple, Full, Image, PDF, History, Workspace, Settings, About, Quit };
    QAction* action(Command command);
    void installMainMenu();
    void applyTaskbarPresence();
    void listInTaskbar(QWidget& window);
    void checkTray();
    void announceShortcutFailure();
    QMainWindow* window(const QString& title, QWidget* view, QSize size, bool resizable);
    void bringToFront(QWidget& window);
    void rememberWorkspaceFrame();

    AppModel& m_model;
    ShortcutManager& m_shortcuts;
    UserDefaults& m_defaults;
    TaskbarHints& m_taskbar;
    Appearance m_appearance;
    QSystemTrayIcon* m_status = nullptr;
    std::unique_ptr<QMenu> m_statusMenu;
    QPointer<QMenuBar> m_mainMenu;
    QPointer<QMainWindow> m_workspace;
    QPointer<QWidget> m_about;
    QPointer<QMainWindow> m_settings;
    QPointer<QMainWindow> m_onboarding;
    AutostartEntry m_autostart;
    std::optional<SettingsPage> m_captureSettings;
    bool m_withoutTray = false;
    bool m_announced = false;
    Notifier& m_notifier;
    QHash<Command, QAction*> m_actions;
};

} // namespace vellumix
