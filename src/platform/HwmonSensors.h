// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace corvane {

// The processor temperature and the first fan among the kernel's hardware monitors.
// Monitors are told apart by their driver's name and their device, never by the number
// in "hwmonN": the kernel hands those out in probe order, which changes between boots.
// Read only: taking a fan out of automatic control is the firmware's business.
class HwmonSensors
{
public:
    struct Choice
    {
        std::string temperatureFile; // millidegrees Celsius
        std::string temperatureSource;
        std::string fanFile; // revolutions per minute
        std::string fanSource;
    };

    // Under `sys` ("/sys" or a fixture tree): the temperature of coretemp's "Package id 0",
    // else k10temp's or zenpower's Tctl, then Tdie, else cpu_thermal's first, else the
    // thermal zone "x86_pkg_temp"; the fan is the first fanN_input of the monitors in
    // device order. Empty files where there is none.
    static Choice choose(const std::string& sys);
    // The integer a sysfs attribute holds; nothing when it cannot be read (an
    // embedded controller answering EIO) or holds no number.
    static std::optional<long long> readInteger(const std::string& path);
};

} // namespace corvane
