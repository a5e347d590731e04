// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// One reading of the machine's memory, in bytes, sorted into the five kinds the memory
// screen draws. On Linux they come from /proc/meminfo (values in kB, times 1024) and the
// zram devices' statistics:
//
//   code  kind          source
//   0     application   Active(anon) + Inactive(anon)
//   1     file cache    Active(file) + Inactive(file)
//   2     wired         MemTotal − the four others, at least 0: what the kernel keeps for
//                       itself (slab, page tables, kernel stacks), unevictable and locked
//                       pages, and what the lists above do not show
//   3     compressed    Zswap (when the line is there) + mem_used_total of every
//                       /sys/block/zram*/mm_stat (third field, already in bytes)
//   4     free          MemFree
//
// So the five add up to MemTotal, and MemTotal minus codes 0 to 3 is MemFree again. Only
// when the four measured kinds alone exceed MemTotal (a container's made-up meminfo) do
// they add up to more; wired is then 0.
//
// Shared memory (tmpfs, shmem) is counted by the kernel on the anonymous lists, so it is
// application memory here. Buffers and the swap cache are on the file and anonymous
// lists already and are not added again.
struct MemoryReading
{
    bool valid = false; // meminfo was read and named MemTotal
    uint64_t total = 0; // MemTotal; the physical pages when meminfo is unreadable
    uint64_t application = 0;
    uint64_t fileCache = 0;
    uint64_t wired = 0;
    uint64_t compressed = 0;
    uint64_t free = 0;
    uint64_t available = 0;    // MemAvailable: what can be had without swapping
    bool hasAvailable = false; // kernels before 3.14 do not report it

    // MemAvailable, or MemFree alone where the kernel does not estimate it: the cache it
    // could drop is then not counted, which errs on the safe side.
    uint64_t availableOrFree() const;
    // The bytes of one kind by its code, 0 for any other code.
    uint64_t ofCode(int code) const;
};

// Reads the kernel's figures. The /proc and /sys folders are parameters so tests and
// fixture runs (CORVANE_PROC=DIR, CORVANE_SYS=DIR) feed their own files; nothing here
// is cached, so each read is one fresh look.
class MemoryStatistics
{
public:
    explicit MemoryStatistics(std::string procRoot = "/proc", std::string sysRoot = "/sys");

    // The folders the programs read: CORVANE_PROC and CORVANE_SYS when set, else the
    // kernel's own.
    static MemoryStatistics current();

    // meminfo and the zram devices, read once. When meminfo cannot be read or names no
    // MemTotal, every kind is 0 and total is the physical memory (sysconf pages × page
    // size), so everything shows as free.
    MemoryReading read() const;
    // availableOrFree() of a fresh reading, without the zram devices (for a loop that
    // watches it); nothing when meminfo cannot be read.
    std::optional<uint64_t> available() const;

    // The parsing of a meminfo text, with the zram bytes measured beside it.
    static MemoryReading parse(std::string_view meminfo, uint64_t zramBytes);
    // mem_used_total (the third number) of one mm_stat text, nothing when it has fewer.
    static std::optional<uint64_t> zramUsed(std::string_view mmStat);
    // The physical memory as the C library sees it, 0 when unknown.
    static uint64_t physicalMemory();

    const std::string& procRoot() const { return m_procRoot; }
    const std::string& sysRoot() const { return m_sysRoot; }

private:
    std::optional<std::string> readMeminfo() const;
    uint64_t zramBytes() const;

    std::string m_procRoot;
    std::string m_sysRoot;
};

} // namespace corvane
