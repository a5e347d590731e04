// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "helper/bus/BusConnection.h"
#include "helper/core/Authoriser.h"

#include <chrono>
#include <optional>
#include <string>

namespace corvane::helper {

// Asks polkit whether the process the kernel named may perform the action, allowing it
// to ask an administrator. Only a plain "authorised" is a yes: bus errors, a missing
// polkit, a timeout or a reply of the wrong shape are all refusals.
class PolkitAuthoriser : public Authoriser
{
public:
    // An administrator may take a while to type a password.
    static constexpr std::chrono::microseconds kDefaultTimeout = std::chrono::minutes(5);

    // The system bus, or the bus at `address` (tests run a private one).
    explicit PolkitAuthoriser(std::optional<std::string> address = std::nullopt,
                              std::chrono::microseconds timeout = kDefaultTimeout);

    bool authorise(const PeerIdentity& peer, Action action) override;

private:
    bus::BusConnection m_bus;
    std::chrono::microseconds m_timeout;
};

} // namespace corvane::helper
