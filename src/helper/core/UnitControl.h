// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace corvane::helper {

// Switching a system unit off, the way systemd's own tools do it, over D-Bus and without
// running anything: DisableUnitFiles([unit], runtime=false), Reload, StopUnit(unit,
// "replace"). The service uses bus/SystemdUnitControl; tests use a fake manager.
class UnitControl
{
public:
    virtual ~UnitControl() = default;
    // Nothing on success, else what failed (the bus error's text).
    virtual std::optional<std::string> disableAndStop(const std::string& unit) = 0;
};

} // namespace corvane::helper
