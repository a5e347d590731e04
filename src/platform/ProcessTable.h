// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace corvane {

// The processes of a /proc tree, read straight from it: the full command name (which a
// listing program cuts to 15 bytes), the processor time used so far, the start time that
// tells a reused pid apart, and the resident size. The root is a parameter so the reading
// can be tested on fixture trees.
class ProcessTable
{
public:
    struct Process
    {
        pid_t pid = 0;
        uid_t uid = 0;          // the owner of /proc/PID
        std::string comm;       // may hold blanks and ") ("
        uint64_t cpuTicks = 0;  // utime + stime, in clock ticks
        uint64_t startTime = 0; // field 22, in clock ticks after boot
        uint64_t rssPages = 0;  // field 24
    };

    explicit ProcessTable(std::string procRoot = "/proc");

    const std::string& procRoot() const { return m_procRoot; }

    // Every process, in pid order; with `user`, only that user's. A process that ends
    // while it is read is left out.
    std::vector<Process> list(std::optional<uid_t> user = std::nullopt) const;
    // One process, or nothing when it is not there (any more).
    std::optional<Process> read(pid_t pid) const;

    // Field 2 is the name between the first "(" and the last ")"; the rest are counted
    // from there.
    static std::optional<Process> parseStat(std::string_view stat);
    // The process's control group on the unified hierarchy ("0::/user.slice/…"), else the
    // first line's path.
    std::string cgroupOf(pid_t pid) const;
    // One variable of the process's environment; nothing when it is unset or unreadable
    // (another user's process).
    std::optional<std::string> environmentValue(pid_t pid, std::string_view name) const;
    // Several variables from one reading of the environment, in the order asked; nothing
    // for each that is unset, and all nothing when it is unreadable.
    std::vector<std::optional<std::string>> environmentValues(pid_t pid, const std::vector<std::string_view>& names) const;

    // A /proc entry's name as a pid: digits only, nothing for anything else.
    static std::optional<pid_t> pidFromName(std::string_view name);

    static uint64_t pageSize();
    static uint64_t ticksPerSecond();

private:
    std::string m_procRoot;
};

} // namespace corvane
