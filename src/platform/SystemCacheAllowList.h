// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string_view>

namespace corvane {

// The files below the machine's cache folder (/var/cache) that their programs rebuild on
// their own, and so may be offered and removed: man's page indexes and formatted pages,
// fontconfig's caches, apt's downloaded packages and its two package caches. Everything
// else there (debconf's answers, bind's zones, ldconfig, private service state, apt's lock
// and partial downloads) is left alone. The junk listing walks this list and the
// privileged helper removes only what it allows, so the two never disagree.
class SystemCacheAllowList
{
public:
    // A folder below the cache folder whose files are offered, and how many folder
    // levels further down they may lie.
    struct Folder
    {
        std::string_view relative;
        int depth;
    };
    static constexpr std::array<Folder, 4> kFolders = {{
        {"man", 2},
        {"fontconfig", 0},
        {"apt/archives", 0},
        {"apt", 0},
    }};

    // True when the entry at `relative` ("man/fr/index.db": below the cache folder, one
    // '/' between components, none of them empty, "." or "..") may be removed. Only
    // regular files are: never a folder, a link or a special file.
    static bool allows(std::string_view relative, bool regularFile);

    // Names that hold a lock rather than data: deleting one under a running program can
    // let a second instance in.
    static bool isLockName(std::string_view name);
};

} // namespace corvane
