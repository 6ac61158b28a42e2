// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/AppDelegate.h"
#include "model/AppModel.h"
#include "model/Preferences.h"
#include "model/UserDefaults.h"
#include "platform/TaskbarHints.h"
#include "shell/ShortcutManager.h"
#include "ui/FileDialogs.h"
#include "ui/ResultPane.h"
#include "ui/ThemedView.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QHash>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QUrl>
#include <QVBoxLayout>
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

// The Edit and Window items act on whatever has the focus, like a first responder.
void sendToFocus(const char* slot)
{
    if (QWidget* focus = QApplication::focusWidget())
        QMetaObject::invokeMethod(focus, slot);
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
                         QObject* parent)
    : QObject(parent), m_model(model), m_shortcuts(shortcuts), m_defaults(defaults), m_taskbar(taskbar)
{
}

AppDelegate::~AppDelegate()
{
    m_model.openWorkspace = nullptr;
    m_model.openSettings = nullptr;
    m_model.openHistory = nullptr;
    m_model.toast = nullptr;
    m_model.chooseOpenFile = nullptr;
    m_model.chooseSaveFile = nullptr;
    m_shortcuts.setAction(nullptr);
    m_model.preferences().setApplier(nullptr);
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
    preferences.setApplier(m_appearance.applier([this](bool showDock) { applyTaskbarPresence(showDock); }));
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

    const QPointer<AppDelegate> self(this);
    m_model.openWorkspace = [self] {
        if (self)
            self->showWorkspace();
    };
    m_model.openHistory = m_model.openWorkspace;
    m_model.openSettings = [self] {
        if (self)
            self->showSettings();
    };
    m_model.toast = [self](const QString& text) {
        if (self)
            self->showToast(AppModel::tr(qUtf8Printable(text)));
    };
    // Panels sit over the workspace when it is on screen; from the tray they stand alone.
    installFileDialogs(m_model, [self]() -> QWidget* {
        if (self && self->m_workspace && self->m_workspace->isVisible())
            return self->m_workspace;
        return nullptr;
    });
    m_shortcuts.setAction([self](int index) {
        if (self)
            self->handleShortcut(index);
    });

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
        m_model.capture(false, false);
        break;
    case InstanceRequest::Verb::CaptureMultiple:
        m_model.capture(true, false);
        break;
    case InstanceRequest::Verb::CaptureFull:
        m_model.capture(false, true);
        break;
    }
}

void AppDelegate::terminate()
{
    m_model.cancel();
    m_toast.stop();
    rememberWorkspaceFrame();
}

void AppDelegate::capture()
{
    m_model.captureDefault();
}

void AppDelegate::multiple()
{
    m_model.capture(true, false);
}

void AppDelegate::full()
{
    m_model.capture(false, true);
}

void AppDelegate::image()
{
    m_model.importFile(false);
}

void AppDelegate::pdf()
{
    m_model.importFile(true);
}

void AppDelegate::handleShortcut(int index)
{
    // The first shortcut is always one region, whatever the default capture mode says.
    if (index == 0)
        m_model.capture(false, false);
    else if (index == 1)
        m_model.capture(true, false);
    else
        showWorkspace();
}

void AppDelegate::installMainMenu()
{
    m_mainMenu = new QMenuBar;
    QMenu* application = m_mainMenu->addMenu(QStringLiteral("Vellumix"));
    application->addAction(tr("About Vellumix"), this, &AppDelegate::about);
    QAction* settings = application->addAction(tr("Settings…"), this, &AppDelegate::showSettings);
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    settings->setEnabled(false); // until the settings window exists
    application->addSeparator();
    application->addAction(tr("Quit Vellumix"), this, &AppDelegate::quit)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* file = m_mainMenu->addMenu(tr("File"));
    file->addAction(tr("Open Workspace"), this, &AppDelegate::showWorkspace);
    file->addAction(tr("Capture Text"), this, &AppDelegate::capture);
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
    const auto row = [&](const QString& title, const QString& icon, void (AppDelegate::*action)(),
                         int shortcut = -1) {
        QString text = title;
        if (shortcut >= 0 && shortcut < shortcuts.size())
            text += labelGap + shortcuts.at(shortcut).label;
        return menu.addAction(symbol(icon), literal(text), this, action);
    };
    row(tr("Capture Text"), QStringLiteral("capture"), &AppDelegate::capture, 0);
    row(tr("Capture Multiple Regions"), QStringLiteral("multiple"), &AppDelegate::multiple, 1);
    row(tr("Capture Full Screen"), QStringLiteral("fullscreen"), &AppDelegate::full);
    row(tr("Extract Text from Image…"), QStringLiteral("image"), &AppDelegate::image);
    row(tr("Extract Text from PDF…"), QStringLiteral("document"), &AppDelegate::pdf);
    menu.addSeparator();
    row(tr("OCR History"), QStringLiteral("history"), &AppDelegate::showWorkspace, 2);
    row(tr("Open Workspace"), QStringLiteral("workspace"), &AppDelegate::showWorkspace, 3);
    menu.addSeparator();
    // Until the settings window exists.
    row(tr("Settings…"), QStringLiteral("settings"), &AppDelegate::showSettings)->setEnabled(false);
    row(tr("About Vellumix"), QStringLiteral("about"), &AppDelegate::about);
    menu.addSeparator();
    row(tr("Quit Vellumix"), QStringLiteral("quit"), &AppDelegate::quit);
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
        m_workspace = window(QStringLiteral("Vellumix"), new ResultPane(m_model), workspaceSize, true);
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
    m_toast.show(message);
}

void AppDelegate::about()
{
    if (!m_about) {
        auto* dialog = new QDialog;
        dialog->setWindowTitle(tr("About Vellumix"));
        auto* layout = new QVBoxLayout(dialog);
        auto* icon = new QLabel(dialog);
        icon->setPixmap(symbol(QStringLiteral("vellumix")).pixmap(64, 64));
        icon->setAlignment(Qt::AlignHCenter);
        auto* name = new QLabel(QStringLiteral("<b>Vellumix</b>"), dialog);
        name->setAlignment(Qt::AlignHCenter);
        auto* version = new QLabel(tr("Version %1").arg(QApplication::applicationVersion()), dialog);
        version->setAlignment(Qt::AlignHCenter);
        auto* credits =
            new QLabel(tr("Private, on-device text recognition.\nBuilt with Tesseract OCR."), dialog);
        credits->setTextFormat(Qt::PlainText);
        credits->setAlignment(Qt::AlignHCenter);
        credits->setObjectName(QStringLiteral("credits"));
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
        connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::hide);
        for (QWidget* widget :
             {static_cast<QWidget*>(icon), static_cast<QWidget*>(name), static_cast<QWidget*>(version),
              static_cast<QWidget*>(credits), static_cast<QWidget*>(buttons)})
            layout->addWidget(widget);
        dialog->setModal(false);
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
