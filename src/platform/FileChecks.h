// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <sys/stat.h>

namespace corvane {

// Existence and permission questions the screens ask before offering or removing a path.
//
// Every question works for paths of any length. The kernel refuses a path of PATH_MAX
// bytes or more with ENAMETOOLONG, which would read as "not there": a duplicate deeper
// than that could then never be removed, and a removal that failed would look done.
// Such a path is asked about relative to its parent folder, opened a chunk at a time.
class FileChecks
{
public:
    // stat(2) and lstat(2) for a path of any length; false with errno set on failure.
    static bool statPath(const std::string& path, struct stat& st);
    static bool lstatPath(const std::string& path, struct stat& st);

    // True when the path names something, following a final symbolic link (a dangling
    // link does not exist), as the file manager's existence test answers.
    static bool exists(const std::string& path);
    // True when the path names something, the link itself counting.
    static bool existsNoFollow(const std::string& path);
    // True when the current user could remove the entry: write and search access to its
    // folder, and ownership of entry or folder where the folder is sticky.
    static bool isDeletable(const std::string& path);
    // The same two questions for `name` in an open folder, the entry itself counting.
    static bool existsAt(int dirFd, const char* name);
    static bool isDeletableAt(int dirFd, const char* name);
    static bool isDirectory(const std::string& path); // follows links
    static bool isReadable(const std::string& path);
};

std::string parentPath(const std::string& path);
std::string lastComponent(const std::string& path);
std::string pathExtension(const std::string& path);
std::string joinPath(const std::string& folder, const std::string& name);

} // namespace corvane
