// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SettingsView.h"
#include "core/OCREngine.h"
#include "model/AppModel.h"
#include "model/HistoryStore.h"
#include "platform/HotKeyBackend.h"
#include "shell/ShortcutManager.h"
#include "ui/ShortcutRecorder.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace vellumix {

namespace {

QLabel* note(const QString& text, QWidget* parent = nullptr)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
    return label;
}

QLabel* warning(QWidget* parent = nullptr)
{
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0xD7, 0x26, 0x1E));
    label->setPalette(palette);
    label->hide();
    return label;
}

void showText(QLabel* label, const std::optional<QString>& text)
{
    label->setText(text.value_or(QString()));
    label->setVisible(text.has_value());
}

QGroupBox* group(const QString& title, QVBoxLayout* page)
{
    auto* box = new QGroupBox(title);
    page->addWidget(box);
    return box;
}

QFormLayout* form(QGroupBox* box)
{
    auto* layout = new QFormLayout(box);
    layout->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    return layout;
}

// Each section scrolls on its own: the OCR section is taller than the window.
QWidget* scrolling(QWidget* content)
{
    auto* area = new QScrollArea;
    area->setWidget(content);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    return area;
}

QVBoxLayout* pageLayout(QWidget*& page)
{
    page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(20, 16, 20, 16);
    return layout;
}

} // namespace

SettingsView::SettingsView(AppModel& model,
                           ShortcutManager& shortcuts,
                           AutostartEntry autostart,
                           std::optional<SettingsPage> captureSettings,
                           QWidget* parent)
    : QWidget(parent), m_model(model), m_preferences(model.preferences()), m_shortcuts(shortcuts),
      m_history(model.history()), m_autostart(std::move(autostart)),
      m_captureSettings(std::move(captureSettings)), m_sidebar(new QListWidget(this)),
      m_pages(new QStackedWidget(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_sidebar->setFixedWidth(160);
    m_sidebar->setSelectionMode(QAbstractItemView::SingleSelection);
    m_sidebar->setObjectName(QStringLiteral("sections"));
    m_sidebar->setSpacing(3);
    for (const QString& name : sections())
        m_sidebar->addItem(name);
    layout->addWidget(m_sidebar);
    layout->addWidget(m_pages, 1);

    for (QWidget* page : {generalPage(), capturePage(), ocrPage(), shortcutsPage(), historyPage(),
                          appearancePage(), advancedPage()})
        m_pages->addWidget(scrolling(page));
    connect(m_sidebar, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) {
            stopRecording();
            m_pages->setCurrentIndex(row);
        }
    });
    m_sidebar->setCurrentRow(0);

    connect(&m_shortcuts, &ShortcutManager::shortcutsChanged, this, &SettingsView::refreshShortcuts);
    connect(&m_shortcuts, &ShortcutManager::registrationsChanged, this, &SettingsView::refreshShortcuts);
    connect(&m_shortcuts, &ShortcutManager::errorChanged, this, &SettingsView::refreshShortcuts);
    refreshShortcuts();
}

SettingsView::~SettingsView()
{
    // Leaving with a recording under way must give the keyboard and our shortcuts back.
    if (m_recording)
        m_shortcuts.resume();
}

QStringList SettingsView::sections()
{
    return {tr("General"), tr("Capture"),    tr("OCR"),     tr("Shortcuts"),
            tr("History"), tr("Appearance"), tr("Advanced")};
}

QString SettingsView::section() const
{
    return sections().value(m_sidebar->currentRow());
}

void SettingsView::setSection(const QString& name)
{
    const qsizetype index = sections().indexOf(name);
    // Any other name shows the last section.
    m_sidebar->setCurrentRow(index < 0 ? int(sections().size()) - 1 : int(index));
}

