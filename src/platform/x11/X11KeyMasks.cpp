// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11KeyMasks.h"

namespace vellumix::X11KeyMasks {

std::uint16_t fromStored(std::uint32_t modifiers)
{
    std::uint16_t mask = 0;
    if (modifiers & 0x100)
        mask |= ControlMask;
    if (modifiers & 0x200)
        mask |= ShiftMask;
    if (modifiers & 0x800)
        mask |= Mod1Mask;
    if (modifiers & 0x1000)
        mask |= Mod4Mask;
    return mask;
}

QList<std::uint16_t> lockVariants(std::uint16_t capsLock, std::uint16_t numLock, std::uint16_t scrollLock)
{
    const std::uint16_t locks[] = {capsLock, numLock, scrollLock};
    QList<std::uint16_t> variants;
    for (int subset = 0; subset < 8; ++subset) {
        std::uint16_t mask = 0;
        for (int i = 0; i < 3; ++i) {
            if (subset & (1 << i))
                mask |= locks[i];
        }
        if (!variants.contains(mask))
            variants.append(mask);
    }
    return variants;
}

std::uint16_t
maskOf(const QList<std::uint8_t>& modifierMap, int keycodesPerModifier, const QList<std::uint8_t>& keycodes)
{
    if (keycodesPerModifier <= 0)
        return 0;
    for (qsizetype i = 0; i < modifierMap.size() && i < 8 * qsizetype(keycodesPerModifier); ++i) {
        if (modifierMap[i] != 0 && keycodes.contains(modifierMap[i]))
            return std::uint16_t(1u << (i / keycodesPerModifier));
    }
    return 0;
}

QList<std::uint8_t> keycodesOf(const QList<std::uint32_t>& keysyms,
                               int keysymsPerKeycode,
                               std::uint8_t minKeycode,
                               std::uint32_t keysym)
{
    QList<std::uint8_t> keycodes;
    if (keysymsPerKeycode <= 0)
        return keycodes;
    for (qsizetype i = 0; i < keysyms.size(); ++i) {
        const qsizetype code = minKeycode + i / keysymsPerKeycode;
        if (keysyms[i] == keysym && code <= 255 && !keycodes.contains(std::uint8_t(code)))
            keycodes.append(std::uint8_t(code));
    }
    return keycodes;
}

} // namespace vellumix::X11KeyMasks
