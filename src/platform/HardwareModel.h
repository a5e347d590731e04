// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace corvane {

// The machine's model name, the counterpart of the "hw.model" system value: the DMI
// product name the firmware reports. Many boards report nothing useful there ("System
// Product Name", "To Be Filled By O.E.M."), so the product family, then the kind of case
// ("Laptop", "Desktop"), then the host name stand in before "Unknown". The root folder is
// a parameter so tests read a fixture tree instead of the real /sys and /proc.
class HardwareModel
{
public:
    // The first usable of "<root>/sys/class/dmi/id/product_name", ".../product_family",
    // the name of ".../chassis_type" and "<root>/proc/sys/kernel/hostname"; each without
    // its line break and surrounding blanks, at most 127 bytes (the model fits a 128-byte
    // buffer), bytes outside printable ASCII shown as '?'. "Unknown" when none is usable.
    static std::string read(const std::string& root = "/");
    // The same with /sys and /proc given apart ("/sys", "/proc" or fixture trees).
    static std::string read(const std::string& sys, const std::string& proc);
    // A vendor's filler in place of a name ("Default string", "Not Applicable", ...).
    static bool isPlaceholder(const std::string& text);
    // The SMBIOS chassis type as a word ("Laptop" for 9), empty for "Other", "Unknown" and
    // codes without a plain name.
    static std::string chassisName(int code);
};

} // namespace corvane
