// SPDX-License-Identifier: GPL-3.0-or-later
#include "memory/engine/MemoryRelease.h"

#include "platform/LogCategories.h"
#include "platform/OomScoreRaise.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/mman.h>

namespace corvane {

namespace {

constexpr uint64_t kMiB = uint64_t(1) << 20;

} // namespace

MemoryRelease::MemoryRelease(MemoryStatistics statistics, std::shared_ptr<ChunkAllocator> allocator)
    : m_statistics(std::move(statistics)), m_allocator(std::move(allocator))
{
    // 8 MiB of address space, of which only the pages a run reaches are ever backed.
    void* table = ::mmap(nullptr, sizeof(void*) * kTableSlots, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (table == MAP_FAILED)
        qCWarning(lcMemory) << "no room for the release's table:" << std::strerror(errno);
    else
        m_table = static_cast<void**>(table);
}

MemoryRelease::~MemoryRelease()
{
    if (m_table)
        ::munmap(m_table, sizeof(void*) * kTableSlots);
}

uint64_t MemoryRelease::floorFor(uint64_t total)
{
    return std::max(total / 10, 512 * kMiB);
}

MemoryRelease::Plan MemoryRelease::plan(const MemoryReading& reading, int maxChunks)
{
    Plan plan;
    plan.floor = floorFor(reading.total);
    if (!reading.valid)
        return plan;
    const uint64_t asked = (reading.fileCache + reading.free) >> 20;
    const uint64_t allowed = std::min<uint64_t>(uint64_t(kTableSlots), uint64_t(std::max(maxChunks, 0)));
    const uint64_t available = reading.availableOrFree();
    const uint64_t aboveFloor = available > plan.floor ? (available - plan.floor) >> 20 : 0;
    const uint64_t wanted = std::min(asked, allowed);
    plan.count = int(std::min(wanted, aboveFloor));
    plan.limitedByFloor = aboveFloor < wanted;
    return plan;
}

MemoryRelease::Plan MemoryRelease::plan(int maxChunks) const
{
    return plan(m_statistics.read(), maxChunks);
}

int MemoryRelease::percent(int i, int count)
{
    if (count <= 0)
        return 0;
    if (count < 100)
        return int(int64_t(i) * 100 / count);
    return i / (count / 100);
}

std::string MemoryRelease::percentText(int i, int count)
{
    return std::to_string(std::min(percent(i, count), 100)) + "%";
}

const char* MemoryRelease::outcomeName(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Done:
        return "done";
    case Outcome::Stop:
        return "stop";
    case Outcome::Floor:
        return "floor";
    case Outcome::Alloc:
        return "alloc";
    }
    return "done";
}

bool MemoryRelease::tryBegin()
{
    bool idle = false;
    if (!m_busy.compare_exchange_strong(idle, true, std::memory_order_acq_rel))
        return false;
    m_stop.store(false, std::memory_order_relaxed);
    m_lastChunk.store(-1, std::memory_order_relaxed);
    return true;
}

void MemoryRelease::fill(void* block) const
{
    // 00 01 … FF, then the block doubled onto itself: one pass over the block, so the
    // cost is the page faults, not the pattern.
    auto* bytes = static_cast<unsigned char*>(block);
    for (int j = 0; j < 256; ++j)
        bytes[j] = static_cast<unsigned char>(j);
    for (size_t done = 256; done < kChunkBytes; done *= 2)
        std::memcpy(bytes + done, bytes, done);
}

void MemoryRelease::freeAll(int upTo)
{
    for (int i = 0; i < upTo; ++i) {
        if (!m_table[i])
            continue;
        m_allocator->release(m_table[i], kChunkBytes);
        m_table[i] = nullptr;
        m_held.fetch_sub(1, std::memory_order_relaxed);
    }
}

MemoryRelease::Result MemoryRelease::run(const Plan& plan, const std::function<void(int i)>& progress)
{
    Result result;
    const int count = std::clamp(plan.count, 0, kTableSlots);
    if (count > 0 && !m_table) {
        result.stoppedBy = Outcome::Alloc;
    } else if (count > 0) {
        // Better the release than the user's editor, if memory runs out after all.
        OomScoreRaise offer;
        bool ended = false;
        for (int i = 0; i < count && !ended; ++i) {
            void* block = m_allocator->allocate(kChunkBytes);
            if (!block) {
                result.stoppedBy = Outcome::Alloc;
                break;
            }
            fill(block);
            m_table[i] = block;
            m_held.fetch_add(1, std::memory_order_relaxed);
            result.chunks = i + 1;
            m_lastChunk.store(i, std::memory_order_relaxed);
            if (progress)
                progress(i);
            if (m_stop.exchange(false, std::memory_order_relaxed)) {
                result.stoppedBy = Outcome::Stop;
                ended = true;
            } else if ((i + 1) % kFloorCheckEvery == 0 && i + 1 < count) {
                const std::optional<uint64_t> available = m_statistics.available();
                if (!available || *available < plan.floor) {
                    qCInfo(lcMemory) << "release stopped at the floor after" << i + 1 << "MiB";
                    result.stoppedBy = Outcome::Floor;
                    ended = true;
                }
            }
        }
        if (result.chunks == count && plan.limitedByFloor && result.stoppedBy == Outcome::Done)
            result.stoppedBy = Outcome::Floor;
        freeAll(result.chunks);
    } else if (plan.limitedByFloor) {
        result.stoppedBy = Outcome::Floor;
    }
    m_busy.store(false, std::memory_order_release);
    return result;
}

} // namespace corvane
