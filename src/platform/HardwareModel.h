// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace corvane {

// The machine's model name, the counterpart of the "hw.model" system value: the DMI
// product name the firmware reports. The root folder is a parameter so tests read a
// fixture tree instead of the real /sys.
class HardwareModel
{
public:
    // "<root>/sys/class/dmi/id/product_name" without its line break and trailing blanks,
    // at most 127 bytes (the model fits a 128-byte buffer), decoded as ASCII;
    // "Unknown" when the file cannot be read or holds nothing.
    static std::string read(const std::string& root = "/");
};

} // namespace corvane
