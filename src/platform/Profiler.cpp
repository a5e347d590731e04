// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Profiler.h"

#include "platform/DirectoryReader.h"
#include "platform/HardwareModel.h"
#include "platform/MachineIdentifier.h"
#include "platform/ProgramRun.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <set>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace corvane {

namespace {

constexpr const char* kIndent1 = "    ";
constexpr const char* kIndent2 = "      ";
constexpr const char* kIndent3 = "        ";
constexpr const char* kIndent4 = "          ";

std::string readSmall(const std::string& path, size_t limit = 65536)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {};
    std::string text;
    char buffer[4096];
    while (text.size() < limit) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buffer, size_t(n));
    }
    ::close(fd);
    return text;
}

std::string line(const std::string& path)
{
    return Profiler::cleanValue(readSmall(path, 4096));
}

std::vector<std::string> names(const std::string& folder)
{
    std::vector<std::string> out;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return out;
    DirectoryReader::listNames(fd, out);
    ::close(fd);
    std::sort(out.begin(), out.end());
    return out;
}

bool exists(const std::string& path)
{
    return ::access(path.c_str(), F_OK) == 0;
}

std::string resolved(const std::string& path)
{
    char buffer[PATH_MAX];
    return ::realpath(path.c_str(), buffer) ? std::string(buffer) : std::string();
}

std::string baseName(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string parentOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

// Trailing zeros and a bare point dropped: "4.70" → "4.7", "16.0" → "16".
std::string trimmedNumber(double value, int decimals)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text = buffer;
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    return text;
}

void fact(std::string& out, const char* indent, const std::string& key, const std::string& value)
{
    // A fact without a value would be read as a heading; leave it out.
    if (!value.empty())
        out += indent + key + ": " + value + "\n";
}

// "1280K" → "1.25 MB", "48K" → "48 KB".
std::string cacheText(const std::string& size)
{
    char* end = nullptr;
    const long long kib = std::strtoll(size.c_str(), &end, 10);
    if (kib <= 0)
        return {};
    const std::string unit = end ? std::string(end) : std::string();
    long long k = kib;
    if (unit == "M")
        k = kib * 1024;
    if (k >= 1024)
        return trimmedNumber(double(k) / 1024.0, 2) + " MB";
    return std::to_string(k) + " KB";
}

std::string hexId(const std::string& raw, int digits)
{
    // "0x8086" → "0x8086", "0x01" → "0x0001": the ids as the kernel gives them, padded.
    const long long value = std::strtoll(raw.c_str(), nullptr, 16);
    if (raw.empty())
        return {};
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "0x%0*llx", digits, value);
    return buffer;
}

std::string knownVendor(const std::string& id)
{
    static const std::map<std::string, std::string> vendors = {
        {"0x8086", "Intel"}, {"0x1002", "AMD"}, {"0x10de", "NVIDIA"}, {"0x1af4", "Red Hat"},
        {"0x15ad", "VMware"}, {"0x1234", "QEMU"}, {"0x80ee", "VirtualBox"}, {"0x1414", "Microsoft"},
    };
    const auto found = vendors.find(id);
    return found == vendors.end() ? std::string() : found->second;
}

} // namespace

