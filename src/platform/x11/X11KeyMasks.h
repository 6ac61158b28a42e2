// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>

#include <cstdint>

namespace vellumix::X11KeyMasks {

// X11 core modifier bits.
constexpr std::uint16_t ShiftMask = 1 << 0;
constexpr std::uint16_t LockMask = 1 << 1;
constexpr std::uint16_t ControlMask = 1 << 2;
constexpr std::uint16_t Mod1Mask = 1 << 3;
constexpr std::uint16_t Mod4Mask = 1 << 6;
// The four modifiers a shortcut is made of; the rest of an event's state is ignored.
constexpr std::uint16_t ShortcutMask = ShiftMask | ControlMask | Mod1Mask | Mod4Mask;

// Shortcut's stored bits (Ctrl, Shift, Alt, Super) to the X11 mask (Control, Shift, Mod1, Mod4).
std::uint16_t fromStored(std::uint32_t modifiers);

// Every OR of a subset of the lock masks, 0 first, without repeats: a passive grab matches the
// exact modifier state, so one grab is needed for each lock combination. Zero masks (a lock key
// absent from the keymap) and masks shared by two locks add nothing.
QList<std::uint16_t> lockVariants(std::uint16_t capsLock, std::uint16_t numLock, std::uint16_t scrollLock);

// The modifier bit whose row of the modifier map holds one of the keycodes, or 0. The map has
// eight rows (Shift, Lock, Control, Mod1..Mod5) of keycodesPerModifier entries each.
std::uint16_t
maskOf(const QList<std::uint8_t>& modifierMap, int keycodesPerModifier, const QList<std::uint8_t>& keycodes);

// The keycodes whose keyboard-mapping row holds the keysym; the rows start at minKeycode and
// have keysymsPerKeycode entries each.
QList<std::uint8_t> keycodesOf(const QList<std::uint32_t>& keysyms,
                               int keysymsPerKeycode,
                               std::uint8_t minKeycode,
                               std::uint32_t keysym);

} // namespace vellumix::X11KeyMasks
