// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QClipboard;
class QString;

namespace vellumix::ClipboardService {

// Puts the text, untrimmed, on the clipboard as plain text, unless it is empty after trimming
// (then the clipboard keeps what it held). Without a clipboard given, the system clipboard;
// without a GUI application, nothing.
void copy(const QString& text, QClipboard* clipboard = nullptr);

} // namespace vellumix::ClipboardService
