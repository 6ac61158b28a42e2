// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QString;

namespace vellumix {

// Puts text on the desktop's clipboard where the application's own clipboard cannot: a Wayland
// compositor takes a selection from Qt only with the serial of a recent input event in a focused
// window, and recognition ends after the overlay that had the input is gone.
class ClipboardWriter
{
public:
    virtual ~ClipboardWriter() = default;
    // Whether the desktop took the text; false when it refused or the connection is gone.
    virtual bool setText(const QString& text) = 0;
};

} // namespace vellumix
