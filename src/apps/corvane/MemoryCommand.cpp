// SPDX-License-Identifier: GPL-3.0-or-later
// corvane memory: the memory by kind, and the release of the memory screen without a window.
#include "Command.h"

#include "memory/engine/GRTUtility.h"
#include "memory/engine/MemoryRelease.h"
#include "platform/ByteText.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace corvane::cli {

namespace {

void printHelp(FILE* out)
{
    std::fprintf(out, "usage: corvane memory [--release [--max-mib N]]\n"
                      "\n"
                      "Prints the memory by kind as one JSON line, in bytes:\n"
                      "{app, cache, wired, compressed, free, used, total}. From /proc/meminfo: app is\n"
                      "the anonymous pages (Active(anon) + Inactive(anon)), cache the file pages\n"
                      "(Active(file) + Inactive(file)), compressed Zswap plus the zram devices' memory,\n"
                      "wired what the kernel keeps beyond those (slab, page tables, locked pages),\n"
                      "used the four added up, total MemTotal and free total - used (MemFree).\n"
                      "\n"
                      "  --release     take as much memory as the file cache plus the free memory, in\n"
                      "                1 MiB blocks, write every byte and give it all back: the kernel\n"
                      "                drops cached files and compresses idle pages to make room.\n"
                      "                Nothing that programs hold is freed. MemAvailable never goes\n"
                      "                below a floor of max(10%% of MemTotal, 512 MiB): the release\n"
                      "                takes less, and stops when other programs take more meanwhile.\n"
                      "                Progress on standard error; Ctrl-C stops it and gives the memory\n"
                      "                back. Ends with {chunks, stoppedBy}, stoppedBy one of done, stop,\n"
                      "                floor (the floor was reached) or alloc (no block could be had).\n"
                      "  --max-mib N   take at most N MiB\n"
                      "\n"
                      "CORVANE_PROC=DIR reads DIR/meminfo, CORVANE_SYS=DIR reads DIR/block/zram*/mm_stat.\n"
                      "\n"
                      "Exit status: 0 done, 1 meminfo unreadable (all shown as free) or nothing\n"
                      "released, 2 bad usage.\n");
}

std::atomic<MemoryRelease*> g_running{nullptr};

void stopOnSignal(int)
{
    // requestStop() is one atomic store: safe in a handler.
    if (MemoryRelease* release = g_running.load())
        release->requestStop();
}

int release(const MemoryStatistics& statistics, int maxChunks)
{
    MemoryRelease engine(statistics);
    engine.tryBegin();
    const MemoryRelease::Plan plan = engine.plan(maxChunks);
    std::fprintf(stderr, "corvane memory: releasing %d MiB, keeping %" PRIu64 " MiB available\n", plan.count,
                 plan.floor >> 20);

    struct sigaction stop = {};
    stop.sa_handler = stopOnSignal;
    sigemptyset(&stop.sa_mask);
    struct sigaction previousInt = {};
    struct sigaction previousTerm = {};
    g_running.store(&engine);
    ::sigaction(SIGINT, &stop, &previousInt);
    ::sigaction(SIGTERM, &stop, &previousTerm);

    // A line whenever the share written grows by a whole percent.
    int shown = -1;
    const MemoryRelease::Result result = engine.run(plan, [&](int i) {
        const int percent = int(int64_t(i + 1) * 100 / plan.count);
        if (percent == shown)
            return;
        shown = percent;
        std::fprintf(stderr, "corvane memory: %d%% (%d of %d MiB)\n", percent, i + 1, plan.count);
    });

    ::sigaction(SIGINT, &previousInt, nullptr);
    ::sigaction(SIGTERM, &previousTerm, nullptr);
    g_running.store(nullptr);
    std::printf("{\"chunks\":%d,\"stoppedBy\":\"%s\"}\n", result.chunks, MemoryRelease::outcomeName(result.stoppedBy));
    std::fflush(stdout);
    return result.chunks > 0 ? kFound : kNothing;
}

int run(const std::vector<std::string>& args)
{
    bool releasing = false;
    int maxChunks = MemoryRelease::kTableSlots;
    bool limited = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            printHelp(stdout);
            return kFound;
        }
        if (a == "--release") {
            releasing = true;
            continue;
        }
        if (a == "--max-mib" && i + 1 < args.size()) {
            const std::string& value = args[++i];
            char* end = nullptr;
            errno = 0;
            const long long mib = std::strtoll(value.c_str(), &end, 10);
            if (value.empty() || *end || errno || mib < 0) {
                std::fprintf(stderr, "corvane memory: --max-mib needs a whole number of MiB, not '%s'\n",
                             ByteText::forLog(value).c_str());
                return kError;
            }
            maxChunks = int(std::min<long long>(mib, MemoryRelease::kTableSlots));
            limited = true;
            continue;
        }
        std::fprintf(stderr, "corvane memory: unknown option or missing value '%s'\n", ByteText::forLog(a).c_str());
        printHelp(stderr);
        return kError;
    }
    if (limited && !releasing) {
        std::fprintf(stderr, "corvane memory: --max-mib goes with --release\n");
        return kError;
    }
    const MemoryStatistics statistics = MemoryStatistics::current();
    if (releasing)
        return release(statistics, maxChunks);

    const MemoryReading reading = statistics.read();
    const MemoryFigures f = GRTUtility::figures(reading);
    std::printf("{\"app\":%" PRIu64 ",\"cache\":%" PRIu64 ",\"wired\":%" PRIu64 ",\"compressed\":%" PRIu64
                ",\"free\":%" PRIu64 ",\"used\":%" PRIu64 ",\"total\":%" PRIu64 "}\n",
                f.application, f.fileCache, f.wired, f.compressed, f.free, f.used, f.total);
    std::fflush(stdout);
    if (!reading.valid)
        std::fprintf(stderr, "corvane memory: %s/meminfo could not be read; all of it is shown as free\n",
                     ByteText::forLog(statistics.procRoot()).c_str());
    return reading.valid ? kFound : kNothing;
}

Registrar registrar{{"memory", "memory in use by kind; --release frees memory as the memory screen does", run}};

} // namespace

} // namespace corvane::cli
