// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/UniqueFd.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace corvane {

// The full-content comparison that stands between a sampled fingerprint and a deletion.
// The search groups files by size and three sampled blocks, which two different files
// can share; before a file is removed as a duplicate its whole content is compared, byte
// by byte, with a copy that stays. Folders taken as one unit (packages) are compared
// entry by entry: the same names, the same kinds, the same link targets and the same
// bytes in every file, hidden entries included since deleting the folder deletes them.
//
// Only the paths handed in are opened, and each regular file is read at most once per
// comparison: the reference and up to 63 copies are read side by side, block by block,
// and a copy stops being read at its first difference. Links are never followed. Paths
// may be longer than PATH_MAX: they are opened a chunk of components at a time.
class DuplicateVerifier
{
public:
    enum class Verdict {
        Identical,  // every byte (every entry) equal
        Differs,    // a different file
        SameFile,   // the same file reached twice (hard link, bind mount): not a copy
        Unreadable, // could not be read whole, or changed while it was read
    };

    // What a file looked like when it was compared; a removal trusts an earlier verdict
    // only while both files still look the same.
    struct Identity
    {
        bool valid = false;
        bool isDirectory = false;
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = 0;
        int64_t mtimeNs = 0;
        int64_t ctimeNs = 0;
        bool operator==(const Identity& other) const;
    };
    static Identity identityOf(const std::string& path);

    // Verdicts for every member against the reference, in the members' order.
    std::vector<Verdict> compareWith(const std::string& reference, const std::vector<std::string>& members);
    Verdict compare(const std::string& a, const std::string& b);

    // Stops a comparison under way (its verdicts read Unreadable).
    void setStopFlag(const std::atomic<bool>* stop) { m_stop = stop; }
    // Called with every path opened for reading (tests and benchmarks watch what is read).
    void setOpenObserver(std::function<void(const std::string&)> observer) { m_onOpen = std::move(observer); }
    uint64_t bytesRead() const { return m_bytesRead; }

    static const char* verdictName(Verdict verdict);

private:
    std::vector<Verdict> compareFiles(const std::string& reference, const std::vector<std::string>& members);
    Verdict compareTrees(int fdA, int fdB, int depth);
    Verdict compareOpenFiles(int fdA, int fdB, off_t size);
    bool stopped() const { return m_stop && m_stop->load(std::memory_order_relaxed); }
    UniqueFd openFile(const std::string& path); // any length; the last component is never followed
    UniqueFd openFileAt(int dirFd, const char* name, const std::string& shownPath);
    UniqueFd opened(UniqueFd fd, const std::string& shownPath);

    const std::atomic<bool>* m_stop = nullptr;
    std::function<void(const std::string&)> m_onOpen;
    uint64_t m_bytesRead = 0;
};

} // namespace corvane
