#include "common/NotificationPoster.h"

#include "common/Dispatch.h"
#include "common/SerialQueue.h"

namespace corvane {

NotificationPoster::NotificationPoster() : m_state(std::make_shared<State>()) {}

NotificationPoster::~NotificationPoster()
{
    close();
}

void NotificationPoster::post(Block block)
{
    auto run = [state = m_state, block = std::move(block)] {
        std::lock_guard lock(state->running);
        if (state->open.load())
            block(state->open);
    };
    if (SerialQueue* queue = m_queue.load())
        queue->async(std::move(run));
    else
        Dispatch::main(std::move(run));
}

void NotificationPoster::close()
{
    std::lock_guard lock(m_state->running);
    m_state->open.store(false);
}

} // namespace corvane
