// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/FocusedClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace vellumix {

bool FocusedClipboard::setText(const QString& text)
{
    if (!QGuiApplication::focusWindow())
        return false;
    m_clipboard->setText(text, QClipboard::Clipboard);
    // Qt drops the text when the seat has no data device.
    return m_clipboard->ownsClipboard();
}

} // namespace vellumix