QCheckBox* SettingsView::flag(const QString& title, Preferences::Key key)
{
    auto* box = new QCheckBox(title);
    box->setObjectName(Preferences::keyName(key));
    box->setChecked(m_preferences.value(key).toBool());
    connect(box, &QCheckBox::toggled, this, [this, key](bool on) { m_preferences.setValue(key, on); });
    // The preferences' own rules (one of the two icons stays) change other toggles too.
    connect(&m_preferences, &Preferences::changed, box, [this, box, key](Preferences::Key changed) {
        if (changed == key) {
            const QSignalBlocker blocker(box);
            box->setChecked(m_preferences.value(key).toBool());
        }
    });
    return box;
}

QWidget* SettingsView::choice(Preferences::Key key, const QList<QPair<QString, QVariant>>& choices)
{
    auto* box = new QComboBox;
    box->setObjectName(Preferences::keyName(key));
    for (const auto& [title, value] : choices)
        box->addItem(title, value);
    const auto show = [this, box, key] {
        const QSignalBlocker blocker(box);
        const QVariant value = m_preferences.value(key);
        int index = box->findData(value);
        if (index < 0) { // a stored value the list does not offer stays visible as it is
            box->addItem(value.toString(), value);
            index = box->count() - 1;
        }
        box->setCurrentIndex(index);
    };
    show();
    connect(box, &QComboBox::activated, this,
            [this, box, key](int index) { m_preferences.setValue(key, box->itemData(index)); });
    connect(&m_preferences, &Preferences::changed, box, [show, key](Preferences::Key changed) {
        if (changed == key)
            show();
    });
    return box;
}

QWidget* SettingsView::line(Preferences::Key key)
{
    auto* edit = new QLineEdit(m_preferences.value(key).toString());
    edit->setObjectName(Preferences::keyName(key));
    connect(edit, &QLineEdit::textEdited, this,
            [this, key](const QString& text) { m_preferences.setValue(key, text); });
    connect(&m_preferences, &Preferences::changed, edit, [this, edit, key](Preferences::Key changed) {
        if (changed == key && edit->text() != m_preferences.value(key).toString())
            edit->setText(m_preferences.value(key).toString());
    });
    return edit;
}

QWidget* SettingsView::editor(Preferences::Key key, int minimumHeight)
{
    auto* edit = new QPlainTextEdit(m_preferences.value(key).toString());
    edit->setObjectName(Preferences::keyName(key));
    edit->setMinimumHeight(minimumHeight);
    connect(edit, &QPlainTextEdit::textChanged, this, [this, edit, key] {
        if (edit->toPlainText() != m_preferences.value(key).toString())
            m_preferences.setValue(key, edit->toPlainText());
    });
    connect(&m_preferences, &Preferences::changed, edit, [this, edit, key](Preferences::Key changed) {
        if (changed == key && edit->toPlainText() != m_preferences.value(key).toString())
            edit->setPlainText(m_preferences.value(key).toString());
    });
    return edit;
}

QWidget* SettingsView::generalPage()
{
    QWidget* page = nullptr;
    QVBoxLayout* layout = pageLayout(page);
    auto* startup = new QVBoxLayout(group(tr("Startup"), layout));
    m_login = new QCheckBox(tr("Launch at login"));
    m_login->setObjectName(QStringLiteral("login"));
    m_login->setChecked(m_autostart.isEnabled());
    connect(m_login, &QCheckBox::toggled, this, &SettingsView::setLogin);
    m_loginError = warning();
    m_loginError->setObjectName(QStringLiteral("loginError"));
    startup->addWidget(m_login);
    startup->addWidget(m_loginError);
    startup->addWidget(flag(tr("Show tray icon"), Preferences::Key::MenuIcon));
    startup->addWidget(flag(tr("Show in taskbar"), Preferences::Key::ShowDock));
    startup->addWidget(note(
        tr("At least one of the tray icon or the taskbar entry stays visible so you can reopen Vellumix.")));
    startup->addWidget(flag(tr("Start minimized"), Preferences::Key::StartMinimized));
    startup->addWidget(flag(tr("Show completion confirmations"), Preferences::Key::Confirmations));
    startup->addWidget(note(tr("Vellumix starts in the system tray and keeps running when windows close.")));
    startup->addWidget(flag(tr("Play completion sound"), Preferences::Key::Sound));
    layout->addStretch();
    return page;
}

