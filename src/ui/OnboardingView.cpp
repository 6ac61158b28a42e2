// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/OnboardingView.h"
#include "model/AppModel.h"
#include "shell/ShortcutManager.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace vellumix {

namespace {

struct Page
{
    const char* icon;
    const char* title;
    const char* text;
};

// Freedesktop icon names standing for the pages' symbols.
const Page pages[OnboardingView::pageCount] = {
    {"edit-find", QT_TRANSLATE_NOOP("vellumix::OnboardingView", "Welcome to Vellumix"),
     QT_TRANSLATE_NOOP("vellumix::OnboardingView",
                       "Select any text on your screen, recognize it privately on this "
                       "computer, and paste it anywhere.")},
    {"security-high", QT_TRANSLATE_NOOP("vellumix::OnboardingView", "Allow screen capture"),
     QT_TRANSLATE_NOOP(
         "vellumix::OnboardingView",
         "On Wayland desktops, Vellumix asks your desktop for permission to capture the screen. "
         "Images and PDFs work without this permission. Some desktops apply a new permission only "
         "after Vellumix restarts.")},
    {"input-keyboard", QT_TRANSLATE_NOOP("vellumix::OnboardingView", "A shortcut to your text"), nullptr},
    {"system-shutdown", QT_TRANSLATE_NOOP("vellumix::OnboardingView", "Ready when you are"),
     QT_TRANSLATE_NOOP("vellumix::OnboardingView",
                       "You can optionally launch Vellumix at login. It runs quietly in the system tray.")},
    {"edit-select-all", QT_TRANSLATE_NOOP("vellumix::OnboardingView", "Try your first capture"),
     QT_TRANSLATE_NOOP("vellumix::OnboardingView",
                       "Capture a small region containing clear text. Escape cancels. "
                       "Recognized text is copied automatically by default.")},
    {"emblem-ok", QT_TRANSLATE_NOOP("vellumix::OnboardingView", "All set"),
     QT_TRANSLATE_NOOP("vellumix::OnboardingView",
                       "Find Vellumix in your system tray. Close any window and it "
                       "stays ready for your next capture.")},
};

bool isWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland")) ||
           qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
}

QLabel* caption(QWidget* parent)
{
    auto* label = new QLabel(parent);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    return label;
}

} // namespace

OnboardingView::OnboardingView(AppModel& model,
                               ShortcutManager& shortcuts,
                               AutostartEntry autostart,
                               std::function<void()> done,
                               std::optional<SettingsPage> captureSettings,
                               QWidget* parent)
    : QWidget(parent), m_model(model), m_shortcuts(shortcuts), m_autostart(std::move(autostart)),
      m_done(std::move(done)), m_captureSettings(std::move(captureSettings)), m_symbol(new QLabel(this)),
      m_title(new QLabel(this)), m_text(new QLabel(this)), m_controls(new QStackedWidget(this)),
      m_back(new QPushButton(tr("Back"), this)), m_counter(caption(this)), m_next(new QPushButton(this))
{
    auto* layout = new QVBoxLayout(this);
    // Tighter than a roomy dialog: six pages of text and buttons share 440 pixels.
    layout->setContentsMargins(32, 28, 32, 24);
    layout->setSpacing(16);
    m_symbol->setAlignment(Qt::AlignCenter);
    QFont title = m_title->font();
    title.setPointSizeF(title.pointSizeF() * 2);
    title.setWeight(QFont::DemiBold);
    m_title->setFont(title);
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setObjectName(QStringLiteral("title"));
    m_text->setWordWrap(true);
    m_text->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    // Room for the longest page's three lines, so that no page's text is squeezed.
    m_text->setFixedSize(430, m_text->fontMetrics().lineSpacing() * 3 + 6);
    m_text->setObjectName(QStringLiteral("text"));
    QPalette secondary = m_text->palette();
    secondary.setColor(QPalette::WindowText, secondary.color(QPalette::PlaceholderText));
    m_text->setPalette(secondary);
    m_counter->setPalette(secondary);
    m_counter->setObjectName(QStringLiteral("counter"));
    m_back->setObjectName(QStringLiteral("back"));
    m_next->setObjectName(QStringLiteral("next"));
    m_next->setDefault(true);

    layout->addWidget(m_symbol);
    layout->addWidget(m_title);
    layout->addWidget(m_text, 0, Qt::AlignHCenter);
    for (int step = 0; step < pageCount; ++step)
        m_controls->addWidget(controls(step));
    layout->addWidget(m_controls);
    layout->addStretch();
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_back);
    bottom->addStretch();
    bottom->addWidget(m_counter);
    bottom->addSpacing(12);
    bottom->addWidget(m_next);
    layout->addLayout(bottom);

    connect(m_back, &QPushButton::clicked, this, [this] { setStep(m_step - 1); });
    connect(m_next, &QPushButton::clicked, this, [this] {
        if (m_step == pageCount - 1) {
            if (m_done)
                m_done();
        } else {
            setStep(m_step + 1);
        }
    });
    // Page 2 names the current capture shortcut, whatever the settings window did meanwhile.
    connect(&m_shortcuts, &ShortcutManager::shortcutsChanged, this, &OnboardingView::render);
    connect(&m_shortcuts, &ShortcutManager::errorChanged, this, &OnboardingView::render);
    render();
}

