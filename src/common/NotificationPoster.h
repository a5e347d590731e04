#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace corvane {

class SerialQueue;

// Delivers an engine's notifications on its notification queue: the main thread by
// default, or a serial queue the caller sets (not owned). Blocks still queued when the
// engine goes away must not reach it, so the engine closes its poster first: close()
// waits for a block that is running on another thread, and every later block does
// nothing. A block checks `open` between notifications, because a listener may delete
// the engine from inside a slot.
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
        std::recursive_mutex running;
        std::atomic<bool> open{true};
    };
    std::shared_ptr<State> m_state;
    std::atomic<SerialQueue*> m_queue{nullptr};
};

} // namespace corvane
