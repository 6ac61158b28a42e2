// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCoreApplication;

namespace vellumix {

// Turns SIGTERM, SIGINT and SIGHUP (a logout sends them) into a normal quit of the application,
// so that destructors stop running tools and remove their folders. Call once, before exec().
void quitOnSignals(QCoreApplication& application);

} // namespace vellumix
