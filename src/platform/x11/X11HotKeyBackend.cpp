// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11HotKeyBackend.h"
#include "platform/x11/X11KeyMasks.h"

#include <QGuiApplication>
#include <QWindow>

#include <cstdlib>
#include <cstring>

namespace vellumix {
namespace {

constexpr std::uint32_t NumLockKeysym = 0xff7f;
constexpr std::uint32_t ScrollLockKeysym = 0xff14;
constexpr std::uint8_t XkbNewKeyboardNotify = 0;
constexpr std::uint8_t XkbMapNotify = 1;

template <typename T> struct Reply
{
    T* data;
    explicit Reply(T* reply) : data(reply) {}
    ~Reply() { std::free(data); }
    Reply(const Reply&) = delete;
    Reply& operator=(const Reply&) = delete;
    T* operator->() const { return data; }
    explicit operator bool() const { return data != nullptr; }
};

} // namespace

std::unique_ptr<X11HotKeyBackend> X11HotKeyBackend::create(QObject* parent)
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return nullptr;
    xcb_connection_t* connection = x11->connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen)
        return nullptr;
    return std::make_unique<X11HotKeyBackend>(connection, screen->root, parent);
}

X11HotKeyBackend::X11HotKeyBackend(xcb_connection_t* connection, xcb_window_t root, QObject* parent)
    : HotKeyBackend(parent), m_connection(connection), m_root(root)
{
    // Qt selects XKB keyboard-change events on its connection; they arrive after this offset.
    const char name[] = "XKEYBOARD";
    Reply<xcb_query_extension_reply_t> extension(xcb_query_extension_reply(
        m_connection, xcb_query_extension(m_connection, std::uint16_t(std::strlen(name)), name), nullptr));
    if (extension && extension->present)
        m_xkbFirstEvent = extension->first_event;

    // Keyboard changes come in bursts; grab again once they have settled.
    m_regrab.setSingleShot(true);
    m_regrab.setInterval(100);
    connect(&m_regrab, &QTimer::timeout, this, &X11HotKeyBackend::regrabAll);

    readLockMasks();
    if (qGuiApp)
        qGuiApp->installNativeEventFilter(this);
}

X11HotKeyBackend::~X11HotKeyBackend()
{
    if (qGuiApp)
        qGuiApp->removeNativeEventFilter(this);
    for (const Grab& grab : std::as_const(m_grabs))
        ungrab(grab);
    xcb_flush(m_connection);
}

void X11HotKeyBackend::readLockMasks()
{
    const auto modifierCookie = xcb_get_modifier_mapping(m_connection);
    const xcb_setup_t* setup = xcb_get_setup(m_connection);
    const std::uint8_t count = std::uint8_t(setup->max_keycode - setup->min_keycode + 1);
    const auto keyboardCookie = xcb_get_keyboard_mapping(m_connection, setup->min_keycode, count);

    Reply<xcb_get_modifier_mapping_reply_t> modifiers(
        xcb_get_modifier_mapping_reply(m_connection, modifierCookie, nullptr));
    Reply<xcb_get_keyboard_mapping_reply_t> keyboard(
        xcb_get_keyboard_mapping_reply(m_connection, keyboardCookie, nullptr));

    std::uint16_t numLock = 0;
    std::uint16_t scrollLock = 0;
    if (modifiers && keyboard) {
        const xcb_keycode_t* map = xcb_get_modifier_mapping_keycodes(modifiers.data);
        const QList<std::uint8_t> modifierMap(map,
                                              map + xcb_get_modifier_mapping_keycodes_length(modifiers.data));
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(keyboard.data);
        const QList<std::uint32_t> keysyms(syms,
                                           syms + xcb_get_keyboard_mapping_keysyms_length(keyboard.data));
        const int perKeycode = keyboard->keysyms_per_keycode;
        const int perModifier = modifiers->keycodes_per_modifier;
        numLock = X11KeyMasks::maskOf(
            modifierMap, perModifier,
            X11KeyMasks::keycodesOf(keysyms, perKeycode, setup->min_keycode, NumLockKeysym));
        scrollLock = X11KeyMasks::maskOf(
            modifierMap, perModifier,
            X11KeyMasks::keycodesOf(keysyms, perKeycode, setup->min_keycode, ScrollLockKeysym));
    }
    m_variants = X11KeyMasks::lockVariants(X11KeyMasks::LockMask, numLock, scrollLock);
}

