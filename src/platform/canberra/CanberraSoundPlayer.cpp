// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/canberra/CanberraSoundPlayer.h"

#include <canberra.h>

namespace vellumix {

CanberraSoundPlayer::CanberraSoundPlayer()
{
    if (ca_context_create(&m_context) != CA_SUCCESS) {
        m_context = nullptr;
        return;
    }
    ca_context_change_props(m_context, CA_PROP_APPLICATION_NAME, "Vellumix", CA_PROP_APPLICATION_ID,
                            "vellumix", nullptr);
}

CanberraSoundPlayer::~CanberraSoundPlayer()
{
    if (m_context)
        ca_context_destroy(m_context);
}

void CanberraSoundPlayer::play(const QString& eventId)
{
    if (!m_context)
        return;
    // The result is deliberately ignored: without a sound server or theme there is nothing to do.
    const QByteArray id = eventId.toUtf8();
    ca_context_play(m_context, 0, CA_PROP_EVENT_ID, id.constData(), CA_PROP_EVENT_DESCRIPTION,
                    "Text recognized", CA_PROP_CANBERRA_CACHE_CONTROL, "volatile", nullptr);
}

} // namespace vellumix
