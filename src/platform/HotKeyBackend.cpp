// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/HotKeyBackend.h"
#include "platform/null/NullHotKeyBackend.h"
#include "platform/x11/X11HotKeyBackend.h"

#include <QGuiApplication>

namespace vellumix {

std::unique_ptr<HotKeyBackend> HotKeyBackend::create(QObject* parent)
{
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        auto backend = X11HotKeyBackend::create(parent);
        if (backend)
            return backend;
        return std::make_unique<NullHotKeyBackend>(
            QStringLiteral("Global shortcuts are unavailable: the X11 connection could not be used."),
            parent);
    }
    return std::make_unique<NullHotKeyBackend>(
        QStringLiteral("Global shortcuts need an X11 session; this desktop session has none."), parent);
}

} // namespace vellumix
