// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AboutDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

namespace vellumix {

AboutDialog::AboutDialog(const QIcon& icon, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("About Vellumix"));
    auto* layout = new QVBoxLayout(this);
    auto* image = new QLabel(this);
    image->setPixmap(icon.pixmap(64, 64));
    auto* name = new QLabel(QStringLiteral("<b>Vellumix</b>"), this);
    auto* version = new QLabel(tr("Version %1").arg(QApplication::applicationVersion()), this);
    auto* credits = new QLabel(tr("Private, on-device text recognition.\nBuilt with Tesseract OCR."), this);
    credits->setTextFormat(Qt::PlainText);
    credits->setObjectName(QStringLiteral("credits"));
    for (QLabel* label : {image, name, version, credits}) {
        label->setAlignment(Qt::AlignHCenter);
        layout->addWidget(label);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    layout->addWidget(buttons);
    setModal(false);
}

} // namespace vellumix
