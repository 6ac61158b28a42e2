// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shell/Shortcut.h"

#include <QWidget>

#include <optional>

namespace vellumix {

// An invisible, focus-taking view that turns the next key press into a shortcut, or into none
// when the press is not acceptable. It takes shortcut overrides, so Ctrl+Q or Ctrl+Z reach it
// instead of the menus. Lone modifier presses and auto-repeats are not presses of their own.
class ShortcutRecorder final : public QWidget
{
    Q_OBJECT
public:
    explicit ShortcutRecorder(QWidget* parent = nullptr);

Q_SIGNALS:
    // Once per accepted press.
    void recorded(std::optional<vellumix::Shortcut> shortcut);
    // The focus went elsewhere (a click on another control, another window): recording ends.
    void abandoned();

protected:
    bool event(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

} // namespace vellumix
