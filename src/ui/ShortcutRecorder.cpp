// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ShortcutRecorder.h"

#include <QKeyEvent>

namespace vellumix {

namespace {

bool isModifier(int key)
{
    switch (key) {
    case Qt::Key_Control:
    case Qt::Key_Shift:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Mode_switch:
        return true;
    default:
        return false;
    }
}

} // namespace

ShortcutRecorder::ShortcutRecorder(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

bool ShortcutRecorder::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Accepting it keeps the press away from every QAction and QShortcut.
        event->accept();
        return true;
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        key->accept();
        if (key->isAutoRepeat() || isModifier(key->key()))
            return true;
        Q_EMIT recorded(Shortcut::from(KeyPress::fromEvent(*key)));
        return true;
    }
    case QEvent::KeyRelease:
        event->accept();
        return true;
    default:
        return QWidget::event(event);
    }
}

void ShortcutRecorder::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    // A popup (an input method, a tooltip) borrows the focus without ending anything.
    if (event->reason() != Qt::PopupFocusReason)
        Q_EMIT abandoned();
}

} // namespace vellumix
