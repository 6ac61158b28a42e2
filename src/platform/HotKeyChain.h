// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/HotKeyBackend.h"

#include <memory>
#include <vector>

namespace vellumix {

// Desktop services in order of preference, each finding out on its own whether the session offers
// it: the first one not unavailable serves, and when it turns unavailable the next takes over
// (the manager registers again on availabilityChanged). The last one should always be there.
class HotKeyChain final : public HotKeyBackend
{
    Q_OBJECT
public:
    explicit HotKeyChain(std::vector<std::unique_ptr<HotKeyBackend>> candidates, QObject* parent = nullptr);
    ~HotKeyChain() override;

    // The candidate serving now.
    HotKeyBackend& active() const;

    Capabilities capabilities() const override { return active().capabilities(); }
    QString unavailableReason() const override { return active().unavailableReason(); }
    void registerHotKey(int id, std::uint32_t keycode, std::uint32_t modifiers) override;
    void unregisterHotKey(int id) override { active().unregisterHotKey(id); }
    bool grabKeyboard(QWindow& window) override { return active().grabKeyboard(window); }
    void releaseKeyboard(QWindow& window) override { active().releaseKeyboard(window); }
    void describeHotKey(int id, const QString& name, const QString& description) override;
    QString boundTrigger(int id) const override { return active().boundTrigger(id); }
    void openDesktopSettings() override { active().openDesktopSettings(); }

private:
    std::vector<std::unique_ptr<HotKeyBackend>> m_candidates;
    HotKeyBackend* m_active = nullptr;
};

} // namespace vellumix
