// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

namespace vellumix {

class ToastPanel;

// Shows one confirmation at a time: a newer message replaces the one on screen at once, and
// each closes by itself after its lifetime.
class Toast final : public QObject
{
    Q_OBJECT
public:
    static constexpr int lifetimeMs = 2000;

    explicit Toast(QObject* parent = nullptr);
    ~Toast() override;

    void show(const QString& message);
    // Closes the toast on screen and stops its timer (at termination).
    void stop();

    ToastPanel* panel() const { return m_panel; }

private:
    QPointer<ToastPanel> m_panel;
    QTimer m_timer;
};

} // namespace vellumix
