// SPDX-License-Identifier: GPL-3.0-or-later
#include "helper/bus/SystemdUnitControl.h"

#include <systemd/sd-bus.h>

namespace corvane::helper {

namespace {

constexpr const char* kService = "org.freedesktop.systemd1";
constexpr const char* kPath = "/org/freedesktop/systemd1";
constexpr const char* kManager = "org.freedesktop.systemd1.Manager";

} // namespace

SystemdUnitControl::SystemdUnitControl(std::optional<std::string> address, std::chrono::microseconds timeout)
    : m_bus(std::move(address)), m_timeout(timeout)
{}

std::optional<std::string> SystemdUnitControl::disableAndStop(const std::string& unit)
{
    struct Step
    {
        const char* member;
        bus::BusConnection::Append append;
    };
    // The manager's replies (the changed links, the stop job) are not needed: only
    // whether each step was accepted.
    const Step steps[] = {
        {"DisableUnitFiles", [&](sd_bus_message* m) { return sd_bus_message_append(m, "asb", 1, unit.c_str(), 0); }},
        {"Reload", {}},
        {"StopUnit", [&](sd_bus_message* m) { return sd_bus_message_append(m, "ss", unit.c_str(), "replace"); }},
    };
    for (const Step& step : steps) {
        if (auto failure = m_bus.call(kService, kPath, kManager, step.member, step.append, {}, m_timeout))
            return std::move(failure->text);
    }
    return std::nullopt;
}

} // namespace corvane::helper
