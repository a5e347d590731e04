// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/engine/SearchWalker.h"

#include "common/Dispatch.h"
#include "common/ThreadHandOff.h"
#include "platform/DirectoryReader.h"
#include "platform/PathResolver.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace corvane {

namespace {

// Small enough that progress and stop stay prompt, large enough that handing over costs
// nothing next to the system calls of the batch.
constexpr size_t kBatchSize = 64;

std::string childPath(const std::string& folder, const char* name, uint32_t& nameOffset)
{
    std::string path;
    const size_t nameLength = std::strlen(name);
    path.reserve(folder.size() + 1 + nameLength);
    path = folder;
    if (path.empty() || path.back() != '/')
        path.push_back('/');
    nameOffset = static_cast<uint32_t>(path.size());
    path.append(name, nameLength);
    return path;
}

std::string resolved(const std::string& path)
{
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real)
        return path;
    std::string out(real);
    std::free(real);
    return out;
}

} // namespace

// One run's thread and whether its work has returned. Each thread is joined exactly once:
// by the run started after it (before that run's work begins, which keeps runs in order
// even when a run starts its successor from its own end) or by the walker's destructor.
struct SearchWalker::Run
{
    std::thread thread;
    std::mutex monitor;
    std::condition_variable ended;
    bool returned = false;

    void waitUntilReturned()
    {
        std::unique_lock lock(monitor);
        ended.wait(lock, [this] { return returned; });
    }
};

namespace {
// The walker whose run the calling thread is doing, if any: such a thread must not wait
// for a run, which may be waiting to join it.
thread_local const SearchWalker* t_walkerRunningHere = nullptr;
} // namespace

SearchWalker::SearchWalker() = default;

SearchWalker::~SearchWalker()
{
    stop();
    if (t_walkerRunningHere == this) {
        // Destroyed from inside its own run, which cannot wait for itself.
        std::lock_guard lock(m_runMutex);
        if (m_lastRun)
            m_lastRun->thread.detach();
        return;
    }
    // A run may start another while it is being waited for; the last one, once it has
    // returned with no successor, has joined every run before it and is ours to join.
    for (;;) {
        std::shared_ptr<Run> last;
        {
            std::lock_guard lock(m_runMutex);
            last = m_lastRun;
        }
        if (!last)
            return;
        last->waitUntilReturned();
        {
            std::lock_guard lock(m_runMutex);
            if (m_lastRun != last)
                continue;
            m_lastRun.reset();
        }
        last->thread.join();
        return;
    }
}

void SearchWalker::runInBackground(std::function<void()> fn)
{
    auto run = std::make_shared<Run>();
    std::lock_guard lock(m_runMutex);
    std::shared_ptr<Run> earlier = std::move(m_lastRun);
    m_lastRun = run;
    // The thread holds its own Run until it ends: a detached run outlives the walker.
    run->thread = std::thread([this, run, earlier = std::move(earlier), fn = std::move(fn)]() mutable {
        if (earlier) {
            earlier->thread.join();
            earlier.reset();
        }
        t_walkerRunningHere = this;
        fn();
        fn = nullptr; // what the work captured goes before anyone is told it returned
        t_walkerRunningHere = nullptr;
        std::lock_guard done(run->monitor);
        run->returned = true;
        run->ended.notify_all();
    });
}

void SearchWalker::waitForRun()
{
    if (t_walkerRunningHere == this)
        return;
    std::shared_ptr<Run> last;
    {
        std::lock_guard lock(m_runMutex);
        last = m_lastRun;
    }
    if (last)
        last->waitUntilReturned();
}

bool SearchWalker::isVisibleName(const char* name)
{
    return name[0] != '.' && std::strncmp(name, "__MACOSX", 8) != 0;
}

bool SearchWalker::pathIsInside(const std::string& inner, const std::string& outer)
{
    if (outer.empty() || !inner.starts_with(outer))
        return false;
    return inner.size() == outer.size() || outer.back() == '/' || inner[outer.size()] == '/';
}

std::vector<std::string> SearchWalker::reduceRoots(const std::vector<std::string>& roots)
{
    std::vector<std::string> real;
    std::vector<bool> walked; // only a root that will be walked may absorb another
    real.reserve(roots.size());
    for (const std::string& root : roots) {
        real.push_back(resolved(root));
        struct stat st;
        walked.push_back(::lstat(root.c_str(), &st) == 0 && (S_ISDIR(st.st_mode) || S_ISREG(st.st_mode)));
    }
    std::vector<std::string> kept;
    for (size_t p = 0; p < roots.size(); ++p) {
        size_t candidate = p;
        for (size_t e = 0; e < roots.size(); ++e) {
            if (e == candidate || !walked[e])
                continue;
            if (pathIsInside(real[candidate], real[e]))
                candidate = e;
        }
        if (std::find(kept.begin(), kept.end(), roots[candidate]) == kept.end())
            kept.push_back(roots[candidate]);
    }
    return kept;
}

