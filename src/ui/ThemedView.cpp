// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ThemedView.h"
#include "model/Preferences.h"

#include <QVBoxLayout>

namespace vellumix {

ThemedView::ThemedView(const Preferences& preferences, QWidget* content, QWidget* parent)
    : QWidget(parent), m_preferences(preferences), m_content(content)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_content);
    connect(&preferences, &Preferences::changed, this, [this](Preferences::Key key) {
        if (key == Preferences::Key::Accent)
            applyTint();
    });
    applyTint();
}

void ThemedView::applyTint()
{
    // Only the highlight roles are set, so every other role still follows the application
    // palette when the appearance changes.
    QPalette tinted;
    const QColor accent = m_preferences.accentColor();
    for (const auto group : {QPalette::Active, QPalette::Inactive})
        tinted.setColor(group, QPalette::Highlight, accent);
    QColor disabled = accent;
    disabled.setAlphaF(0.5f);
    tinted.setColor(QPalette::Disabled, QPalette::Highlight, disabled);
    setPalette(tinted);
}

} // namespace vellumix
