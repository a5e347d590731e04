// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/RunningApplications.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace corvane {

class Layout;

// One row of the process screen: a running application of the user.
struct SystemPerObject
{
    QString processName;
    QString processIcon; // a theme name or a path
    QString processCpu;  // "3.5%"
    QString processRss;  // "1.5MB", "2.5GB" or empty
    int64_t state = 0;   // 1 ticked
    QString processId;
    QString filePath;
    int64_t type = 0;    // 1 for rows of the list
    // Who to ask to quit: the pid, when it started and whose it is.
    pid_t pid = 0;
    uint64_t startTime = 0;
    uid_t uid = 0;
    std::string desktopId;
    double cpu = 0.0;       // percent of one processor
    uint64_t rssKiB = 0;

    // Decimal units of kB: above 1,000,000 "%.1fGB", above 1,000 "%.1fMB", else empty.
    static QString sizeText(double kB);
};

// The user's running applications with their processor share and memory. The share is
// measured between two readings of /proc, never taken from a lifetime average: the first
// call reads twice, `firstInterval` apart; later calls compare with the call before.
class SystemPerAcceleration
{
public:
    // The manager of the program's layout and the kernel's own /proc (CORVANE_PROC=DIR
    // points it at a fixture tree); thread-safe.
    static SystemPerAcceleration& manager();

    SystemPerAcceleration(RunningApplications::Places places, std::string locale,
                          std::chrono::milliseconds firstInterval = std::chrono::milliseconds(500));

    // Blocks for the first interval on the first call.
    std::vector<SystemPerObject> getResouceProcess();

    // Asks the row's application to quit (SIGTERM through a pidfd), only while the pid
    // is still the same process of this user, and never PID 1, this program or anything
    // the desktop cannot do without. False when it was not asked.
    static bool quit(const SystemPerObject& row, std::string* reason = nullptr);
    // Processes a desktop session cannot do without, by command name.
    static bool isNeverQuit(const std::string& comm);

private:
    struct Sample
    {
        std::chrono::steady_clock::time_point at;
        std::map<std::pair<pid_t, uint64_t>, uint64_t> ticks; // (pid, start) → cpu ticks
    };
    Sample sample(std::vector<RunningApplications::Application>& apps) const;

    RunningApplications m_apps;
    std::string m_locale;
    std::chrono::milliseconds m_firstInterval;
    std::mutex m_lock;
    bool m_sampled = false;
    Sample m_last;
};

} // namespace corvane
