// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace vellumix {

class Preferences;

// The container of every window's content: tints it with the user's accent colour (the
// palette's highlight) and re-tints it as soon as the accent preference changes.
class ThemedView final : public QWidget
{
    Q_OBJECT
public:
    // Takes ownership of content.
    ThemedView(const Preferences& preferences, QWidget* content, QWidget* parent = nullptr);

    QWidget* content() const { return m_content; }

private:
    void applyTint();

    const Preferences& m_preferences;
    QWidget* m_content;
};

} // namespace vellumix
