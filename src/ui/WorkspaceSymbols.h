// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QString>

namespace vellumix {

// The workspace's symbols by their names ("text.viewfinder", "trash", ...): the freedesktop icon
// of the user's theme, else a bundled drawing in a grey that reads on light and dark palettes.
QIcon workspaceSymbol(const QString& name);

} // namespace vellumix
