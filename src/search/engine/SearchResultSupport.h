// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace corvane {

// Small pieces the large-file and the duplicate result models and sessions share.

// ASCII-only case mapping: extensions are compared as bytes, whatever the locale says.
std::string asciiUpper(std::string text);
std::string asciiLower(std::string text);

// Whether `path` is gone after a removal was asked for. A removal handed to the
// privileged helper happens on the helper's own time, so the disk is read again for up
// to two seconds before the answer is given.
bool removalConfirmed(const std::string& path, bool handedToHelper);

// The removals of one round: from a request made while none is pending until the last
// answer. What the round removed and kept is reported once, when nothing is pending.
struct RemovalRound
{
    int pending = 0;
    int removed = 0;
    int kept = 0;

    // `count` more removals asked for; a new round starts when none was pending.
    void add(int count)
    {
        if (pending == 0)
            removed = kept = 0;
        pending += count;
    }
};

// Runs `work` on every job in order, off the main thread, and hands the results to
// `deliver` in batches: the last result always ends a batch, and earlier batches leave at
// most once per `interval`, so a long queue of quick jobs costs the main thread a handful
// of updates a second instead of one per job.
template <typename Job, typename Work, typename Deliver>
void forEachBatched(const std::vector<Job>& jobs, Work&& work, Deliver&& deliver,
                    std::chrono::milliseconds interval = std::chrono::milliseconds(100))
{
    using Result = decltype(work(jobs.front()));
    std::vector<Result> pending;
    auto last = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        pending.push_back(work(jobs[i]));
        const auto now = std::chrono::steady_clock::now();
        if (i + 1 == jobs.size() || now - last >= interval) {
            last = now;
            deliver(std::exchange(pending, {}));
        }
    }
}

} // namespace corvane
