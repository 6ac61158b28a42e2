// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QCoreApplication;

namespace vellumix {

// Installs Vellumix's catalogue and Qt's own for the user's first interface language that we
// translate (LANGUAGE, else LC_ALL, LC_MESSAGES, LANG), so that standard dialogs match.
// Returns that language, or an empty string when the texts stay in English.
QString installTranslations(QCoreApplication& application);

} // namespace vellumix
