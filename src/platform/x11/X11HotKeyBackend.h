// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/HotKeyBackend.h"

#include <QAbstractNativeEventFilter>
#include <QHash>
#include <QList>
#include <QTimer>

#include <xcb/xcb.h>

namespace vellumix {

// Global hot keys as passive key grabs on the root window of Qt's own X connection, one grab
// per lock-key state so that NumLock, CapsLock and ScrollLock do not disable a shortcut.
class X11HotKeyBackend final : public HotKeyBackend, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    // Null when the application does not run on xcb.
    static std::unique_ptr<X11HotKeyBackend> create(QObject* parent = nullptr);
    X11HotKeyBackend(xcb_connection_t* connection, xcb_window_t root, QObject* parent = nullptr);
    ~X11HotKeyBackend() override;

    Capabilities capabilities() const override { return Capability::Register | Capability::Rebind; }
    QString unavailableReason() const override { return {}; }
    void registerHotKey(int id, std::uint32_t keycode, std::uint32_t modifiers) override;
    void unregisterHotKey(int id) override;
    bool grabKeyboard(QWindow& window) override;
    void releaseKeyboard(QWindow& window) override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Grab
    {
        std::uint8_t keycode = 0;
        std::uint16_t modifiers = 0;
        QList<std::uint16_t> variants;
    };

    void readLockMasks();
    int grab(Grab& grab);
    void ungrab(const Grab& grab);
    void regrabAll();

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    std::uint8_t m_xkbFirstEvent = 0;
    QList<std::uint16_t> m_variants;
    QHash<int, Grab> m_grabs;
    // The keycode whose press fired and whose release has not come yet: auto-repeat is ignored.
    std::uint8_t m_held = 0;
    xcb_timestamp_t m_heldTime = 0;
    QTimer m_regrab;
};

} // namespace vellumix
