// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class QGraphicsOpacityEffect;
class QPropertyAnimation;
class QWidget;

namespace corvane {

// The decorative glow of the screens' pictures: every 0.15 s the picture's opacity moves
// by 0.1, down to 0.5 and back up to 1.0, each step eased over the same 0.15 s.
class GlowAnimation : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 150;

    explicit GlowAnimation(QWidget* target, QObject* parent = nullptr);
    ~GlowAnimation() override;

    // Restarting replaces a running timer rather than adding a second one.
    void start();
    void stop();
    bool isRunning() const { return m_timer.isActive(); }

    // One step of the pulse.
    void alphaAnimation();

    double opacity() const { return m_tenths / 10.0; }
    // true while fading out.
    bool isAnimation() const { return m_isAnimation; }

private:
    QPointer<QWidget> m_target;
    QPointer<QGraphicsOpacityEffect> m_effect;
    QPropertyAnimation* m_step = nullptr;
    QTimer m_timer;
    int m_tenths = 10; // opacity in tenths: whole numbers never drift
    bool m_isAnimation = true;
};

} // namespace corvane
