// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace corvane {

// The current user's processes of one desktop application, and ending them:
// - a bundle's: their executable (/proc/PID/exe) lies inside the bundle;
// - an AppImage's: their environment says APPIMAGE=<the image's path>;
// - a Flatpak's: their control group is an app-flatpak-<ID>-….scope.
// Other users' processes are never listed. The /proc root is a parameter so listings
// can be tested on fixture trees; ending a process always asks the kernel's own /proc.
class AppProcesses
{
public:
    struct Process
    {
        pid_t pid = 0;
        uid_t uid = 0;
        uint64_t startTime = 0; // field 22 of /proc/PID/stat: tells a reused pid apart
    };

    explicit AppProcesses(std::string procRoot = "/proc");
    AppProcesses(std::string procRoot, uid_t user);

    // Each in pid order.
    std::vector<Process> ofBundle(const std::string& bundlePath) const;
    std::vector<Process> ofAppImage(const std::string& imagePath) const;
    std::vector<Process> ofFlatpak(const std::string& appId) const;
    // The processes running exactly this executable (a resolved path, as /proc shows it),
    // not the other programs of its bundle.
    std::vector<Process> ofExecutable(const std::string& executablePath) const;

    // Sends SIGTERM through a pidfd to each process that is still the one listed (same uid
    // and start time, checked after the pidfd is open, so a pid reused in between is never
    // signalled), waits up to `wait` for them to end, and never escalates. Answers the
    // processes still running.
    std::vector<Process> stop(const std::vector<Process>& processes,
                              std::chrono::milliseconds wait = std::chrono::seconds(5)) const;

    static std::optional<uint64_t> startTimeFromStat(std::string_view stat);
    static std::optional<uid_t> realUidFromStatus(std::string_view status);

private:
    template <typename Match> std::vector<Process> select(Match&& match) const;
    std::optional<Process> describe(pid_t pid, const std::string& procRoot) const;
    std::optional<std::string> executableOf(pid_t pid) const;

    std::string m_procRoot;
    uid_t m_user;
};

} // namespace corvane
