// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/AppDelegate.h"
#include "model/AppModel.h"
#include "model/HistoryStore.h"
#include "model/Preferences.h"
#include "model/UserDefaults.h"
#include "platform/Notifier.h"
#include "platform/TaskbarHints.h"
#include "shell/ShortcutManager.h"
#include "ui/AboutDialog.h"
#include "ui/FileDialogs.h"
#include "ui/OnboardingView.h"
#include "ui/SettingsView.h"
#include "ui/ThemedView.h"
#include "ui/WorkspaceView.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QHash>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <functional>
#include <utility>

namespace vellumix {

namespace {

// Freedesktop icon names, each with a drawing of our own for desktops without an icon theme.
const QHash<QString, QString>& themeNames()
{
    static const QHash<QString, QString> names{
        {QStringLiteral("capture"), QStringLiteral("edit-select-all")},
        {QStringLiteral("multiple"), QStringLiteral("edit-copy")},
        {QStringLiteral("fullscreen"), QStringLiteral("video-display")},
        {QStringLiteral("image"), QStringLiteral("image-x-generic")},
        {QStringLiteral("document"), QStringLiteral("x-office-document")},
        {QStringLiteral("history"), QStringLiteral("document-open-recent")},
        {QStringLiteral("workspace"), QStringLiteral("window-new")},
        {QStringLiteral("settings"), QStringLiteral("preferences-system")},
        {QStringLiteral("about"), QStringLiteral("help-about")},
        {QStringLiteral("quit"), QStringLiteral("application-exit")},
        {QStringLiteral("vellumix"), QStringLiteral("vellumix")},
    };
    return names;
}

// The Edit and Window items act on whatever has the focus, like a first responder: the focused
// widget, or the nearest enclosing one that knows the command (a label has no selectAll).
void sendToFocus(const char* slot)
{
    const QByteArray signature = QByteArray(slot) + "()";
    for (QWidget* widget = QApplication::focusWidget(); widget; widget = widget->parentWidget()) {
        if (widget->metaObject()->indexOfMethod(signature.constData()) >= 0) {
            QMetaObject::invokeMethod(widget, slot);
            return;
        }
        if (widget->isWindow())
            return;
    }
}

// Menus read '&' as a mnemonic marker.
QString literal(QString text)
{
    return text.replace(u'&', QLatin1String("&&"));
}

// Hides the window instead of destroying it, and tells when that happens.
class HideOnClose final : public QObject
{
public:
    HideOnClose(std::function<void()> hidden, QObject* parent) : QObject(parent), m_hidden(std::move(hidden))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Hide && m_hidden)
            m_hidden();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_hidden;
};

// A capture started from a menu must not freeze the menu into its snapshot: it starts once no
// popup is open and the windows it covered had a moment to repaint.
void afterMenus(QObject* context, std::function<void()> action)
{
    constexpr int settleMs = 150;
    QTimer::singleShot(settleMs, context, [context, action = std::move(action)]() mutable {
        if (QApplication::activePopupWidget())
            afterMenus(context, std::move(action));
        else
            action();
    });
}

// Qt destroys a top-level's native window when it closes and makes a new one when it shows
// again; the new one starts without our taskbar hints.
class TaskbarPresence final : public QObject
{
public:
    TaskbarPresence(std::function<void(QWidget&)> apply, QObject* parent)
        : QObject(parent), m_apply(std::move(apply))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // At Show the native window exists but is not mapped yet, so the hints count from the start.
        if ((event->type() == QEvent::Show || event->type() == QEvent::WinIdChange) &&
            watched->isWidgetType())
            m_apply(*static_cast<QWidget*>(watched));
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(QWidget&)> m_apply;
};

} // namespace

AppDelegate::AppDelegate(AppModel& model,
                         ShortcutManager& shortcuts,
                         UserDefaults& defaults,
                         TaskbarHints& taskbar,
                         Notifier& notifier,
                         QObject* parent)
    : QObject(parent), m_model(model), m_shortcuts(shortcuts), m_defaults(defaults), m_taskbar(taskbar),
      m_notifier(notifier)
{
    trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
}

AppDelegate::~AppDelegate()
{
    m_model.chooseOpenFile = nullptr;
    m_model.chooseSaveFile = nullptr;
    // Destroying the window hides it: the frame must not be read from a half-destroyed window.
    QMainWindow* workspace = m_workspace;
    m_workspace = nullptr;
    delete workspace;
    delete m_about;
    // Likewise the settings window's hide handler must not reach into its half-destroyed view.
    delete std::exchange(m_settings, nullptr).data();
    delete m_onboarding;
    delete m_mainMenu; // when no window took it
}

QIcon AppDelegate::symbol(const QString& name)
{
    const QIcon fallback(QStringLiteral(":/vellumix/icons/%1.svg").arg(name));
    return QIcon::fromTheme(themeNames().value(name, name), fallback);
}

