// SPDX-License-Identifier: GPL-3.0-or-later
#include "memory/engine/GRTUtility.h"

#include <limits>

namespace corvane {

uint64_t GRTUtility::memoryInfo(int code, const MemoryReading& reading)
{
    return reading.valid ? reading.ofCode(code) : 0;
}

uint64_t GRTUtility::memoryInfo(int code)
{
    if (code < 0 || code > 4)
        return 0;
    return memoryInfo(code, MemoryStatistics().read());
}

int64_t GRTUtility::memorySize(const MemoryReading& reading)
{
    constexpr uint64_t most = uint64_t(std::numeric_limits<int64_t>::max());
    return int64_t(reading.total > most ? most : reading.total);
}

int64_t GRTUtility::memorySize()
{
    return memorySize(MemoryStatistics().read());
}

MemoryFigures GRTUtility::figures(const MemoryReading& reading)
{
    MemoryFigures f;
    f.application = memoryInfo(0, reading);
    f.fileCache = memoryInfo(1, reading);
    f.wired = memoryInfo(2, reading);
    f.compressed = memoryInfo(3, reading);
    // A made-up meminfo can hold any number; the sum saturates rather than wraps.
    for (uint64_t part : {f.application, f.fileCache, f.wired, f.compressed})
        f.used =
            f.used > std::numeric_limits<uint64_t>::max() - part ? std::numeric_limits<uint64_t>::max() : f.used + part;
    f.total = uint64_t(memorySize(reading));
    f.free = f.total > f.used ? f.total - f.used : 0;
    return f;
}

} // namespace corvane
