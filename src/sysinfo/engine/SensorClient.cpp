// SPDX-License-Identifier: GPL-3.0-or-later
#include "sysinfo/engine/SensorClient.h"

#include "platform/DebugNote.h"

#include <algorithm>
#include <cstring>

namespace corvane {

uint32_t SensorKeyRecord::word(size_t offset) const
{
    uint32_t value = 0;
    std::memcpy(&value, raw.data() + offset, sizeof value);
    return value;
}

void SensorKeyRecord::setWord(size_t offset, uint32_t value)
{
    std::memcpy(raw.data() + offset, &value, sizeof value);
}

SensorClient::SensorClient(std::unique_ptr<SensorTransport> transport) : m_transport(std::move(transport)) {}

uint32_t SensorClient::packKey(const std::string& key)
{
    uint32_t code = 0;
    for (size_t i = 0; i < 4; ++i)
        code = (code << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    return code;
}

double SensorClient::decodeSp78(unsigned char high, unsigned char low)
{
    // The high byte carries the sign; the low byte is the fraction and never negative.
    const int raw = int(static_cast<signed char>(high)) * 256 + int(low);
    return double(raw >> 2) / 64.0;
}

int SensorClient::decodeFpe2(const unsigned char* bytes, uint32_t size)
{
    uint32_t raw = 0;
    for (uint32_t i = 0; i < std::min<uint32_t>(size, 4); ++i)
        raw = (raw << 8) | bytes[i];
    return int(raw >> 2);
}

std::array<unsigned char, 2> SensorClient::encodeFpe2(int rpm)
{
    const int raw = std::clamp(rpm, 0, 16383) * 4;
    return {static_cast<unsigned char>(raw >> 8), static_cast<unsigned char>(raw & 0xFF)};
}

int SensorClient::openSensorConnection()
{
    if (!m_transport) {
        m_lastError = "no sensor transport";
        return 1;
    }
    std::string message;
    if (m_transport->open(message) != 0) {
        // Said in the debug notes, not on standard output, which carries a command's JSON.
        m_lastError = message.empty() ? std::string("no sensors found") : message;
        if (DebugNote::enabled())
            DebugNote::write("sensors: " + m_lastError);
        return 1;
    }
    m_lastError.clear();
    m_open = true;
    return 0;
}

void SensorClient::closeSensorConnection()
{
    if (m_open && m_transport)
        m_transport->close();
    m_open = false;
}

int SensorClient::call(const SensorKeyRecord& in, SensorKeyRecord& out)
{
    if (!m_open || !m_transport)
        return kGeneralError;
    out = SensorKeyRecord{};
    return m_transport->call(in, out);
}

int SensorClient::readSensorKey(const std::string& key, SensorValue& value)
{
    value = SensorValue{};
    std::memcpy(value.key, key.data(), std::min<size_t>(key.size(), 4));
    SensorKeyRecord in;
    SensorKeyRecord out;
    in.setWord(SensorKeyRecord::kKeyCode, packKey(key));
    in.raw[SensorKeyRecord::kCommand] = SensorKeyRecord::KeyInfo;
    if (const int status = call(in, out); status != 0)
        return status;
    value.dataSize = std::min<uint32_t>(out.word(SensorKeyRecord::kDataSize), 32);
    const uint32_t type = out.word(SensorKeyRecord::kDataType);
    for (int i = 0; i < 4; ++i)
        value.dataType[i] = char((type >> (24 - 8 * i)) & 0xFF);

    in.raw[SensorKeyRecord::kCommand] = SensorKeyRecord::ReadKey;
    in.setWord(SensorKeyRecord::kDataSize, value.dataSize);
    if (const int status = call(in, out); status != 0)
        return status;
    std::memcpy(value.bytes, out.raw.data() + SensorKeyRecord::kBytes, sizeof value.bytes);
    return 0;
}

int SensorClient::writeSensorKey(const SensorValue& value)
{
    SensorValue stored;
    if (const int status = readSensorKey(std::string(value.key, strnlen(value.key, 4)), stored); status != 0)
        return status;
    if (stored.dataSize != value.dataSize)
        return kGeneralError;
    SensorKeyRecord in;
    SensorKeyRecord out;
    in.setWord(SensorKeyRecord::kKeyCode, packKey(std::string(value.key, strnlen(value.key, 4))));
    in.raw[SensorKeyRecord::kCommand] = SensorKeyRecord::WriteKey;
    in.setWord(SensorKeyRecord::kDataSize, value.dataSize);
    std::memcpy(in.raw.data() + SensorKeyRecord::kBytes, value.bytes, sizeof value.bytes);
    return call(in, out);
}

double SensorClient::readTemperature(const std::string& key)
{
    SensorValue value;
    if (readSensorKey(key, value) != 0 || value.dataSize == 0 || std::strncmp(value.dataType, "sp78", 4) != 0)
        return 0.0;
    return decodeSp78(value.bytes[0], value.bytes[1]);
}

int SensorClient::readFanSpeed(const std::string& key)
{
    SensorValue value;
    if (readSensorKey(key, value) != 0 || value.dataSize == 0 || std::strncmp(value.dataType, "fpe2", 4) != 0)
        return -1;
    return decodeFpe2(value.bytes, value.dataSize);
}

void SensorClient::writeFanSpeed(const std::string& key, int rpm)
{
    SensorValue value;
    std::memcpy(value.key, key.data(), std::min<size_t>(key.size(), 4));
    value.dataSize = 2;
    std::memcpy(value.dataType, "fpe2", 4);
    const auto bytes = encodeFpe2(rpm);
    value.bytes[0] = bytes[0];
    value.bytes[1] = bytes[1];
    writeSensorKey(value);
}

} // namespace corvane
