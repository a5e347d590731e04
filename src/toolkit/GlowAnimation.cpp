// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/GlowAnimation.h"

#include <QGraphicsOpacityEffect>
#include <QPropertyAnimation>
#include <QWidget>

namespace corvane {

GlowAnimation::GlowAnimation(QWidget* target, QObject* parent)
    : QObject(parent)
    , m_target(target)
{
    if (m_target) {
        m_effect = new QGraphicsOpacityEffect(m_target);
        m_effect->setOpacity(1.0);
        m_target->setGraphicsEffect(m_effect);
        m_step = new QPropertyAnimation(m_effect, "opacity", this);
        m_step->setDuration(kIntervalMs);
    }
    m_timer.setInterval(kIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &GlowAnimation::alphaAnimation);
}

GlowAnimation::~GlowAnimation() = default;

void GlowAnimation::start()
{
    m_timer.start();
}

void GlowAnimation::stop()
{
    m_timer.stop();
}

void GlowAnimation::alphaAnimation()
{
    if (m_isAnimation) {
        if (m_tenths <= 10)
            --m_tenths;
        if (m_tenths <= 5)
            m_isAnimation = false;
    } else {
        ++m_tenths;
        if (m_tenths >= 10)
            m_isAnimation = true;
    }
    if (m_effect && m_step) {
        m_step->stop();
        m_step->setStartValue(m_effect->opacity());
        m_step->setEndValue(opacity());
        m_step->start();
    }
}

} // namespace corvane
