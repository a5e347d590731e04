// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace corvane {

// What the program and its privileged helper make of a unit name before anything reaches
// systemd: whether it is a unit name at all, whether it is the helper's own, and whether
// switching it off (or removing its file) could take the machine, the session or remote
// access down.
class UnitNames
{
public:
    // systemd's grammar: at most 255 characters of [A-Za-z0-9:_.\-@\\], a known type
    // suffix, a non-empty name before it, and at most one '@' ("name@.type" is a
    // template, "name@instance.type" an instance of one).
    static bool isValid(std::string_view unit);

    // The types the helper switches off or removes: programs and what starts them. Mounts,
    // swaps, slices, scopes, devices and targets are refused: stopping one unmounts file
    // systems, ends sessions or changes what the machine boots into.
    static bool isStoppableType(std::string_view unit);

    // com.corvane.CorvaneHelper.* : switching the helper off is done by uninstalling it.
    static bool isOurs(std::string_view unit);

    // The system's own services, the bus, logins and sessions, the network, display
    // managers, consoles and remote logins, the audit and confinement services: never
    // stopped, disabled or removed, whatever the caller lists.
    static bool isNeverStopped(std::string_view unit);
};

} // namespace corvane
