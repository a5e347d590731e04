// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/HwmonSensors.h"
#include "sysinfo/engine/SensorClient.h"

namespace corvane {

// The two keys the screen reads, answered from the kernel's hardware monitors:
// "TC0P" (sp78) from the processor temperature, "F0Ac" (fpe2) from the first fan. Every
// other key is unknown, and writes are refused: fans stay under the firmware's control.
class HwmonTransport : public SensorTransport
{
public:
    static constexpr int kNotFound = int(0xE00002F0);
    static constexpr int kNotPermitted = int(0xE00002E2);
    static constexpr int kReadFailed = int(0xE00002CA);

    explicit HwmonTransport(std::string sys = "/sys") : m_sys(std::move(sys)) {}

    int open(std::string& message) override;
    int call(const SensorKeyRecord& in, SensorKeyRecord& out) override;

    const HwmonSensors::Choice& choice() const { return m_choice; }

private:
    std::string m_sys;
    HwmonSensors::Choice m_choice;
    bool m_chosen = false;
};

} // namespace corvane
