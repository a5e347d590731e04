// SPDX-License-Identifier: GPL-3.0-or-later
#include "memory/ui/GRTMemoryTypeView.h"

#include <QPainter>

namespace corvane {

GRTMemoryTypeView::GRTMemoryTypeView(QWidget* parent) : QWidget(parent)
{
    setFixedSize(sizeHint());
}

void GRTMemoryTypeView::setBackgroundColor(const QColor& colour)
{
    m_backgroundColor = colour;
    update();
}

QColor GRTMemoryTypeView::memoryTypeColorWithType(int type)
{
    switch (type) {
    case 0:
        return {120, 189, 153};
    case 1:
        return {246, 154, 140};
    case 2:
        return {240, 205, 96};
    case 3:
        return {31, 121, 209};
    case 4:
        return {123, 123, 123};
    default:
        return Qt::white;
    }
}

void GRTMemoryTypeView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_backgroundColor);
    painter.drawRoundedRect(QRectF(rect()), 3, 3);
}

} // namespace corvane
