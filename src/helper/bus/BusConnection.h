// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

typedef struct sd_bus sd_bus;
typedef struct sd_bus_message sd_bus_message;

namespace corvane::helper::bus {

// One client connection to the system bus (or to the bus at `address`, for tests), opened
// on first use. A connection that dropped since (the bus restarted) is opened again once,
// so a long-running helper does not stay deaf after a bus restart. Calls are serialised:
// sd-bus connections are not shared between threads.
class BusConnection
{
public:
    explicit BusConnection(std::optional<std::string> address = std::nullopt);
    ~BusConnection();
    BusConnection(const BusConnection&) = delete;
    BusConnection& operator=(const BusConnection&) = delete;

    struct Failure
    {
        std::string text;
    };
    // Fills the arguments of a method call; a negative errno aborts the call.
    using Append = std::function<int(sd_bus_message*)>;
    // Reads the reply; a failure is reported as the call's failure.
    using Read = std::function<std::optional<Failure>(sd_bus_message*)>;

    // Calls destination/path/interface.member and waits up to `timeout` for the reply.
    // Nothing on success, else the bus error's text (or what went wrong locally).
    std::optional<Failure> call(const char* destination, const char* path, const char* interface, const char* member,
                                const Append& append, const Read& read, std::chrono::microseconds timeout);

private:
    int connectLocked();
    void dropLocked();

    std::optional<std::string> m_address;
    std::mutex m_mutex;
    sd_bus* m_bus = nullptr;
};

} // namespace corvane::helper::bus
