// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace corvane {

// One key's value: the key, how many data bytes count, their type and the bytes, most
// significant first.
struct SensorValue
{
    char key[5] = {};
    uint32_t dataSize = 0;
    char dataType[5] = {};
    unsigned char bytes[32] = {};
};

// The 80-byte record every call passes in and gets back; bytes not named are zero.
struct SensorKeyRecord
{
    static constexpr size_t kKeyCode = 0;
    static constexpr size_t kDataSize = 28;
    static constexpr size_t kDataType = 32;
    static constexpr size_t kCommand = 42;
    static constexpr size_t kBytes = 48;

    enum Command : uint8_t { KeyInfo = 9, ReadKey = 5, WriteKey = 6 };

    std::array<unsigned char, 80> raw{};

    uint32_t word(size_t offset) const;
    void setWord(size_t offset, uint32_t value);
};

// Where the records go: a controller's user client, or on Linux the kernel's hardware
// monitors dressed as the two keys the screen reads.
class SensorTransport
{
public:
    virtual ~SensorTransport() = default;
    // 0 when connected; otherwise a status, and `message` says why.
    virtual int open(std::string& message) = 0;
    virtual void close() {}
    // One call of the structure method: 0 and `out` filled, or a failure status.
    virtual int call(const SensorKeyRecord& in, SensorKeyRecord& out) = 0;
};

// Reads a temperature key and a fan-speed key, and can write a key. Failures never
// reach the caller as anything but the failure values: 0.0 degrees, -1 rpm.
class SensorClient
{
public:
    static constexpr int kGeneralError = int(0xE00002BC);

    explicit SensorClient(std::unique_ptr<SensorTransport> transport);

    int openSensorConnection();
    void closeSensorConnection();
    int readSensorKey(const std::string& key, SensorValue& value);
    int writeSensorKey(const SensorValue& value);
    double readTemperature(const std::string& key);
    int readFanSpeed(const std::string& key);
    void writeFanSpeed(const std::string& key, int rpm);

    // c0·2^24 + c1·2^16 + c2·2^8 + c3; the key's missing characters count as zero.
    static uint32_t packKey(const std::string& key);
    // Signed 8.8 fixed point, kept to a 64th of a degree.
    static double decodeSp78(unsigned char high, unsigned char low);
    // Unsigned with two fraction bits, over the first `size` bytes (at most 4).
    static int decodeFpe2(const unsigned char* bytes, uint32_t size);
    // rpm in the form decodeFpe2 reads, as (high, low).
    static std::array<unsigned char, 2> encodeFpe2(int rpm);

    // The message of the last failed connection, empty after a good one.
    const std::string& lastError() const { return m_lastError; }

private:
    int call(const SensorKeyRecord& in, SensorKeyRecord& out);

    std::unique_ptr<SensorTransport> m_transport;
    bool m_open = false;
    std::string m_lastError;
};

} // namespace corvane
