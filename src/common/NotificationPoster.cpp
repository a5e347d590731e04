// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/NotificationPoster.h"

#include "common/Dispatch.h"
#include "common/SerialQueue.h"

#include <algorithm>

namespace corvane {

// Marks the calling thread as running a block of `state` for as long as it lives.
class NotificationPoster::Running
{
public:
    // False when the poster was closed before the block could start.
    static bool enter(State& state)
    {
        std::lock_guard lock(state.monitor);
        if (!state.open.load())
            return false;
        state.runningOn.push_back(std::this_thread::get_id());
        return true;
    }

    explicit Running(State& state) : m_state(state) {}
    ~Running()
    {
        std::lock_guard lock(m_state.monitor);
        auto& threads = m_state.runningOn;
        threads.erase(std::find(threads.begin(), threads.end(), std::this_thread::get_id()));
        m_state.blockEnded.notify_all();
    }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

private:
    State& m_state;
};

NotificationPoster::NotificationPoster() : m_state(std::make_shared<State>()) {}

NotificationPoster::~NotificationPoster()
{
    close();
}

void NotificationPoster::post(Block block)
{
    auto run = [state = m_state, block = std::move(block)] {
        if (!Running::enter(*state))
            return;
        const Running running(*state);
        block(state->open);
    };
    if (SerialQueue* queue = m_queue.load())
        queue->async(std::move(run));
    else
        Dispatch::main(std::move(run));
}

void NotificationPoster::close()
{
    State& state = *m_state;
    std::unique_lock lock(state.monitor);
    state.open.store(false);
    // A block on this very thread is the caller's own (a listener closing the engine from
    // a slot): it cannot be waited for, and it sees `open` cleared at its next check.
    const std::thread::id self = std::this_thread::get_id();
    state.blockEnded.wait(lock, [&] {
        return std::all_of(state.runningOn.begin(), state.runningOn.end(),
                           [&](std::thread::id id) { return id == self; });
    });
}

} // namespace corvane
