#include "platform/FileChecks.h"

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

bool FileChecks::exists(const std::string& path)
{
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool FileChecks::existsNoFollow(const std::string& path)
{
    struct stat st;
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

bool FileChecks::isDirectory(const std::string& path)
{
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileChecks::isReadable(const std::string& path)
{
    return !path.empty() && ::faccessat(AT_FDCWD, path.c_str(), R_OK, AT_EACCESS) == 0;
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
    struct stat st;
    if (path.empty() || ::lstat(path.c_str(), &st) != 0)
        return false;
    const std::string folder = parentPath(path);
    struct stat dir;
    if (::stat(folder.c_str(), &dir) != 0)
        return false;
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        return false;
    if (dir.st_mode & S_ISVTX) {
        const uid_t me = ::geteuid();
        if (me != 0 && st.st_uid != me && dir.st_uid != me)
            return false;
    }
    return true;
}

} // namespace corvane
