// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace corvane {

class SerialQueue;

// Delivers an engine's notifications on its notification queue: the main thread by
// default, or a serial queue the caller sets (not owned). Blocks run in the order they
// were posted to a queue. Blocks still queued when the engine goes away must not reach
// it, so the engine closes its poster first: close() waits for blocks running on other
// threads, and every later block does nothing. A block checks `open` between
// notifications: close() clears it before waiting, so a running block stops at its next
// notification, and a listener may delete the engine from inside a slot.
//
// No lock is held while a block runs: the listeners' slots may take their own locks or
// wait for other threads without ordering them behind this one.
class NotificationPoster
{
public:
    using Block = std::function<void(const std::atomic<bool>& open)>;

    NotificationPoster();
    ~NotificationPoster();
    NotificationPoster(const NotificationPoster&) = delete;
    NotificationPoster& operator=(const NotificationPoster&) = delete;

    void setQueue(SerialQueue* queue) { m_queue.store(queue); }
    SerialQueue* queue() const { return m_queue.load(); }

    void post(Block block);
    void close();

private:
    struct State
    {
        std::mutex monitor;
        std::condition_variable blockEnded;
        std::vector<std::thread::id> runningOn; // a thread once per block it is running
        std::atomic<bool> open{true};
    };
    class Running;
    std::shared_ptr<State> m_state;
    std::atomic<SerialQueue*> m_queue{nullptr};
};

} // namespace corvane
