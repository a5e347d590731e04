#pragma once

#include <atomic>
#include <string>
#include <vector>

namespace corvane {

// The catalogue of junk: the one place that knows where junk lives. Each listing
// returns the absolute paths (raw bytes) of one kind of candidate junk, taking its
// folders from the current layout; none sizes or deletes anything.
//
// Every listing reads the stop flag before each entry and returns what it has gathered
// so far once the flag is set. Missing or unreadable folders contribute nothing.
//
// On the Linux layout a listing offers only what programs regenerate or what the user
// threw away: see each operation.
class SystemClean
{
public:
    SystemClean() = default;
    static SystemClean& manager();

    bool isStop() const { return m_isStop.load(std::memory_order_relaxed); }
    void setIsStop(bool stop) { m_isStop.store(stop, std::memory_order_relaxed); }

    // Entries of the user's cache folders the user may delete (Linux: ~/.cache, never a
    // socket, FIFO or lock file).
    std::vector<std::string> userCaches() const;
    // Entries of the machine's cache folders the user may NOT delete (Linux: an
    // allow-list of regenerable caches under /var/cache, deletable or not).
    std::vector<std::string> systemCaches() const;
    std::vector<std::string> userLogs() const;
    // Entries of the hidden Library's Logs folder the user may delete (Linux: rotated
    // log files in the user's state folder and ~/.xsession-errors.old).
    std::vector<std::string> hiddenUserLogs() const;
    // libraryLogs, then containerLog, then privateLogs.
    std::vector<std::string> systemLogs() const;
    std::vector<std::string> libraryLogs() const;
    std::vector<std::string> containerLog() const;
    std::vector<std::string> privateLogs() const;
    std::vector<std::string> gooleCookies() const;
    std::vector<std::string> gooleWebcache() const;
    std::vector<std::string> safariCookies() const;
    std::vector<std::string> safariDownHistory() const;
    std::vector<std::string> safariLastSession() const;
    std::vector<std::string> safariHistory() const;
    std::vector<std::string> safariWebIcon() const;
    std::vector<std::string> safariWebCaches() const;
    std::vector<std::string> safariForms() const;
    std::vector<std::string> trashFile() const;
    std::vector<std::string> downloadFile() const;

    // Rotated or retired log file names: "x.1", "x.log.2.gz", "x.old", "x-20240101".
    static bool isRotatedLogName(const std::string& name);

private:
    std::atomic<bool> m_isStop{false};
};

} // namespace corvane
