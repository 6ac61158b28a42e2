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
#include <QUrl>
#include <QWindow>

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
    applyTaskbarPresence(preferences.showDock());
    connect(&preferences, &Preferences::saved, this, [this] {
        applyTaskbarPresence(m_model.preferences().showDock());
        m_appearance.apply(m_model.preferences().appearance());
    });
    preferences.save();

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

    // The onboarding window does not exist yet, so every launch takes the onboarded branch.
    if (!preferences.startMinimized())
        showWorkspace();
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
    m_model.captureDefault();
}

void AppDelegate::multiple()
{
    m_model.capture(CaptureKind::Regions);
}

void AppDelegate::full()
{
    m_model.capture(CaptureKind::FullScreen);
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
        {Command::Capture, {"Capture Text", "capture", &AppDelegate::capture}},
        {Command::Multiple, {"Capture Multiple Regions", "multiple", &AppDelegate::multiple}},
        {Command::Full, {"Capture Full Screen", "fullscreen", &AppDelegate::full}},
        {Command::Image, {"Extract Text from Image…", "image", &AppDelegate::image}},
        {Command::PDF, {"Extract Text from PDF…", "document", &AppDelegate::pdf}},
        {Command::History, {"OCR History", "history", &AppDelegate::showWorkspace}},
        {Command::Workspace, {"Open Workspace", "workspace", &AppDelegate::showWorkspace}},
        {Command::Settings, {"Settings…", "settings", &AppDelegate::showSettings}},
        {Command::About, {"About Vellumix", "about", &AppDelegate::about}},
        {Command::Quit, {"Quit Vellumix", "quit", &AppDelegate::quit}},
    };
    const Row& row = rows[command];
    auto* created = new QAction(symbol(QString::fromLatin1(row.icon)), QString::fromUtf8(row.title), this);
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
    settings->setEnabled(false); // until the settings window exists
    application->addAction(settings);
    application->addSeparator();
    action(Command::Quit)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    application->addAction(action(Command::Quit));

    QMenu* file = m_mainMenu->addMenu(QStringLiteral("File"));
    file->addAction(action(Command::Workspace));
    file->addAction(action(Command::Capture));
    // The main menu names the document actions as imports.
    file->addAction(QStringLiteral("Import Image…"), this, &AppDelegate::image);
    file->addAction(QStringLiteral("Import PDF…"), this, &AppDelegate::pdf);

    QMenu* edit = m_mainMenu->addMenu(QStringLiteral("Edit"));
    const struct
    {
        const char* title;
        const char* slot;
        Qt::Key key;
    } editItems[] = {
        {"Undo", "undo", Qt::Key_Z},
        {"Cut", "cut", Qt::Key_X},
        {"Copy", "copy", Qt::Key_C},
        {"Paste", "paste", Qt::Key_V},
        {"Select All", "selectAll", Qt::Key_A},
    };
    for (const auto& item : editItems) {
        const char* slot = item.slot;
        edit->addAction(QString::fromLatin1(item.title), this, [slot] { sendToFocus(slot); })
            ->setShortcut(QKeySequence(Qt::CTRL | item.key));
    }

    QMenu* windowMenu = m_mainMenu->addMenu(QStringLiteral("Window"));
    windowMenu
        ->addAction(QStringLiteral("Minimize"), this,
                    [] {
                        if (QWidget* active = QApplication::activeWindow())
                            active->showMinimized();
                    })
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
}

void AppDelegate::buildMenu(QMenu& menu)
{
    menu.clear();
    menu.addAction(menuHeader)->setEnabled(false);
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

void AppDelegate::applyTaskbarPresence(bool showDock)
{
    for (QWidget* window : {static_cast<QWidget*>(m_workspace.data()), m_about.data()}) {
        if (window && window->windowHandle())
            m_taskbar.setListed(*window->windowHandle(), showDock);
    }
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
    m_taskbar.setListed(*window->windowHandle(), m_model.preferences().showDock());
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
    // The settings window arrives with its view; its menu items are disabled until then.
}

void AppDelegate::showOnboarding()
{
    // The onboarding window arrives with its view; launch() does not ask for it until then.
}

void AppDelegate::showToast(const QString& message)
{
    m_notifier.notify(message);
}

void AppDelegate::about()
{
    if (!m_about) {
        auto* dialog = new AboutDialog(symbol(QStringLiteral("vellumix")));
        dialog->winId();
        m_taskbar.setListed(*dialog->windowHandle(), m_model.preferences().showDock());
        m_about = dialog;
    }
    bringToFront(*m_about);
}

void AppDelegate::quit()
{
    QCoreApplication::quit();
}

} // namespace vellumix