void AppDelegate::launch()
{
    QApplication::setQuitOnLastWindowClosed(false);
    Preferences& preferences = m_model.preferences();

    installMainMenu();
    // Applied, not saved: a launch that changes nothing writes nothing.
    m_appearance.apply(preferences.appearance());
    connect(&preferences, &Preferences::saved, this, [this] {
        applyTaskbarPresence();
        m_appearance.apply(m_model.preferences().appearance());
    });

    m_status = new QSystemTrayIcon(this);
    connect(&preferences, &Preferences::changed, this, [this](Preferences::Key key) {
        if (key == Preferences::Key::MenuIcon)
            m_status->setVisible(m_model.preferences().menuIcon());
    });
    m_status->setIcon(symbol(QStringLiteral("vellumix")));
    m_status->setToolTip(QStringLiteral("Vellumix"));

    m_statusMenu = std::make_unique<QMenu>();
    connect(m_statusMenu.get(), &QMenu::aboutToShow, this, [this] { buildMenu(*m_statusMenu); });
    m_status->setContextMenu(m_statusMenu.get());
    // Some trays send a plain click instead of opening the menu themselves.
    connect(m_status, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            m_statusMenu->popup(QCursor::pos());
    });
    buildMenu(*m_statusMenu);
    m_status->setVisible(preferences.menuIcon());

    connect(&m_model, &AppModel::openWorkspace, this, &AppDelegate::showWorkspace);
    connect(&m_model, &AppModel::openHistory, this, &AppDelegate::showWorkspace);
    connect(&m_model, &AppModel::openSettings, this, &AppDelegate::showSettings);
    connect(&m_model, &AppModel::toast, this, &AppDelegate::showToast);
    const QPointer<AppDelegate> self(this);
    // Panels sit over the workspace when it is on screen; from the tray they stand alone.
    installFileDialogs(m_model, [self]() -> QWidget* {
        if (self && self->m_workspace && self->m_workspace->isVisible())
            return self->m_workspace;
        return nullptr;
    });
    connect(&m_shortcuts, &ShortcutManager::triggered, this, &AppDelegate::handleShortcut);
    if (m_shortcuts.isRegistering())
        connect(&m_shortcuts, &ShortcutManager::registrationsChanged, this,
                &AppDelegate::announceShortcutFailure);
    else
        announceShortcutFailure();

    if (!m_defaults.boolean(onboardedKey))
        showOnboarding();
    else if (!preferences.startMinimized())
        showWorkspace();
    // Without a tray the user would have nothing to come back through.
    checkTray();
    auto* trayWatch = new QTimer(this);
    connect(trayWatch, &QTimer::timeout, this, &AppDelegate::checkTray);
    trayWatch->start(3000);
}

void AppDelegate::checkTray()
{
    const bool without = !trayAvailable();
    if (without == m_withoutTray)
        return;
    m_withoutTray = without;
    applyTaskbarPresence();
    if (without) {
        showWorkspace();
        m_notifier.notify(tr("No system tray is available, so Vellumix keeps its window in the taskbar."));
    }
}

void AppDelegate::announceShortcutFailure()
{
    if (m_announced)
        return;
    m_announced = true;
    disconnect(&m_shortcuts, &ShortcutManager::registrationsChanged, this,
               &AppDelegate::announceShortcutFailure);
    // A desktop without a shortcut service stays so: told at the first launch, then shown in
    // Settings, with the commands to bind instead.
    if (!m_shortcuts.canRegister() && m_defaults.boolean(onboardedKey))
        return;
    if (const std::optional<QString> error = m_shortcuts.error())
        m_notifier.notify(tr("%1 See Shortcuts in Settings.").arg(*error));
}

void AppDelegate::handle(const InstanceRequest& request)
{
    switch (request.verb) {
    case InstanceRequest::Verb::Reopen:
    case InstanceRequest::Verb::Workspace:
        showWorkspace();
        break;
    case InstanceRequest::Verb::Open:
        m_model.load(QUrl::fromLocalFile(request.path));
        break;
    case InstanceRequest::Verb::Capture:
        m_model.capture(CaptureKind::Region);
        break;
    case InstanceRequest::Verb::CaptureMultiple:
        m_model.capture(CaptureKind::Regions);
        break;
    case InstanceRequest::Verb::CaptureFull:
        m_model.capture(CaptureKind::FullScreen);
        break;
    }
}

void AppDelegate::terminate()
{
    m_model.cancel();
    m_notifier.stop();
    rememberWorkspaceFrame();
}

void AppDelegate::capture()
{
    afterMenus(this, [this] { m_model.captureDefault(); });
}

