// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QWidget>

namespace vellumix {

// The small confirmation window: a check mark and one line of text on a rounded card. It
// never takes focus from the application the user is working in.
class ToastPanel final : public QWidget
{
    Q_OBJECT
public:
    static constexpr int width = 290;
    static constexpr int height = 54;

    // Without a compositor the card's corners are cut by a window shape instead of transparency.
    explicit ToastPanel(const QString& message, bool composited = true, QWidget* parent = nullptr);

    QString message() const { return m_message; }

    // Top right of the available area: 30 px from its right edge and 26 px below its top.
    static QRect placement(const QRect& available);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_message;
};

} // namespace vellumix
