// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

namespace vellumix {

// The application's icon, name, version and credits; closing only hides it, so it is kept.
class AboutDialog final : public QDialog
{
    Q_OBJECT
public:
    explicit AboutDialog(const QIcon& icon, QWidget* parent = nullptr);
};

} // namespace vellumix
