// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AppProcesses.h"

#include "platform/BoundedFile.h"
#include "platform/DirectoryReader.h"
#include "platform/FileChecks.h"
#include "platform/ProcessTable.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace corvane {

namespace {

constexpr size_t kSmallProcFile = 64 * 1024;
constexpr size_t kEnvironLimit = 1024 * 1024;

std::optional<std::string> readProc(const std::string& root, pid_t pid, const char* file, size_t limit)
{
    // /proc files report a size of 0: BoundedFile reads them to their end all the same.
    return BoundedFile::read(joinPath(root, std::to_string(pid) + "/" + file), limit);
}

int pidfdOpen(pid_t pid)
{
    return int(::syscall(SYS_pidfd_open, pid, 0));
}

bool pidfdSignal(int pidfd, int signal)
{
    return ::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0) == 0;
}

} // namespace

AppProcesses::AppProcesses(std::string procRoot) : AppProcesses(std::move(procRoot), ::getuid()) {}

AppProcesses::AppProcesses(std::string procRoot, uid_t user) : m_procRoot(std::move(procRoot)), m_user(user) {}

std::optional<uint64_t> AppProcesses::startTimeFromStat(std::string_view stat)
{
    // The command name in field 2 may hold spaces and ')': count from the last ')'.
    const size_t close = stat.rfind(')');
    if (close == std::string_view::npos)
        return std::nullopt;
    size_t pos = close + 1;
    for (int field = 3; field <= 22; ++field) {
        while (pos < stat.size() && stat[pos] == ' ')
            ++pos;
        const size_t end = stat.find(' ', pos);
        if (field == 22) {
            const std::string_view digits = stat.substr(pos, end == std::string_view::npos ? end : end - pos);
            if (digits.empty() || digits.size() > 19)
                return std::nullopt;
            uint64_t value = 0;
            for (char c : digits) {
                if (c < '0' || c > '9')
                    return std::nullopt;
                value = value * 10 + uint64_t(c - '0');
            }
            return value;
        }
        if (end == std::string_view::npos)
            return std::nullopt;
        pos = end;
    }
    return std::nullopt;
}

std::optional<uid_t> AppProcesses::realUidFromStatus(std::string_view status)
{
    const size_t line = status.find("\nUid:");
    const size_t at = status.rfind("Uid:", 0) == 0 ? 0 : line == std::string_view::npos ? line : line + 1;
    if (at == std::string_view::npos)
        return std::nullopt;
    size_t pos = at + 4;
    while (pos < status.size() && (status[pos] == ' ' || status[pos] == '\t'))
        ++pos;
    uint64_t value = 0;
    size_t digits = 0;
    while (pos < status.size() && status[pos] >= '0' && status[pos] <= '9' && digits < 10) {
        value = value * 10 + uint64_t(status[pos++] - '0');
        ++digits;
    }
    if (digits == 0 || value > UINT_MAX)
        return std::nullopt;
    return uid_t(value);
}

std::optional<AppProcesses::Process> AppProcesses::describe(pid_t pid, const std::string& procRoot) const
{
    const auto status = readProc(procRoot, pid, "status", kSmallProcFile);
    const auto stat = readProc(procRoot, pid, "stat", kSmallProcFile);
    if (!status || !stat)
        return std::nullopt;
    const auto uid = realUidFromStatus(*status);
    const auto start = startTimeFromStat(*stat);
    if (!uid || !start)
        return std::nullopt;
    return Process{pid, *uid, *start};
}

