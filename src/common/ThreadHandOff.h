// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <utility>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#define CORVANE_THREAD_SANITIZER 1
#endif

namespace corvane::ThreadHandOff {

// Qt's thread pool, event queues and semaphores order what one thread did before a hand-off
// before what the receiving thread does after it, but Qt is not built with ThreadSanitizer
// and synchronises through futexes it cannot see. These calls tell it about that ordering
// at our side of each hand-off; outside a ThreadSanitizer build they are nothing.

// What the calling thread did so far happens before whatever follows acquired(token).
inline void released([[maybe_unused]] const void* token)
{
#ifdef CORVANE_THREAD_SANITIZER
    __tsan_release(const_cast<void*>(token));
#endif
}

inline void acquired([[maybe_unused]] const void* token)
{
#ifdef CORVANE_THREAD_SANITIZER
    __tsan_acquire(const_cast<void*>(token));
#endif
}

// fn, to be handed to another thread through Qt (the pool, a queued invokeMethod):
// everything the caller did before this call happens before fn runs. The functor's own
// address is the token, so the receiving thread reads nothing before it acquires, and
// every copy or move into Qt's storage releases again from where it lands.
template <typename Fn> class HandedOver
{
public:
    explicit HandedOver(Fn fn) : m_fn(std::move(fn)) { released(this); }
    HandedOver(HandedOver&& other) : m_fn(std::move(other.m_fn)) { released(this); }
    HandedOver(const HandedOver& other) : m_fn(other.m_fn) { released(this); }
    // Qt may drop its last reference on the handing thread once the block has run there.
    ~HandedOver() { acquired(this); }
    HandedOver& operator=(const HandedOver&) = delete;
    HandedOver& operator=(HandedOver&&) = delete;

    void operator()()
    {
        acquired(this);
        m_fn();
        released(this);
    }

private:
    Fn m_fn;
};

template <typename Fn> auto handedOver(Fn fn)
{
#ifdef CORVANE_THREAD_SANITIZER
    return HandedOver<Fn>(std::move(fn));
#else
    return fn;
#endif
}

} // namespace corvane::ThreadHandOff
