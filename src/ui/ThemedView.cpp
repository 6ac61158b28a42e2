// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ThemedView.h"
#include "model/Preferences.h"

#include <QApplication>
#include <QEvent>
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

void ThemedView::changeEvent(QEvent* event)
{
    // A new application palette (the appearance preference) would drop the tint: put it back.
    if (event->type() == QEvent::ApplicationPaletteChange && !m_tinting)
        applyTint();
    QWidget::changeEvent(event);
}

void ThemedView::applyTint()
{
    m_tinting = true;
    QPalette tinted = QApplication::palette();
    const QColor accent = m_preferences.accentColor();
    for (const auto group : {QPalette::Active, QPalette::Inactive})
        tinted.setColor(group, QPalette::Highlight, accent);
    QColor disabled = accent;
    disabled.setAlphaF(0.5f);
    tinted.setColor(QPalette::Disabled, QPalette::Highlight, disabled);
    setPalette(tinted);
    m_tinting = false;
}

} // namespace vellumix
