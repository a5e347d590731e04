// SPDX-License-Identifier: GPL-3.0-or-later
#include "helper/bus/PolkitAuthoriser.h"

#include <climits>
#include <cstdint>
#include <systemd/sd-bus.h>

namespace corvane::helper {

namespace {

constexpr uint32_t kAllowUserInteraction = 1;

// polkit fills in whatever part of a process subject is missing from /proc at the time
// it looks, which may be another process by then. Only a whole identity is sent.
bool complete(const PeerIdentity& peer)
{
    return peer.pid > 0 && peer.startTime != 0 && peer.uid <= static_cast<uid_t>(INT32_MAX);
}

} // namespace

PolkitAuthoriser::PolkitAuthoriser(std::optional<std::string> address, std::chrono::microseconds timeout)
    : m_bus(std::move(address)), m_timeout(timeout)
{}

bool PolkitAuthoriser::authorise(const PeerIdentity& peer, Action action)
{
    if (!complete(peer))
        return false;
    const std::string id = actionId(action);
    bool granted = false;
    const auto failure = m_bus.call(
        "org.freedesktop.PolicyKit1", "/org/freedesktop/PolicyKit1/Authority", "org.freedesktop.PolicyKit1.Authority",
        "CheckAuthorization",
        [&](sd_bus_message* m) {
            return sd_bus_message_append(m, "(sa{sv})sa{ss}us", "unix-process", 3, "pid", "u",
                                         static_cast<uint32_t>(peer.pid), "start-time", "t",
                                         static_cast<uint64_t>(peer.startTime), "uid", "i",
                                         static_cast<int32_t>(peer.uid), id.c_str(), 0, kAllowUserInteraction, "");
        },
        [&](sd_bus_message* reply) -> std::optional<bus::BusConnection::Failure> {
            if (sd_bus_message_has_signature(reply, "(bba{ss})") <= 0)
                return bus::BusConnection::Failure{"unexpected reply"};
            int authorised = 0;
            int challenge = 0;
            if (sd_bus_message_enter_container(reply, SD_BUS_TYPE_STRUCT, "bba{ss}") < 0 ||
                sd_bus_message_read(reply, "bb", &authorised, &challenge) < 0)
                return bus::BusConnection::Failure{"unreadable reply"};
            granted = authorised != 0;
            return std::nullopt;
        },
        m_timeout);
    return !failure && granted;
}

} // namespace corvane::helper
