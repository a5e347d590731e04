#include "common/SearchWalker.h"

#include "common/Dispatch.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace corvane {

namespace {

// Small enough that progress and stop stay prompt, large enough that handing over costs
// nothing next to the system calls of the batch.
constexpr size_t kBatchSize = 64;

struct linux_dirent64
{
    ino64_t d_ino;
    off64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[1];
};

// Every pending sibling keeps its parent open, so a deep and bushy tree holds one
// descriptor per level; the soft limit is raised once to the hard one.
void raiseDescriptorLimitOnce()
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

SearchWalker::Folder::~Folder()
{
    if (fd >= 0)
        ::close(fd);
}

SearchWalker::SearchWalker() = default;

SearchWalker::~SearchWalker()
{
    stop();
    waitForRun();
}

void SearchWalker::runInBackground(std::function<void()> fn)
{
    std::lock_guard lock(m_threadMutex);
    if (m_thread.joinable()) {
        if (m_thread.get_id() == std::this_thread::get_id())
            m_thread.detach(); // started again from the end of its own run
        else
            m_thread.join(); // the earlier run has cleared its flag; it is only posting its end
    }
    m_thread = std::thread(std::move(fn));
}

void SearchWalker::waitForRun()
{
    std::lock_guard lock(m_threadMutex);
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
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
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return paths;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return paths;
    }
    while (dirent* e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        if (acceptName && !acceptName(e->d_name))
            continue;
        uint32_t offset = 0;
        paths.push_back(childPath(folder, e->d_name, offset));
    }
    ::closedir(dir);
    return paths;
}

void SearchWalker::handOff(Batch& batch, const Rules& rules)
{
    if (batch.empty())
        return;
    m_semaphore.acquire();
    auto work = std::make_shared<Batch>(std::move(batch));
    batch = Batch();
    batch.reserve(kBatchSize);
    Dispatch::global([this, work, examine = rules.examine] {
        examine(*work);
        work->clear(); // folders close here, before the unit is given back
        m_semaphore.release();
    });
}

void SearchWalker::drain()
{
    m_semaphore.acquire(kConcurrentExaminations);
    m_semaphore.release(kConcurrentExaminations);
}

void SearchWalker::walk(const std::string& path, bool isDirectory, const Rules& rules)
{
    Batch batch;
    if (!isDirectory) {
        if (isStopped())
            return;
        batch.push_back(Item{nullptr, path, 0, false});
        handOff(batch, rules);
        return;
    }
    raiseDescriptorLimitOnce();

    struct Pending
    {
        std::shared_ptr<Folder> parent; // kept open until this folder is opened
        std::string path;
        uint32_t nameOffset;
    };
    std::vector<Pending> stack;
    stack.push_back(Pending{nullptr, path, 0});
    batch.reserve(kBatchSize);
    alignas(8) char buffer[32768];

    while (!stack.empty() && !isStopped()) {
        Pending next = std::move(stack.back());
        stack.pop_back();

        const unsigned action = rules.folder(next.path);
        if (action & Examine) {
            batch.push_back(Item{next.parent, next.path, next.nameOffset, true});
            if (batch.size() >= kBatchSize)
                handOff(batch, rules);
        }
        if (!(action & Enter))
            continue;

        constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        int fd = ::openat(next.parent ? next.parent->fd : AT_FDCWD, next.path.c_str() + next.nameOffset, kFlags);
        if (fd < 0 && (errno == EMFILE || errno == ENFILE) && next.path.size() < PATH_MAX)
            fd = ::open(next.path.c_str(), kFlags);
        next.parent.reset();
        if (fd < 0)
            continue; // unreadable or gone: no children
        auto folder = std::make_shared<Folder>(fd, std::move(next.path));
        const size_t firstChild = stack.size();

        for (bool more = true; more && !isStopped();) {
            const long n = ::syscall(SYS_getdents64, folder->fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            for (long off = 0; off < n;) {
                if (isStopped()) {
                    more = false;
                    break;
                }
                auto* e = reinterpret_cast<linux_dirent64*>(buffer + off);
                off += e->d_reclen;
                const char* name = e->d_name;
                if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                    continue;
                if (rules.acceptName && !rules.acceptName(name))
                    continue;
                unsigned char type = e->d_type;
                if (type == DT_UNKNOWN) {
                    struct stat st;
                    if (::fstatat(folder->fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                        continue;
                    type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
                }
                if (type == DT_DIR) {
                    uint32_t offset = 0;
                    std::string child = childPath(folder->path, name, offset);
                    stack.push_back(Pending{folder, std::move(child), offset});
                } else if (type == DT_REG) {
                    uint32_t offset = 0;
                    std::string child = childPath(folder->path, name, offset);
                    batch.push_back(Item{folder, std::move(child), offset, false});
                    if (batch.size() >= kBatchSize)
                        handOff(batch, rules);
                }
                // links, devices, sockets, fifos: never followed, never examined
            }
        }
        // Sub-folders are taken from the back: reversing keeps the listing order.
        std::reverse(stack.begin() + static_cast<std::ptrdiff_t>(firstChild), stack.end());
    }
    if (!isStopped())
        handOff(batch, rules);
}

} // namespace corvane
