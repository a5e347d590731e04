// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/MemoryStatistics.h"

#include <cstdint>

namespace corvane {

// The figures of the memory screen, in bytes: the five kinds as the chart shows them,
// with free worked out as total − used, never below 0.
struct MemoryFigures
{
    uint64_t application = 0;
    uint64_t fileCache = 0;
    uint64_t wired = 0;
    uint64_t compressed = 0;
    uint64_t free = 0;
    uint64_t used = 0;
    uint64_t total = 0;
};

// Memory by kind, codes 0 to 4: application memory, file cache, wired, compressed, free
// (platform/MemoryStatistics.h says where each comes from on Linux). The kernel is read
// once per MemoryReading; a screen that asks for all five kinds reads once and asks the
// reading, not the kernel, five times.
class GRTUtility
{
public:
    // The bytes of that kind; 0 for a code outside 0 to 4, and for every code when the
    // kernel's figures could not be read.
    static uint64_t memoryInfo(int code, const MemoryReading& reading);
    // The same from a fresh reading of the kernel's own figures.
    static uint64_t memoryInfo(int code);
    // The memory the kernel manages (MemTotal), the physical memory when that is unknown.
    static int64_t memorySize(const MemoryReading& reading);
    static int64_t memorySize();

    // used = codes 0 to 3; free = total − used, clamped at 0 when the kernel counts more
    // in use than there is.
    static MemoryFigures figures(const MemoryReading& reading);
};

} // namespace corvane
