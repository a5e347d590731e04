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
class TreeSize
{
public:
    static uint64_t sizeAtPath(const std::string& path, bool diskMode, unsigned threads = 0);
};

} // namespace corvane
