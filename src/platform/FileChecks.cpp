// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileChecks.h"

#include "platform/PathResolver.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

std::string parentPath(const std::string& path)
{
    std::string p = path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    const size_t slash = p.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return p.substr(0, slash);
}

std::string lastComponent(const std::string& path)
{
    std::string p = path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    const size_t slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string pathExtension(const std::string& path)
{
    const std::string name = lastComponent(path);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size())
        return {};
    return name.substr(dot + 1);
}

std::string joinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    if (folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

namespace {

// fstatat or faccessat with the folder part opened first, for a path the kernel would
// refuse whole. Short paths keep the single direct call.
bool longPath(const std::string& path)
{
    return path.size() >= PATH_MAX;
}

bool statAnyLength(const std::string& path, struct stat& st, int flags)
{
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    if (!longPath(path))
        return ::fstatat(AT_FDCWD, path.c_str(), &st, flags) == 0;
    const auto parent = PathResolver::openParent(path);
    return parent && ::fstatat(parent->fd(), parent->name.c_str(), &st, flags) == 0;
}

} // namespace

bool FileChecks::statPath(const std::string& path, struct stat& st)
{
    return statAnyLength(path, st, 0);
}

bool FileChecks::lstatPath(const std::string& path, struct stat& st)
{
    return statAnyLength(path, st, AT_SYMLINK_NOFOLLOW);
}

bool FileChecks::exists(const std::string& path)
{
    struct stat st;
    return statPath(path, st);
}

bool FileChecks::existsNoFollow(const std::string& path)
{
    struct stat st;
    return lstatPath(path, st);
}

bool FileChecks::isDirectory(const std::string& path)
{
    struct stat st;
    return statPath(path, st) && S_ISDIR(st.st_mode);
}

bool FileChecks::isReadable(const std::string& path)
{
    if (path.empty())
        return false;
    if (!longPath(path))
        return ::faccessat(AT_FDCWD, path.c_str(), R_OK, AT_EACCESS) == 0;
    const auto parent = PathResolver::openParent(path);
    return parent && ::faccessat(parent->fd(), parent->name.c_str(), R_OK, AT_EACCESS) == 0;
}

bool FileChecks::existsAt(int dirFd, const char* name)
{
    struct stat st;
    return name && *name && ::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0;
}

bool FileChecks::isDeletableAt(int dirFd, const char* name)
{
    struct stat st, dir;
    if (!name || !*name || ::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || ::fstat(dirFd, &dir) != 0)
        return false;
    if (::faccessat(dirFd, ".", W_OK | X_OK, AT_EACCESS) != 0)
        return false;
    if (dir.st_mode & S_ISVTX) {
        const uid_t me = ::geteuid();
        if (me != 0 && st.st_uid != me && dir.st_uid != me)
            return false;
    }
    return true;
}

bool FileChecks::isDeletable(const std::string& path)
{
    // The folder is opened once, whatever the path's length, and asked the same
    // questions as for an entry met in a listing.
    const auto parent = PathResolver::openParent(path);
    return parent && isDeletableAt(parent->fd(), parent->name.c_str());
}

} // namespace corvane
