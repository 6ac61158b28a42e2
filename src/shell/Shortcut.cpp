// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Shortcut.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QKeySequence>

#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>
#include <limits>
#include <memory>

namespace vellumix {
namespace {

// X11 keycodes of the keys that never make a shortcut or that the desktop keeps for itself.
constexpr std::array<std::uint32_t, 5> refusedKeys{36 /*Return*/, 23 /*Tab*/, 22 /*BackSpace*/, 9 /*Escape*/,
                                                   119 /*Delete*/};
constexpr std::array<std::uint32_t, 12> functionKeys{67, 68, 69, 70, 71, 72, 73, 74, 75, 76, 95, 96};
constexpr std::uint32_t keyL = 46;

template <std::size_t N> bool contains(const std::array<std::uint32_t, N>& keys, std::uint32_t key)
{
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

bool isReserved(std::uint32_t key, std::uint32_t modifiers)
{
    // Ctrl+Alt+F1..F12 switch virtual consoles; Super+L locks the screen.
    const bool ctrlAlt = (modifiers & (Shortcut::Ctrl | Shortcut::Alt)) == (Shortcut::Ctrl | Shortcut::Alt);
    if (ctrlAlt && contains(functionKeys, key))
        return true;
    return modifiers == Shortcut::Super && key == keyL;
}

struct KeymapDeleter
{
    void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
};

// The default layout's keymap, compiled once; null when no keyboard data is installed.
xkb_keymap* defaultKeymap()
{
    static const std::unique_ptr<xkb_keymap, KeymapDeleter> keymap = [] {
        xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
        if (!context)
            return std::unique_ptr<xkb_keymap, KeymapDeleter>();
        const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
        std::unique_ptr<xkb_keymap, KeymapDeleter> compiled(
            xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
        xkb_context_unref(context);
        return compiled;
    }();
    return keymap.get();
}

bool isModifierKey(xkb_keysym_t sym)
{
    return (sym >= XKB_KEY_Shift_L && sym <= XKB_KEY_Hyper_R) ||
           (sym >= XKB_KEY_ISO_Lock && sym <= XKB_KEY_ISO_Last_Group_Lock) || sym == XKB_KEY_Mode_switch ||
           sym == XKB_KEY_Num_Lock;
}

std::optional<std::uint32_t> readUnsigned(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number < 0 || number > double(std::numeric_limits<std::uint32_t>::max()) ||
        number != double(std::uint64_t(number)))
        return std::nullopt;
    return std::uint32_t(number);
}

} // namespace

KeyPress KeyPress::fromEvent(const QKeyEvent& event)
{
    KeyPress press;
    press.keycode = event.nativeScanCode();
    const Qt::KeyboardModifiers held = event.modifiers();
    if (held & Qt::ControlModifier)
        press.modifiers |= Shortcut::Ctrl;
    if (held & Qt::AltModifier)
        press.modifiers |= Shortcut::Alt;
    if (held & Qt::ShiftModifier)
        press.modifiers |= Shortcut::Shift;
    if (held & Qt::MetaModifier)
        press.modifiers |= Shortcut::Super;
    press.name = Shortcut::keyName(press.keycode);
    return press;
}

QList<Shortcut> Shortcut::defaults()
{
    const std::uint32_t mask = Ctrl | Alt | Shift;
    return {{10, mask, QStringLiteral("Ctrl+Alt+Shift+1")},
            {11, mask, QStringLiteral("Ctrl+Alt+Shift+2")},
            {12, mask, QStringLiteral("Ctrl+Alt+Shift+3")},
            {13, mask, QStringLiteral("Ctrl+Alt+Shift+4")}};
}

std::optional<Shortcut> Shortcut::from(const KeyPress& press)
{
    const std::uint32_t modifiers = press.modifiers & AllModifiers;
    if (!(modifiers & (Ctrl | Super)))
        return std::nullopt;
    if (contains(refusedKeys, press.keycode))
        return std::nullopt;
    if (press.name.trimmed().isEmpty())
        return std::nullopt;
    if (isReserved(press.keycode, modifiers))
        return std::nullopt;
    return Shortcut{press.keycode, modifiers, labelFor(modifiers, press.name)};
}

QString Shortcut::labelFor(std::uint32_t modifiers, const QString& keyName)
{
    QString text;
    if (modifiers & Ctrl)
        text += QLatin1String("Ctrl+");
    if (modifiers & Alt)
        text += QLatin1String("Alt+");
    if (modifiers & Shift)
        text += QLatin1String("Shift+");
    if (modifiers & Super)
        text += QLatin1String("Super+");
    return text + keyName.toUpper();
}

QString Shortcut::keyName(std::uint32_t keycode)
{
    xkb_keymap* keymap = defaultKeymap();
    if (!keymap)
        return {};
    const xkb_keysym_t* syms = nullptr;
    if (xkb_keymap_key_get_syms_by_level(keymap, keycode, 0, 0, &syms) < 1 || syms[0] == XKB_KEY_NoSymbol ||
        isModifierKey(syms[0]))
        return {};
    std::array<char, 64> buffer{};
    if (xkb_keysym_to_utf8(syms[0], buffer.data(), buffer.size()) > 1) {
        const QString text = QString::fromUtf8(buffer.data());
        if (!text.isEmpty() && !text.at(0).isSpace() && text.at(0).isPrint())
            return text.toUpper();
    }
    if (xkb_keysym_get_name(syms[0], buffer.data(), buffer.size()) < 1)
        return {};
    return QString::fromLatin1(buffer.data()).toUpper();
}

QByteArray Shortcut::encode(const QList<Shortcut>& shortcuts)
{
    QJsonArray array;
    for (const Shortcut& shortcut : shortcuts)
        array.append(QJsonObject{{QStringLiteral("key"), qint64(shortcut.key)},
                                 {QStringLiteral("modifiers"), qint64(shortcut.modifiers)},
                                 {QStringLiteral("label"), shortcut.label}});
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<QList<Shortcut>> Shortcut::decode(const QByteArray& data)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QList<Shortcut> shortcuts;
    for (const QJsonValue& element : document.array()) {
        const QJsonObject object = element.toObject();
        const auto key = readUnsigned(object.value(QLatin1String("key")));
        const auto modifiers = readUnsigned(object.value(QLatin1String("modifiers")));
        const QJsonValue label = object.value(QLatin1String("label"));
        if (!element.isObject() || !key || !modifiers || !label.isString())
            return std::nullopt;
        shortcuts.append(Shortcut{*key, *modifiers, label.toString()});
    }
    return shortcuts;
}

} // namespace vellumix
