// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AnchoredFolder.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace corvane {

class Layout;

// The catalogue of junk: the one place that knows where junk lives. Each listing
// returns one kind of candidate junk, taking its folders from the layout it was made
// with (which must outlive it); none sizes or deletes anything.
//
// Every folder whose entries are listed (a container) is opened once and checked by
// what it is, not by how it is spelt (ContainerGuard): a container that turns out to be
// the home folder, a folder above it, a standard folder or a system folder is refused —
// nothing is listed from it and a warning says why (warnings()). Every entry keeps its
// open container (AnchoredPath), so its removal later works below that same folder.
//
// Every listing reads the stop flag before each entry and returns what it has gathered
// so far once the flag is set. Missing or unreadable folders contribute nothing.
//
// On the Linux layout a listing offers only what programs regenerate or what the user
// threw away: see each operation.
class SystemClean
{
public:
    explicit SystemClean(const Layout& layout);

    const Layout& layout() const { return m_layout; }

    using Paths = std::vector<AnchoredPath>;

    bool isStop() const { return m_isStop.load(std::memory_order_relaxed); }
    void setIsStop(bool stop) { m_isStop.store(stop, std::memory_order_relaxed); }

    // Containers refused since the last clearWarnings(), one line each, paths escaped.
    std::vector<std::string> warnings() const;
    void clearWarnings();

    // Entries of the user's cache folders the user may delete (Linux: ~/.cache, never a
    // socket, FIFO or lock file).
    Paths userCaches() const;
    // Entries of the machine's cache folders the user may NOT delete (Linux: an
    // allow-list of regenerable caches under /var/cache, deletable or not).
    Paths systemCaches() const;
    Paths userLogs() const;
    // Entries of the hidden Library's Logs folder the user may delete (Linux: rotated
    // log files in the user's state folder and ~/.xsession-errors.old).
    Paths hiddenUserLogs() const;
    // libraryLogs, then containerLog, then privateLogs.
    Paths systemLogs() const;
    Paths libraryLogs() const;
    Paths containerLog() const;
    Paths privateLogs() const;
    Paths gooleCookies() const;
    Paths gooleWebcache() const;
    Paths safariCookies() const;
    Paths safariDownHistory() const;
    Paths safariLastSession() const;
    Paths safariHistory() const;
    Paths safariWebIcon() const;
    Paths safariWebCaches() const;
    Paths safariForms() const;
    Paths trashFile() const;
    Paths downloadFile() const;

    // Rotated or retired log file names: "x.1", "x.log.2.gz", "x.old", "x-20240101".
    static bool isRotatedLogName(const std::string& name);

    // Opens a container for a listing; nothing (and a warning) when the guard refuses it.
    std::shared_ptr<const AnchoredFolder> openContainer(
        const std::string& path, ContainerGuard::Exempt exempt = ContainerGuard::Exempt::None) const;

private:
    const Layout& m_layout;
    std::atomic<bool> m_isStop{false};
    mutable std::mutex m_warningsMutex;
    mutable std::vector<std::string> m_warnings;
};

} // namespace corvane
