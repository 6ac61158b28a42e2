// SPDX-License-Identifier: GPL-3.0-or-later
// What a test clicks: the window a click opened, a button by its title.
#pragma once

#include <QApplication>
#include <QPushButton>
#include <QTest>

namespace vellumix::testing {

// The visible top-level window of type T once it shows; null when none does.
template <typename T> T* openedWindow()
{
    T* found = nullptr;
    static_cast<void>(QTest::qWaitFor([&found] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<T*>(widget); window && window->isVisible())
                found = window;
        }
        return found != nullptr;
    }));
    return found;
}

inline QPushButton* buttonTitled(QWidget* parent, const QString& title)
{
    for (QPushButton* button : parent->findChildren<QPushButton*>()) {
        if (button->text() == title && button->isVisible())
            return button;
    }
    return nullptr;
}

} // namespace vellumix::testing
