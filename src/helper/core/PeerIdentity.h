// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <sys/types.h>

namespace corvane::helper {

// Who is asking, as the kernel says it: uid and pid from SO_PEERCRED when the connection
// is accepted, the process's start time (field 22 of /proc/PID/stat, in clock ticks since
// boot) read right then. Never taken from the request.
struct PeerIdentity
{
    uid_t uid = 0;
    pid_t pid = 0;
    uint64_t startTime = 0;
};

} // namespace corvane::helper