void SettingsView::setLogin(bool enabled)
{
    const std::optional<QString> failure =
        m_autostart.setEnabled(enabled, QCoreApplication::applicationFilePath());
    if (failure)
        showText(m_loginError, failure);
    // The file is the truth, whatever was asked.
    const QSignalBlocker blocker(m_login);
    m_login->setChecked(m_autostart.isEnabled());
}

QWidget* SettingsView::capturePage()
{
    QWidget* page = nullptr;
    QVBoxLayout* layout = pageLayout(page);
    form(group(tr("Capture behavior"), layout))
        ->addRow(tr("Default mode"),
                 choice(Preferences::Key::DefaultMode, {{tr("Region"), QStringLiteral("Region")},
                                                        {tr("Multiple regions"), QStringLiteral("Multiple")},
                                                        {tr("Full screen"), QStringLiteral("Full")}}));
    auto* after = new QVBoxLayout(group(tr("After recognition"), layout));
    after->addWidget(flag(tr("Copy text automatically"), Preferences::Key::AutoCopy));
    after->addWidget(flag(tr("Open workspace automatically"), Preferences::Key::ShowResults));
    after->addWidget(
        note(tr("Captures are initiated only by you. Each display has its own selection overlay; "
                "regions cannot cross display boundaries.")));
    QFormLayout* multiple = form(group(tr("Multiple regions"), layout));
    // The default is two line breaks, which a one-line field could neither show nor take.
    QWidget* separator = editor(Preferences::Key::Separator, 48);
    separator->setMaximumHeight(64);
    multiple->addRow(tr("Separator (literal characters)"), separator);
    multiple->addRow(note(tr("Return finishes the selection; Ctrl+Z undoes the last region.")));
    // Only where the desktop has a place for allowing screen capture (X11 needs none).
    if (m_captureSettings) {
        auto* permission = new QPushButton(tr("Open Screen Capture Settings"));
        permission->setObjectName(QStringLiteral("captureSettings"));
        connect(permission, &QPushButton::clicked, this, [this] { m_captureSettings->open(); });
        layout->addWidget(permission, 0, Qt::AlignLeft);
    }
    layout->addStretch();
    return page;
}

QString SettingsView::humanLanguages(const QStringList& packs)
{
    QStringList names;
    for (const QString& pack : packs) {
        // Tesseract names its packs by ISO 639-2 codes, some with a script or variant behind.
        const QString base = pack.section(u'_', 0, 0);
        const QLocale::Language language = QLocale::codeToLanguage(base, QLocale::AnyLanguageCode);
        QString human = language == QLocale::AnyLanguage ? QString() : QLocale::languageToString(language);
        const QString variant = pack.section(u'_', 1);
        if (!human.isEmpty() && variant == QLatin1String("sim"))
            human += tr(", Simplified");
        else if (!human.isEmpty() && variant == QLatin1String("tra"))
            human += tr(", Traditional");
        names.append(human.isEmpty() ? pack : QStringLiteral("%1 (%2)").arg(human, pack));
    }
    return names.join(QStringLiteral(", "));
}

QWidget* SettingsView::ocrPage()
{
    QWidget* page = nullptr;
    QVBoxLayout* layout = pageLayout(page);
    QGroupBox* engine = group(tr("Tesseract"), layout);
    auto* engineLayout = new QVBoxLayout(engine);
    engineLayout->addWidget(flag(tr("Fast recognition"), Preferences::Key::Fast));
    engineLayout->addWidget(flag(tr("Automatic language detection"), Preferences::Key::AutomaticLanguage));
    engineLayout->addWidget(flag(tr("Preserve line breaks and code formatting"), Preferences::Key::Preserve));
    auto* languages = new QFormLayout;
    languages->addRow(tr("Language identifiers, comma-separated"), line(Preferences::Key::Languages));
    engineLayout->addLayout(languages);
    QLabel* available = note(tr("Available: ") + humanLanguages(m_model.engine().languages()));
    available->setObjectName(QStringLiteral("available"));
    engineLayout->addWidget(available);

    auto* vocabulary = new QVBoxLayout(group(tr("Custom vocabulary · one word or phrase per line"), layout));
    vocabulary->addWidget(editor(Preferences::Key::Vocabulary, 100));

    auto* transformations = new QVBoxLayout(group(tr("Explicit text transformations"), layout));
    transformations->addWidget(flag(tr("Normalize Unicode (NFC)"), Preferences::Key::Normalize));
    transformations->addWidget(flag(tr("Replace smart quotes"), Preferences::Key::Quotes));
    transformations->addWidget(new QLabel(tr("Literal replacements: find => replace, one per line")));
    transformations->addWidget(editor(Preferences::Key::Rules, 80));
    layout->addStretch();
    return page;
}

