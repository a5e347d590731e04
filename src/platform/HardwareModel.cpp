// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/HardwareModel.h"

#include "platform/FileChecks.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <unistd.h>

namespace corvane {

namespace {

// The first line of a small file, cleaned; empty when it cannot be read.
std::string firstLine(const std::string& root, const char* relative)
{
    const std::string path = joinPath(root.empty() ? std::string("/") : root, relative);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return {};
    char buffer[128];
    ssize_t n;
    do {
        n = ::read(fd, buffer, sizeof buffer - 1);
    } while (n < 0 && errno == EINTR);
    ::close(fd);
    if (n <= 0)
        return {};
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
    return text;
}

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

} // namespace

bool HardwareModel::isPlaceholder(const std::string& text)
{
    static const char* const fillers[] = {
        "system product name",
        "system name",
        "to be filled by o.e.m.",
        "to be filled by oem",
        "default string",
        "not applicable",
        "not specified",
        "none",
        "n/a",
        "unknown",
        "product name",
        "type1productname",
        "o.e.m.",
        "oem",
        "x.x",
        "0123456789",
        "123456789",
    };
    if (text.empty())
        return true;
    const std::string low = lowered(text);
    return std::any_of(std::begin(fillers), std::end(fillers), [&](const char* f) { return low == f; });
}

std::string HardwareModel::chassisName(int code)
{
    switch (code) {
    case 3:  // desktop
    case 4:  // low-profile desktop
    case 5:  // pizza box
    case 6:  // mini tower
    case 7:  // tower
    case 15: // space-saving
    case 16: // lunch box
        return "Desktop";
    case 13:
        return "All-in-One";
    case 8:  // portable
    case 9:  // laptop
    case 10: // notebook
    case 14: // sub-notebook
        return "Laptop";
    case 11:
        return "Handheld";
    case 17: // main server chassis
    case 23: // rack mount
    case 28: // blade
        return "Server";
    case 30:
        return "Tablet";
    case 31: // convertible
    case 32: // detachable
        return "Convertible";
    case 35:
        return "Mini PC";
    case 36:
        return "Stick PC";
    default:
        return {};
    }
}

std::string HardwareModel::read(const std::string& root)
{
    const std::string base = root.empty() ? std::string("/") : root;
    return read(joinPath(base, "sys"), joinPath(base, "proc"));
}

std::string HardwareModel::read(const std::string& sys, const std::string& proc)
{
    for (const char* relative : {"class/dmi/id/product_name", "class/dmi/id/product_family"}) {
        std::string text = firstLine(sys, relative);
        if (!isPlaceholder(text))
            return text;
    }
    const std::string chassis = firstLine(sys, "class/dmi/id/chassis_type");
    int code = 0;
    if (std::from_chars(chassis.data(), chassis.data() + chassis.size(), code).ec == std::errc()) {
        if (std::string name = chassisName(code); !name.empty())
            return name;
    }
    std::string host = firstLine(proc, "sys/kernel/hostname");
    if (!isPlaceholder(host) && host != "localhost")
        return host;
    return "Unknown";
}

} // namespace corvane
