// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AtomicFile.h"

#include "platform/FileChecks.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace corvane {

namespace {} // namespace

bool AtomicFile::replace(int dirFd, const std::string& name, const std::string& content, mode_t mode)
{
    if (name.empty() || name.find('/') != std::string::npos)
        return false;
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".corvane-%08x%08x", random(), random());
        const std::string temporary = "." + name + suffix;
        UniqueFd fd(::openat(dirFd, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (!fd) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        const bool written = writeAll(fd.get(), content.data(), content.size()) && ::fsync(fd.get()) == 0;
        fd.reset();
        if (!written || ::renameat(dirFd, temporary.c_str(), dirFd, name.c_str()) != 0) {
            ::unlinkat(dirFd, temporary.c_str(), 0);
            return false;
        }
        return true;
    }
    return false;
}

bool AtomicFile::replace(const std::string& path, const std::string& content, mode_t mode)
{
    UniqueFd folder(::open(parentPath(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return folder && replace(folder.get(), lastComponent(path), content, mode);
}

} // namespace corvane
