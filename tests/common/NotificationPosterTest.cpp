// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/NotificationPoster.h"

#include "common/SerialQueue.h"

#include <gtest/gtest.h>

#include <QSemaphore>

#include <atomic>
#include <chrono>
#include <thread>

using namespace corvane;

namespace {
constexpr int kNotifications = 1000;
} // namespace

// close() on another thread stops a running block at its next check and returns only
// once it has left; what is queued after it never runs.
TEST(NotificationPoster, CloseStopsARunningBlockWaitsForItAndDropsTheRest)
{
    SerialQueue queue;
    auto poster = std::make_unique<NotificationPoster>();
    poster->setQueue(&queue);
    QSemaphore started;
    std::atomic<int> delivered{0};
    std::atomic<bool> inBlock{false};
    std::atomic<bool> laterRan{false};
    poster->post([&](const std::atomic<bool>& open) {
        inBlock = true;
        started.release();
        for (int i = 0; i < kNotifications && open.load(); ++i) {
            ++delivered;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        inBlock = false;
    });
    poster->post([&](const std::atomic<bool>&) { laterRan = true; });
    started.acquire();
    poster->close();
    EXPECT_FALSE(inBlock.load()) << "close() returned while a block was still running";
    EXPECT_LT(delivered.load(), kNotifications) << "the block kept notifying after close()";
    queue.drain();
    EXPECT_FALSE(laterRan.load());
}

// A listener may delete the engine, and so close its poster, from inside a slot.
TEST(NotificationPoster, ClosingFromInsideABlockReturnsAtOnce)
{
    SerialQueue queue;
    NotificationPoster poster;
    poster.setQueue(&queue);
    std::atomic<bool> sawClosed{false};
    poster.post([&](const std::atomic<bool>& open) {
        poster.close();
        sawClosed = !open.load();
    });
    queue.drain();
    EXPECT_TRUE(sawClosed.load());
}