QString SettingsView::desktopCommands()
{
    return tr("Capture region: vellumix capture\n"
              "Capture multiple regions: vellumix capture --multiple\n"
              "Capture full screen: vellumix capture --full\n"
              "Open workspace: vellumix workspace");
}

QString SettingsView::rowCommand(int row)
{
    // The history is a section of the workspace: both open it.
    static const char* const commands[] = {"vellumix capture", "vellumix capture --multiple",
                                           "vellumix workspace", "vellumix workspace"};
    return QString::fromLatin1(commands[row]);
}

QWidget* SettingsView::shortcutsPage()
{
    QWidget* page = nullptr;
    QVBoxLayout* layout = pageLayout(page);
    QGroupBox* box = group(tr("Global shortcuts"), layout);
    auto* rows = new QFormLayout(box);
    const QStringList labels{tr("Capture region"), tr("Capture multiple regions"), tr("Open history"),
                             tr("Open workspace")};
    for (int row = 0; row < labels.size(); ++row) {
        auto* button = new QPushButton;
        button->setObjectName(QStringLiteral("shortcut%1").arg(row));
        button->setMinimumWidth(200);
        // What a row does depends on who binds the keys: we record, or the user binds our command.
        connect(button, &QPushButton::clicked, this, [this, row] {
            if (m_shortcuts.canRegister())
                record(row);
            else
                QApplication::clipboard()->setText(rowCommand(row));
        });
        QLabel* error = warning();
        error->setObjectName(QStringLiteral("shortcutError%1").arg(row));
        auto* field = new QVBoxLayout;
        field->addWidget(button, 0, Qt::AlignRight);
        field->addWidget(error);
        rows->addRow(labels[row], field);
        m_rowButtons.append(button);
        m_rowErrors.append(error);
    }
    m_shortcutError = warning();
    m_shortcutError->setObjectName(QStringLiteral("shortcutError"));
    rows->addRow(m_shortcutError);
    m_restore = new QPushButton(tr("Restore Shortcut Defaults"));
    connect(m_restore, &QPushButton::clicked, this, [this] {
        stopRecording();
        m_shortcuts.reset();
    });
    m_desktopSettings = new QPushButton(tr("Change in Desktop Settings…"));
    m_desktopSettings->setObjectName(QStringLiteral("desktopSettings"));
    connect(m_desktopSettings, &QPushButton::clicked, this, [this] { m_shortcuts.openDesktopSettings(); });
    auto* restoreRow = new QHBoxLayout;
    restoreRow->addWidget(m_restore);
    restoreRow->addWidget(m_desktopSettings);
    restoreRow->addStretch();
    rows->addRow(restoreRow);
    rows->addRow(note(tr("Other apps may reserve shortcuts without exposing them. Registration failures are "
                         "reported; test your chosen combination. No keystroke monitoring is used.")));

    // The desktop binds keys itself: the user gives it our commands.
    m_manual = group(tr("Bind in your desktop's keyboard settings"), layout);
    auto* manual = new QVBoxLayout(m_manual);
    manual->addWidget(note(tr("This desktop does not let applications register shortcuts. Add these "
                              "commands as custom shortcuts in your desktop's keyboard settings:")));
    auto* commands = new QPlainTextEdit(desktopCommands());
    commands->setObjectName(QStringLiteral("commands"));
    commands->setReadOnly(true);
    commands->setMaximumHeight(90);
    manual->addWidget(commands);
    auto* copy = new QPushButton(tr("Copy Commands"));
    copy->setObjectName(QStringLiteral("copyCommands"));
    connect(copy, &QPushButton::clicked, this, [] { QApplication::clipboard()->setText(desktopCommands()); });
    manual->addWidget(copy, 0, Qt::AlignLeft);
    layout->addStretch();
    return page;
}

