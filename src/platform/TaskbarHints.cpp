// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TaskbarHints.h"
#include "platform/x11/X11TaskbarHints.h"

#include <QGuiApplication>

namespace vellumix {

namespace {

class NoTaskbarHints final : public TaskbarHints
{
public:
    void setListed(QWindow&, bool) override {}
};

} // namespace

std::unique_ptr<TaskbarHints> TaskbarHints::create()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (auto hints = X11TaskbarHints::create())
            return hints;
    }
    return std::make_unique<NoTaskbarHints>();
}

} // namespace vellumix
