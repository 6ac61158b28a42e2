// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/DisplaySnapshot.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class QPushButton;

namespace vellumix {

class SelectionController;

// One display's overlay window: frameless, always on top, covering its display and painting the
// display's frozen image, so it looks right without a compositor. Draws the regions of its
// display, the drag in progress and, in multiple mode, the hint and the Undo/Finish buttons.
// Input goes to the controller; once the controller is gone keys and finished drags are ignored.
class SelectionView final : public QWidget
{
    Q_OBJECT
public:
    SelectionView(SelectionController* controller, int displayIndex, DisplaySnapshot snapshot, bool multiple);

    int displayIndex() const { return m_displayIndex; }
    // The drag in progress, in view points, already clipped to the view.
    std::optional<QRectF> current() const { return m_current; }
    // The hint shown in multiple mode, for the given number of regions.
    static QString hint(qsizetype count);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void placeButtons();
    QRectF bounds() const;

    QPointer<SelectionController> m_controller;
    int m_displayIndex;
    DisplaySnapshot m_snapshot;
    std::optional<QPointF> m_start;
    std::optional<QRectF> m_current;
    QPushButton* m_finish = nullptr;
    QPushButton* m_undo = nullptr;
};

} // namespace vellumix
