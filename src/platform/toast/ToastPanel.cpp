// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/toast/ToastPanel.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace vellumix {
namespace {

const QColor mint(0x00, 0xC7, 0xBE);

QPixmap checkMark(int size, qreal ratio)
{
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(mint);
    painter.drawEllipse(QRectF(0, 0, size, size));
    QPen pen(Qt::white, size / 9.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    const QPointF tick[] = {
        {size * 0.28, size * 0.52}, {size * 0.44, size * 0.68}, {size * 0.72, size * 0.36}};
    painter.drawPolyline(tick, 3);
    return pixmap;
}

} // namespace

ToastPanel::ToastPanel(const QString& message, bool composited, QWidget* parent)
    : QWidget(parent,
              Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                  Qt::WindowDoesNotAcceptFocus),
      m_message(message)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(width, height);
    if (composited) {
        setAttribute(Qt::WA_TranslucentBackground);
    } else {
        QPainterPath card;
        card.addRoundedRect(QRectF(rect()), 14, 14);
        setMask(QRegion(card.toFillPolygon().toPolygon()));
    }

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(8);
    auto* icon = new QLabel(this);
    icon->setPixmap(checkMark(18, devicePixelRatioF()));
    auto* text = new QLabel(message, this);
    text->setTextFormat(Qt::PlainText);
    QFont font = text->font();
    font.setPixelSize(13);
    font.setWeight(QFont::Medium);
    text->setFont(font);
    layout->addWidget(icon, 0, Qt::AlignVCenter);
    layout->addWidget(text, 1, Qt::AlignVCenter);
}

QRect ToastPanel::placement(const QRect& available)
{
    return QRect(available.x() + available.width() - 320, available.y() + 26, width, height);
}

void ToastPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 14, 14);
    QColor background = palette().color(QPalette::Window);
    background.setAlphaF(0.96f);
    painter.fillPath(card, background);
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.drawPath(card);
}

} // namespace vellumix
