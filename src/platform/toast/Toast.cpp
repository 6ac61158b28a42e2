// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/toast/Toast.h"
#include "platform/toast/ToastPanel.h"

#include <QGuiApplication>
#include <QScreen>

namespace vellumix {

Toast::Toast(std::function<bool()> composited, QObject* parent)
    : QObject(parent), m_composited(std::move(composited))
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(lifetimeMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_panel)
            m_panel->close();
    });
}

Toast::~Toast()
{
    stop();
}

void Toast::notify(const QString& message)
{
    stop();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    m_panel = new ToastPanel(message, !m_composited || m_composited());
    m_panel->setGeometry(ToastPanel::placement(available));
    m_panel->show();
    m_panel->raise();
    m_timer.start();
}

void Toast::stop()
{
    m_timer.stop();
    if (m_panel)
        m_panel->close();
}

} // namespace vellumix
