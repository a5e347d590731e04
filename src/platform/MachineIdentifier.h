// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace corvane {

// The identifier this program gives the machine. Neither the firmware's product UUID
// (readable by root only, and the same id every vendor's software sees) nor the machine-id
// itself (which the system treats as confidential) leaves the machine: both would let
// anyone holding two programs' reports join them. Instead the machine-id keys an
// HMAC-SHA256 over this program's own fixed UUID, the way systemd derives an
// application-specific id, so the value is stable for this program on this machine and
// says nothing about the machine-id.
class MachineIdentifier
{
public:
    // Uppercase 8-4-4-4-12 hexadecimal; empty when the machine-id cannot be read or is not
    // 32 hexadecimal digits. Never a fixed stand-in: two machines must not share one.
    static std::string read(const std::string& machineIdPath = "/etc/machine-id");
    // The same from the machine-id's text.
    static std::string fromMachineId(const std::string& text);
};

} // namespace corvane
