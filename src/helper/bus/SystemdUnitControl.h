// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "helper/bus/BusConnection.h"
#include "helper/core/UnitControl.h"

#include <chrono>
#include <optional>
#include <string>

namespace corvane::helper {

// Turns a unit off through systemd's manager on the system bus (or the bus at `address`):
// its unit file disabled, the manager reloaded, the unit stopped. Stops at the first call
// that fails, so a unit that could not be disabled is left running as it was.
class SystemdUnitControl : public UnitControl
{
public:
    // A reload of a large configuration can take a while.
    static constexpr std::chrono::microseconds kDefaultTimeout = std::chrono::minutes(2);

    explicit SystemdUnitControl(std::optional<std::string> address = std::nullopt,
                                std::chrono::microseconds timeout = kDefaultTimeout);

    std::optional<std::string> disableAndStop(const std::string& unit) override;

private:
    bus::BusConnection m_bus;
    std::chrono::microseconds m_timeout;
};

} // namespace corvane::helper
