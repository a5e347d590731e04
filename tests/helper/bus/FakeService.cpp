// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeService.h"

#include <systemd/sd-bus.h>

namespace corvane::test {

FakeService::FakeService(std::string address, std::string name, std::string path, Handler handler)
    : m_address(std::move(address)), m_name(std::move(name)), m_path(std::move(path)), m_handler(std::move(handler))
{
    std::promise<bool> started;
    auto result = started.get_future();
    m_thread = std::thread([this, &started] { serve(&started); });
    m_ready = result.get();
}

FakeService::~FakeService()
{
    m_stop = true;
    m_thread.join();
}

std::vector<std::string> FakeService::log() const
{
    std::lock_guard lock(m_mutex);
    return m_log;
}

void FakeService::serve(std::promise<bool>* started)
{
    // The connection lives and dies on this thread: sd-bus objects are not shared.
    sd_bus* bus = nullptr;
    sd_bus_slot* slot = nullptr;
    const auto onCall = [](sd_bus_message* m, void* self, sd_bus_error*) -> int {
        auto* service = static_cast<FakeService*>(self);
        if (!sd_bus_message_is_method_call(m, nullptr, nullptr))
            return 0;
        std::lock_guard lock(service->m_mutex);
        service->m_handler(m, service->m_log);
        return 1;
    };
    bool ok = sd_bus_new(&bus) >= 0 && sd_bus_set_address(bus, m_address.c_str()) >= 0 &&
              sd_bus_set_bus_client(bus, 1) >= 0 && sd_bus_start(bus) >= 0 &&
              sd_bus_add_object(bus, &slot, m_path.c_str(), onCall, this) >= 0 &&
              sd_bus_request_name(bus, m_name.c_str(), 0) >= 0;
    started->set_value(ok);
    while (ok && !m_stop) {
        const int r = sd_bus_process(bus, nullptr);
        if (r < 0)
            break; // the bus went away
        if (r == 0)
            sd_bus_wait(bus, 20000);
    }
    sd_bus_slot_unref(slot);
    sd_bus_flush_close_unref(bus);
}

} // namespace corvane::test
