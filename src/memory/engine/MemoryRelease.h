// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "memory/engine/ChunkAllocator.h"
#include "platform/MemoryStatistics.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace corvane {

// Frees memory for the user the blunt way: it takes as much as the file cache plus the
// free memory in 1 MiB blocks, writes every byte so the kernel must supply real pages
// (dropping clean file cache and, with zram or zswap, compressing idle pages to do so),
// then gives it all back at once. Nothing that programs hold is freed.
//
// Taking memory until the kernel runs short is how a machine meets its out-of-memory
// killer, so the run keeps a floor: max(10% of MemTotal, 512 MiB) of MemAvailable is
// never taken. The count is capped to stay above it, MemAvailable is read again every
// 16 blocks (other programs keep allocating meanwhile), a failed allocation ends the
// loop, and while blocks are held this process offers itself first to the killer
// (oom_score_adj 1000), so if memory runs out after all it is the release that goes.
//
// One run at a time: tryBegin() claims the engine, run() gives it back only after the
// last block is freed. Usable without a window: the command line runs it on its own
// thread, the memory screen on the global pool.
class MemoryRelease
{
public:
    static constexpr size_t kChunkBytes = size_t(1) << 20;
    // 1 TiB in 1 MiB blocks: the table that records them never grows.
    static constexpr int kTableSlots = 1 << 20;
    static constexpr int kFloorCheckEvery = 16;

    enum class Outcome {
        Done,  // every planned block was written
        Stop,  // requestStop()
        Floor, // MemAvailable was, or would have gone, below the floor
        Alloc, // a block could not be had
    };

    struct Plan
    {
        int count = 0;               // blocks to write
        uint64_t floor = 0;          // bytes of MemAvailable that stay untouched
        bool limitedByFloor = false; // the floor made the count smaller
    };

    struct Result
    {
        int chunks = 0; // blocks written, and freed again
        Outcome stoppedBy = Outcome::Done;
    };

    explicit MemoryRelease(MemoryStatistics statistics,
                           std::shared_ptr<ChunkAllocator> allocator = ChunkAllocator::system());
    ~MemoryRelease();
    MemoryRelease(const MemoryRelease&) = delete;
    MemoryRelease& operator=(const MemoryRelease&) = delete;

    // max(10% of MemTotal, 512 MiB).
    static uint64_t floorFor(uint64_t total);
    // (file cache + free) >> 20 blocks, no more than the table holds, `maxChunks` allows
    // and MemAvailable above the floor leaves room for.
    static Plan plan(const MemoryReading& reading, int maxChunks = kTableSlots);
    // The percentage after block i of `count`: i ÷ (count ÷ 100) in whole numbers, and
    // i × 100 ÷ count under 100 blocks, where that divisor is 0.
    static int percent(int i, int count);
    // "%i%" of the percentage, "100%" above 100.
    static std::string percentText(int i, int count);
    static const char* outcomeName(Outcome outcome);

    // The plan for the statistics this engine watches, read now.
    Plan plan(int maxChunks = kTableSlots) const;

    // Claims the engine for one run and clears a stop left over; false while an earlier
    // run still holds blocks.
    bool tryBegin();
    // Writes the planned blocks and frees them all; `progress(i)` after block i is stored
    // (on this thread). Ends the claim of tryBegin(). Call it only after tryBegin().
    Result run(const Plan& plan, const std::function<void(int i)>& progress = {});
    // Seen within one block.
    void requestStop() { m_stop.store(true, std::memory_order_relaxed); }

    bool busy() const { return m_busy.load(std::memory_order_acquire); }
    // The index of the block written last (-1 before the first), for a screen that
    // samples progress rather than being called for every block.
    int lastChunk() const { return m_lastChunk.load(std::memory_order_relaxed); }
    // Blocks recorded in the table right now.
    int held() const { return m_held.load(std::memory_order_relaxed); }

private:
    void fill(void* block) const;
    void freeAll(int upTo);

    MemoryStatistics m_statistics;
    std::shared_ptr<ChunkAllocator> m_allocator;
    void** m_table = nullptr;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_busy{false};
    std::atomic<int> m_lastChunk{-1};
    std::atomic<int> m_held{0};
};

} // namespace corvane