void AppDelegate::multiple()
{
    afterMenus(this, [this] { m_model.capture(CaptureKind::Regions); });
}

void AppDelegate::full()
{
    afterMenus(this, [this] { m_model.capture(CaptureKind::FullScreen); });
}

void AppDelegate::image()
{
    m_model.importFile(ImportKind::Image);
}

void AppDelegate::pdf()
{
    m_model.importFile(ImportKind::PDF);
}

void AppDelegate::handleShortcut(ShortcutAction action)
{
    switch (action) {
    case ShortcutAction::CaptureRegion: // one region, whatever the default capture mode says
        m_model.capture(CaptureKind::Region);
        break;
    case ShortcutAction::CaptureRegions:
        m_model.capture(CaptureKind::Regions);
        break;
    case ShortcutAction::OpenHistory:
    case ShortcutAction::OpenWorkspace:
        showWorkspace();
        break;
    }
}

QAction* AppDelegate::action(Command command)
{
    if (QAction* existing = m_actions.value(command))
        return existing;
    struct Row
    {
        const char* title;
        const char* icon;
        void (AppDelegate::*slot)();
    };
    static const QHash<Command, Row> rows{
        {Command::Capture, {QT_TR_NOOP("Capture Text"), "capture", &AppDelegate::capture}},
        {Command::Multiple, {QT_TR_NOOP("Capture Multiple Regions"), "multiple", &AppDelegate::multiple}},
        {Command::Full, {QT_TR_NOOP("Capture Full Screen"), "fullscreen", &AppDelegate::full}},
        {Command::Image, {QT_TR_NOOP("Extract Text from Image…"), "image", &AppDelegate::image}},
        {Command::PDF, {QT_TR_NOOP("Extract Text from PDF…"), "document", &AppDelegate::pdf}},
        {Command::History, {QT_TR_NOOP("OCR History"), "history", &AppDelegate::showWorkspace}},
        {Command::Workspace, {QT_TR_NOOP("Open Workspace"), "workspace", &AppDelegate::showWorkspace}},
        {Command::Settings, {QT_TR_NOOP("Settings…"), "settings", &AppDelegate::showSettings}},
        {Command::About, {QT_TR_NOOP("About Vellumix"), "about", &AppDelegate::about}},
        {Command::Quit, {QT_TR_NOOP("Quit Vellumix"), "quit", &AppDelegate::quit}},
    };
    const Row& row = rows[command];
    auto* created = new QAction(symbol(QString::fromLatin1(row.icon)), tr(row.title), this);
    created->setData(created->text()); // the title without a shortcut label
    connect(created, &QAction::triggered, this, row.slot);
    m_actions.insert(command, created);
    return created;
}

void AppDelegate::installMainMenu()
{
    m_mainMenu = new QMenuBar;
    QMenu* application = m_mainMenu->addMenu(QStringLiteral("Vellumix"));
    application->addAction(action(Command::About));
    QAction* settings = action(Command::Settings);
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    application->addAction(settings);
    application->addSeparator();
    action(Command::Quit)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    application->addAction(action(Command::Quit));

    QMenu* file = m_mainMenu->addMenu(tr("File"));
    file->addAction(action(Command::Workspace));
    file->addAction(action(Command::Capture));
    // The main menu names the document actions as imports.
    file->addAction(tr("Import Image…"), this, &AppDelegate::image);
    file->addAction(tr("Import PDF…"), this, &AppDelegate::pdf);

    QMenu* edit = m_mainMenu->addMenu(tr("Edit"));
    const struct
    {
        const char* title;
        const char* slot;
        Qt::Key key;
    } editItems[] = {
        {QT_TR_NOOP("Undo"), "undo", Qt::Key_Z},
        {QT_TR_NOOP("Cut"), "cut", Qt::Key_X},
        {QT_TR_NOOP("Copy"), "copy", Qt::Key_C},
        {QT_TR_NOOP("Paste"), "paste", Qt::Key_V},
        {QT_TR_NOOP("Select All"), "selectAll", Qt::Key_A},
    };
    for (const auto& item : editItems) {
        const char* slot = item.slot;
        edit->addAction(tr(item.title), this, [slot] { sendToFocus(slot); })
            ->setShortcut(QKeySequence(Qt::CTRL | item.key));
    }

    QMenu* windowMenu = m_mainMenu->addMenu(tr("Window"));
    windowMenu
        ->addAction(tr("Minimize"), this,
                    [] {
                        if (QWidget* active = QApplication::activeWindow())
                            active->showMinimized();
                    })
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
}

