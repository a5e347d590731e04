// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace corvane::test {

// Small /sys and /proc trees of three machines, written under `root` as root/sys and
// root/proc, with the links the kernel makes (hwmon devices, block devices) relative so
// they resolve inside the tree.
//
// An Intel laptop: coretemp with "Package id 0", an ACPI zone and a ThinkPad fan, an
// integrated GPU with an eDP panel and an HDMI screen, an NVMe disk holding "/".
void writeIntelLaptop(const std::string& root);
// An AMD desktop: k10temp (Tctl, Tccd1) and a Super-I/O chip with fans, a board that
// names itself "To Be Filled By O.E.M.", a discrete GPU on DisplayPort, a spinning disk.
void writeAmdDesktop(const std::string& root);
// A virtual machine that reports nothing: no DMI, no monitors, no GPU, "/" on overlay.
void writeBareVm(const std::string& root);

// A relative link at `path` pointing at `target`.
void makeLink(const std::string& target, const std::string& path);

} // namespace corvane::test
