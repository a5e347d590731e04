// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTimer>
#include <QWidget>

namespace corvane {

// The small spinning progress indicator of the clean screen and its rows. Animates only
// while started and visible.
class SystemCleanSpinner : public QWidget
{
    Q_OBJECT

public:
    explicit SystemCleanSpinner(QWidget* parent = nullptr, int diameter = 18);

    void startAnimation();
    void stopAnimation();
    bool isAnimating() const { return m_running; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTimer m_timer;
    int m_angle = 0;
    int m_diameter;
    bool m_running = false;
};

} // namespace corvane