void SettingsView::refreshShortcuts()
{
    // Who binds the keys may change once a desktop service has answered.
    const bool registers = m_shortcuts.canRegister();
    const HotKeyBackend::Capabilities capabilities = m_shortcuts.capabilities();
    const bool desktopOwns = registers && capabilities.testFlag(HotKeyBackend::Capability::DesktopSettings);
    const QList<Shortcut>& shortcuts = m_shortcuts.shortcuts();
    for (int row = 0; row < m_rowButtons.size(); ++row) {
        QString text = shortcuts.value(row).label;
        if (m_recording == row)
            text = tr("Press shortcut…");
        else if (!registers)
            text = rowCommand(row);
        else if (desktopOwns && !m_shortcuts.isRegistering()) // until it answers, ours stand
            text = m_shortcuts.boundTrigger(row).value_or(tr("Not bound"));
        m_rowButtons[row]->setText(text);
        m_rowButtons[row]->setEnabled(!desktopOwns);
        showText(m_rowErrors[row], m_recording || !registers ? std::nullopt : m_shortcuts.rowError(row));
    }
    showText(m_shortcutError, m_shortcuts.error());
    m_restore->setVisible(registers && !desktopOwns);
    m_desktopSettings->setVisible(desktopOwns &&
                                  capabilities.testFlag(HotKeyBackend::Capability::DesktopDialog));
    m_manual->setVisible(!registers);
}

void SettingsView::record(int row)
{
    if (m_recording == row)
        return;
    stopRecording();
    m_recording = row;
    QPushButton* button = m_rowButtons[row];
    // Sits behind the row's button, drawing nothing, holding the focus.
    m_recorder = new ShortcutRecorder(button->parentWidget());
    m_recorder->setGeometry(button->geometry());
    m_recorder->show();
    m_recorder->lower();
    connect(m_recorder, &ShortcutRecorder::recorded, this, &SettingsView::deliver);
    connect(m_recorder, &ShortcutRecorder::abandoned, this, &SettingsView::stopRecording);
    refreshShortcuts();
    m_recorder->setFocus(Qt::OtherFocusReason);
    m_shortcuts.suspend(window()->windowHandle());
}

void SettingsView::deliver(const std::optional<Shortcut>& shortcut)
{
    const std::optional<int> row = m_recording;
    stopRecording();
    if (!row)
        return;
    if (shortcut)
        m_shortcuts.set(*shortcut, ShortcutAction(*row));
    else
        m_shortcuts.setError(ShortcutManager::unacceptableMessage());
}

void SettingsView::stopRecording()
{
    if (!m_recording)
        return;
    m_recording.reset();
    if (ShortcutRecorder* recorder = m_recorder) {
        m_recorder = nullptr;
        recorder->disconnect(this);
        recorder->hide();
        recorder->deleteLater();
    }
    m_shortcuts.resume();
    refreshShortcuts();
}