void X11HotKeyBackend::registerHotKey(int id, std::uint32_t keycode, std::uint32_t modifiers)
{
    unregisterHotKey(id);
    if (keycode < 8 || keycode > 255) {
        Q_EMIT registered(id, 2); // BadValue: X11 keycodes are 8 to 255
        return;
    }
    Grab entry{std::uint8_t(keycode), X11KeyMasks::fromStored(modifiers), {}};
    // The server answers a checked grab at once, so the outcome is known before returning.
    const int status = grab(entry);
    if (status == 0)
        m_grabs.insert(id, entry);
    Q_EMIT registered(id, status);
}

void X11HotKeyBackend::unregisterHotKey(int id)
{
    const auto it = m_grabs.find(id);
    if (it == m_grabs.end())
        return;
    ungrab(*it);
    m_grabs.erase(it);
    xcb_flush(m_connection);
}

bool X11HotKeyBackend::grabKeyboard(QWindow& window)
{
    // An active grab outranks every passive one, the desktop's and other programs' included.
    return window.setKeyboardGrabEnabled(true);
}

void X11HotKeyBackend::releaseKeyboard(QWindow& window)
{
    window.setKeyboardGrabEnabled(false);
    xcb_flush(m_connection);
}

int X11HotKeyBackend::grab(Grab& entry)
{
    entry.variants = m_variants;
    QList<xcb_void_cookie_t> cookies;
    for (const std::uint16_t variant : std::as_const(entry.variants))
        cookies.append(xcb_grab_key_checked(m_connection, 1, m_root, entry.modifiers | variant, entry.keycode,
                                            XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    int status = 0;
    for (const xcb_void_cookie_t& cookie : std::as_const(cookies)) {
        if (xcb_generic_error_t* error = xcb_request_check(m_connection, cookie)) {
            if (status == 0)
                status = error->error_code;
            std::free(error);
        }
    }
    if (status != 0) {
        // Ungrabbing a combination another client holds leaves that client's grab alone.
        ungrab(entry);
        xcb_flush(m_connection);
    }
    return status;
}

void X11HotKeyBackend::ungrab(const Grab& entry)
{
    for (const std::uint16_t variant : entry.variants)
        xcb_ungrab_key(m_connection, entry.keycode, m_root, entry.modifiers | variant);
}

void X11HotKeyBackend::regrabAll()
{
    for (const Grab& entry : std::as_const(m_grabs))
        ungrab(entry);
    readLockMasks();
    QList<std::pair<int, int>> failures;
    for (auto it = m_grabs.begin(); it != m_grabs.end();) {
        const int status = grab(*it);
        if (status == 0) {
            ++it;
        } else {
            failures.append({it.key(), status});
            it = m_grabs.erase(it);
        }
    }
    xcb_flush(m_connection);
    for (const auto& [id, status] : std::as_const(failures))
        Q_EMIT registrationLost(id, status);
}

bool X11HotKeyBackend::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t type = event->response_type & 0x7f;
    if (type == XCB_KEY_PRESS) {
        const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event);
        if (press->event != m_root)
            return false;
        // Auto-repeat sends presses every few dozen milliseconds while the key is held. A long
        // gap means the release went to another client's keyboard grab (a screenshot tool), so
        // the press is a new one.
        const bool repeat = press->detail == m_held && std::uint32_t(press->time - m_heldTime) < 1000;
        m_heldTime = press->time;
        if (repeat)
            return false;
        const std::uint16_t state = press->state & X11KeyMasks::ShortcutMask;
        for (auto it = m_grabs.cbegin(); it != m_grabs.cend(); ++it) {
            if (it->keycode == press->detail && it->modifiers == state) {
                m_held = press->detail;
                Q_EMIT activated(it.key());
                break;
            }
        }
    } else if (type == XCB_KEY_RELEASE) {
        if (reinterpret_cast<const xcb_key_release_event_t*>(event)->detail == m_held)
            m_held = 0;
    } else if (type == XCB_MAPPING_NOTIFY) {
        const auto* mapping = reinterpret_cast<const xcb_mapping_notify_event_t*>(event);
        if (mapping->request != XCB_MAPPING_POINTER)
            m_regrab.start();
    } else if (m_xkbFirstEvent != 0 && type == m_xkbFirstEvent) {
        // Byte 1 of an XKB event is its kind.
        const std::uint8_t kind = reinterpret_cast<const std::uint8_t*>(event)[1];
        if (kind == XkbNewKeyboardNotify || kind == XkbMapNotify)
            m_regrab.start();
    }
    // Never swallow: Qt records the press's timestamp for later window activation.
    return false;
}

} // namespace vellumix
