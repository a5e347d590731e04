// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <sys/types.h>

namespace corvane {

// Replaces a file in a folder the user controls without ever writing through something
// planted there: the new content goes into a fresh file made under a random name with
// O_CREAT|O_EXCL|O_NOFOLLOW (a link or an existing file at that name is never opened),
// is flushed, and is renamed over the old name, so a reader sees the old file or the
// new one and a hard link to the old file keeps the old content.
class AtomicFile
{
public:
    // `name` is a single component of the open folder `dirFd`.
    static bool replace(int dirFd, const std::string& name, const std::string& content, mode_t mode = 0600);
    static bool replace(const std::string& path, const std::string& content, mode_t mode = 0600);
};

} // namespace corvane
