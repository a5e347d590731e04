// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/HwmonSensors.h"

#include "platform/DirectoryReader.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace corvane {

namespace {

std::string firstLine(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {};
    char buffer[256];
    ssize_t n;
    do {
        n = ::read(fd, buffer, sizeof buffer);
    } while (n < 0 && errno == EINTR);
    ::close(fd);
    if (n <= 0)
        return {};
    std::string text(buffer, size_t(n));
    text = text.substr(0, text.find('\n'));
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    return text;
}

std::vector<std::string> names(const std::string& folder)
{
    std::vector<std::string> out;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return out;
    DirectoryReader::listNames(fd, out);
    ::close(fd);
    return out;
}

// "temp12_input" → 12 for `prefix` "temp", 0 when the name is not of that form.
int channelOf(const std::string& name, const std::string& prefix, const std::string& suffix)
{
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return 0;
    const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.empty() || digits.size() > 4 || !std::all_of(digits.begin(), digits.end(), ::isdigit))
        return 0;
    return std::atoi(digits.c_str());
}

std::vector<int> channels(const std::string& folder, const std::string& prefix)
{
    std::vector<int> out;
    for (const std::string& name : names(folder))
        if (const int channel = channelOf(name, prefix, "_input"))
            out.push_back(channel);
    std::sort(out.begin(), out.end());
    return out;
}

struct Monitor
{
    std::string folder;
    std::string driver;
    std::string device; // where the device sits, the order that does not change with N
};

std::vector<Monitor> monitors(const std::string& sys)
{
    std::vector<Monitor> out;
    const std::string base = sys + "/class/hwmon";
    for (const std::string& name : names(base)) {
        Monitor m{base + "/" + name, {}, {}};
        m.driver = firstLine(m.folder + "/name");
        char resolved[PATH_MAX];
        if (::realpath((m.folder + "/device").c_str(), resolved))
            m.device = resolved;
        else if (::realpath(m.folder.c_str(), resolved))
            m.device = resolved;
        out.push_back(std::move(m));
    }
    std::sort(out.begin(), out.end(), [](const Monitor& a, const Monitor& b) {
        return a.device != b.device ? a.device < b.device : a.driver < b.driver;
    });
    return out;
}

std::string labelled(const Monitor& m, const std::string& label)
{
    for (int channel : channels(m.folder, "temp"))
        if (firstLine(m.folder + "/temp" + std::to_string(channel) + "_label") == label)
            return m.folder + "/temp" + std::to_string(channel) + "_input";
    return {};
}

} // namespace

HwmonSensors::Choice HwmonSensors::choose(const std::string& sys)
{
    Choice choice;
    const std::vector<Monitor> all = monitors(sys);
    auto pick = [&](std::initializer_list<const char*> drivers, std::initializer_list<const char*> labels) {
        for (const char* label : labels)
            for (const Monitor& m : all)
                for (const char* driver : drivers)
                    if (choice.temperatureFile.empty() && m.driver == driver) {
                        std::string file = labelled(m, label);
                        if (!file.empty()) {
                            choice.temperatureFile = file;
                            choice.temperatureSource = m.driver + " " + label;
                        }
                    }
    };
    pick({"coretemp"}, {"Package id 0"});
    pick({"k10temp", "zenpower"}, {"Tctl", "Tdie"});
    for (const Monitor& m : all) {
        if (!choice.temperatureFile.empty() || m.driver != "cpu_thermal")
            continue;
        const std::vector<int> temps = channels(m.folder, "temp");
        if (!temps.empty()) {
            choice.temperatureFile = m.folder + "/temp" + std::to_string(temps.front()) + "_input";
            choice.temperatureSource = "cpu_thermal temp" + std::to_string(temps.front());
        }
    }
    if (choice.temperatureFile.empty()) {
        const std::string zones = sys + "/class/thermal";
        std::vector<std::string> found = names(zones);
        std::sort(found.begin(), found.end());
        for (const std::string& zone : found)
            if (zone.rfind("thermal_zone", 0) == 0 && firstLine(zones + "/" + zone + "/type") == "x86_pkg_temp") {
                choice.temperatureFile = zones + "/" + zone + "/temp";
                choice.temperatureSource = "thermal x86_pkg_temp";
                break;
            }
    }
    for (const Monitor& m : all) {
        const std::vector<int> fans = channels(m.folder, "fan");
        if (!fans.empty()) {
            choice.fanFile = m.folder + "/fan" + std::to_string(fans.front()) + "_input";
            choice.fanSource = m.driver + " fan" + std::to_string(fans.front());
            break;
        }
    }
    return choice;
}

std::optional<long long> HwmonSensors::readInteger(const std::string& path)
{
    if (path.empty())
        return std::nullopt;
    const std::string text = firstLine(path);
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0')
        return std::nullopt;
    return value;
}

} // namespace corvane
