// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/MachineFixtures.h"

#include "support/TempDir.h"

#include <unistd.h>

namespace corvane::test {

void makeLink(const std::string& target, const std::string& path)
{
    const size_t slash = path.rfind('/');
    makeDirs(path.substr(0, slash));
    ::unlink(path.c_str());
    [[maybe_unused]] const int made = ::symlink(target.c_str(), path.c_str());
}

namespace {

void cpus(const std::string& sys, int threads, int cores, const std::string& siblings)
{
    for (int cpu = 0; cpu < threads; ++cpu) {
        const std::string base = sys + "/devices/system/cpu/cpu" + std::to_string(cpu) + "/topology/";
        writeFile(base + "physical_package_id", "0\n");
        writeFile(base + "die_id", "0\n");
        writeFile(base + "core_id", std::to_string(cpu % cores) + "\n");
    }
    writeFile(sys + "/devices/system/cpu/cpu0/topology/thread_siblings_list", siblings + "\n");
}

void cache(const std::string& sys, int index, int level, const std::string& type, const std::string& size,
           const std::string& shared)
{
    const std::string base = sys + "/devices/system/cpu/cpu0/cache/index" + std::to_string(index) + "/";
    writeFile(base + "level", std::to_string(level) + "\n");
    writeFile(base + "type", type + "\n");
    writeFile(base + "size", size + "\n");
    writeFile(base + "shared_cpu_list", shared + "\n");
}

// A monitor "hwmon<n>" of a device at devices/<device>, linked as the kernel links it.
std::string monitor(const std::string& sys, int n, const std::string& device, const std::string& driver)
{
    const std::string name = "hwmon" + std::to_string(n);
    const std::string folder = sys + "/devices/" + device + "/hwmon/" + name;
    writeFile(folder + "/name", driver + "\n");
    makeLink("../../devices/" + device + "/hwmon/" + name, sys + "/class/hwmon/" + name);
    makeLink("../..", folder + "/device");
    return folder;
}

void block(const std::string& sys, const std::string& devicePath, const std::string& disk, const std::string& part,
           const std::string& majorMinor, const std::string& model, const std::string& sectors, bool rotational)
{
    const std::string diskFolder = sys + "/devices/" + devicePath + "/" + disk;
    writeFile(diskFolder + "/size", sectors + "\n");
    writeFile(diskFolder + "/device/model", model + "\n");
    writeFile(diskFolder + "/queue/rotational", rotational ? "1\n" : "0\n");
    writeFile(diskFolder + "/" + part + "/partition", "2\n");
    writeFile(diskFolder + "/" + part + "/size", "1000\n");
    makeLink("../../devices/" + devicePath + "/" + disk + "/" + part, sys + "/dev/block/" + majorMinor);
    makeLink("../../devices/" + devicePath + "/" + disk + "/" + part, sys + "/class/block/" + part);
    makeLink("../../devices/" + devicePath + "/" + disk, sys + "/class/block/" + disk);
}

} // namespace

void writeIntelLaptop(const std::string& root)
{
    const std::string sys = root + "/sys";
    const std::string proc = root + "/proc";
    writeFile(sys + "/class/dmi/id/product_name", "20XW004HGE\n");
    writeFile(sys + "/class/dmi/id/product_family", "ThinkPad X1 Carbon Gen 9\n");
    // Firmware pads its strings with blanks.
    writeFile(sys + "/class/dmi/id/product_version", "ThinkPad X1 Carbon Gen 9   \n");
    writeFile(sys + "/class/dmi/id/bios_version", "N32ET75W (1.51 )\n");
    std::string cpuinfo;
    for (int cpu = 0; cpu < 8; ++cpu)
        cpuinfo += "processor\t: " + std::to_string(cpu) +
                   "\nvendor_id\t: GenuineIntel\nmodel name\t: 11th Gen Intel(R) Core(TM) i7-1165G7 @ 2.80GHz\n"
                   "cpu MHz\t\t: 1200.000\nphysical id\t: 0\n\n";
    writeFile(proc + "/cpuinfo", cpuinfo);
    writeFile(proc + "/meminfo", "MemTotal:       16108724 kB\nMemFree:         8000000 kB\n");
    cpus(sys, 8, 4, "0,4");
    writeFile(sys + "/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq", "4700000\n");
    cache(sys, 0, 1, "Data", "48K", "0,4");
    cache(sys, 1, 1, "Instruction", "32K", "0,4");
    cache(sys, 2, 2, "Unified", "1280K", "0,4");
    cache(sys, 3, 3, "Unified", "12288K", "0-7");

    const std::string acpi = monitor(sys, 0, "virtual/thermal/thermal_zone0", "acpitz");
    writeFile(acpi + "/temp1_input", "48000\n");
    const std::string fan = monitor(sys, 1, "platform/thinkpad_hwmon", "thinkpad");
    writeFile(fan + "/fan1_input", "2010\n");
    writeFile(fan + "/pwm1_enable", "2\n");
    const std::string core = monitor(sys, 2, "platform/coretemp.0", "coretemp");
    writeFile(core + "/temp2_label", "Core 0\n");
    writeFile(core + "/temp2_input", "51000\n");
    writeFile(core + "/temp1_label", "Package id 0\n");
    writeFile(core + "/temp1_input", "52500\n");
    writeFile(sys + "/class/thermal/thermal_zone1/type", "x86_pkg_temp\n");
    writeFile(sys + "/class/thermal/thermal_zone1/temp", "53000\n");

    const std::string gpu = sys + "/bus/pci/devices/0000:00:02.0/";
    writeFile(gpu + "class", "0x030000\n");
    writeFile(gpu + "vendor", "0x8086\n");
    writeFile(gpu + "device", "0x9a49\n");
    writeFile(gpu + "revision", "0x01\n");
    writeFile(sys + "/bus/pci/devices/0000:00:1f.3/class", "0x040380\n");
    writeFile(sys + "/class/drm/card0/dev", "226:0\n");
    writeFile(sys + "/class/drm/card0-eDP-1/status", "connected\n");
    writeFile(sys + "/class/drm/card0-eDP-1/modes", "1920x1200\n1920x1080\n");
    writeFile(sys + "/class/drm/card0-HDMI-A-1/status", "connected\n");
    writeFile(sys + "/class/drm/card0-HDMI-A-1/modes", "2560x1440\n1920x1080\n");
    writeFile(sys + "/class/drm/card0-DP-1/status", "disconnected\n");

    block(sys, "pci0000:00/0000:00:06.0/0000:04:00.0/nvme/nvme0", "nvme0n1", "nvme0n1p2", "259:2",
          "Samsung SSD 970 EVO Plus 500GB          ", "976773168", false);
    writeFile(proc + "/self/mountinfo", "22 27 0:21 / /proc rw - proc proc rw\n"
                                        "27 1 259:2 / / rw,relatime shared:1 - ext4 /dev/nvme0n1p2 rw\n");
}

void writeAmdDesktop(const std::string& root)
{
    const std::string sys = root + "/sys";
    const std::string proc = root + "/proc";
    writeFile(sys + "/class/dmi/id/product_name", "To Be Filled By O.E.M.\n");
    writeFile(sys + "/class/dmi/id/product_family", "To Be Filled By O.E.M.\n");
    writeFile(sys + "/class/dmi/id/product_version", "To Be Filled By O.E.M.\n");
    writeFile(sys + "/class/dmi/id/chassis_type", "3\n");
    // A byte that is no text at all, as cheap boards write.
    writeFile(sys + "/class/dmi/id/bios_version", "P2.10\xff \n");
    std::string cpuinfo;
    for (int cpu = 0; cpu < 16; ++cpu)
        cpuinfo += "processor\t: " + std::to_string(cpu) +
                   "\nmodel name\t: AMD Ryzen 7 5800X 8-Core Processor\ncpu MHz\t\t: 3800.000\n\n";
    writeFile(proc + "/cpuinfo", cpuinfo);
    writeFile(proc + "/meminfo", "MemTotal:       32803612 kB\n");
    cpus(sys, 16, 8, "0,8");
    cache(sys, 2, 2, "Unified", "512K", "0,8");
    cache(sys, 3, 3, "Unified", "32768K", "0-15");

    const std::string superIo = monitor(sys, 0, "platform/nct6775.656", "nct6798");
    writeFile(superIo + "/fan2_input", "650\n");
    writeFile(superIo + "/fan1_input", "912\n");
    writeFile(superIo + "/temp1_input", "35000\n");
    const std::string k10 = monitor(sys, 1, "pci0000:00/0000:00:18.3", "k10temp");
    writeFile(k10 + "/temp3_label", "Tccd1\n");
    writeFile(k10 + "/temp3_input", "55000\n");
    writeFile(k10 + "/temp1_label", "Tctl\n");
    writeFile(k10 + "/temp1_input", "61250\n");

    const std::string gpu = sys + "/bus/pci/devices/0000:0a:00.0/";
    writeFile(gpu + "class", "0x030000\n");
    writeFile(gpu + "vendor", "0x1002\n");
    writeFile(gpu + "device", "0x73bf\n");
    writeFile(gpu + "revision", "0xc1\n");
    writeFile(gpu + "mem_info_vram_total", "17163091968\n");
    writeFile(sys + "/class/drm/card1-DP-1/status", "connected\n");
    writeFile(sys + "/class/drm/card1-DP-1/modes", "3840x2160\n");

    block(sys, "pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block", "sda", "sda2", "8:2",
          "ST2000DM008-2FR102", "3907029168", true);
    writeFile(proc + "/self/mountinfo", "29 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n");
}

void writeBareVm(const std::string& root)
{
    makeDirs(root + "/sys/class/hwmon");
    writeFile(root + "/proc/cpuinfo", "processor\t: 0\nmodel name\t: QEMU Virtual CPU version 2.5+\n\n");
    writeFile(root + "/proc/meminfo", "MemTotal:        2030036 kB\n");
    writeFile(root + "/proc/self/mountinfo", "1 0 0:31 / / rw - overlay overlay rw\n");
}

} // namespace corvane::test
