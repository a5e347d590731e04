// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace corvane {

// Describes the machine in the indented "Key: Value" text that the system-information
// parsers read: the hardware overview, the graphics devices with their displays, and the
// disk that holds the root folder. Everything is read in-process from sysfs and procfs
// under the given roots; only the graphics names come from `lspci`, run as an argument
// vector, when it is installed. Headings end in ":" and separate groups with empty lines;
// no line is ever blanks only, and no value carries a line break.
class Profiler
{
public:
    struct Roots
    {
        std::string sys = "/sys";
        std::string proc = "/proc";
        std::string machineId = "/etc/machine-id";
        std::string mount = "/"; // the folder whose disk is described and whose free space is given
        std::string lspci = "lspci"; // empty: numeric ids only
    };

    // The roots with CORVANE_SYS and CORVANE_PROC in place of /sys and /proc when set.
    static Roots fromEnvironment();

    static std::string hardware(const Roots& roots);
    static std::string displays(const Roots& roots);
    static std::string storage(const Roots& roots);
    // The text of a data type ("SPHardwareDataType", "SPDisplaysDataType",
    // "SPSerialATADataType"); empty for any other.
    static std::string text(const std::string& dataType, const Roots& roots);

    // "500.11 GB (500,107,862,016 bytes)": decimal units with two decimals, then the exact
    // count with thousands separators.
    static std::string capacityText(uint64_t bytes);
    // A value fit for one line: the first line, trimmed, and every byte that is not
    // printable ASCII shown as '?' (firmware strings are ASCII; anything else is noise).
    static std::string cleanValue(const std::string& raw);

    struct PciNames
    {
        std::string vendor;
        std::string device;
    };
    // `lspci -vmm -nn` output by slot ("0000:01:00.0"), names without their "[id]".
    static std::map<std::string, PciNames> parseLspci(const std::string& text);
};

} // namespace corvane
