// SPDX-License-Identifier: GPL-3.0-or-later
// The memory kinds and the release, over fixture meminfo files and a counting allocator;
// one real release of 64 MiB in a child process.
#include "memory/MemoryFixtures.h"

#include "memory/engine/GRTUtility.h"
#include "memory/engine/MemoryRelease.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

namespace {

std::string oomScore()
{
    std::string score = readFile("/proc/self/oom_score_adj");
    while (!score.empty() && score.back() == '\n')
        score.pop_back();
    return score;
}

// A kB figure of /proc/self/status.
uint64_t statusKiB(const char* key)
{
    const std::string status = readFile("/proc/self/status");
    const size_t at = status.find(std::string(key) + ":");
    return at == std::string::npos ? 0 : std::stoull(status.substr(at + std::strlen(key) + 1));
}

} // namespace

TEST(MemoryKinds, CodesAndTheFiguresOfTheScreen)
{
    const MemoryReading reading = MemoryStatistics::parse(Meminfo().text(), 0);
    EXPECT_EQ(GRTUtility::memoryInfo(0, reading), 3 * kGiB);
    EXPECT_EQ(GRTUtility::memoryInfo(1, reading), 2 * kGiB);
    EXPECT_EQ(GRTUtility::memoryInfo(2, reading), 1 * kGiB);
    EXPECT_EQ(GRTUtility::memoryInfo(3, reading), kGiB / 2);
    EXPECT_EQ(GRTUtility::memoryInfo(4, reading), 3 * kGiB / 2);
    for (int code : {5, -1, 1000})
        EXPECT_EQ(GRTUtility::memoryInfo(code, reading), 0u) << code;
    EXPECT_EQ(GRTUtility::memoryInfo(5), 0u);
    EXPECT_EQ(GRTUtility::memoryInfo(-1), 0u);
    EXPECT_EQ(GRTUtility::memorySize(reading), int64_t(8 * kGiB));

    const MemoryFigures f = GRTUtility::figures(reading);
    EXPECT_EQ(f.used, 13 * kGiB / 2);
    EXPECT_EQ(f.total, 8 * kGiB);
    EXPECT_EQ(f.free, 3 * kGiB / 2); // total − used is MemFree again

    // More counted in use than there is: free stays at 0 rather than wrapping round.
    const MemoryReading over = MemoryStatistics::parse("MemTotal: 1000 kB\nActive(anon): 900 kB\nZswap: 300 kB\n", 0);
    EXPECT_EQ(GRTUtility::figures(over).free, 0u);
    EXPECT_EQ(GRTUtility::figures(over).used, 1200u * 1024);

    // Unreadable figures: every kind 0, everything free.
    const MemoryFigures none = GRTUtility::figures(MemoryStatistics::parse("", 0));
    EXPECT_EQ(none.used, 0u);
    EXPECT_GT(none.total, 0u);
    EXPECT_EQ(none.free, none.total);
}

TEST(MemoryRelease, PlanTakesCachePlusFreeAboveTheFloor)
{
    EXPECT_EQ(MemoryRelease::floorFor(8 * kGiB), 8 * kGiB / 10);
    EXPECT_EQ(MemoryRelease::floorFor(2 * kGiB), 512 * kMiB);

    Meminfo m;
    m.available = 64 * kGiB; // room enough: (cache + free) >> 20
    MemoryRelease::Plan plan = MemoryRelease::plan(MemoryStatistics::parse(m.text(), 0));
    EXPECT_EQ(plan.count, 3584);
    EXPECT_FALSE(plan.limitedByFloor);
    EXPECT_EQ(MemoryRelease::plan(MemoryStatistics::parse(m.text(), 0), 100).count, 100);

    m.available = 3 * kGiB; // the floor of 819.2 MiB stays
    plan = MemoryRelease::plan(MemoryStatistics::parse(m.text(), 0));
    EXPECT_EQ(plan.count, int((3 * kGiB - 8 * kGiB / 10) >> 20));
    EXPECT_TRUE(plan.limitedByFloor);

    m.available = 700 * kMiB; // already below it
    plan = MemoryRelease::plan(MemoryStatistics::parse(m.text(), 0));
    EXPECT_EQ(plan.count, 0);
    EXPECT_TRUE(plan.limitedByFloor);

    // Never more than the table holds.
    m = Meminfo{4 * 1024 * kGiB, 0, 2048 * kGiB, 0, 2048 * kGiB, 4000 * kGiB};
    EXPECT_EQ(MemoryRelease::plan(MemoryStatistics::parse(m.text(), 0)).count, MemoryRelease::kTableSlots);

    // Nothing read, nothing taken.
    EXPECT_EQ(MemoryRelease::plan(MemoryStatistics::parse("", 0)).count, 0);
}

