// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "helper/core/PeerIdentity.h"

#include <optional>
#include <string>
#include <string_view>

namespace corvane::helper {

// Who is at the other end of an accepted connection, from the kernel only: uid and pid
// from SO_PEERCRED, the start time from /proc/PID/stat. Nothing the request says counts.
class PeerCredentials
{
public:
    // Nothing when the kernel names no process (a peer in a pid namespace we cannot see),
    // when the process is gone, or when the process now under that pid runs as another
    // user than the one that connected (the pid was reused). Where the kernel hands out a
    // pidfd for the peer (SO_PEERPIDFD), the process is also checked to be alive after its
    // start time was read, so the start time is its own.
    static std::optional<PeerIdentity> ofConnection(int socketFd, const std::string& procRoot = "/proc");

    // Field 22 (starttime) of a /proc/PID/stat line. The command name in field 2 may hold
    // spaces and ')' itself, so fields are counted from the last ')'.
    static std::optional<uint64_t> startTimeFromStat(std::string_view stat);
    // The effective uid on the "Uid:" line of /proc/PID/status.
    static std::optional<uid_t> effectiveUidFromStatus(std::string_view status);
};

} // namespace corvane::helper
