// SPDX-License-Identifier: GPL-3.0-or-later
// corvane processes: the user's running applications, their processor share and memory.
#include "Command.h"

#include "platform/ByteText.h"
#include "platform/Layout.h"
#include "processes/engine/SystemPerAcceleration.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace corvane::cli {

namespace {

void printHelp(FILE* out)
{
    std::fprintf(out,
                 "usage: corvane processes [--interval MS] [--quit PID]\n"
                 "\n"
                 "Lists this user's running desktop applications, one JSON line per instance:\n"
                 "{pid, name, desktopId, cpu, rssKiB, size}. cpu is the share of one processor\n"
                 "used between two readings MS milliseconds apart (default 500); rssKiB and the\n"
                 "size text add up the instance's processes. An application is found by the\n"
                 "control group the desktop started it in (or the GIO launch variables): programs\n"
                 "started from a terminal are not listed, nor is the file manager or this program.\n"
                 "CORVANE_PROC=DIR reads a fixture tree instead of /proc.\n"
                 "\n"
                 "  --quit PID  ask the listed application with that pid to quit (SIGTERM,\n"
                 "              through a pidfd, only while it is still that process)\n"
                 "\n"
                 "Exit status: 0 listed (or asked to quit), 1 nothing listed, 2 bad usage or a\n"
                 "pid that is not a listed application of this user.\n");
}

bool parseNumber(const std::string& text, long long& value)
{
    if (text.empty() || text.size() > 12)
        return false;
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return end && *end == '\0' && value >= 0;
}

int run(const std::vector<std::string>& args)
{
    long long interval = 500;
    long long quitPid = -1;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            printHelp(stdout);
            return kFound;
        }
        long long value = 0;
        if ((a == "--interval" || a == "--quit") && i + 1 < args.size() && parseNumber(args[i + 1], value)) {
            (a == "--interval" ? interval : quitPid) = value;
            ++i;
        } else {
            std::fprintf(stderr, "corvane processes: unknown option or bad value '%s'\n", ByteText::forLog(a).c_str());
            printHelp(stderr);
            return kError;
        }
    }
    const char* proc = std::getenv("CORVANE_PROC");
    SystemPerAcceleration processes(RunningApplications::places(Layout::current(), proc && *proc ? proc : "/proc"),
                                     environmentLocale(),
                                     std::chrono::milliseconds(std::min(interval, 60000LL)));
    const std::vector<SystemPerObject> rows = processes.getResouceProcess();
    if (quitPid >= 0) {
        for (const SystemPerObject& row : rows) {
            if (row.pid != pid_t(quitPid))
                continue;
            std::string reason;
            if (!SystemPerAcceleration::quit(row, &reason)) {
                std::fprintf(stderr, "corvane processes: not asked to quit: %s\n", reason.c_str());
                return kError;
            }
            std::printf("{\"quit\":%lld}\n", quitPid);
            return kFound;
        }
        std::fprintf(stderr, "corvane processes: %lld is not a listed application of this user\n", quitPid);
        return kError;
    }
    for (const SystemPerObject& row : rows)
        std::printf("{\"pid\":%d,\"name\":%s,\"desktopId\":%s,\"cpu\":%.1f,\"rssKiB\":%" PRIu64 ",\"size\":%s}\n",
                    int(row.pid), jsonString(row.processName.toStdString()).c_str(),
                    jsonString(row.desktopId).c_str(), row.cpu, row.rssKiB,
                    jsonString(row.processRss.toStdString()).c_str());
    std::fflush(stdout);
    return rows.empty() ? kNothing : kFound;
}

Registrar registrar{{"processes", "list running applications with processor share and memory; quit one", run}};

} // namespace

} // namespace corvane::cli
