// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/QSLock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace corvane;

TEST(QSLock, ManyThreadsNeverHoldOneKeyTogetherAndTheRegistryEmpties)
{
    constexpr int kThreads = 16;
    constexpr int kRounds = 2000;
    std::atomic<int> inside[4] = {0, 0, 0, 0};
    std::atomic<int> violations{0};
    std::atomic<long> entries{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kRounds; ++i) {
                const int k = (t + i) % 4;
                // Half the keys are sizes, half fingerprints, as the duplicate search uses them.
                const QSLock::Key key = k < 2 ? QSLock::Key(uint64_t(k)) : QSLock::Key(std::string(k, 'h'));
                QSLock::lockForKey(key);
                if (inside[k].fetch_add(1) != 0)
                    violations++;
                entries++;
                inside[k].fetch_sub(1);
                QSLock::unLockForKey(key);
            }
        });
    }
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(violations.load(), 0);
    EXPECT_EQ(entries.load(), long(kThreads) * kRounds);
    EXPECT_EQ(QSLock::registeredKeyCount(), 0u);
}

TEST(QSLock, OtherKeysRunInParallelAndUnknownUnlockIsHarmless)
{
    QSLock::unLockForKey(std::string("never-locked"));
    QSLock::lockForKey(uint64_t(7));
    std::atomic<bool> otherDone{false};
    std::thread other([&] {
        QSLock::lockForKey(uint64_t(8));
        QSLock::unLockForKey(uint64_t(8));
        otherDone = true;
    });
    other.join(); // would hang if key 8 waited for key 7
    EXPECT_TRUE(otherDone);

    std::atomic<bool> sameEntered{false};
    std::thread same([&] {
        QSLock::lockForKey(uint64_t(7));
        sameEntered = true;
        QSLock::unLockForKey(uint64_t(7));
    });
    // Once the second thread is registered on key 7 it is waiting (or wrongly inside).
    while (QSLock::usersOfKey(uint64_t(7)) < 2)
        std::this_thread::yield();
    EXPECT_FALSE(sameEntered) << "a second holder of key 7 got in";
    // A key with a waiter keeps its entry: the waiter must get this very lock.
    EXPECT_EQ(QSLock::registeredKeyCount(), 1u);
    QSLock::unLockForKey(uint64_t(7));
    same.join();
    EXPECT_TRUE(sameEntered);
    EXPECT_EQ(QSLock::registeredKeyCount(), 0u);
}

TEST(QSLock, GuardGivesTheKeyBackHoweverTheSectionIsLeft)
{
    try {
        const QSLock::Guard held{QSLock::Key(std::string("guarded"))};
        EXPECT_EQ(QSLock::registeredKeyCount(), 1u);
        throw std::runtime_error("left early");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(QSLock::registeredKeyCount(), 0u);
    const QSLock::Guard again{QSLock::Key(std::string("guarded"))}; // would hang if still held
}

TEST(QSLock, ASearchsOwnRegistryNeitherWaitsOnNorShowsInAnother)
{
    QSLock::Registry first;
    QSLock::Registry second;
    const QSLock::Guard held{first, QSLock::Key(uint64_t(1))};
    const QSLock::Guard alsoHeld{second, QSLock::Key(uint64_t(1))}; // would hang if the two were one
    EXPECT_EQ(first.usersOf(uint64_t(1)), 1u);
    EXPECT_EQ(second.keyCount(), 1u);
    EXPECT_EQ(QSLock::registeredKeyCount(), 0u);
}
