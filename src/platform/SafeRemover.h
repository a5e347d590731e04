// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <sys/stat.h>

namespace corvane {

class AnchoredFolder;
class Layout;

// Removes a file or a whole folder tree for good, as the current user, without ever
// following a symbolic link or leaving the file system the target lives on.
//
// Everything below the target is reached relative to open folder descriptors
// (openat with O_NOFOLLOW, fstatat without following, unlinkat), so swapping a folder
// for a link mid-removal cannot redirect the walk outside the tree. A target that is a
// link is removed as a link. Deep trees are walked with an explicit stack and a bounded
// number of open descriptors, so neither the thread's stack nor the descriptor table
// limits the depth.
class SafeRemover
{
public:
    enum class Status {
        Removed,  // the path is gone
        NotFound, // there was nothing to remove
        Refused,  // the protected-path list refuses the target
        Failed,   // something could not be removed; `error` holds the first errno
        Moved,    // the way to the entry below its container is no longer a plain folder
                  // path (a link or a mount was put there): nothing was touched
    };

    struct Result
    {
        Status status = Status::Failed;
        int error = 0;
        uint64_t removedEntries = 0;
        uint64_t removedBytes = 0; // st_size of every non-folder entry unlinked
        bool ok() const { return status == Status::Removed || status == Status::NotFound; }
    };

    // The protected-path list is the one of `layout` (ProtectedPaths::isProtected).
    static Result removeTree(const std::string& path, const Layout& layout);
    // The same without consulting the protected-path list; for callers that have
    // already decided (the privileged helper re-checks on its own terms).
    static Result removeTreeUnchecked(const std::string& path);
    // Removes the entry `relative` (one or more components) below an open container,
    // resolving the way to it beneath the container's descriptor: no link, no "..", no
    // mount on the way is followed, and the container's own path is never walked again.
    static Result removeBeneath(const AnchoredFolder& container, const std::string& relative, const Layout& layout);

    // Removes the entry `name` of an open folder, the way removeBeneath does once it holds
    // the folder: for callers that resolved the way and made their checks themselves (the
    // privileged helper). With `expected`, the entry must still be that one (device and
    // inode): an entry swapped in since the check is left alone (Moved).
    static Result removeAt(int folderFd, const std::string& name, const struct stat* expected = nullptr);

private:
    static Result failure(Status status, int error);
};

} // namespace corvane
