// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Dispatch.h"
#include "common/SerialQueue.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <vector>

using namespace corvane;

TEST(Dispatch, GlobalWorkComesBackOnTheMainThread)
{
    std::atomic<bool> ranOffMain{false};
    bool cameBack = false;
    bool backOnMain = false;
    Dispatch::global([&] {
        ranOffMain = !Dispatch::isMainThread();
        Dispatch::main([&] {
            backOnMain = Dispatch::isMainThread();
            cameBack = true;
        });
    });
    QElapsedTimer timer;
    timer.start();
    while (!cameBack && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(cameBack);
    EXPECT_TRUE(ranOffMain);
    EXPECT_TRUE(backOnMain);
}

TEST(SerialQueue, RunsBlocksInOrderOneAtATimeOnItsOwnThread)
{
    std::vector<int> order;
    std::atomic<int> running{0};
    std::atomic<bool> overlapped{false};
    QThread* seen = nullptr;
    {
        SerialQueue queue;
        for (int i = 0; i < 200; ++i) {
            queue.async([&, i] {
                if (running.fetch_add(1) != 0)
                    overlapped = true;
                order.push_back(i);
                seen = QThread::currentThread();
                running.fetch_sub(1);
            });
        }
        queue.drain();
        EXPECT_EQ(order.size(), 200u);
        int inside = -1;
        queue.sync([&] { queue.sync([&] { inside = 1; }); }); // re-entrant sync must not deadlock
        EXPECT_EQ(inside, 1);
    }
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(order[size_t(i)], i);
    EXPECT_FALSE(overlapped);
    EXPECT_NE(seen, QThread::currentThread());
}
