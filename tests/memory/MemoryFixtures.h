// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/TempDir.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "memory/engine/ChunkAllocator.h"

namespace corvane::test {

inline constexpr uint64_t kMiB = uint64_t(1) << 20;
inline constexpr uint64_t kGiB = uint64_t(1) << 30;

// A meminfo with the figures that matter, in bytes (written in kB as the kernel does).
struct Meminfo
{
    uint64_t total = 8 * kGiB;
    uint64_t application = 3 * kGiB;
    uint64_t fileCache = 2 * kGiB;
    uint64_t zswap = kGiB / 2;
    uint64_t free = 3 * kGiB / 2;
    uint64_t available = 3 * kGiB;

    std::string text() const
    {
        auto line = [](const char* key, uint64_t bytes) {
            return std::string(key) + ": " + std::to_string(bytes / 1024) + " kB\n";
        };
        return line("MemTotal", total) + line("MemFree", free) + line("MemAvailable", available) +
               line("Active(anon)", application / 4) + line("Inactive(anon)", application - application / 4) +
               line("Active(file)", fileCache / 2) + line("Inactive(file)", fileCache - fileCache / 2) +
               line("Zswap", zswap);
    }
    void writeTo(const std::string& procRoot) const { writeFile(procRoot + "/meminfo", text()); }
};

// Hands out one 1 MiB buffer again and again (the release writes every byte of it, the
// test's memory stays small), counts what it is asked, and lets a test fail, watch or
// hold up any allocation.
class FakeChunks : public ChunkAllocator
{
public:
    std::vector<unsigned char> buffer = std::vector<unsigned char>(size_t(1) << 20);
    int allocations = 0;
    int releases = 0;
    int failAt = 0; // the n-th allocation (1-based) fails; 0 never
    std::function<void(int n)> beforeAllocation;

    void* allocate(size_t bytes) override
    {
        ++allocations;
        if (beforeAllocation)
            beforeAllocation(allocations);
        if (allocations == failAt || bytes != buffer.size())
            return nullptr;
        return buffer.data();
    }
    void release(void* block, size_t) override
    {
        if (block == buffer.data())
            ++releases;
    }
};

} // namespace corvane::test