template <typename Match> std::vector<AppProcesses::Process> AppProcesses::select(Match&& match) const
{
    std::vector<Process> found;
    UniqueFd proc(::open(m_procRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!proc.valid())
        return found;
    std::vector<std::string> names;
    DirectoryReader::listNames(proc.get(), names);
    for (const std::string& name : names) {
        const auto pid = ProcessTable::pidFromName(name);
        if (!pid)
            continue;
        const auto process = describe(*pid, m_procRoot);
        // Another user's process is never listed, whatever it runs.
        if (!process || process->uid != m_user)
            continue;
        if (match(*pid))
            found.push_back(*process);
    }
    std::sort(found.begin(), found.end(), [](const Process& a, const Process& b) { return a.pid < b.pid; });
    return found;
}

std::optional<std::string> AppProcesses::executableOf(pid_t pid) const
{
    char target[PATH_MAX];
    const std::string link = joinPath(m_procRoot, std::to_string(pid) + "/exe");
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target);
    if (n <= 0 || size_t(n) >= sizeof target)
        return std::nullopt;
    std::string exe(target, size_t(n));
    // A replaced executable still counts: the process runs what was there.
    static const std::string deleted = " (deleted)";
    if (exe.size() > deleted.size() && exe.compare(exe.size() - deleted.size(), deleted.size(), deleted) == 0)
        exe.erase(exe.size() - deleted.size());
    return exe;
}

std::vector<AppProcesses::Process> AppProcesses::ofBundle(const std::string& bundlePath) const
{
    std::string inside = bundlePath;
    while (inside.size() > 1 && inside.back() == '/')
        inside.pop_back();
    inside += '/';
    return select([&](pid_t pid) {
        const auto exe = executableOf(pid);
        return exe && exe->compare(0, inside.size(), inside) == 0;
    });
}

std::vector<AppProcesses::Process> AppProcesses::ofExecutable(const std::string& executablePath) const
{
    return select([&](pid_t pid) { return executableOf(pid) == executablePath; });
}

std::vector<AppProcesses::Process> AppProcesses::ofAppImage(const std::string& imagePath) const
{
    const std::string wanted = "APPIMAGE=" + imagePath;
    return select([&](pid_t pid) {
        const auto environ = readProc(m_procRoot, pid, "environ", kEnvironLimit);
        if (!environ)
            return false;
        for (size_t start = 0; start < environ->size();) {
            size_t end = environ->find('\0', start);
            if (end == std::string::npos)
                end = environ->size();
            if (environ->compare(start, end - start, wanted) == 0)
                return true;
            start = end + 1;
        }
        return false;
    });
}

std::vector<AppProcesses::Process> AppProcesses::ofFlatpak(const std::string& appId) const
{
    const std::string unit = "app-flatpak-" + appId + "-";
    return select([&](pid_t pid) {
        const auto cgroup = readProc(m_procRoot, pid, "cgroup", kSmallProcFile);
        if (!cgroup)
            return false;
        for (const std::string& line : BoundedFile::lines(*cgroup)) {
            // The last component of the control group path: app-flatpak-<ID>-<number>.scope.
            const size_t slash = line.rfind('/');
            const std::string_view leaf = std::string_view(line).substr(slash == std::string::npos ? 0 : slash + 1);
            if (leaf.size() > unit.size() + 6 && leaf.substr(0, unit.size()) == unit &&
                leaf.substr(leaf.size() - 6) == ".scope")
                return true;
        }
        return false;
    });
}

std::vector<AppProcesses::Process> AppProcesses::stop(const std::vector<Process>& processes,
                                                      std::chrono::milliseconds wait) const
{
    struct Signalled
    {
        Process process;
        UniqueFd pidfd;
    };
    std::vector<Signalled> waiting;
    for (const Process& p : processes) {
        UniqueFd pidfd(pidfdOpen(p.pid));
        if (!pidfd.valid())
            continue; // ended already
        // Checked after the pidfd holds the process: a pid reused since the listing, or a
        // process of another user, is never signalled. The kernel's /proc, whatever root
        // the listing read.
        const auto now = describe(p.pid, "/proc");
        if (!now || now->uid != p.uid || now->startTime != p.startTime || p.uid != m_user)
            continue;
        if (!pidfdSignal(pidfd.get(), SIGTERM))
            continue;
        waiting.push_back({p, std::move(pidfd)});
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::vector<Process> running;
    for (Signalled& s : waiting) {
        // A pidfd polls readable once its process has ended.
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd pfd{s.pidfd.get(), POLLIN, 0};
            const int rc = ::poll(&pfd, 1, int(std::max<long long>(0, left.count())));
            if (rc < 0 && errno == EINTR)
                continue;
            if (rc <= 0)
                running.push_back(s.process);
            break;
        }
    }
    return running;
}

} // namespace corvane
