// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace corvane::bench {

// Milliseconds per run, over `runs` runs after one unmeasured run that warms caches and
// connections up.
struct RunTimes
{
    double median;
    double fastest;
    double slowest;
};

inline RunTimes timeRuns(int runs, const std::function<void()>& run)
{
    run();
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front(), ms.back()};
}

} // namespace corvane::bench