TEST(MemoryRelease, PercentSteps)
{
    // 4,096 blocks: one more every 40, "100%" from block 4,000 on and kept there.
    for (int i = 0; i < 4096; ++i) {
        EXPECT_EQ(MemoryRelease::percent(i, 4096), i / 40) << i;
        EXPECT_EQ(MemoryRelease::percentText(i, 4096), std::to_string(std::min(i / 40, 100)) + "%") << i;
    }
    EXPECT_EQ(MemoryRelease::percentText(3999, 4096), "99%");
    EXPECT_EQ(MemoryRelease::percentText(4000, 4096), "100%");
    EXPECT_EQ(MemoryRelease::percentText(4095, 4096), "100%");
    // Under 100 blocks the divisor would be 0.
    EXPECT_EQ(MemoryRelease::percentText(0, 7), "0%");
    EXPECT_EQ(MemoryRelease::percentText(3, 7), "42%");
    EXPECT_EQ(MemoryRelease::percentText(6, 7), "85%");
    EXPECT_EQ(MemoryRelease::percentText(98, 99), "98%");
    EXPECT_EQ(MemoryRelease::percentText(0, 0), "0%");
}

TEST(MemoryRelease, EndsByStopFailureOrPlanAndFreesWhatItTook)
{
    TempDir t;
    Meminfo().writeTo(t / "proc");
    auto chunks = std::make_shared<FakeChunks>();
    MemoryRelease release(MemoryStatistics(t / "proc", t / "sys"), chunks);
    const std::string scoreBefore = oomScore();

    // A stop after 10 blocks frees exactly those 10; the pattern is in every byte, and
    // this process offers itself to the out-of-memory killer only while it holds blocks.
    std::vector<std::string> scores;
    chunks->beforeAllocation = [&](int) { scores.push_back(oomScore()); };
    ASSERT_TRUE(release.tryBegin());
    EXPECT_FALSE(release.tryBegin()); // one run at a time
    std::vector<int> seen;
    MemoryRelease::Result r = release.run({100, 0, false}, [&](int i) {
        seen.push_back(i);
        EXPECT_EQ(release.held(), i + 1);
        if (i == 9)
            release.requestStop();
    });
    EXPECT_EQ(r.chunks, 10);
    EXPECT_EQ(r.stoppedBy, MemoryRelease::Outcome::Stop);
    EXPECT_EQ(chunks->allocations, 10);
    EXPECT_EQ(chunks->releases, 10);
    EXPECT_EQ(release.held(), 0);
    EXPECT_EQ(seen, std::vector<int>({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    for (size_t j = 0; j < chunks->buffer.size(); ++j)
        ASSERT_EQ(chunks->buffer[j], j % 256) << j;
    EXPECT_EQ(scores, std::vector<std::string>(10, "1000"));
    EXPECT_EQ(oomScore(), scoreBefore);

    // A stop asked for before the run is a leftover: tryBegin clears it.
    chunks->beforeAllocation = nullptr;
    release.requestStop();
    *chunks = FakeChunks();
    ASSERT_TRUE(release.tryBegin());
    r = release.run({20, 0, false});
    EXPECT_EQ(r.chunks, 20);
    EXPECT_EQ(r.stoppedBy, MemoryRelease::Outcome::Done);

    // The 7th block cannot be had: the 6 before it are freed and the run ends.
    *chunks = FakeChunks();
    chunks->failAt = 7;
    ASSERT_TRUE(release.tryBegin());
    r = release.run({50, 0, false});
    EXPECT_EQ(r.chunks, 6);
    EXPECT_EQ(r.stoppedBy, MemoryRelease::Outcome::Alloc);
    EXPECT_EQ(chunks->allocations, 7);
    EXPECT_EQ(chunks->releases, 6);

    // No blocks: over at once, and said why when the floor left no room.
    *chunks = FakeChunks();
    ASSERT_TRUE(release.tryBegin());
    r = release.run({0, 0, false});
    EXPECT_EQ(r.chunks, 0);
    EXPECT_EQ(r.stoppedBy, MemoryRelease::Outcome::Done);
    ASSERT_TRUE(release.tryBegin());
    EXPECT_EQ(release.run({0, 0, true}).stoppedBy, MemoryRelease::Outcome::Floor);
    EXPECT_EQ(chunks->allocations, 0);
    EXPECT_TRUE(release.tryBegin());
}

TEST(MemoryRelease, StopsWhenAvailableMemoryFallsToTheFloor)
{
    TempDir t;
    Meminfo m;
    m.available = 6 * kGiB;
    m.writeTo(t / "proc");
    auto chunks = std::make_shared<FakeChunks>();
    MemoryRelease release(MemoryStatistics(t / "proc", t / "sys"), chunks);
    ASSERT_TRUE(release.tryBegin());
    const MemoryRelease::Plan plan = release.plan();
    ASSERT_EQ(plan.count, 3584);
    ASSERT_FALSE(plan.limitedByFloor);

    // Another program takes memory while the release runs: after block 20 MemAvailable
    // is below the floor, which the check after block 32 sees.
    chunks->beforeAllocation = [&](int n) {
        if (n == 21) {
            Meminfo low = m;
            low.available = plan.floor - kMiB;
            low.writeTo(t / "proc");
        }
    };
    MemoryRelease::Result r = release.run(plan);
    EXPECT_EQ(r.chunks, 32);
    EXPECT_EQ(r.stoppedBy, MemoryRelease::Outcome::Floor);
    EXPECT_EQ(chunks->releases, 32);

    // meminfo gone mid-run: nothing to watch by, so it stops too.
    *chunks = FakeChunks();
    m.writeTo(t / "proc");
    chunks->beforeAllocation = [&](int n) {
        if (n == 3)
            ::unlink((t / "proc/meminfo").c_str());
    };
    ASSERT_TRUE(release.tryBegin());
    r = release.run(plan);
    EXPECT_EQ(r.chunks, 16);
    EXPECT_EQ(r.stoppedBy, MemoryRelease::Outcome::Floor);

    // A plan the floor cut short that runs to its end ended at the floor.
    *chunks = FakeChunks();
    ASSERT_TRUE(release.tryBegin());
    r = release.run({5, plan.floor, true});
    EXPECT_EQ(r.chunks, 5);
    EXPECT_EQ(r.stoppedBy, MemoryRelease::Outcome::Floor);
}

TEST(MemoryRelease, ARealReleaseGivesItsMemoryBack)
{
    // In a child, so the measure is this release's and nothing else of the test program's.
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeEnds[0]);
        MemoryRelease release(MemoryStatistics::current());
        // A first block takes the one-time costs (code paged in, the table's first page).
        release.tryBegin();
        release.run(release.plan(1));
        const MemoryRelease::Plan plan = release.plan(64);
        const uint64_t before = statusKiB("VmRSS");
        release.tryBegin();
        const MemoryRelease::Result r = release.run(plan);
        const uint64_t after = statusKiB("VmRSS");
        const uint64_t peak = statusKiB("VmHWM");
        const std::string report = std::to_string(plan.count) + " " + std::to_string(r.chunks) + " " +
                                   std::to_string(before) + " " + std::to_string(peak) + " " + std::to_string(after);
        (void)!::write(pipeEnds[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    std::string report;
    char buffer[256];
    ssize_t n;
    while ((n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0)
        report.append(buffer, size_t(n));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    int planned = 0, chunks = 0;
    unsigned long long before = 0, peak = 0, after = 0;
    ASSERT_EQ(std::sscanf(report.c_str(), "%d %d %llu %llu %llu", &planned, &chunks, &before, &peak, &after), 5)
        << report;
    if (planned < 64)
        GTEST_SKIP() << "this machine has no 64 MiB above its floor";
    EXPECT_EQ(chunks, 64);
    EXPECT_GE(peak, before + 63 * 1024) << report; // it really held the memory
    EXPECT_LE(after, before + 1024) << report;     // and gave it all back
}
