// SPDX-License-Identifier: GPL-3.0-or-later
// meminfo and zram statistics read from fixture trees.
#include "platform/MemoryStatistics.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace corvane;
using namespace corvane::test;

namespace {

constexpr uint64_t kKiB = 1024;

// A Debian 12 desktop with 16 GB, a browser and an editor open.
constexpr char kDebian12[] = "MemTotal:       16283948 kB\n"
                             "MemFree:         6217864 kB\n"
                             "MemAvailable:   11702548 kB\n"
                             "Buffers:          305116 kB\n"
                             "Cached:          5476448 kB\n"
                             "SwapCached:            0 kB\n"
                             "Active:          4794004 kB\n"
                             "Inactive:        4206228 kB\n"
                             "Active(anon):    2962704 kB\n"
                             "Inactive(anon):   101148 kB\n"
                             "Active(file):    1831300 kB\n"
                             "Inactive(file):  4105080 kB\n"
                             "Unevictable:       76656 kB\n"
                             "Mlocked:              48 kB\n"
                             "SwapTotal:       1000444 kB\n"
                             "SwapFree:        1000444 kB\n"
                             "Zswap:                 0 kB\n"
                             "Zswapped:              0 kB\n"
                             "Dirty:               708 kB\n"
                             "Writeback:             0 kB\n"
                             "AnonPages:       3189204 kB\n"
                             "Mapped:          1077260 kB\n"
                             "Shmem:            350576 kB\n"
                             "KReclaimable:     260624 kB\n"
                             "Slab:             470420 kB\n"
                             "SReclaimable:     260624 kB\n"
                             "SUnreclaim:       209796 kB\n"
                             "KernelStack:       17312 kB\n"
                             "PageTables:        46864 kB\n"
                             "CommitLimit:     9142416 kB\n"
                             "Committed_AS:   11385232 kB\n"
                             "VmallocTotal:   34359738367 kB\n"
                             "HugePages_Total:       0\n"
                             "HugePages_Free:        0\n"
                             "Hugepagesize:       2048 kB\n"
                             "DirectMap4k:      396148 kB\n"
                             "DirectMap1G:     5242880 kB\n";

} // namespace

TEST(MemoryStatistics, KindsOfADebianMachineAddUpToMemTotal)
{
    TempDir t;
    writeFile(t / "proc/meminfo", kDebian12);
    const MemoryReading r = MemoryStatistics(t / "proc", t / "sys").read();
    ASSERT_TRUE(r.valid);
    EXPECT_EQ(r.total, 16283948 * kKiB);
    EXPECT_EQ(r.ofCode(0), (2962704 + 101148) * kKiB);
    EXPECT_EQ(r.ofCode(1), (1831300 + 4105080) * kKiB);
    EXPECT_EQ(r.ofCode(3), 0u);
    EXPECT_EQ(r.ofCode(4), 6217864 * kKiB);
    EXPECT_EQ(r.ofCode(0) + r.ofCode(1) + r.ofCode(2) + r.ofCode(3) + r.ofCode(4), r.total);
    EXPECT_EQ(r.available, 11702548 * kKiB);
    EXPECT_EQ(MemoryStatistics(t / "proc", t / "sys").available(), 11702548 * kKiB);
    EXPECT_EQ(r.ofCode(5), 0u);
    EXPECT_EQ(r.ofCode(-1), 0u);
}

TEST(MemoryStatistics, CompressedIsZswapPlusEveryZramDevice)
{
    TempDir t;
    // No Zswap line (a kernel without zswap): the zram devices alone, the third field of
    // mm_stat in bytes; a device with a cut-short mm_stat and a non-zram device add nothing.
    writeFile(t / "proc/meminfo", "MemTotal: 4000000 kB\nMemFree: 1000000 kB\nActive(anon): 500000 kB\n"
                                  "Inactive(anon): 100000 kB\nActive(file): 300000 kB\nInactive(file): 200000 kB\n");
    writeFile(t / "sys/block/zram0/mm_stat",
              "  409600000  102400000  123456789        0  130000000     1024        0        0\n");
    writeFile(t / "sys/block/zram1/mm_stat", "4096 1000000\n");
    writeFile(t / "sys/block/zram2/mm_stat", "8192 4096 1000 0 1000 0 0 0\n");
    writeFile(t / "sys/block/vda/mm_stat", "1 2 999999 4\n");
    const MemoryStatistics statistics(t / "proc", t / "sys");
    MemoryReading r = statistics.read();
    EXPECT_EQ(r.compressed, 123456789u + 1000u);
    EXPECT_EQ(r.wired, (4000000 - 1000000 - 600000 - 500000) * kKiB - r.compressed);
    // Without MemAvailable (kernels before 3.14) only what is free counts as available.
    EXPECT_FALSE(r.hasAvailable);
    EXPECT_EQ(r.availableOrFree(), 1000000 * kKiB);

    // With a Zswap line both add up.
    writeFile(t / "proc/meminfo", "MemTotal: 4000000 kB\nMemFree: 1000000 kB\nZswap: 2000 kB\n");
    r = statistics.read();
    EXPECT_EQ(r.compressed, 2000 * kKiB + 123456789u + 1000u);
}

TEST(MemoryStatistics, OddAndMissingFiles)
{
    TempDir t;
    // A container's meminfo that counts more than there is: wired cannot go below 0.
    writeFile(t / "over/meminfo", "MemTotal: 1000 kB\nMemFree: 400 kB\nActive(anon): 500 kB\nActive(file): 300 kB\n");
    MemoryReading r = MemoryStatistics(t / "over", t / "sys").read();
    EXPECT_TRUE(r.valid);
    EXPECT_EQ(r.wired, 0u);
    EXPECT_EQ(r.application + r.fileCache + r.free, 1200 * kKiB);

    // Lines in other units, numbers past 64 bits and lines without a number are not the
    // kernel's and change nothing; a value whose bytes overflow saturates.
    writeFile(t / "odd/meminfo", "MemTotal: 2000 kB\nMemFree: 99999999999999999999999 kB\nMemFree: 5 MB\n"
                                 "Active(anon): x kB\nActive(file): 18014398509481984 kB\nno colon here\n");
    r = MemoryStatistics(t / "odd", t / "sys").read();
    EXPECT_EQ(r.free, 0u);
    EXPECT_EQ(r.application, 0u);
    EXPECT_EQ(r.fileCache, UINT64_MAX);
    EXPECT_EQ(r.wired, 0u);

    // Missing, a folder in its place, or no MemTotal: every kind 0, and all
    // of the machine's memory as the total, so all of it shows as free.
    makeDirs(t / "folder/meminfo");
    writeFile(t / "untitled/meminfo", "MemFree: 1000 kB\n");
    for (const char* root : {"missing", "folder", "untitled"}) {
        r = MemoryStatistics(t / root, t / "sys").read();
        EXPECT_FALSE(r.valid) << root;
        for (int code = 0; code < 5; ++code)
            EXPECT_EQ(r.ofCode(code), 0u) << root;
        EXPECT_EQ(r.total, MemoryStatistics::physicalMemory()) << root;
        EXPECT_GT(r.total, 0u);
        EXPECT_FALSE(MemoryStatistics(t / root, t / "sys").available()) << root;
    }
}
