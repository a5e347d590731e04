// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TreeSize.h"

#include "platform/DirectoryReader.h"
#include "platform/FileChecks.h"
#include "platform/PathResolver.h"
#include "platform/UniqueFd.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace corvane {

namespace {

// Names of the folders on the way down, kept only so an unreadable folder can be named;
// descriptors are not kept alive by it.
struct PathNode
{
    std::shared_ptr<const PathNode> parent;
    std::string name;

    std::string path() const
    {
        std::vector<const PathNode*> chain;
        for (const PathNode* n = this; n; n = n->parent.get())
            chain.push_back(n);
        std::string out = chain.back()->name;
        for (auto it = chain.rbegin() + 1; it != chain.rend(); ++it)
            out = joinPath(out, (*it)->name);
        return out;
    }
};

TreeSize::Result unreadableRoot(const std::string& path, int error)
{
    TreeSize::Result r;
    r.rootUnreadable = true;
    r.error = error;
    r.firstUnreadable = path;
    return r;
}

struct Pending
{
    std::shared_ptr<UniqueFd> parent; // keeps the parent open until this folder is opened
    std::shared_ptr<const PathNode> node;
};

class Walk
{
public:
    Walk(bool diskMode, unsigned threads) : m_disk(diskMode), m_maxThreads(threads) {}

    TreeSize::Result run(int dirFd, const std::string& name, const std::string& shownPath)
    {
        TreeSize::Result result;
        struct stat st;
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return unreadableRoot(shownPath, errno);
        if (!S_ISDIR(st.st_mode)) {
            result.bytes = entrySize(st);
            return result;
        }
        auto fd = std::make_shared<UniqueFd>(::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!fd->valid())
            return unreadableRoot(shownPath, errno);
        PathResolver::raiseDescriptorLimit();
        uint64_t total = 0;
        {
            std::vector<Pending> local;
            auto root = std::make_shared<const PathNode>(PathNode{nullptr, shownPath});
            total += readFolder(fd, root, local);
            publish(local);
        }
        total += work();
        for (std::thread& t : m_threads)
            t.join();
        result.bytes = total + m_shared.load();
        std::lock_guard lock(m_mutex);
        result.incomplete = m_error != 0;
        result.error = m_error;
        result.firstUnreadable = m_firstUnreadable;
        if (result.incomplete && result.firstUnreadable == shownPath)
            result.rootUnreadable = true; // the root opened but could not be listed
        return result;
    }

private:
    uint64_t entrySize(const struct stat& st) const
    {
        return m_disk ? static_cast<uint64_t>(st.st_blocks) * 512u : static_cast<uint64_t>(st.st_size);
    }

    void noteUnreadable(const PathNode& node, const char* name, int error)
    {
        std::lock_guard lock(m_mutex);
        if (m_error != 0)
            return;
        m_error = error ? error : EIO;
        m_firstUnreadable = name ? joinPath(node.path(), name) : node.path();
    }

    // Lists one folder, sizing its non-folder entries and queueing its sub-folders.
    uint64_t readFolder(const std::shared_ptr<UniqueFd>& folder, const std::shared_ptr<const PathNode>& node,
                        std::vector<Pending>& out)
    {
        DirectoryReader reader(folder->get());
        DirectoryReader::Entry e;
        uint64_t total = 0;
        while (reader.next(e)) {
            if (e.type == DT_DIR) {
                out.push_back(Pending{folder, std::make_shared<const PathNode>(PathNode{node, e.name})});
                continue;
            }
            struct stat st;
            if (::fstatat(folder->get(), e.name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno != ENOENT)
                    noteUnreadable(*node, e.name, errno);
                continue; // vanished since the listing: nothing to count
            }
            if (S_ISDIR(st.st_mode))
                out.push_back(Pending{folder, std::make_shared<const PathNode>(PathNode{node, e.name})});
            else
                total += entrySize(st);
        }
        if (reader.failed())
            noteUnreadable(*node, nullptr, reader.error());
        return total;
    }

    void publish(std::vector<Pending>& local)
    {
        if (local.empty())
            return;
        bool spawn = false;
        {
            std::lock_guard lock(m_mutex);
            for (Pending& p : local)
                m_stack.push_back(std::move(p));
            spawn = m_stack.size() > 1 && m_threads.size() + 1 < m_maxThreads;
            if (spawn)
                m_threads.emplace_back([this] { m_shared += work(); });
        }
        local.clear();
        m_cv.notify_all();
    }

    uint64_t work()
    {
        uint64_t total = 0;
        std::vector<Pending> local;
        for (;;) {
            Pending next;
            {
                std::unique_lock lock(m_mutex);
                m_cv.wait(lock, [&] { return !m_stack.empty() || m_busy == 0; });
                if (m_stack.empty())
                    break;
                next = std::move(m_stack.back());
                m_stack.pop_back();
                ++m_busy;
            }
            auto fd = std::make_shared<UniqueFd>(::openat(next.parent->get(), next.node->name.c_str(),
                                                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            const int openError = errno;
            next.parent.reset();
            if (fd->valid())
                total += readFolder(fd, next.node, local);
            else if (openError != ENOENT && openError != ENOTDIR && openError != ELOOP)
                noteUnreadable(*next.node, nullptr, openError); // gone or replaced by a link is no failure
            // Work through our own sub-folders depth first while sharing the surplus, so
            // descriptors held open by waiting entries stay few.
            publish(local);
            {
                std::lock_guard lock(m_mutex);
                --m_busy;
            }
            m_cv.notify_all();
        }
        return total;
    }

    const bool m_disk;
    const unsigned m_maxThreads;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<Pending> m_stack;
    std::vector<std::thread> m_threads;
    int m_busy = 0;
    std::atomic<uint64_t> m_shared{0};
    int m_error = 0;
    std::string m_firstUnreadable;
};

unsigned threadCount(unsigned threads)
{
    return threads ? threads : std::max(1u, std::thread::hardware_concurrency());
}

} // namespace

TreeSize::Result TreeSize::measureAt(int dirFd, const std::string& name, const std::string& shownPath, bool diskMode,
                                     unsigned threads)
{
    if (name.empty())
        return {};
    return Walk(diskMode, threadCount(threads)).run(dirFd, name, shownPath);
}

TreeSize::Result TreeSize::measure(const std::string& path, bool diskMode, unsigned threads)
{
    if (path.empty())
        return {};
    // "/" and "." have no parent entry to start from; they are opened as they are.
    const std::string name = lastComponent(path);
    if (name == "/" || name == "." || name == "..") {
        UniqueFd self(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!self)
            return unreadableRoot(path, errno);
        return Walk(diskMode, threadCount(threads)).run(self.get(), ".", path);
    }
    auto parent = PathResolver::openParent(path);
    if (!parent)
        return unreadableRoot(path, errno);
    return Walk(diskMode, threadCount(threads)).run(parent->fd(), parent->name, path);
}

} // namespace corvane
