// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPalette>
#include <QString>

namespace vellumix {

// Applies the appearance preference to the whole application: "System" restores the style and
// palette the platform gave at start-up, "Light" and "Dark" use Fusion with a light or dark
// palette. Create it once, after the application object, so that it can remember the former.
class Appearance final
{
public:
    Appearance();

    void apply(const QString& appearance) const;

    static QPalette lightPalette();
    static QPalette darkPalette();

private:
    QString m_systemStyle;
    QPalette m_systemPalette;
};

} // namespace vellumix