void OnboardingView::setStep(int step)
{
    m_step = std::clamp(step, 0, pageCount - 1);
    render();
}

QString OnboardingView::title() const
{
    return tr(pages[m_step].title);
}

QString OnboardingView::text() const
{
    if (m_step == 2) {
        // Where the desktop has no shortcut service, what it says instead: bind the command.
        if (!m_shortcuts.canRegister() && m_shortcuts.error())
            return *m_shortcuts.error();
        const QString label = m_shortcuts.shortcuts().value(0).label;
        return tr("Use %1 from any app. You can record a different shortcut in Settings.").arg(label);
    }
    return tr(pages[m_step].text);
}

QWidget* OnboardingView::controls(int step)
{
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* row = new QHBoxLayout;
    row->addStretch();
    layout->addLayout(row);
    const auto button = [&](const QString& title, const char* name) {
        auto* created = new QPushButton(title, box);
        created->setObjectName(QString::fromLatin1(name));
        row->addWidget(created);
        return created;
    };
    switch (step) {
    case 1: {
        QPushButton* request = button(tr("Request Permission"), "requestPermission");
        QPushButton* settings = button(tr("System Settings"), "systemSettings");
        m_permissionState = caption(box);
        m_permissionState->setWordWrap(true);
        m_permissionState->setAlignment(Qt::AlignCenter);
        layout->addWidget(m_permissionState);
        // On X11 nothing needs allowing; on Wayland the portal asks at the first capture.
        connect(request, &QPushButton::clicked, this, [this] {
            m_permissionState->setText(
                isWayland() ? tr("Your desktop asks for permission at the first capture.")
                            : tr("This X11 session lets Vellumix capture the screen already."));
        });
        // Hidden where the desktop has no place for it (X11 needs none).
        settings->setVisible(m_captureSettings.has_value());
        connect(settings, &QPushButton::clicked, this, [this] {
            if (m_captureSettings)
                m_captureSettings->open();
        });
        break;
    }
    case 2:
        connect(button(tr("Configure Shortcuts"), "configureShortcuts"), &QPushButton::clicked, &m_model,
                &AppModel::openSettings);
        break;
    case 3: {
        QPushButton* login = button(tr("Enable Launch at Login"), "enableLogin");
        m_loginErrorLabel = caption(box);
        m_loginErrorLabel->setObjectName(QStringLiteral("loginError"));
        m_loginErrorLabel->setWordWrap(true);
        m_loginErrorLabel->setAlignment(Qt::AlignCenter);
        QPalette red = m_loginErrorLabel->palette();
        red.setColor(QPalette::WindowText, QColor(0xD7, 0x26, 0x1E));
        m_loginErrorLabel->setPalette(red);
        m_loginErrorLabel->hide();
        layout->addWidget(m_loginErrorLabel);
        connect(login, &QPushButton::clicked, this, [this] {
            if (const auto failure = m_autostart.setEnabled(true, QCoreApplication::applicationFilePath())) {
                m_loginError = failure;
                render();
            }
        });
        break;
    }
    case 4:
        // The region tool is chosen when the capture starts, as for every other capture.
        connect(button(tr("Test Capture"), "testCapture"), &QPushButton::clicked, this,
                [this] { m_model.capture(CaptureKind::Region); });
        break;
    default:
        break;
    }
    row->addStretch();
    return box;
}

void OnboardingView::render()
{
    const int extent = 60;
    m_symbol->setPixmap(QIcon::fromTheme(QString::fromLatin1(pages[m_step].icon),
                                         QIcon(QStringLiteral(":/vellumix/icons/vellumix.svg")))
                            .pixmap(extent, extent));
    m_title->setText(title());
    m_text->setText(text());
    m_controls->setCurrentIndex(m_step);
    if (m_loginErrorLabel) {
        m_loginErrorLabel->setText(m_loginError.value_or(QString()));
        m_loginErrorLabel->setVisible(m_loginError.has_value());
    }
    m_back->setVisible(m_step > 0);
    m_counter->setText(tr("%1 of %2").arg(m_step + 1).arg(pageCount));
    m_next->setText(m_step == pageCount - 1 ? tr("Start Using Vellumix") : tr("Continue"));
}

} // namespace vellumix
