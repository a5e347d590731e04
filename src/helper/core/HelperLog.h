// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "helper/core/PeerIdentity.h"

#include <functional>
#include <string>
#include <string_view>

namespace corvane::helper {

// One line per request: who asked (uid, pid), what (key and value, escaped so a name can
// neither forge a line nor drive a terminal) and the answer.
class HelperLog
{
public:
    struct Entry
    {
        PeerIdentity peer;
        bool peerKnown = false;
        std::string key;   // raw; empty when no request could be read
        std::string value; // raw
        std::string verdict;
    };
    using Sink = std::function<void(const Entry&)>;

    // "uid=1000 pid=4242 key=removeFile value=/home/u/x verdict=ok"
    static std::string line(const Entry& entry);
    // To the journal (with the parts as fields of their own) when started by systemd,
    // else to standard error.
    static Sink systemSink();
};

} // namespace corvane::helper
