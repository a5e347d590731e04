// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TreeSize.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace corvane;
using namespace corvane::test;

// Many folders make both workers busy; the sum must not depend on how work was shared.
TEST(TreeSize, ParallelWalkGivesTheSameSumAsOneThread)
{
    TempDir t;
    uint64_t expected = 0;
    for (int a = 0; a < 20; ++a)
        for (int b = 0; b < 15; ++b)
            for (int c = 0; c < 4; ++c) {
                const size_t size = size_t(a * 100 + b * 7 + c);
                writeSized(t / ("r/" + std::to_string(a) + "/" + std::to_string(b) + "/f" + std::to_string(c)), size);
                expected += size;
            }
    for (int round = 0; round < 5; ++round) {
        EXPECT_EQ(TreeSize::sizeAtPath(t / "r", false, 1), expected);
        EXPECT_EQ(TreeSize::sizeAtPath(t / "r", false, 2), expected);
        EXPECT_EQ(TreeSize::sizeAtPath(t / "r", false, 8), expected);
    }
    EXPECT_EQ(TreeSize::sizeAtPath(t / "r", true, 2), TreeSize::sizeAtPath(t / "r", true, 1));
}

TEST(TreeSize, UnreadableFoldersAddNothingButTheRestCounts)
{
    TempDir t;
    writeSized(t / "r/open/a", 100);
    writeSized(t / "r/closed/b", 1000);
    giveToUnprivileged(t / "r");
    ASSERT_EQ(::chmod((t / "r/closed").c_str(), 0), 0);
    const int status = runAsUnprivileged([&] { return TreeSize::sizeAtPath(t / "r", false) == 100 ? 0 : 1; });
    EXPECT_EQ(status, 0);
}
