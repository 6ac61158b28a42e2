// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/xdg/AutostartEntry.h"
#include "platform/xdg/SettingsPage.h"

#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class QStackedWidget;

namespace vellumix {

class AppModel;
class ShortcutManager;

// The six-page first-run guide. Only the final button completes it; closing the window does not.
class OnboardingView final : public QWidget
{
    Q_OBJECT
public:
    static constexpr int pageCount = 6;
    static constexpr QSize size{550, 440};

    OnboardingView(AppModel& model,
                   ShortcutManager& shortcuts,
                   AutostartEntry autostart,
                   std::function<void()> done,
                   std::optional<SettingsPage> captureSettings = {},
                   QWidget* parent = nullptr);

    int step() const { return m_step; }
    void setStep(int step);
    QString title() const;
    QString text() const;

private:
    void render();
    QWidget* controls(int step);

    AppModel& m_model;
    ShortcutManager& m_shortcuts;
    AutostartEntry m_autostart;
    std::function<void()> m_done;
    std::optional<SettingsPage> m_captureSettings;
    int m_step = 0;
    std::optional<QString> m_loginError;
    QLabel* m_symbol;
    QLabel* m_title;
    QLabel* m_text;
    QStackedWidget* m_controls;
    QLabel* m_loginErrorLabel = nullptr;
    QLabel* m_permissionState = nullptr;
    QPushButton* m_back;
    QLabel* m_counter;
    QPushButton* m_next;
};

} // namespace vellumix