void AppDelegate::buildMenu(QMenu& menu)
{
    menu.clear();
    menu.addAction(tr(qUtf8Printable(menuHeader)))->setEnabled(false);
    menu.addSeparator();

    const QList<Shortcut>& shortcuts = m_shortcuts.shortcuts();
    const auto row = [&](Command command, std::optional<ShortcutAction> shown = std::nullopt) {
        QAction* item = action(command);
        QString text = item->data().toString();
        if (shown && qsizetype(*shown) < shortcuts.size())
            text += labelGap + shortcuts.at(qsizetype(*shown)).label;
        item->setText(literal(text));
        menu.addAction(item);
    };
    row(Command::Capture, ShortcutAction::CaptureRegion);
    row(Command::Multiple, ShortcutAction::CaptureRegions);
    row(Command::Full);
    row(Command::Image);
    row(Command::PDF);
    menu.addSeparator();
    row(Command::History, ShortcutAction::OpenHistory);
    row(Command::Workspace, ShortcutAction::OpenWorkspace);
    menu.addSeparator();
    row(Command::Settings);
    row(Command::About);
    menu.addSeparator();
    row(Command::Quit);
}

void AppDelegate::applyTaskbarPresence()
{
    for (QWidget* window :
         {static_cast<QWidget*>(m_workspace.data()), m_about.data(), static_cast<QWidget*>(m_settings.data()),
          static_cast<QWidget*>(m_onboarding.data())}) {
        if (window)
            listInTaskbar(*window);
    }
}

void AppDelegate::listInTaskbar(QWidget& window)
{
    if (window.windowHandle())
        m_taskbar.setListed(*window.windowHandle(), m_model.preferences().showDock() || m_withoutTray);
}

QMainWindow* AppDelegate::window(const QString& title, QWidget* view, QSize size, bool resizable)
{
    auto* window = new QMainWindow;
    window->setWindowTitle(title);
    window->setCentralWidget(new ThemedView(m_model.preferences(), view));
    window->resize(size);
    if (!resizable)
        window->setFixedSize(size);
    window->winId(); // the native window exists at once, so its taskbar hints can be set
    listInTaskbar(*window);
    window->installEventFilter(new TaskbarPresence([this](QWidget& shown) { listInTaskbar(shown); }, window));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size);
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    return window;
}

void AppDelegate::bringToFront(QWidget& window)
{
    if (window.isMinimized())
        window.showNormal();
    else
        window.show();
    window.raise();
    window.activateWindow();
}

void AppDelegate::showWorkspace()
{
    if (!m_workspace) {
        m_workspace = window(QStringLiteral("Vellumix"), new WorkspaceView(m_model, m_model.history()),
                             workspaceSize, true);
        m_workspace->setMenuBar(m_mainMenu);
        if (const std::optional<QByteArray> frame = m_defaults.data(workspaceFrameKey))
            m_workspace->restoreGeometry(*frame);
        m_workspace->installEventFilter(new HideOnClose([this] { rememberWorkspaceFrame(); }, m_workspace));
    }
    bringToFront(*m_workspace);
}

void AppDelegate::rememberWorkspaceFrame()
{
    if (m_workspace)
        m_defaults.set(workspaceFrameKey, m_workspace->saveGeometry());
}

void AppDelegate::showSettings()
{
    if (!m_settings) {
        m_settings = window(tr("Vellumix Settings"),
                            new SettingsView(m_model, m_shortcuts, m_autostart, m_captureSettings),
                            settingsSize, false);
        // The window keeps its view and with it the view's state; a recording ends on close.
        m_settings->installEventFilter(new HideOnClose(
            [this] {
                if (m_settings)
                    if (auto* view = m_settings->findChild<SettingsView*>())
                        view->stopRecording();
            },
            m_settings));
    }
    bringToFront(*m_settings);
}

void AppDelegate::showOnboarding()
{
    delete m_onboarding;
    const QPointer<AppDelegate> self(this);
    auto* view = new OnboardingView(
        m_model, m_shortcuts, m_autostart,
        [self] {
            if (!self)
                return;
            self->m_defaults.set(onboardedKey, true);
            if (self->m_onboarding)
                self->m_onboarding->close();
        },
        m_captureSettings);
    m_onboarding = window(tr("Welcome to Vellumix"), view, onboardingSize, false);
    bringToFront(*m_onboarding);
}

void AppDelegate::showToast(const QString& message)
{
    // The model speaks its own texts; they are shown in the user's language.
    m_notifier.notify(AppModel::tr(qUtf8Printable(message)));
}

void AppDelegate::about()
{
    if (!m_about) {
        auto* dialog = new AboutDialog(symbol(QStringLiteral("vellumix")));
        dialog->winId();
        listInTaskbar(*dialog);
        dialog->installEventFilter(
            new TaskbarPresence([this](QWidget& shown) { listInTaskbar(shown); }, dialog));
        m_about = dialog;
    }
    bringToFront(*m_about);
}

void AppDelegate::quit()
{
    QCoreApplication::quit();
}

} // namespace vellumix
