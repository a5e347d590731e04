// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/UniqueFd.h"

#include <optional>
#include <string>

namespace corvane {

// Opening things without walking whole paths again.
//
// - Below an anchor: a path relative to an open folder is resolved with openat2
//   (RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS | RESOLVE_NO_XDEV), so no
//   link, no "..", and no mount on the way can lead the open out of the anchor's tree.
//   Where the kernel has no openat2, the same is done one component at a time with
//   O_NOFOLLOW and a device check.
// - Paths of any length: the kernel refuses a path of PATH_MAX bytes or more, yet a tree
//   can be deeper than that. Such a path is opened a chunk of components at a time, each
//   chunk relative to the folder the previous one opened, so the result is the same as
//   if the kernel had taken the whole path (links inside it are followed as they would be).
class PathResolver
{
public:
    // The open parent folder of a path and the path's last component.
    struct Parent
    {
        UniqueFd folder;
        std::string name;
        int fd() const { return folder.get(); }
    };

    // Opens `relative` below `anchor`. An empty relative path (or ".") reopens the anchor
    // itself. Fails with ELOOP, EXDEV or EXDEV-like errors when the way leaves the tree.
    static UniqueFd openBeneath(int anchor, const std::string& relative, int flags);
    // The folder holding `relative` below `anchor`, opened beneath it, and the last name.
    static std::optional<Parent> openParentBeneath(int anchor, const std::string& relative);

    // The parent folder of a path of any length, opened as a folder (links in the folder
    // part followed, as a whole-path call would), and the last component. Nothing for an
    // empty path or one whose last component is "." or "..".
    static std::optional<Parent> openParent(const std::string& path);
    // open(2) for a path of any length; the final component is opened with `flags`.
    static UniqueFd openAnyLength(const std::string& path, int flags);

    // Raises the soft descriptor limit to the hard one, once per process: walkers keep a
    // descriptor per pending level of deep trees.
    static void raiseDescriptorLimit();
};

} // namespace corvane
