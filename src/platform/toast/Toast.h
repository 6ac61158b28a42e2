// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Notifier.h"
#include "platform/toast/ToastPanel.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

namespace vellumix {

// The confirmation as a small window of our own at the top right of the primary screen, where
// the window system lets a client place a window that never takes the focus (X11).
class Toast final : public QObject, public Notifier
{
    Q_OBJECT
public:
    // `composited` tells at each toast whether translucent corners can be drawn.
    explicit Toast(std::function<bool()> composited = {}, QObject* parent = nullptr);
    ~Toast() override;

    void notify(const QString& message) override;
    void stop() override;

    ToastPanel* panel() const { return m_panel; }

private:
    QPointer<ToastPanel> m_panel;
    QTimer m_timer;
    std::function<bool()> m_composited;
};

} // namespace vellumix
