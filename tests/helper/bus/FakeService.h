// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

typedef struct sd_bus_message sd_bus_message;

namespace corvane::test {

// A service on a test bus, served by a thread of its own: it owns `name` and hands every
// method call made to `path` to the handler, which writes down what it saw in the log
// and answers (or, to play a service that hangs, does not).
class FakeService
{
public:
    using Handler = std::function<void(sd_bus_message* call, std::vector<std::string>& log)>;

    FakeService(std::string address, std::string name, std::string path, Handler handler);
    ~FakeService();
    FakeService(const FakeService&) = delete;
    FakeService& operator=(const FakeService&) = delete;

    // False when it could not connect or take its name.
    bool ready() const { return m_ready; }
    std::vector<std::string> log() const;

private:
    void serve(std::promise<bool>* started);

    const std::string m_address;
    const std::string m_name;
    const std::string m_path;
    const Handler m_handler;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_log;
    std::atomic<bool> m_stop{false};
    bool m_ready = false;
    std::thread m_thread;
};

} // namespace corvane::test
