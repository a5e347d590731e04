// SPDX-License-Identifier: GPL-3.0-or-later
#include "sysinfo/engine/HwmonTransport.h"

#include <algorithm>

namespace corvane {

int HwmonTransport::open(std::string& message)
{
    // Monitors do not come and go while the program runs; choosing once spares the
    // folder walk on every tick.
    if (!m_chosen) {
        m_choice = HwmonSensors::choose(m_sys);
        m_chosen = true;
    }
    if (m_choice.temperatureFile.empty() && m_choice.fanFile.empty()) {
        message = "no temperature or fan sensor under " + m_sys + "/class/hwmon";
        return 1;
    }
    return 0;
}

int HwmonTransport::call(const SensorKeyRecord& in, SensorKeyRecord& out)
{
    const uint32_t key = in.word(SensorKeyRecord::kKeyCode);
    const bool temperature = key == SensorClient::packKey("TC0P") && !m_choice.temperatureFile.empty();
    const bool fan = key == SensorClient::packKey("F0Ac") && !m_choice.fanFile.empty();
    if (!temperature && !fan)
        return kNotFound;
    switch (in.raw[SensorKeyRecord::kCommand]) {
    case SensorKeyRecord::KeyInfo:
        out.setWord(SensorKeyRecord::kDataSize, 2);
        out.setWord(SensorKeyRecord::kDataType, SensorClient::packKey(temperature ? "sp78" : "fpe2"));
        return 0;
    case SensorKeyRecord::ReadKey: {
        const auto reading = HwmonSensors::readInteger(temperature ? m_choice.temperatureFile : m_choice.fanFile);
        if (!reading)
            return kReadFailed;
        if (temperature) {
            // Millidegrees to 8.8 fixed point, inside what the form can hold.
            const long long raw = std::clamp<long long>(*reading * 256 / 1000, -32768, 32767);
            const auto word = static_cast<uint16_t>(static_cast<int16_t>(raw));
            out.raw[SensorKeyRecord::kBytes] = static_cast<unsigned char>(word >> 8);
            out.raw[SensorKeyRecord::kBytes + 1] = static_cast<unsigned char>(word & 0xFF);
        } else {
            const auto bytes = SensorClient::encodeFpe2(int(std::clamp<long long>(*reading, 0, 16383)));
            out.raw[SensorKeyRecord::kBytes] = bytes[0];
            out.raw[SensorKeyRecord::kBytes + 1] = bytes[1];
        }
        return 0;
    }
    default:
        return kNotPermitted;
    }
}

} // namespace corvane