QWidget* SettingsView::historyPage()
{
    QWidget* page = nullptr;
    QVBoxLayout* layout = pageLayout(page);
    auto* storage = new QVBoxLayout(group(tr("Local storage"), layout));
    storage->addWidget(flag(tr("Enable OCR history"), Preferences::Key::HistoryEnabled));
    QCheckBox* retain = flag(tr("Retain captured images"), Preferences::Key::RetainImages);
    connect(retain, &QCheckBox::toggled, this, [this](bool on) {
        if (!on)
            m_history.purgeImages();
    });
    storage->addWidget(retain);
    auto* retention = new QFormLayout;
    auto* days = static_cast<QComboBox*>(
        choice(Preferences::Key::RetentionDays,
               {{tr("7 days"), 7}, {tr("30 days"), 30}, {tr("90 days"), 90}, {tr("1 year"), 365}}));
    connect(days, &QComboBox::activated, this,
            [this, days](int index) { m_history.cleanup(days->itemData(index).toInt()); });
    retention->addRow(tr("Retention"), days);
    storage->addLayout(retention);
    storage->addWidget(
        note(tr("Up to 500 entries and 200 MB of images. Screenshots are discarded unless retention "
                "is enabled. Disable retention to delete stored images immediately.")));
    auto* clear = new QPushButton(tr("Clear All History…"));
    clear->setObjectName(QStringLiteral("clearHistory"));
    QPalette destructive = clear->palette();
    destructive.setColor(QPalette::ButtonText, QColor(0xD7, 0x26, 0x1E));
    clear->setPalette(destructive);
    connect(clear, &QPushButton::clicked, this, &SettingsView::confirmClear);
    storage->addWidget(clear, 0, Qt::AlignLeft);
    layout->addStretch();
    return page;
}

void SettingsView::confirmClear()
{
    if (m_clear && m_clear->isVisible()) {
        m_clear->raise();
        return;
    }
    m_clear = new QMessageBox(QMessageBox::Warning, tr("Delete all history?"), tr("Delete all history?"),
                              QMessageBox::NoButton, this);
    m_clear->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton* remove = m_clear->addButton(tr("Delete All"), QMessageBox::DestructiveRole);
    m_clear->addButton(tr("Cancel"), QMessageBox::RejectRole);
    connect(remove, &QPushButton::clicked, this, [this] { m_history.clear(); });
    m_clear->open();
}

QWidget* SettingsView::appearancePage()
{
    QWidget* page = nullptr;
    QVBoxLayout* layout = pageLayout(page);
    QFormLayout* theme = form(group(tr("Theme"), layout));
    theme->addRow(tr("Appearance"),
                  choice(Preferences::Key::Appearance, {{tr("System"), QStringLiteral("System")},
                                                        {tr("Light"), QStringLiteral("Light")},
                                                        {tr("Dark"), QStringLiteral("Dark")}}));
    theme->addRow(tr("Accent"), choice(Preferences::Key::Accent, {{tr("Mint"), QStringLiteral("Mint")},
                                                                  {tr("Blue"), QStringLiteral("Blue")},
                                                                  {tr("Orange"), QStringLiteral("Orange")},
                                                                  {tr("Purple"), QStringLiteral("Purple")}}));
    theme->addRow(note(tr("Vellumix uses native system materials.")));
    layout->addStretch();
    return page;
}

QWidget* SettingsView::advancedPage()
{
    QWidget* page = nullptr;
    QVBoxLayout* layout = pageLayout(page);
    auto* engine = new QVBoxLayout(group(tr("Local AI OCR"), layout));
    engine->addWidget(new QLabel(tr("Not installed or integrated")));
    engine->addWidget(
        note(tr("Tesseract is the only available engine. A second local engine requires a compatible "
                "licensed runtime and model, deployment testing, and measured resource usage before "
                "it can be offered.")));
    auto* dataBox = new QVBoxLayout(group(tr("Application data"), layout));
    auto* open = new QPushButton(tr("Open Application Data Folder"));
    connect(open, &QPushButton::clicked, this, [this] {
        // A folder that does not exist yet would open nothing at all.
        QDir().mkpath(m_history.directory());
        QDesktopServices::openUrl(QUrl::fromLocalFile(m_history.directory()));
    });
    auto* reset = new QPushButton(tr("Reset Preferences"));
    reset->setObjectName(QStringLiteral("resetPreferences"));
    connect(reset, &QPushButton::clicked, this, [this] {
        stopRecording();
        m_preferences.reset();
        m_shortcuts.reset();
    });
    dataBox->addWidget(open, 0, Qt::AlignLeft);
    dataBox->addWidget(reset, 0, Qt::AlignLeft);
    dataBox->addWidget(
        note(tr("No network requests, analytics, or captured-content logging are implemented.")));
    layout->addStretch();
    return page;
}

} // namespace vellumix
