// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ClipboardService.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QString>

namespace vellumix::ClipboardService {

void copy(const QString& text, QClipboard* clipboard)
{
    if (text.trimmed().isEmpty())
        return;
    if (!clipboard) {
        if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            return;
        clipboard = QGuiApplication::clipboard();
    }
    clipboard->setText(text, QClipboard::Clipboard);
}

} // namespace vellumix::ClipboardService
