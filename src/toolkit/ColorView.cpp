// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/ColorView.h"

#include <QPainter>

namespace corvane {

ColorView::ColorView(const QColor& color, QWidget* parent)
    : QWidget(parent)
    , m_color(color)
{
}

void ColorView::setColor(const QColor& color)
{
    m_color = color;
    update();
}

void ColorView::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), m_color);
}

} // namespace corvane
