// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/HotKeyBackend.h"
#include "platform/xdg/SettingsPage.h"

#include <QMap>

#include <optional>

namespace vellumix {

// Global shortcuts through KDE's own service (org.kde.kglobalaccel), for Plasma sessions whose
// portal has no GlobalShortcuts interface. Our combinations are the defaults; a binding the user
// made in KDE's settings wins, and what the service really assigned comes back from each
// registration (nothing when another program holds the key). Until the service is found on the
// bus nothing is refused; without it the back-end is unavailable.
class KGlobalAccelHotKeyBackend final : public HotKeyBackend
{
    Q_OBJECT
public:
    // The status of a shortcut the service assigned no key to.
    static constexpr int declined = 1;
    static inline const QString component = QStringLiteral("vellumix");

    // `settings` is KDE's shortcut settings page, opened by openDesktopSettings().
    explicit KGlobalAccelHotKeyBackend(std::optional<SettingsPage> settings, QObject* parent = nullptr);
    ~KGlobalAccelHotKeyBackend() override;

    Capabilities capabilities() const override;
    QString unavailableReason() const override;
    void registerHotKey(int id, std::uint32_t keycode, std::uint32_t modifiers) override;
    void unregisterHotKey(int id) override;
    void describeHotKey(int id, const QString& name, const QString& description) override;
    QString boundTrigger(int id) const override;
    void openDesktopSettings() override;

    // QKeyCombination::toCombined() of a keycode and the stored modifier bits; 0 when the key
    // has no Qt name.
    static int qtCombination(std::uint32_t keycode, std::uint32_t modifiers);

private Q_SLOTS:
    void onPressed(const QString& component, const QString& action, qlonglong timestamp);

private:
    enum class State { Probing, Ready, Unavailable };
    struct Entry
    {
        QString name;
        QString description;
        int combination = 0;
        bool wanted = false;
        bool pending = false; // registered but not sent: the service was not known yet
        QString bound;
    };

    void send(int id);
    QStringList actionId(int id) const;
    void listen();

    State m_state = State::Probing;
    std::optional<SettingsPage> m_settings;
    QMap<int, Entry> m_entries;
    bool m_listening = false;
};

} // namespace vellumix
