// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/HardwareModel.h"

#include "platform/FileChecks.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace corvane {

std::string HardwareModel::read(const std::string& root)
{
    const std::string path = joinPath(root.empty() ? std::string("/") : root, "sys/class/dmi/id/product_name");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return "Unknown";
    char buffer[128];
    ssize_t n;
    do {
        n = ::read(fd, buffer, sizeof buffer - 1);
    } while (n < 0 && errno == EINTR);
    ::close(fd);
    if (n <= 0)
        return "Unknown";
    std::string text;
    for (ssize_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(buffer[i]);
        if (c == '\0' || c == '\n')
            break;
        // ASCII only: anything else would not survive the title and says nothing useful.
        text.push_back(c < 0x80 && c >= 0x20 ? static_cast<char>(c) : '?');
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    size_t start = 0;
    while (start < text.size() && (text[start] == ' ' || text[start] == '\t'))
        ++start;
    text.erase(0, start);
    return text.empty() ? std::string("Unknown") : text;
}

} // namespace corvane
