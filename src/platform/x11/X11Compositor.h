// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vellumix::X11Compositor {

// Whether a compositing manager owns the screen now (_NET_WM_CM_Sn); without one, translucent
// window corners show black.
bool isRunning();

} // namespace vellumix::X11Compositor
