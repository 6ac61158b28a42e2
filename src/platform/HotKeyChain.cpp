// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/HotKeyChain.h"

namespace vellumix {

HotKeyChain::HotKeyChain(std::vector<std::unique_ptr<HotKeyBackend>> candidates, QObject* parent)
    : HotKeyBackend(parent), m_candidates(std::move(candidates))
{
    m_active = &active();
    for (const std::unique_ptr<HotKeyBackend>& candidate : m_candidates) {
        HotKeyBackend* source = candidate.get();
        // Only the serving candidate speaks: one turning unavailable answers its pending
        // registrations with refusals that the next one's round replaces.
        connect(source, &HotKeyBackend::registered, this, [this, source](int id, int status) {
            if (source == &active())
                Q_EMIT registered(id, status);
        });
        connect(source, &HotKeyBackend::activated, this, [this, source](int id) {
            if (source == &active())
                Q_EMIT activated(id);
        });
        connect(source, &HotKeyBackend::registrationLost, this, [this, source](int id, int status) {
            if (source == &active())
                Q_EMIT registrationLost(id, status);
        });
        connect(source, &HotKeyBackend::availabilityChanged, this, [this, source] {
            HotKeyBackend* now = &active();
            if (std::exchange(m_active, now) != now || source == now)
                Q_EMIT availabilityChanged();
        });
    }
}

HotKeyChain::~HotKeyChain() = default;

HotKeyBackend& HotKeyChain::active() const
{
    for (const std::unique_ptr<HotKeyBackend>& candidate : m_candidates) {
        if (candidate->unavailableReason().isEmpty())
            return *candidate;
    }
    return *m_candidates.back();
}

void HotKeyChain::registerHotKey(int id, std::uint32_t keycode, std::uint32_t modifiers)
{
    active().registerHotKey(id, keycode, modifiers);
}

void HotKeyChain::describeHotKey(int id, const QString& name, const QString& description)
{
    active().describeHotKey(id, name, description);
}

} // namespace vellumix
