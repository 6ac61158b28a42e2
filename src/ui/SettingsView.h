// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/Preferences.h"
#include "platform/xdg/AutostartEntry.h"
#include "platform/xdg/SettingsPage.h"
#include "shell/Shortcut.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QStackedWidget;
class QMessageBox;

namespace vellumix {

class AppModel;
class HistoryStore;
class ShortcutManager;
class ShortcutRecorder;

// The settings window's content: a sidebar of seven sections and, beside it, the selected
// section's form. Every control writes straight into the preferences, the shortcut manager or
// the history store, which save themselves; the view keeps only the recording row, the
// launch-at-login state and the clear confirmation.
class SettingsView final : public QWidget
{
    Q_OBJECT
public:
    static constexpr QSize size{740, 590};

    SettingsView(AppModel& model,
                 ShortcutManager& shortcuts,
                 AutostartEntry autostart,
                 std::optional<SettingsPage> captureSettings = {},
                 QWidget* parent = nullptr);
    ~SettingsView() override;

    static QStringList sections();
    QString section() const;
    void setSection(const QString& name);

    // The row being recorded, if any.
    std::optional<int> recording() const { return m_recording; }
    void record(int row);
    void stopRecording();

    // The installed packs as "English (eng)", in the engine's order.
    static QString humanLanguages(const QStringList& packs);
    // The commands a desktop without a shortcut service binds in its own keyboard settings: all
    // of them, and the one for each shortcut row.
    static QString desktopCommands();
    static QString rowCommand(int row);

private:
    QWidget* generalPage();
    QWidget* capturePage();
    QWidget* ocrPage();
    QWidget* shortcutsPage();
    QWidget* historyPage();
    QWidget* appearancePage();
    QWidget* advancedPage();

    QCheckBox* flag(const QString& title, Preferences::Key key);
    QWidget* choice(Preferences::Key key, const QList<QPair<QString, QVariant>>& choices);
    QWidget* line(Preferences::Key key);
    QWidget* editor(Preferences::Key key, int minimumHeight);

    void setLogin(bool enabled);
    void refreshShortcuts();
    void confirmClear();
    void deliver(const std::optional<Shortcut>& shortcut);

    AppModel& m_model;
    Preferences& m_preferences;
    ShortcutManager& m_shortcuts;
    HistoryStore& m_history;
    AutostartEntry m_autostart;
    std::optional<SettingsPage> m_captureSettings;
    QListWidget* m_sidebar = nullptr;
    QStackedWidget* m_pages = nullptr;
    QCheckBox* m_login = nullptr;
    QLabel* m_loginError = nullptr;
    QList<QPushButton*> m_rowButtons;
    QList<QLabel*> m_rowErrors;
    QLabel* m_shortcutError = nullptr;
    QPushButton* m_restore = nullptr;
    QPushButton* m_desktopSettings = nullptr;
    QGroupBox* m_manual = nullptr;
    std::optional<int> m_recording;
    QPointer<ShortcutRecorder> m_recorder;
    QPointer<QMessageBox> m_clear;
};

} // namespace vellumix