std::string Profiler::cleanValue(const std::string& raw)
{
    std::string text = raw.substr(0, raw.find('\n'));
    for (char& c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u == '\t')
            c = ' ';
        else if (u < 0x20 || u >= 0x7F)
            c = '?';
    }
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string Profiler::capacityText(uint64_t bytes)
{
    static const char* const units[] = {"bytes", "KB", "MB", "GB", "TB", "PB", "EB"};
    std::string exact = std::to_string(bytes);
    for (int at = int(exact.size()) - 3; at > 0; at -= 3)
        exact.insert(size_t(at), ",");
    if (bytes < 1000)
        return exact + " bytes";
    double value = double(bytes);
    int unit = 0;
    while (value >= 1000.0 && unit < 6) {
        value /= 1000.0;
        ++unit;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f %s", value, units[unit]);
    return std::string(buffer) + " (" + exact + " bytes)";
}

Profiler::Roots Profiler::fromEnvironment()
{
    Roots roots;
    if (const char* sys = std::getenv("CORVANE_SYS"); sys && *sys)
        roots.sys = sys;
    if (const char* proc = std::getenv("CORVANE_PROC"); proc && *proc)
        roots.proc = proc;
    return roots;
}

std::string Profiler::hardware(const Roots& roots)
{
    std::string out = "Hardware:\n\n";
    out += std::string(kIndent1) + "Hardware Overview:\n\n";
    const std::string dmi = roots.sys + "/class/dmi/id/";
    fact(out, kIndent2, "Model Name", HardwareModel::read(roots.sys, roots.proc));
    const std::string version = line(dmi + "product_version");
    if (!HardwareModel::isPlaceholder(version))
        fact(out, kIndent2, "Model Identifier", version);

    // Processor: the name from cpuinfo, the speed the frequency driver allows at most.
    const std::string cpuinfo = readSmall(roots.proc + "/cpuinfo", 4 * 1024 * 1024);
    std::string model;
    double mhz = 0;
    int listed = 0;
    for (size_t start = 0; start < cpuinfo.size();) {
        size_t end = cpuinfo.find('\n', start);
        if (end == std::string::npos)
            end = cpuinfo.size();
        const std::string row = cpuinfo.substr(start, end - start);
        start = end + 1;
        const size_t colon = row.find(':');
        if (colon == std::string::npos)
            continue;
        std::string key = row.substr(0, colon);
        while (!key.empty() && (key.back() == ' ' || key.back() == '\t'))
            key.pop_back();
        const std::string value = cleanValue(row.substr(colon + 1));
        if (key == "processor")
            ++listed;
        else if (model.empty() && (key == "model name" || key == "Model" || key == "cpu model"))
            model = value;
        else if (mhz == 0 && key == "cpu MHz")
            mhz = std::atof(value.c_str());
    }
    fact(out, kIndent2, "Processor Name", model);
    const std::string cpus = roots.sys + "/devices/system/cpu/";
    if (const long long khz = std::atoll(line(cpus + "cpu0/cpufreq/cpuinfo_max_freq").c_str()); khz > 0)
        mhz = double(khz) / 1000.0;
    if (mhz > 0)
        fact(out, kIndent2, "Processor Speed", trimmedNumber(mhz / 1000.0, 2) + " GHz");

    std::set<std::string> packages;
    std::set<std::string> cores;
    for (const std::string& name : names(cpus)) {
        if (name.size() < 4 || name.compare(0, 3, "cpu") != 0 ||
            !std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        const std::string package = line(cpus + name + "/topology/physical_package_id");
        const std::string core = line(cpus + name + "/topology/core_id");
        if (package.empty() || core.empty())
            continue;
        packages.insert(package);
        cores.insert(package + "/" + line(cpus + name + "/topology/die_id") + "/" + core);
    }
    if (!packages.empty()) {
        fact(out, kIndent2, "Number of Processors", std::to_string(packages.size()));
        fact(out, kIndent2, "Total Number of Cores", std::to_string(cores.size()));
    } else if (listed > 0) {
        fact(out, kIndent2, "Number of Processors", "1");
        fact(out, kIndent2, "Total Number of Cores", std::to_string(listed));
    }

    const std::string caches = cpus + "cpu0/cache/";
    const std::string siblings = line(cpus + "cpu0/topology/thread_siblings_list");
    for (const char* level : {"2", "3"})
        for (const std::string& index : names(caches)) {
            const std::string folder = caches + index + "/";
            if (index.rfind("index", 0) != 0 || line(folder + "level") != level || line(folder + "type") == "Instruction")
                continue;
            const bool perCore = !siblings.empty() && line(folder + "shared_cpu_list") == siblings;
            const std::string key = std::string("L") + level + " Cache" + (perCore ? " (per Core)" : "");
            fact(out, kIndent2, key, cacheText(line(folder + "size")));
            break;
        }

    const std::string meminfo = readSmall(roots.proc + "/meminfo", 65536);
    if (const size_t at = meminfo.find("MemTotal:"); at != std::string::npos) {
        const long long kib = std::atoll(meminfo.c_str() + at + 9);
        if (kib > 0)
            fact(out, kIndent2, "Memory", trimmedNumber(double(kib) / 1048576.0, 1) + " GB");
    }
    const std::string bios = line(dmi + "bios_version");
    if (!HardwareModel::isPlaceholder(bios))
        fact(out, kIndent2, "Boot ROM Version", bios);
    fact(out, kIndent2, "Hardware UUID", MachineIdentifier::read(roots.machineId));
    return out;
}

std::map<std::string, Profiler::PciNames> Profiler::parseLspci(const std::string& text)
{
    std::map<std::string, PciNames> out;
    auto withoutId = [](std::string value) {
        // "Intel Corporation [8086]" → "Intel Corporation"
        if (value.size() > 3 && value.back() == ']') {
            const size_t open = value.rfind(" [");
            if (open != std::string::npos)
                value.erase(open);
        }
        return value;
    };
    std::string slot;
    PciNames names;
    auto flush = [&] {
        if (!slot.empty())
            out[slot.find(':') == slot.rfind(':') ? "0000:" + slot : slot] = names;
        slot.clear();
        names = {};
    };
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string row = text.substr(start, end - start);
        start = end + 1;
        if (row.empty()) {
            flush();
            if (end == text.size())
                break;
            continue;
        }
        const size_t colon = row.find(':');
        if (colon == std::string::npos)
            continue;
        const std::string key = row.substr(0, colon);
        const std::string value = cleanValue(row.substr(colon + 1));
        if (key == "Slot")
            slot = value;
        else if (key == "Vendor")
            names.vendor = withoutId(value);
        else if (key == "Device")
            names.device = withoutId(value);
        if (end == text.size())
            break;
    }
    flush();
    return out;
}

std::string Profiler::displays(const Roots& roots)
{
    std::string out = "Graphics/Displays:\n\n";
    const std::string pci = roots.sys + "/bus/pci/devices/";
    std::map<std::string, PciNames> named;
    bool asked = false;
    for (const std::string& slot : names(pci)) {
        const std::string folder = pci + slot + "/";
        if (line(folder + "class").rfind("0x03", 0) != 0)
            continue;
        if (!asked && !roots.lspci.empty()) {
            asked = true;
            if (auto run = ProgramRun::output({roots.lspci, "-vmm", "-nn", "-D"}, 1024 * 1024); run && run->status == 0)
                named = parseLspci(run->bytes);
        }
        const std::string vendorId = hexId(line(folder + "vendor"), 4);
        const std::string deviceId = hexId(line(folder + "device"), 4);
        const PciNames names = named.count(slot) ? named[slot] : PciNames{};
        std::string vendor = names.vendor.empty() ? knownVendor(vendorId) : names.vendor;
        out += std::string(kIndent1) + "Graphics Device:\n\n";
        fact(out, kIndent2, "Chipset Model",
             !names.device.empty() ? names.device : (vendor.empty() ? deviceId : vendor + " " + deviceId));
        fact(out, kIndent2, "Type", "GPU");
        // Devices on the root bus are part of the chipset; the others sit in a slot.
        fact(out, kIndent2, "Bus", slot.size() > 7 && slot.compare(5, 3, "00:") == 0 ? "Built-In" : "PCIe");
        if (const long long vram = std::atoll(line(folder + "mem_info_vram_total").c_str()); vram > 0)
            fact(out, kIndent2, "VRAM (Dynamic, Max)", trimmedNumber(double(vram) / (1024.0 * 1024 * 1024), 1) + " GB");
        fact(out, kIndent2, "Vendor", vendor.empty() ? vendorId : vendor + " (" + vendorId + ")");
        fact(out, kIndent2, "Device ID", deviceId);
        fact(out, kIndent2, "Revision ID", hexId(line(folder + "revision"), 4));
        out += "\n";
    }
    const std::string drm = roots.sys + "/class/drm/";
    struct Connector
    {
        std::string name;
        std::string folder;
        bool builtIn = false;
    };
    std::vector<Connector> connected;
    for (const std::string& name : names(drm)) {
        // Connectors are "card0-eDP-1"; the cards themselves and render nodes have no dash.
        const size_t dash = name.find('-');
        if (name.rfind("card", 0) != 0 || dash == std::string::npos || line(drm + name + "/status") != "connected")
            continue;
        const std::string connector = name.substr(dash + 1);
        const std::string kind = connector.substr(0, connector.rfind('-'));
        connected.push_back({connector, drm + name, kind == "eDP" || kind == "LVDS" || kind == "DSI"});
    }
    // The panel of a laptop first, as its owner thinks of it.
    std::stable_partition(connected.begin(), connected.end(), [](const Connector& c) { return c.builtIn; });
    if (!connected.empty())
        out += std::string(kIndent2) + "Displays:\n";
    for (const Connector& c : connected) {
        out += std::string(kIndent3) + c.name + ":\n";
        fact(out, kIndent4, "Display Type", c.name);
        fact(out, kIndent4, "Resolution", line(c.folder + "/modes"));
        fact(out, kIndent4, "Online", "Yes");
        if (c.builtIn)
            fact(out, kIndent4, "Built-In", "Yes");
    }
    return out;
}

std::string Profiler::storage(const Roots& roots)
{
    std::string out = "SATA/SATA Express:\n\n";
    // The last mount of the folder is the one in effect.
    std::string majorMinor;
    std::string source;
    const std::string mounts = readSmall(roots.proc + "/self/mountinfo", 4 * 1024 * 1024);
    for (size_t start = 0; start < mounts.size();) {
        size_t end = mounts.find('\n', start);
        if (end == std::string::npos)
            end = mounts.size();
        const std::string row = mounts.substr(start, end - start);
        start = end + 1;
        std::vector<std::string> fields;
        for (size_t at = 0; at < row.size();) {
            const size_t space = std::min(row.find(' ', at), row.size());
            fields.push_back(row.substr(at, space - at));
            at = space + 1;
        }
        const auto separator = std::find(fields.begin(), fields.end(), "-");
        if (fields.size() < 5 || fields[4] != roots.mount || separator == fields.end() ||
            std::distance(separator, fields.end()) < 3)
            continue;
        majorMinor = fields[2];
        source = *(separator + 2);
    }
    std::string block = majorMinor.empty() ? std::string() : resolved(roots.sys + "/dev/block/" + majorMinor);
    if (block.empty() && source.rfind("/dev/", 0) == 0)
        block = resolved(roots.sys + "/class/block/" + baseName(source));
    std::string volume = block.empty() ? std::string() : baseName(block);
    // Through device-mapper or software RAID to the first disk underneath.
    for (int depth = 0; !block.empty() && depth < 8; ++depth) {
        const std::vector<std::string> below = names(block + "/slaves");
        if (below.empty())
            break;
        block = resolved(roots.sys + "/class/block/" + below.front());
    }
    if (!block.empty() && exists(block + "/partition"))
        block = parentOf(block);
    if (!block.empty()) {
        out += std::string(kIndent1) + "Internal Disk:\n\n";
        fact(out, kIndent2, "BSD Name", baseName(block));
        fact(out, kIndent2, "Model", line(block + "/device/model"));
        if (const long long sectors = std::atoll(line(block + "/size").c_str()); sectors > 0)
            fact(out, kIndent2, "Capacity", capacityText(uint64_t(sectors) * 512));
        const std::string rotational = line(block + "/queue/rotational");
        fact(out, kIndent2, "Medium Type", rotational == "0" ? "Solid State" : rotational == "1" ? "Rotational" : "");
    }
    struct statvfs fs{};
    if (::statvfs(roots.mount.c_str(), &fs) == 0) {
        out += std::string(kIndent2) + "Volumes:\n";
        out += std::string(kIndent3) + (volume.empty() ? std::string("Root") : volume) + ":\n";
        fact(out, kIndent4, "Available", capacityText(uint64_t(fs.f_bavail) * fs.f_frsize));
        fact(out, kIndent4, "Mount Point", roots.mount);
    }
    return out;
}

std::string Profiler::text(const std::string& dataType, const Roots& roots)
{
    if (dataType == "SPHardwareDataType")
        return hardware(roots);
    if (dataType == "SPDisplaysDataType")
        return displays(roots);
    if (dataType == "SPSerialATADataType")
        return storage(roots);
    return {};
}

} // namespace corvane
