// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/RuntimeFolder.h"

#include "platform/FileChecks.h"
#include "platform/Layout.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

std::optional<std::string> RuntimeFolder::privateFolder(const Layout& layout)
{
    // The layout answers the shared temporary folder when the session has no runtime
    // folder; that one fails the ownership check below and the fallback is taken.
    return privateFolder(layout.path(Layout::Role::RuntimeDir).value_or(std::string()), "/tmp");
}

std::optional<std::string> RuntimeFolder::privateFolder(const std::string& runtime, const std::string& shared)
{
    // The session made its runtime folder for us alone; it may be readable by others
    // (some sessions make it 0755), but never writable by them.
    if (!runtime.empty() && runtime.front() == '/') {
        struct stat st
        {
        };
        if (::stat(runtime.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
            (st.st_mode & 022) == 0)
            return runtime;
    }
    const std::string fallback = joinPath(shared, fallbackName());
    if (::mkdir(fallback.c_str(), 0700) != 0 && errno != EEXIST)
        return std::nullopt;
    if (!isOurs(fallback, true))
        return std::nullopt;
    return fallback;
}

std::string RuntimeFolder::fallbackName()
{
    return "corvane-" + std::to_string(::getuid());
}

bool RuntimeFolder::isOurs(const std::string& path, bool closed)
{
    struct stat st
    {
    };
    if (::lstat(path.c_str(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & (closed ? 077 : 022)) == 0;
}

} // namespace corvane
