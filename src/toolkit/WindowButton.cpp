// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/WindowButton.h"

#include <QPainter>

namespace corvane {

WindowButton::WindowButton(Kind kind, QWidget* parent)
    : QAbstractButton(parent)
    , m_kind(kind)
{
    setFixedSize(kDiameter, kDiameter);
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::NoFocus);
    switch (kind) {
    case Kind::Close: setObjectName(QStringLiteral("closeButton")); setToolTip(tr("关闭")); break;
    case Kind::Minimize: setObjectName(QStringLiteral("minimizeButton")); setToolTip(tr("最小化")); break;
    case Kind::Zoom: setObjectName(QStringLiteral("zoomButton")); setToolTip(tr("缩放")); break;
    }
}

QSize WindowButton::sizeHint() const
{
    return {kDiameter, kDiameter};
}

void WindowButton::setGlyphVisible(bool visible)
{
    m_glyph = visible;
    update();
}

void WindowButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill, rim;
    switch (m_kind) {
    case Kind::Close: fill = QColor(255, 95, 87); rim = QColor(224, 68, 62); break;
    case Kind::Minimize: fill = QColor(254, 188, 46); rim = QColor(222, 161, 35); break;
    case Kind::Zoom: fill = QColor(40, 200, 64); rim = QColor(29, 173, 43); break;
    }
    if (isDown())
        fill = fill.darker(120);
    p.setPen(QPen(rim, 1));
    p.setBrush(fill);
    p.drawEllipse(QRectF(0.5, 0.5, kDiameter - 1, kDiameter - 1));
    if (!m_glyph)
        return;
    p.setPen(QPen(QColor(0, 0, 0, 150), 1.3, Qt::SolidLine, Qt::RoundCap));
    const QPointF c(kDiameter / 2.0, kDiameter / 2.0);
    switch (m_kind) {
    case Kind::Close:
        p.drawLine(c + QPointF(-2.5, -2.5), c + QPointF(2.5, 2.5));
        p.drawLine(c + QPointF(-2.5, 2.5), c + QPointF(2.5, -2.5));
        break;
    case Kind::Minimize: p.drawLine(c + QPointF(-3, 0), c + QPointF(3, 0)); break;
    case Kind::Zoom:
        p.drawLine(c + QPointF(-3, 0), c + QPointF(3, 0));
        p.drawLine(c + QPointF(0, -3), c + QPointF(0, 3));
        break;
    }
}

} // namespace corvane
