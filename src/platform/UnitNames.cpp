// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/UnitNames.h"

#include <algorithm>
#include <array>

namespace corvane {

namespace {

constexpr size_t kMaxUnitName = 255;

constexpr std::array<std::string_view, 11> kTypes = {"service",   "socket", "timer", "path",  "target", "mount",
                                                     "automount", "swap",   "slice", "scope", "device"};
constexpr std::array<std::string_view, 4> kStoppableTypes = {"service", "socket", "timer", "path"};

// Names (the part before '@' or the type suffix) that stay running.
constexpr std::array<std::string_view, 33> kNeverStopped = {
    "init",
    "dbus",
    "dbus-broker",
    "polkit",
    "polkitd",
    "udev",
    "NetworkManager",
    "NetworkManager-dispatcher",
    "NetworkManager-wait-online",
    "wpa_supplicant",
    "display-manager",
    "gdm",
    "gdm3",
    "sddm",
    "lightdm",
    "lxdm",
    "xdm",
    "slim",
    "nodm",
    "greetd",
    "getty",
    "serial-getty",
    "console-getty",
    "container-getty",
    "autovt",
    "ssh",
    "sshd",
    "user",
    "user-runtime-dir",
    "auditd",
    "apparmor",
    "emergency",
    "rescue",
};

// Prefixes of whole families: systemd's own units, and the bus's aliases.
constexpr std::array<std::string_view, 3> kNeverStoppedPrefixes = {"systemd-", "dbus-org.", "dbus-"};

bool validChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ':' || c == '_' ||
           c == '.' || c == '-' || c == '@' || c == '\\';
}

std::string_view typeOf(std::string_view unit)
{
    const size_t dot = unit.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : unit.substr(dot + 1);
}

// "getty@tty1.service" -> "getty"; "dbus.service" -> "dbus".
std::string_view baseName(std::string_view unit)
{
    const size_t dot = unit.rfind('.');
    std::string_view prefix = unit.substr(0, dot);
    const size_t at = prefix.find('@');
    return at == std::string_view::npos ? prefix : prefix.substr(0, at);
}

} // namespace

bool UnitNames::isValid(std::string_view unit)
{
    if (unit.empty() || unit.size() > kMaxUnitName || !std::all_of(unit.begin(), unit.end(), validChar))
        return false;
    const size_t dot = unit.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return false;
    const std::string_view type = unit.substr(dot + 1);
    if (std::find(kTypes.begin(), kTypes.end(), type) == kTypes.end())
        return false;
    const std::string_view prefix = unit.substr(0, dot);
    const size_t at = prefix.find('@');
    if (at == std::string_view::npos)
        return true;
    // One '@', with a name before it; the instance after it may be empty (a template).
    return at > 0 && prefix.find('@', at + 1) == std::string_view::npos;
}

bool UnitNames::isStoppableType(std::string_view unit)
{
    const std::string_view type = typeOf(unit);
    return std::find(kStoppableTypes.begin(), kStoppableTypes.end(), type) != kStoppableTypes.end();
}

bool UnitNames::isOurs(std::string_view unit)
{
    static constexpr std::string_view kOurs = "com.corvane.CorvaneHelper.";
    return unit.substr(0, kOurs.size()) == kOurs;
}

bool UnitNames::isNeverStopped(std::string_view unit)
{
    const std::string_view base = baseName(unit);
    if (std::find(kNeverStopped.begin(), kNeverStopped.end(), base) != kNeverStopped.end())
        return true;
    for (std::string_view prefix : kNeverStoppedPrefixes)
        if (base.substr(0, prefix.size()) == prefix)
            return true;
    return false;
}

} // namespace corvane