std::vector<std::string> SearchWalker::listFolder(const std::string& folder,
                                                  const std::function<bool(const char*)>& acceptName)
{
    std::vector<std::string> paths;
    const UniqueFd fd = PathResolver::openAnyLength(folder, O_RDONLY | O_DIRECTORY);
    if (!fd)
        return paths;
    DirectoryReader reader(fd.get());
    DirectoryReader::Entry e;
    while (reader.next(e)) {
        if (acceptName && !acceptName(e.name))
            continue;
        uint32_t offset = 0;
        paths.push_back(childPath(folder, e.name, offset));
    }
    return paths;
}

void SearchWalker::handOff(Batch& batch, const Rules& rules)
{
    if (batch.empty())
        return;
    m_semaphore.acquire();
    ThreadHandOff::acquired(&m_semaphore);
    auto work = std::make_shared<Batch>(std::move(batch));
    batch = Batch();
    batch.reserve(kBatchSize);
    Dispatch::global([this, work, examine = rules.examine] {
        examine(*work);
        work->clear(); // folders close here, before the unit is given back
        ThreadHandOff::released(&m_semaphore);
        m_semaphore.release();
    });
}

void SearchWalker::drain()
{
    m_semaphore.acquire(kConcurrentExaminations);
    ThreadHandOff::acquired(&m_semaphore);
    m_semaphore.release(kConcurrentExaminations);
}

namespace {

// A folder that vanished, or is a link or a file now, had nothing left to read.
bool goneSinceListed(int error)
{
    return error == ENOENT || error == ENOTDIR || error == ELOOP;
}

void noteUnreadable(SearchWalker::Report& report, const std::string& folder, int error, bool isRoot)
{
    ++report.unreadableFolders;
    if (report.incomplete)
        return;
    report.incomplete = true;
    report.rootUnreadable = isRoot;
    report.error = error ? error : EIO;
    report.firstUnreadable = folder;
}

} // namespace

SearchWalker::Report SearchWalker::walk(const std::string& path, bool isDirectory, const Rules& rules)
{
    Report report;
    Batch batch;
    if (!isDirectory) {
        if (isStopped())
            return report;
        batch.push_back(Item{nullptr, path, 0, false});
        handOff(batch, rules);
        return report;
    }
    PathResolver::raiseDescriptorLimit();

    struct Pending
    {
        std::shared_ptr<Folder> parent; // kept open until this folder is opened
        std::string path;
        uint32_t nameOffset;
    };
    std::vector<Pending> stack;
    stack.push_back(Pending{nullptr, path, 0});
    batch.reserve(kBatchSize);

    while (!stack.empty() && !isStopped()) {
        Pending next = std::move(stack.back());
        stack.pop_back();
        const bool isRoot = !next.parent;

        const unsigned action = rules.folder(next.path);
        if (action & Examine) {
            batch.push_back(Item{next.parent, next.path, next.nameOffset, true});
            if (batch.size() >= kBatchSize)
                handOff(batch, rules);
        }
        if (!(action & Enter))
            continue;

        constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        UniqueFd fd = isRoot ? PathResolver::openAnyLength(next.path, kFlags)
                             : UniqueFd(::openat(next.parent->fd.get(), next.path.c_str() + next.nameOffset, kFlags));
        if (!fd && (errno == EMFILE || errno == ENFILE) && next.path.size() < PATH_MAX)
            fd.reset(::open(next.path.c_str(), kFlags));
        const int openError = errno;
        next.parent.reset();
        if (!fd) {
            if (!goneSinceListed(openError))
                noteUnreadable(report, next.path, openError, isRoot);
            continue;
        }
        auto folder = std::make_shared<Folder>(std::move(fd), std::move(next.path));
        const size_t firstChild = stack.size();
        bool handedOver = false;

        DirectoryReader reader(folder->fd.get());
        DirectoryReader::Entry e;
        while (!isStopped() && reader.next(e)) {
            if (rules.acceptName && !rules.acceptName(e.name))
                continue;
            if (e.type == DT_DIR) {
                uint32_t offset = 0;
                std::string child = childPath(folder->path, e.name, offset);
                stack.push_back(Pending{folder, std::move(child), offset});
            } else if (e.type == DT_REG) {
                uint32_t offset = 0;
                std::string child = childPath(folder->path, e.name, offset);
                batch.push_back(Item{folder, std::move(child), offset, false});
                handedOver = true;
                if (batch.size() >= kBatchSize)
                    handOff(batch, rules);
            }
            // links, devices, sockets, fifos: never followed, never examined
        }
        if (reader.failed()) {
            noteUnreadable(report, folder->path, reader.error(), isRoot);
        } else if (handedOver && ::faccessat(folder->fd.get(), ".", X_OK, AT_EACCESS) != 0 && errno == EACCES) {
            // Listed but not searchable: its files cannot be examined, so they would
            // drop out of the results without a word.
            noteUnreadable(report, folder->path, EACCES, isRoot);
        }
        // Sub-folders are taken from the back: reversing keeps the listing order.
        std::reverse(stack.begin() + static_cast<std::ptrdiff_t>(firstChild), stack.end());
    }
    if (!isStopped())
        handOff(batch, rules);
    return report;
}

} // namespace corvane
