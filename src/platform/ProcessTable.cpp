// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ProcessTable.h"

#include "platform/BoundedFile.h"
#include "platform/DirectoryReader.h"
#include "platform/FileChecks.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

constexpr size_t kStatLimit = 8 * 1024;
constexpr size_t kCgroupLimit = 64 * 1024;
constexpr size_t kEnvironLimit = 1024 * 1024;

std::optional<uint64_t> number(std::string_view digits)
{
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

} // namespace

ProcessTable::ProcessTable(std::string procRoot) : m_procRoot(std::move(procRoot)) {}

std::optional<pid_t> ProcessTable::pidFromName(std::string_view name)
{
    if (name.empty() || name.size() > 9)
        return std::nullopt;
    pid_t pid = 0;
    for (char c : name) {
        if (c < '0' || c > '9')
            return std::nullopt;
        pid = pid * 10 + (c - '0');
    }
    return pid > 0 ? std::optional<pid_t>(pid) : std::nullopt;
}

uint64_t ProcessTable::pageSize()
{
    static const uint64_t size = uint64_t(::sysconf(_SC_PAGESIZE));
    return size;
}

uint64_t ProcessTable::ticksPerSecond()
{
    static const uint64_t ticks = uint64_t(std::max(1L, ::sysconf(_SC_CLK_TCK)));
    return ticks;
}

std::optional<ProcessTable::Process> ProcessTable::parseStat(std::string_view stat)
{
    const size_t open = stat.find('(');
    const size_t close = stat.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return std::nullopt;
    Process p;
    const auto pid = number(stat.substr(0, stat.find(' ')));
    if (!pid)
        return std::nullopt;
    p.pid = pid_t(*pid);
    p.comm = std::string(stat.substr(open + 1, close - open - 1));
    // Fields from 3 on, one blank apart.
    std::vector<std::string_view> fields;
    size_t pos = close + 2;
    while (pos < stat.size() && fields.size() < 22) {
        size_t end = stat.find(' ', pos);
        if (end == std::string_view::npos)
            end = stat.size();
        fields.push_back(stat.substr(pos, end - pos));
        pos = end + 1;
    }
    // Field n is fields[n - 3].
    if (fields.size() < 22)
        return std::nullopt;
    const auto utime = number(fields[14 - 3]);
    const auto stime = number(fields[15 - 3]);
    const auto start = number(fields[22 - 3]);
    const auto rss = number(fields[24 - 3]);
    if (!utime || !stime || !start || !rss)
        return std::nullopt;
    p.cpuTicks = *utime + *stime;
    p.startTime = *start;
    p.rssPages = *rss;
    return p;
}

std::optional<ProcessTable::Process> ProcessTable::read(pid_t pid) const
{
    struct stat st;
    const std::string folder = joinPath(m_procRoot, std::to_string(pid));
    if (::stat(folder.c_str(), &st) != 0)
        return std::nullopt;
    const auto text = BoundedFile::read(joinPath(folder, "stat"), kStatLimit);
    if (!text)
        return std::nullopt;
    auto process = parseStat(*text);
    if (!process || process->pid != pid)
        return std::nullopt;
    process->uid = st.st_uid;
    return process;
}

std::vector<ProcessTable::Process> ProcessTable::list(std::optional<uid_t> user) const
{
    std::vector<Process> out;
    UniqueFd proc(::open(m_procRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!proc)
        return out;
    std::vector<std::string> names;
    DirectoryReader::listNames(proc.get(), names);
    std::vector<pid_t> pids;
    for (const std::string& name : names)
        if (const auto pid = pidFromName(name))
            pids.push_back(*pid);
    std::sort(pids.begin(), pids.end());
    for (pid_t pid : pids) {
        // The owner first: another user's process costs one call, not a file read.
        struct stat st;
        if (::fstatat(proc.get(), std::to_string(pid).c_str(), &st, 0) != 0)
            continue;
        if (user && st.st_uid != *user)
            continue;
        const auto text = BoundedFile::read(joinPath(m_procRoot, std::to_string(pid) + "/stat"), kStatLimit);
        if (!text)
            continue;
        auto process = parseStat(*text);
        if (!process || process->pid != pid)
            continue;
        process->uid = st.st_uid;
        out.push_back(std::move(*process));
    }
    return out;
}

std::string ProcessTable::cgroupOf(pid_t pid) const
{
    const auto text = BoundedFile::read(joinPath(m_procRoot, std::to_string(pid) + "/cgroup"), kCgroupLimit);
    if (!text)
        return {};
    std::string first;
    size_t start = 0;
    while (start < text->size()) {
        size_t end = text->find('\n', start);
        if (end == std::string::npos)
            end = text->size();
        const std::string_view line(text->data() + start, end - start);
        const size_t colon = line.find(':', line.find(':') + 1);
        if (colon != std::string_view::npos) {
            const std::string path(line.substr(colon + 1));
            if (line.substr(0, 3) == "0::")
                return path;
            if (first.empty())
                first = path;
        }
        start = end + 1;
    }
    return first;
}

std::optional<std::string> ProcessTable::environmentValue(pid_t pid, std::string_view name) const
{
    return environmentValues(pid, {name}).front();
}

std::vector<std::optional<std::string>> ProcessTable::environmentValues(pid_t pid,
                                                                        const std::vector<std::string_view>& names) const
{
    std::vector<std::optional<std::string>> values(names.size());
    const auto text = BoundedFile::read(joinPath(m_procRoot, std::to_string(pid) + "/environ"), kEnvironLimit);
    if (!text)
        return values;
    size_t start = 0;
    while (start < text->size()) {
        size_t end = text->find('\0', start);
        if (end == std::string::npos)
            end = text->size();
        const std::string_view entry(text->data() + start, end - start);
        for (size_t i = 0; i < names.size(); ++i) {
            const std::string_view name = names[i];
            if (!values[i] && entry.size() > name.size() && entry.substr(0, name.size()) == name &&
                entry[name.size()] == '=')
                values[i] = std::string(entry.substr(name.size() + 1));
        }
        start = end + 1;
    }
    return values;
}

} // namespace corvane
