// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/BoundedFile.h"

#include "platform/ByteText.h"
#include "platform/DebugNote.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

std::string notReadLine(const char* name, int error)
{
    return "not read: " + ByteText::forLog(name) + ": " + std::strerror(error);
}

} // namespace

std::optional<std::string> BoundedFile::read(const std::string& path, size_t limit, bool noFollow)
{
    if (path.empty())
        return std::nullopt;
    return readAt(AT_FDCWD, path.c_str(), limit, noFollow);
}

std::optional<std::string> BoundedFile::readAt(int dirFd, const char* name, size_t limit, bool noFollow)
{
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (noFollow ? O_NOFOLLOW : 0);
    UniqueFd fd(::openat(dirFd, name, flags));
    if (!fd) {
        const int error = errno;
        if (error != ENOENT && DebugNote::enabled())
            DebugNote::write(notReadLine(name, error));
        errno = error;
        return std::nullopt;
    }
    struct stat st{};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) > limit) {
        if (DebugNote::enabled())
            DebugNote::write(notReadLine(name, S_ISREG(st.st_mode) ? EFBIG : EINVAL) +
                             " (only regular files of at most " + std::to_string(limit) + " bytes are read)");
        return std::nullopt;
    }
    std::string data;
    data.resize(static_cast<size_t>(st.st_size) + 1);
    size_t got = 0;
    for (;;) {
        if (got == data.size()) {
            // Grown since the look: read one byte past the limit at most, then refuse.
            if (data.size() > limit)
                return std::nullopt;
            data.resize(std::min(limit + 1, data.size() * 2 + 1));
        }
        const ssize_t n = ::read(fd.get(), data.data() + got, data.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    if (got > limit)
        return std::nullopt;
    data.resize(got);
    return data;
}

std::vector<std::string> BoundedFile::lines(const std::string& text)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

} // namespace corvane
