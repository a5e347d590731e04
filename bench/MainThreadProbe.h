// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace corvane::bench {

// The longest time between two ticks of a 5 ms timer on the main thread: how long the
// screen under measurement kept it from answering.
struct MainThreadProbe
{
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 worst = 0;

    MainThreadProbe()
    {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, &timer, [this] {
            const qint64 now = clock.elapsed();
            worst = std::max(worst, now - last);
            last = now;
        });
    }
    void start()
    {
        worst = 0;
        clock.start();
        last = 0;
        timer.start();
    }
    // Also counts the gap since the last tick, so a stall at the very end is not missed.
    qint64 stop()
    {
        timer.stop();
        return std::max(worst, clock.elapsed() - last);
    }
};

// Runs the event loop until `done` answers true.
inline void spinUntil(const std::function<bool()>& done)
{
    while (!done())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

} // namespace corvane::bench
