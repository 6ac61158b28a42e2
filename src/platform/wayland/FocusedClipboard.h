// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ClipboardWriter.h"

class QClipboard;

namespace vellumix {

// Qt's clipboard where the compositor offers no data control (GNOME): a compositor takes a
// selection only from the client with the keyboard focus and ignores the others without a word,
// so the text counts as copied only while a window of ours has the focus.
class FocusedClipboard final : public ClipboardWriter
{
public:
    explicit FocusedClipboard(QClipboard* clipboard) : m_clipboard(clipboard) {}

    bool setText(const QString& text) override;

private:
    QClipboard* m_clipboard;
};

} // namespace vellumix
