// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Appearance.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

namespace vellumix {

Appearance::Appearance()
    : m_systemStyle(QApplication::style() ? QApplication::style()->name() : QString()),
      m_systemPalette(QApplication::palette())
{
}

void Appearance::apply(const QString& appearance) const
{
    // Anything but the two other names is light, a stored value we do not know included.
    const bool dark = appearance == QLatin1String("Dark");
    const bool light = !dark && appearance != QLatin1String("System");
    const QString styleName = (light || dark) ? QStringLiteral("Fusion") : m_systemStyle;
    if (!styleName.isEmpty() && QApplication::style()->name().compare(styleName, Qt::CaseInsensitive) != 0) {
        if (QStyle* style = QStyleFactory::create(styleName))
            QApplication::setStyle(style);
    }
    QApplication::setPalette(light ? lightPalette() : dark ? darkPalette() : m_systemPalette);
}

QPalette Appearance::lightPalette()
{
    QPalette palette(QColor(0xEF, 0xEF, 0xEF));
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::AlternateBase, QColor(0xF5, 0xF5, 0xF5));
    palette.setColor(QPalette::Text, QColor(0x1D, 0x1D, 0x1F));
    palette.setColor(QPalette::WindowText, QColor(0x1D, 0x1D, 0x1F));
    palette.setColor(QPalette::ButtonText, QColor(0x1D, 0x1D, 0x1F));
    palette.setColor(QPalette::ToolTipBase, Qt::white);
    palette.setColor(QPalette::ToolTipText, QColor(0x1D, 0x1D, 0x1F));
    palette.setColor(QPalette::PlaceholderText, QColor(0x80, 0x80, 0x80));
    return palette;
}

QPalette Appearance::darkPalette()
{
    const QColor text(0xE8, 0xE8, 0xE8);
    QPalette palette(QColor(0x2D, 0x2D, 0x30), QColor(0x25, 0x25, 0x27));
    palette.setColor(QPalette::Button, QColor(0x3A, 0x3A, 0x3D));
    palette.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x1E));
    palette.setColor(QPalette::AlternateBase, QColor(0x26, 0x26, 0x28));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(0x3A, 0x3A, 0x3D));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, QColor(0x9A, 0x9A, 0x9A));
    palette.setColor(QPalette::Link, QColor(0x4D, 0xA3, 0xFF));
    for (const auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, QColor(0x7A, 0x7A, 0x7A));
    return palette;
}

} // namespace vellumix
