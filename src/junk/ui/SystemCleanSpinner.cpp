// SPDX-License-Identifier: GPL-3.0-or-later
#include "junk/ui/SystemCleanSpinner.h"

#include <QPainter>

namespace corvane {

SystemCleanSpinner::SystemCleanSpinner(QWidget* parent, int diameter) : QWidget(parent), m_diameter(diameter)
{
    setFixedSize(diameter + 4, diameter + 4);
    m_timer.setInterval(60);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_angle = (m_angle + 30) % 360;
        update();
    });
}

QSize SystemCleanSpinner::sizeHint() const
{
    return {m_diameter + 4, m_diameter + 4};
}

void SystemCleanSpinner::startAnimation()
{
    m_running = true;
    if (isVisible())
        m_timer.start();
}

void SystemCleanSpinner::stopAnimation()
{
    m_running = false;
    m_timer.stop();
}

void SystemCleanSpinner::showEvent(QShowEvent*)
{
    if (m_running)
        m_timer.start();
}

void SystemCleanSpinner::hideEvent(QHideEvent*)
{
    m_timer.stop();
}

void SystemCleanSpinner::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(2, 2, m_diameter, m_diameter);
    p.setPen(QPen(QColor(210, 210, 210), 2.5));
    p.drawEllipse(box);
    p.setPen(QPen(QColor(45, 140, 240), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(box, -m_angle * 16, 100 * 16);
}

} // namespace corvane
