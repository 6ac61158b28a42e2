// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/SelectionView.h"

#include "capture/CaptureGeometry.h"
#include "capture/SelectionController.h"

#include <QCloseEvent>
#include <QHideEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

namespace vellumix {

namespace {

const QColor outlineColour(0, 199, 190); // mint
constexpr double outlineWidth = 2.0;

} // namespace

SelectionView::SelectionView(SelectionController* controller,
                             int displayIndex,
                             DisplaySnapshot snapshot,
                             bool multiple)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool),
      m_controller(controller), m_displayIndex(displayIndex), m_snapshot(std::move(snapshot))
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
    setFocusPolicy(Qt::StrongFocus);
    setWindowTitle(QStringLiteral("Vellumix"));
    resize(m_snapshot.frame.size().toSize());

    if (multiple) {
        m_finish = new QPushButton(tr("Finish"), this);
        m_undo = new QPushButton(tr("Undo"), this);
        for (QPushButton* button : {m_finish, m_undo}) {
            // Keys must keep reaching the view, not the button under the last click.
            button->setFocusPolicy(Qt::NoFocus);
            button->setCursor(Qt::ArrowCursor);
        }
        connect(m_finish, &QPushButton::clicked, this, [this] {
            if (m_controller)
                m_controller->finish(false);
        });
        connect(m_undo, &QPushButton::clicked, this, [this] {
            if (m_controller)
                m_controller->undo();
        });
        placeButtons();
    }
    if (controller)
        connect(controller, &SelectionController::regionsChanged, this, qOverload<>(&QWidget::update));
}

QString SelectionView::hint(qsizetype count)
{
    return tr("%1 regions \u2022 Drag to add \u2022 Return to finish \u2022 Ctrl+Z to undo \u2022 Esc to "
              "cancel")
        .arg(count);
}

QRectF SelectionView::bounds() const
{
    return QRectF(0, 0, width(), height());
}

void SelectionView::placeButtons()
{
    if (!m_finish)
        return;
    // Side by side, 10 apart, centred, their tops 96 below the top of the display.
    const int mid = width() / 2;
    m_finish->setGeometry(mid + 5, 96, 90, 32);
    m_undo->setGeometry(mid - 95, 96, 90, 32);
}

void SelectionView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeButtons();
}

void SelectionView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // The frozen image, native pixels onto the window's native pixels.
    if (m_snapshot.image.isNull())
        painter.fillRect(rect(), Qt::black);
    else
        painter.drawImage(bounds(), m_snapshot.image);

    QList<QRectF> outlines;
    if (m_controller) {
        for (const SelectionController::Region& region : m_controller->regions()) {
            if (region.display == m_displayIndex)
                outlines.append(region.rect);
        }
    }
    if (m_current)
        outlines.append(*m_current);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(outlineColour, outlineWidth));
    painter.setBrush(Qt::NoBrush);
    for (const QRectF& outline : std::as_const(outlines))
        painter.drawRect(CaptureGeometry::flipRect(outline, height()));

    if (!m_controller || !m_controller->multiple())
        return;
    const QString text = hint(m_controller->regions().size());
    QFont font = painter.font();
    font.setPixelSize(16);
    font.setWeight(QFont::Medium);
    painter.setFont(font);
    const double textWidth = QFontMetricsF(font).horizontalAdvance(text);
    const QRectF pill((width() - textWidth) * 0.5 - 18, 38, textWidth + 36, 44);
    QPainterPath path;
    path.addRoundedRect(pill, 12, 12);
    painter.fillPath(path, QColor(0, 0, 0, 191));
    painter.setPen(Qt::white);
    painter.drawText(pill.adjusted(18, 0, -18, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
}

void SelectionView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_start = CaptureGeometry::viewPoint(event->position(), height());
}

void SelectionView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_start)
        return;
    const QPointF p = CaptureGeometry::viewPoint(event->position(), height());
    const QRectF dragged(std::min(p.x(), m_start->x()), std::min(p.y(), m_start->y()),
                         std::abs(p.x() - m_start->x()), std::abs(p.y() - m_start->y()));
    // Clipped to this display: a region never spans two displays.
    const double left = std::max(dragged.left(), 0.0);
    const double bottom = std::max(dragged.top(), 0.0);
    const double right = std::min(dragged.left() + dragged.width(), double(width()));
    const double top = std::min(dragged.top() + dragged.height(), double(height()));
    m_current = QRectF(left, bottom, std::max(right - left, 0.0), std::max(top - bottom, 0.0));
    update();
}

void SelectionView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const std::optional<QRectF> finished = std::exchange(m_current, std::nullopt);
    m_start.reset();
    update();
    if (finished && m_controller)
        m_controller->selected(m_displayIndex, *finished);
}

void SelectionView::keyPressEvent(QKeyEvent* event)
{
    // Every key is taken here, acted on or not, so none leaks to another window.
    event->accept();
    if (!m_controller)
        return;
    switch (event->key()) {
    case Qt::Key_Escape:
        m_controller->finish(true);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_controller->finish(false);
        return;
    case Qt::Key_Z:
        // Ctrl+Shift+Z is a different shortcut (redo) almost everywhere; leave it alone.
        if ((event->modifiers() & Qt::ControlModifier) && !(event->modifiers() & Qt::ShiftModifier))
            m_controller->undo();
        return;
    default:
        return;
    }
}

// The window manager may close (Alt+F4) or unmap the overlay behind the controller's back; the
// capture must still end, as a cancel, or every later one is refused.
void SelectionView::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (m_controller && m_controller->panels().contains(this))
        m_controller->finish(true);
}

void SelectionView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous() && m_controller && m_controller->panels().contains(this))
        m_controller->finish(true);
}

} // namespace vellumix
