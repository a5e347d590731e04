// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SafeRemover.h"

#include "platform/AnchoredFolder.h"
#include "platform/DirectoryReader.h"
#include "platform/FileChecks.h"
#include "platform/PathResolver.h"
#include "platform/ProtectedPaths.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace corvane {

namespace {

// How many folder descriptors one removal keeps open; deeper folders are closed and
// reached again through ".." with an identity check when the walk climbs back.
constexpr size_t kOpenFolderBudget = 64;

struct Frame
{
    UniqueFd fd;
    dev_t dev = 0;
    ino_t ino = 0;
    std::string name;               // name inside the parent frame
    std::vector<std::string> names; // entries listed when the frame was opened
    size_t next = 0;
    bool failed = false;
};

// True when the entry is where a mount begins. A bind mount of a folder of the same file
// system has the device number of its surroundings, so only the kernel's mount-root
// attribute tells it apart.
bool isMountRoot(int folder, const char* name)
{
    struct statx stx;
    if (::statx(folder, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_BASIC_STATS, &stx) != 0)
        return false;
    return (stx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (stx.stx_attributes & STATX_ATTR_MOUNT_ROOT);
}

int openFolderAt(int parent, const char* name, const struct stat& expected)
{
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0 || st.st_dev != expected.st_dev || st.st_ino != expected.st_ino) {
        ::close(fd);
        errno = ESTALE;
        return -1;
    }
    return fd;
}

class Removal
{
public:
    // Removes `base` from the open folder `parent`.
    SafeRemover::Result run(int parent, const std::string& base)
    {
        SafeRemover::Result result;
        if (base.empty() || base == "." || base == ".." || base.find('/') != std::string::npos) {
            result.status = SafeRemover::Status::Refused;
            result.error = EINVAL;
            return result;
        }
        struct stat st;
        if (::fstatat(parent, base.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            result.status = errno == ENOENT ? SafeRemover::Status::NotFound : SafeRemover::Status::Failed;
            result.error = errno;
            return result;
        }
        if (!S_ISDIR(st.st_mode)) {
            if (::unlinkat(parent, base.c_str(), 0) == 0 || errno == ENOENT) {
                m_removed++;
                m_bytes += static_cast<uint64_t>(st.st_size);
            } else {
                note(errno);
            }
        } else {
            removeFolder(parent, base, st);
        }

        result.removedEntries = m_removed;
        result.removedBytes = m_bytes;
        result.error = m_firstError;
        result.status = m_firstError == 0 ? SafeRemover::Status::Removed : SafeRemover::Status::Failed;
        return result;
    }

private:
    void note(int error)
    {
        if (m_firstError == 0)
            m_firstError = error ? error : EIO;
    }

    int openFrames() const
    {
        int n = 0;
        for (const Frame& f : m_stack)
            n += f.fd.valid();
        return n;
    }

    // Makes sure the frame below the top has a descriptor, reopening it through ".."
    // of the top frame and checking it is the folder we left.
    bool ensureParentOpen(size_t index)
    {
        Frame& parent = m_stack[index - 1];
        if (parent.fd)
            return true;
        const Frame& child = m_stack[index];
        UniqueFd fd(::openat(child.fd.get(), "..", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!fd)
            return false;
        struct stat st;
        if (::fstat(fd.get(), &st) != 0 || st.st_dev != parent.dev || st.st_ino != parent.ino) {
            errno = ESTALE;
            return false;
        }
        parent.fd = std::move(fd);
        return true;
    }

    bool push(int parentFd, const std::string& name, const struct stat& st)
    {
        const int fd = openFolderAt(parentFd, name.c_str(), st);
        if (fd < 0)
            return false;
        Frame frame;
        frame.fd = UniqueFd(fd);
        frame.dev = st.st_dev;
        frame.ino = st.st_ino;
        frame.name = name;
        if (!DirectoryReader::listNames(fd, frame.names)) {
            note(errno);
            frame.failed = true;
        }
        m_stack.push_back(std::move(frame));
        // Keep the number of open folders bounded: close the shallowest open ones beyond
        // the budget (never the top two, which the walk uses next).
        if (static_cast<size_t>(openFrames()) > kOpenFolderBudget) {
            for (size_t i = 0; i + 2 < m_stack.size(); ++i) {
                if (m_stack[i].fd) {
                    m_stack[i].fd.reset();
                    break;
                }
            }
        }
        return true;
    }

    void removeFolder(int parentFd, const std::string& base, const struct stat& rootStat)
    {
        m_rootDev = rootStat.st_dev;
        if (!push(parentFd, base, rootStat)) {
            if (errno == ELOOP || errno == ENOTDIR) {
                // Swapped for a link or a file since we looked: remove that instead.
                if (::unlinkat(parentFd, base.c_str(), 0) != 0 && errno != ENOENT)
                    note(errno);
                else
                    ++m_removed;
            } else if (errno != ENOENT) {
                note(errno);
            }
            return;
        }

        while (!m_stack.empty()) {
            Frame& top = m_stack.back();
            if (top.next < top.names.size()) {
                const std::string name = top.names[top.next++];
                struct stat st;
                if (::fstatat(top.fd.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
                    if (errno != ENOENT) {
                        note(errno);
                        top.failed = true;
                    }
                    continue;
                }
                if (S_ISDIR(st.st_mode)) {
                    if (st.st_dev != m_rootDev || isMountRoot(top.fd.get(), name.c_str())) {
                        // Another file system is mounted here; leave it alone.
                        note(EXDEV);
                        top.failed = true;
                        continue;
                    }
                    const int topFd = top.fd.get();
                    if (!push(topFd, name, st)) {
                        if (errno == ELOOP || errno == ENOTDIR) {
                            if (::unlinkat(topFd, name.c_str(), 0) == 0)
                                ++m_removed;
                            else if (errno != ENOENT) {
                                note(errno);
                                m_stack.back().failed = true;
                            }
                        } else if (errno != ENOENT) {
                            note(errno);
                            m_stack.back().failed = true;
                        }
                    }
                    continue;
                }
                if (::unlinkat(top.fd.get(), name.c_str(), 0) == 0) {
                    ++m_removed;
                    m_bytes += static_cast<uint64_t>(st.st_size);
                } else if (errno != ENOENT) {
                    note(errno);
                    top.failed = true;
                }
                continue;
            }

            // Every entry handled: remove the folder itself from its parent.
            const size_t index = m_stack.size() - 1;
            int parent = parentFd;
            bool parentOk = true;
            if (index > 0) {
                parentOk = ensureParentOpen(index);
                parent = m_stack[index - 1].fd.get();
            }
            Frame done = std::move(m_stack.back());
            m_stack.pop_back();
            done.fd.reset();
            if (!parentOk) {
                note(errno);
                if (!m_stack.empty())
                    m_stack.back().failed = true;
                continue;
            }
            if (::unlinkat(parent, done.name.c_str(), AT_REMOVEDIR) == 0) {
                ++m_removed;
            } else if (errno != ENOENT) {
                if (!done.failed)
                    note(errno);
                if (!m_stack.empty())
                    m_stack.back().failed = true;
            }
        }
    }

    std::vector<Frame> m_stack;
    dev_t m_rootDev = 0;
    uint64_t m_removed = 0;
    uint64_t m_bytes = 0;
    int m_firstError = 0;
};

} // namespace

SafeRemover::Result SafeRemover::failure(Status status, int error)
{
    Result r;
    r.status = status;
    r.error = error;
    return r;
}

SafeRemover::Result SafeRemover::removeTreeUnchecked(const std::string& path)
{
    if (path.empty())
        return failure(Status::Refused, EINVAL);
    // The folder part is resolved once, whatever its length; from there on everything is
    // relative to that open folder.
    auto parent = PathResolver::openParent(path);
    if (!parent) {
        if (lastComponent(path) == "." || lastComponent(path) == ".." || lastComponent(path) == "/")
            return failure(Status::Refused, EINVAL);
        return failure(errno == ENOENT ? Status::NotFound : Status::Failed, errno);
    }
    return Removal().run(parent->fd(), parent->name);
}

SafeRemover::Result SafeRemover::removeTree(const std::string& path, const Layout& layout)
{
    if (ProtectedPaths::isProtected(path, layout))
        return failure(Status::Refused, EPERM);
    return removeTreeUnchecked(path);
}

SafeRemover::Result SafeRemover::removeBeneath(const AnchoredFolder& container, const std::string& relative,
                                               const Layout& layout)
{
    if (ProtectedPaths::isProtected(container.pathOf(relative), layout))
        return failure(Status::Refused, EPERM);
    auto parent = PathResolver::openParentBeneath(container.fd(), relative);
    if (!parent) {
        const int error = errno;
        if (error == ENOENT)
            return failure(Status::NotFound, error);
        // A link, a mount or a way out of the container now stands where a folder was
        // listed: what is there now was never offered, so it is left alone.
        if (error == ELOOP || error == EXDEV || error == ENOTDIR)
            return failure(Status::Moved, error);
        return failure(relative.empty() ? Status::Refused : Status::Failed, error);
    }
    return Removal().run(parent->fd(), parent->name);
}

SafeRemover::Result SafeRemover::removeAt(int folderFd, const std::string& name, const struct stat* expected)
{
    if (expected) {
        struct stat now;
        if (::fstatat(folderFd, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0)
            return failure(errno == ENOENT ? Status::NotFound : Status::Failed, errno);
        if (now.st_dev != expected->st_dev || now.st_ino != expected->st_ino ||
            (now.st_mode & S_IFMT) != (expected->st_mode & S_IFMT))
            return failure(Status::Moved, ESTALE);
    }
    return Removal().run(folderFd, name);
}

} // namespace corvane
