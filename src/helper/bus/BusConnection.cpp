// SPDX-License-Identifier: GPL-3.0-or-later
#include "helper/bus/BusConnection.h"

#include <cerrno>
#include <cstring>
#include <systemd/sd-bus.h>

namespace corvane::helper::bus {

namespace {

std::string errnoText(int negativeErrno)
{
    return std::strerror(-negativeErrno);
}

// What the bus said, else what the library said.
std::string errorText(const sd_bus_error& error, int r)
{
    if (sd_bus_error_is_set(&error)) {
        if (error.message && *error.message)
            return error.message;
        return error.name;
    }
    return errnoText(r);
}

bool meansDropped(int r)
{
    return r == -ECONNRESET || r == -ENOTCONN || r == -EPIPE || r == -ESHUTDOWN;
}

struct MessageRef
{
    sd_bus_message* m = nullptr;
    ~MessageRef() { sd_bus_message_unref(m); }
};

} // namespace

BusConnection::BusConnection(std::optional<std::string> address) : m_address(std::move(address)) {}

BusConnection::~BusConnection()
{
    dropLocked();
}

int BusConnection::connectLocked()
{
    sd_bus* bus = nullptr;
    int r = 0;
    if (!m_address) {
        // Honours DBUS_SYSTEM_BUS_ADDRESS, like every other client of the system bus.
        r = sd_bus_open_system(&bus);
    } else {
        r = sd_bus_new(&bus);
        if (r >= 0)
            r = sd_bus_set_address(bus, m_address->c_str());
        if (r >= 0)
            r = sd_bus_set_bus_client(bus, 1);
        if (r >= 0)
            r = sd_bus_start(bus);
    }
    if (r < 0) {
        sd_bus_unref(bus);
        return r;
    }
    m_bus = bus;
    return 0;
}

void BusConnection::dropLocked()
{
    if (m_bus)
        sd_bus_flush_close_unref(m_bus);
    m_bus = nullptr;
}

std::optional<BusConnection::Failure> BusConnection::call(const char* destination, const char* path,
                                                          const char* interface, const char* member,
                                                          const Append& append, const Read& read,
                                                          std::chrono::microseconds timeout)
{
    std::lock_guard lock(m_mutex);
    for (int attempt = 0;; ++attempt) {
        if (m_bus && sd_bus_is_open(m_bus) <= 0)
            dropLocked();
        const bool fresh = !m_bus;
        if (fresh) {
            if (const int r = connectLocked(); r < 0)
                return Failure{"cannot connect to the bus: " + errnoText(r)};
        }

        MessageRef message;
        int r = sd_bus_message_new_method_call(m_bus, &message.m, destination, path, interface, member);
        if (r >= 0 && append)
            r = append(message.m);
        if (r < 0)
            return Failure{std::string("cannot build the call to ") + member + ": " + errnoText(r)};

        sd_bus_error error = SD_BUS_ERROR_NULL;
        MessageRef reply;
        r = sd_bus_call(m_bus, message.m, static_cast<uint64_t>(timeout.count()), &error, &reply.m);
        if (r < 0) {
            std::string text = errorText(error, r);
            sd_bus_error_free(&error);
            // A connection opened earlier may have died with a restarted bus; the answer
            // cannot come any more, so the call is made once more on a new connection.
            const bool dropped = meansDropped(r) || sd_bus_is_open(m_bus) <= 0;
            if (dropped)
                dropLocked();
            if (dropped && !fresh && attempt == 0)
                continue;
            return Failure{std::move(text)};
        }
        sd_bus_error_free(&error);
        return read ? read(reply.m) : std::nullopt;
    }
}

} // namespace corvane::helper::bus
