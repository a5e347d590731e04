// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PathResolver.h"

#include "platform/FileChecks.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <linux/openat2.h>
#include <mutex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <vector>

namespace corvane {

namespace {

// The kernel's limit is PATH_MAX including the terminating NUL; chunks stay well below.
constexpr size_t kChunkLimit = PATH_MAX / 2;

std::vector<std::string> components(const std::string& relative)
{
    std::vector<std::string> parts;
    size_t i = 0;
    while (i < relative.size()) {
        while (i < relative.size() && relative[i] == '/')
            ++i;
        size_t j = i;
        while (j < relative.size() && relative[j] != '/')
            ++j;
        if (j > i) {
            std::string part = relative.substr(i, j - i);
            if (part != ".")
                parts.push_back(std::move(part));
        }
        i = j;
    }
    return parts;
}

std::atomic<bool> g_noOpenat2{false};

int openat2Call(int anchor, const char* path, int flags)
{
    open_how how{};
    how.flags = static_cast<uint64_t>(flags | O_CLOEXEC);
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS | RESOLVE_NO_XDEV;
    for (;;) {
        const long fd = ::syscall(SYS_openat2, anchor, path, &how, sizeof how);
        if (fd < 0 && errno == EAGAIN)
            continue; // a rename raced the lookup; the kernel asks to try again
        return static_cast<int>(fd);
    }
}

// The fallback without openat2: every component opened with O_NOFOLLOW, no "..", and the
// device of each folder compared with the anchor's.
int openComponentwise(int anchor, const std::vector<std::string>& parts, int flags)
{
    struct stat anchorSt;
    if (::fstat(anchor, &anchorSt) != 0)
        return -1;
    UniqueFd current(::openat(anchor, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!current)
        return -1;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (parts[i] == "..") {
            errno = EXDEV;
            return -1;
        }
        const bool last = i + 1 == parts.size();
        const int f = last ? (flags | O_NOFOLLOW | O_CLOEXEC) : (O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        UniqueFd next(::openat(current.get(), parts[i].c_str(), f));
        if (!next)
            return -1;
        struct stat st;
        if (::fstat(next.get(), &st) != 0)
            return -1;
        if (st.st_dev != anchorSt.st_dev) {
            errno = EXDEV;
            return -1;
        }
        current = std::move(next);
    }
    return current.release();
}

} // namespace

UniqueFd PathResolver::openBeneath(int anchor, const std::string& relative, int flags)
{
    const std::vector<std::string> parts = components(relative);
    if (parts.empty())
        return UniqueFd(::openat(anchor, ".", (flags & ~(O_NOFOLLOW | O_CREAT | O_EXCL | O_TRUNC)) | O_CLOEXEC));
    if (relative.front() == '/') {
        errno = EXDEV;
        return UniqueFd();
    }
    std::string joined;
    for (const std::string& p : parts) {
        if (!joined.empty())
            joined.push_back('/');
        joined += p;
    }
    if (!g_noOpenat2.load(std::memory_order_relaxed) && joined.size() < kChunkLimit) {
        const int fd = openat2Call(anchor, joined.c_str(), flags);
        if (fd >= 0 || errno != ENOSYS)
            return UniqueFd(fd);
        g_noOpenat2.store(true, std::memory_order_relaxed);
    }
    return UniqueFd(openComponentwise(anchor, parts, flags));
}

std::optional<PathResolver::Parent> PathResolver::openParentBeneath(int anchor, const std::string& relative)
{
    std::vector<std::string> parts = components(relative);
    if (parts.empty() || parts.back() == "..")
        return std::nullopt;
    Parent parent;
    parent.name = parts.back();
    parts.pop_back();
    std::string folder;
    for (const std::string& p : parts) {
        if (!folder.empty())
            folder.push_back('/');
        folder += p;
    }
    parent.folder = openBeneath(anchor, folder, O_RDONLY | O_DIRECTORY);
    if (!parent.folder)
        return std::nullopt;
    return parent;
}

UniqueFd PathResolver::openAnyLength(const std::string& path, int flags)
{
    if (path.empty()) {
        errno = ENOENT;
        return UniqueFd();
    }
    if (path.size() < kChunkLimit)
        return UniqueFd(::open(path.c_str(), flags | O_CLOEXEC));
    auto parent = openParent(path);
    if (!parent)
        return UniqueFd();
    return UniqueFd(::openat(parent->fd(), parent->name.c_str(), flags | O_CLOEXEC));
}

std::optional<PathResolver::Parent> PathResolver::openParent(const std::string& path)
{
    if (path.empty())
        return std::nullopt;
    Parent parent;
    parent.name = lastComponent(path);
    if (parent.name.empty() || parent.name == "." || parent.name == ".." || parent.name == "/")
        return std::nullopt;
    const std::string folder = parentPath(path);
    if (folder.size() < kChunkLimit) {
        parent.folder = UniqueFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!parent.folder)
            return std::nullopt;
        return parent;
    }
    // Too long for one call: open it a chunk of whole components at a time.
    const std::vector<std::string> parts = components(folder);
    UniqueFd current(::open(folder.front() == '/' ? "/" : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    size_t i = 0;
    while (current && i < parts.size()) {
        std::string chunk;
        while (i < parts.size() && (chunk.empty() || chunk.size() + 1 + parts[i].size() < kChunkLimit)) {
            if (!chunk.empty())
                chunk.push_back('/');
            chunk += parts[i++];
        }
        current = UniqueFd(::openat(current.get(), chunk.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
    if (!current)
        return std::nullopt;
    parent.folder = std::move(current);
    return parent;
}

void PathResolver::raiseDescriptorLimit()
{
    static std::once_flag once;
    std::call_once(once, [] {
        rlimit rl;
        if (::getrlimit(RLIMIT_NOFILE, &rl) == 0 && rl.rlim_cur < rl.rlim_max) {
            rl.rlim_cur = rl.rlim_max;
            ::setrlimit(RLIMIT_NOFILE, &rl);
        }
    });
}

} // namespace corvane
