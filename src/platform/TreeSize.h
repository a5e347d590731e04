// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace corvane {

// Adds up the sizes of everything in a tree without following links: st_size of every
// non-folder entry, or st_blocks × 512 in disk mode; folders themselves add nothing.
//
// Folders are opened relative to their parent's descriptor and read with getdents64;
// entries are stat'ed relative to the open folder, so no path is ever rebuilt. The work
// list is an explicit stack shared by up to `threads` workers (0 = one per core), the
// calling thread being one of them; a second worker is started only once there is a
// second folder waiting, so small trees cost no thread.
//
// A tree that could not be read whole is never reported bigger than what was read, and
// says so: `incomplete` with the first folder that could not be read. Entries that
// vanish during the walk are not a failure.
class TreeSize
{
public:
    struct Result
    {
        uint64_t bytes = 0;
        bool incomplete = false;     // something below the root could not be read
        bool rootUnreadable = false; // the root itself could not be examined or opened
        int error = 0;               // errno of the first failure
        std::string firstUnreadable; // its path
    };

    static Result measure(const std::string& path, bool diskMode, unsigned threads = 0);
    // The same for `name` in the open folder `dirFd`.
    static Result measureAt(int dirFd, const std::string& name, const std::string& shownPath, bool diskMode,
                            unsigned threads = 0);
    static uint64_t sizeAtPath(const std::string& path, bool diskMode, unsigned threads = 0)
    {
        return measure(path, diskMode, threads).bytes;
    }
};

} // namespace corvane
