#include "platform/TreeSize.h"

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace corvane {

namespace {

struct Fd
{
    explicit Fd(int f) : fd(f) {}
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int fd;
};

struct Pending
{
    std::shared_ptr<Fd> parent; // keeps the parent open until this folder is opened
    std::string name;
};

struct linux_dirent64
{
    ino64_t d_ino;
    off64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[1]; // the kernel writes the whole NUL-terminated name here
};

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

class Walk
{
public:
    Walk(bool diskMode, unsigned threads) : m_disk(diskMode), m_maxThreads(threads) {}

    uint64_t run(const std::string& path)
    {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0)
            return 0;
        if (!S_ISDIR(st.st_mode))
            return entrySize(st);
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            return 0;
        raiseDescriptorLimitOnce();
        uint64_t total = 0;
        {
            std::vector<Pending> local;
            total += readFolder(std::make_shared<Fd>(fd), local);
            publish(local);
        }
        total += work();
        for (std::thread& t : m_threads)
            t.join();
        return total + m_shared.load();
    }

private:
    uint64_t entrySize(const struct stat& st) const
    {
        return m_disk ? static_cast<uint64_t>(st.st_blocks) * 512u : static_cast<uint64_t>(st.st_size);
    }

    // Lists one folder, sizing its non-folder entries and queueing its sub-folders.
    uint64_t readFolder(const std::shared_ptr<Fd>& folder, std::vector<Pending>& out)
    {
        alignas(8) char buffer[32768];
        uint64_t total = 0;
        for (;;) {
            const long n = ::syscall(SYS_getdents64, folder->fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            for (long off = 0; off < n;) {
                auto* e = reinterpret_cast<linux_dirent64*>(buffer + off);
                off += e->d_reclen;
                const char* name = e->d_name;
                if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                    continue;
                if (e->d_type == DT_DIR) {
                    out.push_back(Pending{folder, name});
                    continue;
                }
                struct stat st;
                if (::fstatat(folder->fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                    continue; // vanished or unreadable: skipped, as a listing failure adds nothing
                if (S_ISDIR(st.st_mode))
                    out.push_back(Pending{folder, name});
                else
                    total += entrySize(st);
            }
        }
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
            const int fd = ::openat(next.parent->fd, next.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            next.parent.reset();
            if (fd >= 0)
                total += readFolder(std::make_shared<Fd>(fd), local);
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
};

} // namespace

uint64_t TreeSize::sizeAtPath(const std::string& path, bool diskMode, unsigned threads)
{
    if (path.empty())
        return 0;
    if (threads == 0)
        threads = std::max(1u, std::thread::hardware_concurrency());
    return Walk(diskMode, threads).run(path);
}

} // namespace corvane
