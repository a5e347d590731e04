// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MemoryStatistics.h"

#include "platform/DebugNote.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace corvane {

namespace {

// meminfo is about 1.5 kB; anything past this is not the kernel's file.
constexpr size_t kMeminfoLimit = 16 * 1024;

uint64_t saturatingAdd(uint64_t a, uint64_t b)
{
    return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

// A small file read whole with plain system calls: the refresh reads it every second
// and a stream or a stat would only add to that. Non-blocking, so a FIFO in a fixture
// tree cannot hang the screen.
std::optional<std::string> readSmall(const std::string& path, size_t limit)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (DebugNote::enabled())
            DebugNote::write(path + ": " + std::strerror(errno));
        return std::nullopt;
    }
    std::string text(limit + 1, '\0');
    size_t used = 0;
    while (used <= limit) {
        const ssize_t n = ::read(fd, text.data() + used, text.size() - used);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            if (DebugNote::enabled())
                DebugNote::write(path + ": " + std::strerror(errno));
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        used += size_t(n);
    }
    ::close(fd);
    if (used > limit)
        return std::nullopt;
    text.resize(used);
    return text;
}

// The leading decimal number of `text` after blanks; nothing when there is none or it
// does not fit 64 bits.
std::optional<uint64_t> leadingNumber(std::string_view& text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    if (i == text.size() || text[i] < '0' || text[i] > '9')
        return std::nullopt;
    uint64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const uint64_t digit = uint64_t(text[i] - '0');
        if (value > (UINT64_MAX - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    text.remove_prefix(i);
    return value;
}

} // namespace

uint64_t MemoryReading::availableOrFree() const
{
    return hasAvailable ? available : free;
}

uint64_t MemoryReading::ofCode(int code) const
{
    switch (code) {
    case 0:
        return application;
    case 1:
        return fileCache;
    case 2:
        return wired;
    case 3:
        return compressed;
    case 4:
        return free;
    default:
        return 0;
    }
}

MemoryStatistics::MemoryStatistics(std::string procRoot, std::string sysRoot)
    : m_procRoot(std::move(procRoot)), m_sysRoot(std::move(sysRoot))
{}

MemoryStatistics MemoryStatistics::current()
{
    const char* proc = std::getenv("CORVANE_PROC");
    const char* sys = std::getenv("CORVANE_SYS");
    return MemoryStatistics(proc && *proc ? proc : "/proc", sys && *sys ? sys : "/sys");
}

MemoryReading MemoryStatistics::parse(std::string_view meminfo, uint64_t zramBytes)
{
    uint64_t total = 0, memFree = 0, available = 0, zswap = 0;
    uint64_t activeAnon = 0, inactiveAnon = 0, activeFile = 0, inactiveFile = 0;
    bool hasTotal = false, hasAvailable = false;
    while (!meminfo.empty()) {
        const size_t end = meminfo.find('\n');
        std::string_view line = meminfo.substr(0, end);
        meminfo.remove_prefix(end == std::string_view::npos ? meminfo.size() : end + 1);
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, colon);
        line.remove_prefix(colon + 1);
        const std::optional<uint64_t> kb = leadingNumber(line);
        if (!kb)
            continue;
        // Every line the kernel writes here is in kB; a line in any other unit is not
        // one of its lines.
        while (!line.empty() && line.front() == ' ')
            line.remove_prefix(1);
        if (!line.empty() && line != "kB")
            continue;
        const uint64_t bytes = *kb > UINT64_MAX / 1024 ? UINT64_MAX : *kb * 1024;
        if (key == "MemTotal") {
            total = bytes;
            hasTotal = true;
        } else if (key == "MemFree") {
            memFree = bytes;
        } else if (key == "MemAvailable") {
            available = bytes;
            hasAvailable = true;
        } else if (key == "Active(anon)") {
            activeAnon = bytes;
        } else if (key == "Inactive(anon)") {
            inactiveAnon = bytes;
        } else if (key == "Active(file)") {
            activeFile = bytes;
        } else if (key == "Inactive(file)") {
            inactiveFile = bytes;
        } else if (key == "Zswap") {
            zswap = bytes;
        }
    }
    MemoryReading reading;
    if (!hasTotal) {
        reading.total = physicalMemory();
        return reading;
    }
    reading.valid = true;
    reading.total = total;
    reading.application = saturatingAdd(activeAnon, inactiveAnon);
    reading.fileCache = saturatingAdd(activeFile, inactiveFile);
    reading.compressed = saturatingAdd(zswap, zramBytes);
    reading.free = memFree;
    const uint64_t measured = saturatingAdd(saturatingAdd(reading.application, reading.fileCache),
                                            saturatingAdd(reading.compressed, reading.free));
    reading.wired = measured < total ? total - measured : 0;
    reading.available = available;
    reading.hasAvailable = hasAvailable;
    return reading;
}

std::optional<uint64_t> MemoryStatistics::zramUsed(std::string_view mmStat)
{
    std::optional<uint64_t> field;
    for (int i = 0; i < 3; ++i) {
        field = leadingNumber(mmStat);
        if (!field)
            return std::nullopt;
    }
    return field;
}

uint64_t MemoryStatistics::physicalMemory()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return uint64_t(pages) * uint64_t(pageSize);
}

std::optional<std::string> MemoryStatistics::readMeminfo() const
{
    return readSmall(m_procRoot + "/meminfo", kMeminfoLimit);
}

uint64_t MemoryStatistics::zramBytes() const
{
    const std::string block = m_sysRoot + "/block";
    DIR* dir = ::opendir(block.c_str());
    if (!dir)
        return 0;
    uint64_t bytes = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, "zram", 4) != 0)
            continue;
        if (const auto text = readSmall(block + "/" + entry->d_name + "/mm_stat", 4096))
            if (const auto used = zramUsed(*text))
                bytes = saturatingAdd(bytes, *used);
    }
    ::closedir(dir);
    return bytes;
}

MemoryReading MemoryStatistics::read() const
{
    const std::optional<std::string> text = readMeminfo();
    if (!text) {
        MemoryReading reading;
        reading.total = physicalMemory();
        return reading;
    }
    return parse(*text, zramBytes());
}

std::optional<uint64_t> MemoryStatistics::available() const
{
    const std::optional<std::string> text = readMeminfo();
    if (!text)
        return std::nullopt;
    const MemoryReading reading = parse(*text, 0);
    if (!reading.valid)
        return std::nullopt;
    return reading.availableOrFree();
}

} // namespace corvane
