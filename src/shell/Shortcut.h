// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

class QKeyEvent;

namespace vellumix {

// The four global shortcuts' actions; the value is the shortcut's position in the stored list.
enum class ShortcutAction { CaptureRegion = 0, CaptureRegions = 1, OpenHistory = 2, OpenWorkspace = 3 };

// One key press as the recorder sees it: the keyboard position, the held modifiers in the
// stored bits below, and the key's name ignoring modifiers (empty when it has none).
struct KeyPress
{
    std::uint32_t keycode = 0;
    std::uint32_t modifiers = 0;
    QString name;

    static KeyPress fromEvent(const QKeyEvent& event);
};

// A global shortcut: an X11 keycode (a keyboard position, independent of the layout), the
// stored modifier mask and the label the user sees.
struct Shortcut
{
    // Stored modifier bits; kept stable because they are written to the user's settings.
    static constexpr std::uint32_t Ctrl = 0x100;
    static constexpr std::uint32_t Shift = 0x200;
    static constexpr std::uint32_t Alt = 0x800;
    static constexpr std::uint32_t Super = 0x1000;
    static constexpr std::uint32_t AllModifiers = Ctrl | Shift | Alt | Super;

    std::uint32_t key = 0;
    std::uint32_t modifiers = 0;
    QString label;

    friend bool operator==(const Shortcut&, const Shortcut&) = default;

    // The four shortcuts in action order; the position is the action index everywhere.
    static QList<Shortcut> defaults();

    // The shortcut a key press would record, or nothing when it is not acceptable.
    static std::optional<Shortcut> from(const KeyPress& press);

    // "Ctrl+", "Alt+", "Shift+", "Super+" in that order, then the key's name in upper case.
    static QString labelFor(std::uint32_t modifiers, const QString& keyName);

    // The name of a keycode on the first level of the default keyboard layout ("1", "K", "F5",
    // "SPACE"); empty for a keycode without one.
    static QString keyName(std::uint32_t keycode);

    // The stored form: UTF-8 JSON, an array of {"key", "modifiers", "label"} objects.
    static QByteArray encode(const QList<Shortcut>& shortcuts);
    // Nothing unless every element is complete and well typed.
    static std::optional<QList<Shortcut>> decode(const QByteArray& data);
};

} // namespace vellumix
